#include "ui/screen_centre.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QMargins>
#include <QObject>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <algorithm>

namespace telvane {

namespace {

// Whether the window system shows window: from then on it knows the window's frame.
bool Shown(const QWidget* window) {
    const QWindow* handle = window->windowHandle();
    return handle != nullptr && handle->isVisible();
}

// The frame the window system has put around window, or none yet. While the window manager is still
// putting its frame up, Qt can work out margins from a frame not yet sized (negative ones); those
// count as none.
QMargins FrameOf(const QWidget* window) {
    if (!Shown(window)) return QMargins();
    const QMargins frame = window->windowHandle()->frameMargins();
    const bool sane = frame.left() >= 0 && frame.top() >= 0 && frame.right() >= 0 && frame.bottom() >= 0;
    return sane ? frame : QMargins();
}

// The frame window is expected to get: its own once it is shown, else that of its parent's window or
// of the active window.
QMargins ExpectedFrame(const QWidget* window) {
    if (Shown(window)) return FrameOf(window);
    for (const QWidget* other : {window->parentWidget() ? window->parentWidget()->window() : nullptr,
                                 QApplication::activeWindow()}) {
        if (other != nullptr && other != window && Shown(other)) return FrameOf(other);
    }
    return QMargins();
}

// Where window's frame goes for its outer size, with frame, to be centred on the primary screen.
QPoint CentredFrame(const QWidget* window, const QMargins& frame) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? CentredOrigin(screen->geometry(), window->size().grownBy(frame)) : QPoint();
}

// Places window so that its outer size, with frame, is centred on the primary screen. The client area
// is placed, inside the frame: the window system keeps it where it is asked to be and puts the frame
// around it.
void Place(QWidget* window, const QMargins& frame) {
    if (QGuiApplication::primaryScreen() == nullptr) return;
    const QPoint origin = CentredFrame(window, frame);
    window->setGeometry(QRect(origin + QPoint(frame.left(), frame.top()), window->size()));
}

// Keeps a window centred while the window system frames and places it. The frame shows only in the
// events that follow (the window configured, drawn, activated), not in an event of its own, and a
// window manager may place the window itself once it has framed it (openbox centres a dialog on its
// parent). From the moment the frame is known the window is brought back to the centre after each of
// these, for half a second; a move by the user afterwards stays.
class FrameWatcher : public QObject {
public:
    explicit FrameWatcher(QWidget* window) : QObject(window), window_(window) {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != window_ || placing_) return false;
        switch (event->type()) {
            case QEvent::Move:
            case QEvent::Resize:
            case QEvent::UpdateRequest:
            case QEvent::Paint:
            case QEvent::WindowActivate:
            case QEvent::ActivationChange:
                Recentre();
                break;
            default:
                break;
        }
        return false;
    }

private:
    static constexpr int kSettleMilliseconds = 500;

    void Recentre() {
        const QMargins frame = FrameOf(window_);
        if (frame.isNull()) return;
        if (!settling_) {
            settling_ = true;
            QTimer::singleShot(kSettleMilliseconds, this, [this] {
                window_->removeEventFilter(this);
                deleteLater();
            });
        }
        if (window_->windowHandle()->framePosition() == CentredFrame(window_, frame)) return;
        placing_ = true;
        Place(window_, frame);
        placing_ = false;
    }

    QWidget* window_;
    bool settling_ = false;
    bool placing_ = false;
};

}  // namespace

QPoint CentredOrigin(const QRect& screen, const QSize& outer) {
    // C++ division rounds toward zero.
    const int left = std::max(0, (screen.width() - outer.width()) / 2);
    const int top = std::max(0, (screen.height() - outer.height()) / 2);
    return screen.topLeft() + QPoint(left, top);
}

void CentreOnScreen(QWidget* window) {
    Place(window, ExpectedFrame(window));
    if (!Shown(window)) new FrameWatcher(window);
}

}  // namespace telvane
