// sim/qevsim-run seen from its commands: xvinfo and xrandr --verbose on a
// fresh server, the in-place restart of --restartable and the framebuffer
// route of --fb.
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "qevsim_model.h"
#include "qevtest/qevtest.h"

namespace {

// qevsim-run [options] -- sh -c script, from inside the sandbox (it makes a
// namespace of its own).
qevtest::RunResult qevsim_run(const std::vector<std::string>& options, const std::string& script,
                              const std::vector<std::string>& env = {})
{
    std::vector<std::string> argv{qevtest::source_dir() + "/sim/qevsim-run"};
    argv.insert(argv.end(), options.begin(), options.end());
    argv.insert(argv.end(), {"--", "sh", "-c", script});
    qevtest::RunOptions o;
    o.env = env;
    o.env.push_back("QEVSIM_BUILD_DIR=" + qevtest::build_dir());
    o.env.push_back("QEVSIM_CTL=" QEVSIM_CTL);
    o.timeout_ms = 120000;
    return qevtest::run(argv, o);
}

// The lines of text from the one starting with `from` up to the next that does
// not start with a blank.
std::string block(const std::string& text, const std::string& from)
{
    auto at = text.find("\n" + from);
    std::string out;
    for (const auto& line : qevtest::lines(at == std::string::npos ? "" : text.substr(at + 1))) {
        if (!out.empty() && (line.empty() || (line[0] != ' ' && line[0] != '\t')))
            break;
        out += line + "\n";
    }
    return out;
}

TEST(QevsimRun, XvinfoListsBothAdaptorsAndXrandrVerboseTheOutputProperties)
{
    auto r = qevsim_run({}, "xvinfo && echo ==== && xrandr --verbose");
    ASSERT_TRUE(r.ok()) << r.err;
    std::string xv = r.out.substr(0, r.out.find("===="));
    std::string rr = r.out.substr(r.out.find("===="));

    auto texture = xv.find("Adaptor #0: \"XV_TEXTURE\"");
    auto swov = xv.find("Adaptor #1: \"XV_SWOV\"");
    ASSERT_NE(texture, std::string::npos) << xv;
    ASSERT_NE(swov, std::string::npos) << xv;
    std::string tex = xv.substr(texture, swov - texture), ov = xv.substr(swov);
    EXPECT_NE(tex.find("\"XV_OVERLAYSTATUS\" (range 0 to 1)\n              client gettable attribute (current value is 0)"),
              std::string::npos) << tex;
    EXPECT_EQ(tex.find("settable"), std::string::npos) << "the status is read-only";
    // The overlay's colour attributes are the Xv tests' (sim_ctl, tests/colour).
    EXPECT_NE(ov.find("\"XV_HUE\" (range -180 to 180)\n              client settable attribute"), std::string::npos);
    EXPECT_EQ(tex.find("XV_HUE"), std::string::npos) << "the overlay adaptor's only";
    for (const char* format : {"(YV12)", "(I420)", "(YUY2)", "(UYVY)"}) {
        EXPECT_NE(tex.find(format), std::string::npos) << format;
        EXPECT_NE(ov.find(format), std::string::npos) << format;
    }

    std::string tv = block(rr, "TV connected"), lcd = block(rr, "LCD connected");
    ASSERT_NE(tv, "") << rr;
    ASSERT_NE(lcd, "") << rr;
    for (const char* p : {"Type: NTSC", "Signal: Composite", "ScaleH: 3", "ScaleV: 3", "PosH: 15", "PosV: 15",
                          "Brightness: 50", "Contrast: 50", "Saturation: 50", "Tint: 50", "FFilter:", "DotCrawl:"})
        EXPECT_NE(tv.find(p), std::string::npos) << p << "\n" << tv;
    auto standards = tv.find("supported: NTSC");
    ASSERT_NE(standards, std::string::npos) << tv;
    EXPECT_NE(tv.substr(standards, tv.find('\n', standards) - standards).find("PAL"), std::string::npos) << tv;
    for (const char* p : {"Feature:", "ScaleH: 10", "ScaleV: 10", "PosH: 10", "PosV: 10"})
        EXPECT_NE(lcd.find(p), std::string::npos) << p << "\n" << lcd;
}

TEST(QevsimRun, RestartInPlaceReadsTheNewConfigurationAndRemovesTheMarker)
{
    // Only the CRT stays lit after the restart; a broken configuration makes
    // the restart fail with a message, and a repaired one works again.
    const std::string script = R"(
        echo "first $DISPLAY $QEVSIM_SERVER_PID"
        printf 'restart needed' > /etc/X11/.XWindowNeedtobeRestart
        cp /etc/X11/xorg.conf /etc/X11/good.conf
        sed -i 's/^\( *Identifier *"QEV Device"\)$/\1\n    Option "ActiveDevice" "CRT"/' /etc/X11/xorg.conf
        "$QEVSIM_CTL" restart || exit 10
        test -e /etc/X11/.XWindowNeedtobeRestart && echo "marker kept"
        xrandr | grep ' connected' | sed 's/ (.*//'
        echo 'Section "Bogus"' >> /etc/X11/xorg.conf
        "$QEVSIM_CTL" restart && exit 11
        cp /etc/X11/good.conf /etc/X11/xorg.conf
        "$QEVSIM_CTL" restart || exit 12
        xrandr | grep -c '[0-9]x[0-9]*+0+0'
    )";
    auto r = qevsim_run({"--restartable"}, script);
    ASSERT_EQ(r.exit_code, 0) << r.out << r.err;
    std::istringstream in(r.out);
    std::string first, display, pid, restarted;
    in >> first >> display >> pid;
    ASSERT_EQ(first, "first");
    std::getline(in, restarted);
    std::getline(in, restarted);
    EXPECT_EQ(restarted.rfind("DISPLAY=" + display + " QEVSIM_SERVER_PID=", 0), 0u) << "the same display: " << r.out;
    EXPECT_NE(restarted, "DISPLAY=" + display + " QEVSIM_SERVER_PID=" + pid) << "a new server";
    EXPECT_EQ(r.out.find("marker kept"), std::string::npos);
    EXPECT_NE(r.out.find("\nCRT connected primary 1280x1024+0+0\nLCD connected\n"), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("qevsim-ctl: the X server did not start again"), std::string::npos) << r.err;
    EXPECT_EQ(r.out.substr(r.out.size() - 2), "2\n") << "both outputs lit again: " << r.out;
}

