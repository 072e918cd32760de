#pragma once

class QWidget;

namespace platform {

// Shows a top-level widget with its outer frame, title bar and borders included, centred in the
// available area of the primary screen. On X11 the frame's size is asked of the window manager
// before the window first shows, so that it appears where it belongs; a window manager that
// does not tell it beforehand sees the window centred again once the frame is known, after the
// first expose.
void showWithFrameCentred(QWidget& window);

} // namespace platform
