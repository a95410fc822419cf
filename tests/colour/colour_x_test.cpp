// Gamma lookup table and overlay colour on the X channel of the simulated
// adapter: one session for the whole binary. What the library sets is checked
// from outside: the driver's command log and answers (qevsim-ctl, 22/2), and
// the Xv port attributes read on a connection of the test's own.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/extensions/Xvlib.h>
#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "qevgfx.h"
#include "qevtest/qevtest.h"
#include "qevtest/session.h"
#include "qevtest/sim_ctl.h"

namespace {

const char kGammaRc[] = "/etc/X11/.QEVGAMMARC";
const char kOverlayRc[] = "/etc/X11/.QEVOVERLAYRC";

class Colour : public qevtest::SessionTest<Colour> {
  public:
    static qevtest::XServerOptions server_options() {
        qevtest::XServerOptions o;
        o.profile = qevtest::write_profile("colour.profile",
                                           "gamma_supported=1\nxv.attributes=Hue,Saturation,Brightness,Contrast\n"
                                           "xv.hue_range=-180,180\nxv.hue=0\nxv.saturation_range=0,20000\n"
                                           "xv.saturation=10000\nxv.brightness_range=0,10000\nxv.brightness=5000\n"
                                           "xv.contrast_range=0,20000\nxv.contrast=10000\n");
        return o;
    }
};

void Ctl(const std::vector<std::string> &args) { ASSERT_TRUE(qevtest::SimCtlOk(args)) << args[0]; }

struct Table {
    unsigned short r[256], g[256], b[256];
};

// Red falling, green and blue rising.
Table Ramp() {
    Table t;
    for (int i = 0; i < 256; ++i) {
        t.r[i] = static_cast<unsigned short>(255 - i);
        t.g[i] = t.b[i] = static_cast<unsigned short>(i);
    }
    return t;
}

// Grey levels i / div.
Table Grey(int div) {
    Table t;
    for (int i = 0; i < 256; ++i)
        t.r[i] = t.g[i] = t.b[i] = static_cast<unsigned short>(i / div);
    return t;
}

std::vector<uint32_t> Packed(const Table &t) {
    std::vector<uint32_t> w;
    for (int i = 0; i < 256; ++i)
        w.push_back(uint32_t(t.b[i]) | uint32_t(t.g[i]) << 8 | uint32_t(t.r[i]) << 16);
    return w;
}

std::string RcText(const Table &t) {
    std::string s;
    for (int i = 0; i < 256; ++i)
        s += " " + std::to_string(t.r[i]) + " " + std::to_string(t.g[i]) + " " + std::to_string(t.b[i]);
    return s;
}

// The table saved to the gamma file now.
std::string Saved() {
    EXPECT_EQ(1, QEVGFX_SaveCurrentSetting(1));
    return qevtest::read_file(kGammaRc).value_or("<missing>");
}

std::vector<uint32_t> DriverTable() {
    std::vector<int> out(256, 0);
    EXPECT_EQ(1, InputCommand(22, 2, 0, nullptr, 256, out.data()));
    return std::vector<uint32_t>(out.begin(), out.end());
}

// An Xv attribute of the "XV_SWOV" port, read on a connection of its own;
// -99999 when there is no such port or attribute.
int XvGet(const char *name) {
    Display *d = XOpenDisplay(nullptr);
    unsigned n = 0;
    XvAdaptorInfo *a = nullptr;
    int v = -99999;
    if (d && XvQueryAdaptors(d, DefaultRootWindow(d), &n, &a) == Success) {
        for (unsigned i = 0; i < n; ++i)
            if (std::string(a[i].name) == "XV_SWOV") {
                EXPECT_EQ(Success, XvGetPortAttribute(d, a[i].base_id, XInternAtom(d, name, False), &v)) << name;
            }
        XvFreeAdaptorInfo(a);
    }
    if (d)
        XCloseDisplay(d);
    return v;
}

// An overlay attribute as {result, value}; v is the caller's value before.
std::pair<int, int> Attr(int index, int v = 77) {
    const int rc = QEVGFX_Overlay_GetAttribute(index, &v);
    return {rc, v};
}

const char *const kXvNames[] = {"XV_HUE", "XV_SATURATION", "XV_BRIGHTNESS", "XV_CONTRAST"};

// ---- gamma ------------------------------------------------------------------

TEST_F(Colour, GammaIdentitySavedRightAfterOpenAndTheFileReplacedWhole) {
    int supported = 0;
    EXPECT_EQ(1, QEVGFX_GAMMA_GetDeviceSupportState(&supported));
    EXPECT_EQ(1, supported);
    EXPECT_EQ(0, QEVGFX_GAMMA_GetDeviceSupportState(nullptr));
    // A longer old file leaves no tail behind.
    ASSERT_TRUE(qevtest::write_file(kGammaRc, std::string(20000, 'x')));
    const std::string saved = Saved();
    EXPECT_EQ(RcText(Grey(1)), saved);
    EXPECT_EQ(" 0 0 0 1 1 1 2 2 2", saved.substr(0, 18));

    // Something that cannot be replaced stays as it is; no temporary file is
    // left in /etc/X11.
    std::filesystem::remove_all(kGammaRc);
    ASSERT_EQ(0, ::mkdir(kGammaRc, 0755));
    ASSERT_TRUE(qevtest::write_file(std::string(kGammaRc) + "/keep", "kept"));
    EXPECT_EQ(0, QEVGFX_SaveCurrentSetting(1));
    EXPECT_EQ("kept", qevtest::read_file(std::string(kGammaRc) + "/keep").value_or(""));
    for (const auto &entry : std::filesystem::directory_iterator("/etc/X11"))
        EXPECT_EQ(std::string::npos, entry.path().filename().string().find(".QEVGAMMARC.")) << entry.path();
    std::filesystem::remove_all(kGammaRc);
}

TEST_F(Colour, GammaTableReachesTheDriverPackedAndReadsBack) {
    Table t = Ramp();
    qevtest::SimLogClear();
    ASSERT_EQ(1, QEVGFX_GAMMA_SetLookUpTable(t.r, t.g, t.b));
    // The log keeps the first eight input words; the driver's table has all.
    const std::vector<std::string> log = qevtest::SimLog();
    ASSERT_EQ(1u, log.size());
    EXPECT_EQ(0u, log[0].rfind("22/3 status=1 inputs=16711680,16646401,16581122,", 0)) << log[0];
    EXPECT_EQ(Packed(t), DriverTable());
    Table back{};
    ASSERT_EQ(1, QEVGFX_GAMMA_GetLookUpTable(back.r, back.g, back.b));
    EXPECT_EQ(Packed(t), Packed(back));
    EXPECT_EQ(RcText(t), Saved());

    // Levels above 255 are taken as 255, in the driver and in the file.
    t.r[0] = 256; // would set the lowest bit of the unused top byte
    t.g[1] = 300; // would run into red
    t.b[2] = 65535;
    ASSERT_EQ(1, QEVGFX_GAMMA_SetLookUpTable(t.r, t.g, t.b));
    std::vector<uint32_t> driver = DriverTable();
    EXPECT_EQ((std::vector<uint32_t>{0x00FF0000u, 0x00FEFF01u, 0x00FD02FFu}),
              std::vector<uint32_t>(driver.begin(), driver.begin() + 3));
    t.r[0] = t.g[1] = t.b[2] = 255;
    EXPECT_EQ(RcText(t), Saved());
}

TEST_F(Colour, GammaRefusedByTheDriverStillUpdatesTheCopy) {
    Table before = Ramp();
    ASSERT_EQ(1, QEVGFX_GAMMA_SetLookUpTable(before.r, before.g, before.b));
    Ctl({"fault", "status0", "22/3"});
    Table t = Grey(2);
    EXPECT_EQ(0, QEVGFX_GAMMA_SetLookUpTable(t.r, t.g, t.b));
    Ctl({"fault", "clear"});
    EXPECT_EQ(Packed(before), DriverTable());
    EXPECT_EQ(RcText(t), Saved());

    // A failed read leaves the caller's arrays and the library copy alone.
    Ctl({"fault", "status0", "22/2"});
    Table sentinel;
    std::fill(std::begin(sentinel.r), std::end(sentinel.r), 999);
    EXPECT_EQ(0, QEVGFX_GAMMA_GetLookUpTable(sentinel.r, sentinel.g, sentinel.b));
    Ctl({"fault", "clear"});
    EXPECT_EQ(999, sentinel.r[7]);
    EXPECT_EQ(RcText(t), Saved());
}

// ---- overlay ------------------------------------------------------------------

TEST_F(Colour, OverlayAttributesFoundOnTheOverlayPort) {
    // Before the table is built no attribute is known and reads give 128.
    EXPECT_EQ(std::pair(1, 128), Attr(1));
    ASSERT_EQ(1, QEVGFX_Overlay_InitializeAttribute());
    int caps = -1;
    EXPECT_EQ(1, QEVGFX_Overlay_GetSupportAttributeCaps(&caps));
    EXPECT_EQ(0xF, caps);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(std::pair(1, 128), Attr(i)) << kXvNames[i]; // the driver sits at its defaults
    // Bad indices touch nothing.
    ASSERT_EQ(1, QEVGFX_Overlay_SetAttribute(1, 0));
    EXPECT_EQ(0, QEVGFX_Overlay_SetAttribute(4, 255));
    EXPECT_EQ(0, QEVGFX_Overlay_SetAttribute(-1, 255));
    EXPECT_EQ(std::pair(1, 77), Attr(4));
    EXPECT_EQ(std::pair(1, 77), Attr(-1));
    EXPECT_EQ(0, QEVGFX_Overlay_GetAttribute(0, nullptr));
    EXPECT_EQ(0, QEVGFX_Overlay_GetSupportAttributeCaps(nullptr));
    EXPECT_EQ(0, XvGet("XV_SATURATION"));
}

TEST_F(Colour, OverlaySetReachesTheDriverInItsRange) {
    ASSERT_EQ(1, QEVGFX_Overlay_InitializeAttribute());
    // 128 is the default point (10000, not 10039); 192 sets 7519, which reads
    // back a step lower; 300 is a slider above its scale.
    const struct {
        int index, slider, driver, readBack;
    } rows[] = {
        {1, 128, 10000, 128}, {1, 255, 20000, 255}, {1, 0, 0, 0},      {2, 64, 2500, 64},
        {2, 192, 5000 + 64 * 5000 / 127, 191},      {2, 128, 5000, 128}, {0, 0, -180, 0},
        {0, 128, 0, 128},     {0, 255, 180, 255},   {3, 100, 100 * 20000 / 255, 100 * 20000 / 255 * 255 / 20000},
        {3, 300, 20000, 255},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(std::string(kXvNames[r.index]) + " slider " + std::to_string(r.slider));
        ASSERT_EQ(1, QEVGFX_Overlay_SetAttribute(r.index, r.slider));
        EXPECT_EQ(r.driver, XvGet(kXvNames[r.index]));
        EXPECT_EQ(std::pair(1, r.readBack), Attr(r.index));
    }
    // The driver now takes more than it announced when the table was built:
    // the value read back is clamped.
    Ctl({"set", "xv.saturation_range", "0,40000"});
    Ctl({"set", "xv.saturation", "30000"});
    EXPECT_EQ(std::pair(1, 255), Attr(1));
    Ctl({"set", "xv.saturation", "10000"});
    Ctl({"set", "xv.saturation_range", "0,20000"});
}

TEST_F(Colour, OverlayRefusedValueDoesNotDisturbLaterCalls) {
    ASSERT_EQ(1, QEVGFX_Overlay_InitializeAttribute());
    ASSERT_EQ(1, QEVGFX_Overlay_SetAttribute(3, 128));
    // The driver's range shrank: 20000 is now refused with BadValue.
    Ctl({"set", "xv.contrast_range", "0,100"});
    Ctl({"set", "xv.contrast", "50"});
    EXPECT_EQ(0, QEVGFX_Overlay_SetAttribute(3, 255));
    EXPECT_EQ(50, XvGet("XV_CONTRAST"));
    // Later calls on the same connection go on as usual.
    EXPECT_EQ(1, QEVGFX_Overlay_SetAttribute(3, 0));
    EXPECT_EQ(0, XvGet("XV_CONTRAST"));
    EXPECT_EQ(1, QEVGFX_Overlay_SetAttribute(1, 255));
    EXPECT_EQ(20000, XvGet("XV_SATURATION"));
    int supported = 0;
    EXPECT_EQ(1, QEVGFX_GAMMA_GetDeviceSupportState(&supported));
    // The current values stay the last ones the driver took.
    ASSERT_EQ(1, QEVGFX_SaveCurrentSetting(0));
    std::string rc = qevtest::read_file(kOverlayRc).value_or("");
    ASSERT_EQ(516u, rc.size());
    EXPECT_NE(std::string::npos, rc.find("CO:0")) << rc.substr(260);
    Ctl({"set", "xv.contrast_range", "0,20000"});
    Ctl({"set", "xv.contrast", "10000"});

    for (auto [state, opened] : {std::pair{"on", 1}, {"off", 0}, {"auto", 0}}) {
        Ctl({"overlay", state});
        EXPECT_EQ(opened, QEVGFX_Overlay_IsOverlayOpened()) << state;
    }
}

TEST_F(Colour, OverlayRcFileRecordAndKeptHeader) {
    ASSERT_EQ(1, QEVGFX_Overlay_InitializeAttribute());
    for (auto [index, slider] : {std::pair{0, 0}, {1, 128}, {2, 64}, {3, 255}})
        ASSERT_EQ(1, QEVGFX_Overlay_SetAttribute(index, slider));
    const std::string text = "HU:-180 SA:10000 BR:2500 CO:20000";
    std::filesystem::remove_all(kOverlayRc);
    ASSERT_EQ(1, QEVGFX_SaveCurrentSetting(0));
    std::string expected(516, '\0');
    expected.replace(260, text.size(), text);
    EXPECT_EQ(expected, qevtest::read_file(kOverlayRc).value_or(""));

    // An existing file keeps its first four bytes, whatever follows them.
    ASSERT_TRUE(qevtest::write_file(kOverlayRc, "ABCD" + std::string(600, 'z')));
    ASSERT_EQ(1, QEVGFX_SaveCurrentSetting(0));
    ASSERT_EQ(1, QEVGFX_SaveCurrentSetting(0));
    expected.replace(0, 4, "ABCD");
    EXPECT_EQ(expected, qevtest::read_file(kOverlayRc).value_or(""));
}

// After the session is closed, a table given on no channel is still kept and
// saved once the X channel is back.
TEST_F(Colour, GammaCopyKeptWithoutChannel) {
    QEVGFX_Close();
    Table t = Ramp();
    t.g[9] = 1;
    EXPECT_EQ(0, QEVGFX_GAMMA_SetLookUpTable(t.r, t.g, t.b));
    EXPECT_EQ(0, QEVGFX_SaveCurrentSetting(1));
    EXPECT_EQ(0, QEVGFX_Overlay_SetAttribute(1, 5));
    EXPECT_EQ(0, QEVGFX_Overlay_InitializeAttribute());
    EXPECT_EQ(0, QEVGFX_Overlay_IsOverlayOpened());
    QEVGFX_SetType(1);
    EXPECT_EQ(RcText(t), Saved());
}

} // namespace
