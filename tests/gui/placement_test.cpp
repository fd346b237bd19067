// Where the windows come up on a real X display, with a window manager that frames them and without
// one: the main window at its place, the missing-file box and the about dialog centred on the screen
// by their outer size, frame and title bar included, each moved onto the screen where it would not fit
// there (as at a large QT_SCALE_FACTOR, which the runs also use); and the about dialog cannot be
// minimised. Run by with_x_display.sh; TELVANE_WINDOW_MANAGER says whether it started one.
#include <QPushButton>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <functional>

#include "gui_test_support.h"
#include "ui/Unit2.h"
#include "ui/frm_main.h"

using namespace telvane::testing;
using telvane::TForm1;
using telvane::TForm2;

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

// The window, frame and title bar included, as the window system reports it now.
QRect Outer(const QWidget& window) {
    return window.windowHandle() ? window.windowHandle()->frameGeometry() : window.frameGeometry();
}

// How far window, frame included, sits from its place: its top-left corner at origin where the whole
// window fits on the available screen there; else moved just enough to fit, and where it is wider or
// taller than the screen, against its left or top edge. Empty when it sits there.
QString PlacementError(const QWidget& window, QPoint origin) {
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect outer = Outer(window);
    const QPoint place(
        std::max(available.left(), std::min(origin.x(), available.right() + 1 - outer.width())),
        std::max(available.top(), std::min(origin.y(), available.bottom() + 1 - outer.height())));
    if (outer.topLeft() == place) return QString();
    return QStringLiteral("%1x%2 at %3,%4 on %5x%6; place: %7,%8")
        .arg(outer.width())
        .arg(outer.height())
        .arg(outer.left())
        .arg(outer.top())
        .arg(available.width())
        .arg(available.height())
        .arg(place.x())
        .arg(place.y());
}

// Whether window is on the screen and not minimised.
bool Up(const QWidget& window) {
    return window.isVisible() && window.windowHandle() && window.windowHandle()->isExposed() &&
           !window.isMinimized();
}

}  // namespace

class PlacementTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
        const QScreen* screen = QGuiApplication::primaryScreen();
        QCOMPARE(screen->geometry().size() * screen->devicePixelRatio(), QSize(1024, 768));
    }

    void init() {
        dir_ = std::make_unique<TempDir>();
        ini_ = WriteIni(*dir_, QStringLiteral("[lei]\nsel=北京,\n[北京]\n东城区=010-100010\n"));
    }
    void cleanup() { dir_.reset(); }

    // The main window opens where it was laid out, its frame's corner at 192, 107, where the screen
    // has room for it there; at twice the scale the screen is too small for that, at four times too
    // small for the window, and the window is moved onto it.
    void mainWindowAtItsPlace() {
        TForm1 window(ini_);
        QVERIFY(ShowFramed(window));
        QTRY_COMPARE(PlacementError(window, QPoint(192, 107)), QString());
        QCOMPARE(Framed(window), WindowManager());
        const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
        if (Outer(window).width() <= available.width() && Outer(window).height() <= available.height())
            QVERIFY(available.contains(Outer(window)));
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
        QVERIFY(ShowFramed(window));
        for (int round = 1; round <= 2; ++round) {
            QString centring = QStringLiteral("no dialog");
            bool framed = false;
            WithAboutDialog(window, [&](TForm2& dialog) {
                // Settled: centred, or left where it is for a while.
                static_cast<void>(QTest::qWaitFor([&] { return CentringError(dialog).isEmpty(); }, 1000));
                framed = Framed(dialog);
                centring = CentringError(dialog);
                dialog.move(0, 0);
                QTest::qWait(50);
            });
            QCOMPARE(framed, WindowManager());
            QCOMPARE(centring, QString());
        }
    }

    // A request to minimise the about dialog is refused: the dialog shows itself again at once, and
    // the main window, which openbox iconifies with it, comes back with it. The request goes to the
    // window manager as a task bar's does (openbox draws a minimise button on the dialog all the same,
    // and handles a click on it alike).
    void aboutDialogNotMinimised() {
        TForm1 window(ini_);
        QVERIFY(ShowFramed(window));
        QString seen = QStringLiteral("no dialog");
        WithAboutDialog(window, [&](TForm2& dialog) {
            dialog.windowHandle()->showMinimized();
            QTest::qWait(300);  // for the window manager to act on it
            static_cast<void>(QTest::qWaitFor([&] { return Up(dialog) && Up(window); }, 2000));
            seen = QStringLiteral("dialog %1, main window %2")
                       .arg(Up(dialog) ? "up" : "gone", Up(window) ? "up" : "gone");
        });
        QCOMPARE(seen, QStringLiteral("dialog up, main window up"));
        QVERIFY(Up(window));
    }

private:
    // Shows window and waits until it is on the screen, framed where there is a window manager.
    static bool ShowFramed(QWidget& window) {
        window.show();
        return QTest::qWaitForWindowExposed(&window) && WaitForFrame(window);
    }

    // Presses window's about button and hands the dialog to look once it is shown and framed; closes
    // the dialog afterwards.
    void WithAboutDialog(TForm1& window, const std::function<void(TForm2&)>& look) {
        QTimer inspect;
        inspect.setSingleShot(true);
        connect(&inspect, &QTimer::timeout, this, [&] {
            auto* dialog = qobject_cast<TForm2*>(QApplication::activeModalWidget());
            if (dialog == nullptr) return;
            const auto closeDialog = qScopeGuard([dialog] { dialog->close(); });
            if (QTest::qWaitForWindowExposed(dialog) && WaitForFrame(*dialog)) look(*dialog);
        });
        inspect.start(0);
        Find<QPushButton>(&window, "BitBtn1")->click();
    }

private:
    std::unique_ptr<TempDir> dir_;
    std::string ini_;
};

QTEST_MAIN(PlacementTest)
#include "placement_test.moc"
