#include "qevtest/xserver.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "qevtest/process.h"

namespace qevtest {
namespace {

using Clock = std::chrono::steady_clock;

std::string env_or(const char* name, const std::string& fallback) {
    const char* v = getenv(name);
    return v && *v ? v : fallback;
}

// Waits for pid with a deadline; true when it has been reaped.
bool reap(pid_t pid, int timeout_ms) {
    auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
        int status;
        pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid || (r < 0 && errno == ECHILD)) return true;
        if (Clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

}  // namespace

XServer::XServer() {}

XServer::~XServer() {
    stop();
    if (!dir_.empty()) remove_tree(dir_);
}

std::string XServer::default_conf(const XServerOptions& o) {
    std::string driver = o.driver.empty() ? env_or("QEVSIM_DRIVER", "qevsim") : o.driver;
    std::string conf =
        "Section \"ServerLayout\"\n"
        "    Identifier     \"QEV Layout\"\n"
        "    Screen      0  \"QEV Screen\" 0 0\n"
        "EndSection\n\n"
        "Section \"ServerFlags\"\n"
        "    Option         \"AutoAddDevices\" \"false\"\n"
        "    Option         \"AutoEnableDevices\" \"false\"\n"
        "EndSection\n\n"
        "Section \"Monitor\"\n"
        "    Identifier     \"QEV Monitor\"\n"
        "EndSection\n\n"
        "Section \"Device\"\n"
        "    Identifier     \"QEV Device\"\n"
        "    Driver         \"" + driver + "\"\n";
    if (!o.profile.empty()) conf += "    Option         \"Profile\" \"" + o.profile + "\"\n";
    for (const auto& [key, value] : o.device_options)
        conf += "    Option         \"" + key + "\" \"" + value + "\"\n";
    conf +=
        "EndSection\n\n"
        "Section \"Screen\"\n"
        "    Identifier     \"QEV Screen\"\n"
        "    Device         \"QEV Device\"\n"
        "    Monitor        \"QEV Monitor\"\n"
        "    DefaultDepth   24\n"
        "    SubSection \"Display\"\n"
        "        Depth      24\n"
        "    EndSubSection\n"
        "EndSection\n";
    if (!o.extra_conf.empty()) conf += "\n" + o.extra_conf + "\n";
    return conf;
}

bool XServer::start(const XServerOptions& options, std::string* error) {
    stop();
    options_ = options;
    const std::string& text = options.full_conf.empty() ? default_conf(options) : options.full_conf;
    if (!write_file(options.config_path, text)) {
        if (error) *error = "cannot write " + options.config_path + ": " + strerror(errno);
        return false;
    }
    return launch(-1, error);
}

bool XServer::restart(std::string* error) {
    int previous = display_number_;
    stop();
    // As a display manager does when X restarts: the control panel's restart
    // marker goes. Only inside the sandbox, where /etc/X11 is a scratch tree.
    const char* sandbox = getenv("QEVTEST_SANDBOX");
    if (sandbox && std::string(sandbox) == "1") unlink(kRestartMarker);
    if (previous >= 0 && launch(previous, nullptr)) return true;
    return launch(-1, error);
}

bool XServer::launch(int wanted_display, std::string* error) {
    if (dir_.empty()) {
        const char* base = getenv("QEVTEST_SCRATCH");
        std::string tmpl = std::string(base && *base ? base : "/tmp") + "/xserver.XXXXXX";
        if (!mkdtemp(tmpl.data())) {
            if (error) *error = "mkdtemp: " + std::string(strerror(errno));
            return false;
        }
        dir_ = tmpl;
    }
    log_path_ = dir_ + "/Xorg.log";
    unlink(log_path_.c_str());
    std::string stderr_path = dir_ + "/Xorg.stderr";

    int pipefd[2];
    if (pipe2(pipefd, O_CLOEXEC) != 0) {
        if (error) *error = "pipe: " + std::string(strerror(errno));
        return false;
    }

    // Everything the child needs is prepared before fork.
    std::vector<std::string> args = {env_or("QEVSIM_XORG", "Xorg")};
    if (wanted_display >= 0) args.push_back(":" + std::to_string(wanted_display));
    std::string module_path = build_dir() + "/sim,/usr/lib/xorg/modules";
    for (const char* a : {"-noreset", "-keeptty", "-novtswitch", "-sharevts"}) args.emplace_back(a);
    args.insert(args.end(), {"-displayfd", std::to_string(pipefd[1]), "-logfile", log_path_, "-config",
                             options_.config_path, "-modulepath", module_path});
    if (file_exists("/usr/share/X11/xkb")) args.insert(args.end(), {"-xkbdir", "/usr/share/X11/xkb"});
    if (options_.no_randr) args.insert(args.end(), {"-extension", "RANDR"});
    args.insert(args.end(), options_.extra_args.begin(), options_.extra_args.end());
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t parent = getpid();

    pid_t pid = fork();
    if (pid < 0) {
        close(pipefd[0]);
        close(pipefd[1]);
        if (error) *error = "fork: " + std::string(strerror(errno));
        return false;
    }
    if (pid == 0) {
        // A test process that dies takes its server with it.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent) _exit(127);
        signal(SIGPIPE, SIG_DFL);
        int flags = fcntl(pipefd[1], F_GETFD);
        fcntl(pipefd[1], F_SETFD, flags & ~FD_CLOEXEC);
        int null = open("/dev/null", O_RDONLY);
        int err = open(stderr_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (null >= 0) dup2(null, 0);
        if (err >= 0) {
            dup2(err, 1);
            dup2(err, 2);
        }
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(pipefd[1]);
    pid_ = pid;

    // The server writes its display number once it accepts clients.
    std::string number;
    bool ready = false;
    std::string why;
    auto deadline = Clock::now() + std::chrono::milliseconds(options_.start_timeout_ms);
    while (!ready) {
        int status;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            why = WIFEXITED(status) ? "exited with status " + std::to_string(WEXITSTATUS(status))
                                    : "killed by signal " + std::to_string(WTERMSIG(status));
            break;
        }
        if (Clock::now() >= deadline) {
            why = "not ready after " + std::to_string(options_.start_timeout_ms) + " ms";
            break;
        }
        pollfd p{pipefd[0], POLLIN, 0};
        if (poll(&p, 1, 100) > 0) {
            char c;
            ssize_t r = read(pipefd[0], &c, 1);
            if (r == 1 && c == '\n') ready = !number.empty();
            else if (r == 1 && c >= '0' && c <= '9') number += c;
            else if (r <= 0) std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    close(pipefd[0]);
    if (!ready) {
        stop();
        if (error) {
            std::string err_text = read_file(stderr_path).value_or("");
            *error = "X server did not start (" + why + "); log tail:\n" + log_tail(25);
            if (log().empty()) *error += err_text;
        }
        return false;
    }
    display_number_ = std::stoi(number);
    display_ = ":" + number;
    return true;
}

void XServer::stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    if (!reap(pid_, options_.stop_grace_ms)) {
        kill(pid_, SIGKILL);
        reap(pid_, 10000);
    }
    pid_ = -1;
}

bool XServer::running() const {
    if (pid_ <= 0) return false;
    int status;
    if (waitpid(pid_, &status, WNOHANG) == 0) return true;
    pid_ = -1;
    return false;
}

std::string XServer::log() const { return log_path_.empty() ? "" : read_file(log_path_).value_or(""); }

std::string XServer::log_tail(int lines) const {
    std::string text = log();
    size_t pos = text.size();
    if (pos && text.back() == '\n') --pos;
    for (int i = 0; i < lines && pos != std::string::npos && pos > 0; ++i) pos = text.rfind('\n', pos - 1);
    return pos == std::string::npos ? text : text.substr(pos + 1);
}

}  // namespace qevtest
