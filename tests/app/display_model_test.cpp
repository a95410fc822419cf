// The Display page's selection model, TV choices and multi-screen/clone rules,
// without a window.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "Display_page.h"
#include "SAMMSetting.h"
#include "qev/outputs.h"
#include "qevtest/qevtest.h"

namespace {

using Strings = std::vector<std::string>;

enum : unsigned {
    CRT = QEV_OUT_CRT, LCD = QEV_OUT_LCD, TV = QEV_OUT_TV, DVI = QEV_OUT_DVI, HDMI = QEV_OUT_HDMI,
    CRT2 = QEV_OUT_CRT2, HDTV = QEV_OUT_HDTV, LCD2 = QEV_OUT_LCD2, DVI2 = QEV_OUT_DVI2, TV2 = QEV_OUT_TV2,
    HDTV2 = QEV_OUT_HDTV2, DP = QEV_OUT_DP, DP2 = QEV_OUT_DP2, ALL = QEV_OUT_ALL
};

DeviceSets Sets(unsigned supported, unsigned connected, unsigned active)
{
    DeviceSets s;
    s.supported = supported;
    s.connected = connected;
    s.active = active;
    return s;
}

}  // namespace

TEST(DisplayModel, LabelsModesAndCounts)
{
    const struct {
        const char *text;
        int device;
    } devices[] = {{"1. CRT", CRT},     {"2. LCD", LCD},   {"1. HDTV", HDTV},   {"2. DVI-2", DVI2},
                   {"1. DP-2", DP2},    {"2. CRT_2", CRT2}, {"2. HDTV_2", HDTV2}, {"None", 0},
                   {"1. CRT_2", CRT},   {"", CRT},         {"none", CRT},       {"2. TV_2", TV2}};
    for (const auto &d : devices)
        EXPECT_EQ(d.device, MapTextToDevice(d.text)) << d.text;
    EXPECT_EQ(1, MapTextToMode("Off"));
    EXPECT_EQ(2, MapTextToMode("Clone"));
    EXPECT_EQ(4, MapTextToMode("Desktop Expand(SAMM)"));
    EXPECT_EQ(0, MapTextToMode("off"));
    EXPECT_EQ(0, GetDeviceNum(0));
    EXPECT_EQ(13, GetDeviceNum(0xffffffffu));
    EXPECT_EQ(2, GetDeviceNum(CRT | DP2));
}

TEST(DisplayModel, OptionItemComparison)
{
    DisplayPageOptionItems a, b;
    InitDisplayPageOptionItems(&a);
    EXPECT_EQ((std::vector<int>{0, 0, 0, 0, 0, -1, -1}), std::vector<int>(a.nItem, a.nItem + QEV_OPT_COUNT));
    for (int twoTV : {0, 1}) {
        g_bSupportTwoTV = twoTV;
        for (int field = 0; field < QEV_OPT_COUNT; ++field) {
            b = a;
            b.nItem[field] = 7;
            bool counts = field != QEV_OPT_TV2_STANDARD && field != QEV_OPT_TV2_SIGNAL ? true : twoTV;
            EXPECT_EQ(counts ? 1 : 0, CheckDisplayPageOtionItemsChange(&a, &b)) << field << " " << twoTV;
        }
    }
    g_bSupportTwoTV = 0;
}

