// libqevgfx on the X channel with RandR 1.2: queries through libXrandr,
// changes through xrandr command lines, checked both as exact argument
// vectors (a recording xrandr) and by the state the real xrandr reaches, seen
// through the library, the driver's own commands and qevsim-ctl.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "command_recorder.h"
#include "lib_routes.h"
#include "qev/outputs.h"
#include "qevgfx.h"
#include "qevtest/qevtest.h"
#include "qevtest/session.h"
#include "qevtest/sim_ctl.h"
#include "xrandr_recorder.h"

namespace {

using qevtest::Argv;
using qevtest::Cmd;
using qevtest::Got;
using qevtest::Got2;
using qevtest::Longs;
using qevtest::kSentinel;
using qevtest::SentCommand;
using Lines = std::vector<std::string>;

void Xrandr(Argv argv) {
    auto r = qevtest::run(argv);
    ASSERT_TRUE(r.ok()) << r.err;
}

// One raw command of the driver, for its view of the state.
std::vector<int> Driver(int group, int function, std::vector<int> inputs, unsigned outputs) {
    std::vector<int> out(outputs, kSentinel);
    EXPECT_EQ(1, InputCommand(group, function, unsigned(inputs.size()), inputs.data(), outputs, out.data()));
    return out;
}

// The output's current mode as "NAME WxH@R" (R in Hz to 0.1), or "none".
std::string CurMode(unsigned output, int (*get)(unsigned, RRModeEntry *) = rrGetDevCurrentMode) {
    RRModeEntry m{};
    if (!get(output, &m))
        return "none";
    char size[64];
    std::snprintf(size, sizeof size, " %ux%u@%.1f", m.width, m.height, m.refresh);
    const std::string s = m.name + std::string(size);
    std::free(m.name);
    return s;
}

std::vector<int> Pair(const int *p) { return std::vector<int>(p, p + 2); }

// The driver's default adapter: CRT, LCD, TV (+HDTV), DVI, HDMI and DP;
// CRT, LCD and TV connected; CRT and LCD active; two CRTCs. The TV's size
// and the panel's ranges are widened.
class RandR : public qevtest::SessionTest<RandR> {
  public:
    static qevtest::XServerOptions server_options() {
        qevtest::XServerOptions o;
        o.profile = qevtest::write_profile("randr.profile", "tv.tv.size_max=30,30\nadjust.lcd.size_max=100,80\n");
        return o;
    }
    void SetUp() override {
        qevtest::SessionTest<RandR>::SetUp();
        qevtest::clear_sent_commands();
    }
};

constexpr unsigned kSupported = QEV_OUT_CRT | QEV_OUT_LCD | QEV_OUT_TV | QEV_OUT_DVI | QEV_OUT_HDMI | QEV_OUT_DP;
constexpr int kCrtLcd = QEV_OUT_CRT | QEV_OUT_LCD;

TEST_F(RandR, OutputMasks) {
    ASSERT_EQ(1, Got(QEVGFX_IsRandR));
    qevtest::ExpectQueries({{"supported", qevtest::Mask(QEVGFX_Device_GetSupportCaps), 1, {kSupported}},
                            {"connected", qevtest::Mask(QEVGFX_Device_GetConnectState), 1, {kCrtLcd | QEV_OUT_TV}},
                            {"active", qevtest::Mask(QEVGFX_Device_GetActiveState), 1, {kCrtLcd}},
                            {"samm", QEVGFX_Device_GetSupportSAMMState, 1, {1}},
                            {"primary", qevtest::Mask(QEVGFX_Device_GetPrimaryDevice), 1, {QEV_OUT_CRT}}});
    EXPECT_GE(Got(QEVGFX_Device_GetPanningState), 0); // the command, also with RandR
    EXPECT_EQ(6, rrGetOutputInfo());

    // The one-pass summary answers as the separate queries do, slot for slot.
    QevOutputSummary sum;
    ASSERT_EQ(1, QEVGFX_Device_GetOutputSummary(~0u, &sum));
    EXPECT_EQ(kSupported, sum.supported);
    EXPECT_EQ(unsigned(kCrtLcd | QEV_OUT_TV), sum.connected);
    EXPECT_EQ(unsigned(kCrtLcd), sum.active);
    for (int i = 0; i < 32; ++i) {
        int count = -1;
        RRModeEntry *one = rrGetDevSupportMode(1u << i, &count);
        ASSERT_EQ(count, sum.modeCount[i]) << "bit " << i;
        for (int k = 0; k < count; ++k)
            EXPECT_STREQ(one[k].name, sum.modes[i][k].name);
        rrFreeModeEntries(one, count);
        rrFreeModeEntries(sum.modes[i], sum.modeCount[i]);
    }
}

TEST_F(RandR, SwitchLinesHoldOnePiecePerSupportedOutput) {
    qevtest::XrandrRecorder xrandr;
    ASSERT_EQ(1, QEVGFX_Device_SetActiveState(QEV_OUT_LCD | QEV_OUT_HDTV | QEV_OUT_CRT2));
    ASSERT_EQ(1, QEVGFX_Device_SetActiveState(0));
    RRModeEntry lcd{const_cast<char *>("1024x768"), 1024, 768, 60.0f};
    RRModeEntry crt{const_cast<char *>("800x600"), 800, 600, 75.04f};
    ASSERT_EQ(1, QEVGFX_Device_SetActiveState2(QEV_OUT_CRT | QEV_OUT_LCD | QEV_OUT_DVI, QEV_OUT_LCD, QEV_OUT_CRT, &lcd,
                                               &crt));
    std::string huge(600, 'm'); // long mode names pass whole
    RRModeEntry entry{huge.data(), 1024, 768, 60.0f};
    ASSERT_EQ(1, QEVGFX_Device_SetActiveState2(QEV_OUT_DVI, QEV_OUT_DVI, 0, &entry, nullptr));
    const std::string off = " --output DP --off --output HDMI --off";
    EXPECT_EQ((Lines{
                  "--output CRT --off --output LCD --auto --output TV --off --output DVI --off" + off,
                  "--output CRT --off --output LCD --off --output TV --off --output DVI --off" + off,
                  // DVI is in the mask but neither primary nor secondary: left out.
                  "--output CRT --mode 800x600 --refresh 75.0 --output LCD --mode 1024x768 --refresh 60.0 "
                  "--output TV --off" + off,
                  "--output CRT --off --output LCD --off --output TV --off --output DVI --mode " + huge +
                      " --refresh 60.0" + off,
              }),
              xrandr.lines());
}

// The real xrandr against the driver: the state the lines intend is reached,
// and the masks and display mode follow it.
TEST_F(RandR, SwitchingReachesTheState) {
    ASSERT_EQ(1, QEVGFX_Device_SetActiveState(QEV_OUT_CRT));
    EXPECT_EQ(QEV_OUT_CRT, Got(QEVGFX_Device_GetActiveState));
    EXPECT_EQ(QEV_DISPLAY_SINGLE, Got(QEVGFX_Device_GetDisplayMode));

    RRModeEntry lcd{const_cast<char *>("1024x768"), 1024, 768, 60.0f};
    RRModeEntry crt{const_cast<char *>("800x600"), 800, 600, 60.3f};
    ASSERT_EQ(1, QEVGFX_Device_SetActiveState2(kCrtLcd, QEV_OUT_LCD, QEV_OUT_CRT, &lcd, &crt));
    EXPECT_EQ(kCrtLcd, Got(QEVGFX_Device_GetActiveState));
    EXPECT_EQ("1024x768 1024x768@60.0", CurMode(QEV_OUT_LCD));
    EXPECT_EQ("800x600 800x600@60.3", CurMode(QEV_OUT_CRT));
    // Both CRTCs at (0, 0): clone; one beside the other: multi-screen.
    Xrandr({"xrandr", "--output", "LCD", "--pos", "0x0", "--output", "CRT", "--pos", "0x0"});
    EXPECT_EQ(QEV_DISPLAY_CLONE, Got(QEVGFX_Device_GetDisplayMode));
    Xrandr({"xrandr", "--output", "LCD", "--right-of", "CRT"});
    EXPECT_EQ(QEV_DISPLAY_SAMM, Got(QEVGFX_Device_GetDisplayMode));
    int x = -1, y = -1;
    EXPECT_EQ(1, rrGetDevCurPosition(QEV_OUT_LCD, &x, &y));
    EXPECT_EQ(std::pair(800, 0), std::pair(x, y));

    // Switching off keeps the connected and supported masks: they only gain.
    ASSERT_EQ(1, QEVGFX_Device_SetActiveState(QEV_OUT_LCD));
    qevtest::ExpectQueries({{"supported", qevtest::Mask(QEVGFX_Device_GetSupportCaps), 1, {kSupported}},
                            {"connected", qevtest::Mask(QEVGFX_Device_GetConnectState), 1, {kCrtLcd | QEV_OUT_TV}},
                            {"active", qevtest::Mask(QEVGFX_Device_GetActiveState), 1, {QEV_OUT_LCD}},
                            {"primary", qevtest::Mask(QEVGFX_Device_GetPrimaryDevice), 1, {QEV_OUT_LCD}}});
    ASSERT_EQ(1, QEVGFX_Device_SetActiveState(kCrtLcd));
    EXPECT_EQ(kCrtLcd, Got(QEVGFX_Device_GetActiveState));
}

TEST_F(RandR, ModesPerOutput) {
    // A mode added from outside, with a long name, is found in a fresh
    // snapshot; its refresh is 65 MHz / (1344 * 806).
    const std::string name = "qev_mode_with_a_name_well_beyond_nineteen_characters_1024x768";
    Xrandr({"xrandr", "--newmode", name, "65.00", "1024", "1048", "1184", "1344", "768", "771", "777", "806", "-hsync",
         "-vsync"});
    Xrandr({"xrandr", "--addmode", "DVI", name});
    ASSERT_EQ(1, rrGetScreen());
    int count = 0;
    RRModeEntry *modes = rrGetDevSupportMode(QEV_OUT_DVI, &count);
    int found = 0;
    for (int i = 0; i < count; ++i) {
        if (name == modes[i].name) {
            ++found;
            EXPECT_EQ(1024u, modes[i].width);
            EXPECT_FLOAT_EQ(float(65000000.0 / (1344.0 * 806.0)), modes[i].refresh);
        }
    }
    EXPECT_GT(found, 0);
    rrFreeModeEntries(modes, count);
    EXPECT_EQ(nullptr, rrGetDevSupportMode(kCrtLcd, &count));

    {
        qevtest::XrandrRecorder xrandr(true);
        ASSERT_EQ(1, QEVGFX_DISPLAY_SetDevMode(QEV_OUT_CRT, "800x600", 0, 0, 0.0f));
        ASSERT_EQ(1, QEVGFX_DISPLAY_SetDevMode(QEV_OUT_LCD, "1024x768", 1024, 768, 60.0f));
        ASSERT_EQ(1, QEVGFX_DISPLAY_SetDevMode(0, "1024x768", 1024, 768, 60.0f)); // nothing to do
        EXPECT_EQ((Lines{"--output CRT --mode 800x600", "--output LCD --mode 1024x768 --refresh 60.0"}),
                  xrandr.lines());
    }
    EXPECT_EQ("800x600 800x600@", CurMode(QEV_OUT_CRT, QEVGFX_DISPLAY_GetDevCurMode).substr(0, 16)); // any rate
    auto mode = qevtest::SimState({"outputs", "LCD", "current_mode"});
    ASSERT_EQ(3u, mode.size());
    EXPECT_EQ(1024, mode[0]);
    EXPECT_EQ(768, mode[1]);
    EXPECT_NEAR(60000, mode[2], 50);
    EXPECT_EQ("none", CurMode(QEV_OUT_TV, QEVGFX_DISPLAY_GetDevCurMode)); // no CRTC
    EXPECT_EQ("none", CurMode(QEV_OUT_DVI2));                            // no such output

    modes = nullptr;
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

unsigned Prop(unsigned output, int kind, unsigned item = 0) {
    unsigned v = 0xdeadbeef;
    rrGetOutputProperties(output, kind, item, &v);
    return v;
}

TEST_F(RandR, FamilyCapabilities) {
    qevtest::ExpectQueries(
        qevtest::FamilyQueries({{0x7f}, {0xf}, {0x3f}, {0x7}, {3}, {100}, {30, 30}, {30, 30}, {1}, {100, 80},
                                {20, 20}}));
}

// The TV family through RandR properties: the real xrandr writes them and the
// driver's commands read them back.
TEST_F(RandR, TvStandardAndSignal) {
    ASSERT_EQ(1, QEVGFX_TV_SetStandard(QEV_OUT_HDTV, QEV_TVSTD_PAL)); // HDTV is the TV output
    EXPECT_EQ(QEV_TVSTD_PAL, Driver(21, 2, {}, 1)[0]);
    EXPECT_EQ(QEV_TVSTD_PAL, Got(QEVGFX_TV_GetStandard, QEV_OUT_TV));
    // Two bits give the bare line: no change.
    rrSetOutputProperties(QEV_OUT_TV, 23, 0, QEV_TVSTD_NTSC | QEV_TVSTD_PAL);
    EXPECT_EQ(unsigned(QEV_TVSTD_PAL), Prop(QEV_OUT_TV, 22));
    EXPECT_EQ(Prop(QEV_OUT_TV, 21), Prop(QEV_OUT_HDTV, 21));
    ASSERT_EQ(1, QEVGFX_TV_SetStandard(QEV_OUT_TV, QEV_TVSTD_NTSC));
    EXPECT_EQ(QEV_TVSTD_NTSC, Driver(21, 2, {}, 1)[0]);

    for (unsigned bit = 1; bit <= 8; bit <<= 1) {
        ASSERT_EQ(1, QEVGFX_TV_SetSignalType(QEV_OUT_TV, bit));
        EXPECT_EQ(bit, Got(QEVGFX_TV_GetSignalType, QEV_OUT_TV));
    }
    EXPECT_EQ((std::vector<SentCommand>{Cmd(21, 2), Cmd(21, 2)}), qevtest::sent_commands()); // the checks above
    qevtest::clear_sent_commands();
    // Kinds and outputs that do not exist.
    unsigned v = 1;
    EXPECT_EQ(0, rrGetOutputProperties(QEV_OUT_DVI2, 22, 0, &v));
    EXPECT_EQ(0u, v);
    EXPECT_EQ(0u, Prop(QEV_OUT_TV, 99));
    EXPECT_EQ(0xFu, Prop(QEV_OUT_LCD, 33)); // integer properties, no tuning names
}

TEST_F(RandR, TvSizeAndPosition) {
    ASSERT_EQ(1, QEVGFX_TV_SetViewSize(QEV_OUT_TV, 10, 20));
    ASSERT_EQ(1, QEVGFX_TV_SetViewPosition(QEV_OUT_HDTV, 3, 4));
    EXPECT_EQ((std::vector<int>{10, 20}), Driver(21, 8, {}, 2));
    EXPECT_EQ((std::vector<int>{3, 4}), Driver(21, 11, {}, 2));
    // The server refuses a value outside the range (BadValue, in xrandr's own
    // connection): nothing changes and later calls work.
    ASSERT_EQ(1, QEVGFX_TV_SetViewSize(QEV_OUT_TV, 31, 40));
    EXPECT_EQ((Longs{10, 20}), Got2(QEVGFX_TV_GetViewSize, QEV_OUT_TV));
    ASSERT_EQ(1, QEVGFX_TV_SetViewPosition(QEV_OUT_TV, 7, 8));
    EXPECT_EQ((Longs{7, 8}), Got2(QEVGFX_TV_GetViewPosition, QEV_OUT_TV));
}

TEST_F(RandR, TvTuningAndSettings) {
    ASSERT_EQ(1, QEVGFX_TV_SetTuningItemValue(QEV_OUT_TV, 0x8, 70));
    EXPECT_EQ(70, Driver(21, 15, {0x8}, 1)[0]);
    EXPECT_EQ(70, Got(QEVGFX_TV_GetTuningItemValue, QEV_OUT_TV, 0x8u));
    // The flicker filter: one atom behind a tuning item and two setting items.
    const struct {
        bool tuning; // a tuning value, else a setting state
        unsigned item;
        int value, mode, ffon, affon;
    } rows[] = {{true, 0x1, 1, 1, 0, 1}, {false, 0x1, 1, 3, 1, 0}, {false, 0x1, 0, 0, 0, 0}, {false, 0x2, 1, 1, 0, 1}};
    for (const auto &r : rows) {
        SCOPED_TRACE(testing::Message() << r.tuning << " " << r.item << " " << r.value);
        ASSERT_EQ(1, r.tuning ? QEVGFX_TV_SetTuningItemValue(QEV_OUT_TV, r.item, r.value)
                              : QEVGFX_TV_SetSettingItemState(QEV_OUT_TV, r.item, r.value));
        EXPECT_EQ((Longs{r.mode, r.ffon, r.affon}),
                  (Longs{Got(QEVGFX_TV_GetTuningItemValue, QEV_OUT_TV, 0x1u),
                         Got(QEVGFX_TV_GetSettingItemState, QEV_OUT_TV, 0x1u),
                         Got(QEVGFX_TV_GetSettingItemState, QEV_OUT_TV, 0x2u)}));
    }
    for (int state : {1, 0}) {
        ASSERT_EQ(1, QEVGFX_TV_SetSettingItemState(QEV_OUT_TV, 0x4, state)); // dot crawl
        EXPECT_EQ(state, Got(QEVGFX_TV_GetSettingItemState, QEV_OUT_TV, 0x4u));
    }
}

// Outputs without a TV output of RandR: nothing is read or run.
TEST_F(RandR, TvUnknownOutputs) {
    qevtest::XrandrRecorder xrandr;
    EXPECT_EQ(qevtest::kFailed, Got(QEVGFX_TV_GetStandard, QEV_OUT_TV2)); // no TV-2 on this adapter
    EXPECT_EQ(qevtest::kFailed, Got(QEVGFX_TV_GetStandard, QEV_OUT_CRT));
    EXPECT_EQ(Longs{qevtest::kFailed}, Got2(QEVGFX_TV_GetViewSize, QEV_OUT_LCD));
    EXPECT_EQ(0, QEVGFX_TV_SetStandard(QEV_OUT_CRT, QEV_TVSTD_PAL));
    EXPECT_EQ(0, QEVGFX_TV_SetViewSize(0, 1, 1));
    EXPECT_TRUE(xrandr.calls().empty());
}

TEST_F(RandR, Panel) {
    int info[5] = {};
    ASSERT_EQ(1, QEVGFX_Panel_GetInfo(QEV_OUT_LCD, info)); // the driver's command also with RandR
    EXPECT_EQ(std::vector<int>({1280, 800}), Pair(info + 1));
    EXPECT_EQ(std::vector<SentCommand>{Cmd(20, 2, {2})}, qevtest::sent_commands());
    qevtest::clear_sent_commands();
    ASSERT_EQ(1, QEVGFX_Panel_SetExpandState(QEV_OUT_LCD, 1));
    EXPECT_TRUE(qevtest::sent_commands().empty());
    EXPECT_EQ(1, Driver(20, 3, {}, 1)[0]);
    EXPECT_EQ(1, Got(QEVGFX_Panel_GetExpandState, QEV_OUT_LCD2)); // the LCD's property, whichever panel
    ASSERT_EQ(1, QEVGFX_Panel_SetExpandState(QEV_OUT_LCD, 0));
    EXPECT_EQ(0, Got(QEVGFX_Panel_GetExpandState, QEV_OUT_LCD));
    EXPECT_EQ(10, Got2(QEVGFX_Panel_GetViewPosition, QEV_OUT_LCD).back());
    EXPECT_EQ(Longs{qevtest::kFailed}, Got2(QEVGFX_Panel_GetViewSize, QEV_OUT_LCD2)); // no such output
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
    EXPECT_EQ(10, Got2(QEVGFX_Panel_GetViewSize, QEV_OUT_LCD)[0]);
}

TEST_F(RandR, RotationPieces) {
    EXPECT_EQ(0xf, Got(QEVGFX_DISPLAY_GetDevSupRotation, QEV_OUT_CRT) & 0xf);
    EXPECT_EQ(qevtest::kFailed, Got(QEVGFX_DISPLAY_GetDevSupRotation, QEV_OUT_TV)); // no CRTC
    {
        qevtest::XrandrRecorder xrandr(true);
        ASSERT_EQ(1, QEVGFX_DISPLAY_SetDevRotationDeg(QEV_OUT_LCD | QEV_OUT_CRT, 2));
        EXPECT_EQ(Lines{"--output CRT --rotate left --output LCD --rotate left"}, xrandr.lines());
    }
    EXPECT_EQ(2, Got(QEVGFX_DISPLAY_GetDevCurRotation, QEV_OUT_LCD));
    EXPECT_EQ(std::vector<long>{2}, qevtest::SimState({"rotate_degree"})); // CCW
    {
        qevtest::XrandrRecorder xrandr(true);
        for (int degree : {8, 4, 1})
            ASSERT_EQ(1, QEVGFX_DISPLAY_SetDevRotationDeg(QEV_OUT_CRT, degree));
        ASSERT_EQ(1, QEVGFX_DISPLAY_SetDevRotationDeg(QEV_OUT_LCD | QEV_OUT_HDTV, 1));
        ASSERT_EQ(1, QEVGFX_DISPLAY_SetDevRotationDeg(QEV_OUT_DVI2, 2)); // not supported: bare line
        EXPECT_EQ(0, QEVGFX_DISPLAY_SetDevRotationDeg(QEV_OUT_CRT, 3));  // no such rotation: nothing
        EXPECT_EQ((Lines{"--output CRT --rotate right", "--output CRT --rotate inverted", "--output CRT --rotate normal",
                         "--output LCD --rotate normal", ""}),
                  xrandr.lines());
    }
    EXPECT_EQ(1, Got(QEVGFX_DISPLAY_GetDevCurRotation, QEV_OUT_CRT));
    EXPECT_EQ(1, Got(QEVGFX_DISPLAY_GetDevCurRotation, QEV_OUT_HDTV)); // the TV output, no CRTC: normal
    EXPECT_EQ(qevtest::kFailed, Got(QEVGFX_DISPLAY_GetDevCurRotation, 0u));

    // The driver's rotation commands serve this channel too.
    int type = 0, degree = 0;
    ASSERT_EQ(1, QEVGFX_DISPLAY_GetRotateDegree(&type, &degree));
    EXPECT_EQ(1, degree);
    EXPECT_EQ(0xf, Got(QEVGFX_DISPLAY_GetRotateCaps, unsigned(QEV_OUT_CRT)));
}

TEST_F(RandR, Scale) {
    {
        qevtest::XrandrRecorder xrandr(true);
        ASSERT_EQ(1, QEVGFX_DISPLAY_SetScale(QEV_OUT_LCD, 1.25, 1.25));
        EXPECT_EQ(0, QEVGFX_DISPLAY_SetScale(0, 1, 1));
        EXPECT_EQ(0, QEVGFX_DISPLAY_SetScale(kCrtLcd, 1, 1));
        EXPECT_EQ(0, QEVGFX_DISPLAY_SetScale(QEV_OUT_LCD, 0, 1));
        EXPECT_EQ(0, QEVGFX_DISPLAY_SetScale(QEV_OUT_LCD, 1, std::numeric_limits<double>::infinity()));
        EXPECT_EQ(Lines{"--output LCD --scale 1.250000x1.250000"}, xrandr.lines());
    }
    {
        qevtest::XrandrRecorder xrandr; // HDTV is driven through "TV"
        ASSERT_EQ(1, QEVGFX_DISPLAY_SetScale(QEV_OUT_HDTV, 1, 1));
        EXPECT_EQ(Lines{"--output TV --scale 1.000000x1.000000"}, xrandr.lines());
    }
    // The scale read back as a pair; {-1, -1} when the read fails.
    auto scale = [](unsigned output) {
        double s[2] = {0, 0};
        return QEVGFX_DISPLAY_GetCurrentScale(output, s) ? std::pair(s[0], s[1]) : std::pair(-1.0, -1.0);
    };
    EXPECT_EQ(std::pair(1.25, 1.25), scale(QEV_OUT_LCD)); // exact in binary, as are 0.5 and 2
    int m[9] = {};
    ASSERT_EQ(1, rrGetDevTransform(QEV_OUT_LCD, m));
    EXPECT_EQ(5 << 14, m[0]); // 1.25 in 16.16
    ASSERT_EQ(1, QEVGFX_DISPLAY_SetScale(QEV_OUT_LCD, 0.5, 2));
    EXPECT_EQ(std::pair(0.5, 2.0), scale(QEV_OUT_LCD));
    ASSERT_EQ(1, QEVGFX_DISPLAY_SetScale(QEV_OUT_LCD, 1, 1));
    ASSERT_EQ(1, rrGetDevTransform(QEV_OUT_LCD, m));
    EXPECT_EQ((std::vector<int>{65536, 0, 0, 0, 65536, 0, 0, 0, 65536}), std::vector<int>(m, m + 9));
    EXPECT_EQ(0, rrGetDevTransform(0, m));
    EXPECT_EQ(std::pair(-1.0, -1.0), scale(QEV_OUT_TV)); // no CRTC
}

// The rotation options of the X configuration's Device section.
TEST_F(RandR, RotationOptionsOfTheConfiguration) {
    const std::string conf = "/etc/X11/xorg.conf";
    auto original = qevtest::read_file(conf);
    ASSERT_TRUE(original.has_value());
    auto optionLines = [&] {
        std::vector<std::string> out;
        std::istringstream in(*qevtest::read_file(conf));
        for (std::string line; std::getline(in, line);)
            if (line.find("Rotate") != std::string::npos)
                out.push_back(line.substr(line.find("Option")));
        return out;
    };
    using Lines = std::vector<std::string>;
    const struct {
        int type, degree;
        Lines lines;
    } rows[] = {{2, 8, {"Option\t\"RotateType\"\t\"HW\"", "Option\t\"Rotate\"\t\"CW\""}},
                {1, 2, {"Option\t\"RotateType\"\t\"SW\"", "Option\t\"Rotate\"\t\"CCW\""}},
                {2, 1, {}},
                {0, 8, {}}};
    for (const auto &r : rows) {
        ASSERT_EQ(1, QEVGFX_DISPLAY_SetRotateDegree(r.type, r.degree));
        EXPECT_EQ(r.lines, optionLines()) << r.type << " " << r.degree;
    }
    // Without a configuration file nothing can be written: a failure.
    ASSERT_EQ(0, std::rename(conf.c_str(), (conf + ".away").c_str()));
    EXPECT_EQ(0, QEVGFX_DISPLAY_SetRotateDegree(2, 8));
    EXPECT_FALSE(qevtest::file_exists(conf));
    ASSERT_EQ(0, std::rename((conf + ".away").c_str(), conf.c_str()));
    qevtest::write_file(conf, *original);
}

int ModeCount(unsigned output) {
    int count = -1;
    RRModeEntry *modes = rrGetDevSupportMode(output, &count);
    rrFreeModeEntries(modes, count);
    return modes ? count : -1;
}

// Extension commands between RandR reads of every kind: the reads share the
// session's connection and leave it ready for the next command.
TEST_F(RandR, CommandsBetweenRandRReads) {
    const long id = Got(QEVGFX_Info_GetChipID);
    ASSERT_GT(id, 0);
    for (auto read : std::vector<std::function<bool()>>{
             [] { return Got(QEVGFX_Device_GetConnectState) > 0; }, [] { return ModeCount(QEV_OUT_CRT) > 0; },
             [] { return Got(QEVGFX_Device_GetPrimaryDevice) > 0; },
             [] { return rrGetScreen() == 1 && ModeCount(QEV_OUT_LCD) > 0; }}) { // names read afresh first
        EXPECT_TRUE(read());
        EXPECT_EQ(id, Got(QEVGFX_Info_GetChipID));
    }
}

// Runs last (it unplugs outputs). Outputs plugged and unplugged while the
// session is open: output names are kept per snapshot, but every query reads
// the output's state afresh.
TEST_F(RandR, ZHotplugQueriesReadTheOutputsAfresh) {
    auto connected = [] { return Got(QEVGFX_Device_GetConnectState); };
    const unsigned initial = kCrtLcd | QEV_OUT_TV;
    ASSERT_EQ(initial, connected());
    ASSERT_TRUE(qevtest::SimCtlOk({"plug", "DVI"}));
    EXPECT_EQ(initial | QEV_OUT_DVI, connected());
    EXPECT_GT(ModeCount(QEV_OUT_DVI), 0);
    // Unplugged outputs leave the connected mask; the other masks are untouched.
    ASSERT_TRUE(qevtest::SimCtlOk({"unplug", "DVI"}));
    ASSERT_TRUE(qevtest::SimCtlOk({"unplug", "TV"}));
    EXPECT_EQ(kCrtLcd, connected());
    EXPECT_EQ(kSupported, Got(QEVGFX_Device_GetSupportCaps));
    EXPECT_EQ(kCrtLcd, Got(QEVGFX_Device_GetActiveState));

    // A new snapshot: outputs are found in it before any summary is read,
    // and a bit without an output of its name fails.
    ASSERT_EQ(1, rrGetScreen());
    EXPECT_EQ(-1, ModeCount(QEV_OUT_CRT2));
    EXPECT_EQ(-1, ModeCount(0x40000));
    EXPECT_EQ(1, Got(rrGetDevCurRotation, unsigned(QEV_OUT_TV))); // no CRTC
    EXPECT_GT(ModeCount(QEV_OUT_LCD), 0);
    RRModeEntry cur{};
    ASSERT_EQ(1, rrGetDevCurrentMode(QEV_OUT_CRT, &cur));
    EXPECT_GT(cur.width, 0u);
    EXPECT_STRNE("", cur.name);
    std::free(cur.name);
    EXPECT_EQ(6, rrGetOutputInfo());
    EXPECT_EQ(kCrtLcd, connected());
}

// An adapter with only CRT and LCD: the example line of the switch.
class RandRTwoOutputs : public qevtest::SessionTest<RandRTwoOutputs> {
  public:
    static qevtest::XServerOptions server_options() {
        qevtest::XServerOptions o;
        o.profile =
            qevtest::write_profile("two.profile", "supported=CRT,LCD\nconnected=CRT,LCD\nactive=CRT,LCD\nprimary=CRT\n");
        return o;
    }
};

TEST_F(RandRTwoOutputs, ExampleLines) {
    {
        qevtest::XrandrRecorder xrandr;
        ASSERT_EQ(1, QEVGFX_Device_SetActiveState(QEV_OUT_LCD));
        RRModeEntry lcd{const_cast<char *>("1024x768"), 1024, 768, 60.0f};
        ASSERT_EQ(1, QEVGFX_Device_SetActiveState2(QEV_OUT_LCD, QEV_OUT_LCD, QEV_OUT_CRT, &lcd, nullptr));
        EXPECT_EQ((Lines{"--output CRT --off --output LCD --auto",
                         "--output CRT --off --output LCD --mode 1024x768 --refresh 60.0"}),
                  xrandr.lines());
    }
    // Two CRTCs, one active output: single.
    ASSERT_EQ(1, QEVGFX_Device_SetActiveState(QEV_OUT_LCD));
    EXPECT_EQ(QEV_DISPLAY_SINGLE, Got(QEVGFX_Device_GetDisplayMode));
}

} // namespace
