// Display, panel and TV families on the X channel without RandR: every
// operation is one QEVGFX_API command of the simulated driver. The commands
// sent are recorded (command_recorder.h); the driver's state is read back
// through the library's own queries and, where they would hide a fault,
// through raw commands.
#include <gtest/gtest.h>

#include <vector>

#include "command_recorder.h"
#include "qev/commands.h"
#include "qev/outputs.h"
#include "qevgfx.h"
#include "qevtest/qevtest.h"
#include "qevtest/session.h"
#include "qevtest/sim_ctl.h"
#include "xrandr_recorder.h"

namespace {

using qevtest::Cmd;
using qevtest::SentCommand;
constexpr int kSentinel = 0x5a5a5a5a;

// Every TV group present, each with its own view size so that a command that
// reaches the wrong group shows; the HDTV group also offers PAL.
class XFamilies : public qevtest::SessionTest<XFamilies> {
public:
    static qevtest::XServerOptions server_options() {
        qevtest::XServerOptions o;
        o.no_randr = true;
        o.profile = qevtest::write_profile("x.profile", "supported=CRT,LCD,TV,HDTV,TV2,HDTV2,DVI\n"
                                                        "connected=CRT,LCD,TV\nactive=CRT,LCD\n"
                                                        "tv.tv.size=3,3\ntv.hdtv.size=4,4\ntv.tv2.size=5,5\n"
                                                        "tv.hdtv2.size=6,6\ntv.hdtv.standards=PAL,720P,1080I\n");
        return o;
    }
    void SetUp() override {
        qevtest::SessionTest<XFamilies>::SetUp();
        qevtest::clear_sent_commands();
    }
};

TEST_F(XFamilies, TvGroupFollowsTheOutput) {
    const std::pair<unsigned, int> rows[] = {{QEV_OUT_TV, 21},   {QEV_OUT_HDTV, 23}, {QEV_OUT_TV2, 25},
                                             {QEV_OUT_HDTV2, 26}, {QEV_OUT_CRT, 21},  {0, 21}};
    for (auto [tv, group] : rows)
        EXPECT_EQ(group, GetTVFunctionID(tv)) << tv;
    const std::pair<unsigned, int> sizes[] = {{QEV_OUT_TV, 3}, {QEV_OUT_HDTV, 4}, {QEV_OUT_TV2, 5}, {QEV_OUT_HDTV2, 6}};
    for (auto [tv, size] : sizes) {
        qevtest::clear_sent_commands();
        int s[2] = {0, 0};
        ASSERT_EQ(1, QEVGFX_TV_GetViewSize(tv, s)) << tv;
        EXPECT_EQ(size, s[0]) << tv;
        EXPECT_EQ(size, s[1]) << tv;
        EXPECT_EQ(std::vector<SentCommand>{Cmd(GetTVFunctionID(tv), 8)}, qevtest::sent_commands());
    }
    // A write reaches only its own group.
    qevtest::clear_sent_commands();
    ASSERT_EQ(1, QEVGFX_TV_SetViewPosition(QEV_OUT_TV2, 1, 2));
    ASSERT_EQ(1, QEVGFX_TV_SetTuningItemValue(QEV_OUT_HDTV2, 0x10, 77));
    EXPECT_EQ((std::vector<SentCommand>{Cmd(25, 12, {1, 2}), Cmd(26, 16, {0x10, 77})}), qevtest::sent_commands());
    if (qevtest::HaveSimCtl()) {
        EXPECT_EQ((std::vector<long>{1, 2}), qevtest::SimState({"tv", "tv2", "pos"}));
        EXPECT_EQ((std::vector<long>{15, 15}), qevtest::SimState({"tv", "tv", "pos"}));
        auto tuning = qevtest::SimState({"tv", "hdtv2", "tuning"});
        ASSERT_EQ(6u, tuning.size());
        EXPECT_EQ(77, tuning[4]); // saturation
    }
    int v = 0;
    ASSERT_EQ(1, QEVGFX_TV_GetTuningItemValue(QEV_OUT_HDTV, 0x10, &v));
    EXPECT_EQ(50, v);
}

TEST_F(XFamilies, HdtvStandardGoesToItsGroup) {
    ASSERT_EQ(1, QEVGFX_TV_SetStandard(QEV_OUT_HDTV, QEV_TVSTD_PAL));
    EXPECT_EQ(std::vector<SentCommand>{Cmd(23, 3, {2})}, qevtest::sent_commands());
    unsigned std = 0;
    EXPECT_EQ(1, QEVGFX_TV_GetStandard(QEV_OUT_HDTV, &std));
    EXPECT_EQ(unsigned(QEV_TVSTD_PAL), std);
    EXPECT_EQ(1, QEVGFX_TV_GetStandard(QEV_OUT_TV, &std));
    EXPECT_EQ(unsigned(QEV_TVSTD_NTSC), std); // group 21 untouched
    unsigned mask = 0;
    EXPECT_EQ(1, QEVGFX_TV_GetSupportStandard(QEV_OUT_HDTV, &mask));
    EXPECT_EQ(unsigned(QEV_TVSTD_PAL | QEV_TVSTD_720P | QEV_TVSTD_1080I), mask);
    // A standard the group lacks is refused and changes nothing.
    EXPECT_EQ(0, QEVGFX_TV_SetStandard(QEV_OUT_HDTV, QEV_TVSTD_NTSC));
    EXPECT_EQ(1, QEVGFX_TV_GetStandard(QEV_OUT_HDTV, &std));
    EXPECT_EQ(unsigned(QEV_TVSTD_PAL), std);
    EXPECT_EQ(1, QEVGFX_TV_SetStandard(QEV_OUT_HDTV, QEV_TVSTD_720P));

    ASSERT_EQ(1, QEVGFX_TV_GetSupportSignalType(QEV_OUT_TV, &mask));
    ASSERT_NE(0u, mask & QEV_TVSIG_SVIDEO);
    qevtest::clear_sent_commands();
    ASSERT_EQ(1, QEVGFX_TV_SetSignalType(QEV_OUT_TV, QEV_TVSIG_SVIDEO));
    EXPECT_EQ(std::vector<SentCommand>{Cmd(21, 6, {2})}, qevtest::sent_commands());
    unsigned sig = 0;
    EXPECT_EQ(1, QEVGFX_TV_GetSignalType(QEV_OUT_TV, &sig));
    EXPECT_EQ(unsigned(QEV_TVSIG_SVIDEO), sig);
}

// The view size and position pairs of the TV and the panel: the same
// operations, each family with its own group and inputs.
TEST_F(XFamilies, ViewPairs) {
    using Get = int (*)(unsigned, int *);
    using Set = int (*)(unsigned, int, int);
    const struct {
        const char *name;
        unsigned output;
        Get getMaxSize, getSize, getMaxPos, getPos;
        Set setSize, setPos;
        int maxSize, maxPos, size[2], pos[2];
        std::vector<SentCommand> sent;
    } rows[] = {
        {"TV", QEV_OUT_TV, QEVGFX_TV_GetMaxViewSize, QEVGFX_TV_GetViewSize, QEVGFX_TV_GetMaxViewPosition,
         QEVGFX_TV_GetViewPosition, QEVGFX_TV_SetViewSize, QEVGFX_TV_SetViewPosition, 7, 30, {5, 6}, {12, 29},
         {Cmd(21, 9, {5, 6}), Cmd(21, 12, {12, 29})}},
        {"panel", QEV_OUT_LCD, QEVGFX_Panel_GetMaxViewSize, QEVGFX_Panel_GetViewSize,
         QEVGFX_Panel_GetMaxViewPosition, QEVGFX_Panel_GetViewPosition, QEVGFX_Panel_SetViewSize,
         QEVGFX_Panel_SetViewPosition, 10, 20, {4, 9}, {17, 2}, {Cmd(20, 8, {4, 9, 2}), Cmd(20, 11, {17, 2, 2})}},
    };
    for (const auto &f : rows) {
        SCOPED_TRACE(f.name);
        int s[2] = {};
        ASSERT_EQ(1, f.getMaxSize(f.output, s));
        EXPECT_EQ(f.maxSize, s[0]);
        ASSERT_EQ(1, f.getMaxPos(f.output, s));
        EXPECT_EQ(f.maxPos, s[0]);
        qevtest::clear_sent_commands();
        ASSERT_EQ(1, f.setSize(f.output, f.size[0], f.size[1]));
        ASSERT_EQ(1, f.setPos(f.output, f.pos[0], f.pos[1]));
        EXPECT_EQ(f.sent, qevtest::sent_commands());
        // Beyond the maximum: refused, nothing changes.
        EXPECT_EQ(0, f.setSize(f.output, f.maxSize + 1, 1));
        ASSERT_EQ(1, f.getSize(f.output, s));
        EXPECT_EQ(f.size[0], s[0]);
        EXPECT_EQ(f.size[1], s[1]);
        ASSERT_EQ(1, f.getPos(f.output, s));
        EXPECT_EQ(f.pos[0], s[0]);
        EXPECT_EQ(f.pos[1], s[1]);
    }
    // Outputs without panel adjustment: refused, the caller's pair stays.
    int s[2] = {kSentinel, kSentinel};
    EXPECT_EQ(0, QEVGFX_Panel_GetViewSize(QEV_OUT_TV, s));
    EXPECT_EQ(kSentinel, s[0]);
    // 65535 asks for the profile's value.
    ASSERT_EQ(1, QEVGFX_TV_SetViewSize(QEV_OUT_TV, 65535, 65535));
    ASSERT_EQ(1, QEVGFX_TV_GetViewSize(QEV_OUT_TV, s));
    EXPECT_EQ(3, s[0]);
}

TEST_F(XFamilies, TvTuningAndSettings) {
    unsigned items = 0;
    ASSERT_EQ(1, QEVGFX_TV_GetSupportTuningCaps(QEV_OUT_TV, &items));
    EXPECT_EQ(0x3fu, items);
    ASSERT_EQ(1, QEVGFX_TV_GetSupportTuningCaps(QEV_OUT_HDTV, &items));
    EXPECT_EQ(0x3cu, items);
    int v = 0;
    ASSERT_EQ(1, QEVGFX_TV_GetTuningItemMaxValue(QEV_OUT_TV, 0x4, &v));
    EXPECT_EQ(100, v);
    qevtest::clear_sent_commands();
    ASSERT_EQ(1, QEVGFX_TV_SetTuningItemValue(QEV_OUT_TV, 0x4, 61));
    ASSERT_EQ(1, QEVGFX_TV_GetTuningItemValue(QEV_OUT_TV, 0x4, &v));
    EXPECT_EQ(61, v);
    EXPECT_EQ((std::vector<SentCommand>{Cmd(21, 16, {4, 61}), Cmd(21, 15, {4})}), qevtest::sent_commands());
    // An item the driver does not know: refused, the caller's value stays.
    v = kSentinel;
    EXPECT_EQ(0, QEVGFX_TV_GetTuningItemValue(QEV_OUT_TV, 0x40, &v));
    EXPECT_EQ(kSentinel, v);
    EXPECT_EQ(0, QEVGFX_TV_SetTuningItemValue(QEV_OUT_TV, 0x4, 101));
    ASSERT_EQ(1, QEVGFX_TV_GetTuningItemValue(QEV_OUT_TV, 0x4, &v));
    EXPECT_EQ(61, v);

    ASSERT_EQ(1, QEVGFX_TV_GetSupportSettingCaps(QEV_OUT_TV, &items));
    EXPECT_EQ(0xfu, items);
    qevtest::clear_sent_commands();
    ASSERT_EQ(1, QEVGFX_TV_SetSettingItemState(QEV_OUT_TV, 0x4, 1));
    ASSERT_EQ(1, QEVGFX_TV_GetSettingItemState(QEV_OUT_TV, 0x4, &v));
    EXPECT_EQ(1, v);
    EXPECT_EQ((std::vector<SentCommand>{Cmd(21, 19, {4, 1}), Cmd(21, 18, {4})}), qevtest::sent_commands());
    // The aspect item travels on this channel only.
    ASSERT_EQ(1, QEVGFX_TV_SetSettingItemState(QEV_OUT_TV, 0x8, 1));
    ASSERT_EQ(1, QEVGFX_TV_GetSettingItemState(QEV_OUT_TV, 0x8, &v));
    EXPECT_EQ(1, v);
}

TEST_F(XFamilies, PanelInfoAndExpansion) {
    int info[5] = {kSentinel, kSentinel, kSentinel, kSentinel, kSentinel};
    ASSERT_EQ(1, QEVGFX_Panel_GetInfo(QEV_OUT_LCD, info));
    EXPECT_EQ(1280, info[1]);
    EXPECT_EQ(800, info[2]);
    EXPECT_EQ(60, info[3]);
    EXPECT_EQ(24, info[4]);
    int v = -1;
    ASSERT_EQ(1, QEVGFX_Panel_GetSupportExpandState(QEV_OUT_LCD, &v));
    EXPECT_EQ(1, v);
    qevtest::clear_sent_commands();
    // The adjustment window passes its set of active outputs here.
    ASSERT_EQ(1, QEVGFX_Panel_SetExpandState(QEV_OUT_CRT | QEV_OUT_LCD, 1));
    ASSERT_EQ(1, QEVGFX_Panel_GetExpandState(QEV_OUT_LCD, &v));
    EXPECT_EQ(1, v);
    EXPECT_EQ((std::vector<SentCommand>{Cmd(20, 4, {0, 0, 0, 3, 1}), Cmd(20, 3)}), qevtest::sent_commands());
    ASSERT_EQ(1, QEVGFX_Panel_SetExpandState(QEV_OUT_LCD, 0));
}

TEST_F(XFamilies, DisplayModesAndRotation) {
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
            EXPECT_EQ(3, rec[3]);
            EXPECT_EQ(60, rec[4]);
            EXPECT_EQ(75, rec[5]);
            EXPECT_EQ(85, rec[6]);
            sawThreeRates = true;
        }
    }
    EXPECT_TRUE(sawThreeRates);
    EXPECT_GT(index, 5);
    EXPECT_LT(index, 200);

    int cur[5] = {};
    ASSERT_EQ(1, QEVGFX_DISPLAY_GetCurrentMode(cur));
    EXPECT_EQ(24, cur[3]);
    int type = 0, degree = 0, caps = 0;
    ASSERT_EQ(1, QEVGFX_DISPLAY_GetRotateDegree(&type, &degree));
    EXPECT_EQ(2, type);
    EXPECT_EQ(1, degree);
    ASSERT_EQ(1, QEVGFX_DISPLAY_GetRotateCaps(0, &caps));
    EXPECT_EQ(0xf, caps);

    qevtest::clear_sent_commands();
    ASSERT_EQ(1, SetRotationInfo(2, 8));
    ASSERT_EQ(1, QEVGFX_DISPLAY_GetRotateDegree(&type, &degree));
    EXPECT_EQ(8, degree);
    if (qevtest::HaveSimCtl()) {
        EXPECT_EQ(std::vector<long>{8}, qevtest::SimState({"rotate_degree"}));
    }
    EXPECT_EQ((std::vector<SentCommand>{Cmd(24, 5, {2, 8}), Cmd(24, 4)}), qevtest::sent_commands());
    ASSERT_EQ(1, SetRotationInfo(2, 1));
}

