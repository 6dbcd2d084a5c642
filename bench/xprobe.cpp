// ksr704-xprobe: measures ksr704-remote from outside, on a real X server.
//
//   ksr704-xprobe now
//       prints CLOCK_MONOTONIC seconds
//   ksr704-xprobe windows --pid PID | --class NAME
//       lists the mapped top-level windows: id, x, y, width, height, pingable, title
//   ksr704-xprobe ping --pid PID | --class NAME [--seconds S] [--out FILE]
//       sends _NET_WM_PING to every mapped window of the process that takes
//       it, one ping outstanding per window, the next 10 ms after the reply;
//       runs for S seconds or until SIGTERM / SIGINT; logs each ping to FILE
//       (default stdout) and prints the longest unanswered time on stderr
//   ksr704-xprobe longest FILE FROM TO
//       from a ping log: the longest time a ping went unanswered within
//       [FROM, TO] (seconds, as `now` prints them) and the pings in the span
//   ksr704-xprobe press [--hold MS] [--gap MS] [--repeat N] X,Y [X,Y ...]
//       XTest button-1 clicks at screen points, in turn, N rounds; prints
//       "press X Y T" with the time taken just before each press is flushed
//   ksr704-xprobe cpu --pid PID [--interval MS] [--out FILE]
//       "T NS" lines: the CPU time of all the process's threads in ns
//       (/proc/PID/task/*/schedstat), every MS until SIGTERM or the process
//       ends; without --interval one line
//
// Ping log lines (times in CLOCK_MONOTONIC seconds):
//   start T | window WIN T TITLE | gone WIN T | ping WIN SENT ANSWERED |
//   open WIN SENT UNTIL (unanswered when the run ended or the window went) | end T

#include <xcb/xcb.h>
#include <xcb/xproto.h>
#include <xcb/xtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <ctime>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <poll.h>

namespace {

double Now()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

void SleepSeconds(double seconds)
{
    if (seconds <= 0)
        return;
    timespec t{};
    t.tv_sec = static_cast<time_t>(seconds);
    t.tv_nsec = static_cast<long>((seconds - static_cast<double>(t.tv_sec)) * 1e9);
    while (nanosleep(&t, &t) != 0 && errno == EINTR) {
    }
}

int Usage()
{
    std::fputs("usage: ksr704-xprobe now\n"
               "       ksr704-xprobe windows --pid PID | --class NAME\n"
               "       ksr704-xprobe ping --pid PID | --class NAME [--seconds S] [--out FILE]\n"
               "       ksr704-xprobe longest FILE FROM TO\n"
               "       ksr704-xprobe press [--hold MS] [--gap MS] [--repeat N] X,Y [X,Y ...]\n"
               "       ksr704-xprobe cpu --pid PID [--interval MS] [--out FILE]\n",
               stderr);
    return 2;
}

template <typename T> struct FreeDeleter {
    void operator()(T *p) const { std::free(p); }
};
template <typename T> using Reply = std::unique_ptr<T, FreeDeleter<T>>;

class Display {
public:
    bool Open()
    {
        int screenNumber = 0;
        conn_ = xcb_connect(nullptr, &screenNumber);
        if (!conn_ || xcb_connection_has_error(conn_)) {
            std::fprintf(stderr, "ksr704-xprobe: cannot open the display\n");
            return false;
        }
        xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(conn_));
        for (int i = 0; i < screenNumber && it.rem; ++i)
            xcb_screen_next(&it);
        root_ = it.data->root;
        wmProtocols_ = Atom("WM_PROTOCOLS");
        netWmPing_ = Atom("_NET_WM_PING");
        netWmPid_ = Atom("_NET_WM_PID");
        netWmName_ = Atom("_NET_WM_NAME");
        utf8_ = Atom("UTF8_STRING");
        return true;
    }
    ~Display()
    {
        if (conn_)
            xcb_disconnect(conn_);
    }

