// The program's start-up guards, run as a child process: the single-instance
// message and the restart marker.
#include <gtest/gtest.h>
// Xlib after GoogleTest: its macros (None, Bool) clash with GoogleTest names.
#include <X11/Xlib.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
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

// Sanitizer builds: the program's GTK allocations live until exit.
const char kQuietLeaks[] = "ASAN_OPTIONS=detect_leaks=0";

struct DisplayCloser {
    void operator()(Display *d) const { XCloseDisplay(d); }
};

// Top-level windows of the test server, looked up by title.
class TopLevels {
public:
    explicit TopLevels(const std::string &name) : dpy_(XOpenDisplay(name.c_str())) {}
    bool ok() const { return dpy_ != nullptr; }

    // The mapped top-level window titled exactly `title`, or None.
    Window Find(const std::string &title)
    {
        Window rootReturn, parent, *children = nullptr;
        unsigned count = 0;
        Window found = None;
        if (!XQueryTree(dpy_.get(), DefaultRootWindow(dpy_.get()), &rootReturn, &parent, &children, &count))
            return None;
        for (unsigned i = 0; i < count && found == None; ++i) {
            XWindowAttributes attrs;
            if (!XGetWindowAttributes(dpy_.get(), children[i], &attrs) || attrs.map_state != IsViewable)
                continue;
            char *name = nullptr;
            if (XFetchName(dpy_.get(), children[i], &name) && name) {
                if (title == name)
                    found = children[i];
                XFree(name);
            }
        }
        if (children)
            XFree(children);
        return found;
    }

    // How many mapped top-level windows are titled `title`.
    int Count(const std::string &title)
    {
        Window rootReturn, parent, *children = nullptr;
        unsigned count = 0;
        int found = 0;
        if (!XQueryTree(dpy_.get(), DefaultRootWindow(dpy_.get()), &rootReturn, &parent, &children, &count))
            return -1;
        for (unsigned i = 0; i < count; ++i) {
            XWindowAttributes attrs;
            char *name = nullptr;
            if (XGetWindowAttributes(dpy_.get(), children[i], &attrs) && attrs.map_state == IsViewable &&
                XFetchName(dpy_.get(), children[i], &name) && name) {
                found += title == name;
                XFree(name);
            }
        }
        if (children)
            XFree(children);
        return found;
    }

    Window WaitFor(const std::string &title, int timeoutMs = 20000)
    {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (std::chrono::steady_clock::now() < deadline) {
            if (Window w = Find(title))
                return w;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return None;
    }

    // Where the window lies on the screen.
    std::pair<int, int> Origin(Window w)
    {
        Window child;
        int x = -1, y = -1;
        XTranslateCoordinates(dpy_.get(), w, DefaultRootWindow(dpy_.get()), 0, 0, &x, &y, &child);
        return {x, y};
    }

    // Asks the window to close, as a window manager's close box does.
    void Close(Window w)
    {
        XEvent ev{};
        ev.xclient.type = ClientMessage;
        ev.xclient.window = w;
        ev.xclient.message_type = XInternAtom(dpy_.get(), "WM_PROTOCOLS", False);
        ev.xclient.format = 32;
        ev.xclient.data.l[0] = static_cast<long>(XInternAtom(dpy_.get(), "WM_DELETE_WINDOW", False));
        ev.xclient.data.l[1] = CurrentTime;
        XSendEvent(dpy_.get(), w, False, NoEventMask, &ev);
        XFlush(dpy_.get());
    }

private:
    std::unique_ptr<Display, DisplayCloser> dpy_;
};

class Startup : public qevtest::XServerTest<Startup> {
protected:
    void SetUp() override
    {
        qevtest::XServerTest<Startup>::SetUp();
        unlink(kMarker);
    }
    void TearDown() override { unlink(kMarker); }
};

}  // namespace

