// libqevgfx on the X channel without RandR: every operation is a QEVGFX_API
// command of the simulated driver. The commands sent are recorded
// (command_recorder.h); the driver's state is read back through the library's
// own queries, raw commands and qevsim-ctl. Also a server that lacks the
// extension.
#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <cstring>
#include <string>
#include <vector>

#include "command_recorder.h"
#include "lib_routes.h"
#include "qev/family.h"
#include "qev/outputs.h"
#include "qev/protocol.h"
#include "qevgfx.h"
#include "qevtest/qevtest.h"
#include "qevtest/session.h"
#include "qevtest/sim_ctl.h"
#include "xrandr_recorder.h"

namespace {

using qevtest::Cmd;
using qevtest::Got;
using qevtest::Got2;
using qevtest::Longs;
using qevtest::kSentinel;
using qevtest::SentCommand;
using Sent = std::vector<SentCommand>;

// 32 characters: the driver sends them without a terminating zero.
constexpr char kLongDriverName[] = "qevsim_drv_name_of_32_bytes_long";
static_assert(sizeof kLongDriverName == QEV_DRIVER_NAME_BYTES + 1);

// Every TV group present, each with its own view size so that a command that
// reaches the wrong group shows; the HDTV group also offers PAL.
class XRoute : public qevtest::SessionTest<XRoute> {
  public:
    static qevtest::XServerOptions server_options() {
        qevtest::XServerOptions o;
        o.no_randr = true;
        o.profile = qevtest::write_profile("x.profile", std::string("driver.1.name=") + kLongDriverName +
                                                            "\nsupported=CRT,LCD,TV,HDTV,TV2,HDTV2,DVI\n"
                                                            "connected=CRT,LCD,TV\nactive=CRT,LCD\nprimary=LCD\n"
                                                            "tv.tv.size=3,3\ntv.hdtv.size=4,4\ntv.tv2.size=5,5\n"
                                                            "tv.hdtv2.size=6,6\ntv.hdtv.standards=PAL,720P,1080I\n");
        return o;
    }
    void SetUp() override {
        qevtest::SessionTest<XRoute>::SetUp();
        qevtest::clear_sent_commands();
    }
};

TEST_F(XRoute, OpensWithoutRandR) {
    EXPECT_EQ(0, Got(QEVGFX_IsRandR));
    // After Xlib's own missing-extension warning.
    EXPECT_TRUE(open_error().ends_with("\nRandR extension missing\n")) << open_error();
    EXPECT_EQ("", open_output()); // a library leaves standard output to its caller
}

TEST_F(XRoute, AdapterAndOutputQueries) {
    const int crtLcd = QEV_OUT_CRT | QEV_OUT_LCD;
    const int supported = crtLcd | QEV_OUT_TV | QEV_OUT_HDTV | QEV_OUT_TV2 | QEV_OUT_HDTV2 | QEV_OUT_DVI;
    qevtest::ExpectQueries(qevtest::Queries({{QEV_CHIP_M400}, {0x11}, {256}, {0x92}, {1, 4, 2, 17, 0}, {supported},
                                             {crtLcd | QEV_OUT_TV}, {crtLcd}, {QEV_DISPLAY_CLONE}}));
    qevtest::ExpectQueries({{"bios", QEVGFX_Info_GetBiosVersion, 1, {1, 10}},
                            {"bios date", QEVGFX_Info_GetBiosDate, 1, {2026, 3, 17}},
                            {"tv slot", QEVGFX_Info_GetTVChipOnSlot, 0, {}}, // framebuffer channel only
                            {"primary", qevtest::Mask(QEVGFX_Device_GetPrimaryDevice), 1, {QEV_OUT_LCD}},
                            {"fb resolution", QEVGFX_Device_GetFbResolutionInfo, 0, {}}}); // no X form
    EXPECT_GE(Got(QEVGFX_Device_GetSupportSAMMState), 0);
    EXPECT_GE(Got(QEVGFX_Device_GetPanningState), 0);
    EXPECT_EQ(1, QEVGFX_DrvSync());
    EXPECT_EQ(1, QEVGFX_Device_SetVideoDevice(1)); // a no-op on the X channel

    // The driver name ends within its 32 bytes; an unknown component fails.
    char name[QEVGFX_DRIVER_NAME_SIZE];
    std::memset(name, 'Z', sizeof name);
    ASSERT_EQ(1, QEVGFX_Info_GetDriverName(1, name));
    EXPECT_EQ(std::string(kLongDriverName, QEV_DRIVER_NAME_BYTES), std::string(name));
    std::strcpy(name, "unchanged");
    EXPECT_EQ(0, QEVGFX_Info_GetDriverName(9, name));
    EXPECT_STREQ("unchanged", name);
}

TEST_F(XRoute, CommandsCopyExactlyTheirOutputs) {
    int out[64];
    auto reset = [&] {
        for (int &w : out)
            w = kSentinel;
    };
    int component = 1;
    // The driver name copies eight words whatever count is given.
    for (unsigned count : {1u, 20u}) {
        reset();
        ASSERT_EQ(1, InputCommand(18, 1, 1, &component, count, out));
        EXPECT_EQ(0, std::memcmp(out, kLongDriverName, QEV_DRIVER_NAME_BYTES));
        EXPECT_EQ(kSentinel, out[8]);
    }
    // Any other command copies the words asked for and no more.
    reset();
    ASSERT_EQ(1, InputCommand(17, 3, 0, nullptr, 2, out));
    EXPECT_EQ((std::vector<int>{2026, 3, kSentinel}), std::vector<int>(out, out + 3));
    // Status 0 (an unknown command) leaves the outputs untouched; counts
    // beyond the block are refused before anything is sent.
    reset();
    EXPECT_EQ(0, InputCommand(99, 1, 0, nullptr, 4, out));
    EXPECT_EQ(0, InputCommand(19, 6, 0, nullptr, 4, out));
    EXPECT_EQ(0, InputCommand(17, 1, 257, out, 1, out));
    EXPECT_EQ(0, InputCommand(17, 1, 0, nullptr, 257, out));
    for (int w : out)
        ASSERT_EQ(kSentinel, w);
    // The block itself: the status and all outputs come back.
    QevCommandBlock block = qevtest::ChipBlock();
    block.output[5] = kSentinel;
    Display *d = XOpenDisplay(nullptr);
    ASSERT_NE(nullptr, d);
    EXPECT_NE(0, QEVGFXCommand(d, &block));
    EXPECT_EQ(QEV_CHIP_M400, block.output[0]);
    EXPECT_EQ(0, block.output[5]);
    XCloseDisplay(d); // drops the display from the extension record
    EXPECT_EQ(1, InputCommand(17, 1, 0, nullptr, 1, out));
}

TEST_F(XRoute, SwitchingAndSessionCalls) {
    // Switching goes through command 19/4 and reads back.
    ASSERT_EQ(1, QEVGFX_Device_SetActiveState(QEV_OUT_LCD));
    EXPECT_EQ(QEV_OUT_LCD, Got(QEVGFX_Device_GetActiveState));
    EXPECT_EQ(QEV_DISPLAY_SINGLE, Got(QEVGFX_Device_GetDisplayMode));
    RRModeEntry m{const_cast<char *>("1024x768"), 1024, 768, 60.0f};
    ASSERT_EQ(1, QEVGFX_Device_SetActiveState2(QEV_OUT_CRT | QEV_OUT_LCD, QEV_OUT_CRT, QEV_OUT_LCD, &m, &m));
    EXPECT_EQ(QEV_OUT_CRT | QEV_OUT_LCD, Got(QEVGFX_Device_GetActiveState));

    EXPECT_EQ(1, QEVGFX_SaveCurrentSetting(1));
    EXPECT_EQ(1, QEVGFX_SaveCurrentSetting(0));
    EXPECT_EQ(0, QEVGFX_SaveCurrentSetting(2));
    // SetType(3) keeps the X channel; forcing the framebuffer channel without
    // a device fails every request.
    for (auto [type, chip] : {std::pair{3, long(QEV_CHIP_M400)}, {2, qevtest::kFailed}, {1, long(QEV_CHIP_M400)}}) {
        QEVGFX_SetType(type);
        EXPECT_EQ(chip, Got(QEVGFX_Info_GetChipID)) << type;
    }
}

TEST_F(XRoute, FamilyCapabilities) {
    qevtest::ExpectQueries(
        qevtest::FamilyQueries({{0x3}, {0xf}, {0x3f}, {0xf}, {3}, {100}, {7, 7}, {30, 30}, {1}, {10, 10}, {20, 20}}));
}

TEST_F(XRoute, TvGroupFollowsTheOutput) {
    const std::pair<unsigned, int> rows[] = {{QEV_OUT_TV, 21},   {QEV_OUT_HDTV, 23}, {QEV_OUT_TV2, 25},
                                             {QEV_OUT_HDTV2, 26}, {QEV_OUT_CRT, 21},  {0, 21}};
    for (auto [tv, group] : rows)
        EXPECT_EQ(group, GetTVFunctionID(tv)) << tv;
    const std::pair<unsigned, int> sizes[] = {{QEV_OUT_TV, 3}, {QEV_OUT_HDTV, 4}, {QEV_OUT_TV2, 5}, {QEV_OUT_HDTV2, 6}};
    for (auto [tv, size] : sizes) {
        qevtest::clear_sent_commands();
        EXPECT_EQ((Longs{size, size}), Got2(QEVGFX_TV_GetViewSize, tv)) << tv;
        EXPECT_EQ(Sent{Cmd(GetTVFunctionID(tv), 8)}, qevtest::sent_commands());
    }
    // A write reaches only its own group.
    qevtest::clear_sent_commands();
    ASSERT_EQ(1, QEVGFX_TV_SetViewPosition(QEV_OUT_TV2, 1, 2));
    ASSERT_EQ(1, QEVGFX_TV_SetTuningItemValue(QEV_OUT_HDTV2, 0x10, 77));
    EXPECT_EQ((Sent{Cmd(25, 12, {1, 2}), Cmd(26, 16, {0x10, 77})}), qevtest::sent_commands());
    EXPECT_EQ((std::vector<long>{1, 2}), qevtest::SimState({"tv", "tv2", "pos"}));
    EXPECT_EQ((std::vector<long>{15, 15}), qevtest::SimState({"tv", "tv", "pos"}));
    auto tuning = qevtest::SimState({"tv", "hdtv2", "tuning"});
    ASSERT_EQ(6u, tuning.size());
    EXPECT_EQ(77, tuning[4]); // saturation
    EXPECT_EQ(50, Got(QEVGFX_TV_GetTuningItemValue, QEV_OUT_HDTV, 0x10u));
}

TEST_F(XRoute, HdtvStandardGoesToItsGroup) {
    ASSERT_EQ(1, QEVGFX_TV_SetStandard(QEV_OUT_HDTV, QEV_TVSTD_PAL));
    EXPECT_EQ(Sent{Cmd(23, 3, {2})}, qevtest::sent_commands());
    EXPECT_EQ(QEV_TVSTD_PAL, Got(QEVGFX_TV_GetStandard, QEV_OUT_HDTV));
    EXPECT_EQ(QEV_TVSTD_NTSC, Got(QEVGFX_TV_GetStandard, QEV_OUT_TV)); // group 21 untouched
    EXPECT_EQ(QEV_TVSTD_PAL | QEV_TVSTD_720P | QEV_TVSTD_1080I, Got(QEVGFX_TV_GetSupportStandard, QEV_OUT_HDTV));
    // A standard the group lacks is refused and changes nothing.
    EXPECT_EQ(0, QEVGFX_TV_SetStandard(QEV_OUT_HDTV, QEV_TVSTD_NTSC));
    EXPECT_EQ(QEV_TVSTD_PAL, Got(QEVGFX_TV_GetStandard, QEV_OUT_HDTV));
    EXPECT_EQ(1, QEVGFX_TV_SetStandard(QEV_OUT_HDTV, QEV_TVSTD_720P));

    qevtest::clear_sent_commands();
    ASSERT_EQ(1, QEVGFX_TV_SetSignalType(QEV_OUT_TV, QEV_TVSIG_SVIDEO));
    EXPECT_EQ(Sent{Cmd(21, 6, {2})}, qevtest::sent_commands());
    EXPECT_EQ(QEV_TVSIG_SVIDEO, Got(QEVGFX_TV_GetSignalType, QEV_OUT_TV));
}

// The view size and position pairs of the TV and the panel: the same
// operations, each family with its own group and inputs.
TEST_F(XRoute, ViewPairs) {
    using Get = int (*)(unsigned, int *);
    using Set = int (*)(unsigned, int, int);
    const struct {
        const char *name;
        unsigned output;
        Get getSize, getPos;
        Set setSize, setPos;
        int maxSize;
        Longs size, pos;
        Sent sent;
    } rows[] = {
        {"TV", QEV_OUT_TV, QEVGFX_TV_GetViewSize, QEVGFX_TV_GetViewPosition, QEVGFX_TV_SetViewSize,
         QEVGFX_TV_SetViewPosition, 7, {5, 6}, {12, 29}, {Cmd(21, 9, {5, 6}), Cmd(21, 12, {12, 29})}},
        {"panel", QEV_OUT_LCD, QEVGFX_Panel_GetViewSize, QEVGFX_Panel_GetViewPosition, QEVGFX_Panel_SetViewSize,
         QEVGFX_Panel_SetViewPosition, 10, {4, 9}, {17, 2}, {Cmd(20, 8, {4, 9, 2}), Cmd(20, 11, {17, 2, 2})}},
    };
    for (const auto &f : rows) {
        SCOPED_TRACE(f.name);
        qevtest::clear_sent_commands();
        ASSERT_EQ(1, f.setSize(f.output, f.size[0], f.size[1]));
        ASSERT_EQ(1, f.setPos(f.output, f.pos[0], f.pos[1]));
        EXPECT_EQ(f.sent, qevtest::sent_commands());
        // Beyond the maximum: refused, nothing changes.
        EXPECT_EQ(0, f.setSize(f.output, f.maxSize + 1, 1));
        EXPECT_EQ(f.size, Got2(f.getSize, f.output));
        EXPECT_EQ(f.pos, Got2(f.getPos, f.output));
    }
    // Outputs without panel adjustment: refused, the caller's pair stays.
    EXPECT_EQ(Longs{qevtest::kFailed}, Got2(QEVGFX_Panel_GetViewSize, QEV_OUT_TV));
    // 65535 asks for the profile's value.
    ASSERT_EQ(1, QEVGFX_TV_SetViewSize(QEV_OUT_TV, 65535, 65535));
    EXPECT_EQ((Longs{3, 3}), Got2(QEVGFX_TV_GetViewSize, QEV_OUT_TV));
}

TEST_F(XRoute, TvTuningAndSettings) {
    unsigned items = 0;
    ASSERT_EQ(1, QEVGFX_TV_GetSupportTuningCaps(QEV_OUT_HDTV, &items));
    EXPECT_EQ(0x3cu, items);
    qevtest::clear_sent_commands();
    ASSERT_EQ(1, QEVGFX_TV_SetTuningItemValue(QEV_OUT_TV, 0x4, 61));
    EXPECT_EQ(61, Got(QEVGFX_TV_GetTuningItemValue, QEV_OUT_TV, 0x4u));
    EXPECT_EQ((Sent{Cmd(21, 16, {4, 61}), Cmd(21, 15, {4})}), qevtest::sent_commands());
    // An item the driver does not know, a value beyond the maximum: refused.
    EXPECT_EQ(qevtest::kFailed, Got(QEVGFX_TV_GetTuningItemValue, QEV_OUT_TV, 0x40u));
    EXPECT_EQ(0, QEVGFX_TV_SetTuningItemValue(QEV_OUT_TV, 0x4, 101));
    EXPECT_EQ(61, Got(QEVGFX_TV_GetTuningItemValue, QEV_OUT_TV, 0x4u));

    qevtest::clear_sent_commands();
    ASSERT_EQ(1, QEVGFX_TV_SetSettingItemState(QEV_OUT_TV, 0x4, 1));
    EXPECT_EQ(1, Got(QEVGFX_TV_GetSettingItemState, QEV_OUT_TV, 0x4u));
    EXPECT_EQ((Sent{Cmd(21, 19, {4, 1}), Cmd(21, 18, {4})}), qevtest::sent_commands());
    // The aspect item travels on this channel only.
    ASSERT_EQ(1, QEVGFX_TV_SetSettingItemState(QEV_OUT_TV, 0x8, 1));
    EXPECT_EQ(1, Got(QEVGFX_TV_GetSettingItemState, QEV_OUT_TV, 0x8u));
}

TEST_F(XRoute, PanelInfoAndExpansion) {
    int info[5] = {kSentinel, kSentinel, kSentinel, kSentinel, kSentinel};
    ASSERT_EQ(1, QEVGFX_Panel_GetInfo(QEV_OUT_LCD, info));
    EXPECT_EQ((std::vector<int>{1280, 800, 60, 24}), std::vector<int>(info + 1, info + 5));
    qevtest::clear_sent_commands();
    // The adjustment window passes its set of active outputs here.
    ASSERT_EQ(1, QEVGFX_Panel_SetExpandState(QEV_OUT_CRT | QEV_OUT_LCD, 1));
    EXPECT_EQ(1, Got(QEVGFX_Panel_GetExpandState, QEV_OUT_LCD));
    EXPECT_EQ((Sent{Cmd(20, 4, {0, 0, 0, 3, 1}), Cmd(20, 3)}), qevtest::sent_commands());
    ASSERT_EQ(1, QEVGFX_Panel_SetExpandState(QEV_OUT_LCD, 0));
}

TEST_F(XRoute, DisplayModesAndRotation) {
    // The mode list ends with identifier 4095; each record copies exactly its
    // rates.
    int index = 0;
    bool sawThreeRates = false;
    for (; index < 200; ++index) {
        int rec[14];
        for (int &w : rec)
            w = kSentinel;
        ASSERT_EQ(1, QEVGFX_DISPLAY_EnumModes(index, rec)) << index;
        if (rec[0] == 4095)
            break;
        EXPECT_EQ(index + 1, rec[0]);
        ASSERT_GE(rec[3], 1);
        ASSERT_LE(rec[3], 10);
        for (int i = 4 + rec[3]; i < 14; ++i)
            EXPECT_EQ(kSentinel, rec[i]) << index << " word " << i;
        if (rec[1] == 1024 && rec[2] == 768) {
            EXPECT_EQ((std::vector<int>{3, 60, 75, 85}), std::vector<int>(rec + 3, rec + 7));
            sawThreeRates = true;
        }
    }
    EXPECT_TRUE(sawThreeRates);
    EXPECT_GT(index, 5);
    EXPECT_LT(index, 200);

    int cur[5] = {};
    ASSERT_EQ(1, QEVGFX_DISPLAY_GetCurrentMode(cur));
    EXPECT_EQ(24, cur[3]);
    int type = 0, degree = 0;
    ASSERT_EQ(1, QEVGFX_DISPLAY_GetRotateDegree(&type, &degree));
    EXPECT_EQ(std::pair(2, 1), std::pair(type, degree));
    EXPECT_EQ(0xf, Got(QEVGFX_DISPLAY_GetRotateCaps, 0u));

    qevtest::clear_sent_commands();
    ASSERT_EQ(1, SetRotationInfo(2, 8));
    ASSERT_EQ(1, QEVGFX_DISPLAY_GetRotateDegree(&type, &degree));
    EXPECT_EQ(8, degree);
    EXPECT_EQ(std::vector<long>{8}, qevtest::SimState({"rotate_degree"}));
    EXPECT_EQ((Sent{Cmd(24, 5, {2, 8}), Cmd(24, 4)}), qevtest::sent_commands());
    ASSERT_EQ(1, SetRotationInfo(2, 1));
}

// The per-output operations need RandR: without it they fail and run nothing.
TEST_F(XRoute, PerOutputOperationsFailWithoutRandR) {
    qevtest::XrandrRecorder xrandr;
    qevtest::ExpectPerOutputOperationsFail();
    EXPECT_TRUE(xrandr.calls().empty());
    EXPECT_TRUE(qevtest::sent_commands().empty());
}

int g_unrelated_errors = 0;
int CountingHandler(Display *, XErrorEvent *) {
    ++g_unrelated_errors;
    return 0;
}

// Faults of the driver's answers (injected through qevsim-ctl): a status of
// 0, an X error, a short or a long reply fail the operation, leave the
// caller's values alone, and the next command works.
TEST_F(XRoute, DriverFaultsDoNotDisturbLaterCalls) {
    for (auto [kind, code] : {std::pair{"status0", "24/4"}, {"xerror", "24/3"}, {"xerror", "23/3"},
                              {"shortreply", "21/8"}, {"status0", "24/1"}})
        ASSERT_TRUE(qevtest::SimCtlOk({"fault", kind, code})) << kind << " " << code;
    // The rotation queries report success all the same; the presets stand.
    int type = 7, degree = 7;
    EXPECT_EQ(1, QEVGFX_DISPLAY_GetRotateDegree(&type, &degree));
    EXPECT_EQ(std::pair(7, 7), std::pair(type, degree));
    EXPECT_EQ(kSentinel, Got(QEVGFX_DISPLAY_GetRotateCaps, 0u));
    int rec[14];
    for (int &w : rec)
        w = kSentinel;
    EXPECT_EQ(0, QEVGFX_DISPLAY_EnumModes(0, rec));
    EXPECT_EQ(kSentinel, rec[0]);
    EXPECT_EQ(0, QEVGFX_TV_SetStandard(QEV_OUT_HDTV, QEV_TVSTD_1080I));
    EXPECT_EQ(Longs{qevtest::kFailed}, Got2(QEVGFX_TV_GetViewSize, QEV_OUT_TV));
    ASSERT_TRUE(qevtest::SimCtlOk({"fault", "clear"}));
    EXPECT_EQ(QEV_TVSTD_720P, Got(QEVGFX_TV_GetStandard, QEV_OUT_HDTV));
    EXPECT_EQ((Longs{3, 3}), Got2(QEVGFX_TV_GetViewSize, QEV_OUT_TV));
    ASSERT_EQ(1, QEVGFX_DISPLAY_GetRotateDegree(&type, &degree));
    EXPECT_EQ(1, degree);
    ASSERT_EQ(1, QEVGFX_DISPLAY_EnumModes(0, rec));
    EXPECT_EQ(1, rec[0]);

    // The exchange on a connection of the caller's, also synchronous: its X
    // errors stay inside it and the caller's error handler is kept.
    Display *d = XOpenDisplay(nullptr);
    ASSERT_NE(nullptr, d);
    XSetErrorHandler(CountingHandler);
    for (bool sync : {false, true}) {
        XSynchronize(d, sync ? True : False);
        for (const char *kind : {"xerror", "shortreply", "longreply"}) {
            SCOPED_TRACE(std::string(kind) + (sync ? " synchronous" : ""));
            QevCommandBlock block = qevtest::ChipBlock();
            ASSERT_TRUE(qevtest::SimCtlOk({"fault", kind, "17/1"}));
            EXPECT_EQ(0, QEVGFXCommand(d, &block));
            EXPECT_EQ(kSentinel, block.status);
            EXPECT_EQ(kSentinel, block.output[0]);
            ASSERT_TRUE(qevtest::SimCtlOk({"fault", "clear"}));
            ASSERT_EQ(1, QEVGFXCommand(d, &block));
            EXPECT_EQ(QEV_CHIP_M400, block.output[0]);
        }
    }
    XSync(d, False);
    EXPECT_EQ(0, g_unrelated_errors);
    EXPECT_EQ(&CountingHandler, XSetErrorHandler(nullptr));
    XCloseDisplay(d);
}

// A server whose driver has no QEVGFX_API: each command prints Xlib's
// missing-extension warning and fails; the connection stays usable.
class MissingExtension : public qevtest::XServerTest<MissingExtension> {
  public:
    static qevtest::XServerOptions server_options() {
        qevtest::XServerOptions o;
        o.driver = "dummy";
        return o;
    }
};

TEST_F(MissingExtension, CommandsFailWithTheWarning) {
    Display *d = XOpenDisplay(nullptr);
    ASSERT_NE(nullptr, d);
    for (int i = 0; i < 2; ++i) {
        QevCommandBlock block = qevtest::ChipBlock();
        testing::internal::CaptureStderr();
        EXPECT_EQ(0, QEVGFXCommand(d, &block));
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_NE(std::string::npos, err.find("QEVGFX_API")) << err;
        EXPECT_NE(std::string::npos, err.find("missing")) << err;
        EXPECT_EQ(kSentinel, block.status);
    }
    XSync(d, False);
    EXPECT_GT(ScreenCount(d), 0);
    XCloseDisplay(d);
}

} // namespace