TEST(QevsimRun, FbRunsTheCommandWithoutDisplayOnTheStandIn)
{
#ifdef QEVSIM_FB_CLIENT
    const std::string profile = qevtest::profile_path("tv-hdtv.conf");
    std::unique_ptr<QevSimModel, void (*)(QevSimModel*)> model(qevsim_model_new(), qevsim_model_free);
    char err[256] = "";
    ASSERT_TRUE(qevsim_model_load_profile(model.get(), profile.c_str(), err, sizeof err)) << err;
    // An instrumented client wants its sanitizer runtime first in the preload
    // list (only for the client: the shells are not instrumented).
    const std::string client = *QEVSIM_FB_ASAN_RUNTIME
                                   ? "env LD_PRELOAD=" QEVSIM_FB_ASAN_RUNTIME ":$LD_PRELOAD " QEVSIM_FB_CLIENT
                                   : QEVSIM_FB_CLIENT;
    // Request 0x19: the connected outputs. DISPLAY names a display the
    // harness must hide.
    auto r = qevsim_run({"--fb", "--profile", profile},
                        "echo \"display=${DISPLAY-none} profile=$QEVSIM_PROFILE\"; " + client + " open ioctl 0x19 1 -",
                        {"DISPLAY=:0"});
    ASSERT_TRUE(r.ok()) << r.out << r.err;
    char mask[16];
    std::snprintf(mask, sizeof mask, "%08x", qevsim_model_connected(model.get()));
    EXPECT_EQ(r.out.rfind("display=none profile=" + profile + "\nopen ", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("\nioctl 0 " + std::string(mask) + "\n"), std::string::npos) << r.out;

    r = qevsim_run({"--fb", "--restartable"}, "true");
    EXPECT_EQ(r.exit_code, 125);
    EXPECT_NE(r.err.find("--fb starts no X server"), std::string::npos) << r.err;
#else
    GTEST_SKIP() << "the framebuffer stand-in is not built";
#endif
}

}  // namespace
