// What the real-window test asks of the X server directly, as a window manager would.
//   x_window size-hints WINDOW      prints "min W H max W H" from the window's WM_NORMAL_HINTS
//   x_window motif-hints WINDOW     prints "functions F decorations D" from _MOTIF_WM_HINTS, each
//                                   the names of the bits given, or "all" when none are given
//   x_window allowed-actions WINDOW prints the window manager's _NET_WM_ALLOWED_ACTIONS
//   x_window frame WINDOW           prints "client X Y W H frame L R T B": the client area on the
//                                   screen and the frame's edges from _NET_FRAME_EXTENTS (0
//                                   without)
//   x_window wm-name                prints the running window manager's name; fails without one
//   x_window watch                  prints "ready", then "map W" and "configure W X Y WIDTH HEIGHT"
//                                   for each top-level window mapped or moved, until it is ended
//   x_window top-level WINDOW       prints the root's child that holds the window: its frame
//   x_window maximise WINDOW        asks the window manager to maximise the window, as a pager does
//   x_window close WINDOW           sends the WM_DELETE_WINDOW request of a title bar's close
//   button
// xdotool has no way to send the last: its windowclose destroys the window instead.

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

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

// A property's 32-bit items, or none when the window lacks it.
std::vector<unsigned long> longs(Display* display, Window window, const char* name, Atom type) {
    std::vector<unsigned long> items;
    Atom actualType = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    const Atom property = XInternAtom(display, name, False);
    if (XGetWindowProperty(display, window, property, 0, 1024, False, type, &actualType, &format,
                           &count, &after, &data) == Success &&
        data != nullptr) {
        if (format == 32 && actualType == type) {
            const auto* values = reinterpret_cast<const unsigned long*>(data);
            items.assign(values, values + count);
        }
        XFree(data);
    }
    return items;
}

std::string bitNames(unsigned long bits,
                     std::initializer_list<std::pair<unsigned long, const char*>> names) {
    std::string text;
    for (const auto& [bit, name] : names) {
        if (bits & bit)
            text += std::string(text.empty() ? "" : ",") + name;
    }
    return text.empty() ? "none" : text;
}

int motifHints(Display* display, Window window) {
    const Atom type = XInternAtom(display, "_MOTIF_WM_HINTS", False);
    const std::vector<unsigned long> hints = longs(display, window, "_MOTIF_WM_HINTS", type);
    if (hints.size() < 3) {
        std::printf("functions all decorations all\n");
        return 0;
    }
    // A function bit of 1 (all) means every function but those named; the same for decorations.
    const std::string functions = (hints[0] & 1) ? bitNames(hints[1], {{1, "all-but"},
                                                                       {2, "resize"},
                                                                       {4, "move"},
                                                                       {8, "minimize"},
                                                                       {16, "maximize"},
                                                                       {32, "close"}})
                                                 : "all";
    const std::string decorations = (hints[0] & 2) ? bitNames(hints[2], {{1, "all-but"},
                                                                         {2, "border"},
                                                                         {4, "resizeh"},
                                                                         {8, "title"},
                                                                         {16, "menu"},
                                                                         {32, "minimize"},
                                                                         {64, "maximize"}})
                                                   : "all";
    std::printf("functions %s decorations %s\n", functions.c_str(), decorations.c_str());
    return 0;
}

int allowedActions(Display* display, Window window) {
    const std::vector<unsigned long> actions =
        longs(display, window, "_NET_WM_ALLOWED_ACTIONS", XA_ATOM);
    std::string text;
    for (const unsigned long action : actions) {
        char* name = XGetAtomName(display, static_cast<Atom>(action));
        if (name != nullptr) {
            text += std::string(text.empty() ? "" : " ") + name;
            XFree(name);
        }
    }
    std::printf("%s\n", text.c_str());
    return 0;
}

int frame(Display* display, Window window) {
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(display, window, &attributes)) {
        std::fprintf(stderr, "window 0x%lx has no attributes\n", window);
        return 1;
    }
    int x = 0;
    int y = 0;
    Window child = None;
    XTranslateCoordinates(display, window, attributes.root, 0, 0, &x, &y, &child);
    std::vector<unsigned long> edges = longs(display, window, "_NET_FRAME_EXTENTS", XA_CARDINAL);
    edges.resize(4, 0);
    std::printf("client %d %d %d %d frame %lu %lu %lu %lu\n", x, y, attributes.width,
                attributes.height, edges[0], edges[1], edges[2], edges[3]);
    return 0;
}

