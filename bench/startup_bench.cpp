// Start-up benchmark: time from exec to the first map of a program's top-level
// window, and the program's peak resident memory, for several programs on the
// same X server (DISPLAY). The first program is the one compared; a program
// given with --floor (an empty GTK2 window) is the floor it is held against,
// and the others are its peers.
//
//   qev_startup_bench [--runs N] [--settle-ms MS] [--timeout-ms MS] [--log FILE]
//                     --program LABEL COMMAND [ARG...] [--floor LABEL COMMAND ...]
//                     [--program LABEL COMMAND ...]
//
// Each run starts the program in a PID and mount namespace of its own with a
// fresh /proc, so that the program sees no process but itself: another copy
// running elsewhere on the machine cannot trip its single-instance check. A
// small init (pid 1 of the namespace) starts the program, forwards SIGTERM to
// it and reports its peak resident memory (ru_maxrss) when it has ended. The
// clock starts at the program's exec and stops at the MapNotify of a new child
// of the root window (SubstructureNotify on the root, monotonic clock). The
// program settles for MS milliseconds and is then ended. Runs are interleaved
// across programs (order rotated each round) after one warm-up run of each
// that is not counted. A run that fails is reported and the program drops out:
// nothing is retried.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "bench_util.h"

namespace {

using qevbench::Clock;
using qevbench::DisplayCloser;

struct Program {
    std::string label;
    std::vector<std::string> argv;
    bool floor = false;
    std::vector<double> start_ms; // one per counted round; NaN where the run failed
    std::vector<double> cpu_ms;   // CPU time the program used up to the map
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

// ---- the program's own PID namespace ------------------------------------------

// What the namespace tells the benchmark, through one pipe.
enum MessageKind { kExec = 1, kEnded = 2, kSetupFailed = 3 };
struct Message {
    int kind;
    long long a; // kExec: the program's pid in the namespace; kEnded: ru_maxrss (kB); kSetupFailed: errno
    long long b; // kExec: CLOCK_MONOTONIC at exec (ns); kEnded: wait status; kSetupFailed: step
};

struct InitArgs {
    char **argv;
    int log_fd;
    int pipe_fd; // close-on-exec: the program does not inherit it
};

volatile sig_atomic_t g_program = 0; // in the namespace's init: the program's pid
volatile sig_atomic_t g_term = 0;

void ForwardTerm(int) {
    g_term = 1;
    if (g_program > 0)
        kill(g_program, SIGTERM);
}

void Report(int fd, int kind, long long a, long long b) {
    Message m{kind, a, b};
    ssize_t n = write(fd, &m, sizeof m);
    (void)n;
}

const char *const kSetupSteps[] = {"make mounts private", "mount /proc", "fork", "exec"};

// Pid 1 of the namespace: a private /proc, then the program as its child;
// SIGTERM is passed on to the program (the kernel would drop it for an init
// without a handler), and the program's peak memory is reported once it ends.
int NamespaceInit(void *p) {
    auto *args = static_cast<InitArgs *>(p);
    if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
        Report(args->pipe_fd, kSetupFailed, errno, 0);
        _exit(127);
    }
    if (mount("proc", "/proc", "proc", MS_NOSUID | MS_NODEV | MS_NOEXEC, nullptr) != 0) {
        Report(args->pipe_fd, kSetupFailed, errno, 1);
        _exit(127);
    }
    struct sigaction sa {};
    sa.sa_handler = ForwardTerm;
    sigaction(SIGTERM, &sa, nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        signal(SIGTERM, SIG_DFL);
        int null = open("/dev/null", O_RDONLY);
        dup2(null, STDIN_FILENO);
        dup2(args->log_fd, STDOUT_FILENO);
        dup2(args->log_fd, STDERR_FILENO);
        timespec ts{};
        clock_gettime(CLOCK_MONOTONIC, &ts);
        Report(args->pipe_fd, kExec, getpid(), ts.tv_sec * 1000000000LL + ts.tv_nsec);
        execvp(args->argv[0], args->argv);
        Report(args->pipe_fd, kSetupFailed, errno, 3);
        _exit(127);
    }
    if (pid < 0) {
        Report(args->pipe_fd, kSetupFailed, errno, 2);
        _exit(127);
    }
    g_program = pid;
    if (g_term)
        kill(pid, SIGTERM);
    int status = 0;
    rusage ru{};
    while (wait4(pid, &status, 0, &ru) < 0 && errno == EINTR) {
    }
    Report(args->pipe_fd, kEnded, ru.ru_maxrss, status);
    _exit(0);
}

// A program started in its own namespace; the namespace ends with the object.
class Child {
public:
    // Starts argv; false with *error set when the namespace cannot be made.
    bool Start(std::vector<std::string> &args, const std::string &log, std::string *error) {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0) {
            *error = std::string("pipe: ") + std::strerror(errno);
            return false;
        }
        read_fd_ = fds[0];
        fcntl(read_fd_, F_SETFL, O_NONBLOCK);
        int log_fd = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        std::vector<char *> argv;
        for (auto &a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        InitArgs init{argv.data(), log_fd, fds[1]};
        std::vector<char> stack(256 * 1024);
        pid_ = clone(NamespaceInit, stack.data() + stack.size(), CLONE_NEWPID | CLONE_NEWNS | SIGCHLD, &init);
        int saved = errno;
        close(fds[1]);
        if (log_fd >= 0)
            close(log_fd);
        if (pid_ < 0) {
            *error = std::string("cannot make a PID namespace: ") + std::strerror(saved);
            return false;
        }
        return true;
    }

