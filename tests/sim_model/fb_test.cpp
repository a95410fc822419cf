// Framebuffer requests: records, device-state change flags, refusals.
#include <cerrno>
#include <cstdint>

#include "model_fixture.h"
#include "qev/commands.h"
#include "qev/family.h"
#include "qev/fb.h"
#include "qev/outputs.h"

namespace {

struct Block {
    uint8_t b[QEV_DS_SIZE] = {};
    void put32(size_t off, uint32_t v) { std::memcpy(b + off, &v, 4); }
    void put16(size_t off, uint16_t v) { std::memcpy(b + off, &v, 2); }
    uint32_t get32(size_t off) const {
        uint32_t v;
        std::memcpy(&v, b + off, 4);
        return v;
    }
    uint16_t get16(size_t off) const {
        uint16_t v;
        std::memcpy(&v, b + off, 2);
        return v;
    }
};

int ioctl(Model &m, uint32_t req, void *arg) { return qevsim_model_fb_ioctl(m, req, arg); }

Block read_state(Model &m) {
    Block blk;
    EXPECT_EQ(ioctl(m, QEV_FB_ReadDeviceState, blk.b), 0);
    return blk;
}

}  // namespace

TEST(Framebuffer, UnknownRequestsAndNullArguments) {
    Model m;
    uint32_t word = 0;
    errno = 0;
    EXPECT_EQ(ioctl(m, QEV_FB_REQUEST(0x06), &word), -1);
    EXPECT_EQ(errno, ENOTTY);
    EXPECT_EQ(qevsim_model_fb_ioctl(m, 0x4600, &word), -1);
    EXPECT_EQ(errno, ENOTTY);
    EXPECT_EQ(ioctl(m, QEV_FB_ChipInfo, nullptr), -1);
    EXPECT_EQ(errno, EFAULT);
    EXPECT_EQ(ioctl(m, QEV_FB_EngineSync, nullptr), 0);
}

TEST(Framebuffer, AdapterRecords) {
    Model m("chip-paired-tv.conf");
    uint8_t chip[QEV_CHIPINFO_SIZE + 8];
    std::memset(chip, 0xee, sizeof chip);
    ASSERT_EQ(ioctl(m, QEV_FB_ChipInfo, chip), 0);
    uint32_t w[4];
    std::memcpy(w, chip, 4);
    EXPECT_EQ(w[0], 4u);  // A200
    std::memcpy(w, chip + QEV_CHIPINFO_TVCHIP, 4);
    EXPECT_EQ(w[0], uint32_t(QEV_PAIRED_TV_ENCODER));
    std::memcpy(w, chip + QEV_CHIPINFO_TVSLOT, 4);
    EXPECT_EQ(w[0], 2u);
    EXPECT_EQ(chip[QEV_CHIPINFO_SIZE - 1], 0);
    EXPECT_EQ(chip[QEV_CHIPINFO_SIZE], 0xee) << "92 bytes, no more";

    ASSERT_EQ(ioctl(m, QEV_FB_MemoryInfo, w), 0);
    EXPECT_EQ((w[1] + w[2]) >> 20, 64u);

    Model d;
    ASSERT_EQ(ioctl(d, QEV_FB_DriverVersion, w), 0);  // major, build, patch, minor
    EXPECT_EQ(w[0], 2u);
    EXPECT_EQ(w[1], 5u);
    EXPECT_EQ(w[2], 0u);
    EXPECT_EQ(w[3], 1u);
    char name[50];
    std::memset(name, 'x', sizeof name);
    ASSERT_EQ(ioctl(d, QEV_FB_DriverModuleName, name), 0);
    EXPECT_STREQ(name, "qevfb");
    uint32_t caps[32];
    ASSERT_EQ(ioctl(d, QEV_FB_FunctionCaps, caps), 0);
    EXPECT_EQ(caps[0], 0x92u);
}

