#include "ui/screen_centre.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QMargins>
#include <QObject>
#include <QScreen>
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

// The frame the window system has put around window, or none yet.
QMargins FrameOf(const QWidget* window) {
    return Shown(window) ? window->windowHandle()->frameMargins() : QMargins();
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

// Places window so that its outer size, with frame, is centred on the primary screen. The client area
// is placed, inside the frame: the window system keeps it where it is asked to be and puts the frame
// around it.
void Place(QWidget* window, const QMargins& frame) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return;
    const QPoint origin = CentredOrigin(screen->geometry(), window->size().grownBy(frame));
    window->setGeometry(QRect(origin + QPoint(frame.left(), frame.top()), window->size()));
}

// Watches a window until the window system has framed it, and centres it again if the frame is not
// the one it was centred for. It tells of the frame only by the events that follow (the window drawn,
// activated, configured), not by an event of its own. A move by the user later does not bring the
// window back to the centre.
class FrameWatcher : public QObject {
public:
    FrameWatcher(QWidget* window, const QMargins& assumed)
        : QObject(window), window_(window), assumed_(assumed) {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != window_) return false;
        switch (event->type()) {
            case QEvent::Move:
            case QEvent::Resize:
            case QEvent::UpdateRequest:
            case QEvent::Paint:
            case QEvent::WindowActivate:
            case QEvent::ActivationChange: {
                const QMargins frame = FrameOf(window_);
                if (frame.isNull()) break;
                if (frame != assumed_) Place(window_, frame);
                window_->removeEventFilter(this);
                deleteLater();
                break;
            }
            default:
                break;
        }
        return false;
    }

private:
    QWidget* window_;
    QMargins assumed_;
};

}  // namespace

QPoint CentredOrigin(const QRect& screen, const QSize& outer) {
    // C++ division rounds toward zero.
    const int left = std::max(0, (screen.width() - outer.width()) / 2);
    const int top = std::max(0, (screen.height() - outer.height()) / 2);
    return screen.topLeft() + QPoint(left, top);
}

void CentreOnScreen(QWidget* window) {
    const QMargins frame = ExpectedFrame(window);
    Place(window, frame);
    if (!Shown(window)) new FrameWatcher(window, frame);
}

}  // namespace telvane
