// libqevgfx on the framebuffer channel: no X display, "/dev/fb0" served by
// the adapter model in this process (fb_interposer.c).
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "fb_interposer.h"
#include "qev/family.h"
#include "qev/outputs.h"
#include "qevgfx.h"

namespace {

constexpr int kSentinel = 0x5a5a5a5a;

void SetKey(const char *key, const char *value) {
    char err[256];
    ASSERT_EQ(1, qevsim_model_set_key(qevtest_fb_model(), key, value, err, sizeof err)) << key << ": " << err;
}

class Framebuffer : public ::testing::Test {
public:
    static void SetUpTestSuite() {
        unsetenv("DISPLAY");
        qevtest_fb_set_present(1);
        QEVGFX_Open();
    }
    static void TearDownTestSuite() { QEVGFX_Close(); }
};

TEST_F(Framebuffer, OpensTheDevice) {
    EXPECT_EQ(1, qevtest_fb_is_open());
    int randr = 7;
    EXPECT_EQ(1, QEVGFX_IsRandR(&randr));
    EXPECT_EQ(0, randr);
}

TEST_F(Framebuffer, AdapterInformation) {
    char name[QEVGFX_DRIVER_NAME_SIZE] = {};
    ASSERT_EQ(1, QEVGFX_Info_GetDriverName(1, name));
    EXPECT_STREQ("qevfb.ko", name);

    // Driver version: w0..w3 = 4, 1, 2, 3 come back as 4, 3, 2, 0, 1.
    SetKey("fb_version", "4,3,2,1"); // the model sends them as 4, 1, 2, 3
    int version[5] = {kSentinel, kSentinel, kSentinel, kSentinel, kSentinel};
    ASSERT_EQ(1, QEVGFX_Info_GetDriverVersion(1, version));
    const int expected[5] = {4, 3, 2, 0, 1};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(expected[i], version[i]) << i;

    int caps[32] = {};
    ASSERT_EQ(1, QEVGFX_Info_GetFunctionCaps(caps));
    EXPECT_EQ(0x92, caps[0]);

    int v = 0;
    EXPECT_EQ(1, QEVGFX_Info_GetTVChipID(&v));
    EXPECT_EQ(0x11, v);
    EXPECT_EQ(1, QEVGFX_Info_GetTVChipOnSlot(&v));
    EXPECT_EQ(1, v);
    EXPECT_EQ(1, QEVGFX_Info_GetVideoMemSize(&v));
    EXPECT_EQ(256, v);
    SetKey("memory_mb", "128");
    EXPECT_EQ(1, QEVGFX_Info_GetVideoMemSize(&v));
    EXPECT_EQ(128, v);

    int bios[3] = {kSentinel, kSentinel, kSentinel};
    EXPECT_EQ(0, QEVGFX_Info_GetBiosVersion(bios)); // X channel only
    EXPECT_EQ(0, QEVGFX_Info_GetBiosDate(bios));
    EXPECT_EQ(kSentinel, bios[0]);
    EXPECT_EQ(1, QEVGFX_DrvSync());
    EXPECT_EQ(0, QEVGFX_SaveCurrentSetting(1));
    EXPECT_EQ(0, QEVGFX_SaveCurrentSetting(0));
}

TEST_F(Framebuffer, ChipIndexTable) {
    int id = 0;
    ASSERT_EQ(1, QEVGFX_Info_GetChipID(&id));
    EXPECT_EQ(QEV_CHIP_M400, id);
    const std::pair<const char *, int> rows[] = {{"1", QEV_CHIP_A100}, {"6", QEV_CHIP_A220}, {"8", QEV_CHIP_M300},
                                                 {"12", QEV_CHIP_M500}};
    for (auto [index, chip] : rows) {
        SetKey("chip_index", index);
        id = 0;
        EXPECT_EQ(1, QEVGFX_Info_GetChipID(&id));
        EXPECT_EQ(chip, id) << index;
    }
    // Indices without a row leave the identifier as it was.
    for (const char *index : {"0", "7", "13", "255"}) {
        SetKey("chip_index", index);
        id = kSentinel;
        EXPECT_EQ(1, QEVGFX_Info_GetChipID(&id)) << index;
        EXPECT_EQ(kSentinel, id) << index;
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

TEST_F(Framebuffer, OutputDeviceState) {
    unsigned mask = 0;
    EXPECT_EQ(1, QEVGFX_Device_GetSupportCaps(&mask));
    EXPECT_EQ(qevsim_model_supported(qevtest_fb_model()), mask);
    EXPECT_EQ(1, QEVGFX_Device_GetConnectState(&mask));
    EXPECT_EQ(unsigned(QEV_OUT_CRT | QEV_OUT_LCD | QEV_OUT_TV), mask);
    EXPECT_EQ(1, QEVGFX_Device_GetActiveState(&mask));
    EXPECT_EQ(unsigned(QEV_OUT_CRT | QEV_OUT_LCD), mask);

    // Read, set the flag and the mask, write back.
    ASSERT_EQ(1, QEVGFX_Device_SetActiveState(QEV_OUT_LCD));
    EXPECT_EQ(unsigned(QEV_OUT_LCD), qevsim_model_active(qevtest_fb_model()));
    EXPECT_EQ(1, QEVGFX_Device_GetActiveState(&mask));
    EXPECT_EQ(unsigned(QEV_OUT_LCD), mask);
    // A mask the driver refuses fails and changes nothing.
    EXPECT_EQ(0, QEVGFX_Device_SetActiveState(0x4000));
    EXPECT_EQ(unsigned(QEV_OUT_LCD), qevsim_model_active(qevtest_fb_model()));
    ASSERT_EQ(1, QEVGFX_Device_SetActiveState(QEV_OUT_CRT | QEV_OUT_LCD));

    int mode = 0;
    EXPECT_EQ(1, QEVGFX_Device_GetDisplayMode(&mode));
    EXPECT_EQ(QEV_DISPLAY_CLONE, mode);
    qevsim_model_set_layout(qevtest_fb_model(), 1, 0);
    EXPECT_EQ(1, QEVGFX_Device_GetDisplayMode(&mode));
    EXPECT_EQ(QEV_DISPLAY_SAMM, mode);
    qevsim_model_set_layout(qevtest_fb_model(), 0, 1);

    // Operations without a framebuffer form.
    int v = kSentinel;
    unsigned u = unsigned(kSentinel);
    RRModeEntry m{const_cast<char *>("1024x768"), 1024, 768, 60.0f};
    EXPECT_EQ(0, QEVGFX_Device_SetActiveState2(QEV_OUT_LCD, QEV_OUT_LCD, 0, &m, nullptr));
    EXPECT_EQ(0, QEVGFX_Device_GetSupportSAMMState(&v));
    EXPECT_EQ(0, QEVGFX_Device_GetPanningState(&v));
    EXPECT_EQ(0, QEVGFX_Device_GetPrimaryDevice(&u));
    EXPECT_EQ(kSentinel, v);
    EXPECT_EQ(unsigned(kSentinel), u);

    // Records passed through to the driver.
    ASSERT_EQ(1, QEVGFX_Device_SetVideoDevice(5));
    uint32_t video[4] = {};
    ASSERT_EQ(1, QEVGFX_Device_GetVideoDevice(video));
    EXPECT_EQ(5u, video[0]);
    uint32_t resolution[4] = {};
    ASSERT_EQ(1, QEVGFX_Device_GetFbResolutionInfo(resolution));
    EXPECT_GT(resolution[0], 0u);
    EXPECT_EQ(32u, resolution[2]);
}

TEST_F(Framebuffer, FailedRequestsLeaveOutputsAlone) {
    qevtest_fb_set_failing(1);
    int v[5] = {kSentinel, kSentinel, kSentinel, kSentinel, kSentinel};
    unsigned u = unsigned(kSentinel);
    char name[QEVGFX_DRIVER_NAME_SIZE] = "unchanged";
    EXPECT_EQ(0, QEVGFX_Info_GetDriverName(1, name));
    EXPECT_EQ(0, QEVGFX_Info_GetDriverVersion(1, v));
    EXPECT_EQ(0, QEVGFX_Info_GetChipID(v));
    EXPECT_EQ(0, QEVGFX_Info_GetTVChipID(v));
    EXPECT_EQ(0, QEVGFX_Info_GetTVChipOnSlot(v));
    EXPECT_EQ(0, QEVGFX_Info_GetVideoMemSize(v));
    EXPECT_EQ(0, QEVGFX_Device_GetSupportCaps(&u));
    EXPECT_EQ(0, QEVGFX_Device_GetConnectState(&u));
    EXPECT_EQ(0, QEVGFX_Device_GetActiveState(&u));
    EXPECT_EQ(0, QEVGFX_Device_SetActiveState(QEV_OUT_CRT));
    EXPECT_EQ(0, QEVGFX_Device_GetDisplayMode(v));
    EXPECT_EQ(0, QEVGFX_Device_SetVideoDevice(1));
    EXPECT_EQ(1, QEVGFX_DrvSync()); // its result is not looked at
    qevtest_fb_set_failing(0);
    EXPECT_STREQ("unchanged", name);
    for (int w : v)
        EXPECT_EQ(kSentinel, w);
    EXPECT_EQ(unsigned(kSentinel), u);
    EXPECT_EQ(unsigned(QEV_OUT_CRT | QEV_OUT_LCD), qevsim_model_active(qevtest_fb_model()));
}

// Runs last: closing ends the channel and closes the device once.
TEST_F(Framebuffer, ZCloseEndsTheChannel) {
    int closes = qevtest_fb_closes();
    QEVGFX_Close();
    EXPECT_EQ(closes + 1, qevtest_fb_closes());
    EXPECT_EQ(0, qevtest_fb_is_open());
    int id = kSentinel;
    EXPECT_EQ(0, QEVGFX_Info_GetChipID(&id));
    QEVGFX_SetType(2); // the descriptor is gone: still nothing
    EXPECT_EQ(0, QEVGFX_Info_GetChipID(&id));
    EXPECT_EQ(kSentinel, id);
    QEVGFX_Close();
    EXPECT_EQ(closes + 1, qevtest_fb_closes());
}

} // namespace