TEST(Framebuffer, WriteAppliesOnlyFlaggedFields) {
    Model m;
    Block blk;
    blk.put16(QEV_DS_ACTIVE_MASK, QEV_OUT_TV);  // no output flag: ignored
    blk.put32(QEV_DS_TV_STANDARD, QEV_TVSTD_PAL);
    blk.put32(QEV_DS_TV_CHANGE, QEV_TVCHG_STANDARD);
    blk.put32(QEV_DS_PANEL_EXPAND, 1);  // no panel flag: ignored
    ASSERT_EQ(ioctl(m, QEV_FB_WriteDeviceState, blk.b), 0);
    Block now = read_state(m);
    EXPECT_EQ(now.get16(QEV_DS_ACTIVE_MASK), QEV_OUT_CRT | QEV_OUT_LCD);
    EXPECT_EQ(now.get32(QEV_DS_TV_STANDARD), uint32_t(QEV_TVSTD_PAL));
    EXPECT_EQ(now.get32(QEV_DS_PANEL_EXPAND), 0u);
    EXPECT_EQ(now.get32(QEV_DS_TV_CHANGE), 0u) << "change flags read as 0";
    ASSERT_EQ(m.cmd(QEV_TV_GROUP_TV, 2), 1);
    EXPECT_EQ(m.out(0), QEV_TVSTD_PAL) << "one state behind both channels";

    // The active-mask write reads the block, sets flag and mask, writes it back.
    std::string before = m.dump();
    Block rw = read_state(m);
    ASSERT_EQ(ioctl(m, QEV_FB_WriteDeviceState, rw.b), 0);
    EXPECT_EQ(m.dump(), before) << "a block written back unflagged changes nothing";
    rw.put16(QEV_DS_OUTPUT_FLAGS, 1);
    rw.put16(QEV_DS_ACTIVE_MASK, QEV_OUT_CRT | QEV_OUT_TV);
    ASSERT_EQ(ioctl(m, QEV_FB_WriteDeviceState, rw.b), 0);
    EXPECT_EQ(qevsim_model_active(m), unsigned(QEV_OUT_CRT | QEV_OUT_TV));
}

TEST(Framebuffer, RefusedWriteChangesNothing) {
    Model m;
    std::string before = m.dump();
    Block blk;
    blk.put32(QEV_DS_TV_CHANGE, QEV_TVCHG_STANDARD | QEV_TVCHG_TUNING_10);
    blk.put32(QEV_DS_TV_STANDARD, QEV_TVSTD_PAL);
    blk.put32(QEV_DS_TV_TUNING + 8, 500);  // brightness above its maximum
    errno = 0;
    EXPECT_EQ(ioctl(m, QEV_FB_WriteDeviceState, blk.b), -1);
    EXPECT_EQ(errno, EINVAL);
    EXPECT_EQ(m.dump(), before);

    Block mask;
    mask.put16(QEV_DS_OUTPUT_FLAGS, 1);
    mask.put16(QEV_DS_ACTIVE_MASK, QEV_OUT_DVI);  // not connected
    EXPECT_EQ(ioctl(m, QEV_FB_WriteDeviceState, mask.b), -1);
    Block unknown;
    unknown.put32(QEV_DS_TV_CHANGE, 0x2000);
    EXPECT_EQ(ioctl(m, QEV_FB_WriteDeviceState, unknown.b), -1);
    EXPECT_EQ(m.dump(), before);
}

TEST(Framebuffer, SammSwitch) {
    Model m;
    Block on;
    on.put16(QEV_DS_OUTPUT_FLAGS, 1);
    on.put16(QEV_DS_ACTIVE_MASK, QEV_OUT_CRT | QEV_OUT_LCD);
    on.put16(QEV_DS_SAMM_FLAGS, 0x81);
    on.put32(QEV_DS_SAMM_LAYOUT, QEV_OUT_LCD);
    ASSERT_EQ(ioctl(m, QEV_FB_WriteDeviceState, on.b), 0);
    Block now = read_state(m);
    EXPECT_EQ(now.get16(QEV_DS_SAMM_FLAGS), 1);
    EXPECT_EQ(now.get32(QEV_DS_SAMM_LAYOUT), uint32_t(QEV_OUT_LCD));
    m.cmd(19, 5);
    EXPECT_EQ(m.out(0), 1);
    m.cmd(19, 11);
    EXPECT_EQ(m.out(0), 0);

    Block off;
    off.put16(QEV_DS_SAMM_FLAGS, 0x80);
    ASSERT_EQ(ioctl(m, QEV_FB_WriteDeviceState, off.b), 0);
    EXPECT_EQ(read_state(m).get16(QEV_DS_SAMM_FLAGS), 0);
    m.cmd(19, 11);
    EXPECT_EQ(m.out(0), 1) << "two outputs without SAMM are a clone pair";

    Model single("minimal-crt.conf");
    EXPECT_EQ(ioctl(single, QEV_FB_WriteDeviceState, off.b), 0);
    Block on1;
    on1.put16(QEV_DS_SAMM_FLAGS, 0x81);
    EXPECT_EQ(ioctl(single, QEV_FB_WriteDeviceState, on1.b), -1) << "SAMM needs two outputs";
}

