// The Display page's selection model, TV choices and multi-screen/clone rules,
// without a window.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "Display_page.h"
#include "SAMMSetting.h"
#include "keep_revert.h"
#include "qev/outputs.h"
#include "qevtest/qevtest.h"

namespace {
using Strings = std::vector<std::string>;
constexpr unsigned CRT = 0x1, LCD = 0x2, TV = 0x4, DVI = 0x8, HDMI = 0x10, HDTV = 0x40, LCD2 = 0x80, DVI2 = 0x100;
constexpr unsigned TV2 = 0x200, HDTV2 = 0x400, DP = 0x800, DP2 = 0x1000, ALL = 0x1fff;
DeviceSets Sets(unsigned supported, unsigned connected, unsigned active)
{
    DeviceSets s;
    return s.supported = supported, s.connected = connected, s.active = active, s;
}
}  // namespace

TEST(DisplayModel, LabelsAndRecords)
{
    for (auto [text, device] : {std::pair<const char *, unsigned>{"2. DVI-2", DVI2}, {"2. HDTV_2", HDTV2}, {"None", 0u}, {"1. CRT_2", CRT},
                                {"", CRT}, {"none", CRT}})
        EXPECT_EQ(int(device), MapTextToDevice(text)) << text;
    EXPECT_EQ(4, MapTextToMode("Desktop Expand(SAMM)"));
    EXPECT_EQ(0, MapTextToMode("off"));
    EXPECT_EQ(13, GetDeviceNum(0xffffffffu));

    DisplayPageOptionItems a, b;
    InitDisplayPageOptionItems(&a);
    EXPECT_EQ((std::vector<int>{0, 0, 0, 0, 0, -1, -1}), std::vector<int>(a.nItem, a.nItem + QEV_OPT_COUNT));
    for (int twoTV : {0, 1})
        for (int field = 0; field < QEV_OPT_COUNT; ++field) {
            g_bSupportTwoTV = twoTV, b = a, b.nItem[field] = 7;
            bool secondTV = field == QEV_OPT_TV2_STANDARD || field == QEV_OPT_TV2_SIGNAL;
            EXPECT_EQ(!secondTV || twoTV, CheckDisplayPageOtionItemsChange(&a, &b)) << field << twoTV;
        }
    g_bSupportTwoTV = 0;
}

TEST(DisplayModel, DeviceLists)
{
    EXPECT_EQ(LCD, ResolvePrimaryCandidate(0, true, LCD, CRT));
    EXPECT_EQ(DVI, ResolvePrimaryCandidate(TV, true, LCD | DVI, 0));  // first active in the order
    EXPECT_EQ(TV, ResolvePrimaryCandidate(TV, false, 0, 0));          // nothing active: stays
    const struct { DeviceSets sets; unsigned candidate, select; Strings entries; unsigned current, after, bits; }
        primary[] = {
        {Sets(ALL, CRT | LCD | TV, CRT | LCD), CRT, 0, {"1. CRT", "1. TV", "1. LCD"}, CRT, CRT, CRT | LCD},
        {Sets(CRT | LCD, CRT | LCD, 0), TV, 0, {"1. CRT", "1. LCD"}, 0, 0, 0},  // candidate not connected
        {Sets(0, 0, 0), 0, 0, {"1. CRT"}, CRT, CRT, CRT},                        // the default entry
        {Sets(TV2 | DVI, TV2 | DVI, TV2), TV2, 0, {"1. CRT", "1. DVI"}, CRT, CRT, CRT},
        {Sets(ALL, CRT | DVI, CRT | DVI), DVI, DVI, {"1. DVI", "1. CRT"}, DVI, DVI, DVI | CRT},
    };
    for (const auto &c : primary) {
        PrimaryList l = BuildPrimaryList(c.sets, c.candidate, c.select);
        EXPECT_EQ(c.entries, l.entries);
        EXPECT_EQ((std::vector<unsigned>{c.current, c.after, c.bits}),
                  (std::vector<unsigned>{l.current, l.selectDevice, l.activeBits}));
    }
    const struct { DeviceSets sets; unsigned candidate; const char *primary; Strings entries; } build[] = {
        {Sets(ALL, CRT | LCD, CRT | LCD), LCD, "1. CRT", {"2. LCD", "None"}},
        {Sets(ALL, CRT | TV | HDTV, CRT), 0, "1. TV", {"None", "2. CRT"}},
        {Sets(ALL, CRT | TV2 | HDTV2 | DVI2, CRT | TV2), TV2, "1. DVI-2", {"2. TV_2", "None", "2. CRT", "2. HDTV_2"}},
        {Sets(ALL, CRT | LCD, CRT), CRT, "1. CRT", {"2. LCD"}},  // no first entry, no "None"
        {Sets(0, 0, 0), HDMI, "1. CRT", {}},
    };
    for (const auto &c : build)
        EXPECT_EQ(c.entries, BuildSecondaryList(c.sets, c.candidate, c.primary).entries) << c.primary;
    const struct { unsigned supported, connected; bool paired; const char *primary; Strings entries; } change[] = {
        {ALL, CRT | DVI | HDMI | DP, false, "1. DVI", {"None", "2. CRT"}},
        {ALL, CRT | TV, true, "1. TV", {"None"}},
        {ALL, CRT | TV, false, "1. TV", {"None", "2. CRT"}},
        {ALL, CRT | TV | HDTV, true, "1. CRT", {"None"}},
        {ALL, LCD | HDMI, false, "1. LCD", {"None"}},
        {0, CRT | LCD | TV2 | DVI2, false, "1. LCD", {"None", "2. CRT"}},  // second outputs need support
        {ALL, ALL, false, "1. DVI-2", {"None", "2. CRT", "2. TV", "2. HDTV", "2. DVI", "2. HDMI", "2. DP", "2. DP-2",
                                       "2. LCD", "2. CRT_2", "2. TV_2", "2. HDTV_2", "2. LCD_2"}},
    };
    for (const auto &c : change)
        EXPECT_EQ(c.entries, SimultaneousSecondaryList(Sets(c.supported, c.connected, 0), c.paired, c.primary));
    EXPECT_TRUE(IsPairedTVEncoder(0x7A04, 12));
    EXPECT_FALSE(IsPairedTVEncoder(0x7A0A, 12));
}