TEST(DisplayModel, PrimaryList)
{
    EXPECT_EQ(LCD, ResolvePrimaryCandidate(0, true, LCD, CRT));       // the one active output
    EXPECT_EQ(DVI, ResolvePrimaryCandidate(0, true, LCD | DVI, DVI)); // the library's primary
    EXPECT_EQ(DVI, ResolvePrimaryCandidate(TV, true, LCD | DVI, 0));  // first active in the order
    EXPECT_EQ(TV, ResolvePrimaryCandidate(TV, false, 0, 0));          // nothing active: stays
    EXPECT_EQ(0u, ResolvePrimaryCandidate(0, false, 0, CRT));

    const struct {
        DeviceSets sets;
        unsigned candidate, select;
        Strings entries;
        unsigned current, selectAfter, activeBits;
    } cases[] = {
        {Sets(ALL, CRT | LCD | TV, CRT | LCD), CRT, 0, {"1. CRT", "1. TV", "1. LCD"}, CRT, CRT, CRT | LCD},
        {Sets(ALL, ALL, LCD | HDMI), LCD, 0,
         {"1. LCD", "1. CRT", "1. TV", "1. HDTV", "1. DVI", "1. DVI-2", "1. HDMI", "1. DP", "1. DP-2"}, LCD, LCD,
         LCD | HDMI},
        // Unsupported or unconnected candidate: no first entry, no current primary.
        {Sets(CRT | LCD, CRT | LCD, 0), TV, 0, {"1. CRT", "1. LCD"}, 0, 0, 0},
        // Second outputs and 0 start with "1. CRT", taken as active whatever the sets say.
        {Sets(0, 0, 0), 0, 0, {"1. CRT"}, CRT, CRT, CRT},
        {Sets(TV2 | DVI, TV2 | DVI, TV2), TV2, 0, {"1. CRT", "1. DVI"}, CRT, CRT, CRT},
        // An earlier primary keeps its place.
        {Sets(ALL, CRT | DVI, CRT | DVI), DVI, DVI, {"1. DVI", "1. CRT"}, DVI, DVI, DVI | CRT},
    };
    for (const auto &c : cases) {
        PrimaryList l = BuildPrimaryList(c.sets, c.candidate, c.select);
        EXPECT_EQ(c.entries, l.entries) << c.candidate;
        EXPECT_EQ(c.current, l.current) << c.candidate;
        EXPECT_EQ(c.selectAfter, l.selectDevice) << c.candidate;
        EXPECT_EQ(c.activeBits, l.activeBits) << c.candidate;
    }
}

TEST(DisplayModel, SecondaryLists)
{
    const struct {
        DeviceSets sets;
        unsigned candidate;
        const char *primary;
        Strings entries;
        unsigned current;
    } build[] = {
        {Sets(ALL, CRT | LCD, CRT | LCD), LCD, "1. CRT", {"2. LCD", "None"}, LCD},
        {Sets(ALL, CRT, CRT), 0, "1. CRT", {"None"}, 0},
        {Sets(ALL, CRT | TV | HDTV, CRT), 0, "1. TV", {"None", "2. CRT"}, 0},
        {Sets(ALL, ALL, CRT | TV2), TV2, "1. CRT",
         {"2. TV_2", "None", "2. TV", "2. HDTV", "2. DVI", "2. DVI-2", "2. HDMI", "2. DP", "2. DP-2", "2. LCD",
          "2. CRT_2", "2. HDTV_2", "2. LCD_2"},
         TV2},
        // The candidate is what the primary shows: no first entry and no "None".
        {Sets(ALL, CRT | LCD, CRT), CRT, "1. CRT", {"2. LCD"}, 0},
        {Sets(0, 0, 0), HDMI, "1. CRT", {}, 0},
    };
    for (const auto &c : build) {
        SecondaryList l = BuildSecondaryList(c.sets, c.candidate, c.primary);
        EXPECT_EQ(c.entries, l.entries) << c.candidate << c.primary;
        EXPECT_EQ(c.current, l.current) << c.candidate << c.primary;
    }

    const struct {
        DeviceSets sets;
        bool paired;
        const char *primary;
        Strings entries;
    } change[] = {
        {Sets(ALL, CRT | DVI | HDMI | DP, 0), false, "1. DVI", {"None", "2. CRT"}},
        {Sets(ALL, CRT | DVI | HDMI, 0), false, "1. CRT", {"None", "2. DVI", "2. HDMI"}},
        {Sets(ALL, CRT | TV, 0), true, "1. TV", {"None"}},
        {Sets(ALL, CRT | TV, 0), false, "1. TV", {"None", "2. CRT"}},
        {Sets(ALL, CRT | TV | HDTV, 0), true, "1. CRT", {"None"}},
        {Sets(ALL, LCD | HDMI, 0), false, "1. LCD", {"None"}},
        // Connected is enough for the first outputs; the second ones must be supported too.
        {Sets(0, CRT | LCD | TV2 | DVI2, 0), false, "1. LCD", {"None", "2. CRT"}},
        {Sets(ALL, ALL, 0), false, "1. DVI-2",
         {"None", "2. CRT", "2. TV", "2. HDTV", "2. DVI", "2. HDMI", "2. DP", "2. DP-2", "2. LCD", "2. CRT_2", "2. TV_2",
          "2. HDTV_2", "2. LCD_2"}},
    };
    for (const auto &c : change)
        EXPECT_EQ(c.entries, SimultaneousSecondaryList(c.sets, c.paired, c.primary)) << c.primary;
    EXPECT_TRUE(IsPairedTVEncoder(0x7A04, 12));
    EXPECT_FALSE(IsPairedTVEncoder(0x7A04, 0x11));
    EXPECT_FALSE(IsPairedTVEncoder(0x7A0A, 12));
}

