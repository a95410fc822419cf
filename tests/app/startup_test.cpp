// The program's start-up guards, run as a child process: the single-instance
// rule, the restart marker, and adapters without the command extension or Xv.
#include <gtest/gtest.h>
// Xlib after GoogleTest: its macros (None, Bool) clash with GoogleTest names.
#include <X11/Xlib.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "child.h"
#include "common.h"
#include "qevtest/qevtest.h"

namespace fs = std::filesystem;

namespace {

const char kMarker[] = "/etc/X11/.XWindowNeedtobeRestart";
const char kMainTitle[] = "QEV Display Utility";
const char kQuitTitle[] = "QEV Display Utility Quit Dialog";
const char kRunning[] = "The QEVDisplayUtility is running.\n";
const char kQuietLeaks[] = "ASAN_OPTIONS=detect_leaks=0";  // the program's GTK allocations live until exit

std::string Program()
{
    return qevtest::build_dir() + "/app/QEVDisplayUtility";
}

// The program in a PID namespace of its own: copies run elsewhere on this
// machine do not count as instances.
std::vector<std::string> Isolated(std::vector<std::string> argv)
{
    argv.insert(argv.begin(), {"/usr/bin/unshare", "--pid", "--fork", "--mount-proc", "--kill-child"});
    return argv;
}

// How many mapped top-level windows of the display are titled `title`, once
// one is (within 20 s) or with `wait` false at once.
int Mapped(Display *dpy, const std::string &title, bool wait = true)
{
    // A window of a copy that is ending can go between the tree and its attributes.
    XErrorHandler previous = XSetErrorHandler([](Display *, XErrorEvent *) { return 0; });
    int found = 0;
    for (int tries = 0; tries < (wait ? 400 : 1) && !found; ++tries) {
        std::this_thread::sleep_for(std::chrono::milliseconds(tries ? 50 : 0));
        Window root, parent, *children = nullptr;
        unsigned count = 0;
        XQueryTree(dpy, DefaultRootWindow(dpy), &root, &parent, &children, &count);
        for (unsigned i = 0; i < count; ++i) {
            XWindowAttributes attrs;
            char *name = nullptr;
            if (XGetWindowAttributes(dpy, children[i], &attrs) && attrs.map_state == IsViewable &&
                XFetchName(dpy, children[i], &name) && name) {
                found += title == name;
                XFree(name);
            }
        }
        if (children)
            XFree(children);
    }
    XSync(dpy, False);
    XSetErrorHandler(previous);
    return found;
}

class Startup : public qevtest::XServerTest<Startup> {
protected:
    void SetUp() override
    {
        qevtest::XServerTest<Startup>::SetUp();
        unlink(kMarker);
        ASSERT_TRUE(dpy_ = XOpenDisplay(server().display().c_str()));
    }
    void TearDown() override
    {
        unlink(kMarker);
        if (dpy_)
            XCloseDisplay(dpy_);
    }
    Display *dpy_ = nullptr;
};

}  // namespace

// Any process whose executable path contains the program's name counts, the
// name anywhere in a path of any length (here about 1300 bytes, the name in a
// directory), case counting.
TEST_F(Startup, SecondInstancePrintsTheMessageAndLeaves)
{
    qevtest::TempDir dir("instance");
    const std::string token = "QEVDisplayUtility_" + std::to_string(getpid());
    fs::path fake = dir.path();
    for (int i = 0; i < 6; ++i)
        fake /= std::string(190, char('a' + i));
    fake = fake / (token + "_tail") / "sleeper";
    fs::create_directories(fake.parent_path());
    fs::copy_file("/bin/sleep", fake);
    fs::permissions(fake, fs::perms::owner_all);
    apptest::Child other({fake.string(), "30"});
    ASSERT_TRUE(other.started());
    for (int i = 0; i < 100 && GetProcessCount(token.c_str()) < 1; ++i)
        usleep(20000);
    EXPECT_EQ(1, GetProcessCount((token + "_tail").c_str()));
    EXPECT_EQ(0, GetProcessCount(("q" + token.substr(1)).c_str()));
    EXPECT_EQ(0, GetProcessCount((std::string(190, 'f') + "/" + token + "_tailx").c_str()));

    // Without DISPLAY: the program must not get as far as opening anything.
    qevtest::RunOptions options;
    options.env = {"DISPLAY", kQuietLeaks};
    options.timeout_ms = 20000;
    qevtest::RunResult r = qevtest::run({Program()}, options);
    EXPECT_TRUE(r.ok()) << r.err;
    EXPECT_EQ(kRunning, r.out);
    other.Stop();
    EXPECT_EQ(0, GetProcessCount(token.c_str()));
}