TEST(DisplayModel, ModeListAndChoice)
{
    const struct { int K, S, M; bool samm; const char *secondary; bool startedSAMM, randr; int count; bool only;
                   Strings entries; int shown, combos; bool locked; } cases[] = {
        {1, 1, 1, true, "None", false, false, 1, false, {"Off"}, 1, -1, false},
        {1, 1, 4, true, "None", true, false, 1, false, {"Off", "Desktop Expand(SAMM)"}, 1, -1, false},
        {2, 2, 2, true, "2. LCD", false, false, 1, false, {"Clone", "Desktop Expand(SAMM)"}, 2, 1, false},
        {2, 2, 2, false, "2. LCD", false, false, 1, false, {"Clone", "Off"}, 2, 1, false},
        {3, 2, 4, true, "2. LCD", true, false, 1, false, {"Desktop Expand(SAMM)", "Clone"}, 4, 0, true},
        {2, 2, 4, true, "2. LCD", true, true, 1, false, {"Desktop Expand(SAMM)", "Clone"}, 4, 1, true},
        {1, 2, 4, true, "2. LCD", true, false, 3, true, {"Desktop Expand(SAMM)"}, 4, 0, true},
        {3, 2, 4, true, "2. TV", false, false, 2, false, {"Clone", "Desktop Expand(SAMM)"}, 2, -1, false},
        {2, 1, 0, true, "", false, false, 1, false, {"Off", "Clone"}, 0, -1, false},
    };
    for (const auto &c : cases) {
        ModeListInput in;
        in.connectedCount = c.K, in.pendingCount = c.S, in.currentMode = c.M, in.sammSupported = c.samm;
        in.secondaryText = c.secondary, in.secondaryChosen = in.secondaryText.size() > 0 && in.secondaryText != "None";
        in.startedInSAMM = c.startedSAMM, in.randr = c.randr, in.count = c.count, in.onlyForSAMM = c.only;
        ModeListResult r = BuildModeList(in);
        EXPECT_EQ(c.entries, r.entries) << c.K << c.M << c.secondary;
        EXPECT_EQ((std::vector<int>{c.shown, c.combos, c.locked, c.shown == 4}),
                  (std::vector<int>{r.shownMode, r.combosSensitive, r.secDeviceInsensitive, r.sammButtonSensitive}));
    }
}