TEST(DisplayModel, ModeList)
{
    struct Case {
        const char *what;
        int K, S;
        bool samm;
        int M;
        const char *secondary;
        bool chosen, randr, startedSAMM;
        int count;
        bool only;
        Strings entries;
        int shown, countAfter;
        bool onlyAfter, secLocked;
        int combos;
        bool sammButton;
    };
    const Case cases[] = {
        {"one output", 1, 1, true, 1, "None", false, false, false, 1, false, {"Off"}, 1, 2, false, false, -1, false},
        {"one output, started in SAMM", 1, 1, true, 4, "None", false, false, true, 1, false,
         {"Off", "Desktop Expand(SAMM)"}, 1, 2, false, false, -1, false},
        {"clone at build", 2, 2, true, 2, "2. LCD", true, false, false, 1, false, {"Clone", "Desktop Expand(SAMM)"}, 2,
         2, false, false, 1, false},
        {"clone, no SAMM support", 2, 2, false, 2, "2. LCD", true, false, false, 1, false, {"Clone", "Off"}, 2, 2,
         false, false, 1, false},
        {"SAMM at build", 3, 2, true, 4, "2. LCD", true, false, true, 1, false, {"Desktop Expand(SAMM)", "Clone"}, 4,
         2, true, true, 0, true},
        {"SAMM at build, RandR", 2, 2, true, 4, "2. LCD", true, true, true, 1, false,
         {"Desktop Expand(SAMM)", "Clone"}, 4, 2, true, true, 1, true},
        {"SAMM rebuilt, one connected", 1, 2, true, 4, "2. LCD", true, false, true, 3, true,
         {"Desktop Expand(SAMM)"}, 4, 4, true, true, 0, true},
        {"later secondary pick", 3, 2, true, 1, "2. TV", true, false, false, 2, false,
         {"Clone", "Desktop Expand(SAMM)"}, 2, 3, false, false, 1, false},
        {"later pick while SAMM is current", 3, 2, true, 4, "2. TV", true, false, false, 2, false,
         {"Clone", "Desktop Expand(SAMM)"}, 2, 3, false, false, -1, false},
        {"unknown mode at build", 2, 2, true, 0, "2. LCD", true, false, false, 1, false,
         {"Clone", "Desktop Expand(SAMM)"}, 0, 2, false, false, -1, false},
        {"unknown mode, no secondary", 2, 1, true, 0, "", false, false, false, 1, false, {"Off", "Clone"}, 0, 2, false,
         false, -1, false},
    };
    for (const Case &c : cases) {
        ModeListInput in;
        in.connectedCount = c.K;
        in.pendingCount = c.S;
        in.sammSupported = c.samm;
        in.currentMode = c.M;
        in.secondaryText = c.secondary;
        in.secondaryChosen = c.chosen;
        in.randr = c.randr;
        in.startedInSAMM = c.startedSAMM;
        in.count = c.count;
        in.onlyForSAMM = c.only;
        ModeListResult r = BuildModeList(in);
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.entries, r.entries);
        EXPECT_EQ(c.shown, r.shownMode);
        EXPECT_EQ(c.countAfter, r.count);
        EXPECT_EQ(c.onlyAfter, r.onlyForSAMM);
        EXPECT_EQ(c.secLocked, r.secDeviceInsensitive);
        EXPECT_EQ(c.combos, r.combosSensitive);
        EXPECT_EQ(c.sammButton, r.sammButtonSensitive);
    }

    const struct {
        const char *text;
        int M;
        bool randr;
        int combos, samm, apply, only;
    } choices[] = {
        {"Clone", 2, false, 1, 0, 0, 0},   {"Clone", 1, false, -1, -1, 1, 0}, {"Clone", 4, false, -1, 0, 1, 0},
        {"Desktop Expand(SAMM)", 1, false, 0, 1, 1, 1}, {"Desktop Expand(SAMM)", 4, true, -1, 1, -1, 1},
        {"Off", 1, false, -1, 0, 0, 0},    {"Off", 2, false, -1, -1, 1, 0},   {"Off", 4, false, -1, 0, 1, 0},
        {"", 1, false, -1, -1, -1, -1},
    };
    for (const auto &c : choices) {
        ModeChoiceEffect e = ModeChoice(c.text, c.M, c.randr);
        EXPECT_EQ(c.combos, e.combosSensitive) << c.text << c.M;
        EXPECT_EQ(c.samm, e.sammButton) << c.text << c.M;
        EXPECT_EQ(c.apply, e.apply) << c.text << c.M;
        EXPECT_EQ(c.only, e.onlyForSAMM) << c.text << c.M;
    }
}