    xcb_connection_t *conn_ = nullptr;
    xcb_window_t root_ = 0;
    xcb_atom_t wmProtocols_ = 0;
    xcb_atom_t netWmPing_ = 0;
    xcb_atom_t netWmPid_ = 0;
    xcb_atom_t netWmName_ = 0;
    xcb_atom_t utf8_ = 0;

    xcb_atom_t Atom(const char *name)
    {
        const auto cookie = xcb_intern_atom(conn_, 0, static_cast<uint16_t>(std::strlen(name)), name);
        const Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(conn_, cookie, nullptr));
        return reply ? reply->atom : 0;
    }
};

// Which windows belong to the measured program.
struct Owner {
    long pid = -1;
    std::string className;
};

struct WindowInfo {
    xcb_window_t id = 0;
    int x = 0, y = 0, width = 0, height = 0;
    bool pingable = false;
    std::string title;
};

std::string Lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

std::string PropertyText(const xcb_get_property_reply_t *reply)
{
    if (!reply || reply->format != 8)
        return {};
    return std::string(static_cast<const char *>(xcb_get_property_value(reply)),
                       static_cast<std::size_t>(xcb_get_property_value_length(reply)));
}

// The mapped windows of the owner, found by walking the window tree from
// the root (the window manager's frames hold the clients one or two levels
// down). Requests of one level go out together.
std::vector<WindowInfo> FindWindows(Display &d, const Owner &owner)
{
    std::vector<WindowInfo> found;
    std::vector<xcb_window_t> level{d.root_};
    for (int depth = 0; depth < 4 && !level.empty(); ++depth) {
        std::vector<xcb_query_tree_cookie_t> trees;
        for (xcb_window_t w : level)
            trees.push_back(xcb_query_tree(d.conn_, w));
        std::vector<xcb_window_t> children;
        for (auto cookie : trees) {
            const Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(d.conn_, cookie, nullptr));
            if (!tree)
                continue;
            const xcb_window_t *c = xcb_query_tree_children(tree.get());
            children.insert(children.end(), c, c + xcb_query_tree_children_length(tree.get()));
        }
        struct Pending {
            xcb_window_t w;
            xcb_get_window_attributes_cookie_t attributes;
            xcb_get_property_cookie_t pid, wmClass, protocols, netName, name;
        };
        std::vector<Pending> pending;
        for (xcb_window_t w : children)
            pending.push_back({w, xcb_get_window_attributes(d.conn_, w),
                               xcb_get_property(d.conn_, 0, w, d.netWmPid_, XCB_ATOM_CARDINAL, 0, 1),
                               xcb_get_property(d.conn_, 0, w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 64),
                               xcb_get_property(d.conn_, 0, w, d.wmProtocols_, XCB_ATOM_ATOM, 0, 32),
                               xcb_get_property(d.conn_, 0, w, d.netWmName_, d.utf8_, 0, 64),
                               xcb_get_property(d.conn_, 0, w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 0, 64)});
        level.clear();
        for (const Pending &p : pending) {
            const Reply<xcb_get_window_attributes_reply_t> attributes(
                xcb_get_window_attributes_reply(d.conn_, p.attributes, nullptr));
            const Reply<xcb_get_property_reply_t> pid(xcb_get_property_reply(d.conn_, p.pid, nullptr));
            const Reply<xcb_get_property_reply_t> wmClass(xcb_get_property_reply(d.conn_, p.wmClass, nullptr));
            const Reply<xcb_get_property_reply_t> protocols(xcb_get_property_reply(d.conn_, p.protocols, nullptr));
            const Reply<xcb_get_property_reply_t> netName(xcb_get_property_reply(d.conn_, p.netName, nullptr));
            const Reply<xcb_get_property_reply_t> name(xcb_get_property_reply(d.conn_, p.name, nullptr));
            if (!attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE)
                continue;
            level.push_back(p.w);
            bool mine = false;
            if (owner.pid >= 0 && pid && pid->format == 32 && xcb_get_property_value_length(pid.get()) >= 4)
                mine = *static_cast<const uint32_t *>(xcb_get_property_value(pid.get())) == owner.pid;
            if (!owner.className.empty() && wmClass) {
                // WM_CLASS: instance name and class name, each NUL-ended.
                const std::string text = PropertyText(wmClass.get());
                for (std::size_t at = 0; at < text.size();) {
                    const std::size_t end = std::min(text.find('\0', at), text.size());
                    if (Lower(text.substr(at, end - at)) == Lower(owner.className))
                        mine = true;
                    at = end + 1;
                }
            }
            if (!mine)
                continue;
            WindowInfo info;
            info.id = p.w;
            if (protocols && protocols->format == 32) {
                const auto *atoms = static_cast<const xcb_atom_t *>(xcb_get_property_value(protocols.get()));
                const int n = xcb_get_property_value_length(protocols.get()) / 4;
                info.pingable = std::find(atoms, atoms + n, d.netWmPing_) != atoms + n;
            }
            info.title = PropertyText(netName.get());
            if (info.title.empty())
                info.title = PropertyText(name.get());
            found.push_back(info);
        }
    }
    for (WindowInfo &w : found) {
        const Reply<xcb_get_geometry_reply_t> g(
            xcb_get_geometry_reply(d.conn_, xcb_get_geometry(d.conn_, w.id), nullptr));
        const Reply<xcb_translate_coordinates_reply_t> t(xcb_translate_coordinates_reply(
            d.conn_, xcb_translate_coordinates(d.conn_, w.id, d.root_, 0, 0), nullptr));
        if (g) {
            w.width = g->width;
            w.height = g->height;
        }
        if (t) {
            w.x = t->dst_x;
            w.y = t->dst_y;
        }
    }
    return found;
}

