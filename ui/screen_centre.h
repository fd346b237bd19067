// Centring a window on the screen by its outer size, frame and title bar included.
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

// Centres window, a top-level widget, on the primary screen (task bars and panels included) by
// CentredOrigin, applied to the window as the user sees it: frame and title bar included. Call it once
// the window has its final size and before the window system shows it, as from showEvent().
//
// The window system frames a window only once it is shown, and only then says how thick the frame is.
// Until then the frame of the window's parent (or of the active window) stands in for it, as windows
// of one program are usually framed alike, and no frame when there is neither. Once the window system
// reports the real frame, the window is centred again for it, and kept there for a moment against the
// window manager's own placing.
void CentreOnScreen(QWidget* window);

}  // namespace telvane
