// Multi-screen and clone operations end to end on the simulated adapter: the
// library runs in a probe process (one session per run, as in the control
// panel) against a real Xorg with the simulated driver, with and without
// RandR, and on the framebuffer stand-in.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "qev/outputs.h"
#include "qevtest/qevtest.h"
#include "qevtest/sim_ctl.h"

namespace {

// The probe's result lines (QEVGFX_Open may print a RandR notice first).
std::vector<std::string> Probe(const std::vector<std::string> &commands, const std::vector<std::string> &env = {}) {
    std::vector<std::string> argv{QEVTEST_SAMM_PROBE};
    argv.insert(argv.end(), commands.begin(), commands.end());
    qevtest::RunOptions o;
    o.env = env;
    o.env.push_back("ASAN_OPTIONS=verify_asan_link_order=0:detect_leaks=0");
    qevtest::RunResult r = qevtest::run(argv, o);
    EXPECT_TRUE(r.ok()) << r.err;
    std::vector<std::string> lines = qevtest::lines(r.out);
    std::erase_if(lines, [](const std::string &l) { return l.find("RandR") != std::string::npos; });
    return lines;
}

using Strings = std::vector<std::string>;

// Heads of the Xinerama extension as xdpyinfo lists them ("WxH @ X,Y").
Strings XineramaHeads() {
    qevtest::RunResult r = qevtest::run({"xdpyinfo", "-ext", "XINERAMA"});
    Strings heads;
    for (const std::string &line : qevtest::lines(r.out))
        if (auto at = line.find("head #"); at != std::string::npos)
            heads.push_back(line.substr(line.find(':', at) + 2));
    return heads;
}

int ScreenCount() {
    for (const std::string &line : qevtest::lines(qevtest::run({"xdpyinfo"}).out))
        if (line.rfind("number of screens:", 0) == 0)
            return std::stoi(line.substr(18));
    return -1;
}

size_t Count(const std::string &text, const std::string &what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

std::string Home(const std::string &name) {
    return std::string(std::getenv("HOME")) + "/" + name;
}

class SammNoRandR : public qevtest::XServerTest<SammNoRandR> {
  public:
    static qevtest::XServerOptions server_options() {
        qevtest::XServerOptions o;
        o.no_randr = true;
        return o;
    }
};

// The clone video output: its maximum, the output read and set, and the
// marker file the setting leaves (1 on the second output of the pair).
void CloneVideoOutput(const Strings &start, const std::string &second, const std::string &first) {
    EXPECT_EQ(start, Probe({"active", "gemel-max", "gemel-get"}));
    EXPECT_EQ(Strings({"gemel-set 1", "gemel-get 1 " + second}), Probe({"gemel-set", second, "gemel-get"}));
    EXPECT_EQ("1\n", qevtest::read_file("/etc/X11/.QEVGemel").value_or(""));
    EXPECT_EQ(Strings({"gemel-set 1", "gemel-get 1 " + first}), Probe({"gemel-set", first, "gemel-get"}));
    EXPECT_EQ("0\n", qevtest::read_file("/etc/X11/.QEVGemel").value_or(""));
}

TEST_F(SammNoRandR, CloneVideoOutput) { CloneVideoOutput({"active 1 3", "gemel-max 1 2", "gemel-get 1 1"}, "2", "1"); }

TEST_F(SammNoRandR, ConfigurationRewriteTakesEffectAtRestart) {
    const std::string original = qevtest::read_file("/etc/X11/xorg.conf").value_or("");
    ASSERT_FALSE(original.empty());
    EXPECT_EQ(Strings({"layout 0 0 0 0"}), Probe({"layout"})) << "not a multi-screen layout yet";

    EXPECT_EQ(Strings({"enable 1", "xinerama 1"}), Probe({"enable", "1", "2", "0", "xinerama"}));
    const std::string enabled = qevtest::read_file("/etc/X11/xorg.conf").value_or("");
    EXPECT_NE(std::string::npos, enabled.find("\tScreen\t\"QEV Screen-scrn2\" RightOf \"QEV Screen\"\n")) << enabled;
    EXPECT_NE(std::string::npos, enabled.find("Identifier \"QEV Device-scrn2\"\n\tDriver "));
    EXPECT_EQ(2u, Count(enabled, "\tOption \"ActiveDevice\"\t\"CRT, LCD\"\n"));
    EXPECT_EQ(original, qevtest::read_file(Home("Z7UT_xorg.conf_BK")).value_or(""));
    EXPECT_FALSE(qevtest::file_exists(Home(".Z7UtilityXFConfigTmp")));

    // The running server is untouched until it restarts with two screens.
    EXPECT_EQ(1, ScreenCount());
    ASSERT_TRUE(restart_server()) << server().log_tail();
    const Strings heads = XineramaHeads();
    ASSERT_EQ(2u, heads.size()) << server().log_tail();
    EXPECT_EQ("1280x1024 @ 0,0", heads[0]);
    EXPECT_EQ("1280x800 @ 1280,0", heads[1]);

    // Read back, then changed in the same process (the query's working copy
    // is used once, later edits make their own).
    EXPECT_EQ(Strings({"layout 1 1 2 0", "enable 1", "enable 1"}),
              Probe({"layout", "enable", "1", "2", "3", "enable", "1", "2", "1"}));
    EXPECT_NE(std::string::npos, qevtest::read_file("/etc/X11/xorg.conf").value_or("").find("LeftOf"));
    ASSERT_TRUE(restart_server()) << server().log_tail();
    const Strings left = XineramaHeads();
    ASSERT_EQ(2u, left.size());
    EXPECT_EQ("1280x800 @ 0,0", left[1]);
    EXPECT_EQ("1280x1024 @ 1280,0", left[0]);
    EXPECT_EQ(Strings({"layout 1 1 2 1"}), Probe({"layout"}));

    EXPECT_EQ(Strings({"disable 1", "xinerama 0"}), Probe({"disable", "1", "2", "1", "xinerama"}));
    const std::string disabled = qevtest::read_file("/etc/X11/xorg.conf").value_or("");
    EXPECT_EQ(0u, Count(disabled, "scrn2")) << disabled;
    ASSERT_TRUE(restart_server()) << server().log_tail();
    EXPECT_EQ(1, ScreenCount());
}

class SammRandR : public qevtest::XServerTest<SammRandR> {};

// Geometry "WxH+X+Y" of an output as xrandr reports it.
std::string Geometry(const std::string &output) {
    for (const std::string &line : qevtest::lines(qevtest::run({"xrandr"}).out)) {
        if (line.rfind(output + " connected", 0) != 0)
            continue;
        std::istringstream words(line.substr(output.size() + 11));
        for (std::string w; words >> w;)
            if (w.find('x') != std::string::npos && w.find('+') != std::string::npos)
                return w;
    }
    return "";
}

TEST_F(SammRandR, PlacesTheSecondOutputAtOnce) {
    ASSERT_EQ("1280x1024+0+0", Geometry("CRT"));
    EXPECT_EQ(Strings({"enable 1", "layout 1 1 2 0"}), Probe({"enable", "1", "2", "0", "layout"}));
    EXPECT_EQ("1280x800+1280+0", Geometry("LCD"));
    EXPECT_EQ(Strings({"enable 1", "layout 1 1 2 3"}), Probe({"enable", "1", "2", "3", "layout"}));
    EXPECT_EQ("1280x800+0+1024", Geometry("LCD"));
    EXPECT_EQ(Strings({"enable 1", "layout 1 1 2 1"}), Probe({"enable", "1", "2", "1", "layout"}));
    EXPECT_EQ("1280x1024+1280+0", Geometry("CRT"));
    EXPECT_EQ("1280x800+0+0", Geometry("LCD"));

    // Same position, or diagonal: none of the four codes.
    EXPECT_EQ(Strings({"disable 1", "layout 1 1 2 255"}), Probe({"disable", "1", "2", "0", "layout"}));
    EXPECT_EQ("1280x800+0+0", Geometry("LCD"));
    EXPECT_EQ("1280x1024+0+0", Geometry("CRT"));
    ASSERT_TRUE(qevtest::run({"xrandr", "--output", "LCD", "--pos", "640x1024"}).ok());
    EXPECT_EQ("1280x800+640+1024", Geometry("LCD"));
    EXPECT_EQ(Strings({"layout 1 1 2 255"}), Probe({"layout"}));
    EXPECT_FALSE(qevtest::file_exists(Home(".Z7UtilityXFConfigTmp"))) << "RandR leaves no files";
}

// An HDTV output is placed and put back through the RandR output "TV".
TEST_F(SammRandR, HdtvGoesThroughTheTVOutput) {
    ASSERT_TRUE(qevtest::SimCtlOk({"set", "connected", "CRT,LCD,TV,HDTV"}));
    ASSERT_TRUE(qevtest::SimCtlOk({"set", "active", "CRT,HDTV"}));
    EXPECT_EQ(Strings({"enable 1"}), Probe({"enable", "1", "64", "1"}));
    EXPECT_EQ("1280x720+0+0", Geometry("TV"));
    EXPECT_EQ("1280x1024+1280+0", Geometry("CRT"));
    EXPECT_EQ(Strings({"disable 1"}), Probe({"disable", "1", "64", "1"}));
    EXPECT_EQ("1280x720+0+0", Geometry("TV"));
    EXPECT_EQ("1280x1024+0+0", Geometry("CRT"));
    EXPECT_TRUE(qevtest::SimCtlOk({"set", "active", "CRT,LCD"}));
    EXPECT_TRUE(qevtest::SimCtlOk({"set", "connected", "CRT,LCD,TV"}));
}

// A chip that shows video on one output of a clone pair, with LCD and DVI
// as the pair (LCD is then the main output). Without RandR, so the active
// outputs come from the driver command.
class SammSingleVideoChip : public qevtest::XServerTest<SammSingleVideoChip> {
  public:
    static qevtest::XServerOptions server_options() {
        static qevtest::TempDir dir("sammprofile");
        qevtest::XServerOptions o;
        o.profile = dir.file("single.profile");
        o.no_randr = true;
        qevtest::write_file(o.profile, "chip=M300\nsupported=CRT,LCD,DVI\nconnected=CRT,LCD,DVI\n"
                                       "active=LCD,DVI\nprimary=LCD\n");
        return o;
    }
};

TEST_F(SammSingleVideoChip, CloneVideoOutputOfLcdAndDvi) {
    CloneVideoOutput({"active 1 10", "gemel-max 1 1", "gemel-get 1 2"}, "8", "2");
}

// Hand-written configurations of many shapes (tests/samm/corpus): enable,
// enable again with the other order and position, disable, each through the
// library against the simulated adapter without RandR. A failed step leaves
// the file byte for byte as it was; every other result is read by a real
// Xorg, as the file was before it, and a CR LF file stays CR LF.
class SammCorpus : public qevtest::XServerTest<SammCorpus> {
  public:
    static qevtest::XServerOptions server_options() {
        qevtest::XServerOptions o;
        o.no_randr = true;
        o.config_path = "/etc/X11/qevsim.conf"; // /etc/X11/xorg.conf is the corpus file
        return o;
    }
};

// The configuration as Xorg's dummy driver runs it in the sandbox: a last
// Driver line (the one Xorg uses) makes every Device section drive "dummy",
// and a file without a Device section gets one.
std::string DummyCopy(const std::string &conf) {
    static const std::regex device(R"((^|\n)([ \t]*Section[ \t]+"Device"[\s\S]*?\n)([ \t]*EndSection))",
                                   std::regex::icase);
    const std::string out = std::regex_replace(conf, device, "$1$2\tDriver \"dummy\"\n$3");
    return out != conf ? out : conf + "Section \"Device\"\n\tIdentifier \"Added\"\n\tDriver \"dummy\"\nEndSection\n";
}

// Starts Xorg on the copy (-config, an empty -configdir) and stops it by its
// pid once it accepts clients.
bool XorgAccepts(const std::string &conf, std::string *log) {
    qevtest::XServerOptions o;
    o.full_conf = DummyCopy(conf);
    o.config_path = "/etc/X11/dummy-check.conf";
    qevtest::XServer x;
    const bool ok = x.start(o, log);
    x.stop();
    return ok;
}

TEST_F(SammCorpus, EveryResultIsAcceptedByXorg) {
    // Shapes without a screen of their own to extend: both enables fail, the
    // disable has nothing to undo. Every other enable succeeds.
    const std::set<std::string> refused = {"blank.conf",         "commented.conf",       "comments-on-section-lines.conf",
                                           "device-only.conf",   "inputclass-only.conf", "monitor-only.conf",
                                           "multi-gpu-two-screens.conf"};
    const std::vector<Strings> steps = {
        {"enable", "1", "2", "0"}, {"enable", "2", "1", "3"}, {"disable", "2", "1", "3"}};
    ASSERT_TRUE(qevtest::run({"sh", "-c", "[ -z \"$(ls -A /etc/X11/xorg.conf.d)\" ]"}).ok());
    int shapes = 0;
    for (const auto &entry : std::filesystem::directory_iterator(qevtest::source_dir() + "/tests/samm/corpus")) {
        const std::string name = entry.path().filename();
        SCOPED_TRACE(name);
        ++shapes;
        const std::string original = qevtest::read_file(entry.path()).value_or("");
        std::string log;
        EXPECT_TRUE(XorgAccepts(original, &log)) << log;
        ASSERT_TRUE(qevtest::write_file("/etc/X11/xorg.conf", original));
        std::string before = original;
        for (const Strings &step : steps) {
            const Strings out = Probe(step);
            const std::string now = qevtest::read_file("/etc/X11/xorg.conf").value_or("<missing>");
            SCOPED_TRACE(step[0] + step[1] + ":\n" + now);
            const bool ok = step[0] == "disable" || !refused.count(name);
            EXPECT_EQ(Strings({step[0] + (ok ? " 1" : " 0")}), out);
            if (!ok || now == before) {
                EXPECT_EQ(before, now);
            } else {
                EXPECT_TRUE(XorgAccepts(now, &log)) << log;
            }
            const bool crlf = original.find("\r\n") != std::string::npos;
            EXPECT_TRUE(!crlf || Count(now, "\n") == Count(now, "\r\n")) << "a CR LF file stays CR LF";
            before = now;
        }
        EXPECT_TRUE(!refused.count(name) || original == before);
    }
    EXPECT_GE(shapes, 20);
}

#ifdef QEVTEST_FB_STANDIN
TEST(SammFramebuffer, EnableDisableAndLayout) {
    qevtest::TempDir dir("sammfb");
    const std::string profile = dir.file("fb.profile");
    ASSERT_TRUE(qevtest::write_file(profile, "supported=CRT,LCD,DVI\nconnected=CRT,LCD,DVI\nactive=CRT\n"));
    const Strings env = {"DISPLAY", "LD_PRELOAD=" QEVTEST_FB_STANDIN, "QEVSIM_PROFILE=" + profile};
    EXPECT_EQ(Strings({"enable 1", "layout 1 2 8 0", "fb-second 1 8 1920 1080 60", "disable 1"}),
              Probe({"enable", "2", "8", "0", "layout", "fb-second", "disable", "2", "8", "0"}, env));
}
#endif

} // namespace