bool ParseOwner(int argc, char **argv, int &i, Owner &owner)
{
    const std::string a = argv[i];
    if (a == "--pid" && i + 1 < argc) {
        owner.pid = std::atol(argv[++i]);
        return true;
    }
    if (a == "--class" && i + 1 < argc) {
        owner.className = argv[++i];
        return true;
    }
    return false;
}

int Windows(int argc, char **argv)
{
    Owner owner;
    for (int i = 2; i < argc; ++i) {
        if (!ParseOwner(argc, argv, i, owner))
            return Usage();
    }
    if (owner.pid < 0 && owner.className.empty())
        return Usage();
    Display d;
    if (!d.Open())
        return 1;
    for (const WindowInfo &w : FindWindows(d, owner))
        std::printf("0x%x %d %d %d %d %d %s\n", w.id, w.x, w.y, w.width, w.height, w.pingable ? 1 : 0,
                    w.title.c_str());
    return 0;
}

volatile std::sig_atomic_t stopRequested = 0;

void OnStop(int)
{
    stopRequested = 1;
}

// SIGTERM and SIGINT end a sampling loop at its next turn.
void StopOnSignals()
{
    std::signal(SIGTERM, OnStop);
    std::signal(SIGINT, OnStop);
}

// `path`, or standard output without one, written line by line so that a
// reader sees each line while the probe goes on; nullptr, said, on failure.
FILE *OpenLineOutput(const char *path)
{
    FILE *out = path ? std::fopen(path, "w") : stdout;
    if (!out) {
        std::fprintf(stderr, "ksr704-xprobe: cannot write %s\n", path);
        return nullptr;
    }
    std::setvbuf(out, nullptr, _IOLBF, 0);
    return out;
}

// Marks the ping's own client messages, which the client echoes back whole.
constexpr uint32_t PingMagic = 0x6b737270;
constexpr double PingPause = 0.010; // after a reply, before the next ping
constexpr double ScanInterval = 0.100;

struct Pinged {
    bool outstanding = false;
    uint32_t serial = 0;
    double sentAt = 0;
    double nextAt = 0;
};

