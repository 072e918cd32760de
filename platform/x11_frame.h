#pragma once

#include <QMargins>

#include <chrono>
#include <optional>

class QWindow;

namespace platform {

// Tells an X11 window manager, in the Motif hints that most of them read, that the window may be
// moved and closed, but not resized, minimised or maximised, and that its title bar carries the
// window menu and the close button only. Qt's own Motif hints always allow resizing, leaving the
// fixed size to the size hints alone. Does nothing off X11. The window must have been created
// and not yet shown.
void askForFixedFrameWithCloseOnly(QWindow& window);

// The frame that the window manager will put around the window, asked for before the window is
// first shown (_NET_REQUEST_FRAME_EXTENTS): the width of its left, top, right and bottom edges.
// Waits up to `timeout` for the answer. Empty off X11, without a window manager that offers the
// request, or when no answer comes in time.
std::optional<QMargins> frameExtentsBeforeShowing(QWindow& window,
                                                  std::chrono::milliseconds timeout);

} // namespace platform
