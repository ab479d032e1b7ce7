// Starts a program on the X display named by DISPLAY and measures three things:
//  - the time from just before the process is spawned until the window manager maps its window;
//  - the time from the same start until the window first shows its content: the first of the
//    window's images, read back from the server as fast as it answers, that matches the image the
//    window settles on (a blinking caret aside);
//  - its resident memory (VmRSS) once the window is up and the process has gone idle.
// Prints one line of JSON: {"map_ms": ..., "drawn_ms": ..., "rss_kib": ..., "settle_ms": ...}.
// Exits non-zero, with the reason on standard error, when the window does not appear in time.
//
// usage: start_probe PROGRAM [ARGUMENTS...]
//
// A window manager reparents a client's window into its frame before mapping it, so MapNotify for
// the client's window reaches the root's SubstructureNotify only when nothing reparented it. Each
// new top-level window is therefore watched itself (StructureNotify) from its CreateNotify on,
// and the first map of one whose _NET_WM_PID is the child's ends the wait.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <poll.h>
#include <set>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>
#include <xcb/xcb.h>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::duration<double, std::milli>;

constexpr auto kMapTimeout = std::chrono::seconds(30);
// Idle: the process used no CPU time over this span.
constexpr auto kQuietSpan = std::chrono::milliseconds(300);
constexpr auto kSettleLimit = std::chrono::seconds(10);
// Drawn: the image has not changed over this span, and it is the one the window settled on.
constexpr auto kStillSpan = std::chrono::milliseconds(300);
// Images differing from the settled one in no more pixels than this match it: a text box's caret.
constexpr double kCaretShare = 0.005;

template <typename T> using Reply = std::unique_ptr<T, decltype(&std::free)>;

[[noreturn]] void fail(const std::string& message, pid_t child = 0) {
    std::fprintf(stderr, "start_probe: %s\n", message.c_str());
    if (child > 0) {
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
    }
    std::exit(2);
}

xcb_atom_t internAtom(xcb_connection_t* connection, const char* name) {
    Reply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, std::strlen(name), name),
                              nullptr),
        &std::free);
    if (!reply) {
        fail(std::string("cannot intern ") + name);
    }
    return reply->atom;
}

std::optional<std::uint32_t> windowPid(xcb_connection_t* connection, xcb_window_t window,
                                       xcb_atom_t netWmPid) {
    Reply<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(
            connection, xcb_get_property(connection, 0, window, netWmPid, XCB_ATOM_CARDINAL, 0, 1),
            nullptr),
        &std::free);
    if (!reply || reply->format != 32 || xcb_get_property_value_length(reply.get()) != 4) {
        return std::nullopt;
    }
    return *static_cast<std::uint32_t*>(xcb_get_property_value(reply.get()));
}

bool isMapped(xcb_connection_t* connection, xcb_window_t window) {
    Reply<xcb_get_window_attributes_reply_t> reply(
        xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, window),
                                        nullptr),
        &std::free);
    return reply && reply->map_state != XCB_MAP_STATE_UNMAPPED;
}

// A field of /proc/PID/status, in kB, or -1.
long statusField(pid_t pid, const std::string& field) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field + ":", 0) == 0) {
            return std::strtol(line.c_str() + field.size() + 1, nullptr, 10);
        }
    }
    return -1;
}

// User plus system CPU time in clock ticks, from /proc/PID/stat, or -1.
long long cpuTicks(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const auto end = text.rfind(')'); // the command name may hold spaces and parentheses
    if (end == std::string::npos) {
        return -1;
    }
    // From the state (field 3) on: utime and stime are fields 14 and 15.
    std::istringstream fields(text.substr(end + 1));
    std::string field;
    long long utime = -1, stime = -1;
    for (int number = 3; number <= 15 && fields >> field; ++number) {
        if (number == 14) {
            utime = std::stoll(field);
        } else if (number == 15) {
            stime = std::stoll(field);
        }
    }
    return utime < 0 || stime < 0 ? -1 : utime + stime;
}

// The window's pixels as the server has them, or nothing while it cannot be read.
std::vector<std::uint8_t> windowImage(xcb_connection_t* connection, xcb_window_t window) {
    Reply<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr),
        &std::free);
    if (!geometry) {
        return {};
    }
    Reply<xcb_get_image_reply_t> image(
        xcb_get_image_reply(connection,
                            xcb_get_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, window, 0, 0,
                                          geometry->width, geometry->height, ~0u),
                            nullptr),
        &std::free);
    if (!image) {
        return {};
    }
    const std::uint8_t* data = xcb_get_image_data(image.get());
    return {data, data + xcb_get_image_data_length(image.get())};
}

