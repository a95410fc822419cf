// The colour pages' arithmetic and scheme files without a display: ramp
// values, slider conversions, preview pixels, record texts, both file
// layouts and hostile files.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "gamma_ramp.h"
#include "overlay_scheme.h"
#include "qevtest/process.h"
#include "scheme_file.h"

namespace {

GammaPageState Neutral()
{
    GammaPageState s{};
    SetGammaDefaults(&s);
    return s;
}

TEST(GammaRamp, EdgeValues)
{
    struct Case { float gamma, brightness, contrast; int i, expected; } const cases[] = {
        {1.0f, 1.0f, 1.0f, 0, 0},     {1.0f, 1.0f, 1.0f, 77, 77},   {1.0f, 1.0f, 1.0f, 255, 255},
        {2.0f, 1.0f, 1.0f, 1, 40},    {2.0f, 1.0f, 1.0f, 128, 202},  // exponent 1/3
        {0.5f, 1.0f, 1.0f, 128, 64},  {0.5f, 1.0f, 1.0f, 1, 0},      // exponent 2
        {1.0f, 2.0f, 1.0f, 0, 150},   {1.0f, 2.0f, 1.0f, 105, 255},  {1.0f, 2.0f, 1.0f, 200, 255},
        {1.0f, 0.1f, 1.0f, 0, 0},     {1.0f, 0.1f, 1.0f, 134, 0},    {1.0f, 0.1f, 1.0f, 135, 1},
        {1.0f, 0.1f, 1.0f, 255, 121},  // single-precision 0.1 subtracts 134, not 135
        {1.0f, 1.0f, 2.0f, 51, 81},   {1.0f, 1.0f, 2.0f, 255, 255},
        {0.1f, 2.0f, 0.1f, 0, 150},   {0.1f, 2.0f, 0.1f, 128, 150},  // raised to entry 0
        {0.1f, 1.0f, 0.1f, 128, 0},
    };
    for (const Case &c : cases) {
        uint16_t ramp[256];
        CalcOneRamp(ramp, c.gamma, c.brightness, c.contrast);
        EXPECT_EQ(c.expected, ramp[c.i]) << c.gamma << " " << c.brightness << " " << c.contrast << " at " << c.i;
    }
}

TEST(GammaRamp, SlidersAndChannels)
{
    struct Release { float value, parameter; bool clamped; } const releases[] = {
        {5, 0.1f, true}, {10, 0.1f, true}, {0, 0.1f, true}, {11, 0.11f, false}, {200, 2.0f, false}};
    for (const Release &r : releases) {
        float p = 0;
        EXPECT_EQ(r.clamped, GammaSliderToParameter(r.value, &p)) << r.value;
        EXPECT_FLOAT_EQ(r.parameter, p) << r.value;
    }

    // "Red" selected: a gamma release changes only the red gamma.
    GammaPageState s = Neutral();
    s.wChannelMask = 1;
    s.dwLastSlider = GAMMA_SLIDER_GAMMA;
    StoreGammaParameter(&s, 1.5f);
    EXPECT_FLOAT_EQ(1.5f, s.fGamma[0]);
    EXPECT_FLOAT_EQ(1.0f, s.fGamma[1]);
    // "Link RGB" shows the red gamma, green brightness and blue contrast.
    s.fBrightness[1] = 0.5f;
    s.fContrast[2] = 1.25f;
    EXPECT_EQ((std::array<double, 3>{150, 50, 125}), GammaSliderPositions(s, 0));
    EXPECT_EQ((std::array<double, 3>{150, 100, 100}), GammaSliderPositions(s, 1));
}

TEST(GammaRecord, TextAndBytes)
{
    GammaPageState s = Neutral();
    s.fGamma[0] = 0.5f;
    s.wImageIndex = 4;
    s.wChannelMask = 2;
    snprintf(s.chSchemeName, sizeof s.chSchemeName, "Night");
    SchemeRecord r;
    CopySchemeRecord(&r, nullptr, &s);
    EXPECT_STREQ("GR:0.50 GG:1.00 GB:1.00 BR:1.00 BG:1.00 BB:1.00 CR:1.00 CG:1.00 CB:1.00", r.chSettings);
    std::string bytes = SchemeRecordToBytes(r);
    ASSERT_EQ(516u, bytes.size());
    EXPECT_EQ(std::string("\x04\x00\x02\x00", 4), bytes.substr(512));
    SchemeRecord back = SchemeRecordFromBytes(bytes);
    EXPECT_STREQ("Night", back.chName);
    EXPECT_EQ(2, back.wChannelIndex);

    struct Parse { const char *text; float gammaRed, gammaGreen; } const parses[] = {
        {"GR:1.50 GG:0.70 GB:1", 1.5f, 0.7f},
        {"GR:0.50 GG:xx", 0.5f, 1.0f},  // stops at the mismatch
        {"GR:5 GG:-1", 2.0f, 0.1f},     // into the sliders' range
        {"GR:nan GG:inf", 0.1f, 2.0f},
        {"junk", 1.0f, 1.0f},
    };
    for (const Parse &p : parses) {
        GammaPageState t = Neutral();
        ParseSchemeSettings(p.text, &t);
        EXPECT_FLOAT_EQ(p.gammaRed, t.fGamma[0]) << p.text;
        EXPECT_FLOAT_EQ(p.gammaGreen, t.fGamma[1]) << p.text;
    }
    // No NUL, out-of-range indices.
    SchemeRecord hostile = SchemeRecordFromBytes(std::string(512, 'x') + std::string("\x30\x00\x09\x00", 4));
    EXPECT_EQ(255u, strlen(hostile.chName));
    EXPECT_EQ(GAMMA_IMAGE_CALIBRATION, hostile.wImageIndex);
    EXPECT_EQ(0, hostile.wChannelIndex);
}

TEST(GammaPreview, PixelsOfEachImage)
{
    GammaPageState s = Neutral();
    struct Pixel { int image, x, y; long rgb; } const pixels[] = {
        {0, 29, 20, 0x000000},  {0, 40, 30, 0xffffff},  {0, 88, 69, 0x000000},  {0, 167, 20, -1},  // grid, diagonal
        {1, 166, 126, 0x000000}, {2, 157, 119, 0x00f0ff}, {2, 19, 17, 0xde1011},  {3, 14, 97, 0x080808},
        {3, 14, 68, 0x000008},  {4, 142, 50, 0x0000bf}, {4, 143, 50, 0x000000}, {5, 167, 127, -1},
        {7, 80, 80, 0xbf0000},  {10, 80, 80, 0x00ff00}, {12, 80, 80, 0x0000ff},
    };
    GammaPreview preview;
    for (const Pixel &p : pixels) {
        EXPECT_EQ(p.image != 1, RenderGammaPreview(p.image, &s, &preview));
        EXPECT_EQ(p.rgb, preview.At(p.x, p.y)) << "image " << p.image << " at " << p.x << "," << p.y;
    }
    // One channel: three coloured curves, blue drawn last.
    s.wChannelMask = 1;
    RenderGammaPreview(GAMMA_IMAGE_CURVES, &s, &preview);
    EXPECT_EQ(0x0000ff, preview.At(88, 69));
    EXPECT_FALSE(RenderGammaPreview(-1, &s, &preview));
}

TEST(OverlayRecord, ValuesText)
{
    const int values[4] = {100, 128, 140, 128};
    OverlaySchemeRecord r = MakeOverlaySchemeRecord(std::string(300, 'n').c_str(), values);
    EXPECT_STREQ("HU:100 SA:128 BR:140 CO:128", r.chValues);
    EXPECT_EQ(255u, strlen(r.chName));
    snprintf(r.chValues, sizeof r.chValues, "HU:300 SA:-5 BR:abc");  // clamped; the rest stays 128
    int got[4];
    ParseOverlayValues(r, got);
    EXPECT_EQ((std::vector<int>{255, 0, 128, 128}), std::vector<int>(got, got + 4));
}

class SchemeFiles : public ::testing::Test {
protected:
    qevtest::TempDir dir{"schemes"};
    SchemeFile gamma{dir.path() + "/gamma", dir.path() + "/gammaBK", kGammaSchemeLayout, true};
    SchemeFile overlay{dir.path() + "/overlay", dir.path() + "/overlayBK", kOverlaySchemeLayout, true};

