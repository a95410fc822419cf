// A real Xorg server with the simulated QEV driver, started and stopped by a
// test. Meant to run inside the private mount namespace that qev_test_main
// sets up (it writes /etc/X11/xorg.conf by default).
#ifndef QEVTEST_XSERVER_H
#define QEVTEST_XSERVER_H

#include <sys/types.h>

#include <string>
#include <utility>
#include <vector>

namespace qevtest {

// The control panel's "X must restart" marker.
inline constexpr const char* kRestartMarker = "/etc/X11/.XWindowNeedtobeRestart";

struct XServerOptions {
    std::string profile;  // Device option "Profile" (a path); empty: the driver's default
    bool no_randr = false;  // -extension RANDR
    // Extra Device section options, written as Option "KEY" "VALUE".
    std::vector<std::pair<std::string, std::string>> device_options;
    std::string extra_conf;  // text appended to the generated configuration
    std::string full_conf;   // when set, the whole configuration instead of the generated one
    std::string config_path = "/etc/X11/xorg.conf";
    // Driver of the generated Device section; QEVSIM_DRIVER overrides the default.
    std::string driver;
    std::vector<std::string> extra_args;  // more server arguments
    int start_timeout_ms = 30000;
    int stop_grace_ms = 5000;  // SIGTERM, then SIGKILL after this long
};

class XServer {
public:
    XServer();
    ~XServer();  // stops the server
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    // Writes the configuration and starts the server; returns when it accepts
    // clients. On failure returns false and puts the reason and the tail of
    // the server log into *error.
    bool start(const XServerOptions& options = {}, std::string* error = nullptr);
    // Stops the server by its pid (SIGTERM, SIGKILL after the grace period).
    void stop();
    // Stops and starts again from the configuration file as it is now (it is
    // not rewritten, so edits made by the code under test take effect). The
    // previous display number is tried first, then any free one. Inside the sandbox the restart
    // marker (kRestartMarker) is removed in between, as a display manager
    // removes it when X restarts.
    bool restart(std::string* error = nullptr);

    bool running() const;
    pid_t pid() const { return pid_; }
    int display_number() const { return display_number_; }
    const std::string& display() const { return display_; }  // ":N"
    const std::string& log_path() const { return log_path_; }
    std::string log() const;  // the server log's text
    std::string log_tail(int lines = 30) const;
    const XServerOptions& options() const { return options_; }

    // The configuration text start() writes for these options.
    static std::string default_conf(const XServerOptions& options);

private:
    bool launch(int wanted_display, std::string* error);

    XServerOptions options_;
    std::string dir_;  // log directory
    std::string log_path_;
    std::string display_;
    int display_number_ = -1;
    mutable pid_t pid_ = -1;  // -1 once reaped, so a stale pid is never signalled
};

}  // namespace qevtest

#endif