// Faults of the driver's answers (injected through qevsim-ctl): a status of
// 0, an X error or a short reply fail the operation, leave the caller's values
// alone, and the next command works.
TEST_F(XFamilies, DriverFaultsDoNotDisturbLaterCalls) {
    if (!qevtest::HaveSimCtl())
        GTEST_SKIP() << "qevsim-ctl not built";
    for (auto [kind, code] : {std::pair{"status0", "24/4"}, {"xerror", "24/3"}, {"xerror", "23/3"},
                              {"shortreply", "21/8"}, {"status0", "24/1"}})
        ASSERT_TRUE(qevtest::SimCtlOk({"fault", kind, code})) << kind << " " << code;
    // The rotation queries report success all the same; the presets stand.
    int type = 7, degree = 7, caps = kSentinel;
    EXPECT_EQ(1, QEVGFX_DISPLAY_GetRotateDegree(&type, &degree));
    EXPECT_EQ(7, type);
    EXPECT_EQ(7, degree);
    EXPECT_EQ(1, QEVGFX_DISPLAY_GetRotateCaps(0, &caps));
    EXPECT_EQ(kSentinel, caps);
    int rec[14];
    for (int &w : rec)
        w = kSentinel;
    EXPECT_EQ(0, QEVGFX_DISPLAY_EnumModes(0, rec));
    EXPECT_EQ(kSentinel, rec[0]);
    EXPECT_EQ(0, QEVGFX_TV_SetStandard(QEV_OUT_HDTV, QEV_TVSTD_1080I));
    int s[2] = {kSentinel, kSentinel};
    EXPECT_EQ(0, QEVGFX_TV_GetViewSize(QEV_OUT_TV, s));
    EXPECT_EQ(kSentinel, s[0]);
    EXPECT_EQ(kSentinel, s[1]);
    ASSERT_TRUE(qevtest::SimCtlOk({"fault", "clear"}));

    unsigned std = 0;
    ASSERT_EQ(1, QEVGFX_TV_GetStandard(QEV_OUT_HDTV, &std));
    EXPECT_EQ(unsigned(QEV_TVSTD_720P), std);
    ASSERT_EQ(1, QEVGFX_TV_GetViewSize(QEV_OUT_TV, s));
    EXPECT_EQ(3, s[0]);
    ASSERT_EQ(1, QEVGFX_DISPLAY_GetRotateDegree(&type, &degree));
    EXPECT_EQ(2, type);
    EXPECT_EQ(1, degree);
    ASSERT_EQ(1, QEVGFX_DISPLAY_EnumModes(0, rec));
    EXPECT_EQ(1, rec[0]);
}

