// libqevgfx with neither an X display nor a framebuffer device, and the parts
// of the library that need no server: exports, the C header, output names and
// the xrandr argument vectors of property writes.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "qevgfx.h"
#include "xrandr_recorder.h"

extern "C" int qevtest_c_header_check(void);

using qevtest::Argv;

namespace {

constexpr int kSentinel = 0x5a5a5a5a;

// Calls every query of the library with outputs preset to kSentinel and
// expects each to fail and leave them alone.
void ExpectEveryOperationFails() {
    int v[5] = {kSentinel, kSentinel, kSentinel, kSentinel, kSentinel};
    unsigned u = unsigned(kSentinel);
    char name[QEVGFX_DRIVER_NAME_SIZE] = "unchanged";
    unsigned char record[128] = {};

    EXPECT_EQ(0, QEVGFX_Info_GetDriverName(1, name));
    EXPECT_STREQ("unchanged", name);
    EXPECT_EQ(0, QEVGFX_Info_GetDriverVersion(1, v));
    EXPECT_EQ(0, QEVGFX_Info_GetFunctionCaps(v));
    EXPECT_EQ(0, QEVGFX_Info_GetChipID(v));
    EXPECT_EQ(0, QEVGFX_Info_GetTVChipID(v));
    EXPECT_EQ(0, QEVGFX_Info_GetTVChipOnSlot(v));
    EXPECT_EQ(0, QEVGFX_Info_GetBiosVersion(v));
    EXPECT_EQ(0, QEVGFX_Info_GetBiosDate(v));
    EXPECT_EQ(0, QEVGFX_Info_GetVideoMemSize(v));
    EXPECT_EQ(0, QEVGFX_DrvSync());
    EXPECT_EQ(0, QEVGFX_Device_GetSupportCaps(&u));
    EXPECT_EQ(0, QEVGFX_Device_GetConnectState(&u));
    EXPECT_EQ(0, QEVGFX_Device_GetActiveState(&u));
    EXPECT_EQ(0, QEVGFX_Device_SetActiveState(0x3));
    EXPECT_EQ(0, QEVGFX_Device_SetActiveState2(0x3, 0x1, 0x2, nullptr, nullptr));
    EXPECT_EQ(0, QEVGFX_Device_GetSupportSAMMState(v));
    EXPECT_EQ(0, QEVGFX_Device_GetDisplayMode(v));
    EXPECT_EQ(0, QEVGFX_Device_GetPanningState(v));
    EXPECT_EQ(0, QEVGFX_Device_GetPrimaryDevice(&u));
    EXPECT_EQ(0, QEVGFX_Device_GetRandRPrimary(&u));
    EXPECT_EQ(0, QEVGFX_Device_SetRandRPrimary(0x1));
    EXPECT_EQ(0, QEVGFX_Device_SetVideoDevice(1));
    EXPECT_EQ(0, QEVGFX_Device_GetVideoDevice(record));
    EXPECT_EQ(0, QEVGFX_Device_GetFbResolutionInfo(record));
    EXPECT_EQ(0, QEVGFX_SaveCurrentSetting(1));
    EXPECT_EQ(0, QEVGFX_SaveCurrentSetting(0));
    EXPECT_EQ(0, InputCommand(17, 1, 0, nullptr, 1, v));
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(kSentinel, v[i]) << "word " << i;
    EXPECT_EQ(unsigned(kSentinel), u);
}

} // namespace