TEST_F(Startup, SecondInstancePrintsTheMessageAndLeaves)
{
    // Any process whose executable path contains the program's name counts:
    // here one in a directory of that name.
    qevtest::TempDir dir("instance");
    fs::path fake = fs::path(dir.path()) / "QEVDisplayUtility" / "sleeper";
    fs::create_directories(fake.parent_path());
    fs::copy_file("/bin/sleep", fake);
    fs::permissions(fake, fs::perms::owner_all);
    apptest::Child other({fake.string(), "30"});
    ASSERT_TRUE(other.started());
    for (int i = 0; i < 100 && GetProcessCount("QEVDisplayUtility") < 1; ++i)
        usleep(20000);

    // Without DISPLAY: the program must not get as far as opening anything.
    qevtest::RunOptions options;
    options.env = {"DISPLAY", kQuietLeaks};
    options.timeout_ms = 20000;
    qevtest::RunResult r = qevtest::run({Program()}, options);
    EXPECT_TRUE(r.ok()) << r.err;
    EXPECT_EQ("The QEVDisplayUtility is running.\n", r.out);
}

// Copies started at the same moment (a double click on a menu entry): exactly
// one shows its window, every other prints the message and leaves with 0.
// They run in a PID namespace of their own, so that copies run elsewhere on
// this machine do not count.
TEST_F(Startup, SimultaneousStartsGiveExactlyOneWindow)
{
    constexpr int kCopies = 8;
    qevtest::TempDir dir("instances");
    TopLevels screen(server().display());
    ASSERT_TRUE(screen.ok());
    {
        // The lock decides, even with no other process of the name in sight.
        int fd = open(dir.file("QEVDisplayUtility.lock").c_str(), O_RDWR | O_CREAT, 0600);
        ASSERT_EQ(0, flock(fd, LOCK_EX));
        apptest::Child held(Isolated({"/bin/sh", "-c", "\"$0\" >\"$1/held.out\"", Program(), dir.path()}),
                            {"DISPLAY=" + server().display(), "XDG_RUNTIME_DIR=" + dir.path(), kQuietLeaks});
        EXPECT_EQ(std::optional<int>(0), held.Wait(20000));
        EXPECT_EQ("The QEVDisplayUtility is running.\n", qevtest::read_file(dir.file("held.out")));
        close(fd);
    }
    // The copies wait on one pipe until all are ready, then start together.
    const std::string n = std::to_string(kCopies);
    const std::string script =
        "mkfifo \"$1/go\" && exec 3<>\"$1/go\" || exit 1\n"
        "for i in $(seq " + n + "); do\n"
        "  (: >\"$1/ready.$i\"; read x <&3; exec 3<&-; \"$0\" >\"$1/$i.out\"; echo $? >\"$1/$i.rc\") &\n"
        "done\n"
        "while [ $(ls \"$1\" | grep -c '^ready') -lt " + n + " ]; do sleep 0.01; done\n"
        "printf '\\n%.0s' $(seq " + n + ") >&3\n"
        "wait\n";
    apptest::Child group(Isolated({"/bin/sh", "-c", script, Program(), dir.path()}),
                         {"DISPLAY=" + server().display(), "XDG_RUNTIME_DIR=" + dir.path(), kQuietLeaks});
    ASSERT_TRUE(group.started());
    Window main = screen.WaitFor(kMainTitle);
    ASSERT_NE(None, main);
    auto exited = [&] {
        int n = 0;
        for (int i = 1; i <= kCopies; ++i)
            n += fs::exists(dir.file(std::to_string(i) + ".rc"));
        return n;
    };
    for (int i = 0; i < 1000 && exited() < kCopies - 1; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_EQ(kCopies - 1, exited()) << "every other copy leaves";
    EXPECT_EQ(1, screen.Count(kMainTitle));
    int told = 0;
    for (int i = 1; i <= kCopies; ++i) {
        auto rc = qevtest::read_file(dir.file(std::to_string(i) + ".rc"));
        if (!rc)
            continue;
        EXPECT_EQ("0\n", *rc);
        told += qevtest::read_file(dir.file(std::to_string(i) + ".out")) == "The QEVDisplayUtility is running.\n";
    }
    EXPECT_EQ(kCopies - 1, told);
    screen.Close(main);
    EXPECT_EQ(std::optional<int>(0), group.Wait(20000));
    EXPECT_EQ(kCopies, exited());
}

TEST_F(Startup, RestartMarkerKeepsTheMainWindowAway)
{
    TopLevels screen(server().display());
    ASSERT_TRUE(screen.ok());
    std::vector<std::string> env = {"DISPLAY=" + server().display(), kQuietLeaks};

    {
        SCOPED_TRACE("marker present");
        ASSERT_TRUE(qevtest::write_file(kMarker, "1\n"));
        apptest::Child program(Isolated({Program()}), env);
        Window dialog = screen.WaitFor(kQuitTitle);
        ASSERT_NE(None, dialog);
        EXPECT_EQ(std::make_pair(0, 0), screen.Origin(dialog));
        EXPECT_EQ(None, screen.Find(kMainTitle));
        screen.Close(dialog);
        EXPECT_EQ(std::optional<int>(0), program.Wait(10000));
    }
    {
        SCOPED_TRACE("marker removed");
        ASSERT_EQ(0, unlink(kMarker));
        apptest::Child program(Isolated({Program()}), env);
        Window main = screen.WaitFor(kMainTitle);
        ASSERT_NE(None, main);
        EXPECT_EQ(std::make_pair(0, 0), screen.Origin(main));
        EXPECT_EQ(None, screen.Find(kQuitTitle));
        screen.Close(main);
        EXPECT_EQ(std::optional<int>(0), program.Wait(10000));
    }
}

namespace {

// The driver serves no command extension: every library query fails.
class StartupWithoutDriver : public qevtest::XServerTest<StartupWithoutDriver> {
public:
    static qevtest::XServerOptions server_options()
    {
        qevtest::XServerOptions o;
        o.device_options = {{"DisableExtension", "true"}};
        return o;
    }
};

}  // namespace

TEST_F(StartupWithoutDriver, RunsWithWhatItHas)
{
    TopLevels screen(server().display());
    ASSERT_TRUE(screen.ok());
    apptest::Child program(Isolated({Program()}), {"DISPLAY=" + server().display(), kQuietLeaks});
    Window main = screen.WaitFor(kMainTitle);
    ASSERT_NE(None, main);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the Info page is filled
    ASSERT_FALSE(program.Wait(0)) << "the program ended by itself";
    screen.Close(main);
    EXPECT_EQ(std::optional<int>(0), program.Wait(10000));
}

// The library only reports a server without Xv; the program ends as it always
// did, with the library's line and status 255, before any window.
TEST(StartupWithoutXv, EndsWithTheLibraryLine)
{
    if (GetProcessCount("QEVDisplayUtility") > 0)
        GTEST_SKIP() << "another QEVDisplayUtility runs on this machine";
    qevtest::XServerOptions o;
    o.driver = "dummy";
    o.extra_conf = "Section \"Extensions\"\n    Option \"XVideo\" \"Disable\"\nEndSection\n";
    qevtest::XServer server;
    std::string error;
    ASSERT_TRUE(server.start(o, &error)) << error;
    qevtest::RunOptions options;
    options.env = {"DISPLAY=" + server.display(), kQuietLeaks};
    options.timeout_ms = 20000;
    qevtest::RunResult r = qevtest::run({Program()}, options);
    EXPECT_EQ(255, r.exit_code) << r.err;
    EXPECT_EQ("", r.out);
    EXPECT_NE(std::string::npos, r.err.find("Xv: Server has no Xvideo extention support\n")) << r.err;
    server.stop();
}