// The lock in the runtime directory decides: a copy leaves while it is held,
// even with no other process of the name in sight; once a copy has the lock,
// other copies of the same program (which lost it and are leaving) do not count.
TEST_F(Startup, TheLockDecides)
{
    qevtest::TempDir dir("instances");
    const std::vector<std::string> env = {"DISPLAY=" + server().display(), "XDG_RUNTIME_DIR=" + dir.path(),
                                          kQuietLeaks};
    int fd = open(dir.file("QEVDisplayUtility.lock").c_str(), O_RDWR | O_CREAT, 0600);
    ASSERT_EQ(0, flock(fd, LOCK_EX));
    apptest::Child held(Isolated({"/bin/sh", "-c", "\"$0\" >\"$1/held.out\"", Program(), dir.path()}), env);
    EXPECT_EQ(std::optional<int>(0), held.Wait(20000));
    EXPECT_EQ(kRunning, qevtest::read_file(dir.file("held.out")));
    EXPECT_EQ(0, Mapped(dpy_, kMainTitle, false));
    close(fd);

    // Two copies, each with a lock of its own, see each other: both stay.
    ASSERT_EQ(0, mkdir(dir.file("a").c_str(), 0700));
    ASSERT_EQ(0, mkdir(dir.file("b").c_str(), 0700));
    apptest::Child both(Isolated({"/bin/sh", "-c", "XDG_RUNTIME_DIR=$1/a \"$0\" & XDG_RUNTIME_DIR=$1/b \"$0\"; wait",
                                  Program(), dir.path()}), env);
    EXPECT_GE(Mapped(dpy_, kMainTitle), 1);
    for (int i = 0; i < 200 && Mapped(dpy_, kMainTitle, false) < 2; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(2, Mapped(dpy_, kMainTitle, false));
}

// With the marker the quit dialog shows instead of the main window; without it the main window.
TEST_F(Startup, RestartMarkerKeepsTheMainWindowAway)
{
    for (bool marker : {true, false}) {
        SCOPED_TRACE(marker ? "marker present" : "marker removed");
        if (marker) {
            ASSERT_TRUE(qevtest::write_file(kMarker, "1\n"));
        } else {
            ASSERT_EQ(0, unlink(kMarker));
        }
        apptest::Child program(Isolated({Program()}), {"DISPLAY=" + server().display(), kQuietLeaks});
        EXPECT_EQ(1, Mapped(dpy_, marker ? kQuitTitle : kMainTitle));
        EXPECT_EQ(0, Mapped(dpy_, marker ? kMainTitle : kQuitTitle, false));
    }
}

// The driver serves no command extension: every library query fails.
TEST(StartupWithoutDriver, RunsWithWhatItHas)
{
    qevtest::XServerOptions o;
    o.device_options = {{"DisableExtension", "true"}};
    qevtest::XServer server;
    std::string error;
    ASSERT_TRUE(server.start(o, &error)) << error;
    Display *dpy = XOpenDisplay(server.display().c_str());
    ASSERT_TRUE(dpy);
    apptest::Child program(Isolated({Program()}), {"DISPLAY=" + server.display(), kQuietLeaks});
    EXPECT_EQ(1, Mapped(dpy, kMainTitle));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the Info page is filled
    EXPECT_FALSE(program.Wait(0)) << "the program ended by itself";
    XCloseDisplay(dpy);
}

// The library only reports a server without Xv; the program ends as it always
// did, with the library's line and status 255, before any window.
TEST(StartupWithoutXv, EndsWithTheLibraryLine)
{
    qevtest::XServerOptions o;
    o.driver = "dummy";
    o.extra_conf = "Section \"Extensions\"\n    Option \"XVideo\" \"Disable\"\nEndSection\n";
    qevtest::XServer server;
    std::string error;
    ASSERT_TRUE(server.start(o, &error)) << error;
    qevtest::RunOptions options;
    options.env = {"DISPLAY=" + server.display(), kQuietLeaks};
    options.timeout_ms = 20000;
    qevtest::RunResult r = qevtest::run(Isolated({Program()}), options);
    EXPECT_EQ(255, r.exit_code) << r.err;
    EXPECT_EQ("", r.out);
    EXPECT_NE(std::string::npos, r.err.find("Xv: Server has no Xvideo extention support\n")) << r.err;
}
