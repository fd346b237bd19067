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
#include <functional>
#include <utility>

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

// Where the frame of a window goes, given the primary screen and the window's outer size.
using Rule = std::function<QPoint(const QScreen& screen, const QSize& outer)>;

// Where window's frame goes by rule, for its outer size with frame, within the primary screen's
// available area.
QPoint FrameOrigin(const QWidget* window, const QMargins& frame, const Rule& rule) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return window->pos();
    const QSize outer = window->size().grownBy(frame);
    return FittedOrigin(screen->availableGeometry(), rule(*screen, outer), outer);
}

// Places window's frame by rule. The client area is placed, inside the frame: the window system keeps
// it where it is asked to be and puts the frame around it.
void Place(QWidget* window, const QMargins& frame, const Rule& rule) {
    if (QGuiApplication::primaryScreen() == nullptr) return;
    const QPoint origin = FrameOrigin(window, frame, rule);
    window->setGeometry(QRect(origin + QPoint(frame.left(), frame.top()), window->size()));
}

// Keeps a window where rule puts it while the window system frames and places it. The frame shows
// only in the events that follow (the window configured, drawn, activated), not in an event of its
// own, and a window manager may place the window itself once it has framed it (openbox centres a
// dialog on its parent). From the moment the frame is known the window is brought back to its place
// after each of these, for half a second; a move by the user afterwards stays.
class FrameWatcher : public QObject {
public:
    FrameWatcher(QWidget* window, Rule rule) : QObject(window), window_(window), rule_(std::move(rule)) {
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
                PutBack();
                break;
            default:
                break;
        }
        return false;
    }

private:
    static constexpr int kSettleMilliseconds = 500;

    void PutBack() {
        const QMargins frame = FrameOf(window_);
        if (frame.isNull()) return;
        if (!settling_) {
            settling_ = true;
            QTimer::singleShot(kSettleMilliseconds, this, [this] {
                window_->removeEventFilter(this);
                deleteLater();
            });
        }
        if (window_->windowHandle()->framePosition() == FrameOrigin(window_, frame, rule_)) return;
        placing_ = true;
        Place(window_, frame, rule_);
        placing_ = false;
    }

    QWidget* window_;
    Rule rule_;
    bool settling_ = false;
    bool placing_ = false;
};

void PlaceAndWatch(QWidget* window, Rule rule) {
    Place(window, ExpectedFrame(window), rule);
    if (!Shown(window)) new FrameWatcher(window, std::move(rule));
}

}  // namespace

QPoint CentredOrigin(const QRect& screen, const QSize& outer) {
    // C++ division rounds toward zero.
    const int left = std::max(0, (screen.width() - outer.width()) / 2);
    const int top = std::max(0, (screen.height() - outer.height()) / 2);
    return screen.topLeft() + QPoint(left, top);
}

QPoint FittedOrigin(const QRect& available, const QPoint& origin, const QSize& outer) {
    const int left = std::max(available.left(), std::min(origin.x(), available.right() + 1 - outer.width()));
    const int top = std::max(available.top(), std::min(origin.y(), available.bottom() + 1 - outer.height()));
    return QPoint(left, top);
}

void CentreOnScreen(QWidget* window) {
    PlaceAndWatch(window, [](const QScreen& screen, const QSize& outer) {
        return CentredOrigin(screen.geometry(), outer);
    });
}

void PlaceOnScreen(QWidget* window, const QPoint& origin) {
    Rule rule = [origin](const QScreen&, const QSize&) { return origin; };
    // Until the frame is known the window system is asked to put the frame's corner at the place, as
    // it does for a window moved before it is shown; where the place then stands, the frame comes up.
    window->move(FrameOrigin(window, ExpectedFrame(window), rule));
    if (!Shown(window)) new FrameWatcher(window, std::move(rule));
}

}  // namespace telvane
