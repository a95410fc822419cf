// Start-up benchmark: time from exec to the first map of a program's top-level
// window, and the program's peak resident memory, for several programs on the
// same X server (DISPLAY). The first program is the one compared: the others'
// times are printed as ratios to it.
//
//   qev_startup_bench [--runs N] [--settle-ms MS] [--timeout-ms MS] [--log FILE]
//                     --program LABEL COMMAND [ARG...] [--program LABEL COMMAND ...]
//
// Each run spawns the program (posix_spawnp), waits for a MapNotify of a new
// child of the root window (SubstructureNotify on the root, monotonic clock),
// lets it settle for MS milliseconds, reads VmHWM from /proc/PID/status and
// ends it by its pid. Runs are interleaved across programs, after one warm-up
// run of each that is not counted. Medians are printed.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "bench_util.h"

extern char **environ;

namespace {

using qevbench::Clock;
using qevbench::DisplayCloser;
using qevbench::FileActions;

struct Program {
    std::string label;
    std::vector<std::string> argv;
    std::vector<double> start_ms;
    std::vector<double> peak_kb;
    std::string title;
    std::string error;
};

struct Options {
    int runs = 10;
    int settle_ms = 1000;
    int timeout_ms = 30000;
    std::string log = "/dev/null";
};

// A program we started; ended by its pid when the object goes.
class Child {
public:
    explicit Child(pid_t pid) : pid_(pid) {}
    ~Child() { Stop(); }
    Child(const Child &) = delete;
    Child &operator=(const Child &) = delete;

    pid_t pid() const { return pid_; }

    // True while the process runs; reaps it once it has ended.
    bool Running() {
        if (pid_ <= 0)
            return false;
        int status = 0;
        pid_t r = waitpid(pid_, &status, WNOHANG);
        if (r == pid_) {
            status_ = status;
            pid_ = -1;
            return false;
        }
        return r == 0;
    }

    int status() const { return status_; }

