#include "drawn_window_watch.h"

#include <QRegion>

#include <map>
#include <stdexcept>

#include <poll.h>
#include <sys/wait.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xdamage.h>

namespace {

// A window of the probed program may go away between its creation and our request about it.
int ignoreErrors(Display*, XErrorEvent*) {
    return 0;
}

bool childEnded(pid_t child) {
    siginfo_t info{};
    return waitid(P_PID, static_cast<id_t>(child), &info, WEXITED | WNOHANG | WNOWAIT) != 0 ||
           info.si_pid != 0;
}

} // namespace

struct DrawnWindowWatch::Server {
    struct Tracked {
        QRect geometry;
        bool mapped = false;
        QRegion drawn;
        Damage damage = 0;
    };

    Display* display = nullptr;
    int damageEvent = 0;
    std::map<::Window, Tracked> windows;

    static bool wholeDrawn(const Tracked& window) {
        const QRegion whole(QRect(QPoint(0, 0), window.geometry.size()));
        return window.mapped && !whole.isEmpty() && whole.subtracted(window.drawn).isEmpty();
    }

    QString title(::Window window) const {
        char* name = nullptr;
        QString result;
        if (XFetchName(display, window, &name) != 0 && name != nullptr) {
            result = QString::fromLocal8Bit(name);
            XFree(name);
        }
        if (result.isEmpty()) {
            XTextProperty property{};
            if (XGetWMName(display, window, &property) != 0 && property.value != nullptr) {
                result = QString::fromUtf8(reinterpret_cast<const char*>(property.value),
                                           static_cast<int>(property.nitems));
                XFree(property.value);
            }
        }
        return result;
    }
};

DrawnWindowWatch::DrawnWindowWatch(const QString& display)
    : server_(std::make_unique<Server>()) {
    server_->display = XOpenDisplay(display.toLocal8Bit().constData());
    if (server_->display == nullptr)
        throw std::runtime_error("cannot connect to X display " + display.toStdString());
    int damageError = 0;
    if (!XDamageQueryExtension(server_->display, &server_->damageEvent, &damageError)) {
        XCloseDisplay(server_->display);
        throw std::runtime_error("the X server has no DAMAGE extension");
    }
    XSetErrorHandler(ignoreErrors);
    XSelectInput(server_->display, DefaultRootWindow(server_->display), SubstructureNotifyMask);
    XSync(server_->display, False);
}

DrawnWindowWatch::~DrawnWindowWatch() {
    XCloseDisplay(server_->display);
}

void DrawnWindowWatch::reset() {
    XSync(server_->display, False);
    while (XPending(server_->display) > 0) {
        XEvent event;
        XNextEvent(server_->display, &event);
    }
    server_->windows.clear();
}

std::optional<DrawnWindowWatch::Drawn>
DrawnWindowWatch::waitDrawn(pid_t child, std::chrono::milliseconds limit) {
    Display* display = server_->display;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        if (XPending(display) == 0) {
            if (childEnded(child))
                return std::nullopt;
            pollfd waiting{ConnectionNumber(display), POLLIN, 0};
            ::poll(&waiting, 1, 20);
            continue;
        }
        XEvent event;
        XNextEvent(display, &event);
        const auto heard = std::chrono::steady_clock::now();
        if (event.type == CreateNotify) {
            const XCreateWindowEvent& created = event.xcreatewindow;
            Server::Tracked& tracked = server_->windows[created.window];
            tracked.geometry = QRect(created.x, created.y, created.width, created.height);
            tracked.damage = XDamageCreate(display, created.window, XDamageReportRawRectangles);
            XFlush(display);
            continue;
        }
        if (event.type == server_->damageEvent + XDamageNotify) {
            const auto& damaged = reinterpret_cast<const XDamageNotifyEvent&>(event);
            const auto found = server_->windows.find(damaged.drawable);
            if (found == server_->windows.end())
                continue;
            found->second.drawn +=
                QRect(damaged.area.x, damaged.area.y, damaged.area.width, damaged.area.height);
            if (server_->wholeDrawn(found->second))
                return Drawn{heard, found->second.geometry, server_->title(found->first)};
            continue;
        }
        ::Window window = 0;
        if (event.type == MapNotify)
            window = event.xmap.window;
        else if (event.type == ConfigureNotify)
            window = event.xconfigure.window;
        const auto found = server_->windows.find(window);
        if (found == server_->windows.end())
            continue;
        if (event.type == MapNotify) {
            found->second.mapped = true;
        } else {
            const XConfigureEvent& configured = event.xconfigure;
            found->second.geometry =
                QRect(configured.x, configured.y, configured.width, configured.height);
        }
        if (server_->wholeDrawn(found->second))
            return Drawn{heard, found->second.geometry, server_->title(found->first)};
    }
    return std::nullopt;
}
