#include "qevtest/process.h"

#include <fcntl.h>
#include <ftw.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace qevtest {
namespace {

struct Fd {
    int fd = -1;
    Fd() = default;
    explicit Fd(int f) : fd(f) {}
    ~Fd() { reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    void reset() {
        if (fd >= 0) close(fd);
        fd = -1;
    }
};

bool make_pipe(Fd& r, Fd& w) {
    int p[2];
    if (pipe2(p, O_CLOEXEC) != 0) return false;
    r.fd = p[0];
    w.fd = p[1];
    return true;
}

std::vector<std::string> merged_environment(const std::vector<std::string>& changes) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) env.emplace_back(*e);
    for (const auto& change : changes) {
        auto eq = change.find('=');
        std::string key = change.substr(0, eq);
        std::erase_if(env, [&](const std::string& s) { return s.compare(0, key.size() + 1, key + "=") == 0; });
        if (eq != std::string::npos) env.push_back(change);
    }
    return env;
}

std::vector<char*> c_strings(std::vector<std::string>& v) {
    std::vector<char*> out;
    for (auto& s : v) out.push_back(s.data());
    out.push_back(nullptr);
    return out;
}

}  // namespace

RunResult run(const std::vector<std::string>& argv, const RunOptions& options) {
    RunResult result;
    if (argv.empty()) return result;
    Fd in_r, in_w, out_r, out_w, err_r, err_w;
    if (!make_pipe(in_r, in_w) || !make_pipe(out_r, out_w) || !make_pipe(err_r, err_w)) return result;

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in_r.fd, 0);
    posix_spawn_file_actions_adddup2(&actions, out_w.fd, 1);
    posix_spawn_file_actions_adddup2(&actions, err_w.fd, 2);

    std::vector<std::string> args = argv;
    std::vector<std::string> env = merged_environment(options.env);
    auto c_args = c_strings(args);
    auto c_env = c_strings(env);
    // The test process ignores SIGPIPE; the program gets the default back.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF);
    pid_t pid = -1;
    int rc = posix_spawnp(&pid, c_args[0], &actions, &attr, c_args.data(), c_env.data());
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    in_r.reset();
    out_w.reset();
    err_w.reset();
    if (rc != 0) {
        result.err = std::string("posix_spawnp: ") + strerror(rc);
        return result;
    }
    result.spawned = true;

    // Feed the input and drain both outputs without blocking on any of them.
    size_t written = 0;
    if (options.input.empty()) in_w.reset();
    else fcntl(in_w.fd, F_SETFL, O_NONBLOCK);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(options.timeout_ms);
    char buf[4096];
    while (out_r.fd >= 0 || err_r.fd >= 0) {
        std::vector<pollfd> fds;
        if (out_r.fd >= 0) fds.push_back({out_r.fd, POLLIN, 0});
        if (err_r.fd >= 0) fds.push_back({err_r.fd, POLLIN, 0});
        if (in_w.fd >= 0) fds.push_back({in_w.fd, POLLOUT, 0});
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            result.timed_out = true;
            kill(pid, SIGKILL);
            break;
        }
        int n = poll(fds.data(), fds.size(), static_cast<int>(left.count()));
        if (n < 0 && errno != EINTR) break;
        for (const auto& p : fds) {
            if (!p.revents) continue;
            if (p.fd == in_w.fd) {
                ssize_t w = write(in_w.fd, options.input.data() + written, options.input.size() - written);
                if (w > 0) written += static_cast<size_t>(w);
                if (w < 0 && errno != EAGAIN) in_w.reset();
                if (written == options.input.size()) in_w.reset();
                continue;
            }
            Fd& src = p.fd == out_r.fd ? out_r : err_r;
            std::string& dst = p.fd == out_r.fd ? result.out : result.err;
            ssize_t r = read(src.fd, buf, sizeof buf);
            if (r > 0) dst.append(buf, static_cast<size_t>(r));
            else if (r == 0 || errno != EINTR) src.reset();
        }
    }
    in_w.reset();
    // The outputs are closed; the program may still run until the deadline.
    int status = 0;
    for (;;) {
        pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid || (r < 0 && errno != EINTR)) break;
        if (r == 0 && std::chrono::steady_clock::now() >= deadline && !result.timed_out) {
            result.timed_out = true;
            kill(pid, SIGKILL);
        }
        if (r == 0) poll(nullptr, 0, 10);
    }
    if (WIFEXITED(status)) result.exit_code = WEXITSTATUS(status);
    else if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
    return result;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

std::string write_profile(const std::string& name, const std::string& text) {
    static TempDir dir("profiles");
    std::string path = dir.file(name);
    write_file(path, text);
    return path;
}

RunResult run_fb_probe(const std::string& probe, const std::string& standin, const TempDir& dir,
                       const std::string& profile) {
    std::string path = dir.file("fb.profile");
    if (!write_file(path, profile)) {
        RunResult failed;
        failed.err = "cannot write " + path;
        return failed;
    }
    RunOptions options;
    options.env = {"DISPLAY", "LD_PRELOAD=" + standin, "QEVSIM_PROFILE=" + path, "QEVSIM_FB_LOG=" + dir.file("fb.log"),
                   "ASAN_OPTIONS=verify_asan_link_order=0"};
    return run({probe}, options);
}

bool write_file(const std::string& path, const std::string& text) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    if (!f) return false;
    f << text;
    f.flush();
    return static_cast<bool>(f);
}

std::optional<std::string> read_file(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    if (!f) return std::nullopt;
    std::ostringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

bool file_exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

void remove_tree(const std::string& path) {
    if (path.empty() || path == "/") return;
    nftw(
        path.c_str(),
        [](const char* p, const struct stat*, int type, struct FTW*) {
            if (type == FTW_DP) rmdir(p);
            else unlink(p);
            return 0;
        },
        16, FTW_DEPTH | FTW_PHYS | FTW_MOUNT);
}

TempDir::TempDir(const std::string& prefix) {
    const char* base = getenv("QEVTEST_SCRATCH");
    std::string tmpl = std::string(base && *base ? base : "/tmp") + "/" + prefix + ".XXXXXX";
    if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp " + tmpl + ": " + strerror(errno));
    path_ = tmpl;
}

TempDir::~TempDir() { remove_tree(path_); }

std::string source_dir() { return QEV_SOURCE_DIR; }

std::string build_dir() {
    const char* env = getenv("QEVSIM_BUILD_DIR");
    return env && *env ? env : QEV_BUILD_DIR;
}

std::string profile_path(const std::string& name) { return source_dir() + "/sim/profiles/" + name; }

}  // namespace qevtest