    // SIGTERM, SIGKILL after two seconds; always reaps.
    void Stop() {
        if (pid_ <= 0)
            return;
        kill(pid_, SIGTERM);
        for (int i = 0; i < 200 && Running(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, &status_, 0);
            pid_ = -1;
        }
    }

private:
    pid_t pid_;
    int status_ = 0;
};

// VmHWM of a process in kB, 0 when unreadable.
double PeakKb(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::strtod(line.c_str() + 6, nullptr);
    return 0;
}

// _NET_WM_PID of a window, 0 when it has none.
long WindowPid(Display *d, Window w) {
    Atom atom = XInternAtom(d, "_NET_WM_PID", False);
    Atom type = None;
    int format = 0;
    unsigned long n = 0, after = 0;
    unsigned char *data = nullptr;
    long pid = 0;
    if (XGetWindowProperty(d, w, atom, 0, 1, False, XA_CARDINAL, &type, &format, &n, &after, &data) == Success &&
        data != nullptr) {
        if (type == XA_CARDINAL && format == 32 && n == 1)
            pid = *reinterpret_cast<long *>(data);
        XFree(data);
    }
    return pid;
}

std::string WindowTitle(Display *d, Window w) {
    char *name = nullptr;
    std::string title;
    if (XFetchName(d, w, &name) && name != nullptr) {
        title = name;
        XFree(name);
    }
    return title;
}

void DrainEvents(Display *d) {
    XSync(d, False);
    XEvent ev;
    while (XPending(d))
        XNextEvent(d, &ev);
}

// Handles the queued X events, then waits up to `ms` for more; returns the
// newly mapped top-level window of `pid` when one was among them (a window
// without _NET_WM_PID counts as the program's: nothing else runs on the server).
std::optional<Window> NextMap(Display *d, pid_t pid, int ms) {
    while (XPending(d)) {
        XEvent ev;
        XNextEvent(d, &ev);
        if (ev.type == MapNotify && ev.xmap.event == DefaultRootWindow(d) && !ev.xmap.override_redirect) {
            long owner = WindowPid(d, ev.xmap.window);
            if (owner == 0 || owner == pid)
                return ev.xmap.window;
        }
    }
    pollfd p{ConnectionNumber(d), POLLIN, 0};
    poll(&p, 1, ms);
    return std::nullopt;
}

// One run: true with the figures, false with *error set.
bool RunOnce(Display *d, const Options &opt, Program &prog, double *ms, double *kb, std::string *title,
             std::string *error) {
    DrainEvents(d);
    FileActions fa;
    posix_spawn_file_actions_addopen(fa.get(), STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(fa.get(), STDOUT_FILENO, opt.log.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                     0644);
    posix_spawn_file_actions_adddup2(fa.get(), STDOUT_FILENO, STDERR_FILENO);
    std::vector<char *> argv;
    for (auto &a : prog.argv)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    pid_t pid = 0;
    auto t0 = Clock::now();
    int rc = posix_spawnp(&pid, argv[0], fa.get(), nullptr, argv.data(), environ);
    if (rc != 0) {
        *error = "cannot start " + prog.argv[0] + ": " + std::strerror(rc);
        return false;
    }
    Child child(pid);
    auto deadline = t0 + std::chrono::milliseconds(opt.timeout_ms);
    std::optional<Window> win;
    while (!win) {
        win = NextMap(d, pid, 5);
        if (win)
            break;
        if (!child.Running()) {
            int st = child.status();
            *error = WIFEXITED(st) ? "exited with status " + std::to_string(WEXITSTATUS(st)) + " before mapping a window"
                                   : "ended by signal " + std::to_string(WTERMSIG(st)) + " before mapping a window";
            return false;
        }
        if (Clock::now() > deadline) {
            *error = "no window within " + std::to_string(opt.timeout_ms) + " ms";
            return false;
        }
    }
    *ms = qevbench::ElapsedUs(t0, Clock::now()) / 1000.0;
    *title = WindowTitle(d, *win);

    auto settle_end = Clock::now() + std::chrono::milliseconds(opt.settle_ms);
    while (Clock::now() < settle_end) {
        DrainEvents(d);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (!child.Running()) {
        *error = "ended while settling";
        return false;
    }
    *kb = PeakKb(pid);
    child.Stop();
    return true;
}

void Usage() {
    std::fprintf(stderr,
                 "usage: qev_startup_bench [--runs N] [--settle-ms MS] [--timeout-ms MS] [--log FILE]\n"
                 "                         --program LABEL COMMAND [ARG...] [--program LABEL COMMAND ...]\n");
}

bool ParseArgs(int argc, char **argv, Options *opt, std::vector<Program> *progs) {
    int i = 1;
    for (; i < argc && std::strcmp(argv[i], "--program") != 0; ++i) {
        std::string a = argv[i];
        if (i + 1 >= argc)
            return false;
        const char *v = argv[++i];
        if (a == "--runs")
            opt->runs = qevbench::IntArg(v, -1);
        else if (a == "--settle-ms")
            opt->settle_ms = qevbench::IntArg(v, -1);
        else if (a == "--timeout-ms")
            opt->timeout_ms = qevbench::IntArg(v, -1);
        else if (a == "--log")
            opt->log = v;
        else
            return false;
        if (opt->runs < 0 || opt->settle_ms < 0 || opt->timeout_ms < 0)
            return false;
    }
    while (i < argc) { // argv[i] is "--program"
        if (i + 2 >= argc)
            return false;
        Program p;
        p.label = argv[i + 1];
        for (i += 2; i < argc && std::strcmp(argv[i], "--program") != 0; ++i)
            p.argv.push_back(argv[i]);
        progs->push_back(std::move(p));
    }
    return !progs->empty();
}

} // namespace

int main(int argc, char **argv) {
    Options opt;
    std::vector<Program> progs;
    if (!ParseArgs(argc, argv, &opt, &progs)) {
        Usage();
        return 2;
    }
    std::unique_ptr<Display, DisplayCloser> disp(XOpenDisplay(nullptr));
    if (!disp) {
        std::fprintf(stderr, "qev_startup_bench: cannot open the display\n");
        return 1;
    }
    Display *d = disp.get();
    XSelectInput(d, DefaultRootWindow(d), SubstructureNotifyMask);

    // Round 0 is the warm-up. A run that finds no window is tried twice more
    // after a pause (a program may refuse while another instance ends).
    for (int round = 0; round <= opt.runs; ++round) {
        for (size_t k = 0; k < progs.size(); ++k) {
            Program &p = progs[(k + size_t(round)) % progs.size()];
            if (!p.error.empty())
                continue;
            std::string error;
            double ms = 0, kb = 0;
            std::string title;
            bool ok = false;
            for (int attempt = 0; attempt < 3 && !ok; ++attempt) {
                if (attempt > 0)
                    std::this_thread::sleep_for(std::chrono::seconds(1));
                ok = RunOnce(d, opt, p, &ms, &kb, &title, &error);
            }
            if (!ok) {
                p.error = error;
                continue;
            }
            if (round == 0)
                continue;
            p.start_ms.push_back(ms);
            p.peak_kb.push_back(kb);
            p.title = title;
        }
    }

    std::printf("Start-up: exec to first map of the top-level window, median of %d runs (after one warm-up);\n"
                "peak memory: VmHWM after %d ms settling, median\n",
                opt.runs, opt.settle_ms);
    bool complete = true;
    for (const Program &p : progs) {
        if (!p.error.empty() || p.start_ms.empty()) {
            std::printf("  %-18s failed: %s\n", p.label.c_str(), p.error.c_str());
            complete = false;
            continue;
        }
        auto [mn, mx] = std::minmax_element(p.start_ms.begin(), p.start_ms.end());
        std::printf("  %-18s %8.1f ms (min %.1f, max %.1f)  peak RSS %7.1f MiB  window \"%s\"\n", p.label.c_str(),
                    qevbench::Median(p.start_ms), *mn, *mx, qevbench::Median(p.peak_kb) / 1024.0, p.title.c_str());
    }
    const Program &ours = progs[0];
    if (ours.error.empty() && !ours.start_ms.empty()) {
        double t = qevbench::Median(ours.start_ms);
        double m = qevbench::Median(ours.peak_kb);
        for (size_t k = 1; k < progs.size(); ++k) {
            const Program &p = progs[k];
            if (!p.error.empty() || p.start_ms.empty())
                continue;
            double ratio = qevbench::Median(p.start_ms) / t;
            double min_ratio = *std::min_element(p.start_ms.begin(), p.start_ms.end()) /
                               *std::min_element(ours.start_ms.begin(), ours.start_ms.end());
            std::printf("%s / %s start-up time: %.2fx (goal > 1.0x: %s); ratio of minima %.2fx; "
                        "peak memory %.2fx\n",
                        p.label.c_str(), ours.label.c_str(), ratio, ratio > 1.0 ? "met" : "missed", min_ratio,
                        m > 0 ? qevbench::Median(p.peak_kb) / m : 0.0);
        }
    }
    return complete ? 0 : 1;
}
