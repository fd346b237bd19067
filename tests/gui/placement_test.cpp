// Where the windows come up on a real X display, with a window manager that frames them and without
// one: the main window at its place, the missing-file box and the about dialog centred on the screen
// by their outer size, frame and title bar included. Run by with_x_display.sh; TELVANE_WINDOW_MANAGER
// says whether it started one.
#include <QPushButton>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include "gui_test_support.h"
#include "ui/Unit2.h"
#include "ui/frm_main.h"

using namespace telvane::testing;

namespace {

bool WindowManager() {
    return qEnvironmentVariableIntValue("TELVANE_WINDOW_MANAGER") == 1;
}

bool Framed(const QWidget& window) {
    return window.windowHandle() != nullptr && !window.windowHandle()->frameMargins().isNull();
}

// Waits until the window manager, if there is one, has framed window.
bool WaitForFrame(const QWidget& window) {
    if (!WindowManager()) return true;
    return QTest::qWaitFor([&window] { return Framed(window); }, 5000);
}

}  // namespace

class PlacementTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QCOMPARE(screen.size(), QSize(1024, 768));
    }

    void init() {
        dir_ = std::make_unique<TempDir>();
        ini_ = WriteIni(*dir_, QStringLiteral("[lei]\nsel=北京,\n[北京]\n东城区=010-100010\n"));
    }
    void cleanup() { dir_.reset(); }

    // The main window opens where it was laid out: its frame's corner at 192, 107.
    void mainWindowAtItsPlace() {
        TForm1 window(ini_);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(WaitForFrame(window));
        QTRY_COMPARE(window.frameGeometry().topLeft(), QPoint(192, 107));
        QCOMPARE(Framed(window), WindowManager());
    }

    void missingFileBoxCentred() {
        BoxWatcher boxes;
        TForm1 window(dir_->File("elsewhere/tesmar.ini"));
        const SeenBox& box = boxes.seen();
        QCOMPARE(box.count, 1);
        QCOMPARE(box.framed, WindowManager());
        QCOMPARE(box.centring, QString());
    }

    // Each dialog the about button opens is centred, the second too after the first was moved away.
    void aboutDialogCentred() {
        TForm1 window(ini_);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(WaitForFrame(window));
        auto* about = Find<QPushButton>(&window, "BitBtn1");
        for (int round = 1; round <= 2; ++round) {
            QString centring = QStringLiteral("no dialog");
            bool framed = false;
            QTimer inspect;
            inspect.setSingleShot(true);
            connect(&inspect, &QTimer::timeout, this, [&] {
                auto* dialog = qobject_cast<TForm2*>(QApplication::activeModalWidget());
                if (dialog == nullptr) return;
                const auto closeDialog = qScopeGuard([dialog] { dialog->close(); });
                if (!QTest::qWaitForWindowExposed(dialog) || !WaitForFrame(*dialog)) return;
                // Settled: centred, or left where it is for a while.
                static_cast<void>(
                    QTest::qWaitFor([dialog] { return CentringError(*dialog).isEmpty(); }, 1000));
                framed = Framed(*dialog);
                centring = CentringError(*dialog);
                dialog->move(0, 0);
                QTest::qWait(50);
            });
            inspect.start(0);
            about->click();
            QCOMPARE(framed, WindowManager());
            QCOMPARE(centring, QString());
        }
    }

private:
    std::unique_ptr<TempDir> dir_;
    std::string ini_;
};

QTEST_MAIN(PlacementTest)
#include "placement_test.moc"