TEST(DisplayModel, ResolutionList)
{
    char a[] = "1280x1024", b[] = "1024x768", longName[80];
    memset(longName, 'x', sizeof longName - 1);
    longName[sizeof longName - 1] = '\0';
    RRModeEntry modes[] = {{a, 1280, 1024, 60.02f}, {b, 1024, 768, 60.0f}, {b, 1024, 768, 75.03f},
                           {b, 1024, 768, 61.9f},   {longName, 1, 1, 60.0f}};
    EXPECT_EQ((Strings{"1280x1024 60.0Hz", "1024x768 60.0Hz", "1024x768 75.0Hz", "1024x768 61.9Hz",
                       std::string(longName).substr(0, 49)}),
              ResolutionEntries(modes, 5));
    EXPECT_TRUE(ResolutionEntries(nullptr, 0).empty());
    std::vector<RRModeEntry> many(60, modes[0]);
    EXPECT_EQ(50u, ResolutionEntries(many.data(), 60).size());

    RRModeEntry current = {b, 1024, 768, 60.0f};
    EXPECT_EQ(3, ShownResolutionIndex(modes, 5, current));  // the last within 1 Hz
    current.refresh = 74.2f;
    EXPECT_EQ(2, ShownResolutionIndex(modes, 5, current));
    current.refresh = 85.0f;
    EXPECT_EQ(0, ShownResolutionIndex(modes, 5, current));  // none: the first
    current.name = nullptr;
    EXPECT_EQ(0, ShownResolutionIndex(modes, 5, current));
}

TEST(DisplayModel, AdvancedButtons)
{
    struct Case {
        unsigned output, caps;
        bool randr;
        unsigned active;
        bool change;
        AdvancedButtons b;
    };
    auto B = [](int ls, int lsens, int gs, int gsens, int ts, int tsens) {
        AdvancedButtons b;
        b.lcdShow = ls, b.lcdSensitive = lsens, b.generalShow = gs, b.generalSensitive = gsens, b.tvShow = ts,
        b.tvSensitive = tsens;
        return b;
    };
    const Case cases[] = {
        {CRT, 0x10, false, 0, false, B(0, -1, 1, 1, 0, -1)},
        {DP2, 0, false, 0, false, B(0, -1, 1, 0, 0, -1)},
        {DVI, 0, true, 0, false, B(0, -1, 1, 1, 0, -1)},
        {CRT, 0x10, true, CRT, true, B(-1, 0, -1, 0, -1, 0)},
        {HDMI, 0x10, false, HDMI, true, B(0, -1, 1, 1, 0, -1)},
        {HDMI, 0x10, true, CRT, true, B(0, -1, 1, 0, 0, -1)},
        {LCD, 0x80, false, 0, false, B(1, 1, 0, -1, 0, -1)},
        {LCD2, 0, false, 0, false, B(1, 0, 0, -1, 0, -1)},
        {LCD, 0x02, false, LCD2, true, B(1, 1, 0, -1, 0, -1)},
        {LCD, 0x02, true, CRT, true, B(1, 0, 0, -1, 0, -1)},
        {HDTV2, 0, false, 0, false, B(0, -1, 0, -1, 1, 1)},
        {TV, 0, false, 0, true, B(0, -1, 0, -1, 1, 1)},
        {0, 0xff, true, ALL, false, B(-1, 0, -1, 0, -1, 0)},
    };
    for (const Case &c : cases) {
        AdvancedButtons b = AdvancedButtonRule(c.output, c.caps, c.randr, c.active, c.change);
        SCOPED_TRACE(testing::Message() << c.output << " change " << c.change);
        EXPECT_EQ(c.b.lcdShow, b.lcdShow);
        EXPECT_EQ(c.b.lcdSensitive, b.lcdSensitive);
        EXPECT_EQ(c.b.generalShow, b.generalShow);
        EXPECT_EQ(c.b.generalSensitive, b.generalSensitive);
        EXPECT_EQ(c.b.tvShow, b.tvShow);
        EXPECT_EQ(c.b.tvSensitive, b.tvSensitive);
    }
}