    ~Child() {
        Stop();
        if (read_fd_ >= 0)
            close(read_fd_);
    }

    // Reads what the namespace has reported so far.
    void Poll() {
        Message m;
        while (read_fd_ >= 0 && read(read_fd_, &m, sizeof m) == ssize_t(sizeof m)) {
            if (m.kind == kExec) {
                ns_pid_ = long(m.a);
                exec_at_ = Clock::time_point(std::chrono::nanoseconds(m.b));
            } else if (m.kind == kEnded) {
                peak_kb_ = double(m.a);
                status_ = int(m.b);
                ended_ = true;
            } else if (m.kind == kSetupFailed) {
                setup_error_ = std::string(kSetupSteps[std::clamp<long long>(m.b, 0, 3)]) + ": " +
                               std::strerror(int(m.a));
            }
        }
    }

    // True while the program runs.
    bool Running() {
        Poll();
        if (ended_ || !setup_error_.empty())
            return false;
        if (pid_ <= 0)
            return false;
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            Poll();
            return false;
        }
        return true;
    }

    // SIGTERM to the init (passed on to the program), SIGKILL after two
    // seconds (which ends the whole namespace); always reaps the init.
    void Stop() {
        if (pid_ <= 0)
            return;
        kill(pid_, SIGTERM);
        int status = 0;
        for (int i = 0; i < 200; ++i) {
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, &status, 0);
            pid_ = -1;
        }
        Poll();
    }

    // CPU time (ms) the program has run so far, from the scheduler's
    // account (/proc/PID/schedstat): unlike the wall time it does not grow
    // while the program waits for a CPU that other work holds. NaN when
    // unreadable.
    double CpuMs() const {
        if (pid_ <= 0)
            return NAN;
        std::string base = "/proc/" + std::to_string(pid_);
        FILE *f = std::fopen((base + "/task/" + std::to_string(pid_) + "/children").c_str(), "r");
        long program = 0;
        if (f) {
            if (std::fscanf(f, "%ld", &program) != 1)
                program = 0;
            std::fclose(f);
        }
        if (program <= 0)
            return NAN;
        f = std::fopen(("/proc/" + std::to_string(program) + "/schedstat").c_str(), "r");
        unsigned long long ns = 0;
        bool ok = f && std::fscanf(f, "%llu", &ns) == 1;
        if (f)
            std::fclose(f);
        return ok ? double(ns) / 1e6 : NAN;
    }

    long ns_pid() const { return ns_pid_; }
    std::optional<Clock::time_point> exec_at() const { return exec_at_; }
    double peak_kb() const { return peak_kb_; }
    bool ended() const { return ended_; }
    int status() const { return status_; }
    const std::string &setup_error() const { return setup_error_; }

