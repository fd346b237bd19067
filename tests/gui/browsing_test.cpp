// Province browsing: a click on the tree lists the selected province, read afresh from the file.
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <filesystem>

#include "gui_test_support.h"
#include "ui/frm_main.h"

using namespace telvane::testing;

namespace {

// 北京 holds every kind of entry, in an order no sorting would give; 中国 is a province that shares
// the root's name; 空省 has an empty section and 无节 none at all.
const QString kDirectory = QStringLiteral(
    "[lei]\n"
    "sel=北京,天津,中国,空省,无节,\n"
    "[北京]\n"
    "西城区=010-100032\n"
    "东城区=010-100010\n"
    "重复=1-2\n"
    "无横线=345678\n"
    "空值=\n"
    "两横线=0123-456-789\n"
    "重复=3-4\n"
    "[天津]\n"
    "和平区=022-300041\n"
    "[中国]\n"
    "某地=000-000000\n"
    "[空省]\n");

const QList<QStringList> kBeijing = Rows({
    {"北京", "西城区", "010", "100032"},
    {"北京", "东城区", "010", "100010"},
    {"北京", "重复", "1", "2"},
    {"北京", "无横线", "", "345678"},
    {"北京", "空值", "", ""},
    {"北京", "两横线", "0123", "456-789"},
    {"北京", "重复", "1", "2"},
});
const QList<QStringList> kTianjin = Rows({{"天津", "和平区", "022", "300041"}});

}  // namespace

class BrowsingTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        dir_ = std::make_unique<TempDir>();
        ini_ = WriteIni(*dir_, kDirectory);
        window_ = std::make_unique<TForm1>(ini_);
        window_->show();
        QVERIFY(QTest::qWaitForWindowActive(window_.get()));
        tree_ = Find<QTreeWidget>(window_.get(), "tree1");
        list_ = Find<QTreeView>(window_.get(), "lview1");
        root_ = tree_->topLevelItem(0);
        ClickExpandButton(tree_, root_);
        QVERIFY(root_->isExpanded());
        QCOMPARE(list_->model()->rowCount(), 0);
    }
    void cleanup() {
        window_.reset();
        dir_.reset();
    }

    // Every key of the section in file order, repeated names included, with the entry picture.
    void listsTheProvinceInFileOrder() {
        BoxWatcher boxes;
        ClickNode(tree_, Province("北京"));
        QCOMPARE(Rows(list_), kBeijing);
        const QImage entry = QImage(":/pictures/list_entry.png").convertToFormat(QImage::Format_ARGB32);
        for (int i = 0; i < list_->model()->rowCount(); ++i) {
            const QIcon icon = list_->model()->index(i, 0).data(Qt::DecorationRole).value<QIcon>();
            QCOMPARE(icon.pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32), entry);
        }
        ClickNode(tree_, Province("中国"));
        QCOMPARE(Rows(list_), Rows({{"中国", "某地", "000", "000000"}}));
        QCOMPARE(boxes.seen().count, 0);
    }

    // Ctrl+C copies the selected row whole, as the list shows it, its fields tab-separated; the
    // selection moves as before, with the mouse or the keys, and nothing is copied without one.
    void copyShortcutCopiesTheSelectedRow() {
        ClickNode(tree_, Province("北京"));
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        list_->setFocus();
        QTest::keySequence(list_, QKeySequence::Copy);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("before"));

        QTest::mouseClick(list_->viewport(), Qt::LeftButton, {},
                          list_->visualRect(list_->model()->index(5, 2)).center());
        QTest::keySequence(list_, QKeySequence::Copy);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("北京\t两横线\t0123\t456-789"));
        QCOMPARE(QGuiApplication::clipboard()->mimeData()->data("text/plain"),
                 QByteArray("北京\t两横线\t0123\t456-789"));

        QTest::keyClick(list_, Qt::Key_Up);
        QTest::keySequence(list_, QKeySequence::Copy);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("北京\t空值\t\t"));
        QCOMPARE(Rows(list_), kBeijing);
    }

    void noProvinceSelected_data() {
        QTest::addColumn<bool>("search");
        QTest::addColumn<bool>("root");
        QTest::newRow("root, after a listing") << false << true;
        QTest::newRow("root, after a search") << true << true;
        QTest::newRow("no node, after a listing") << false << false;
        QTest::newRow("no node, after a search") << true << false;
    }

    // With the root or no node selected a click leaves the list exactly as it was.
    void noProvinceSelected() {
        QFETCH(bool, search);
        QFETCH(bool, root);
        QList<QStringList> before = kTianjin;
        if (search) {
            Find<QLineEdit>(window_.get(), "ledttel")->setText("010");
            QTest::mouseClick(Find<QPushButton>(window_.get(), "Btncha"), Qt::LeftButton);
            before = Rows({{"北京", "西城区", "010", "100032"}, {"北京", "东城区", "010", "100010"}});
        } else {
            ClickNode(tree_, Province("天津"));
        }
        QCOMPARE(Rows(list_), before);
        std::filesystem::remove(ini_);  // a listing now would empty the list

        if (root) {
            ClickNode(tree_, root_);
            QCOMPARE(tree_->selectedItems(), QList<QTreeWidgetItem*>{root_});
        } else {
            tree_->clearSelection();
        }
        ClickEmptySpace(tree_);
        ClickExpandButton(tree_, root_);
        QCOMPARE(Rows(list_), before);
    }

    void clickThatKeepsTheSelection_data() {
        QTest::addColumn<bool>("expandButton");
        QTest::newRow("on empty space") << false;
        QTest::newRow("on the root's expand button") << true;
    }

    // A click beside the nodes lists the province that is still selected, afresh.
    void clickThatKeepsTheSelection() {
        QFETCH(bool, expandButton);
        QTreeWidgetItem* tianjin = Province("天津");
        ClickNode(tree_, tianjin);
        QCOMPARE(Rows(list_), kTianjin);
        WriteIni(*dir_, QString(kDirectory).replace("和平区=022-300041", "和平区=022-300042"));

        if (expandButton) {
            ClickExpandButton(tree_, root_);
        } else {
            ClickEmptySpace(tree_);
        }
        QCOMPARE(tree_->selectedItems(), QList<QTreeWidgetItem*>{tianjin});
        QCOMPARE(Rows(list_), Rows({{"天津", "和平区", "022", "300042"}}));
    }

    // Moving the selection or folding the tree with the keyboard lists nothing; the next click lists
    // the province then selected.
    void keyboardMovesChangeNothing() {
        ClickNode(tree_, Province("北京"));
        tree_->setFocus();
        for (Qt::Key key : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Up, Qt::Key_End, Qt::Key_Home, Qt::Key_Left,
                            Qt::Key_Right, Qt::Key_Down, Qt::Key_Down, Qt::Key_Space, Qt::Key_Return}) {
            QTest::keyClick(tree_, key);
            QCOMPARE(Rows(list_), kBeijing);
        }
        QCOMPARE(tree_->selectedItems(), QList<QTreeWidgetItem*>{Province("天津")});

        ClickEmptySpace(tree_);
        QCOMPARE(Rows(list_), kTianjin);
    }

    void otherClicksChangeNothing_data() {
        QTest::addColumn<int>("kind");
        QTest::newRow("secondary button") << 0;
        QTest::newRow("middle button") << 1;
        QTest::newRow("released outside the tree") << 2;
    }

    // Only a primary-button click pressed and released over the tree lists; the others neither list
    // nor move the selection.
    void otherClicksChangeNothing() {
        QFETCH(int, kind);
        QTreeWidgetItem* beijing = Province("北京");
        ClickNode(tree_, beijing);
        QTreeWidgetItem* tianjin = Province("天津");
        const QPoint onTianjin = tree_->visualItemRect(tianjin).center();
        switch (kind) {
            case 0:
                ClickNode(tree_, tianjin, Qt::RightButton);
                break;
            case 1:
                ClickNode(tree_, tianjin, Qt::MiddleButton);
                break;
            default:
                QTest::mousePress(tree_->viewport(), Qt::LeftButton, {}, onTianjin);
                QTest::mouseRelease(tree_->viewport(), Qt::LeftButton, {}, QPoint(-20, onTianjin.y()));
                break;
        }
        QCOMPARE(Rows(list_), kBeijing);
        if (kind != 2) QCOMPARE(tree_->selectedItems(), QList<QTreeWidgetItem*>{beijing});
    }

    void fileChangesShowAtTheNextClick_data() {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QList<QStringList>>("rows");
        QTest::newRow("a value edited")
            << "和平区=022-300041"
            << "和平区=022-300099\n河西区=022-300202"
            << Rows({{"天津", "和平区", "022", "300099"}, {"天津", "河西区", "022", "300202"}});
        QTest::newRow("the section emptied") << "和平区=022-300041"
                                             << "" << Rows({});
        QTest::newRow("the section renamed") << "[天津]"
                                             << "[天津市]" << Rows({});
        QTest::newRow("the province list changed") << "sel=北京,天津,"
                                                   << "sel=天津,北京," << kTianjin;
    }

    // The sections are read at every click, also of the province already selected; the tree keeps
    // the province list read at start-up.
    void fileChangesShowAtTheNextClick() {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QList<QStringList>, rows);
        QTreeWidgetItem* tianjin = Province("天津");
        ClickNode(tree_, tianjin);
        QCOMPARE(Rows(list_), kTianjin);
        QString changed = kDirectory;
        changed.replace(from, to);
        QVERIFY(changed != kDirectory);
        WriteIni(*dir_, changed);

        ClickNode(tree_, tianjin);
        QCOMPARE(Rows(list_), rows);
        QCOMPARE(root_->child(0)->text(0), QStringLiteral("北京"));
    }

    void provinceWithoutRows_data() {
        QTest::addColumn<QString>("province");
        QTest::addColumn<bool>("deleteFile");
        QTest::newRow("an empty section") << "空省" << false;
        QTest::newRow("no section") << "无节" << false;
        QTest::newRow("the file deleted") << "北京" << true;
    }

    // The list is emptied and stays empty, without a message.
    void provinceWithoutRows() {
        QFETCH(QString, province);
        QFETCH(bool, deleteFile);
        ClickNode(tree_, Province("天津"));
        QCOMPARE(Rows(list_), kTianjin);
        if (deleteFile) std::filesystem::remove(ini_);
        BoxWatcher boxes;
        ClickNode(tree_, Province(qPrintable(province)));
        QCOMPARE(Rows(list_), Rows({}));
        QTest::qWait(20);
        QCOMPARE(boxes.seen().count, 0);
    }

    // A name GBK cannot decode shows with a replacement character, and its section is still found:
    // the node keeps the file's bytes, which no re-encoding of the shown text would give back.
    void provinceNameWithBytesGbkLacks() {
        window_.reset();
        const std::string file =
            "[lei]\nsel=a\xFF"
            "b,\n[a\xFF"
            "b]\nk\xFF=1\xFF"
            "-2\n";
        ini_ = dir_->Write("tesmar.ini", file);
        window_ = std::make_unique<TForm1>(ini_);
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
        tree_ = Find<QTreeWidget>(window_.get(), "tree1");
        list_ = Find<QTreeView>(window_.get(), "lview1");
        root_ = tree_->topLevelItem(0);
        ClickExpandButton(tree_, root_);

        ClickNode(tree_, Province("a\uFFFDb"));
        QCOMPARE(Rows(list_), Rows({{"a\uFFFDb", "k\uFFFD", "1\uFFFD", "2"}}));
    }

private:
    QTreeWidgetItem* Province(const char* utf8) const {
        const QString name = QString::fromUtf8(utf8);
        for (int i = 0; i < root_->childCount(); ++i) {
            if (root_->child(i)->text(0) == name) return root_->child(i);
        }
        qFatal("no province %s", utf8);
    }

    std::unique_ptr<TempDir> dir_;
    std::string ini_;
    std::unique_ptr<TForm1> window_;
    QTreeWidget* tree_ = nullptr;
    QTreeView* list_ = nullptr;
    QTreeWidgetItem* root_ = nullptr;
};

QTEST_MAIN(BrowsingTest)
#include "browsing_test.moc"