TEST(DisplayModel, ResolutionsAndAdvancedButtons)
{
    char a[] = "1280x1024", b[] = "1024x768", longName[80] = {};
    memset(longName, 'x', sizeof longName - 1);
    RRModeEntry modes[] = {{a, 0, 0, 60.02f}, {b, 0, 0, 60.0f}, {b, 0, 0, 75.03f}, {b, 0, 0, 61.9f}, {longName, 0, 0, 1}};
    EXPECT_EQ((Strings{"1280x1024 60.0Hz", "1024x768 60.0Hz", "1024x768 75.0Hz", "1024x768 61.9Hz",
                       std::string(longName, 49)}),
              ResolutionEntries(modes, 5));
    std::vector<RRModeEntry> many(60, modes[0]);
    EXPECT_EQ(50u, ResolutionEntries(many.data(), 60).size());
    for (auto [rate, shown] : {std::pair{60.0f, 3}, {74.2f, 2}, {85.0f, 0}}) {
        RRModeEntry current = {b, 0, 0, rate};
        EXPECT_EQ(shown, ShownResolutionIndex(modes, 5, current)) << rate;
    }

    // b: LCD show, sensitive; general show, sensitive; TV show, sensitive
    const struct { unsigned output, caps; bool randr; unsigned active; bool change; std::vector<int> b; } buttons[] = {
        {DP2, 0, true, 0, false, {0, -1, 1, 1, 0, -1}},      {HDMI, 0x10, false, CRT, true, {0, -1, 1, 0, 0, -1}},
        {LCD, 0x02, false, LCD2, true, {1, 1, 0, -1, 0, -1}}, {0, 0xff, true, ALL, false, {-1, 0, -1, 0, -1, 0}},
    };
    for (const auto &c : buttons) {
        AdvancedButtons r = AdvancedButtonRule(c.output, c.caps, c.randr, c.active, c.change);
        EXPECT_EQ(c.b, (std::vector<int>{r.lcdShow, r.lcdSensitive, r.generalShow, r.generalSensitive, r.tvShow,
                                         r.tvSensitive}))
            << c.output << c.change;
    }
}

TEST(DisplayModel, TVChoices)
{
    for (auto [text, value] : {std::pair{"1080P", 64}, {"RGB(SCART) S-Video Composite", 128}, {"TV2", 512},
                               {"ntsc", -1}, {"", -1}, {"PAL-M", -1}})
        EXPECT_EQ(value, GetComboEntryItemValue(text)) << text;
    const struct { int kind; unsigned mask; bool hd; Strings entries; } lists[] = {
        {0, 0x7f, false, {"NTSC", "PAL"}}, {0, 0x2 | 0x8 | 0x40, true, {"PAL", "576P", "1080P"}},
        {1, 0x190, false, {"S-Video Composite", "Component S-Video Composite", "RGB(SCART) S-Video Composite"}},
        {3, 0x9, true, {"Component"}}, {2, 0x33, false, {"720P", "1080I"}}, {2, 0, true, {}}};
    for (const auto &l : lists)
        EXPECT_EQ(l.entries, TVListEntries(l.kind, l.mask, l.hd)) << l.kind << " " << l.mask;
    EXPECT_EQ(QEV_OPT_TV2_STANDARD, TVOptionStandardField(CRT, HDTV2));
    EXPECT_EQ(-1, TVOptionStandardField(TV2, LCD));
    EXPECT_EQ(TV2, ActiveTVForAdjustment(HDTV | TV2));
    EXPECT_EQ(TV, ActiveTVForAdjustment(TV2));
    EXPECT_EQ((std::vector<unsigned>{HDTV, TV2}), TVOutputsToApply(TV | HDTV | TV2));
    EXPECT_EQ((std::vector<unsigned>{TV, HDTV2}), TVOutputsToApply(TV | HDTV2));
    EXPECT_TRUE(TVOutputsToApply(CRT | LCD).empty());

    // sent: standard, signal (0: not sent)
    const struct { unsigned device; int pendingStd, pendingSig; unsigned curStd, curSig; bool changing;
                   unsigned supported; std::vector<unsigned> sent; } apply[] = {
        {TV, 1, 2, 1, 1, false, 0, {0, 2}},      {TV2, 2, 4, 1, 1, false, 0, {2, 4}},
        {TV, 0, 0, 2, 4, false, 0, {0, 0}},      {TV, 0, 0, 0, 0, true, 0, {1, 1}},
        {HDTV, 0, 0, 0, 4, true, 0x30, {16, 8}}, {HDTV2, 0, 0, 0, 8, true, 0x40, {4, 0}},
        {HDTV, 0, 0, 16, 8, false, 0x7c, {0, 0}},
    };
    for (const auto &c : apply) {
        TVApplyInput in;
        in.device = c.device, in.pendingStandard = c.pendingStd, in.pendingSignal = c.pendingSig;
        in.currentStandard = c.curStd, in.currentSignal = c.curSig, in.setChanging = c.changing;
        in.supportedStandards = c.supported;
        TVApplyPlan p = PlanTVApply(in);
        EXPECT_EQ(c.sent, (std::vector<unsigned>{p.setStandard ? p.standard : 0, p.setSignal ? p.signal : 0}))
            << c.device << " " << c.pendingStd << " " << c.curStd;
    }
}

