// Display, panel and TV families on the X channel with RandR 1.2: queries
// through libXrandr, changes through xrandr argument vectors (recorded, and
// passed on to the real xrandr), the state then checked from outside: the
// properties and transforms xrandr --verbose prints and the driver's own
// commands.
#include <gtest/gtest.h>

#include <cstdio>
#include <limits>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "command_recorder.h"
#include "qev/outputs.h"
#include "qevgfx.h"
#include "qevtest/qevtest.h"
#include "qevtest/session.h"
#include "qevtest/sim_ctl.h"
#include "xrandr_recorder.h"

namespace {

using qevtest::Argv;
using qevtest::Cmd;
using qevtest::SentCommand;
constexpr int kSentinel = 0x5a5a5a5a;

// xrandr --verbose: per output, its header line and "Property: value" lines.
struct OutputView {
    std::string header;
    std::map<std::string, std::string> props;
};
std::map<std::string, OutputView> Verbose() {
    auto r = qevtest::run({"xrandr", "--verbose"});
    EXPECT_TRUE(r.ok()) << r.err;
    std::map<std::string, OutputView> out;
    OutputView *cur = nullptr;
    std::istringstream in(r.out);
    for (std::string line; std::getline(in, line);) {
        if (line.empty())
            continue;
        if (line[0] != '\t' && line[0] != ' ') {
            cur = nullptr;
            size_t sp = line.find(' ');
            if (line.rfind("Screen ", 0) != 0 && sp != std::string::npos) {
                cur = &out[line.substr(0, sp)];
                cur->header = line;
            }
            continue;
        }
        if (cur == nullptr || line.size() < 2 || line[0] != '\t' || line[1] == '\t')
            continue;
        size_t colon = line.find(':');
        if (colon == std::string::npos)
            continue;
        std::string key = line.substr(1, colon - 1);
        std::string value = line.substr(colon + 1);
        while (!value.empty() && (value.front() == ' ' || value.front() == '\t'))
            value.erase(value.begin());
        while (!value.empty() && (value.back() == ' ' || value.back() == '\t'))
            value.pop_back();
        cur->props[key] = value;
    }
    return out;
}
std::string Prop(const char *output, const char *name) { return Verbose()[output].props[name]; }

// One raw command of the driver, for its view of the state.
std::vector<int> Driver(int group, int function, std::vector<int> inputs, unsigned outputs) {
    std::vector<int> out(outputs, kSentinel);
    EXPECT_EQ(1, InputCommand(group, function, unsigned(inputs.size()), inputs.data(), outputs, out.data()));
    return out;
}

class RandRFamilies : public qevtest::SessionTest<RandRFamilies> {
public:
    static qevtest::XServerOptions server_options() {
        qevtest::XServerOptions o;
        o.profile = qevtest::write_profile("randr.profile", "tv.tv.size_max=30,30\nadjust.lcd.size_max=100,80\n");
        return o;
    }
    void SetUp() override {
        qevtest::SessionTest<RandRFamilies>::SetUp();
        if (HasFatalFailure())
            return;
        int randr = 0;
        QEVGFX_IsRandR(&randr);
        ASSERT_EQ(1, randr);
        qevtest::clear_sent_commands();
    }
};

TEST_F(RandRFamilies, TvStandardAndSignal) {
    {
        qevtest::XrandrRecorder xrandr(true);
        ASSERT_EQ(1, QEVGFX_TV_SetStandard(QEV_OUT_HDTV, QEV_TVSTD_PAL));
        EXPECT_EQ((std::vector<Argv>{{"--output", "TV", "--set", "Type", "PAL"}}), xrandr.calls());
    }
    EXPECT_EQ("PAL", Prop("TV", "Type"));
    EXPECT_EQ(QEV_TVSTD_PAL, Driver(21, 2, {}, 1)[0]);
    unsigned v = 0;
    ASSERT_EQ(1, QEVGFX_TV_GetStandard(QEV_OUT_TV, &v));
    EXPECT_EQ(unsigned(QEV_TVSTD_PAL), v);
    ASSERT_EQ(1, QEVGFX_TV_GetSupportStandard(QEV_OUT_TV, &v));
    EXPECT_EQ(0x7fu, v); // the encoder's standards of both groups
    ASSERT_EQ(1, QEVGFX_TV_SetStandard(QEV_OUT_TV, QEV_TVSTD_NTSC));
    EXPECT_EQ("NTSC", Prop("TV", "Type"));

    ASSERT_EQ(1, QEVGFX_TV_GetSupportSignalType(QEV_OUT_TV, &v));
    EXPECT_EQ(0xfu, v);
    ASSERT_EQ(1, QEVGFX_TV_SetSignalType(QEV_OUT_TV, QEV_TVSIG_RGB));
    EXPECT_EQ("RGB", Prop("TV", "Signal"));
    ASSERT_EQ(1, QEVGFX_TV_GetSignalType(QEV_OUT_TV, &v));
    EXPECT_EQ(unsigned(QEV_TVSIG_RGB), v);
    ASSERT_EQ(1, QEVGFX_TV_SetSignalType(QEV_OUT_TV, QEV_TVSIG_COMPOSITE));
    EXPECT_TRUE(qevtest::sent_commands().size() == 1u); // only the check above
}

TEST_F(RandRFamilies, TvSizeAndPosition) {
    {
        qevtest::XrandrRecorder xrandr(true);
        ASSERT_EQ(1, QEVGFX_TV_SetViewSize(QEV_OUT_TV, 10, 20));
        ASSERT_EQ(1, QEVGFX_TV_SetViewPosition(QEV_OUT_HDTV, 3, 4));
        EXPECT_EQ((std::vector<Argv>{{"--output", "TV", "--set", "ScaleH", "10", "--set", "ScaleV", "20"},
                                     {"--output", "TV", "--set", "PosH", "3", "--set", "PosV", "4"}}),
                  xrandr.calls());
    }
    EXPECT_EQ((std::vector<int>{10, 20}), Driver(21, 8, {}, 2));
    EXPECT_EQ((std::vector<int>{3, 4}), Driver(21, 11, {}, 2));
    int s[2] = {};
    ASSERT_EQ(1, QEVGFX_TV_GetViewSize(QEV_OUT_TV, s));
    EXPECT_EQ(10, s[0]);
    EXPECT_EQ(20, s[1]);
    ASSERT_EQ(1, QEVGFX_TV_GetMaxViewSize(QEV_OUT_TV, s));
    EXPECT_EQ(30, s[0]);
    EXPECT_EQ(30, s[1]);
    ASSERT_EQ(1, QEVGFX_TV_GetMaxViewPosition(QEV_OUT_TV, s));
    EXPECT_EQ(30, s[0]);

    // The server refuses a value outside the range (BadValue, in xrandr's own
    // connection): nothing changes and later calls work.
    ASSERT_EQ(1, QEVGFX_TV_SetViewSize(QEV_OUT_TV, 31, 40));
    ASSERT_EQ(1, QEVGFX_TV_GetViewSize(QEV_OUT_TV, s));
    EXPECT_EQ(10, s[0]);
    EXPECT_EQ(20, s[1]);
    ASSERT_EQ(1, QEVGFX_TV_SetViewPosition(QEV_OUT_TV, 7, 8));
    ASSERT_EQ(1, QEVGFX_TV_GetViewPosition(QEV_OUT_TV, s));
    EXPECT_EQ(7, s[0]);
    EXPECT_EQ(8, s[1]);
}

TEST_F(RandRFamilies, TvTuningAndSettings) {
    unsigned caps = 0;
    ASSERT_EQ(1, QEVGFX_TV_GetSupportTuningCaps(QEV_OUT_TV, &caps));
    EXPECT_EQ(0x3fu, caps);
    ASSERT_EQ(1, QEVGFX_TV_GetSupportSettingCaps(QEV_OUT_TV, &caps));
    EXPECT_EQ(0x7u, caps);
    int v = 0;
    ASSERT_EQ(1, QEVGFX_TV_GetTuningItemMaxValue(QEV_OUT_TV, 0x1, &v));
    EXPECT_EQ(3, v);
    ASSERT_EQ(1, QEVGFX_TV_GetTuningItemMaxValue(QEV_OUT_TV, 0x20, &v));
    EXPECT_EQ(100, v);
    {
        qevtest::XrandrRecorder xrandr(true);
        ASSERT_EQ(1, QEVGFX_TV_SetTuningItemValue(QEV_OUT_TV, 0x8, 70));
        ASSERT_EQ(1, QEVGFX_TV_SetTuningItemValue(QEV_OUT_TV, 0x1, 1));
        ASSERT_EQ(1, QEVGFX_TV_SetSettingItemState(QEV_OUT_TV, 0x4, 1));
        EXPECT_EQ((std::vector<Argv>{{"--output", "TV", "--set", "Contrast", "70"},
                                     {"--output", "TV", "--set", "FFilter", "AFFON"},
                                     {"--output", "TV", "--set", "DotCrawl", "On"}}),
                  xrandr.calls());
    }
    auto tv = Verbose()["TV"];
    EXPECT_EQ("70", tv.props["Contrast"]);
    EXPECT_EQ("AFFON", tv.props["FFilter"]);
    EXPECT_EQ("On", tv.props["DotCrawl"]);
    EXPECT_EQ(70, Driver(21, 15, {0x8}, 1)[0]);
    ASSERT_EQ(1, QEVGFX_TV_GetTuningItemValue(QEV_OUT_TV, 0x8, &v));
    EXPECT_EQ(70, v);
    ASSERT_EQ(1, QEVGFX_TV_GetSettingItemState(QEV_OUT_TV, 0x2, &v));
    EXPECT_EQ(1, v);
    ASSERT_EQ(1, QEVGFX_TV_GetSettingItemState(QEV_OUT_TV, 0x1, &v));
    EXPECT_EQ(0, v);
    ASSERT_EQ(1, QEVGFX_TV_SetSettingItemState(QEV_OUT_TV, 0x1, 1));
    ASSERT_EQ(1, QEVGFX_TV_GetTuningItemValue(QEV_OUT_TV, 0x1, &v));
    EXPECT_EQ(3, v); // FFON
    ASSERT_EQ(1, QEVGFX_TV_SetSettingItemState(QEV_OUT_TV, 0x4, 0));
    EXPECT_EQ("Off", Prop("TV", "DotCrawl"));
}

// Outputs without a TV output of RandR: nothing is read or run.
TEST_F(RandRFamilies, TvUnknownOutputs) {
    qevtest::XrandrRecorder xrandr;
    unsigned u = unsigned(kSentinel);
    int pair[2] = {kSentinel, kSentinel};
    EXPECT_EQ(0, QEVGFX_TV_GetStandard(QEV_OUT_TV2, &u)); // no TV-2 on this adapter
    EXPECT_EQ(0, QEVGFX_TV_GetStandard(QEV_OUT_CRT, &u));
    EXPECT_EQ(0, QEVGFX_TV_GetViewSize(QEV_OUT_LCD, pair));
    EXPECT_EQ(0, QEVGFX_TV_SetStandard(QEV_OUT_CRT, QEV_TVSTD_PAL));
    EXPECT_EQ(0, QEVGFX_TV_SetViewSize(0, 1, 1));
    EXPECT_EQ(unsigned(kSentinel), u);
    EXPECT_EQ(kSentinel, pair[0]);
    EXPECT_TRUE(xrandr.calls().empty());
}

TEST_F(RandRFamilies, Panel) {
    int info[5] = {};
    ASSERT_EQ(1, QEVGFX_Panel_GetInfo(QEV_OUT_LCD, info)); // the driver's command also with RandR
    EXPECT_EQ(1280, info[1]);
    EXPECT_EQ(800, info[2]);
    EXPECT_EQ(std::vector<SentCommand>{Cmd(20, 2, {2})}, qevtest::sent_commands());
    qevtest::clear_sent_commands();
    int v = 0;
    ASSERT_EQ(1, QEVGFX_Panel_GetSupportExpandState(QEV_OUT_LCD, &v));
    EXPECT_EQ(1, v);
    EXPECT_TRUE(qevtest::sent_commands().empty());
    {
        qevtest::XrandrRecorder xrandr(true);
        ASSERT_EQ(1, QEVGFX_Panel_SetExpandState(QEV_OUT_LCD, 1));
        EXPECT_EQ((std::vector<Argv>{{"--output", "LCD", "--set", "Feature", "Center"}}), xrandr.calls());
    }
    EXPECT_EQ("Center", Prop("LCD", "Feature"));
    EXPECT_EQ(1, Driver(20, 3, {}, 1)[0]);
    v = 0;
    // The LCD's property, whichever panel is named.
    ASSERT_EQ(1, QEVGFX_Panel_GetExpandState(QEV_OUT_LCD2, &v));
    EXPECT_EQ(1, v);
    ASSERT_EQ(1, QEVGFX_Panel_SetExpandState(QEV_OUT_LCD, 0));
    ASSERT_EQ(1, QEVGFX_Panel_GetExpandState(QEV_OUT_LCD, &v));
    EXPECT_EQ(0, v);

    int s[2] = {};
    ASSERT_EQ(1, QEVGFX_Panel_GetMaxViewSize(QEV_OUT_LCD, s));
    EXPECT_EQ(100, s[0]);
    EXPECT_EQ(80, s[1]);
    ASSERT_EQ(1, QEVGFX_Panel_GetViewSize(QEV_OUT_LCD, s));
    EXPECT_EQ(10, s[0]);
    ASSERT_EQ(1, QEVGFX_Panel_GetMaxViewPosition(QEV_OUT_LCD, s));
    EXPECT_EQ(20, s[0]);
    ASSERT_EQ(1, QEVGFX_Panel_GetViewPosition(QEV_OUT_LCD, s));
    EXPECT_EQ(10, s[1]);
    s[0] = s[1] = kSentinel;
    EXPECT_EQ(0, QEVGFX_Panel_GetViewSize(QEV_OUT_LCD2, s)); // no such output
    EXPECT_EQ(kSentinel, s[0]);
    {
        // Size and position writes have no RandR form: success, nothing sent.
        qevtest::XrandrRecorder xrandr;
        qevtest::clear_sent_commands();
        EXPECT_EQ(1, QEVGFX_Panel_SetViewSize(QEV_OUT_LCD, 1, 2));
        EXPECT_EQ(1, QEVGFX_Panel_SetViewPosition(QEV_OUT_LCD, 1, 2));
        EXPECT_EQ(0, QEVGFX_Panel_SetExpandState(QEV_OUT_LCD | QEV_OUT_CRT, 1));
        EXPECT_TRUE(xrandr.calls().empty());
        EXPECT_TRUE(qevtest::sent_commands().empty());
    }
    EXPECT_EQ("10", Prop("LCD", "ScaleH"));
}

TEST_F(RandRFamilies, RotationPieces) {
    int rotations = 0, rot = 0;
    ASSERT_EQ(1, QEVGFX_DISPLAY_GetDevSupRotation(QEV_OUT_CRT, &rotations));
    EXPECT_EQ(0xf, rotations & 0xf);
    EXPECT_EQ(0, QEVGFX_DISPLAY_GetDevSupRotation(QEV_OUT_TV, &rotations)); // no CRTC
    {
        qevtest::XrandrRecorder xrandr(true);
        ASSERT_EQ(1, QEVGFX_DISPLAY_SetDevRotationDeg(QEV_OUT_LCD | QEV_OUT_CRT, 2));
        EXPECT_EQ((std::vector<Argv>{{"--output", "CRT", "--rotate", "left", "--output", "LCD", "--rotate", "left"}}),
                  xrandr.calls());
    }
    ASSERT_EQ(1, QEVGFX_DISPLAY_GetDevCurRotation(QEV_OUT_LCD, &rot));
    EXPECT_EQ(2, rot);
    if (qevtest::HaveSimCtl()) {
        EXPECT_EQ(std::vector<long>{2}, qevtest::SimState({"rotate_degree"})); // CCW
    }
    auto view = Verbose();
    EXPECT_NE(std::string::npos, view["CRT"].header.find(") left (")) << view["CRT"].header;
    {
        qevtest::XrandrRecorder xrandr(true);
        for (int degree : {8, 4, 1})
            ASSERT_EQ(1, QEVGFX_DISPLAY_SetDevRotationDeg(QEV_OUT_CRT, degree));
        ASSERT_EQ(1, QEVGFX_DISPLAY_SetDevRotationDeg(QEV_OUT_LCD | QEV_OUT_HDTV, 1));
        ASSERT_EQ(1, QEVGFX_DISPLAY_SetDevRotationDeg(QEV_OUT_DVI2, 2)); // not supported: bare line
        EXPECT_EQ(0, QEVGFX_DISPLAY_SetDevRotationDeg(QEV_OUT_CRT, 3));  // no such rotation: nothing
        EXPECT_EQ((std::vector<Argv>{{"--output", "CRT", "--rotate", "right"},
                                     {"--output", "CRT", "--rotate", "inverted"},
                                     {"--output", "CRT", "--rotate", "normal"},
                                     {"--output", "LCD", "--rotate", "normal"},
                                     {}}),
                  xrandr.calls());
    }
    ASSERT_EQ(1, QEVGFX_DISPLAY_GetDevCurRotation(QEV_OUT_CRT, &rot));
    EXPECT_EQ(1, rot);
    ASSERT_EQ(1, QEVGFX_DISPLAY_GetDevCurRotation(QEV_OUT_HDTV, &rot)); // the TV output, no CRTC: normal
    EXPECT_EQ(1, rot);
    EXPECT_EQ(0, QEVGFX_DISPLAY_GetDevCurRotation(0, &rot));

    // The driver's rotation commands serve this channel too.
    int type = 0, degree = 0, caps = 0;
    ASSERT_EQ(1, QEVGFX_DISPLAY_GetRotateDegree(&type, &degree));
    EXPECT_EQ(1, degree);
    ASSERT_EQ(1, QEVGFX_DISPLAY_GetRotateCaps(QEV_OUT_CRT, &caps));
    EXPECT_EQ(0xf, caps);
}

TEST_F(RandRFamilies, ModesPerOutput) {
    {
        qevtest::XrandrRecorder xrandr(true);
        ASSERT_EQ(1, QEVGFX_DISPLAY_SetDevMode(QEV_OUT_CRT, "800x600", 0, 0, 0.0f));
        ASSERT_EQ(1, QEVGFX_DISPLAY_SetDevMode(QEV_OUT_LCD, "1024x768", 1024, 768, 60.0f));
        ASSERT_EQ(1, QEVGFX_DISPLAY_SetDevMode(0, "1024x768", 1024, 768, 60.0f)); // nothing to do
        EXPECT_EQ((std::vector<Argv>{{"--output", "CRT", "--mode", "800x600"},
                                     {"--output", "LCD", "--mode", "1024x768", "--refresh", "60.0"}}),
                  xrandr.calls());
    }
    RRModeEntry cur{};
    ASSERT_EQ(1, QEVGFX_DISPLAY_GetDevCurMode(QEV_OUT_CRT, &cur));
    EXPECT_STREQ("800x600", cur.name);
    EXPECT_EQ(800u, cur.width);
    std::free(cur.name);
    ASSERT_EQ(1, QEVGFX_DISPLAY_GetDevCurMode(QEV_OUT_LCD, &cur));
    EXPECT_STREQ("1024x768", cur.name);
    std::free(cur.name);
    EXPECT_NE(std::string::npos, Verbose()["CRT"].header.find("800x600+")) << Verbose()["CRT"].header;
    if (qevtest::HaveSimCtl()) {
        auto mode = qevtest::SimState({"outputs", "LCD", "current_mode"});
        ASSERT_EQ(3u, mode.size());
        EXPECT_EQ(1024, mode[0]);
        EXPECT_EQ(768, mode[1]);
        EXPECT_NEAR(60000, mode[2], 50);
    }
    EXPECT_EQ(0, QEVGFX_DISPLAY_GetDevCurMode(QEV_OUT_TV, &cur)); // no CRTC

    int count = 0;
    RRModeEntry *modes = nullptr;
    ASSERT_EQ(1, QEVGFX_DISPLAY_GetDevSupportMode(QEV_OUT_CRT, &count, &modes));
    ASSERT_EQ(8, count);
    EXPECT_STREQ("1280x1024", modes[0].name);
    rrFreeModeEntries(modes, count);
    ASSERT_EQ(1, QEVGFX_DISPLAY_GetDevSupportMode(QEV_OUT_DVI2, &count, &modes));
    EXPECT_EQ(0, count);
    EXPECT_EQ(nullptr, modes);

    // The driver's mode list with RandR in use.
    int rec[14] = {};
    ASSERT_EQ(1, QEVGFX_DISPLAY_EnumModes(4095, rec));
    EXPECT_EQ(4095, rec[0]);
    ASSERT_EQ(1, QEVGFX_DISPLAY_SetDevMode(QEV_OUT_CRT, "1280x1024", 0, 0, 60.0f));
    ASSERT_EQ(1, QEVGFX_DISPLAY_SetDevMode(QEV_OUT_LCD, "1280x800", 0, 0, 0.0f));
}

TEST_F(RandRFamilies, Scale) {
    {
        qevtest::XrandrRecorder xrandr(true);
        ASSERT_EQ(1, QEVGFX_DISPLAY_SetScale(QEV_OUT_LCD, 1.25, 1.25));
        EXPECT_EQ((std::vector<Argv>{{"--output", "LCD", "--scale", "1.250000x1.250000"}}), xrandr.calls());
    }
    double scale[2] = {0, 0};
    ASSERT_EQ(1, QEVGFX_DISPLAY_GetCurrentScale(QEV_OUT_LCD, scale));
    EXPECT_DOUBLE_EQ(1.25, scale[0]);
    EXPECT_DOUBLE_EQ(1.25, scale[1]);
    EXPECT_EQ(0u, Prop("LCD", "Transform").rfind("1.250000 ", 0)) << Prop("LCD", "Transform");
    int m[9] = {};
    ASSERT_EQ(1, rrGetDevTransform(QEV_OUT_LCD, m));
    EXPECT_EQ(5 << 14, m[0]); // 1.25 in 16.16

    {
        qevtest::XrandrRecorder xrandr(true);
        ASSERT_EQ(1, QEVGFX_DISPLAY_SetScale(QEV_OUT_LCD, 0.5, 2));
        EXPECT_EQ(0, QEVGFX_DISPLAY_SetScale(0, 1, 1));
        EXPECT_EQ(0, QEVGFX_DISPLAY_SetScale(QEV_OUT_CRT | QEV_OUT_LCD, 1, 1));
        EXPECT_EQ(0, QEVGFX_DISPLAY_SetScale(QEV_OUT_LCD, 0, 1));
        EXPECT_EQ(0, QEVGFX_DISPLAY_SetScale(QEV_OUT_LCD, 1, std::numeric_limits<double>::infinity()));
        EXPECT_EQ((std::vector<Argv>{{"--output", "LCD", "--scale", "0.500000x2.000000"}}), xrandr.calls());
    }
    ASSERT_EQ(1, QEVGFX_DISPLAY_GetCurrentScale(QEV_OUT_LCD, scale));
    EXPECT_DOUBLE_EQ(0.5, scale[0]);
    EXPECT_DOUBLE_EQ(2.0, scale[1]);
    {
        qevtest::XrandrRecorder xrandr; // HDTV is driven through "TV"
        ASSERT_EQ(1, QEVGFX_DISPLAY_SetScale(QEV_OUT_HDTV, 1, 1));
        EXPECT_EQ((std::vector<Argv>{{"--output", "TV", "--scale", "1.000000x1.000000"}}), xrandr.calls());
    }
    ASSERT_EQ(1, QEVGFX_DISPLAY_SetScale(QEV_OUT_LCD, 1, 1));
    ASSERT_EQ(1, rrGetDevTransform(QEV_OUT_LCD, m));
    EXPECT_EQ((std::vector<int>{65536, 0, 0, 0, 65536, 0, 0, 0, 65536}), std::vector<int>(m, m + 9));
    EXPECT_EQ(0, rrGetDevTransform(0, m));
    EXPECT_EQ(0, QEVGFX_DISPLAY_GetCurrentScale(QEV_OUT_TV, scale)); // no CRTC
}

// The rotation options of the X configuration's Device section.
TEST_F(RandRFamilies, RotationOptionsOfTheConfiguration) {
    const std::string conf = "/etc/X11/xorg.conf";
    auto original = qevtest::read_file(conf);
    ASSERT_TRUE(original.has_value());
    auto optionLines = [&] {
        std::vector<std::string> out;
        std::istringstream in(*qevtest::read_file(conf));
        for (std::string line; std::getline(in, line);)
            if (line.find("Rotate") != std::string::npos)
                out.push_back(line);
        return out;
    };
    ASSERT_EQ(1, QEVGFX_DISPLAY_SetRotateDegree(2, 8));
    auto lines = optionLines();
    ASSERT_EQ(2u, lines.size()) << *qevtest::read_file(conf);
    EXPECT_NE(std::string::npos, lines[0].find("\"RotateType\"\t\"HW\""));
    EXPECT_NE(std::string::npos, lines[1].find("\"Rotate\"\t\"CW\""));
    ASSERT_EQ(1, QEVGFX_DISPLAY_SetRotateDegree(1, 2));
    lines = optionLines();
    ASSERT_EQ(2u, lines.size());
    EXPECT_NE(std::string::npos, lines[0].find("\"SW\""));
    EXPECT_NE(std::string::npos, lines[1].find("\"CCW\""));
    ASSERT_EQ(1, QEVGFX_DISPLAY_SetRotateDegree(2, 1));
    EXPECT_TRUE(optionLines().empty());
    ASSERT_EQ(1, QEVGFX_DISPLAY_SetRotateDegree(0, 8));
    EXPECT_TRUE(optionLines().empty());
    // Without a configuration file nothing can be written: a failure.
    ASSERT_EQ(0, std::rename(conf.c_str(), (conf + ".away").c_str()));
    EXPECT_EQ(0, QEVGFX_DISPLAY_SetRotateDegree(2, 8));
    EXPECT_FALSE(qevtest::file_exists(conf));
    ASSERT_EQ(0, std::rename((conf + ".away").c_str(), conf.c_str()));
    qevtest::write_file(conf, *original);
}

} // namespace
