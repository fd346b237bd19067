// A failure inside a handler: it is shown in an error box captioned "Telvane", it does not cross Qt's
// event loop, and the program goes on.
//
// This program replaces the global operator new so that, while armed, every allocation of
// kHugeAllocation bytes or more throws std::bad_alloc. The data file is padded past that size, so the
// allocation that holds it while it is read fails, inside the handler that reads it; nothing else the
// window does while a handler runs comes near that size.
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <atomic>
#include <cstdlib>
#include <new>

#include "gui_test_support.h"
#include "ui/frm_main.h"

namespace {

constexpr std::size_t kHugeAllocation = std::size_t{3} << 20;
std::atomic<bool> armed{false};

}  // namespace

void* operator new(std::size_t size) {
    if (armed.load(std::memory_order_relaxed) && size >= kHugeAllocation) throw std::bad_alloc();
    if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
    throw std::bad_alloc();
}
void operator delete(void* block) noexcept {
    std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
    std::free(block);
}
// Arrays too (the file is read into one), also where a sanitizer would take them over otherwise.
void* operator new[](std::size_t size) {
    return operator new(size);
}
void operator delete[](void* block) noexcept {
    std::free(block);
}
void operator delete[](void* block, std::size_t) noexcept {
    std::free(block);
}

using namespace telvane::testing;
using telvane::TForm1;

namespace {

// Allocations fail while one of these lives.
class OutOfMemory {
public:
    OutOfMemory() { armed = true; }
    ~OutOfMemory() { armed = false; }
    OutOfMemory(const OutOfMemory&) = delete;
    OutOfMemory& operator=(const OutOfMemory&) = delete;
};

const QList<QStringList> kTianjin = Rows({{"天津", "和平区", "022", "300041"}});

}  // namespace

class HandlerFailureTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        dir_ = std::make_unique<TempDir>();
        const std::string padding = "; " + std::string(kHugeAllocation + (1 << 20), 'x') + "\n";
        ini_ = dir_->Write("tesmar.ini",
                           Gbk(QStringLiteral("[lei]\nsel=天津,\n[天津]\n和平区=022-300041\n")) + padding);
    }
    void cleanup() { dir_.reset(); }

    void handlers_data() {
        QTest::addColumn<bool>("search");
        QTest::newRow("tree1Click") << false;
        QTest::newRow("BtnchaClick") << true;
    }

    void handlers() {
        QFETCH(bool, search);
        TForm1 window(ini_);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        auto* tree = Find<QTreeWidget>(&window, "tree1");
        auto* list = Find<QTreeView>(&window, "lview1");
        QTreeWidgetItem* root = tree->topLevelItem(0);
        root->setExpanded(true);
        QTreeWidgetItem* tianjin = root->child(0);
        Find<QLineEdit>(&window, "ledttel")->setText("022");
        auto act = [&] {
            if (search) {
                QTest::mouseClick(Find<QPushButton>(&window, "Btncha"), Qt::LeftButton);
            } else {
                ClickNode(tree, tianjin);
            }
        };

        BoxWatcher boxes;
        {
            OutOfMemory failing;
            act();
        }
        const SeenBox& box = boxes.seen();
        QCOMPARE(box.count, 1);
        QCOMPARE(box.title, QStringLiteral("Telvane"));
        QCOMPARE(box.text, QStringLiteral("Out of memory."));
        QCOMPARE(box.icon, QMessageBox::Critical);
        QCOMPARE(box.buttons, QStringList{"OK"});
        QCOMPARE(Rows(list), Rows({}));  // emptied before the file was read

        act();
        QCOMPARE(Rows(list), kTianjin);
        QCOMPARE(boxes.seen().count, 1);
    }

    // A failure while the window is created leaves the root alone; the window works afterwards.
    void formCreate() {
        BoxWatcher boxes;
        std::unique_ptr<TForm1> window;
        {
            OutOfMemory failing;
            window = std::make_unique<TForm1>(ini_);
        }
        QCOMPARE(boxes.seen().count, 1);
        QCOMPARE(boxes.seen().title, QStringLiteral("Telvane"));
        auto* tree = Find<QTreeWidget>(window.get(), "tree1");
        QCOMPARE(tree->topLevelItemCount(), 1);
        QCOMPARE(tree->topLevelItem(0)->childCount(), 0);

        window->show();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        Find<QLineEdit>(window.get(), "ledttel")->setText("022");
        QTest::mouseClick(Find<QPushButton>(window.get(), "Btncha"), Qt::LeftButton);
        QCOMPARE(Rows(Find<QTreeView>(window.get(), "lview1")), Rows({}));  // no provinces to search
        QCOMPARE(boxes.seen().count, 1);
    }

private:
    std::unique_ptr<TempDir> dir_;
    std::string ini_;
};

QTEST_MAIN(HandlerFailureTest)
#include "handler_failure_test.moc"