TEST(DisplayModel, SammAndCloneWindows)
{
    for (auto [chosen, init, moved, result] : {std::array{1, 0, 0, 1}, {0, 1, 1, 1}, {1, 1, 1, 1}, {1, 1, 0, 0}}) {
        int state = init;
        EXPECT_EQ(result, SAMMChoiceChanged(chosen, &state, moved));
        EXPECT_EQ(chosen, state);
    }
    int p = 0, s = 0;
    SAMMDialogPair(DVI, LCD, &p, &s);
    EXPECT_EQ((std::vector<int>{int(LCD), int(DVI)}), (std::vector<int>{p, s}));
    for (auto [active, main, rest] : {std::array<unsigned, 3>{CRT | TV, CRT, TV}, {LCD | DVI, LCD, DVI}, {LCD | DP, DP, LCD},
                                      {LCD | LCD2, CRT, CRT}}) {
        unsigned m = 0, r = 0;
        GemelSplit(active, &m, &r);
        EXPECT_EQ((std::vector<unsigned>{main, rest}), (std::vector<unsigned>{m, r})) << active;
    }
    EXPECT_EQ(int(DVI), GemelVideoOutputFor(1, DVI, LCD));
    EXPECT_EQ(0, GemelVideoOutputFor(0, CRT, 0));
    EXPECT_EQ(std::string::npos, RestartText(false).find("SAMM"));

    qevtest::TempDir dir("marker");
    std::string error;
    qevtest::write_file(dir.file("m"), "old");
    ASSERT_EQ(1, WriteRestartMarker(dir.file("m"), &error)) << error;
    EXPECT_EQ("This file is used to check the X Window System is restarted or not.\n"
              "This file will be deleted as restarting X Window System.",
              qevtest::read_file(dir.file("m")).value_or(""));
    EXPECT_EQ(0, WriteRestartMarker(dir.file("missing/m"), &error));
    EXPECT_NE(std::string::npos, error.find("No such file")) << error;
}

TEST(DisplayModel, KeepQuestionRule)
{
    DisplaySnapshot base;
    base.valid = true, base.active = CRT | LCD, base.primary = CRT;
    base.outputs = {{CRT, "1280x1024", 1280, 1024, 60.0f, 0, 0, 1}, {LCD, "1280x800", 1280, 800, 59.8f, 1280, 0, 1}};
    auto with = [&](auto change) { DisplaySnapshot s = base; return change(s), s; };
    struct Row { const char *what; DisplaySnapshot before, after; bool asks; } rows[] = {
        {"nothing moved (gamma, overlay, TV controls)", base, base, false},
        {"primary only", base, with([](auto &s) { s.primary = LCD; }), false},
        {"resolution", base, with([](auto &s) { s.outputs[0].mode = "1024x768", s.outputs[0].width = 1024; }), true},
        {"rate", base, with([](auto &s) { s.outputs[0].refresh = 75.0f; }), true},
        {"layout", base, with([](auto &s) { s.outputs[1].x = 0; }), true},
        {"rotation", base, with([](auto &s) { s.outputs[0].rotation = 2; }), true},
        {"active outputs", base, with([](auto &s) { s.active = CRT, s.outputs.pop_back(); }), true},
        {"no RandR before (file route)", with([](auto &s) { s.valid = false; }), with([](auto &s) { s.valid = false, s.active = CRT; }), false},
        {"no RandR after", base, DisplaySnapshot{}, false},
    };
    for (const Row &r : rows)
        EXPECT_EQ(r.asks, NeedsKeepQuestion(r.before, r.after)) << r.what;
}
