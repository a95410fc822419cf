// The test harness itself: the sandbox, the program runner and the X server
// helper. Everything else relies on these behaving.
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

TEST(Sandbox, HidesRealPathsBehindScratch) {
    ASSERT_TRUE(qevtest::in_sandbox());
    const char* scratch = getenv("QEVTEST_SCRATCH");
    ASSERT_NE(scratch, nullptr);
    EXPECT_EQ(getenv("DISPLAY"), nullptr);

    // /etc/X11 and HOME are the scratch directories.
    struct stat etc, etc_scratch, home, home_scratch;
    ASSERT_EQ(stat("/etc/X11", &etc), 0);
    ASSERT_EQ(stat((std::string(scratch) + "/etc").c_str(), &etc_scratch), 0);
    EXPECT_EQ(etc.st_ino, etc_scratch.st_ino);
    EXPECT_EQ(etc.st_dev, etc_scratch.st_dev);
    ASSERT_EQ(stat(getenv("HOME"), &home), 0);
    ASSERT_EQ(stat((std::string(scratch) + "/home").c_str(), &home_scratch), 0);
    EXPECT_EQ(home.st_ino, home_scratch.st_ino);

    // A child process sees the same private view.
    ASSERT_TRUE(write_file("/etc/X11/marker", "x"));
    auto r = run({"cat", "/etc/X11/marker", std::string(scratch) + "/etc/marker"});
    EXPECT_EQ(r.out, "xx");
    unlink("/etc/X11/marker");
}

TEST(Run, CapturesOutputStatusAndInput) {
    qevtest::RunOptions with_input;
    with_input.input = "in\n";
    auto r = run({"sh", "-c", "cat; echo out; echo err >&2; exit 3"}, with_input);
    EXPECT_TRUE(r.spawned);
    EXPECT_EQ(r.exit_code, 3);
    EXPECT_EQ(r.out, "in\nout\n");
    EXPECT_EQ(r.err, "err\n");
    EXPECT_FALSE(r.ok());

    auto big = run({"sh", "-c", "head -c 300000 /dev/zero; head -c 200000 /dev/zero >&2"});
    EXPECT_TRUE(big.ok());
    EXPECT_EQ(big.out.size(), 300000u);
    EXPECT_EQ(big.err.size(), 200000u);
}

TEST(Run, EnvironmentChanges) {
    setenv("QEVTEST_REMOVE_ME", "1", 1);
    qevtest::RunOptions env;
    env.env = {"A=b=c", "QEVTEST_REMOVE_ME"};
    auto r = run({"sh", "-c", "echo \"$A|${QEVTEST_REMOVE_ME-unset}\""}, env);
    EXPECT_EQ(r.out, "b=c|unset\n");
    unsetenv("QEVTEST_REMOVE_ME");
}

TEST(Run, SignalTimeoutAndMissingProgram) {
    auto killed = run({"sh", "-c", "kill -TERM $$"});
    EXPECT_EQ(killed.signal, SIGTERM);

    qevtest::RunOptions quick;
    quick.timeout_ms = 200;
    auto slow = run({"sleep", "10"}, quick);
    EXPECT_TRUE(slow.timed_out);
    EXPECT_EQ(slow.signal, SIGKILL);

    auto missing = run({"qevtest-no-such-program"});
    EXPECT_FALSE(missing.ok());

    // Closed outputs do not end the wait for the program.
    auto quiet = run({"sh", "-c", "exec >&- 2>&-; exec sleep 10"}, quick);
    EXPECT_TRUE(quiet.timed_out);
}

TEST(Run, ProgramsGetTheDefaultSigpipe) {
    // The test process ignores SIGPIPE; a pipeline in a child must not.
    auto r = run({"sh", "-c", "yes | head -n 1"});
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(r.out, "y\n");
    EXPECT_EQ(r.err, "");
}

TEST(TempDir, RemovesItsTree) {
    std::string path;
    {
        qevtest::TempDir dir("t");
        path = dir.path();
        ASSERT_EQ(mkdir(dir.file("sub").c_str(), 0755), 0);
        ASSERT_TRUE(write_file(dir.file("sub/f"), "data"));
        EXPECT_EQ(read_file(dir.file("sub/f")).value_or(""), "data");
    }
    EXPECT_FALSE(qevtest::file_exists(path));
}