int Ping(int argc, char **argv)
{
    Owner owner;
    double seconds = -1;
    const char *outPath = nullptr;
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        if (ParseOwner(argc, argv, i, owner))
            continue;
        if (a == "--seconds" && i + 1 < argc)
            seconds = std::atof(argv[++i]);
        else if (a == "--out" && i + 1 < argc)
            outPath = argv[++i];
        else
            return Usage();
    }
    if (owner.pid < 0 && owner.className.empty())
        return Usage();
    FILE *out = OpenLineOutput(outPath);
    if (!out)
        return 1;
    Display d;
    if (!d.Open())
        return 1;
    StopOnSignals();

    // The client sends its reply to the root for StructureNotify or
    // SubstructureNotify / SubstructureRedirect (Qt: the first and the
    // last; the window manager holds the redirect); SubstructureNotify
    // also shows windows being created, mapped or reparented there.
    const uint32_t rootMask = XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(d.conn_, d.root_, XCB_CW_EVENT_MASK, &rootMask);
    xcb_flush(d.conn_);

    const double start = Now();
    const double stopAt = seconds >= 0 ? start + seconds : 1e300;
    std::fprintf(out, "start %.6f\n", start);
    std::map<xcb_window_t, Pinged> windows;
    double longest = 0;
    long pings = 0;
    uint32_t serial = 0;
    double nextScan = start;

    const auto finish = [&](xcb_window_t w, Pinged &p, double until, bool answered) {
        std::fprintf(out, "%s 0x%x %.6f %.6f\n", answered ? "ping" : "open", w, p.sentAt, until);
        longest = std::max(longest, until - p.sentAt);
        p.outstanding = false;
    };
    const auto gone = [&](xcb_window_t w, double at) {
        const auto it = windows.find(w);
        if (it == windows.end())
            return;
        if (it->second.outstanding)
            finish(w, it->second, at, false);
        std::fprintf(out, "gone 0x%x %.6f\n", w, at);
        windows.erase(it);
    };

    while (!stopRequested) {
        double now = Now();
        if (now >= stopAt)
            break;
        if (now >= nextScan) {
            std::map<xcb_window_t, bool> seen;
            for (const WindowInfo &w : FindWindows(d, owner)) {
                if (!w.pingable)
                    continue;
                seen[w.id] = true;
                if (windows.count(w.id))
                    continue;
                const double at = Now();
                windows[w.id] = Pinged{false, 0, 0, at};
                // Unmap and destroy of the window itself end its pings.
                const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
                xcb_change_window_attributes(d.conn_, w.id, XCB_CW_EVENT_MASK, &mask);
                std::fprintf(out, "window 0x%x %.6f %s\n", w.id, at, w.title.c_str());
            }
            std::vector<xcb_window_t> lost;
            for (const auto &[w, p] : windows) {
                if (!seen.count(w))
                    lost.push_back(w);
            }
            for (xcb_window_t w : lost)
                gone(w, Now());
            nextScan = Now() + ScanInterval;
        }
        now = Now();
        for (auto &[w, p] : windows) {
            if (p.outstanding || now < p.nextAt)
                continue;
            xcb_client_message_event_t event{};
            event.response_type = XCB_CLIENT_MESSAGE;
            event.format = 32;
            event.window = w;
            event.type = d.wmProtocols_;
            event.data.data32[0] = d.netWmPing_;
            event.data.data32[1] = XCB_CURRENT_TIME;
            event.data.data32[2] = w;
            event.data.data32[3] = PingMagic;
            event.data.data32[4] = ++serial;
            xcb_send_event(d.conn_, 0, w, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char *>(&event));
            p.outstanding = true;
            p.serial = serial;
            p.sentAt = Now();
            xcb_flush(d.conn_);
            ++pings;
        }

        double wake = std::min(nextScan, stopAt);
        for (const auto &[w, p] : windows) {
            if (!p.outstanding)
                wake = std::min(wake, p.nextAt);
        }
        const int timeout = std::max(0, static_cast<int>((wake - Now()) * 1000.0 + 0.999));
        pollfd fd{xcb_get_file_descriptor(d.conn_), POLLIN, 0};
        if (xcb_connection_has_error(d.conn_)) {
            std::fprintf(stderr, "ksr704-xprobe: lost the display\n");
            break;
        }
        // Events may already sit in xcb's queue from the scan's round trips.
        Reply<xcb_generic_event_t> event(xcb_poll_for_queued_event(d.conn_));
        if (!event && poll(&fd, 1, timeout) > 0)
            event.reset(xcb_poll_for_event(d.conn_));
        for (; event; event.reset(xcb_poll_for_event(d.conn_))) {
            const double at = Now();
            switch (event->response_type & 0x7f) {
            case XCB_CLIENT_MESSAGE: {
                const auto *m = reinterpret_cast<const xcb_client_message_event_t *>(event.get());
                if (m->type != d.wmProtocols_ || m->data.data32[0] != d.netWmPing_ || m->data.data32[3] != PingMagic)
                    break;
                const auto it = windows.find(m->data.data32[2]);
                if (it == windows.end() || !it->second.outstanding || it->second.serial != m->data.data32[4])
                    break;
                finish(it->first, it->second, at, true);
                it->second.nextAt = at + PingPause;
                break;
            }
            case XCB_UNMAP_NOTIFY:
                gone(reinterpret_cast<const xcb_unmap_notify_event_t *>(event.get())->window, at);
                break;
            case XCB_DESTROY_NOTIFY:
                gone(reinterpret_cast<const xcb_destroy_notify_event_t *>(event.get())->window, at);
                break;
            case XCB_CREATE_NOTIFY:
            case XCB_MAP_NOTIFY:
            case XCB_REPARENT_NOTIFY:
                // A window may have come: look soon, once it has settled.
                nextScan = std::min(nextScan, at + 0.005);
                break;
            default:
                break;
            }
        }
    }
    const double end = Now();
    for (auto &[w, p] : windows) {
        if (p.outstanding)
            finish(w, p, end, false);
    }
    std::fprintf(out, "end %.6f\n", end);
    if (out != stdout)
        std::fclose(out);
    std::fprintf(stderr, "longest unanswered %.1f ms, %ld pings, %zu windows at the end\n", longest * 1000.0, pings,
                 windows.size());
    return 0;
}