TEST(DisplayModel, TVListsAndValues)
{
    const struct {
        const char *text;
        int value;
    } values[] = {{"NTSC", 1},       {"1080P", 64},          {"RGB(SCART)", 4}, {"S-Video Composite", 16},
                  {"Component S-Video Composite", 256},      {"TV", 4},         {"TV2", 512},
                  {"ntsc", -1},      {"", -1},               {"HDTV", -1}};
    for (const auto &v : values)
        EXPECT_EQ(v.value, GetComboEntryItemValue(v.text)) << v.text;
    EXPECT_STREQ("720P", TVValueText(2, 16));
    EXPECT_STREQ("Component", TVValueText(3, 8));
    EXPECT_STREQ("", TVValueText(0, 0));

    EXPECT_EQ((Strings{"NTSC", "PAL"}), TVListEntries(0, 0x7f, false));
    EXPECT_EQ((Strings{"PAL", "576P", "1080P"}), TVListEntries(0, 0x2 | 0x8 | 0x40, true));
    EXPECT_EQ((Strings{"Composite", "S-Video", "RGB(SCART)", "Component", "S-Video Composite",
                       "Component S-Video Composite", "RGB(SCART) S-Video Composite"}),
              TVListEntries(1, 0xffff, false));
    EXPECT_EQ((Strings{"720P", "1080I"}), TVListEntries(2, 0x30, false));
    EXPECT_EQ((Strings{"Component"}), TVListEntries(3, 0x8 | 0x1, true));
    EXPECT_TRUE(TVListEntries(1, 0, true).empty());

    EXPECT_EQ(QEV_OPT_TV_STANDARD, TVOptionStandardField(TV, TV2));
    EXPECT_EQ(QEV_OPT_TV_STANDARD, TVOptionStandardField(CRT, HDTV));
    EXPECT_EQ(QEV_OPT_TV2_STANDARD, TVOptionStandardField(CRT, HDTV2));
    EXPECT_EQ(-1, TVOptionStandardField(TV2, LCD));
    EXPECT_EQ(TV2, ActiveTVForAdjustment(HDTV | TV2));
    EXPECT_EQ(TV, ActiveTVForAdjustment(TV | TV2));
}

TEST(DisplayModel, TVApplyChoice)
{
    struct Case {
        const char *what;
        unsigned device;
        int pendingStd, pendingSig;
        unsigned curStd, curSig;
        bool changing;
        unsigned supported;
        bool setStd;
        unsigned std;
        bool setSig;
        unsigned sig;
    };
    const Case cases[] = {
        {"unchanged standard, new signal", TV, 1, 2, 1, 1, false, 0, false, 1, true, 2},
        {"new standard and signal", TV2, 2, 4, 1, 1, false, 0, true, 2, true, 4},
        {"no choice made: nothing sent", TV, 0, 0, 2, 4, false, 0, false, 2, false, 4},
        {"switched on, no choice: kept", TV, 0, 0, 2, 4, true, 0, false, 2, false, 4},
        {"switched on, unreadable: NTSC, Composite", TV, 0, 0, 0, 0, true, 0, true, 1, true, 1},
        {"HDTV switched on, no standard: 720P", HDTV, 0, 0, 0, 4, true, 0x10 | 0x20, true, 16, true, 8},
        {"HDTV switched on, none supported: 480P", HDTV2, 0, 0, 0, 8, true, 0x40, true, 4, false, 8},
        {"HDTV in place, no choice: nothing sent", HDTV, 0, 0, 16, 8, false, 0x7c, false, 16, false, 8},
        {"HDTV new standard", HDTV, 32, 8, 16, 8, false, 0x7c, true, 32, false, 8},
    };
    for (const Case &c : cases) {
        TVApplyInput in;
        in.device = c.device;
        in.pendingStandard = c.pendingStd;
        in.pendingSignal = c.pendingSig;
        in.currentStandard = c.curStd;
        in.currentSignal = c.curSig;
        in.setChanging = c.changing;
        in.supportedStandards = c.supported;
        TVApplyPlan p = PlanTVApply(in);
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.setStd, p.setStandard);
        EXPECT_EQ(c.setSig, p.setSignal);
        if (c.setStd) {
            EXPECT_EQ(c.std, p.standard);
        }
        if (c.setSig) {
            EXPECT_EQ(c.sig, p.signal);
        }
    }
}

