#include "qevtest/sandbox.h"

#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "qevtest/process.h"

namespace qevtest {
namespace {

pid_t g_child = -1;

void forward_signal(int sig) {
    if (g_child > 0) kill(g_child, sig);
}

bool bind_over(const std::string& from, const std::string& to) {
    if (mount(from.c_str(), to.c_str(), nullptr, MS_BIND, nullptr) == 0) return true;
    fprintf(stderr, "qevtest: cannot bind %s over %s: %s\n", from.c_str(), to.c_str(), strerror(errno));
    return false;
}

// Runs in the forked child: enter the namespace and lay the scratch tree over
// the real paths. Any failure ends the child before a test can touch them.
void enter_namespace(const std::string& scratch) {
    if (unshare(CLONE_NEWNS) != 0) {
        fprintf(stderr, "qevtest: unshare(CLONE_NEWNS): %s (tests need root or CAP_SYS_ADMIN)\n", strerror(errno));
        _exit(1);
    }
    if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
        fprintf(stderr, "qevtest: making / private: %s\n", strerror(errno));
        _exit(1);
    }
    struct stat st;
    if (stat("/etc/X11", &st) != 0 || !bind_over(scratch + "/etc", "/etc/X11")) _exit(1);

    const char* home = getenv("HOME");
    std::string real_home = home && *home ? home : "";
    char* resolved = real_home.empty() ? nullptr : realpath(real_home.c_str(), nullptr);
    if (resolved && std::string(resolved) != "/" && stat(resolved, &st) == 0 && S_ISDIR(st.st_mode)) {
        if (!bind_over(scratch + "/home", resolved)) _exit(1);
        setenv("HOME", resolved, 1);
    } else {
        setenv("HOME", (scratch + "/home").c_str(), 1);
    }
    free(resolved);
    setenv("QEVTEST_SCRATCH", scratch.c_str(), 1);
    setenv("QEVTEST_SANDBOX", "1", 1);
    unsetenv("DISPLAY");
    unsetenv("XAUTHORITY");
}

}  // namespace

bool in_sandbox() {
    const char* v = getenv("QEVTEST_SANDBOX");
    return v && strcmp(v, "1") == 0;
}

int run_sandboxed(const std::function<int()>& body) {
    if (geteuid() != 0) {
        fprintf(stderr, "qevtest: tests run in a private mount namespace and need root\n");
        return 1;
    }
    const char* tmp = getenv("TMPDIR");
    std::string tmpl = std::string(tmp && *tmp ? tmp : "/tmp") + "/qevtest.XXXXXX";
    if (!mkdtemp(tmpl.data())) {
        perror("qevtest: mkdtemp");
        return 1;
    }
    const std::string scratch = tmpl;
    for (const char* sub : {"/etc", "/etc/xorg.conf.d", "/home"}) mkdir((scratch + sub).c_str(), 0755);

    fflush(nullptr);
    pid_t parent = getpid();
    pid_t child = fork();
    if (child < 0) {
        perror("qevtest: fork");
        remove_tree(scratch);
        return 1;
    }
    if (child == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) _exit(1);
        enter_namespace(scratch);
        // A write to a closed connection or pipe fails with EPIPE instead of
        // ending the whole test binary without a word.
        signal(SIGPIPE, SIG_IGN);
        int rc = body();
        fflush(nullptr);
        exit(rc);
    }

    g_child = child;
    struct sigaction sa {};
    sa.sa_handler = forward_signal;
    sigemptyset(&sa.sa_mask);
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) sigaction(sig, &sa, nullptr);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    g_child = -1;
    remove_tree(scratch);
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    return 128 + WTERMSIG(status);
}

}  // namespace qevtest
