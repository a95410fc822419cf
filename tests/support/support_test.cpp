// The harness properties whose failure would go unnoticed elsewhere: tests see
// scratch trees instead of the real /etc/X11 and HOME, and every X server a test
// starts (directly or through qevsim-run) is stopped by its pid.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "qevtest/qevtest.h"

namespace {

using qevtest::read_file;
using qevtest::run;
using qevtest::write_file;

bool same_file(const std::string& a, const std::string& b) {
    struct stat sa, sb;
    return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_ino == sb.st_ino && sa.st_dev == sb.st_dev;
}

TEST(Sandbox, HidesRealPathsAndCleansUp) {
    ASSERT_TRUE(qevtest::in_sandbox());
    const std::string scratch = getenv("QEVTEST_SCRATCH");
    EXPECT_EQ(getenv("DISPLAY"), nullptr);
    EXPECT_TRUE(same_file("/etc/X11", scratch + "/etc"));
    EXPECT_TRUE(same_file(getenv("HOME"), scratch + "/home"));
    // A child process sees the same private view.
    ASSERT_TRUE(write_file("/etc/X11/marker", "x"));
    EXPECT_EQ(run({"cat", "/etc/X11/marker", scratch + "/etc/marker"}).out, "xx");
    unlink("/etc/X11/marker");

    std::string path;
    {
        qevtest::TempDir dir("t");
        path = dir.path();
        ASSERT_EQ(mkdir(dir.file("sub").c_str(), 0755), 0);
        ASSERT_TRUE(write_file(dir.file("sub/f"), "data"));
    }
    EXPECT_FALSE(qevtest::file_exists(path));

    // A program that closes its outputs still ends at the timeout.
    qevtest::RunOptions quick;
    quick.timeout_ms = 200;
    auto quiet = run({"sh", "-c", "exec >&- 2>&-; exec sleep 10"}, quick);
    EXPECT_TRUE(quiet.timed_out);
    EXPECT_EQ(quiet.signal, SIGKILL);
}

TEST(XServer, RestartsFromTheEditedConfigurationAndStopsByPid) {
    qevtest::XServer server;
    std::string error;
    ASSERT_TRUE(server.start({}, &error)) << error;
    EXPECT_NE(server.log().find("/etc/X11/xorg.conf"), std::string::npos);

    auto conf = read_file("/etc/X11/xorg.conf").value_or("");
    ASSERT_TRUE(write_file("/etc/X11/xorg.conf", conf + "\nSection \"Extensions\"\n    Option \"RANDR\" \"Disable\"\nEndSection\n"));
    pid_t first = server.pid();
    ASSERT_TRUE(write_file(qevtest::kRestartMarker, "restart needed"));
    ASSERT_TRUE(server.restart(&error)) << error;
    EXPECT_FALSE(qevtest::file_exists(qevtest::kRestartMarker)) << "a restart removes the restart marker";
    EXPECT_NE(kill(first, 0), 0) << "old server still alive";
    EXPECT_EQ(run({"xdpyinfo", "-display", server.display()}).out.find("    RANDR\n"), std::string::npos);

    pid_t second = server.pid();
    server.stop();
    EXPECT_FALSE(server.running());
    EXPECT_NE(kill(second, 0), 0);
}

// sim/qevsim-run, started from inside the sandbox (it makes a namespace of its own on top).
qevtest::RunResult qevsim_run(std::vector<std::string> args) {
    args.insert(args.begin(), qevtest::source_dir() + "/sim/qevsim-run");
    qevtest::RunOptions o;
    o.env = {"QEVSIM_BUILD_DIR=" + qevtest::build_dir()};
    return run(args, o);
}

TEST(QevsimRun, OwnServerAndScratchBothGoAway) {
    ASSERT_TRUE(write_file("/etc/X11/marker", "outer"));
    ASSERT_TRUE(write_file(std::string(getenv("HOME")) + "/marker", "outer"));
    const char* script =
        "xdpyinfo >/dev/null || exit 90; "
        "test -e /etc/X11/marker && exit 91; test -e \"$HOME/marker\" && exit 92; "
        "grep -q 'Driver *\"qevsim\"' /etc/X11/xorg.conf || exit 93; "
        "echo changed > /etc/X11/marker; echo changed > \"$HOME/marker\"; "
        "echo \"$DISPLAY $QEVSIM_SERVER_PID\"; exit 7";
    auto r = qevsim_run({"--", "sh", "-c", script});
    EXPECT_EQ(r.exit_code, 7) << r.err;
    int display = -1, pid = -1;
    ASSERT_EQ(sscanf(r.out.c_str(), ":%d %d", &display, &pid), 2) << r.out;
    EXPECT_NE(kill(pid, 0), 0) << "server still running";
    EXPECT_EQ(read_file("/etc/X11/marker").value_or(""), "outer");
    EXPECT_EQ(read_file(std::string(getenv("HOME")) + "/marker").value_or(""), "outer");
    unlink("/etc/X11/marker");

    // Terminating qevsim-run stops the command and the server.
    qevtest::TempDir dir("term");
    const std::string term = "echo $QEVSIM_SERVER_PID > " + dir.file("pid") + "; kill -TERM $PPID; exec sleep 20";
    auto t = qevsim_run({"--", "sh", "-c", term});
    EXPECT_EQ(t.exit_code, 128 + SIGTERM) << t.err;
    pid = std::stoi(read_file(dir.file("pid")).value_or("0"));
    ASSERT_GT(pid, 0);
    EXPECT_NE(kill(pid, 0), 0) << "server still running";
}

TEST(QevsimRun, ServerFailureShowsTheLog) {
    qevtest::TempDir dir("conf");
    ASSERT_TRUE(write_file(dir.file("xorg.conf"),
                           "Section \"Device\"\n Identifier \"d\"\n Driver \"qevtestnosuchdriver\"\nEndSection\n"));
    auto r = qevsim_run({"--xorg-conf", dir.file("xorg.conf"), "--", "true"});
    EXPECT_EQ(r.exit_code, 125);
    EXPECT_NE(r.err.find("qevtestnosuchdriver"), std::string::npos) << r.err;
}

}  // namespace