    static size_t SizeOf(const SchemeFile &f) { return qevtest::read_file(f.path).value_or("").size(); }
    static std::string Named(const SchemeLayout &layout, const char *name)
    {
        std::string record(layout.recordSize, '\0');
        memcpy(record.data(), name, strlen(name));
        record[300] = 'v';
        return record;
    }
};

// Sizes 4 + 516 (N + 1) and 516 + 512 N; the GUI tests add, choose and delete through the pages.
TEST_F(SchemeFiles, SizesThroughAddDeleteAndActiveWrites)
{
    auto size = [](bool ok, const SchemeFile &f) { return ok ? SizeOf(f) : 0; };
    EXPECT_EQ((std::vector<size_t>{520, 1036, 1552}),
              (std::vector<size_t>{size(WriteActiveSchemeRecord(gamma, Named(gamma.layout, ""), true), gamma),
                                   size(AddSchemeRecord(gamma, Named(gamma.layout, "A")), gamma),
                                   size(AddSchemeRecord(gamma, Named(gamma.layout, "B")), gamma)}));
    std::string found;
    EXPECT_EQ(SchemeSelect::NotFound, SelectSchemeRecord(gamma, "a", found));
    ASSERT_EQ(SchemeSelect::Found, SelectSchemeRecord(gamma, "A", found));
    ASSERT_TRUE(DeleteActiveSchemeRecord(gamma));
    ASSERT_FALSE(DeleteActiveSchemeRecord(gamma));  // "A" is gone
    ASSERT_EQ(SchemeSelect::Found, SelectSchemeRecord(gamma, "B", found));
    ASSERT_TRUE(DeleteActiveSchemeRecord(gamma));
    SchemeContents c;
    ASSERT_EQ(SchemeReadStatus::Ok, ReadSchemeFile(gamma, c));
    EXPECT_EQ(520u, SizeOf(gamma));
    EXPECT_EQ("", SchemeRecordName(c.active));
    EXPECT_EQ('v', c.active[300]);  // the deleted scheme's values stay

    const int values[4] = {100, 128, 140, 128};
    EXPECT_FALSE(WriteActiveSchemeRecord(overlay, Named(overlay.layout, ""), false));  // Exit creates nothing
    ASSERT_TRUE(AddSchemeRecord(overlay, OverlayRecordToBytes(MakeOverlaySchemeRecord("Movie", values))));
    ASSERT_EQ(SchemeReadStatus::Ok, ReadSchemeFile(overlay, c));
    EXPECT_EQ(1028u, SizeOf(overlay));
    EXPECT_STREQ("HU:100 SA:128 BR:140 CO:128", OverlayRecordFromBytes(c.active).chValues);
    EXPECT_EQ(c.active, c.named[0]);
    ASSERT_TRUE(DeleteActiveSchemeRecord(overlay));
    ASSERT_EQ(SchemeReadStatus::Ok, ReadSchemeFile(overlay, c));
    EXPECT_EQ(std::string(4, '\0'), c.active.substr(0, 4));
    EXPECT_EQ(516u, SizeOf(overlay));
}

TEST_F(SchemeFiles, HostileFilesAreDamageAndKeptAside)
{
    struct Hostile { const char *what; const SchemeFile &file; std::string data; } const cases[] = {
        {"3 bytes", gamma, "abc"},
        {"N huge", gamma, std::string("\xff\xff\xff\x7f", 4) + std::string(516, 'a')},
        {"N negative", overlay, std::string("\xff\xff\xff\xff", 4) + std::string(512, 'a')},
        {"1 MB", gamma, std::string(1 << 20, 'z')},
    };
    for (const Hostile &h : cases) {
        SCOPED_TRACE(h.what);
        ASSERT_TRUE(qevtest::write_file(h.file.path, h.data));
        SchemeContents c;
        ASSERT_EQ(SchemeReadStatus::Damaged, ReadSchemeFile(h.file, c));
        EXPECT_FALSE(AddSchemeRecord(h.file, Named(h.file.layout, "new")));  // never written over
        std::string aside = SetSchemeFileAside(h.file.path);
        EXPECT_EQ(h.data, qevtest::read_file(aside).value_or("?"));
        EXPECT_FALSE(qevtest::file_exists(h.file.path));
    }
    EXPECT_TRUE(qevtest::file_exists(gamma.path + ".damaged.2"));  // earlier ones stay

    // Two records carrying the active name: Delete refuses and keeps the file.
    const std::string twice = SerializeSchemeFile(
        overlay.layout, {Named(overlay.layout, "X"), {Named(overlay.layout, "X"), Named(overlay.layout, "X")}});
    ASSERT_TRUE(qevtest::write_file(overlay.path, twice));
    EXPECT_FALSE(DeleteActiveSchemeRecord(overlay));
    EXPECT_EQ(twice, qevtest::read_file(overlay.path).value_or(""));
    overlay.writable = false;  // a file that may not be written this run
    EXPECT_FALSE(AddSchemeRecord(overlay, Named(overlay.layout, "new")));
}

}  // namespace
