#include "x11_frame.h"

#include <QGuiApplication>
#include <QWindow>

#include <xcb/xcb.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>

namespace platform {

namespace {

// Replies from xcb are malloc'd.
template <typename Reply> using XcbReply = std::unique_ptr<Reply, decltype(&std::free)>;

template <typename Reply> XcbReply<Reply> owned(Reply* reply) {
    return XcbReply<Reply>(reply, &std::free);
}

xcb_connection_t* x11Connection() {
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

xcb_intern_atom_cookie_t askAtom(xcb_connection_t* connection, const char* name) {
    return xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name);
}

xcb_atom_t atom(xcb_connection_t* connection, xcb_intern_atom_cookie_t cookie) {
    const auto reply = owned(xcb_intern_atom_reply(connection, cookie, nullptr));
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

xcb_window_t rootOf(xcb_connection_t* connection, xcb_get_geometry_cookie_t geometry) {
    const auto reply = owned(xcb_get_geometry_reply(connection, geometry, nullptr));
    return reply ? reply->root : xcb_window_t{XCB_WINDOW_NONE};
}

// Whether the running window manager lists `wanted` in the root window's _NET_SUPPORTED.
bool windowManagerSupports(xcb_connection_t* connection, xcb_window_t root, xcb_atom_t supported,
                           xcb_atom_t wanted) {
    const auto reply = owned(xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, root, supported, XCB_ATOM_ATOM, 0, 4096),
        nullptr));
    if (!reply || reply->type != XCB_ATOM_ATOM || reply->format != 32)
        return false;
    const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
    const int count = xcb_get_property_value_length(reply.get()) / 4;
    return std::find(atoms, atoms + count, wanted) != atoms + count;
}

std::optional<QMargins> frameExtents(xcb_connection_t* connection, xcb_window_t window,
                                     xcb_atom_t extents) {
    const auto reply = owned(xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, window, extents, XCB_ATOM_CARDINAL, 0, 4),
        nullptr));
    if (!reply || reply->type != XCB_ATOM_CARDINAL || reply->format != 32 ||
        xcb_get_property_value_length(reply.get()) != 16)
        return std::nullopt;
    // Left, right, top, bottom.
    const auto* edges = static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
    return QMargins(static_cast<int>(edges[0]), static_cast<int>(edges[2]),
                    static_cast<int>(edges[1]), static_cast<int>(edges[3]));
}

} // namespace

void askForFixedFrameWithCloseOnly(QWindow& window) {
    xcb_connection_t* connection = x11Connection();
    if (connection == nullptr)
        return;
    constexpr std::uint32_t kFunctionsGiven = 1, kDecorationsGiven = 2;
    constexpr std::uint32_t kMove = 4, kClose = 32;
    constexpr std::uint32_t kBorder = 2, kTitle = 8, kMenu = 16;
    // Flags, functions, decorations, input mode, status.
    const std::array<std::uint32_t, 5> hints = {kFunctionsGiven | kDecorationsGiven, kMove | kClose,
                                                kBorder | kTitle | kMenu, 0, 0};
    const xcb_atom_t motifHints = atom(connection, askAtom(connection, "_MOTIF_WM_HINTS"));
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE,
                        static_cast<xcb_window_t>(window.winId()), motifHints, motifHints, 32,
                        static_cast<std::uint32_t>(hints.size()), hints.data());
    xcb_flush(connection);
}

std::optional<QMargins> frameExtentsBeforeShowing(QWindow& window,
                                                  std::chrono::milliseconds timeout) {
    xcb_connection_t* connection = x11Connection();
    if (connection == nullptr)
        return std::nullopt;
    const auto id = static_cast<xcb_window_t>(window.winId());
    // All questions at once, then the answers: one round trip to the server instead of four.
    const xcb_get_geometry_cookie_t geometry = xcb_get_geometry(connection, id);
    const xcb_intern_atom_cookie_t supportedCookie = askAtom(connection, "_NET_SUPPORTED");
    const xcb_intern_atom_cookie_t requestCookie =
        askAtom(connection, "_NET_REQUEST_FRAME_EXTENTS");
    const xcb_intern_atom_cookie_t extentsCookie = askAtom(connection, "_NET_FRAME_EXTENTS");
    const xcb_window_t root = rootOf(connection, geometry);
    const xcb_atom_t supported = atom(connection, supportedCookie);
    const xcb_atom_t request = atom(connection, requestCookie);
    const xcb_atom_t extents = atom(connection, extentsCookie);
    if (root == XCB_WINDOW_NONE || !windowManagerSupports(connection, root, supported, request))
        return std::nullopt;

    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = id;
    message.type = request;
    xcb_send_event(connection, 0, root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&message));
    xcb_flush(connection);

    // The answer is a property on the window; the window manager sets it within a few
    // milliseconds. Each look is one round trip to the server.
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (auto margins = frameExtents(connection, id, extents))
            return margins;
        if (std::chrono::steady_clock::now() >= deadline)
            return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

} // namespace platform