TEST(Framebuffer, TvViewSizeLevel) {
    Model m;
    Block blk;
    blk.put32(QEV_DS_TV_CHANGE, QEV_TVCHG_VIEW_SIZE);
    blk.put32(QEV_DS_TV_SIZE_LEVEL, 5);
    blk.put32(QEV_DS_TV_SIZE_H, 2);
    blk.put32(QEV_DS_TV_SIZE_V, 5);
    ASSERT_EQ(ioctl(m, QEV_FB_WriteDeviceState, blk.b), 0);
    Block now = read_state(m);
    EXPECT_EQ(now.get32(QEV_DS_TV_SIZE_LEVEL), 5u);
    m.cmd(QEV_TV_GROUP_TV, 8);
    EXPECT_EQ(m.out(0), 5) << "a level is one size for both directions";
    EXPECT_EQ(m.out(1), 5);

    blk.put32(QEV_DS_TV_SIZE_LEVEL, 255);
    ASSERT_EQ(ioctl(m, QEV_FB_WriteDeviceState, blk.b), 0);
    now = read_state(m);
    EXPECT_EQ(now.get32(QEV_DS_TV_SIZE_LEVEL), 255u);
    EXPECT_EQ(now.get32(QEV_DS_TV_SIZE_H), 2u);
    EXPECT_EQ(now.get32(QEV_DS_TV_SIZE_V), 5u);

    ASSERT_EQ(m.cmd(QEV_TV_GROUP_TV, 9, {1, 2}), 1);
    EXPECT_EQ(read_state(m).get32(QEV_DS_TV_SIZE_LEVEL), 255u) << "a command sets the pair";

    blk.put32(QEV_DS_TV_SIZE_LEVEL, 8);  // above the maximum of 7
    EXPECT_EQ(ioctl(m, QEV_FB_WriteDeviceState, blk.b), -1);
    blk.put32(QEV_DS_TV_SIZE_LEVEL, 255);
    blk.put32(QEV_DS_TV_SIZE_H, 8);  // a pair beyond it
    EXPECT_EQ(ioctl(m, QEV_FB_WriteDeviceState, blk.b), -1);

    blk.put32(QEV_DS_TV_SIZE_LEVEL, 65535);  // back to the profile's size
    ASSERT_EQ(ioctl(m, QEV_FB_WriteDeviceState, blk.b), 0);
    now = read_state(m);
    EXPECT_EQ(now.get32(QEV_DS_TV_SIZE_LEVEL), 3u);
    EXPECT_EQ(now.get32(QEV_DS_TV_SIZE_H), 3u);
}