// The per-output operations need RandR: without it they fail and run nothing.
TEST_F(XFamilies, RandROperationsFailWithoutRandR) {
    qevtest::XrandrRecorder xrandr;
    RRModeEntry mode{};
    int v = kSentinel, count = kSentinel;
    RRModeEntry *modes = nullptr;
    double scale[2] = {0, 0};
    EXPECT_EQ(0, QEVGFX_DISPLAY_GetDevCurMode(QEV_OUT_CRT, &mode));
    EXPECT_EQ(0, QEVGFX_DISPLAY_GetDevSupportMode(QEV_OUT_CRT, &count, &modes));
    EXPECT_EQ(0, QEVGFX_DISPLAY_GetDevCurRotation(QEV_OUT_CRT, &v));
    EXPECT_EQ(0, QEVGFX_DISPLAY_GetDevSupRotation(QEV_OUT_CRT, &v));
    EXPECT_EQ(0, QEVGFX_DISPLAY_GetCurrentScale(QEV_OUT_CRT, scale));
    EXPECT_EQ(0, QEVGFX_DISPLAY_SetDevRotationDeg(QEV_OUT_CRT, 2));
    EXPECT_EQ(0, QEVGFX_DISPLAY_SetDevMode(QEV_OUT_CRT, "800x600", 800, 600, 60.0f));
    EXPECT_EQ(0, QEVGFX_DISPLAY_SetScale(QEV_OUT_CRT, 1.25, 1.25));
    EXPECT_EQ(kSentinel, v);
    EXPECT_EQ(nullptr, modes);
    EXPECT_TRUE(xrandr.calls().empty());
    EXPECT_TRUE(qevtest::sent_commands().empty());
}

} // namespace