// ---------------------------------------------------------------------------

bool has_extension(const std::string& display, const std::string& name) {
    auto r = run({"xdpyinfo", "-display", display});
    return r.ok() && r.out.find("    " + name + "\n") != std::string::npos;
}

TEST(XServer, StartsStopsAndRestartsFromTheEditedConfiguration) {
    qevtest::XServer server;
    std::string error;
    ASSERT_TRUE(server.start({}, &error)) << error;
    EXPECT_TRUE(server.running());
    EXPECT_EQ(server.display(), ":" + std::to_string(server.display_number()));
    EXPECT_TRUE(has_extension(server.display(), "RANDR"));
    EXPECT_NE(server.log().find("/etc/X11/xorg.conf"), std::string::npos);

    // A changed configuration file is what the restarted server reads.
    auto conf = read_file("/etc/X11/xorg.conf").value_or("");
    ASSERT_TRUE(write_file("/etc/X11/xorg.conf", conf + "\nSection \"Extensions\"\n    Option \"RANDR\" \"Disable\"\nEndSection\n"));
    pid_t first = server.pid();
    ASSERT_TRUE(write_file(qevtest::kRestartMarker, "restart needed"));
    ASSERT_TRUE(server.restart(&error)) << error;
    EXPECT_NE(server.pid(), first);
    EXPECT_FALSE(qevtest::file_exists(qevtest::kRestartMarker)) << "a restart removes the restart marker";
    EXPECT_NE(kill(first, 0), 0) << "old server still alive";
    EXPECT_FALSE(has_extension(server.display(), "RANDR"));

    pid_t second = server.pid();
    server.stop();
    EXPECT_FALSE(server.running());
    EXPECT_NE(kill(second, 0), 0);
}

TEST(XServer, OptionsReachTheConfiguration) {
    qevtest::XServerOptions o;
    o.profile = "/nonexistent/profile";
    o.device_options = {{"NoQevExtension", "true"}};
    o.extra_conf = "# extra text";
    o.driver = "qevsim";
    std::string conf = qevtest::XServer::default_conf(o);
    EXPECT_NE(conf.find("Driver         \"qevsim\""), std::string::npos);
    EXPECT_NE(conf.find("Option         \"Profile\" \"/nonexistent/profile\""), std::string::npos);
    EXPECT_NE(conf.find("Option         \"NoQevExtension\" \"true\""), std::string::npos);
    EXPECT_NE(conf.find("\n# extra text\n"), std::string::npos);

    qevtest::XServer server;
    qevtest::XServerOptions no_randr;
    no_randr.no_randr = true;
    std::string error;
    ASSERT_TRUE(server.start(no_randr, &error)) << error;
    EXPECT_FALSE(has_extension(server.display(), "RANDR"));
}

TEST(XServer, FailedStartReportsTheLog) {
    qevtest::XServer server;
    qevtest::XServerOptions o;
    o.full_conf = "Section \"Device\"\n    Identifier \"d\"\n    Driver \"qevtestnosuchdriver\"\nEndSection\n";
    std::string error;
    EXPECT_FALSE(server.start(o, &error));
    EXPECT_FALSE(server.running());
    EXPECT_NE(error.find("did not start"), std::string::npos) << error;
    EXPECT_NE(error.find("qevtestnosuchdriver"), std::string::npos) << error;
}

// ---------------------------------------------------------------------------
// sim/qevsim-run, started from inside the sandbox (it makes a namespace of
// its own on top).

std::vector<std::string> qevsim_run(std::vector<std::string> args) {
    args.insert(args.begin(), qevtest::source_dir() + "/sim/qevsim-run");
    return args;
}

qevtest::RunOptions qevsim_env() {
    qevtest::RunOptions o;
    o.env = {"QEVSIM_BUILD_DIR=" + qevtest::build_dir()};
    return o;
}