int Longest(int argc, char **argv)
{
    if (argc != 5)
        return Usage();
    FILE *in = std::fopen(argv[2], "r");
    if (!in) {
        std::fprintf(stderr, "ksr704-xprobe: cannot read %s\n", argv[2]);
        return 1;
    }
    const double from = std::atof(argv[3]);
    const double to = std::atof(argv[4]);
    char line[512];
    double longest = 0;
    long count = 0;
    while (std::fgets(line, sizeof line, in)) {
        char kind[16];
        unsigned window = 0;
        double sent = 0;
        double until = 0;
        if (std::sscanf(line, "%15s %x %lf %lf", kind, &window, &sent, &until) != 4)
            continue;
        if (std::strcmp(kind, "ping") != 0 && std::strcmp(kind, "open") != 0)
            continue;
        if (until < from || sent > to)
            continue;
        ++count;
        longest = std::max(longest, std::min(until, to) - std::max(sent, from));
    }
    std::fclose(in);
    std::printf("%.1f %ld\n", longest * 1000.0, count);
    return 0;
}

int Press(int argc, char **argv)
{
    double hold = 0.020;
    double gap = 0.200;
    int repeat = 1;
    std::vector<std::pair<int, int>> points;
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--hold" && i + 1 < argc)
            hold = std::atof(argv[++i]) / 1000.0;
        else if (a == "--gap" && i + 1 < argc)
            gap = std::atof(argv[++i]) / 1000.0;
        else if (a == "--repeat" && i + 1 < argc)
            repeat = std::atoi(argv[++i]);
        else {
            int x = 0;
            int y = 0;
            if (std::sscanf(argv[i], "%d,%d", &x, &y) != 2)
                return Usage();
            points.emplace_back(x, y);
        }
    }
    if (points.empty())
        return Usage();
    Display d;
    if (!d.Open())
        return 1;
    const Reply<xcb_query_extension_reply_t> xtest(
        xcb_query_extension_reply(d.conn_, xcb_query_extension(d.conn_, 5, "XTEST"), nullptr));
    if (!xtest || !xtest->present) {
        std::fprintf(stderr, "ksr704-xprobe: the X server has no XTEST\n");
        return 1;
    }
    for (int round = 0; round < repeat; ++round) {
        for (const auto &[x, y] : points) {
            xcb_test_fake_input(d.conn_, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, d.root_, static_cast<int16_t>(x),
                                static_cast<int16_t>(y), 0);
            xcb_flush(d.conn_);
            // Let the pointer's arrival be handled before the press.
            SleepSeconds(0.005);
            xcb_test_fake_input(d.conn_, XCB_BUTTON_PRESS, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
            const double at = Now();
            xcb_flush(d.conn_);
            std::printf("press %d %d %.6f\n", x, y, at);
            std::fflush(stdout);
            SleepSeconds(hold);
            xcb_test_fake_input(d.conn_, XCB_BUTTON_RELEASE, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
            xcb_flush(d.conn_);
            SleepSeconds(gap);
        }
    }
    // Wait until the server has taken every request.
    std::free(xcb_get_input_focus_reply(d.conn_, xcb_get_input_focus(d.conn_), nullptr));
    return xcb_connection_has_error(d.conn_) ? 1 : 0;
}

// CPU time of every thread of `pid` in ns, from the scheduler's own
// accounting; -1 once the process is gone.
long long ThreadsCpuNs(long pid)
{
    const std::string folder = "/proc/" + std::to_string(pid) + "/task";
    DIR *tasks = opendir(folder.c_str());
    if (!tasks)
        return -1;
    long long total = 0;
    bool any = false;
    while (const dirent *entry = readdir(tasks)) {
        if (entry->d_name[0] == '.')
            continue;
        FILE *f = std::fopen((folder + "/" + entry->d_name + "/schedstat").c_str(), "r");
        if (!f)
            continue;
        long long ns = 0;
        if (std::fscanf(f, "%lld", &ns) == 1) {
            total += ns;
            any = true;
        }
        std::fclose(f);
    }
    closedir(tasks);
    return any ? total : -1;
}

int Cpu(int argc, char **argv)
{
    long pid = -1;
    double interval = -1;
    const char *outPath = nullptr;
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--pid" && i + 1 < argc)
            pid = std::atol(argv[++i]);
        else if (a == "--interval" && i + 1 < argc)
            interval = std::atof(argv[++i]) / 1000.0;
        else if (a == "--out" && i + 1 < argc)
            outPath = argv[++i];
        else
            return Usage();
    }
    if (pid < 0)
        return Usage();
    FILE *out = OpenLineOutput(outPath);
    if (!out)
        return 1;
    StopOnSignals();
    int lines = 0;
    while (!stopRequested) {
        const double at = Now();
        const long long ns = ThreadsCpuNs(pid);
        if (ns < 0)
            break;
        std::fprintf(out, "%.6f %lld\n", at, ns);
        ++lines;
        if (interval < 0)
            break;
        SleepSeconds(interval);
    }
    if (out != stdout)
        std::fclose(out);
    if (lines == 0) {
        std::fprintf(stderr, "ksr704-xprobe: no CPU time of process %ld\n", pid);
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2)
        return Usage();
    const std::string command = argv[1];
    if (command == "now") {
        std::printf("%.6f\n", Now());
        return 0;
    }
    if (command == "windows")
        return Windows(argc, argv);
    if (command == "ping")
        return Ping(argc, argv);
    if (command == "longest")
        return Longest(argc, argv);
    if (command == "press")
        return Press(argc, argv);
    if (command == "cpu")
        return Cpu(argc, argv);
    return Usage();
}
