// Placing a window on the screen by its outer size, frame and title bar included: centred, or at a
// place of its own, and in either case within the part of the screen that task bars and panels leave.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

namespace telvane {

// The top-left corner that centres a window of outer size `outer` on `screen`: left = (screen width -
// window width) / 2 and top = (screen height - window height) / 2, each half rounded toward zero and
// raised to 0 if negative, counted from the screen's own top-left corner.
QPoint CentredOrigin(const QRect& screen, const QSize& outer);

// Where a window of outer size `outer` that asks for the top-left corner `origin` goes within
// `available`: at origin where the whole window fits there; otherwise moved just enough to fit, and
// where it is wider or taller than available, with its left or top edge at available's.
QPoint FittedOrigin(const QRect& available, const QPoint& origin, const QSize& outer);

// Centres window, a top-level widget, on the primary screen (task bars and panels included) by
// CentredOrigin, applied to the window as the user sees it: frame and title bar included; then moves
// it by FittedOrigin into the screen's available area. Call it once the window has its final size and
// before the window system shows it, as from showEvent().
//
// The window system frames a window only once it is shown, and only then says how thick the frame is.
// Until then the frame of the window's parent (or of the active window) stands in for it, as windows
// of one program are usually framed alike, and no frame when there is neither. Once the window system
// reports the real frame, the window is placed again for it, and kept there for a moment against the
// window manager's own placing.
void CentreOnScreen(QWidget* window);

// Puts the top-left corner of window's frame at origin, moved by FittedOrigin into the available area
// of the primary screen, so that the whole window can be reached; placed again, as CentreOnScreen does,
// once the window system reports the frame. Call it once the window has its final size.
void PlaceOnScreen(QWidget* window, const QPoint& origin);

}  // namespace telvane
