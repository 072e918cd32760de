// What the real-window test asks of the X server directly, as a window manager would.
//   x_window size-hints WINDOW  prints "min W H max W H" from the window's WM_NORMAL_HINTS
//   x_window close WINDOW       sends the WM_DELETE_WINDOW request of a title bar's close button
// xdotool has no way to send the latter: its windowclose destroys the window instead.

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

int sizeHints(Display* display, Window window) {
    XSizeHints hints{};
    long supplied = 0;
    if (!XGetWMNormalHints(display, window, &hints, &supplied)) {
        std::fprintf(stderr, "window 0x%lx has no WM_NORMAL_HINTS\n", window);
        return 1;
    }
    const int minWidth = (hints.flags & PMinSize) ? hints.min_width : 0;
    const int minHeight = (hints.flags & PMinSize) ? hints.min_height : 0;
    const int maxWidth = (hints.flags & PMaxSize) ? hints.max_width : 0;
    const int maxHeight = (hints.flags & PMaxSize) ? hints.max_height : 0;
    std::printf("min %d %d max %d %d\n", minWidth, minHeight, maxWidth, maxHeight);
    return 0;
}

int closeRequest(Display* display, Window window) {
    const Atom protocols = XInternAtom(display, "WM_PROTOCOLS", False);
    const Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);

    // A window manager sends the request only to a window that lists it; any other it kills.
    bool listed = false;
    Atom* list = nullptr;
    int count = 0;
    if (XGetWMProtocols(display, window, &list, &count)) {
        for (int i = 0; i < count; ++i)
            listed = listed || list[i] == deleteWindow;
        XFree(list);
    }
    if (!listed) {
        std::fprintf(stderr, "window 0x%lx does not list WM_DELETE_WINDOW in WM_PROTOCOLS\n",
                     window);
        return 1;
    }

    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = protocols;
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(deleteWindow);
    event.xclient.data.l[1] = CurrentTime;
    if (!XSendEvent(display, window, False, NoEventMask, &event)) {
        std::fprintf(stderr, "sending the close request to window 0x%lx failed\n", window);
        return 1;
    }
    XSync(display, False);
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 3 ||
        (std::strcmp(argv[1], "size-hints") != 0 && std::strcmp(argv[1], "close") != 0)) {
        std::fprintf(stderr, "usage: %s size-hints|close WINDOW\n", argv[0]);
        return 2;
    }
    char* end = nullptr;
    errno = 0;
    const unsigned long id = std::strtoul(argv[2], &end, 0);
    if (errno != 0 || end == argv[2] || *end != '\0' || id == 0) {
        std::fprintf(stderr, "%s: not a window id\n", argv[2]);
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "cannot open display \"%s\"\n", XDisplayName(nullptr));
        return 1;
    }
    const Window window = id;
    const int status = std::strcmp(argv[1], "close") == 0 ? closeRequest(display, window)
                                                          : sizeHints(display, window);
    XCloseDisplay(display);
    return status;
}
