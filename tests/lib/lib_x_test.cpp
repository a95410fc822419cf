// libqevgfx on the X channel without RandR: every operation goes through the
// QEVGFX_API extension of the simulated driver. Also a server that lacks the
// extension.
#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "qev/family.h"
#include "qev/outputs.h"
#include "qev/protocol.h"
#include "qevgfx.h"
#include "qevtest/qevtest.h"
#include "qevtest/session.h"

namespace {

constexpr int kSentinel = 0x5a5a5a5a;
// 32 characters: the driver sends them without a terminating zero.
constexpr char kLongDriverName[] = "qevsim_drv_name_of_32_bytes_long";
static_assert(sizeof kLongDriverName == QEV_DRIVER_NAME_BYTES + 1);

class XChannel : public qevtest::SessionTest<XChannel> {
  public:
    static qevtest::XServerOptions server_options() {
        qevtest::XServerOptions o;
        o.no_randr = true;
        o.profile = qevtest::write_profile("x.profile", std::string("driver.1.name=") + kLongDriverName +
                                                            "\nsupported=CRT,LCD,TV,DVI\nconnected=CRT,LCD\n"
                                                            "active=CRT,LCD\nprimary=LCD\n");
        return o;
    }
};

TEST_F(XChannel, OpensWithoutRandR) {
    int randr = 7;
    EXPECT_EQ(1, QEVGFX_IsRandR(&randr));
    EXPECT_EQ(0, randr);
    // After Xlib's own missing-extension warning.
    EXPECT_TRUE(open_error().ends_with("\nRandR extension missing\n")) << open_error();
    EXPECT_EQ("", open_output()); // a library leaves standard output to its caller
}

TEST_F(XChannel, AdapterInformation) {
    int v[5] = {0, 0, 0, 0, 0};
    EXPECT_EQ(1, QEVGFX_Info_GetChipID(v));
    EXPECT_EQ(QEV_CHIP_M400, v[0]);
    EXPECT_EQ(1, QEVGFX_Info_GetTVChipID(v));
    EXPECT_EQ(0x11, v[0]);
    EXPECT_EQ(1, QEVGFX_Info_GetVideoMemSize(v));
    EXPECT_EQ(256, v[0]);
    int bios[2] = {}, date[3] = {};
    EXPECT_EQ(1, QEVGFX_Info_GetBiosVersion(bios));
    EXPECT_EQ(1, bios[0]);
    EXPECT_EQ(10, bios[1]);
    EXPECT_EQ(1, QEVGFX_Info_GetBiosDate(date));
    EXPECT_EQ(2026, date[0]);
    EXPECT_EQ(3, date[1]);
    EXPECT_EQ(17, date[2]);
    int slot = kSentinel;
    EXPECT_EQ(0, QEVGFX_Info_GetTVChipOnSlot(&slot)); // framebuffer channel only
    EXPECT_EQ(kSentinel, slot);

    int version[5] = {kSentinel, kSentinel, kSentinel, kSentinel, kSentinel};
    EXPECT_EQ(1, QEVGFX_Info_GetDriverVersion(1, version));
    EXPECT_EQ(1, version[0]);
    EXPECT_EQ(4, version[1]);
    EXPECT_EQ(2, version[2]);
    EXPECT_EQ(17, version[3]);
    EXPECT_EQ(0, version[4]);
    int caps = 0;
    EXPECT_EQ(1, QEVGFX_Info_GetFunctionCaps(&caps));
    EXPECT_EQ(0x92, caps);
    EXPECT_EQ(1, QEVGFX_DrvSync());
    int major = 0, minor = 0;
    EXPECT_EQ(1, QEVGFX_Info_GetUtilityAPIVersion(&major, &minor));
    EXPECT_EQ(1, major);
    EXPECT_EQ(1, minor);
}

TEST_F(XChannel, DriverNameEndsWithinItsThirtyTwoBytes) {
    char name[QEVGFX_DRIVER_NAME_SIZE];
    std::memset(name, 'Z', sizeof name);
    ASSERT_EQ(1, QEVGFX_Info_GetDriverName(1, name));
    EXPECT_EQ(std::string(kLongDriverName, QEV_DRIVER_NAME_BYTES), std::string(name));
    // A component the driver does not know fails and leaves the buffer alone.
    std::strcpy(name, "unchanged");
    EXPECT_EQ(0, QEVGFX_Info_GetDriverName(9, name));
    EXPECT_STREQ("unchanged", name);
}

TEST_F(XChannel, CommandsCopyExactlyTheirOutputs) {
    int out[64];
    for (int &w : out)
        w = kSentinel;
    int component = 1;
    // The driver name copies eight words whatever count is given.
    ASSERT_EQ(1, InputCommand(18, 1, 1, &component, 1, out));
    EXPECT_EQ(0, std::memcmp(out, kLongDriverName, QEV_DRIVER_NAME_BYTES));
    EXPECT_EQ(kSentinel, out[8]);
    for (int &w : out)
        w = kSentinel;
    ASSERT_EQ(1, InputCommand(18, 1, 1, &component, 20, out));
    EXPECT_EQ(kSentinel, out[8]);
    // Any other command copies the words asked for and no more.
    for (int &w : out)
        w = kSentinel;
    ASSERT_EQ(1, InputCommand(17, 3, 0, nullptr, 2, out));
    EXPECT_EQ(2026, out[0]);
    EXPECT_EQ(3, out[1]);
    EXPECT_EQ(kSentinel, out[2]);
    // Status 0 (an unknown command) leaves the outputs untouched.
    for (int &w : out)
        w = kSentinel;
    EXPECT_EQ(0, InputCommand(99, 1, 0, nullptr, 4, out));
    EXPECT_EQ(0, InputCommand(19, 6, 0, nullptr, 4, out));
    for (int w : out)
        ASSERT_EQ(kSentinel, w);
    // Counts beyond the block are refused before anything is sent.
    EXPECT_EQ(0, InputCommand(17, 1, 257, out, 1, out));
    EXPECT_EQ(0, InputCommand(17, 1, 0, nullptr, 257, out));
    // The block itself: the status and all outputs come back.
    QevCommandBlock block;
    std::memset(&block, 0, sizeof block);
    block.group = 17;
    block.function = 1;
    block.output[5] = kSentinel;
    Display *d = XOpenDisplay(nullptr);
    ASSERT_NE(nullptr, d);
    EXPECT_NE(0, QEVGFXCommand(d, &block));
    EXPECT_EQ(QEV_CHIP_M400, block.output[0]);
    EXPECT_EQ(0, block.output[5]);
    XCloseDisplay(d); // drops the display from the extension record
    EXPECT_EQ(1, InputCommand(17, 1, 0, nullptr, 1, out));
}

TEST_F(XChannel, OutputDeviceState) {
    unsigned mask = 0;
    EXPECT_EQ(1, QEVGFX_Device_GetSupportCaps(&mask));
    EXPECT_EQ(unsigned(QEV_OUT_CRT | QEV_OUT_LCD | QEV_OUT_TV | QEV_OUT_DVI), mask);
    EXPECT_EQ(1, QEVGFX_Device_GetConnectState(&mask));
    EXPECT_EQ(unsigned(QEV_OUT_CRT | QEV_OUT_LCD), mask);
    EXPECT_EQ(1, QEVGFX_Device_GetActiveState(&mask));
    EXPECT_EQ(unsigned(QEV_OUT_CRT | QEV_OUT_LCD), mask);
    unsigned primary = 0;
    EXPECT_EQ(1, QEVGFX_Device_GetPrimaryDevice(&primary));
    EXPECT_EQ(unsigned(QEV_OUT_LCD), primary);
    int supported = -1;
    EXPECT_EQ(1, QEVGFX_Device_GetSupportSAMMState(&supported));
    int panning = -1;
    EXPECT_EQ(1, QEVGFX_Device_GetPanningState(&panning));

    // Switching goes through command 19/4 and reads back.
    ASSERT_EQ(1, QEVGFX_Device_SetActiveState(QEV_OUT_LCD));
    EXPECT_EQ(1, QEVGFX_Device_GetActiveState(&mask));
    EXPECT_EQ(unsigned(QEV_OUT_LCD), mask);
    int mode = 0;
    EXPECT_EQ(1, QEVGFX_Device_GetDisplayMode(&mode));
    EXPECT_EQ(QEV_DISPLAY_SINGLE, mode);
    RRModeEntry m{const_cast<char *>("1024x768"), 1024, 768, 60.0f};
    ASSERT_EQ(1, QEVGFX_Device_SetActiveState2(QEV_OUT_CRT | QEV_OUT_LCD, QEV_OUT_CRT, QEV_OUT_LCD, &m, &m));
    EXPECT_EQ(1, QEVGFX_Device_GetActiveState(&mask));
    EXPECT_EQ(unsigned(QEV_OUT_CRT | QEV_OUT_LCD), mask);
    EXPECT_EQ(1, QEVGFX_Device_GetDisplayMode(&mode));
    EXPECT_TRUE(mode == QEV_DISPLAY_CLONE || mode == QEV_DISPLAY_SAMM) << mode;

    // No-ops on the X channel; the framebuffer record has no X form.
    unsigned char record[64] = {};
    EXPECT_EQ(1, QEVGFX_Device_SetVideoDevice(1));
    EXPECT_EQ(1, QEVGFX_Device_GetVideoDevice(record));
    EXPECT_EQ(0, QEVGFX_Device_GetFbResolutionInfo(record));
}

TEST_F(XChannel, SessionCalls) {
    EXPECT_EQ(1, QEVGFX_SaveCurrentSetting(1));
    EXPECT_EQ(1, QEVGFX_SaveCurrentSetting(0));
    EXPECT_EQ(0, QEVGFX_SaveCurrentSetting(2));
    // SetType(3) keeps the X channel.
    QEVGFX_SetType(3);
    int id = 0;
    EXPECT_EQ(1, QEVGFX_Info_GetChipID(&id));
    // Forcing the framebuffer channel without a device fails every request.
    QEVGFX_SetType(2);
    EXPECT_EQ(0, QEVGFX_Info_GetChipID(&id));
    QEVGFX_SetType(1);
    EXPECT_EQ(1, QEVGFX_Info_GetChipID(&id));
}

// A server whose driver has no QEVGFX_API: each command prints Xlib's
// missing-extension warning and fails; the connection stays usable.
class MissingExtension : public qevtest::XServerTest<MissingExtension> {
  public:
    static qevtest::XServerOptions server_options() {
        qevtest::XServerOptions o;
        o.driver = "dummy";
        return o;
    }
};

TEST_F(MissingExtension, CommandsFailWithTheWarning) {
    Display *d = XOpenDisplay(nullptr);
    ASSERT_NE(nullptr, d);
    for (int i = 0; i < 2; ++i) {
        QevCommandBlock block;
        std::memset(&block, 0, sizeof block);
        block.group = 17;
        block.function = 1;
        block.status = kSentinel;
        testing::internal::CaptureStderr();
        EXPECT_EQ(0, QEVGFXCommand(d, &block));
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_NE(std::string::npos, err.find("QEVGFX_API")) << err;
        EXPECT_NE(std::string::npos, err.find("missing")) << err;
        EXPECT_EQ(kSentinel, block.status);
    }
    XSync(d, False);
    EXPECT_GT(ScreenCount(d), 0);
    XCloseDisplay(d);
}

} // namespace