TEST(DisplayModel, SAMMAndCloneRules)
{
    const struct {
        int chosen, init, posChanged, result, initAfter;
    } changes[] = {{1, 0, 0, 1, 1}, {0, 1, 1, 1, 0}, {1, 1, 1, 1, 1}, {1, 1, 0, 0, 1}, {0, 0, 1, 0, 0}};
    for (const auto &c : changes) {
        int init = c.init;
        EXPECT_EQ(c.result, SAMMChoiceChanged(c.chosen, &init, c.posChanged)) << c.chosen << c.init << c.posChanged;
        EXPECT_EQ(c.initAfter, init);
    }
    EXPECT_STREQ("HDTV2", SAMMDeviceName(HDTV2));
    EXPECT_STREQ("Unknow", SAMMDeviceName(0));
    EXPECT_STREQ("Unknow", SAMMDeviceName(CRT | LCD));
    EXPECT_STREQ("DP", GemelDeviceName(DP));
    EXPECT_EQ(nullptr, GemelDeviceName(LCD2));

    int p = 0, s = 0;
    SAMMDialogPair(DVI, LCD, &p, &s);
    EXPECT_EQ(LCD, static_cast<unsigned>(p));
    EXPECT_EQ(DVI, static_cast<unsigned>(s));

    const struct {
        unsigned active, main, rest;
    } splits[] = {{CRT | TV, CRT, TV},   {LCD | DVI, LCD, DVI}, {LCD | DP, DP, LCD},
                  {LCD | LCD2, CRT, CRT}, {HDMI, HDMI, 0},      {TV | HDTV, TV, HDTV}};
    for (const auto &c : splits) {
        unsigned main = 0, rest = 0;
        GemelSplit(c.active, &main, &rest);
        EXPECT_EQ(c.main, main) << c.active;
        EXPECT_EQ(c.rest, rest) << c.active;
    }
    EXPECT_EQ(TV, static_cast<unsigned>(GemelVideoOutputFor(1, CRT, TV)));
    EXPECT_EQ(CRT, static_cast<unsigned>(GemelVideoOutputFor(0, CRT, TV)));
    EXPECT_EQ(DVI, static_cast<unsigned>(GemelVideoOutputFor(1, DVI, LCD)));
    EXPECT_EQ(0, GemelVideoOutputFor(0, CRT, 0));
    EXPECT_EQ(0, GemelVideoOutputFor(1, 0, TV));
    EXPECT_TRUE(IsGemelVideoOutput(HDTV));
    EXPECT_FALSE(IsGemelVideoOutput(DP));
    EXPECT_FALSE(IsGemelVideoOutput(0));

    EXPECT_EQ("Your configuration has successfully been updated, but you must restart the X Window System for the "
              "changes to take effect.\n It will be in SAMM mode as X Window system restarts.",
              RestartText(true));
    EXPECT_EQ(std::string::npos, RestartText(false).find("SAMM"));
}

TEST(DisplayModel, RestartMarker)
{
    qevtest::TempDir dir("marker");
    std::string path = dir.path() + "/.XWindowNeedtobeRestart";
    std::string error;
    qevtest::write_file(path, "old");
    ASSERT_EQ(1, WriteRestartMarker(path, &error)) << error;
    EXPECT_EQ("This file is used to check the X Window System is restarted or not.\n"
              "This file will be deleted as restarting X Window System.",
              qevtest::read_file(path).value_or(""));
    EXPECT_EQ(0, WriteRestartMarker(dir.path() + "/missing/.XWindowNeedtobeRestart", &error));
    EXPECT_NE(std::string::npos, error.find("No such file")) << error;
}
