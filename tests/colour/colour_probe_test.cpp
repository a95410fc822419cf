// Gamma and overlay families in sessions of their own (colour_probe): the
// framebuffer route through the simulator's stand-in, and X servers whose
// Xv offers less than the full set (no extension, no adaptor, some or none of
// the colour attributes).
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/extensions/Xvlib.h>

#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "qevtest/qevtest.h"

namespace {

using Strings = std::vector<std::string>;

// The probe's lines: the gamma part, then the overlay part.
Strings Expected(Strings head, Strings overlay) {
    head.insert(head.end(), overlay.begin(), overlay.end());
    return head;
}

// Overlay lines: every read gives the slider default (the driver's default,
// or no attribute known: none offered, or no X channel).
Strings Overlay(int caps, int setResult, int initResult, int saveResult) {
    Strings lines = {"overlay-init " + std::to_string(initResult), "overlay-caps 1 " + std::to_string(caps)};
    for (int i = 0; i < 4; ++i)
        lines.push_back("overlay-get " + std::to_string(i) + " 1 128");
    for (int i = 0; i < 4; ++i)
        lines.push_back("overlay-set " + std::to_string(i) + " " + std::to_string(setResult));
    lines.insert(lines.end(), {"overlay-opened 0", "save-overlay " + std::to_string(saveResult)});
    return lines;
}
Strings OverlayWithout(int setResult, int initResult, int saveResult) {
    return Overlay(0, setResult, initResult, saveResult);
}

std::string LogLine(const std::string &log, const std::string &request) {
    std::istringstream in(log);
    for (std::string line; std::getline(in, line);)
        if (line.find(" " + request + " ") != std::string::npos)
            return line;
    return {};
}

TEST(ColourFramebuffer, GammaTableWrittenPackedAndClamped) {
    for (bool gamma : {true, false}) {
        SCOPED_TRACE(gamma ? "gamma" : "no gamma");
        qevtest::TempDir dir("colour-fb");
        auto r = qevtest::run_fb_probe(QEVTEST_COLOUR_PROBE, QEVTEST_FB_STANDIN, dir,
                                       gamma ? "gamma_supported=1\n" : "gamma_supported=0\n");
        ASSERT_TRUE(r.ok()) << r.err;
        const std::string g = gamma ? "1" : "0";
        EXPECT_EQ(Expected({"open", "gamma-supported 1 " + g, "gamma-set " + g, "gamma-get 0", "save-gamma 0"},
                           OverlayWithout(0, 0, 0)),
                  qevtest::lines(r.out));
        auto log = qevtest::read_file(dir.file("fb.log"));
        ASSERT_TRUE(log.has_value());
        std::string write = LogLine(*log, "0x51455625");
        if (!gamma) {
            EXPECT_NE(std::string::npos, write.find("rc=-1 errno=EINVAL")) << *log;
            continue;
        }
        EXPECT_NE(std::string::npos, LogLine(*log, "0x51455626").find("rc=0 out=00000001")) << *log;
        EXPECT_NE(std::string::npos, write.find("rc=0")) << write;
        // Entry 0: red 255; entry 1: blue 300 taken as 255; entry 255: green
        // and blue 255.
        std::vector<std::string> words;
        std::istringstream ws(write.substr(write.find("in=") + 3));
        for (std::string w; std::getline(ws, w, ',');)
            words.push_back(w);
        ASSERT_EQ(256u, words.size());
        EXPECT_EQ((Strings{"00ff0000", "00fe01ff", "00807f7f", "0000ffff"}),
                  (Strings{words[0], words[1], words[127], words[255]}));
        // Saving is an X channel operation.
        EXPECT_FALSE(qevtest::file_exists("/etc/X11/.QEVGAMMARC"));
        EXPECT_FALSE(qevtest::file_exists("/etc/X11/.QEVOVERLAYRC"));
    }
}

// The offered attributes reached the driver; the others were kept locally.
void CheckSomeAttributes(const qevtest::XServer &server) {
    Display *d = XOpenDisplay(server.display().c_str());
    ASSERT_NE(nullptr, d);
    unsigned n = 0;
    XvAdaptorInfo *a = nullptr;
    ASSERT_EQ(Success, XvQueryAdaptors(d, DefaultRootWindow(d), &n, &a));
    XvPortID port = 0;
    for (unsigned i = 0; i < n; ++i)
        if (std::string(a[i].name) == "XV_SWOV")
            port = a[i].base_id;
    XvFreeAdaptorInfo(a);
    ASSERT_NE(0u, port);
    int hue = 0, contrast = 0;
    EXPECT_EQ(Success, XvGetPortAttribute(d, port, XInternAtom(d, "XV_HUE", False), &hue));
    EXPECT_EQ(Success, XvGetPortAttribute(d, port, XInternAtom(d, "XV_CONTRAST", False), &contrast));
    XCloseDisplay(d);
    EXPECT_EQ(200 * 360 / 255 - 180, hue);
    EXPECT_EQ(200 * 20000 / 255, contrast);
    // Saturation and brightness keep their start records (driver range
    // 0..255): slider 200 is stored as 200 and as 255 (above the default
    // point of 5000, clamped).
    auto rc = qevtest::read_file("/etc/X11/.QEVOVERLAYRC");
    ASSERT_TRUE(rc.has_value());
    ASSERT_EQ(516u, rc->size());
    EXPECT_EQ("HU:102 SA:200 BR:255 CO:15686", std::string(rc->c_str() + 260)) << rc->substr(260, 40);
}

// Servers with less Xv. Without the extension the session goes on without
// the overlay family (the gamma table still works) and says why; the
// program's ending is its own (tests/app).
TEST(ColourXv, ServersWithLessXv) {
    const Strings gammaOk = {"open", "gamma-supported 1 1", "gamma-set 1", "gamma-get 1", "save-gamma 1"};
    const struct {
        const char *name;
        std::function<void(qevtest::XServerOptions &)> setUp;
        Strings lines;
        std::function<void(const qevtest::XServer &)> check;
    } cases[] = {
        {"no Xv",
         [](auto &o) { o.device_options = {{"Xv", "off"}}; },
         Expected({"open", "open-status 1 Xv: Server has no Xvideo extention support", "gamma-supported 1 1",
                   "gamma-set 1", "gamma-get 1", "save-gamma 1"},
                  OverlayWithout(1, 0, 1)),
         nullptr},
        {"Xv without adaptors",
         [](auto &o) { o.driver = "dummy"; },
         Expected({"open", "gamma-supported 0 0", "gamma-set 0", "gamma-get 0", "save-gamma 1"},
                  OverlayWithout(1, 0, 1)),
         nullptr},
        {"some attributes",
         [](auto &o) {
             o.profile = qevtest::write_profile(
                 "some.profile", "xv.attributes=Hue,Contrast\nxv.hue_range=-180,180\nxv.contrast_range=0,20000\n");
         },
         Expected(gammaOk, Overlay(9, 1, 1, 1)), CheckSomeAttributes},
        {"no attribute",
         [](auto &o) { o.profile = qevtest::write_profile("none.profile", "xv.attributes=none\n"); },
         Expected(gammaOk, OverlayWithout(1, 0, 1)), nullptr},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        qevtest::XServerOptions o;
        c.setUp(o);
        qevtest::XServer server;
        std::string error;
        ASSERT_TRUE(server.start(o, &error)) << error;
        std::filesystem::remove_all("/etc/X11/.QEVOVERLAYRC");
        qevtest::RunOptions options;
        options.env = {"DISPLAY=" + server.display()};
        auto r = qevtest::run({QEVTEST_COLOUR_PROBE}, options);
        ASSERT_TRUE(r.ok()) << r.out << r.err;
        EXPECT_EQ(c.lines, qevtest::lines(r.out));
        if (c.check)
            c.check(server);
        server.stop();
    }
}

} // namespace