TEST(NoChannel, SessionWithoutDisplayOrDeviceFailsEveryOperation) {
    int major = 0, minor = 0;
    ASSERT_EQ(1, QEVGFX_Info_GetUtilityAPIVersion(&major, &minor)); // before the session
    EXPECT_EQ(1, major);
    EXPECT_EQ(1, minor);

    ASSERT_EQ(nullptr, std::getenv("DISPLAY"));
    QEVGFX_Open();
    int randr = 7;
    EXPECT_EQ(1, QEVGFX_IsRandR(&randr));
    EXPECT_EQ(0, randr);
    ExpectEveryOperationFails();

    // Forcing a channel that has nothing behind it fails the same way
    // instead of using a missing display or descriptor.
    QEVGFX_SetType(1);
    ExpectEveryOperationFails();
    QEVGFX_SetType(2);
    ExpectEveryOperationFails();
    QEVGFX_SetType(3);
    ExpectEveryOperationFails();

    QEVGFX_Close();
    ExpectEveryOperationFails();
    major = minor = 0;
    EXPECT_EQ(1, QEVGFX_Info_GetUtilityAPIVersion(&major, &minor)); // after the session
    EXPECT_EQ(1, major);
    EXPECT_EQ(1, minor);
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

TEST(RandRLayer, OutputNamesMapToTheirBits) {
    const std::pair<const char *, unsigned> rows[] = {
        {"CRT", 0x1},    {"LCD", 0x2},     {"TV", 0x4},     {"DVI", 0x8},  {"HDMI", 0x10},  {"CRT-2", 0x20},
        {"LCD-2", 0x80}, {"DVI-2", 0x100}, {"TV-2", 0x200}, {"DP", 0x800}, {"DP-2", 0x1000}};
    for (auto [name, bit] : rows)
        EXPECT_EQ(bit, rrDeviceMapping(name)) << name;
    for (const char *name : {"HDTV", "HDTV-2", "tv", "CRT ", "VGA-1", ""})
        EXPECT_EQ(0u, rrDeviceMapping(name)) << name;
    EXPECT_EQ(0u, rrDeviceMapping(nullptr));
    EXPECT_EQ(0u, rrDeviceMapping(std::string(4096, 'C').c_str()));
}

TEST(RandRLayer, UnknownModeGivesAnOwnedEmptyEntry) {
    RRModeEntry e{nullptr, 9, 9, 9.0f};
    EXPECT_EQ(0, rrFindMode(&e, 42));
    ASSERT_NE(nullptr, e.name);
    EXPECT_STREQ("", e.name);
    EXPECT_EQ(0u, e.width);
    EXPECT_EQ(0u, e.height);
    EXPECT_EQ(0.0f, e.refresh);
    std::free(e.name);
    int count = 5;
    EXPECT_EQ(nullptr, rrGetDevSupportMode(0x2, &count));
    EXPECT_EQ(0, count);
}

TEST(RandRLayer, PropertyWritesRunTheirXrandrArguments) {
    qevtest::XrandrRecorder xrandr;
    struct Row {
        unsigned output;
        int kind;
        unsigned item, value;
        Argv args;
    };
    const Row rows[] = {
        {0x4, 23, 0, 0x2, {"--output", "TV", "--set", "Type", "PAL"}},
        {0x40, 23, 0, 0x40, {"--output", "TV", "--set", "Type", "1080P"}}, // HDTV addresses TV
        {0x400, 23, 0, 0x20, {"--output", "TV-2", "--set", "Type", "1080I"}},
        {0x4, 23, 0, 0x3, {"--output", "TV"}}, // two bits: the bare line
        {0x200, 26, 0, 0x8, {"--output", "TV-2", "--set", "Signal", "YCbCr"}},
        {0x4, 26, 0, 0x1, {"--output", "TV", "--set", "Signal", "Composite"}},
        {0x4, 29, 0, (20u << 16) | 10u, {"--output", "TV", "--set", "ScaleH", "10", "--set", "ScaleV", "20"}},
        {0x4, 32, 0, (65535u << 16) | 0u, {"--output", "TV", "--set", "PosH", "0", "--set", "PosV", "65535"}},
        {0x2, 1, 0, 0, {"--output", "LCD", "--set", "Feature", "Expand"}},
        {0x80, 1, 0, 1, {"--output", "LCD-2", "--set", "Feature", "Center"}},
        {0x4, 36, 1, 1, {"--output", "TV", "--set", "FFilter", "AFFON"}},
        {0x4, 36, 1, 3, {"--output", "TV", "--set", "FFilter", "FFON"}},
        {0x4, 36, 1, 0, {"--output", "TV", "--set", "FFilter", "ALLOFF"}},
        {0x4, 36, 1, 2, {"--output", "TV"}},
        {0x4, 36, 2, 7, {"--output", "TV", "--set", "AFFilterValue", "7"}},
        {0x4, 36, 4, unsigned(-5), {"--output", "TV", "--set", "Brightness", "-5"}},
        {0x4, 36, 8, 100, {"--output", "TV", "--set", "Contrast", "100"}},
        {0x4, 36, 16, 3, {"--output", "TV", "--set", "Saturation", "3"}},
        {0x4, 36, 32, 4, {"--output", "TV", "--set", "Tint", "4"}},
        {0x4, 36, 64, 4, {"--output", "TV"}},
        {0x4, 39, 1, 1, {"--output", "TV", "--set", "FFilter", "FFON"}},
        {0x4, 39, 2, 1, {"--output", "TV", "--set", "FFilter", "AFFON"}},
        {0x4, 39, 2, 0, {"--output", "TV", "--set", "FFilter", "ALLOFF"}},
        {0x4, 39, 4, 1, {"--output", "TV", "--set", "DotCrawl", "On"}},
        {0x4, 39, 4, 0, {"--output", "TV", "--set", "DotCrawl", "Off"}},
    };
    for (const Row &r : rows) {
        xrandr.clear();
        rrSetOutputProperties(r.output, r.kind, r.item, r.value);
        auto calls = xrandr.calls();
        ASSERT_EQ(1u, calls.size()) << "kind " << r.kind << " value " << r.value;
        EXPECT_EQ(r.args, calls[0]) << "kind " << r.kind << " item " << r.item << " value " << r.value;
    }

    xrandr.clear();
    testing::internal::CaptureStderr();
    rrSetOutputProperties(0x2, 1, 0, 2);
    EXPECT_EQ("Set expansion:wrong value\n", testing::internal::GetCapturedStderr());
    EXPECT_EQ(std::vector<Argv>{Argv({"--output", "LCD"})}, xrandr.calls());

    // A value that names no output runs nothing.
    xrandr.clear();
    rrSetOutputProperties(0x3, 23, 0, 1);
    rrSetOutputProperties(0, 23, 0, 1);
    EXPECT_TRUE(xrandr.calls().empty());
}
