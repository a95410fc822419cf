// libqevgfx on the framebuffer channel, with "/dev/fb0" served by the adapter
// model inside this process (tests/support/fb_fake.c) so that tests can reach driver
// answers a profile cannot give: unknown chip indices, a module name without
// terminator, failing requests. The ordinary route runs through the
// simulator's stand-in in lib_fb_standin_test.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "fb_fake.h"
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

TEST_F(Framebuffer, ChipIndexTable) {
    int id = 0;
    ASSERT_EQ(1, QEVGFX_Info_GetChipID(&id));
    EXPECT_EQ(QEV_CHIP_M400, id);
    const std::pair<const char *, int> rows[] = {
        {"1", QEV_CHIP_A100}, {"6", QEV_CHIP_A220}, {"8", QEV_CHIP_M300}, {"12", QEV_CHIP_M500}};
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

TEST_F(Framebuffer, DeviceStateWrites) {
    // A mask the driver refuses fails and changes nothing.
    EXPECT_EQ(0, QEVGFX_Device_SetActiveState(0x4000));
    EXPECT_EQ(unsigned(QEV_OUT_CRT | QEV_OUT_LCD), qevsim_model_active(qevtest_fb_model()));
    // The multi-screen flag of the device state decides the display mode.
    int mode = 0;
    qevsim_model_set_layout(qevtest_fb_model(), 1, 0);
    EXPECT_EQ(1, QEVGFX_Device_GetDisplayMode(&mode));
    EXPECT_EQ(QEV_DISPLAY_SAMM, mode);
    qevsim_model_set_layout(qevtest_fb_model(), 0, 1);
    EXPECT_EQ(1, QEVGFX_Device_GetDisplayMode(&mode));
    EXPECT_EQ(QEV_DISPLAY_CLONE, mode);
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
