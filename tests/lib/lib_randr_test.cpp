// libqevgfx on the X channel with RandR 1.2: queries through libXrandr and
// changes through xrandr command lines, checked both as exact argument
// vectors (a recording xrandr) and by the state the real xrandr reaches.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "qev/outputs.h"
#include "qevgfx.h"
#include "qevtest/qevtest.h"
#include "qevtest/session.h"
#include "xrandr_recorder.h"

using qevtest::Argv;

namespace {

Argv Off(const char *name) { return {"--output", name, "--off"}; }
Argv Auto(const char *name) { return {"--output", name, "--auto"}; }
Argv Join(std::initializer_list<Argv> parts) {
    Argv out;
    for (const Argv &p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

void Xrandr(const Argv &args) {
    Argv argv{"xrandr"};
    argv.insert(argv.end(), args.begin(), args.end());
    auto r = qevtest::run(argv);
    ASSERT_TRUE(r.ok()) << r.err;
}

template <class Suite> using RandRSession = qevtest::SessionTest<Suite>;

// The driver's default adapter: CRT, LCD, TV (+HDTV), DVI, HDMI and DP;
// CRT, LCD and TV connected; CRT and LCD active; two CRTCs. The TV's size
// and position ranges are widened for the property round trips.
class RandR : public RandRSession<RandR> {
  public:
    static qevtest::XServerOptions server_options() {
        qevtest::XServerOptions o;
        o.profile = qevtest::write_profile("randr.profile", "tv.tv.size_max=30,30\ntv.tv.pos_max=10,10\n");
        return o;
    }
};

constexpr unsigned kSupported = QEV_OUT_CRT | QEV_OUT_LCD | QEV_OUT_TV | QEV_OUT_DVI | QEV_OUT_HDMI | QEV_OUT_DP;

TEST_F(RandR, OutputMasks) {
    int randr = 0;
    EXPECT_EQ(1, QEVGFX_IsRandR(&randr));
    ASSERT_EQ(1, randr);
    unsigned mask = 0;
    EXPECT_EQ(1, QEVGFX_Device_GetSupportCaps(&mask));
    EXPECT_EQ(kSupported, mask); // HDTV has no output of its own
    EXPECT_EQ(1, QEVGFX_Device_GetConnectState(&mask));
    EXPECT_EQ(unsigned(QEV_OUT_CRT | QEV_OUT_LCD | QEV_OUT_TV), mask);
    EXPECT_EQ(1, QEVGFX_Device_GetActiveState(&mask));
    EXPECT_EQ(unsigned(QEV_OUT_CRT | QEV_OUT_LCD), mask);
    int samm = 0;
    EXPECT_EQ(1, QEVGFX_Device_GetSupportSAMMState(&samm));
    EXPECT_EQ(1, samm);
    unsigned primary = 0;
    EXPECT_EQ(1, QEVGFX_Device_GetPrimaryDevice(&primary));
    EXPECT_EQ(unsigned(QEV_OUT_CRT), primary);
    int panning = -1;
    EXPECT_EQ(1, QEVGFX_Device_GetPanningState(&panning)); // the command, also with RandR
    EXPECT_EQ(rrGetOutputInfo(), 6);

    // The one-pass summary answers as the separate queries do, slot for slot.
    QevOutputSummary sum;
    ASSERT_EQ(1, QEVGFX_Device_GetOutputSummary(~0u, &sum));
    EXPECT_EQ(kSupported, sum.supported);
    EXPECT_EQ(unsigned(QEV_OUT_CRT | QEV_OUT_LCD | QEV_OUT_TV), sum.connected);
    EXPECT_EQ(unsigned(QEV_OUT_CRT | QEV_OUT_LCD), sum.active);
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
    ASSERT_EQ(1, QEVGFX_Device_SetActiveState2(QEV_OUT_LCD, QEV_OUT_LCD, 0, nullptr, nullptr));
    std::vector<Argv> expected = {
        Join({Off("CRT"), Auto("LCD"), Off("TV"), Off("DVI"), Off("DP"), Off("HDMI")}),
        Join({Off("CRT"), Off("LCD"), Off("TV"), Off("DVI"), Off("DP"), Off("HDMI")}),
        // DVI is in the mask but neither primary nor secondary: left out.
        Join({{"--output", "CRT", "--mode", "800x600", "--refresh", "75.0"},
              {"--output", "LCD", "--mode", "1024x768", "--refresh", "60.0"},
              Off("TV"),
              Off("DP"),
              Off("HDMI")}),
        Join({Off("CRT"), Auto("LCD"), Off("TV"), Off("DVI"), Off("DP"), Off("HDMI")}),
    };
    EXPECT_EQ(expected, xrandr.calls());
}

// Long mode names pass whole, both into entries and onto command lines.
TEST_F(RandR, LongModeNames) {
    const std::string name = "qev_mode_with_a_name_well_beyond_nineteen_characters_1024x768";
    Xrandr(
        {"--newmode", name, "65.00", "1024", "1048", "1184", "1344", "768", "771", "777", "806", "-hsync", "-vsync"});
    Xrandr({"--addmode", "DVI", name});
    ASSERT_EQ(1, rrGetScreen()); // a fresh snapshot that knows the new mode
    int count = 0;
    RRModeEntry *modes = rrGetDevSupportMode(QEV_OUT_DVI, &count);
    bool found = false;
    for (int i = 0; i < count; ++i) {
        if (name == modes[i].name) {
            found = true;
            EXPECT_EQ(1024u, modes[i].width);
            EXPECT_NEAR(60.004, modes[i].refresh, 0.0005);
        }
    }
    EXPECT_TRUE(found);
    rrFreeModeEntries(modes, count);

    qevtest::XrandrRecorder xrandr;
    std::string huge(600, 'm');
    RRModeEntry entry{huge.data(), 1024, 768, 60.0f};
    ASSERT_EQ(1, QEVGFX_Device_SetActiveState2(QEV_OUT_DVI, QEV_OUT_DVI, 0, &entry, nullptr));
    auto calls = xrandr.calls();
    ASSERT_EQ(1u, calls.size());
    EXPECT_EQ(Join({Off("CRT"),
                    Off("LCD"),
                    Off("TV"),
                    {"--output", "DVI", "--mode", huge, "--refresh", "60.0"},
                    Off("DP"),
                    Off("HDMI")}),
              calls[0]);
}

TEST_F(RandR, ModesAndRefreshRates) {
    int count = 0;
    RRModeEntry *modes = rrGetDevSupportMode(QEV_OUT_LCD, &count);
    ASSERT_NE(nullptr, modes);
    ASSERT_GT(count, 0);
    bool found = false;
    for (int i = 0; i < count; ++i) {
        ASSERT_NE(nullptr, modes[i].name);
        if (modes[i].width == 1024 && modes[i].height == 768 && std::string(modes[i].name) == "1024x768" &&
            std::fabs(modes[i].refresh - 60.0f) < 0.5f) {
            found = true;
            // 65 MHz / (1344 * 806)
            EXPECT_FLOAT_EQ(float(65000000.0 / (1344.0 * 806.0)), modes[i].refresh);
            EXPECT_NEAR(60.004, modes[i].refresh, 0.0005);
        }
    }
    EXPECT_TRUE(found);
    rrFreeModeEntries(modes, count);

    EXPECT_EQ(nullptr, rrGetDevSupportMode(QEV_OUT_CRT | QEV_OUT_LCD, &count));

    RRModeEntry cur{};
    EXPECT_EQ(0, rrGetDevCurrentMode(QEV_OUT_DVI2, &cur));
}

// The real xrandr against the driver: the state the lines intend is reached,
// and the masks and display mode follow it.
TEST_F(RandR, SwitchingReachesTheState) {
    unsigned mask = 0;
    ASSERT_EQ(1, QEVGFX_Device_SetActiveState(QEV_OUT_CRT));
    EXPECT_EQ(1, QEVGFX_Device_GetActiveState(&mask));
    EXPECT_EQ(unsigned(QEV_OUT_CRT), mask);
    int mode = 0;
    EXPECT_EQ(1, QEVGFX_Device_GetDisplayMode(&mode));
    EXPECT_EQ(QEV_DISPLAY_SINGLE, mode);

    RRModeEntry lcd{const_cast<char *>("1024x768"), 1024, 768, 60.0f};
    RRModeEntry crt{const_cast<char *>("800x600"), 800, 600, 60.3f};
    ASSERT_EQ(1, QEVGFX_Device_SetActiveState2(QEV_OUT_CRT | QEV_OUT_LCD, QEV_OUT_LCD, QEV_OUT_CRT, &lcd, &crt));
    EXPECT_EQ(1, QEVGFX_Device_GetActiveState(&mask));
    EXPECT_EQ(unsigned(QEV_OUT_CRT | QEV_OUT_LCD), mask);
    RRModeEntry cur{};
    ASSERT_EQ(1, rrGetDevCurrentMode(QEV_OUT_LCD, &cur));
    EXPECT_STREQ("1024x768", cur.name);
    EXPECT_NEAR(60.0, cur.refresh, 0.05);
    std::free(cur.name);
    ASSERT_EQ(1, rrGetDevCurrentMode(QEV_OUT_CRT, &cur));
    EXPECT_STREQ("800x600", cur.name);
    std::free(cur.name);
    // Both CRTCs at (0, 0): clone.
    Xrandr({"--output", "LCD", "--pos", "0x0", "--output", "CRT", "--pos", "0x0"});
    EXPECT_EQ(1, QEVGFX_Device_GetDisplayMode(&mode));
    EXPECT_EQ(QEV_DISPLAY_CLONE, mode);
    // One beside the other: multi-screen.
    Xrandr({"--output", "LCD", "--right-of", "CRT"});
    EXPECT_EQ(1, QEVGFX_Device_GetDisplayMode(&mode));
    EXPECT_EQ(QEV_DISPLAY_SAMM, mode);
    int x = -1, y = -1;
    EXPECT_EQ(1, rrGetDevCurPosition(QEV_OUT_LCD, &x, &y));
    EXPECT_EQ(800, x);
    EXPECT_EQ(0, y);

    // Switching off keeps the connected and supported masks: they only gain.
    ASSERT_EQ(1, QEVGFX_Device_SetActiveState(QEV_OUT_LCD));
    EXPECT_EQ(1, QEVGFX_Device_GetActiveState(&mask));
    EXPECT_EQ(unsigned(QEV_OUT_LCD), mask);
    EXPECT_EQ(1, QEVGFX_Device_GetConnectState(&mask));
    EXPECT_EQ(unsigned(QEV_OUT_CRT | QEV_OUT_LCD | QEV_OUT_TV), mask);
    EXPECT_EQ(1, QEVGFX_Device_GetSupportCaps(&mask));
    EXPECT_EQ(kSupported, mask);
    unsigned primary = 0;
    EXPECT_EQ(1, QEVGFX_Device_GetPrimaryDevice(&primary));
    EXPECT_EQ(unsigned(QEV_OUT_LCD), primary);

    ASSERT_EQ(1, QEVGFX_Device_SetActiveState(QEV_OUT_CRT | QEV_OUT_LCD));
    EXPECT_EQ(1, QEVGFX_Device_GetActiveState(&mask));
    EXPECT_EQ(unsigned(QEV_OUT_CRT | QEV_OUT_LCD), mask);
}

unsigned Prop(unsigned output, int kind, unsigned item = 0) {
    unsigned v = 0xdeadbeef;
    rrGetOutputProperties(output, kind, item, &v);
    return v;
}

// Property kinds read back what the real xrandr wrote through the
// rrSetOutputProperties lines. The TV's size, position, tuning and setting
// items and the panel's expansion go through these kinds from the family
// wrappers (families_randr_test); here the kinds those do not reach.
TEST_F(RandR, PropertiesOfEachKind) {
    unsigned v = 1;
    EXPECT_EQ(0, rrGetOutputProperties(QEV_OUT_DVI2, 22, 0, &v)); // no such output
    EXPECT_EQ(0u, v);
    EXPECT_GT(rrGetOutputProperties(QEV_OUT_TV, 22, 0, &v), 0);
    EXPECT_EQ(0u, Prop(QEV_OUT_TV, 99)); // no such kind

    // Standards and signals (the family wrappers check the values themselves).
    EXPECT_EQ(Prop(QEV_OUT_TV, 21), Prop(QEV_OUT_HDTV, 21)); // HDTV reads the TV output
    rrSetOutputProperties(QEV_OUT_TV, 23, 0, QEV_TVSTD_PAL);
    rrSetOutputProperties(QEV_OUT_TV, 23, 0, QEV_TVSTD_NTSC | QEV_TVSTD_PAL); // bare line, no change
    EXPECT_EQ(unsigned(QEV_TVSTD_PAL), Prop(QEV_OUT_TV, 22));
    unsigned signals = Prop(QEV_OUT_TV, 24);
    ASSERT_NE(0u, signals);
    for (unsigned bit = 1; bit <= 8; bit <<= 1) {
        if (!(signals & bit))
            continue;
        rrSetOutputProperties(QEV_OUT_TV, 26, 0, bit);
        EXPECT_EQ(bit, Prop(QEV_OUT_TV, 25)) << bit;
    }

    // The flicker filter: one atom behind a tuning item and two setting items.
    unsigned ffilter = Prop(QEV_OUT_TV, 34, 1);
    if (ffilter != 0) {
        EXPECT_EQ(3u, ffilter); // FFON and AFFON both offered
        rrSetOutputProperties(QEV_OUT_TV, 36, 1, 1);
        EXPECT_EQ(1u, Prop(QEV_OUT_TV, 35, 1));
        EXPECT_EQ(0u, Prop(QEV_OUT_TV, 38, 1));
        EXPECT_EQ(1u, Prop(QEV_OUT_TV, 38, 2));
        rrSetOutputProperties(QEV_OUT_TV, 39, 1, 1);
        EXPECT_EQ(3u, Prop(QEV_OUT_TV, 35, 1));
        EXPECT_EQ(1u, Prop(QEV_OUT_TV, 38, 1));
        EXPECT_EQ(0u, Prop(QEV_OUT_TV, 38, 2));
        rrSetOutputProperties(QEV_OUT_TV, 39, 1, 0);
        EXPECT_EQ(0u, Prop(QEV_OUT_TV, 35, 1));
    }
    // The LCD has integer properties but no tuning names.
    EXPECT_EQ(0xFu, Prop(QEV_OUT_LCD, 33));
}

// An adapter with only CRT and LCD: the example line of the switch.
class RandRTwoOutputs : public RandRSession<RandRTwoOutputs> {
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
        std::vector<Argv> expected = {
            {"--output", "CRT", "--off", "--output", "LCD", "--auto"},
            {"--output", "CRT", "--off", "--output", "LCD", "--mode", "1024x768", "--refresh", "60.0"},
        };
        EXPECT_EQ(expected, xrandr.calls());
    }
    // Two CRTCs, one active output: single.
    ASSERT_EQ(1, QEVGFX_Device_SetActiveState(QEV_OUT_LCD));
    int mode = 0;
    EXPECT_EQ(1, QEVGFX_Device_GetDisplayMode(&mode));
    EXPECT_EQ(QEV_DISPLAY_SINGLE, mode);
}

#ifdef QEVSIM_CTL
// Outputs plugged and unplugged while the session is open: output names are
// kept per snapshot, but every query reads the output's state afresh.
class RandRHotplug : public RandRSession<RandRHotplug> {};

void Ctl(const Argv &args) {
    Argv argv{QEVSIM_CTL};
    argv.insert(argv.end(), args.begin(), args.end());
    auto r = qevtest::run(argv);
    ASSERT_TRUE(r.ok()) << r.err;
}

unsigned Connected() {
    unsigned mask = 0;
    EXPECT_EQ(1, QEVGFX_Device_GetConnectState(&mask));
    return mask;
}

int ModeCount(unsigned output) {
    int count = -1;
    RRModeEntry *modes = rrGetDevSupportMode(output, &count);
    rrFreeModeEntries(modes, count);
    return modes ? count : -1;
}

TEST_F(RandRHotplug, QueriesReadTheOutputsAfresh) {
    const unsigned initial = QEV_OUT_CRT | QEV_OUT_LCD | QEV_OUT_TV;
    ASSERT_EQ(initial, Connected());

    Ctl({"plug", "DVI"});
    EXPECT_EQ(initial | QEV_OUT_DVI, Connected());
    EXPECT_GT(ModeCount(QEV_OUT_DVI), 0);
    // Unplugged outputs leave the connected mask; the other masks are untouched.
    Ctl({"unplug", "DVI"});
    Ctl({"unplug", "TV"});
    EXPECT_EQ(unsigned(QEV_OUT_CRT | QEV_OUT_LCD), Connected());
    unsigned mask = 0;
    EXPECT_EQ(1, QEVGFX_Device_GetSupportCaps(&mask));
    EXPECT_EQ(kSupported, mask);
    EXPECT_EQ(1, QEVGFX_Device_GetActiveState(&mask));
    EXPECT_EQ(unsigned(QEV_OUT_CRT | QEV_OUT_LCD), mask);

    // A new snapshot: outputs are found in it before any summary is read,
    // and a bit without an output of its name fails.
    ASSERT_EQ(1, rrGetScreen());
    EXPECT_EQ(-1, ModeCount(QEV_OUT_CRT2));
    EXPECT_EQ(-1, ModeCount(0x40000));
    int rotation = 0;
    EXPECT_EQ(1, rrGetDevCurRotation(QEV_OUT_TV, &rotation));
    EXPECT_EQ(1, rotation); // no CRTC
    EXPECT_GT(ModeCount(QEV_OUT_LCD), 0);
    RRModeEntry cur{};
    ASSERT_EQ(1, rrGetDevCurrentMode(QEV_OUT_CRT, &cur));
    EXPECT_GT(cur.width, 0u);
    EXPECT_STRNE("", cur.name);
    std::free(cur.name);
    EXPECT_EQ(6, rrGetOutputInfo());
    EXPECT_EQ(unsigned(QEV_OUT_CRT | QEV_OUT_LCD), Connected());
}

// Extension commands between RandR reads of every kind: the reads share the
// session's connection and leave it ready for the next command.
TEST_F(RandRHotplug, CommandsBetweenRandRReads) {
    auto chip = [] {
        int id = 0;
        EXPECT_EQ(1, QEVGFX_Info_GetChipID(&id));
        return id;
    };
    const int id = chip();
    ASSERT_NE(0, id);
    unsigned mask = 0, primary = 0;
    EXPECT_EQ(1, QEVGFX_Device_GetConnectState(&mask));
    EXPECT_EQ(id, chip());
    EXPECT_GT(ModeCount(QEV_OUT_CRT), 0);
    EXPECT_EQ(id, chip());
    EXPECT_EQ(1, QEVGFX_Device_GetPrimaryDevice(&primary));
    EXPECT_EQ(id, chip());
    ASSERT_EQ(1, rrGetScreen());
    EXPECT_GT(ModeCount(QEV_OUT_LCD), 0); // names read afresh first
    EXPECT_EQ(id, chip());
    EXPECT_EQ(id, chip());
}
#endif

} // namespace