private:
    pid_t pid_ = -1;
    int read_fd_ = -1;
    long ns_pid_ = 0;
    std::optional<Clock::time_point> exec_at_;
    double peak_kb_ = 0;
    bool ended_ = false;
    int status_ = 0;
    std::string setup_error_;
};

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
std::optional<Window> NextMap(Display *d, long pid, int ms) {
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
bool RunOnce(Display *d, const Options &opt, Program &prog, double *ms, double *cpu, double *kb,
             std::string *title, std::string *error) {
    DrainEvents(d);
    Child child;
    auto spawned = Clock::now();
    if (!child.Start(prog.argv, opt.log, error))
        return false;
    auto deadline = spawned + std::chrono::milliseconds(opt.timeout_ms);
    std::optional<Window> win;
    while (!win) {
        child.Poll();
        win = NextMap(d, child.ns_pid(), 5);
        if (win)
            break;
        if (!child.Running()) {
            if (!child.setup_error().empty()) {
                *error = "cannot start " + prog.argv[0] + ": " + child.setup_error();
                return false;
            }
            int st = child.status();
            *error = !child.ended() ? std::string("the namespace ended before the program did")
                     : WIFEXITED(st)
                         ? "exited with status " + std::to_string(WEXITSTATUS(st)) + " before mapping a window"
                         : "ended by signal " + std::to_string(WTERMSIG(st)) + " before mapping a window";
            return false;
        }
        if (Clock::now() > deadline) {
            *error = "no window within " + std::to_string(opt.timeout_ms) + " ms";
            return false;
        }
    }
    auto mapped = Clock::now();
    *cpu = child.CpuMs();
    child.Poll();
    if (!child.exec_at()) {
        *error = "mapped a window before its exec was reported";
        return false;
    }
    *ms = qevbench::ElapsedUs(*child.exec_at(), mapped) / 1000.0;
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
    child.Stop();
    if (!child.ended() || child.peak_kb() <= 0) {
        *error = "its peak memory was not reported";
        return false;
    }
    *kb = child.peak_kb();
    return true;
}

void Usage() {
    std::fprintf(stderr,
                 "usage: qev_startup_bench [--runs N] [--settle-ms MS] [--timeout-ms MS] [--log FILE]\n"
                 "                         --program LABEL COMMAND [ARG...] [--floor LABEL COMMAND ...]\n"
                 "                         [--program LABEL COMMAND ...]\n");
}

bool IsProgramFlag(const char *a) { return std::strcmp(a, "--program") == 0 || std::strcmp(a, "--floor") == 0; }

bool ParseArgs(int argc, char **argv, Options *opt, std::vector<Program> *progs) {
    int i = 1;
    for (; i < argc && !IsProgramFlag(argv[i]); ++i) {
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
    while (i < argc) { // argv[i] is "--program" or "--floor"
        if (i + 2 >= argc)
            return false;
        Program p;
        p.floor = std::strcmp(argv[i], "--floor") == 0;
        p.label = argv[i + 1];
        for (i += 2; i < argc && !IsProgramFlag(argv[i]); ++i)
            p.argv.push_back(argv[i]);
        progs->push_back(std::move(p));
    }
    // The first program is the one compared; at most one floor.
    return !progs->empty() && !(*progs)[0].floor &&
           std::count_if(progs->begin(), progs->end(), [](const Program &p) { return p.floor; }) <= 1;
}

// Samples of a program that ran in every counted round.
std::vector<double> Valid(const std::vector<double> &v) {
    std::vector<double> out;
    for (double x : v)
        if (!std::isnan(x))
            out.push_back(x);
    return out;
}

// num / den: the ratio of the medians, the median of the ratios of runs in
// the same round (those two programs started back to back), and the ratio
// of the minima.
struct Ratio {
    double medians = 0, per_round = 0, minima = 0;
    bool valid = false;
};

Ratio StartRatio(const Program &num, const Program &den, std::vector<double> Program::*field = &Program::start_ms) {
    Ratio r;
    const std::vector<double> &nv = num.*field, &dv = den.*field;
    std::vector<double> n = Valid(nv), d = Valid(dv), pairs;
    for (size_t i = 0; i < nv.size() && i < dv.size(); ++i)
        if (!std::isnan(nv[i]) && !std::isnan(dv[i]))
            pairs.push_back(nv[i] / dv[i]);
    if (n.empty() || d.empty() || pairs.empty())
        return r;
    r.medians = qevbench::Median(n) / qevbench::Median(d);
    r.per_round = qevbench::Median(pairs);
    r.minima = *std::min_element(n.begin(), n.end()) / *std::min_element(d.begin(), d.end());
    r.valid = true;
    return r;
}

double PeakRatio(const Program &num, const Program &den) {
    double d = qevbench::Median(Valid(den.peak_kb));
    return d > 0 ? qevbench::Median(Valid(num.peak_kb)) / d : 0.0;
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

    // Round 0 is the warm-up. A failed run is reported and its program drops
    // out; nothing is retried.
    for (Program &p : progs) {
        p.start_ms.assign(size_t(opt.runs), NAN);
        p.cpu_ms.assign(size_t(opt.runs), NAN);
        p.peak_kb.assign(size_t(opt.runs), NAN);
    }
    for (int round = 0; round <= opt.runs; ++round) {
        for (size_t k = 0; k < progs.size(); ++k) {
            Program &p = progs[(k + size_t(round)) % progs.size()];
            if (!p.error.empty())
                continue;
            double ms = 0, cpu = NAN, kb = 0;
            std::string title;
            if (!RunOnce(d, opt, p, &ms, &cpu, &kb, &title, &p.error)) {
                std::printf("  %s: run %d failed: %s\n", p.label.c_str(), round, p.error.c_str());
                std::fflush(stdout);
                continue;
            }
            if (round == 0)
                continue;
            p.start_ms[size_t(round - 1)] = ms;
            p.cpu_ms[size_t(round - 1)] = cpu;
            p.peak_kb[size_t(round - 1)] = kb;
            p.title = title;
        }
    }

    std::printf("Start-up: exec to first map of the top-level window, median of %d runs (after one warm-up),\n"
                "each program in a PID namespace of its own; peak memory: ru_maxrss after %d ms settling, median\n",
                opt.runs, opt.settle_ms);
    bool complete = true;
    for (const Program &p : progs) {
        std::vector<double> t = Valid(p.start_ms);
        if (!p.error.empty() || t.empty()) {
            std::printf("  %-18s failed: %s\n", p.label.c_str(), p.error.c_str());
            complete = false;
            continue;
        }
        auto [mn, mx] = std::minmax_element(t.begin(), t.end());
        std::printf("  %-18s %8.1f ms (min %.1f, max %.1f)  CPU to map %6.1f ms  peak RSS %7.1f MiB  window "
                    "\"%s\"%s\n",
                    p.label.c_str(), qevbench::Median(t), *mn, *mx, qevbench::Median(Valid(p.cpu_ms)),
                    qevbench::Median(Valid(p.peak_kb)) / 1024.0, p.title.c_str(), p.floor ? "  (floor)" : "");
    }
    const Program &ours = progs[0];
    if (!complete)
        std::printf("(ratios below leave out the failed programs)\n");
    for (size_t k = 1; k < progs.size(); ++k) {
        const Program &p = progs[k];
        if (!p.error.empty() || !ours.error.empty())
            continue;
        if (p.floor) {
            Ratio r = StartRatio(ours, p);
            double m = PeakRatio(ours, p);
            if (!r.valid)
                continue;
            std::printf("%s / %s start-up: %.2fx (goal <= 1.15x: %s); median of same-round ratios %.2fx; "
                        "ratio of minima %.2fx\n",
                        ours.label.c_str(), p.label.c_str(), r.medians, r.medians <= 1.15 ? "met" : "missed",
                        r.per_round, r.minima);
            Ratio c = StartRatio(ours, p, &Program::cpu_ms);
            if (c.valid)
                std::printf("%s / %s CPU time to map: %.2fx; median of same-round ratios %.2fx; ratio of minima "
                            "%.2fx\n",
                            ours.label.c_str(), p.label.c_str(), c.medians, c.per_round, c.minima);
            std::printf("%s / %s peak memory: %.2fx (goal <= 1.1x: %s)\n", ours.label.c_str(), p.label.c_str(), m,
                        m <= 1.1 ? "met" : "missed");
        } else {
            Ratio r = StartRatio(p, ours);
            if (!r.valid)
                continue;
            Ratio c = StartRatio(p, ours, &Program::cpu_ms);
            std::printf("%s / %s start-up: %.2fx (goal > 1.0x: %s); median of same-round ratios %.2fx; "
                        "ratio of minima %.2fx; CPU time to map %.2fx; peak memory %.2fx\n",
                        p.label.c_str(), ours.label.c_str(), r.medians, r.medians > 1.0 ? "met" : "missed",
                        r.per_round, r.minima, c.valid ? c.medians : NAN, PeakRatio(p, ours));
        }
    }
    return complete ? 0 : 1;
}