int windowManagerName(Display* display) {
    const Window root = DefaultRootWindow(display);
    const std::vector<unsigned long> check =
        longs(display, root, "_NET_SUPPORTING_WM_CHECK", XA_WINDOW);
    if (check.empty()) {
        std::fprintf(stderr, "no window manager runs\n");
        return 1;
    }
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    const Atom name = XInternAtom(display, "_NET_WM_NAME", False);
    Atom actualType = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, static_cast<Window>(check[0]), name, 0, 256, False, utf8,
                           &actualType, &format, &count, &after, &data) != Success ||
        data == nullptr) {
        std::fprintf(stderr, "the window manager gives no name\n");
        return 1;
    }
    std::printf("%.*s\n", static_cast<int>(count), reinterpret_cast<const char*>(data));
    XFree(data);
    return 0;
}

int watch(Display* display) {
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    XSync(display, False);
    std::printf("ready\n");
    std::fflush(stdout);
    for (;;) {
        XEvent event{};
        XNextEvent(display, &event);
        if (event.type == MapNotify) {
            std::printf("map 0x%lx\n", event.xmap.window);
        } else if (event.type == ConfigureNotify) {
            const XConfigureEvent& configure = event.xconfigure;
            std::printf("configure 0x%lx %d %d %d %d\n", configure.window, configure.x, configure.y,
                        configure.width, configure.height);
        }
        std::fflush(stdout);
    }
}

int topLevel(Display* display, Window window) {
    for (;;) {
        Window root = None;
        Window parent = None;
        Window* children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(display, window, &root, &parent, &children, &count)) {
            std::fprintf(stderr, "window 0x%lx is gone\n", window);
            return 1;
        }
        if (children != nullptr)
            XFree(children);
        if (parent == root || parent == None) {
            std::printf("0x%lx\n", window);
            return 0;
        }
        window = parent;
    }
}

int maximiseRequest(Display* display, Window window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "_NET_WM_STATE", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = 1; // add
    event.xclient.data.l[1] =
        static_cast<long>(XInternAtom(display, "_NET_WM_STATE_MAXIMIZED_VERT", False));
    event.xclient.data.l[2] =
        static_cast<long>(XInternAtom(display, "_NET_WM_STATE_MAXIMIZED_HORZ", False));
    event.xclient.data.l[3] = 2; // from a pager or the like: the user's own request
    if (!XSendEvent(display, DefaultRootWindow(display), False,
                    SubstructureRedirectMask | SubstructureNotifyMask, &event)) {
        std::fprintf(stderr, "sending the maximise request for window 0x%lx failed\n", window);
        return 1;
    }
    XSync(display, False);
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
    const std::string command = argc >= 2 ? argv[1] : "";
    const bool onWindow = command == "size-hints" || command == "motif-hints" ||
                          command == "allowed-actions" || command == "frame" ||
                          command == "top-level" || command == "maximise" || command == "close";
    const bool onScreen = command == "wm-name" || command == "watch";
    if (!(onWindow && argc == 3) && !(onScreen && argc == 2)) {
        std::fprintf(stderr,
                     "usage: %s size-hints|motif-hints|allowed-actions|frame|top-level|maximise|"
                     "close WINDOW\n"
                     "       %s wm-name|watch\n",
                     argv[0], argv[0]);
        return 2;
    }
    Window window = None;
    if (onWindow) {
        char* end = nullptr;
        errno = 0;
        const unsigned long id = std::strtoul(argv[2], &end, 0);
        if (errno != 0 || end == argv[2] || *end != '\0' || id == 0) {
            std::fprintf(stderr, "%s: not a window id\n", argv[2]);
            return 2;
        }
        window = id;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "cannot open display \"%s\"\n", XDisplayName(nullptr));
        return 1;
    }
    int status = 0;
    if (command == "size-hints")
        status = sizeHints(display, window);
    else if (command == "motif-hints")
        status = motifHints(display, window);
    else if (command == "allowed-actions")
        status = allowedActions(display, window);
    else if (command == "frame")
        status = frame(display, window);
    else if (command == "wm-name")
        status = windowManagerName(display);
    else if (command == "watch")
        status = watch(display);
    else if (command == "top-level")
        status = topLevel(display, window);
    else if (command == "maximise")
        status = maximiseRequest(display, window);
    else
        status = closeRequest(display, window);
    XCloseDisplay(display);
    return status;
}
