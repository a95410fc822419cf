// Gamma and overlay families in sessions of their own (colour_probe): the
// framebuffer route through the simulator's stand-in, and X servers whose
// Xv offers less than the full set (no extension, some or none of the colour
// attributes).
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/extensions/Xvlib.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "qevtest/qevtest.h"

namespace {

std::vector<std::string> Expected(std::vector<std::string> head, std::vector<std::string> overlay) {
    head.insert(head.end(), overlay.begin(), overlay.end());
    return head;
}

// Overlay lines when the overlay port offers none of the attributes (or
// there is no X channel): reads give the slider default.
std::vector<std::string> OverlayWithout(int setResult, int initResult, int saveResult) {
    std::string s = std::to_string(setResult);
    return {"overlay-init " + std::to_string(initResult),
            "overlay-caps 1 0",
            "overlay-get 0 1 128",
            "overlay-get 1 1 128",
            "overlay-get 2 1 128",
            "overlay-get 3 1 128",
            "overlay-set 0 " + s,
            "overlay-set 1 " + s,
            "overlay-set 2 " + s,
            "overlay-set 3 " + s,
            "overlay-opened 0",
            "save-overlay " + std::to_string(saveResult)};
}

qevtest::RunResult RunFbProbe(const qevtest::TempDir &dir, const std::string &profile) {
    return qevtest::run_fb_probe(QEVTEST_COLOUR_PROBE, QEVTEST_FB_STANDIN, dir, profile);
}

std::string LogLine(const std::string &log, const std::string &request) {
    std::istringstream in(log);
    for (std::string line; std::getline(in, line);)
        if (line.find(" " + request + " ") != std::string::npos)
            return line;
    return {};
}

TEST(ColourFramebuffer, GammaTableWrittenPackedAndClamped) {
    qevtest::TempDir dir("colour-fb");
    auto r = RunFbProbe(dir, "gamma_supported=1\n");
    ASSERT_TRUE(r.ok()) << r.err;
    EXPECT_EQ(Expected({"open", "gamma-supported 1 1", "gamma-set 1", "gamma-get 0", "save-gamma 0"},
                       OverlayWithout(0, 0, 0)),
              qevtest::lines(r.out));

    auto log = qevtest::read_file(dir.file("fb.log"));
    ASSERT_TRUE(log.has_value());
    EXPECT_NE(std::string::npos, LogLine(*log, "0x51455626").find("rc=0 out=00000001")) << *log;
    std::string write = LogLine(*log, "0x51455625");
    ASSERT_FALSE(write.empty()) << *log;
    EXPECT_NE(std::string::npos, write.find("rc=0")) << write;
    // Entry 0: red 255; entry 1: blue 300 taken as 255; entry 255: green and
    // blue 255.
    std::string in = write.substr(write.find("in=") + 3);
    std::vector<std::string> words;
    std::istringstream ws(in);
    for (std::string w; std::getline(ws, w, ',');)
        words.push_back(w);
    ASSERT_EQ(256u, words.size());
    EXPECT_EQ("00ff0000", words[0]);
    EXPECT_EQ("00fe01ff", words[1]);
    EXPECT_EQ("00807f7f", words[127]);
    EXPECT_EQ("0000ffff", words[255]);
    // Saving is an X channel operation.
    EXPECT_FALSE(qevtest::file_exists("/etc/X11/.QEVGAMMARC"));
    EXPECT_FALSE(qevtest::file_exists("/etc/X11/.QEVOVERLAYRC"));
}

TEST(ColourFramebuffer, AdapterWithoutGamma) {
    qevtest::TempDir dir("colour-fb-nogamma");
    auto r = RunFbProbe(dir, "gamma_supported=0\n");
    ASSERT_TRUE(r.ok()) << r.err;
    EXPECT_EQ(Expected({"open", "gamma-supported 1 0", "gamma-set 0", "gamma-get 0", "save-gamma 0"},
                       OverlayWithout(0, 0, 0)),
              qevtest::lines(r.out));
    auto log = qevtest::read_file(dir.file("fb.log"));
    ASSERT_TRUE(log.has_value());
    EXPECT_NE(std::string::npos, LogLine(*log, "0x51455625").find("rc=-1 errno=EINVAL")) << *log;
}

// ---- X servers ----------------------------------------------------------------

std::string WriteProfile(const qevtest::TempDir &dir, const std::string &text) {
    std::string path = dir.file("x.profile");
    qevtest::write_file(path, text);
    return path;
}

qevtest::RunResult RunXProbe(const qevtest::XServer &server) {
    qevtest::RunOptions options;
    options.env = {"DISPLAY=" + server.display()};
    return qevtest::run({QEVTEST_COLOUR_PROBE}, options);
}

// A server without the XVideo extension: the session goes on without the
// overlay family (the gamma table still works) and says why; the program's
// ending is its own (tests/app).
TEST(ColourXv, ServerWithoutXvReportedNotFatal) {
    qevtest::XServerOptions o;
    o.device_options = {{"Xv", "off"}};
    qevtest::XServer server;
    std::string error;
    ASSERT_TRUE(server.start(o, &error)) << error;
    auto r = RunXProbe(server);
    ASSERT_TRUE(r.ok()) << r.out << r.err;
    EXPECT_EQ(Expected({"open", "open-status 1 Xv: Server has no Xvideo extention support", "gamma-supported 1 1",
                        "gamma-set 1", "gamma-get 1", "save-gamma 1"},
                       OverlayWithout(1, 0, 1)),
              qevtest::lines(r.out));
    server.stop();
}

// Xv without adaptors: the session goes on without ports; nothing of the
// overlay is offered.
TEST(ColourXv, XvWithoutAdaptors) {
    qevtest::XServerOptions o;
    o.driver = "dummy";
    qevtest::XServer server;
    std::string error;
    ASSERT_TRUE(server.start(o, &error)) << error;
    auto r = RunXProbe(server);
    ASSERT_TRUE(r.ok()) << r.out << r.err;
    EXPECT_EQ(Expected({"open", "gamma-supported 0 0", "gamma-set 0", "gamma-get 0", "save-gamma 1"},
                       OverlayWithout(1, 0, 1)),
              qevtest::lines(r.out));
    server.stop();
}

TEST(ColourXv, SomeAttributesOffered) {
    qevtest::TempDir dir("colour-xv-some");
    qevtest::XServerOptions o;
    o.profile = WriteProfile(dir, "xv.attributes=Hue,Contrast\nxv.hue_range=-180,180\nxv.contrast_range=0,20000\n");
    qevtest::XServer server;
    std::string error;
    ASSERT_TRUE(server.start(o, &error)) << error;
    std::filesystem::remove_all("/etc/X11/.QEVOVERLAYRC");
    auto r = RunXProbe(server);
    ASSERT_TRUE(r.ok()) << r.err;
    std::vector<std::string> lines = qevtest::lines(r.out);
    ASSERT_EQ(17u, lines.size()) << r.out;
    EXPECT_EQ("gamma-get 1", lines[3]);
    EXPECT_EQ("save-gamma 1", lines[4]);
    std::vector<std::string> overlay(lines.begin() + 5, lines.end());
    EXPECT_EQ((std::vector<std::string>{"overlay-init 1", "overlay-caps 1 9", "overlay-get 0 1 128",
                                        "overlay-get 1 1 128", "overlay-get 2 1 128", "overlay-get 3 1 128",
                                        "overlay-set 0 1", "overlay-set 1 1", "overlay-set 2 1", "overlay-set 3 1",
                                        "overlay-opened 0", "save-overlay 1"}),
              overlay);

    // The offered ones reached the driver; the others were kept locally.
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
    server.stop();
}

TEST(ColourXv, NoAttributeOffered) {
    qevtest::TempDir dir("colour-xv-none");
    qevtest::XServerOptions o;
    o.profile = WriteProfile(dir, "xv.attributes=none\n");
    qevtest::XServer server;
    std::string error;
    ASSERT_TRUE(server.start(o, &error)) << error;
    auto r = RunXProbe(server);
    ASSERT_TRUE(r.ok()) << r.err;
    std::vector<std::string> lines = qevtest::lines(r.out);
    ASSERT_EQ(17u, lines.size()) << r.out;
    EXPECT_EQ(OverlayWithout(1, 0, 1), std::vector<std::string>(lines.begin() + 5, lines.end()));
    server.stop();
}

} // namespace
