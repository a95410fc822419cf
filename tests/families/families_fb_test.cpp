// Display, panel and TV families on the framebuffer channel. "/dev/fb0" is an
// in-process adapter model (tests/support/fb_fake.c) that logs the requests and the
// device-state blocks written; the state reached is read back both through
// the library and through the model's own commands.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <vector>

#include "fb_fake.h"
#include "qev/fb.h"
#include "qev/outputs.h"
#include "qevgfx.h"

namespace {

constexpr int kSentinel = 0x5a5a5a5a;

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
std::map<int, uint32_t> LastWrite() {
    unsigned char block[QEV_DS_SIZE];
    std::map<int, uint32_t> words;
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
using Words = std::map<int, uint32_t>;

class FbFamilies : public ::testing::Test {
public:
    static void SetUpTestSuite() {
        unsetenv("DISPLAY");
        QEVGFX_Open();
    }
    static void TearDownTestSuite() { QEVGFX_Close(); }
    void SetUp() override {
        qevtest_fb_clear();
        qevtest_fb_set_word_answer(0, -1);
        qevtest_fb_set_panel_index(-1);
    }
};

TEST_F(FbFamilies, DisplayOperationsFail) {
    int rec[14] = {}, v = 0, count = 0;
    double scale[2];
    RRModeEntry mode{};
    RRModeEntry *modes = nullptr;
    EXPECT_EQ(0, QEVGFX_DISPLAY_EnumModes(0, rec));
    EXPECT_EQ(0, QEVGFX_DISPLAY_GetCurrentMode(rec));
    EXPECT_EQ(0, QEVGFX_DISPLAY_GetRotateDegree(&v, &v));
    EXPECT_EQ(0, QEVGFX_DISPLAY_GetRotateCaps(0, &v));
    EXPECT_EQ(0, QEVGFX_DISPLAY_SetRotateDegree(2, 8));
    EXPECT_EQ(0, SetRotationInfo(2, 8));
    EXPECT_EQ(0, QEVGFX_DISPLAY_GetDevCurMode(QEV_OUT_CRT, &mode));
    EXPECT_EQ(0, QEVGFX_DISPLAY_GetDevSupportMode(QEV_OUT_CRT, &count, &modes));
    EXPECT_EQ(0, QEVGFX_DISPLAY_GetDevCurRotation(QEV_OUT_CRT, &v));
    EXPECT_EQ(0, QEVGFX_DISPLAY_GetDevSupRotation(QEV_OUT_CRT, &v));
    EXPECT_EQ(0, QEVGFX_DISPLAY_SetDevRotationDeg(QEV_OUT_CRT, 2));
    EXPECT_EQ(0, QEVGFX_DISPLAY_SetDevMode(QEV_OUT_CRT, "800x600", 800, 600, 60.0f));
    EXPECT_EQ(0, QEVGFX_DISPLAY_GetCurrentScale(QEV_OUT_CRT, scale));
    EXPECT_EQ(0, QEVGFX_DISPLAY_SetScale(QEV_OUT_CRT, 1.25, 1.25));
    EXPECT_EQ(0, qevtest_fb_requests());
}

TEST_F(FbFamilies, PanelSizeTable) {
    // The ends of the driver's index table and the indices past it.
    const std::pair<int, std::pair<int, int>> rows[] = {
        {0, {640, 480}},      {19, {1280, 800}},      {20, {65535, 65535}},
        {255, {65535, 65535}}, {0x10000, {65535, 65535}},
    };
    for (auto [index, size] : rows) {
        qevtest_fb_set_panel_index(index);
        int info[5] = {kSentinel, kSentinel, kSentinel, kSentinel, kSentinel};
        ASSERT_EQ(1, QEVGFX_Panel_GetInfo(QEV_OUT_LCD, info)) << index;
        EXPECT_EQ(index, info[0]);
        EXPECT_EQ(size.first, info[1]) << index;
        EXPECT_EQ(size.second, info[2]) << index;
        EXPECT_EQ(kSentinel, info[3]); // words 3 and 4 are not the framebuffer's
        EXPECT_EQ(kSentinel, info[4]);
    }
}

TEST_F(FbFamilies, PanelExpansionAndAdjustment) {
    int v = -1;
    ASSERT_EQ(1, QEVGFX_Panel_GetSupportExpandState(QEV_OUT_LCD, &v));
    EXPECT_EQ(1, v);
    ASSERT_EQ(1, QEVGFX_Panel_SetExpandState(QEV_OUT_LCD, 1));
    EXPECT_EQ((Words{{QEV_DS_PANEL_FLAGS, 1}, {QEV_DS_PANEL_EXPAND, 1}}), LastWrite());
    EXPECT_EQ(1, Driver(20, 3, {}, 1)[0]);
    ASSERT_EQ(1, QEVGFX_Panel_GetExpandState(QEV_OUT_LCD, &v));
    EXPECT_EQ(1, v);
    EXPECT_EQ(0, QEVGFX_Panel_SetExpandState(QEV_OUT_LCD, 2)); // refused: unchanged
    EXPECT_EQ(1, Driver(20, 3, {}, 1)[0]);
    ASSERT_EQ(1, QEVGFX_Panel_SetExpandState(QEV_OUT_LCD, 0));
    EXPECT_EQ(0, Driver(20, 3, {}, 1)[0]);

    int s[2] = {};
    ASSERT_EQ(1, QEVGFX_Panel_GetMaxViewSize(QEV_OUT_LCD, s));
    EXPECT_EQ(10, s[0]);
    ASSERT_EQ(1, QEVGFX_Panel_GetMaxViewPosition(QEV_OUT_LCD, s));
    EXPECT_EQ(20, s[0]);
    ASSERT_EQ(1, QEVGFX_Panel_SetViewSize(QEV_OUT_LCD, 4, 7));
    ASSERT_EQ(1, QEVGFX_Panel_SetViewPosition(QEV_OUT_LCD, 19, 1));
    EXPECT_EQ((std::vector<int>{4, 7}), Driver(20, 7, {QEV_OUT_LCD}, 2));
    EXPECT_EQ((std::vector<int>{19, 1}), Driver(20, 10, {QEV_OUT_LCD}, 2));
    ASSERT_EQ(1, QEVGFX_Panel_GetViewSize(QEV_OUT_LCD, s));
    EXPECT_EQ(4, s[0]);
    EXPECT_EQ(7, s[1]);
    // Refused by the driver: nothing changes, the caller's pair stays.
    EXPECT_EQ(0, QEVGFX_Panel_SetViewSize(QEV_OUT_LCD, 11, 0));
    EXPECT_EQ((std::vector<int>{4, 7}), Driver(20, 7, {QEV_OUT_LCD}, 2));
    s[0] = s[1] = kSentinel;
    EXPECT_EQ(0, QEVGFX_Panel_GetViewSize(QEV_OUT_TV, s));
    EXPECT_EQ(kSentinel, s[0]);
    EXPECT_EQ(0, qevtest_fb_request_count(QEV_FB_WriteDeviceState) - 3); // pair writes are panel requests
}

TEST_F(FbFamilies, TvStandardSignalAndPosition) {
    unsigned u = 0;
    ASSERT_EQ(1, QEVGFX_TV_GetSupportStandard(QEV_OUT_TV, &u));
    EXPECT_EQ(0x7fu, u); // the encoder's standards, TV and HDTV together
    ASSERT_EQ(1, QEVGFX_TV_SetStandard(QEV_OUT_TV, QEV_TVSTD_PAL));
    EXPECT_EQ((Words{{QEV_DS_TV_CHANGE, QEV_TVCHG_STANDARD}, {QEV_DS_TV_STANDARD, QEV_TVSTD_PAL}}), LastWrite());
    EXPECT_EQ(QEV_TVSTD_PAL, Driver(21, 2, {}, 1)[0]);
    ASSERT_EQ(1, QEVGFX_TV_GetStandard(QEV_OUT_HDTV, &u)); // one TV state on this channel
    EXPECT_EQ(unsigned(QEV_TVSTD_PAL), u);
    // Two standards at once are refused; the next write goes through.
    EXPECT_EQ(0, QEVGFX_TV_SetStandard(QEV_OUT_TV, QEV_TVSTD_NTSC | QEV_TVSTD_PAL));
    EXPECT_EQ(QEV_TVSTD_PAL, Driver(21, 2, {}, 1)[0]);
    ASSERT_EQ(1, QEVGFX_TV_SetStandard(QEV_OUT_TV, QEV_TVSTD_NTSC));
    EXPECT_EQ(QEV_TVSTD_NTSC, Driver(21, 2, {}, 1)[0]);

    ASSERT_EQ(1, QEVGFX_TV_GetSupportSignalType(QEV_OUT_TV, &u));
    EXPECT_EQ(0xfu, u);
    ASSERT_EQ(1, QEVGFX_TV_SetSignalType(QEV_OUT_TV, QEV_TVSIG_SVIDEO));
    EXPECT_EQ((Words{{QEV_DS_TV_CHANGE, QEV_TVCHG_SIGNAL}, {QEV_DS_TV_SIGNAL, QEV_TVSIG_SVIDEO}}), LastWrite());
    ASSERT_EQ(1, QEVGFX_TV_GetSignalType(QEV_OUT_TV, &u));
    EXPECT_EQ(unsigned(QEV_TVSIG_SVIDEO), u);

    int p[2] = {};
    ASSERT_EQ(1, QEVGFX_TV_GetMaxViewPosition(QEV_OUT_TV, p));
    EXPECT_EQ(30, p[0]);
    EXPECT_EQ(30, p[1]);
    ASSERT_EQ(1, QEVGFX_TV_SetViewPosition(QEV_OUT_TV, 12, 29));
    EXPECT_EQ((Words{{QEV_DS_TV_CHANGE, QEV_TVCHG_VIEW_POSITION}, {QEV_DS_TV_POS_H, 12}, {QEV_DS_TV_POS_V, 29}}),
              LastWrite());
    EXPECT_EQ((std::vector<int>{12, 29}), Driver(21, 11, {}, 2));
    ASSERT_EQ(1, QEVGFX_TV_GetViewPosition(QEV_OUT_TV, p));
    EXPECT_EQ(12, p[0]);
    EXPECT_EQ(29, p[1]);
}

TEST_F(FbFamilies, TvViewSizeLevels) {
    int s[2] = {};
    ASSERT_EQ(1, QEVGFX_TV_GetMaxViewSize(QEV_OUT_TV, s));
    EXPECT_EQ(7, s[0]);
    EXPECT_EQ(7, s[1]);
    // Equal halves travel as a level, read back as that level.
    ASSERT_EQ(1, QEVGFX_TV_SetViewSize(QEV_OUT_TV, 3, 3));
    EXPECT_EQ((Words{{QEV_DS_TV_CHANGE, QEV_TVCHG_VIEW_SIZE},
                     {QEV_DS_TV_SIZE_LEVEL, 3},
                     {QEV_DS_TV_SIZE_H, 3},
                     {QEV_DS_TV_SIZE_V, 3}}),
              LastWrite());
    ASSERT_EQ(1, QEVGFX_TV_GetViewSize(QEV_OUT_TV, s));
    EXPECT_EQ(3, s[0]);
    EXPECT_EQ(3, s[1]);
    // Different halves: the pair under level 255, so neither half is lost.
    ASSERT_EQ(1, QEVGFX_TV_SetViewSize(QEV_OUT_TV, 2, 6));
    EXPECT_EQ((Words{{QEV_DS_TV_CHANGE, QEV_TVCHG_VIEW_SIZE},
                     {QEV_DS_TV_SIZE_LEVEL, 255},
                     {QEV_DS_TV_SIZE_H, 2},
                     {QEV_DS_TV_SIZE_V, 6}}),
              LastWrite());
    EXPECT_EQ((std::vector<int>{2, 6}), Driver(21, 8, {}, 2));
    ASSERT_EQ(1, QEVGFX_TV_GetViewSize(QEV_OUT_TV, s));
    EXPECT_EQ(2, s[0]);
    EXPECT_EQ(6, s[1]);
    // A pair the driver set itself reads back through level 255.
    Driver(21, 9, {5, 1}, 0);
    ASSERT_EQ(1, QEVGFX_TV_GetViewSize(QEV_OUT_TV, s));
    EXPECT_EQ(5, s[0]);
    EXPECT_EQ(1, s[1]);
    // 65535 in both halves asks for the profile's size.
    ASSERT_EQ(1, QEVGFX_TV_SetViewSize(QEV_OUT_TV, 65535, 65535));
    EXPECT_EQ((std::vector<int>{3, 3}), Driver(21, 8, {}, 2));
}

TEST_F(FbFamilies, TvTuningCaps) {
    const std::pair<long long, unsigned> rows[] = {
        {0x1000 | 0x10, 0x6}, {0x200, 0x1}, {0x400, 0x1}, {0x20 | 0x40 | 0x80, 0x38}, {0x1 | 0x2 | 0x4 | 0x8 | 0x100, 0},
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
    got = 0;
    ASSERT_EQ(1, QEVGFX_TV_GetSupportTuningCaps(QEV_OUT_TV, &got));
    EXPECT_EQ(0x3fu, got);
}

TEST_F(FbFamilies, TvTuningItems) {
    // Item, its change bit (in the maximum request and in the block), its
    // word's offset in the block and its maximum.
    const struct {
        unsigned item;
        uint32_t change;
        int offset, max;
    } rows[] = {{0x1, 0x400, 52, 3},  {0x2, 0x1000, 56, 7}, {0x4, 0x10, 60, 100},
                {0x8, 0x20, 64, 100}, {0x10, 0x40, 68, 100}, {0x20, 0x80, 72, 100}};
    int v = 0;
    for (auto [item, change, offset, max] : rows) {
        ASSERT_EQ(1, QEVGFX_TV_GetTuningItemMaxValue(QEV_OUT_TV, item, &v)) << item;
        EXPECT_EQ(change, qevtest_fb_last_word_in(QEV_FB_TVTuningItemMax)) << item;
        EXPECT_EQ(max, v) << item;
        int value = item == 0x1 ? 1 : 7;
        ASSERT_EQ(1, QEVGFX_TV_SetTuningItemValue(QEV_OUT_TV, item, value)) << item;
        EXPECT_EQ((Words{{QEV_DS_TV_CHANGE, change}, {offset, uint32_t(value)}}), LastWrite()) << item;
        EXPECT_EQ(value, Driver(21, 15, {int(item)}, 1)[0]) << item;
        v = -1;
        ASSERT_EQ(1, QEVGFX_TV_GetTuningItemValue(QEV_OUT_TV, item, &v));
        EXPECT_EQ(value, v) << item;
    }
    // 65535: the profile's value.
    ASSERT_EQ(1, QEVGFX_TV_SetTuningItemValue(QEV_OUT_TV, 0x4, 65535));
    EXPECT_EQ(50, Driver(21, 15, {0x4}, 1)[0]);
    // Refused by the driver: unchanged, later writes work.
    EXPECT_EQ(0, QEVGFX_TV_SetTuningItemValue(QEV_OUT_TV, 0x4, 101));
    EXPECT_EQ(50, Driver(21, 15, {0x4}, 1)[0]);
    // Items outside the table fail without a request.
    qevtest_fb_clear();
    v = kSentinel;
    EXPECT_EQ(0, QEVGFX_TV_GetTuningItemMaxValue(QEV_OUT_TV, 0x40, &v));
    EXPECT_EQ(0, QEVGFX_TV_GetTuningItemValue(QEV_OUT_TV, 0x3, &v));
    EXPECT_EQ(0, QEVGFX_TV_SetTuningItemValue(QEV_OUT_TV, 0, 1));
    EXPECT_EQ(kSentinel, v);
    EXPECT_EQ(0, qevtest_fb_requests());
}

TEST_F(FbFamilies, TvSettingItems) {
    unsigned caps = 0;
    ASSERT_EQ(1, QEVGFX_TV_GetSupportSettingCaps(QEV_OUT_TV, &caps));
    EXPECT_EQ(0x7u, caps); // the aspect item has no word in the device state
    const std::pair<unsigned, std::pair<uint32_t, int>> rows[] = {
        {0x4, {QEV_TVCHG_SETTING_8, QEV_DS_TV_SETTING_8}},
        {0x2, {QEV_TVCHG_SETTING_800, QEV_DS_TV_SETTING_800}},
        {0x1, {QEV_TVCHG_SETTING_200, QEV_DS_TV_SETTING_200}}};
    int v = 0;
    for (auto [item, word] : rows) {
        ASSERT_EQ(1, QEVGFX_TV_SetSettingItemState(QEV_OUT_TV, item, 1)) << item;
        EXPECT_EQ((Words{{QEV_DS_TV_CHANGE, word.first}, {word.second, 1}}), LastWrite()) << item;
        EXPECT_EQ(1, Driver(21, 18, {int(item)}, 1)[0]) << item;
        v = 0;
        ASSERT_EQ(1, QEVGFX_TV_GetSettingItemState(QEV_OUT_TV, item, &v)) << item;
        EXPECT_EQ(1, v) << item;
    }
    EXPECT_EQ(3, Driver(21, 15, {0x1}, 1)[0]); // flicker filter mode FFON
    // The flicker filter switch: 5 is written as off.
    ASSERT_EQ(1, QEVGFX_TV_SetSettingItemState(QEV_OUT_TV, 0x1, 5));
    EXPECT_EQ((Words{{QEV_DS_TV_CHANGE, QEV_TVCHG_SETTING_200}}), LastWrite());
    EXPECT_EQ(0, Driver(21, 18, {0x1}, 1)[0]);
    // Items outside the table, the aspect among them, fail without a request.
    qevtest_fb_clear();
    v = kSentinel;
    EXPECT_EQ(0, QEVGFX_TV_SetSettingItemState(QEV_OUT_TV, 0x8, 1));
    EXPECT_EQ(0, QEVGFX_TV_GetSettingItemState(QEV_OUT_TV, 0x8, &v));
    EXPECT_EQ(kSentinel, v);
    EXPECT_EQ(0, qevtest_fb_requests());
}

} // namespace
