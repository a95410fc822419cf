// A program started in the background by a test and stopped by its pid.
#ifndef QEV_TESTS_APP_CHILD_H
#define QEV_TESTS_APP_CHILD_H

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

extern char **environ;

namespace apptest {

class Child {
public:
    // argv[0] is a path. `env` entries "KEY=VALUE" are added to (and override)
    // the test's environment; a plain "KEY" removes it.
    explicit Child(const std::vector<std::string> &argv, const std::vector<std::string> &env = {})
    {
        std::vector<std::string> envStrings;
        auto key = [](const std::string &e) { return e.substr(0, e.find('=')); };
        for (char **e = environ; *e; ++e) {
            bool replaced = false;
            for (const std::string &change : env)
                replaced = replaced || key(change) == key(*e);
            if (!replaced)
                envStrings.push_back(*e);
        }
        for (const std::string &change : env)
            if (change.find('=') != std::string::npos)
                envStrings.push_back(change);
        std::vector<char *> args, envp;
        for (const std::string &a : argv)
            args.push_back(const_cast<char *>(a.c_str()));
        for (std::string &e : envStrings)
            envp.push_back(e.data());
        args.push_back(nullptr);
        envp.push_back(nullptr);
        if (posix_spawn(&pid_, args[0], nullptr, nullptr, args.data(), envp.data()) != 0)
            pid_ = -1;
    }
    ~Child() { Stop(); }
    Child(const Child &) = delete;
    Child &operator=(const Child &) = delete;

    pid_t pid() const { return pid_; }
    bool started() const { return pid_ > 0; }

    // The exit status once the child has exited within `timeoutMs` (128 +
    // signal when it was killed), else nothing.
    std::optional<int> Wait(int timeoutMs)
    {
        if (pid_ <= 0)
            return status_;
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        int status = 0;
        for (; waitpid(pid_, &status, WNOHANG) != pid_; std::this_thread::sleep_for(std::chrono::milliseconds(20)))
            if (std::chrono::steady_clock::now() >= deadline)
                return std::nullopt;
        pid_ = -1;
        return status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

    void Stop()
    {
        if (pid_ <= 0)
            return;
        kill(pid_, SIGTERM);
        if (!Wait(3000)) {
            kill(pid_, SIGKILL);
            Wait(3000);
        }
    }

private:
    pid_t pid_ = -1;
    std::optional<int> status_;
};

}  // namespace apptest

#endif
