// Sends a window the window manager's ping (_NET_WM_PING) and waits for its
// client's answer, as a window manager tells a program that has stopped
// answering. Usage: kaskad_window_ping WINDOW_ID TIMEOUT_MS. Prints the
// milliseconds the answer took; exits 0 when it came in time, 1 when not,
// 2 on a usage error or without a display, 3 when the window was gone or
// went away before answering (its program ending), which no answer follows.
#include <xcb/xcb.h>

#include <poll.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

namespace {

struct Disconnect {
    void operator()(xcb_connection_t* connection) const { xcb_disconnect(connection); }
};
using Connection = std::unique_ptr<xcb_connection_t, Disconnect>;

xcb_atom_t atom(xcb_connection_t* connection, const std::string& name)
{
    const xcb_intern_atom_cookie_t cookie =
        xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(name.size()), name.c_str());
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(connection, cookie, nullptr), &std::free);
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

enum class Outcome { answered, unanswered, windowGone };

// What `event` tells of the ping `token` sent to `window`, if anything.
std::optional<Outcome> outcomeOf(const xcb_generic_event_t& event, xcb_atom_t ping, std::uint32_t token,
                                 xcb_window_t window)
{
    switch (event.response_type & 0x7f) {
    case XCB_CLIENT_MESSAGE: {
        const auto& message = reinterpret_cast<const xcb_client_message_event_t&>(event);
        if (message.data.data32[0] == ping && message.data.data32[1] == token && message.data.data32[2] == window)
            return Outcome::answered;
        return std::nullopt;
    }
    case XCB_DESTROY_NOTIFY:
        if (reinterpret_cast<const xcb_destroy_notify_event_t&>(event).window == window)
            return Outcome::windowGone;
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

// Waits up to `timeout` for the answer or the window's end.
Outcome awaitAnswer(xcb_connection_t* connection, xcb_atom_t ping, std::uint32_t token, xcb_window_t window,
                    std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    pollfd descriptor{xcb_get_file_descriptor(connection), POLLIN, 0};
    for (;;) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) {
            const std::optional<Outcome> outcome = outcomeOf(*event, ping, token, window);
            std::free(event);
            if (outcome)
                return *outcome;
        }
        if (xcb_connection_has_error(connection))
            return Outcome::unanswered;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return Outcome::unanswered;
        poll(&descriptor, 1, static_cast<int>(left.count()));
    }
}

// Whether a request failed, which for a request on a window means that it
// no longer exists.
bool failed(xcb_connection_t* connection, xcb_void_cookie_t cookie)
{
    xcb_generic_error_t* error = xcb_request_check(connection, cookie);
    std::free(error);
    return error != nullptr;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: kaskad_window_ping WINDOW_ID TIMEOUT_MS\n");
        return 2;
    }
    const auto window = static_cast<xcb_window_t>(std::strtoul(argv[1], nullptr, 0));
    const std::chrono::milliseconds timeout(std::strtol(argv[2], nullptr, 10));
    int screenNumber = 0;
    Connection connection(xcb_connect(nullptr, &screenNumber));
    if (xcb_connection_has_error(connection.get())) {
        std::fprintf(stderr, "kaskad_window_ping: no X display\n");
        return 2;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection.get())).data->root;
    // The client answers by sending the message back to the root window,
    // for those selecting its structure or substructure events (Qt the
    // former, other toolkits the latter).
    const std::uint32_t rootMask = XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection.get(), root, XCB_CW_EVENT_MASK, &rootMask);
    // The window's own end, which a program quitting brings while the ping
    // is on its way and which leaves the ping unanswered.
    const std::uint32_t windowMask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    if (failed(connection.get(),
               xcb_change_window_attributes_checked(connection.get(), window, XCB_CW_EVENT_MASK, &windowMask))) {
        std::printf("0\n");
        return 3;
    }

    const xcb_atom_t ping = atom(connection.get(), "_NET_WM_PING");
    const auto token = static_cast<std::uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = atom(connection.get(), "WM_PROTOCOLS");
    message.data.data32[0] = ping;
    message.data.data32[1] = token;
    message.data.data32[2] = window;
    const auto sent = std::chrono::steady_clock::now();
    const bool delivered =
        !failed(connection.get(), xcb_send_event_checked(connection.get(), 0, window, XCB_EVENT_MASK_NO_EVENT,
                                                         reinterpret_cast<const char*>(&message)));
    const Outcome outcome =
        delivered ? awaitAnswer(connection.get(), ping, token, window, timeout) : Outcome::windowGone;
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - sent);
    std::printf("%lld\n", static_cast<long long>(took.count()));
    switch (outcome) {
    case Outcome::answered:
        return 0;
    case Outcome::unanswered:
        return 1;
    case Outcome::windowGone:
        return 3;
    }
    return 1;
}