TEST(QevsimRun, RunsTheCommandAgainstItsOwnServerAndScratch) {
    ASSERT_TRUE(write_file("/etc/X11/marker", "outer"));
    ASSERT_TRUE(write_file(std::string(getenv("HOME")) + "/marker", "outer"));
    const char* script =
        "xdpyinfo >/dev/null || exit 90; "
        "test -e /etc/X11/marker && exit 91; test -e \"$HOME/marker\" && exit 92; "
        "grep -q 'Driver *\"qevsim\"' /etc/X11/xorg.conf || exit 93; "
        "echo changed > /etc/X11/marker; echo changed > \"$HOME/marker\"; "
        "echo \"$DISPLAY $QEVSIM_SERVER_PID\"; exit 7";
    auto r = run(qevsim_run({"--", "sh", "-c", script}), qevsim_env());
    EXPECT_EQ(r.exit_code, 7) << r.err;
    int display = -1, pid = -1;
    ASSERT_EQ(sscanf(r.out.c_str(), ":%d %d", &display, &pid), 2) << r.out;
    EXPECT_NE(kill(pid, 0), 0) << "server still running";
    EXPECT_EQ(read_file("/etc/X11/marker").value_or(""), "outer");
    EXPECT_EQ(read_file(std::string(getenv("HOME")) + "/marker").value_or(""), "outer");
    unlink("/etc/X11/marker");
}

TEST(QevsimRun, OptionsReachServerAndConfiguration) {
    qevtest::TempDir logs("logs");
    const char* script =
        "xdpyinfo | grep -q '^    RANDR$' && exit 90; "
        "grep -q '\"Profile\" \"/nonexistent/p.conf\"' /etc/X11/xorg.conf && exit 91; "
        "grep -q '\"Extra\" \"a b\"' /etc/X11/xorg.conf || exit 92; exit 0";
    // --profile needs an existing file; the driver reads it.
    auto r = run(qevsim_run({"--no-randr", "--profile", qevtest::profile_path("default.conf"), "--device-option",
                             "Extra=a b", "--keep-log", logs.path(), "--", "sh", "-c", script}),
                 qevsim_env());
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_NE(read_file(logs.file("xorg.conf")).value_or("").find("default.conf"), std::string::npos);
    EXPECT_NE(read_file(logs.file("Xorg.log")).value_or("").find("qevsim"), std::string::npos);
}

TEST(QevsimRun, ServerFailureShowsTheLogAndUsageErrors) {
    qevtest::TempDir dir("conf");
    ASSERT_TRUE(write_file(dir.file("xorg.conf"),
                           "Section \"Device\"\n Identifier \"d\"\n Driver \"qevtestnosuchdriver\"\nEndSection\n"));
    auto r = run(qevsim_run({"--xorg-conf", dir.file("xorg.conf"), "--", "true"}), qevsim_env());
    EXPECT_EQ(r.exit_code, 125);
    EXPECT_NE(r.err.find("did not start"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("qevtestnosuchdriver"), std::string::npos) << r.err;

    EXPECT_EQ(run(qevsim_run({"--"}), qevsim_env()).exit_code, 2);
    EXPECT_EQ(run(qevsim_run({"--bogus", "--", "true"}), qevsim_env()).exit_code, 2);
    EXPECT_EQ(run(qevsim_run({"--profile", "/nonexistent", "--", "true"}), qevsim_env()).exit_code, 125);
}

TEST(QevsimRun, TerminationStopsCommandAndServer) {
    qevtest::TempDir dir("term");
    // The command records the server's pid, then terminates qevsim-run.
    std::string script = "echo $QEVSIM_SERVER_PID > " + dir.file("pid") + "; kill -TERM $PPID; exec sleep 20";
    auto r = run(qevsim_run({"--", "sh", "-c", script}), qevsim_env());
    EXPECT_EQ(r.exit_code, 128 + SIGTERM) << r.err;
    int pid = std::stoi(read_file(dir.file("pid")).value_or("0"));
    ASSERT_GT(pid, 0);
    EXPECT_NE(kill(pid, 0), 0) << "server still running";
}

}  // namespace
