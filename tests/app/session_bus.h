// A private session bus for a test binary: dbus-daemon --session at a fixed
// socket in the scratch tree, so that a bus stopped and started again keeps
// the address libdbus has taken. Stopped by its pid.
#ifndef QEV_TESTS_APP_SESSION_BUS_H
#define QEV_TESTS_APP_SESSION_BUS_H

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

extern char **environ;

namespace apptest {

class SessionBus {
public:
    explicit SessionBus(std::string socketPath) : socket_(std::move(socketPath)) {}
    ~SessionBus() { Stop(); }
    SessionBus(const SessionBus &) = delete;
    SessionBus &operator=(const SessionBus &) = delete;

    // Starts the daemon and sets DBUS_SESSION_BUS_ADDRESS; the address, or ""
    // when it did not come up within 10 s.
    std::string Start()
    {
        Stop();
        unlink(socket_.c_str());
        int fds[2];
        if (pipe(fds) != 0)
            return "";
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        std::string address = "--address=unix:path=" + socket_;
        const char *argv[] = {"dbus-daemon", "--session", "--nofork", "--print-address", address.c_str(), nullptr};
        if (posix_spawnp(&pid_, argv[0], &actions, nullptr, const_cast<char **>(argv), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        std::string line;
        pollfd p = {fds[0], POLLIN, 0};
        while (pid_ > 0 && line.find('\n') == std::string::npos && poll(&p, 1, 10000) > 0) {
            char buf[256];
            ssize_t n = read(fds[0], buf, sizeof buf);
            if (n <= 0)
                break;
            line.append(buf, static_cast<size_t>(n));
        }
        close(fds[0]);
        if (line.find('\n') == std::string::npos)
            return "";
        line.erase(line.find('\n'));
        setenv("DBUS_SESSION_BUS_ADDRESS", line.c_str(), 1);
        return line;
    }

    void Stop()
    {
        if (pid_ <= 0)
            return;
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
    }

private:
    std::string socket_;
    pid_t pid_ = -1;
};

}  // namespace apptest

#endif