// How many of the 32-bit pixels differ.
std::size_t pixelsApart(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
    std::size_t apart = 0;
    for (std::size_t at = 0; at + 4 <= a.size(); at += 4) {
        apart += std::memcmp(&a[at], &b[at], 4) != 0;
    }
    return apart;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PROGRAM [ARGUMENTS...]\n", argv[0]);
        return 2;
    }
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection)) {
        fail("cannot connect to the X display in DISPLAY");
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const xcb_atom_t netWmPid = internAtom(connection, "_NET_WM_PID");

    const std::uint32_t rootMask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection, root, XCB_CW_EVENT_MASK, &rootMask);
    // A round trip, so the selection is in force before the child can create anything.
    std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    const auto start = Clock::now();
    if (posix_spawn(&child, argv[1], &actions, nullptr, argv + 1, environ) != 0) {
        fail(std::string("cannot start ") + argv[1]);
    }
    posix_spawn_file_actions_destroy(&actions);

    std::set<xcb_window_t> watched;
    std::optional<Clock::time_point> mapped;
    xcb_window_t window = XCB_NONE;
    const std::uint32_t windowMask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    const auto belongsToChild = [&](xcb_window_t window) {
        const auto pid = windowPid(connection, window, netWmPid);
        return pid && static_cast<pid_t>(*pid) == child;
    };

    while (!mapped) {
        const auto now = Clock::now();
        if (now - start > kMapTimeout) {
            fail("no window of the program was mapped within 30 s", child);
        }
        if (waitpid(child, nullptr, WNOHANG) == child) {
            fail("the program ended before its window was mapped");
        }
        xcb_generic_event_t* event = xcb_poll_for_event(connection);
        if (!event) {
            if (xcb_connection_has_error(connection)) {
                fail("lost the X connection", child);
            }
            pollfd fd{xcb_get_file_descriptor(connection), POLLIN, 0};
            poll(&fd, 1, 100);
            continue;
        }
        const auto seen = Clock::now();
        switch (event->response_type & 0x7F) {
        case XCB_CREATE_NOTIFY: {
            const auto* create = reinterpret_cast<xcb_create_notify_event_t*>(event);
            if (create->parent == root && !create->override_redirect) {
                watched.insert(create->window);
                xcb_change_window_attributes(connection, create->window, XCB_CW_EVENT_MASK,
                                             &windowMask);
                // Mapped before the selection took hold: rare, and then late by one round trip.
                if (isMapped(connection, create->window) && belongsToChild(create->window)) {
                    mapped = Clock::now();
                    window = create->window;
                }
            }
            break;
        }
        case XCB_MAP_NOTIFY: {
            const auto* map = reinterpret_cast<xcb_map_notify_event_t*>(event);
            if (watched.count(map->window) && belongsToChild(map->window)) {
                mapped = seen;
                window = map->window;
            }
            break;
        }
        case XCB_DESTROY_NOTIFY:
            watched.erase(reinterpret_cast<xcb_destroy_notify_event_t*>(event)->window);
            break;
        default:
            break;
        }
        std::free(event);
    }

    // Every distinct image in turn, until one has held still; the first that matches it is the
    // first frame with the content.
    struct Frame {
        Clock::time_point at;
        std::vector<std::uint8_t> pixels;
    };
    std::vector<Frame> frames;
    for (;;) {
        const auto now = Clock::now();
        if (now - *mapped > kSettleLimit) {
            fail("the window's image did not settle within 10 s", child);
        }
        std::vector<std::uint8_t> pixels = windowImage(connection, window);
        if (frames.empty() || pixels != frames.back().pixels) {
            frames.push_back({now, std::move(pixels)});
        } else if (now - frames.back().at > kStillSpan && !frames.back().pixels.empty()) {
            break;
        }
    }
    const auto& settled = frames.back().pixels;
    const auto drawn = std::find_if(frames.begin(), frames.end(), [&](const Frame& frame) {
        return frame.pixels.size() == settled.size() &&
               pixelsApart(frame.pixels, settled) <= kCaretShare * settled.size() / 4;
    });

    // Up and idle: no CPU time used over a quiet span, so the first paint is done.
    const auto settleStart = Clock::now();
    long long ticks = cpuTicks(child);
    for (;;) {
        std::this_thread::sleep_for(kQuietSpan);
        const long long now = cpuTicks(child);
        if (now < 0) {
            fail("the program ended while settling");
        }
        if (now == ticks || Clock::now() - settleStart > kSettleLimit) {
            break;
        }
        ticks = now;
    }
    const long rss = statusField(child, "VmRSS");
    const double settleMs = Milliseconds(Clock::now() - settleStart).count();

    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    xcb_disconnect(connection);
    if (rss < 0) {
        fail("cannot read VmRSS");
    }
    std::printf("{\"map_ms\": %.3f, \"drawn_ms\": %.3f, \"rss_kib\": %ld, \"settle_ms\": %.0f}\n",
                Milliseconds(*mapped - start).count(), Milliseconds(drawn->at - start).count(), rss,
                settleMs);
    return 0;
}