TEST(Framebuffer, TvItemsAndSettingWords) {
    Model m;
    uint32_t w = 0;
    ASSERT_EQ(ioctl(m, QEV_FB_TVTuningItemsSupported, &w), 0);
    EXPECT_EQ(w, 0x400u | 0x1000 | 0x10 | 0x20 | 0x40 | 0x80);
    w = QEV_TVCHG_TUNING_10;
    ASSERT_EQ(ioctl(m, QEV_FB_TVTuningItemMax, &w), 0);
    EXPECT_EQ(w, 100u);
    w = QEV_TVCHG_TUNING_400;
    ASSERT_EQ(ioctl(m, QEV_FB_TVTuningItemMax, &w), 0);
    EXPECT_EQ(w, 3u);
    w = 0x4;  // an item bit, not a change bit
    EXPECT_EQ(ioctl(m, QEV_FB_TVTuningItemMax, &w), -1);
    ASSERT_EQ(ioctl(m, QEV_FB_TVSettingItemsSupported, &w), 0);
    EXPECT_EQ(w, 0x7u);

    Block blk;
    blk.put32(QEV_DS_TV_CHANGE, QEV_TVCHG_SETTING_8 | QEV_TVCHG_SETTING_800 | QEV_TVCHG_TUNING_80);
    blk.put32(QEV_DS_TV_SETTING_8, 1);    // dot crawl on
    blk.put32(QEV_DS_TV_SETTING_800, 1);  // adaptive flicker filter on
    blk.put32(QEV_DS_TV_TUNING + 20, 77); // tint
    ASSERT_EQ(ioctl(m, QEV_FB_WriteDeviceState, blk.b), 0);
    m.cmd(QEV_TV_GROUP_TV, 18, {0x4});
    EXPECT_EQ(m.out(0), 1);
    m.cmd(QEV_TV_GROUP_TV, 15, {0x1});
    EXPECT_EQ(m.out(0), 1) << "AFFON";
    m.cmd(QEV_TV_GROUP_TV, 15, {0x20});
    EXPECT_EQ(m.out(0), 77);
    Block now = read_state(m);
    EXPECT_EQ(now.get32(QEV_DS_TV_SETTING_200), 0u);
    EXPECT_EQ(now.get32(QEV_DS_TV_SETTING_800), 1u);
    EXPECT_EQ(now.get32(QEV_DS_TV_TUNING), 1u);
}

TEST(Framebuffer, PanelRecords) {
    Model m;
    uint32_t rec[3] = {QEV_OUT_LCD, 0, 0};
    ASSERT_EQ(ioctl(m, QEV_FB_PanelMaxViewSize, rec), 0);
    EXPECT_EQ(rec[1], 10u);
    uint32_t set[3] = {QEV_OUT_LCD, 7, 8};
    ASSERT_EQ(ioctl(m, QEV_FB_WritePanelViewSize, set), 0);
    uint32_t get[3] = {QEV_OUT_LCD, 0, 0};
    ASSERT_EQ(ioctl(m, QEV_FB_ReadPanelViewSize, get), 0);
    EXPECT_EQ(get[1], 7u);
    EXPECT_EQ(get[2], 8u);
    m.cmd(20, 7, {QEV_OUT_LCD});
    EXPECT_EQ(m.out(1), 8);
    uint32_t bad[3] = {QEV_OUT_LCD, 21, 1};
    EXPECT_EQ(ioctl(m, QEV_FB_WritePanelViewPosition, bad), -1);
    uint32_t tv[3] = {QEV_OUT_TV, 0, 0}, lcd2[3] = {QEV_OUT_LCD2, 0, 0};  // not a panel; not supported
    EXPECT_EQ(ioctl(m, QEV_FB_ReadPanelViewSize, tv), -1);
    EXPECT_EQ(ioctl(m, QEV_FB_ReadPanelViewSize, lcd2), -1);

    Block expand;
    expand.put16(QEV_DS_PANEL_FLAGS, 1);
    expand.put32(QEV_DS_PANEL_EXPAND, 1);
    ASSERT_EQ(ioctl(m, QEV_FB_WriteDeviceState, expand.b), 0);
    Block now = read_state(m);
    EXPECT_EQ(now.get32(QEV_DS_PANEL_EXPAND), 1u);
    EXPECT_EQ(now.get32(QEV_DS_PANEL_INFO), 9u);  // 1280x800
}

TEST(Framebuffer, GammaAndVideoDevice) {
    Model m;
    uint32_t t[256];
    for (uint32_t i = 0; i < 256; i++) t[i] = i << 16;
    ASSERT_EQ(ioctl(m, QEV_FB_WriteGammaTable, t), 0);
    ASSERT_EQ(m.cmd(22, 2), 1);
    EXPECT_EQ(m.out(255), 0xff0000);
    t[3] = 0x01000000;
    EXPECT_EQ(ioctl(m, QEV_FB_WriteGammaTable, t), -1);

    uint32_t v = 3, back = 0;
    ASSERT_EQ(ioctl(m, QEV_FB_WriteVideoDevice, &v), 0);
    ASSERT_EQ(ioctl(m, QEV_FB_ReadVideoDevice, &back), 0);
    EXPECT_EQ(back, 3u);
}
