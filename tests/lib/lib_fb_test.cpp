// libqevgfx without an X display: first with no device at all, then on the
// framebuffer channel, "/dev/fb0" being an adapter model inside this process
// (tests/support/fb_fake.c) that logs the requests and the device-state blocks
// written and gives answers a profile cannot (unknown chip indices, a module
// name without terminator, failing requests). Also what needs no server:
// exports, the C header, output names, xrandr argument vectors.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "fb_fake.h"
#include "lib_routes.h"
#include "qev/family.h"
#include "qev/fb.h"
#include "qev/outputs.h"
#include "qevgfx.h"
#include "xrandr_recorder.h"

extern "C" int qevtest_c_header_check(void);

namespace {

using qevtest::Argv;
using qevtest::Got;
using qevtest::Got2;
using qevtest::Longs;
using qevtest::kSentinel;

TEST(NoChannel, SessionWithoutDisplayOrDeviceFailsEveryOperation) {
    int version[2] = {0, 0};
    ASSERT_EQ(1, QEVGFX_Info_GetUtilityAPIVersion(&version[0], &version[1])); // before the session
    EXPECT_EQ(std::vector<int>({1, 1}), std::vector<int>(version, version + 2));
    ASSERT_EQ(nullptr, std::getenv("DISPLAY"));
    qevtest_fb_set_present(0);
    QEVGFX_Open();
    EXPECT_EQ(0, qevtest::Got(QEVGFX_IsRandR));
    // Forcing a channel that has nothing behind it fails the same way.
    for (int type : {0, 1, 2, 3}) {
        SCOPED_TRACE(type);
        QEVGFX_SetType(type);
        qevtest::ExpectEveryOperationFails();
    }
    QEVGFX_Close();
    qevtest::ExpectEveryOperationFails();
    version[0] = version[1] = 0;
    EXPECT_EQ(1, QEVGFX_Info_GetUtilityAPIVersion(&version[0], &version[1])); // after the session
    EXPECT_EQ(std::vector<int>({1, 1}), std::vector<int>(version, version + 2));
    qevtest_fb_set_present(1);
}

TEST(Library, ExportsTheInterfaceAndHidesTheHelpers) {
    for (const char *name :
         {"QEVGFX_Open", "QEVGFX_Close", "QEVGFX_SetType", "QEVGFX_IsRandR", "QEVGFX_SaveCurrentSetting",
          "QEVGFX_DrvSync", "QEVGFX_Info_GetDriverName", "QEVGFX_Device_SetActiveState2", "InputCommand",
          "QEVGFXCommand", "rrCheckVersion", "rrGetOutputProperties", "rrSetOutputProperties", "rrGetDevSupportMode"})
        EXPECT_NE(nullptr, dlsym(RTLD_DEFAULT, name)) << name;
    for (const char *name : {"GetChipID", "GetDriverName", "GetDeviceActiveState", "QEVSync", "DriverType", "OpenDev",
                             "dpy", "RandRSupport", "res", "qevRRInfo", "find_display", "MakeAtom"})
        EXPECT_EQ(nullptr, dlsym(RTLD_DEFAULT, name)) << name;
    EXPECT_EQ(1, qevtest_c_header_check());
}

TEST(RandRLayer, OutputNamesAndUnknownModes) {
    const std::pair<const char *, unsigned> rows[] = {
        {"CRT", 0x1},    {"LCD", 0x2},     {"TV", 0x4},     {"DVI", 0x8},  {"HDMI", 0x10},  {"CRT-2", 0x20},
        {"LCD-2", 0x80}, {"DVI-2", 0x100}, {"TV-2", 0x200}, {"DP", 0x800}, {"DP-2", 0x1000}, {"HDTV", 0},
        {"HDTV-2", 0},   {"tv", 0},        {"CRT ", 0},     {"VGA-1", 0},  {"", 0}};
    for (auto [name, bit] : rows)
        EXPECT_EQ(bit, rrDeviceMapping(name)) << name;
    EXPECT_EQ(0u, rrDeviceMapping(nullptr));
    EXPECT_EQ(0u, rrDeviceMapping(std::string(4096, 'C').c_str()));

    // An unknown mode gives an owned empty entry.
    RRModeEntry e{nullptr, 9, 9, 9.0f};
    EXPECT_EQ(0, rrFindMode(&e, 42));
    ASSERT_NE(nullptr, e.name);
    EXPECT_STREQ("", e.name);
    EXPECT_EQ(0u, e.width + e.height);
    EXPECT_EQ(0.0f, e.refresh);
    std::free(e.name);
    int count = 5;
    EXPECT_EQ(nullptr, rrGetDevSupportMode(0x2, &count));
    EXPECT_EQ(0, count);
}

TEST(RandRLayer, PropertyWritesRunTheirXrandrArguments) {
    qevtest::XrandrRecorder xrandr;
    // Each row: output, property kind, item, value, and the xrandr line after
    // "--output". HDTV (0x40) addresses TV; two bits, or a value without a
    // name, give the bare line.
    const struct {
        unsigned output;
        int kind;
        unsigned item, value;
        const char *line;
    } rows[] = {
        {0x4, 23, 0, 0x2, "TV --set Type PAL"}, {0x40, 23, 0, 0x40, "TV --set Type 1080P"},
        {0x400, 23, 0, 0x20, "TV-2 --set Type 1080I"}, {0x4, 23, 0, 0x3, "TV"},
        {0x200, 26, 0, 0x8, "TV-2 --set Signal YCbCr"}, {0x4, 26, 0, 0x1, "TV --set Signal Composite"},
        {0x4, 29, 0, (20u << 16) | 10u, "TV --set ScaleH 10 --set ScaleV 20"},
        {0x4, 32, 0, (65535u << 16) | 0u, "TV --set PosH 0 --set PosV 65535"},
        {0x2, 1, 0, 0, "LCD --set Feature Expand"}, {0x80, 1, 0, 1, "LCD-2 --set Feature Center"},
        {0x4, 36, 1, 1, "TV --set FFilter AFFON"}, {0x4, 36, 1, 3, "TV --set FFilter FFON"},
        {0x4, 36, 1, 0, "TV --set FFilter ALLOFF"}, {0x4, 36, 1, 2, "TV"}, {0x4, 36, 2, 7, "TV --set AFFilterValue 7"},
        {0x4, 36, 4, unsigned(-5), "TV --set Brightness -5"}, {0x4, 36, 8, 100, "TV --set Contrast 100"},
        {0x4, 36, 16, 3, "TV --set Saturation 3"}, {0x4, 36, 32, 4, "TV --set Tint 4"}, {0x4, 36, 64, 4, "TV"},
        {0x4, 39, 1, 1, "TV --set FFilter FFON"}, {0x4, 39, 2, 1, "TV --set FFilter AFFON"},
        {0x4, 39, 2, 0, "TV --set FFilter ALLOFF"}, {0x4, 39, 4, 1, "TV --set DotCrawl On"},
        {0x4, 39, 4, 0, "TV --set DotCrawl Off"},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(testing::Message() << "kind " << r.kind << " item " << r.item << " value " << r.value);
        xrandr.clear();
        rrSetOutputProperties(r.output, r.kind, r.item, r.value);
        EXPECT_EQ(std::vector<std::string>{std::string("--output ") + r.line}, xrandr.lines());
    }
    xrandr.clear();
    testing::internal::CaptureStderr();
    rrSetOutputProperties(0x2, 1, 0, 2);
    EXPECT_EQ("Set expansion:wrong value\n", testing::internal::GetCapturedStderr());
    EXPECT_EQ(std::vector<std::string>{"--output LCD"}, xrandr.lines());
    // A value that names no output runs nothing.
    xrandr.clear();
    rrSetOutputProperties(0x3, 23, 0, 1);
    rrSetOutputProperties(0, 23, 0, 1);
    EXPECT_TRUE(xrandr.calls().empty());
}

// ---- the framebuffer channel ------------------------------------------------

void SetKey(const char *key, const char *value) {
    char err[256];
    ASSERT_EQ(1, qevsim_model_set_key(qevtest_fb_model(), key, value, err, sizeof err)) << key << ": " << err;
}

// The model's answer to a driver command: its view of the state.
std::vector<int> Driver(int group, int function, std::vector<int> inputs, unsigned outputs) {
    QevCommandBlock block;
    std::memset(&block, 0, sizeof block);
    block.group = uint32_t(group);
    block.function = uint32_t(function);
    for (size_t i = 0; i < inputs.size(); ++i)
        block.input[i] = uint32_t(inputs[i]);
    qevsim_model_command(qevtest_fb_model(), &block);
    EXPECT_NE(0u, block.status) << group << "/" << function;
    return std::vector<int>(block.output, block.output + outputs);
}

// The last device-state block written, as its non-zero 32-bit words by
// offset (the u16 flags read as part of their word).
using Words = std::map<int, uint32_t>;
Words LastWrite() {
    unsigned char block[QEV_DS_SIZE];
    Words words;
    if (!qevtest_fb_last_write(block))
        return words;
    for (int off = 0; off < QEV_DS_SIZE; off += 4) {
        uint32_t w = uint32_t(block[off]) | uint32_t(block[off + 1]) << 8 | uint32_t(block[off + 2]) << 16 |
                     uint32_t(block[off + 3]) << 24;
        if (w != 0)
            words[off] = w;
    }
    return words;
}

class Framebuffer : public ::testing::Test {
  public:
    static void SetUpTestSuite() { QEVGFX_Open(); }
    void SetUp() override {
        qevtest_fb_clear();
        qevtest_fb_set_word_answer(0, -1);
        qevtest_fb_set_panel_index(-1);
    }
};

TEST_F(Framebuffer, QueriesAndTheActiveOutputSwitch) {
    for (auto [key, value] : {std::pair{"fb_version", "4,3,2,1"}, {"memory_mb", "128"}, {"chip", "M300"}})
        SetKey(key, value);
    EXPECT_EQ(0, qevtest::Got(QEVGFX_IsRandR));
    char name[QEVGFX_DRIVER_NAME_SIZE] = {};
    EXPECT_EQ(1, QEVGFX_Info_GetDriverName(1, name));
    EXPECT_STREQ("qevfb.ko", name);
    const int crtLcd = QEV_OUT_CRT | QEV_OUT_LCD;
    const int supported = crtLcd | QEV_OUT_TV | QEV_OUT_DVI | QEV_OUT_HDMI | QEV_OUT_HDTV | QEV_OUT_DP;
    qevtest::ExpectQueries(qevtest::Queries({{QEV_CHIP_M300}, {0x11}, {128}, {0x92, 0, 0, 0, 0, 0, 0, 0}, {4, 3, 2, 0, 1},
                                             {supported}, {crtLcd | QEV_OUT_TV}, {crtLcd}, {QEV_DISPLAY_CLONE}}));
    qevtest::ExpectQueries({{"tv slot", QEVGFX_Info_GetTVChipOnSlot, 1, {1}},
                            {"bios", QEVGFX_Info_GetBiosVersion, 0, {}}, // X channel only
                            {"samm", QEVGFX_Device_GetSupportSAMMState, 0, {}},
                            {"primary", qevtest::Mask(QEVGFX_Device_GetPrimaryDevice), 0, {}},
                            {"resolution", [](int *v) { return QEVGFX_Device_GetFbResolutionInfo(v); }, 1,
                             {1280, 1024, 32, 60}}});
    EXPECT_EQ(0, QEVGFX_SaveCurrentSetting(1));
    EXPECT_EQ(0, QEVGFX_Device_SetActiveState2(QEV_OUT_LCD, QEV_OUT_LCD, 0, nullptr, nullptr));
    EXPECT_EQ(1, QEVGFX_DrvSync());

    // The active-output switch reads the device state and writes it back.
    qevtest_fb_clear();
    ASSERT_EQ(1, QEVGFX_Device_SetActiveState(QEV_OUT_LCD));
    EXPECT_EQ(1, qevtest_fb_request_count(QEV_FB_ReadDeviceState));
    EXPECT_EQ(1, qevtest_fb_request_count(QEV_FB_WriteDeviceState));
    EXPECT_EQ(unsigned(QEV_OUT_LCD), qevsim_model_active(qevtest_fb_model()));
    ASSERT_EQ(1, QEVGFX_Device_SetActiveState(crtLcd));
    // A mask the driver refuses fails and changes nothing.
    EXPECT_EQ(0, QEVGFX_Device_SetActiveState(0x4000));
    EXPECT_EQ(unsigned(crtLcd), qevsim_model_active(qevtest_fb_model()));

    unsigned video[4] = {};
    ASSERT_EQ(1, QEVGFX_Device_SetVideoDevice(3));
    ASSERT_EQ(1, QEVGFX_Device_GetVideoDevice(video));
    EXPECT_EQ(3u, video[0]);
    // The multi-screen flag of the device state decides the display mode.
    qevsim_model_set_layout(qevtest_fb_model(), 1, 0);
    EXPECT_EQ(QEV_DISPLAY_SAMM, qevtest::Got(QEVGFX_Device_GetDisplayMode));
    qevsim_model_set_layout(qevtest_fb_model(), 0, 1);
    EXPECT_EQ(QEV_DISPLAY_CLONE, qevtest::Got(QEVGFX_Device_GetDisplayMode));
}

// The encoder's standards are TV's and HDTV's together; the aspect setting
// item has no word in the device state.
TEST_F(Framebuffer, FamilyCapabilities) {
    qevtest::ExpectQueries(
        qevtest::FamilyQueries({{0x7f}, {0xf}, {0x3f}, {0x7}, {3}, {100}, {7, 7}, {30, 30}, {1}, {10, 10}, {20, 20}}));
}

TEST_F(Framebuffer, ChipIndexTable) {
    // Indices without a row leave the identifier as it was.
    const std::pair<const char *, int> rows[] = {{"1", QEV_CHIP_A100}, {"6", QEV_CHIP_A220}, {"8", QEV_CHIP_M300},
                                                 {"12", QEV_CHIP_M500}, {"0", kSentinel},    {"7", kSentinel},
                                                 {"13", kSentinel},     {"255", kSentinel}};
    for (auto [index, chip] : rows) {
        SetKey("chip_index", index);
        EXPECT_EQ(chip, qevtest::Got(QEVGFX_Info_GetChipID)) << index;
    }
    SetKey("chip_index", "auto");
}

TEST_F(Framebuffer, ModuleNameFillingTheBufferStaysInIt) {
    qevtest_fb_fill_module_name(1);
    char name[QEVGFX_DRIVER_NAME_SIZE + 8];
    std::memset(name, 'Z', sizeof name);
    EXPECT_EQ(1, QEVGFX_Info_GetDriverName(1, name));
    qevtest_fb_fill_module_name(0);
    EXPECT_EQ(std::string(QEVGFX_DRIVER_NAME_SIZE - 4, 'm') + ".ko", std::string(name));
    EXPECT_EQ('Z', name[QEVGFX_DRIVER_NAME_SIZE]); // nothing past the caller's 50 bytes
}

TEST_F(Framebuffer, FailedRequestsLeaveOutputsAlone) {
    qevtest_fb_set_failing(1);
    qevtest::ExpectEveryOperationFails(1);
    qevtest_fb_set_failing(0);
    EXPECT_EQ(unsigned(QEV_OUT_CRT | QEV_OUT_LCD), qevsim_model_active(qevtest_fb_model()));
}

TEST_F(Framebuffer, DisplayOperationsFail) {
    int rec[14] = {}, v = 0;
    for (int rc : {QEVGFX_DISPLAY_EnumModes(0, rec), QEVGFX_DISPLAY_GetCurrentMode(rec),
                   QEVGFX_DISPLAY_GetRotateDegree(&v, &v), QEVGFX_DISPLAY_GetRotateCaps(0, &v),
                   QEVGFX_DISPLAY_SetRotateDegree(2, 8), SetRotationInfo(2, 8)})
        EXPECT_EQ(0, rc);
    qevtest::ExpectPerOutputOperationsFail();
    EXPECT_EQ(0, qevtest_fb_requests());
}

TEST_F(Framebuffer, PanelSizeTable) {
    // The ends of the driver's index table and the indices past it.
    const std::pair<int, std::pair<int, int>> rows[] = {
        {0, {640, 480}}, {19, {1280, 800}}, {20, {65535, 65535}}, {255, {65535, 65535}}, {0x10000, {65535, 65535}},
    };
    for (auto [index, size] : rows) {
        qevtest_fb_set_panel_index(index);
        int info[5] = {kSentinel, kSentinel, kSentinel, kSentinel, kSentinel};
        ASSERT_EQ(1, QEVGFX_Panel_GetInfo(QEV_OUT_LCD, info)) << index;
        // Words 3 and 4 are not the framebuffer's.
        EXPECT_EQ(std::vector<int>({index, size.first, size.second, kSentinel, kSentinel}),
                  std::vector<int>(info, info + 5));
    }
}

TEST_F(Framebuffer, PanelExpansionAndAdjustment) {
    ASSERT_EQ(1, QEVGFX_Panel_SetExpandState(QEV_OUT_LCD, 1));
    EXPECT_EQ((Words{{QEV_DS_PANEL_FLAGS, 1}, {QEV_DS_PANEL_EXPAND, 1}}), LastWrite());
    EXPECT_EQ(1, Got(QEVGFX_Panel_GetExpandState, QEV_OUT_LCD));
    EXPECT_EQ(0, QEVGFX_Panel_SetExpandState(QEV_OUT_LCD, 2)); // refused: unchanged
    EXPECT_EQ(1, Driver(20, 3, {}, 1)[0]);
    ASSERT_EQ(1, QEVGFX_Panel_SetExpandState(QEV_OUT_LCD, 0));
    EXPECT_EQ(0, Driver(20, 3, {}, 1)[0]);

    ASSERT_EQ(1, QEVGFX_Panel_SetViewSize(QEV_OUT_LCD, 4, 7));
    ASSERT_EQ(1, QEVGFX_Panel_SetViewPosition(QEV_OUT_LCD, 19, 1));
    EXPECT_EQ((std::vector<int>{19, 1}), Driver(20, 10, {QEV_OUT_LCD}, 2));
    EXPECT_EQ((Longs{4, 7}), Got2(QEVGFX_Panel_GetViewSize, QEV_OUT_LCD));
    // Refused by the driver: nothing changes, the caller's pair stays.
    EXPECT_EQ(0, QEVGFX_Panel_SetViewSize(QEV_OUT_LCD, 11, 0));
    EXPECT_EQ((std::vector<int>{4, 7}), Driver(20, 7, {QEV_OUT_LCD}, 2));
    EXPECT_EQ(Longs{qevtest::kFailed}, Got2(QEVGFX_Panel_GetViewSize, QEV_OUT_TV));
    EXPECT_EQ(3, qevtest_fb_request_count(QEV_FB_WriteDeviceState)); // pair writes are panel requests
}

TEST_F(Framebuffer, TvStandardSignalAndPosition) {
    ASSERT_EQ(1, QEVGFX_TV_SetStandard(QEV_OUT_TV, QEV_TVSTD_PAL));
    EXPECT_EQ((Words{{QEV_DS_TV_CHANGE, QEV_TVCHG_STANDARD}, {QEV_DS_TV_STANDARD, QEV_TVSTD_PAL}}), LastWrite());
    EXPECT_EQ(QEV_TVSTD_PAL, Got(QEVGFX_TV_GetStandard, QEV_OUT_HDTV)); // one TV state on this channel
    // Two standards at once are refused; the next write goes through.
    EXPECT_EQ(0, QEVGFX_TV_SetStandard(QEV_OUT_TV, QEV_TVSTD_NTSC | QEV_TVSTD_PAL));
    EXPECT_EQ(QEV_TVSTD_PAL, Driver(21, 2, {}, 1)[0]);
    ASSERT_EQ(1, QEVGFX_TV_SetStandard(QEV_OUT_TV, QEV_TVSTD_NTSC));
    EXPECT_EQ(QEV_TVSTD_NTSC, Driver(21, 2, {}, 1)[0]);

    ASSERT_EQ(1, QEVGFX_TV_SetSignalType(QEV_OUT_TV, QEV_TVSIG_SVIDEO));
    EXPECT_EQ((Words{{QEV_DS_TV_CHANGE, QEV_TVCHG_SIGNAL}, {QEV_DS_TV_SIGNAL, QEV_TVSIG_SVIDEO}}), LastWrite());
    EXPECT_EQ(QEV_TVSIG_SVIDEO, Got(QEVGFX_TV_GetSignalType, QEV_OUT_TV));
    ASSERT_EQ(1, QEVGFX_TV_SetViewPosition(QEV_OUT_TV, 12, 29));
    EXPECT_EQ((Words{{QEV_DS_TV_CHANGE, QEV_TVCHG_VIEW_POSITION}, {QEV_DS_TV_POS_H, 12}, {QEV_DS_TV_POS_V, 29}}),
              LastWrite());
    EXPECT_EQ((Longs{12, 29}), Got2(QEVGFX_TV_GetViewPosition, QEV_OUT_TV));
}

TEST_F(Framebuffer, TvViewSizeLevels) {
    // Equal halves travel as a level; different halves as the pair under
    // level 255, so neither half is lost.
    const struct {
        int h, v, level;
    } rows[] = {{3, 3, 3}, {2, 6, 255}};
    for (auto [h, v, level] : rows) {
        ASSERT_EQ(1, QEVGFX_TV_SetViewSize(QEV_OUT_TV, h, v));
        EXPECT_EQ((Words{{QEV_DS_TV_CHANGE, QEV_TVCHG_VIEW_SIZE},
                         {QEV_DS_TV_SIZE_LEVEL, uint32_t(level)},
                         {QEV_DS_TV_SIZE_H, uint32_t(h)},
                         {QEV_DS_TV_SIZE_V, uint32_t(v)}}),
                  LastWrite());
        EXPECT_EQ((Longs{h, v}), Got2(QEVGFX_TV_GetViewSize, QEV_OUT_TV));
    }
    // A pair the driver set itself reads back through level 255.
    Driver(21, 9, {5, 1}, 0);
    EXPECT_EQ((Longs{5, 1}), Got2(QEVGFX_TV_GetViewSize, QEV_OUT_TV));
    // 65535 in both halves asks for the profile's size.
    ASSERT_EQ(1, QEVGFX_TV_SetViewSize(QEV_OUT_TV, 65535, 65535));
    EXPECT_EQ((std::vector<int>{3, 3}), Driver(21, 8, {}, 2));
}

TEST_F(Framebuffer, TvTuningCaps) {
    const std::pair<long long, unsigned> rows[] = {
        {0x1000 | 0x10, 0x6}, {0x200, 0x1}, {0x400, 0x1}, {0x20 | 0x40 | 0x80, 0x38}, {0x1 | 0x2 | 0x4 | 0x8 | 0x100, 0}
    };
    for (auto [changes, items] : rows) {
        qevtest_fb_set_word_answer(QEV_FB_TVTuningItemsSupported, changes);
        unsigned got = 0;
        ASSERT_EQ(1, QEVGFX_TV_GetSupportTuningCaps(QEV_OUT_TV, &got));
        EXPECT_EQ(items, got) << std::hex << changes;
    }
    // The items are OR'ed into what the caller has.
    unsigned got = 0x80;
    ASSERT_EQ(1, QEVGFX_TV_GetSupportTuningCaps(QEV_OUT_TV, &got));
    EXPECT_EQ(0x80u, got);
    qevtest_fb_set_word_answer(0, -1);
    // The model's answer for a profile's item list.
    SetKey("tv.tv.tuning", "AFFilterValue,Brightness");
    got = 0;
    ASSERT_EQ(1, QEVGFX_TV_GetSupportTuningCaps(QEV_OUT_TV, &got));
    EXPECT_EQ(0x6u, got);
    SetKey("tv.tv.tuning", "FFilter,AFFilterValue,Brightness,Contrast,Saturation,Tint");
}

TEST_F(Framebuffer, TvTuningItems) {
    // Item, its change bit (in the maximum request and in the block), its
    // word's offset in the block and its maximum.
    const struct {
        unsigned item;
        uint32_t change;
        int offset, max;
    } rows[] = {{0x1, 0x400, 52, 3},  {0x2, 0x1000, 56, 7}, {0x4, 0x10, 60, 100},
                {0x8, 0x20, 64, 100}, {0x10, 0x40, 68, 100}, {0x20, 0x80, 72, 100}};
    for (auto [item, change, offset, max] : rows) {
        SCOPED_TRACE(item);
        EXPECT_EQ(max, Got(QEVGFX_TV_GetTuningItemMaxValue, QEV_OUT_TV, item));
        EXPECT_EQ(change, qevtest_fb_last_word_in(QEV_FB_TVTuningItemMax));
        int value = item == 0x1 ? 1 : 7;
        ASSERT_EQ(1, QEVGFX_TV_SetTuningItemValue(QEV_OUT_TV, item, value));
        EXPECT_EQ((Words{{QEV_DS_TV_CHANGE, change}, {offset, uint32_t(value)}}), LastWrite());
        EXPECT_EQ(value, Got(QEVGFX_TV_GetTuningItemValue, QEV_OUT_TV, item));
    }
    // 65535: the profile's value. Refused by the driver: unchanged.
    ASSERT_EQ(1, QEVGFX_TV_SetTuningItemValue(QEV_OUT_TV, 0x4, 65535));
    EXPECT_EQ(0, QEVGFX_TV_SetTuningItemValue(QEV_OUT_TV, 0x4, 101));
    EXPECT_EQ(50, Driver(21, 15, {0x4}, 1)[0]);
    // Items outside the table fail without a request.
    qevtest_fb_clear();
    EXPECT_EQ(qevtest::kFailed, Got(QEVGFX_TV_GetTuningItemMaxValue, QEV_OUT_TV, 0x40u));
    EXPECT_EQ(qevtest::kFailed, Got(QEVGFX_TV_GetTuningItemValue, QEV_OUT_TV, 0x3u));
    EXPECT_EQ(0, QEVGFX_TV_SetTuningItemValue(QEV_OUT_TV, 0, 1));
    EXPECT_EQ(0, qevtest_fb_requests());
}

TEST_F(Framebuffer, TvSettingItems) {
    const std::pair<unsigned, std::pair<uint32_t, int>> rows[] = {
        {0x4, {QEV_TVCHG_SETTING_8, QEV_DS_TV_SETTING_8}},
        {0x2, {QEV_TVCHG_SETTING_800, QEV_DS_TV_SETTING_800}},
        {0x1, {QEV_TVCHG_SETTING_200, QEV_DS_TV_SETTING_200}}};
    for (auto [item, word] : rows) {
        SCOPED_TRACE(item);
        ASSERT_EQ(1, QEVGFX_TV_SetSettingItemState(QEV_OUT_TV, item, 1));
        EXPECT_EQ((Words{{QEV_DS_TV_CHANGE, word.first}, {word.second, 1}}), LastWrite());
        EXPECT_EQ(1, Got(QEVGFX_TV_GetSettingItemState, QEV_OUT_TV, item));
    }
    EXPECT_EQ(3, Driver(21, 15, {0x1}, 1)[0]); // flicker filter mode FFON
    // The flicker filter switch: 5 is written as off.
    ASSERT_EQ(1, QEVGFX_TV_SetSettingItemState(QEV_OUT_TV, 0x1, 5));
    EXPECT_EQ((Words{{QEV_DS_TV_CHANGE, QEV_TVCHG_SETTING_200}}), LastWrite());
    EXPECT_EQ(0, Driver(21, 18, {0x1}, 1)[0]);
    // Items outside the table, the aspect among them, fail without a request.
    qevtest_fb_clear();
    EXPECT_EQ(0, QEVGFX_TV_SetSettingItemState(QEV_OUT_TV, 0x8, 1));
    EXPECT_EQ(qevtest::kFailed, Got(QEVGFX_TV_GetSettingItemState, QEV_OUT_TV, 0x8u));
    EXPECT_EQ(0, qevtest_fb_requests());
}

// Runs last: closing ends the channel and closes the device once.
TEST_F(Framebuffer, ZCloseEndsTheChannel) {
    int closes = qevtest_fb_closes();
    QEVGFX_Close();
    EXPECT_EQ(closes + 1, qevtest_fb_closes());
    EXPECT_EQ(0, qevtest_fb_is_open());
    EXPECT_EQ(qevtest::kFailed, qevtest::Got(QEVGFX_Info_GetChipID));
    QEVGFX_SetType(2); // the descriptor is gone: still nothing
    EXPECT_EQ(qevtest::kFailed, qevtest::Got(QEVGFX_Info_GetChipID));
    QEVGFX_Close();
    EXPECT_EQ(closes + 1, qevtest_fb_closes());
}

} // namespace
