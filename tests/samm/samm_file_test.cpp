// The multi-screen file route without an X server: the rewrite of
// /etc/X11/xorg.conf (the sandbox's scratch copy) with the working and
// backup copies in HOME, the layout read back from the file, the
// device-option editors and the Xinerama query.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "qev/family.h"
#include "qev/outputs.h"
#include "qevgfx.h"
#include "samm_test_util.h"

namespace {

using namespace sammtest;
namespace ss = qev::samm;

int Count(const std::string &text, const std::string &what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

class FileRoute : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetGlobals();
        ::unlink(WorkingCopy().c_str());
        ::unlink(Backup().c_str());
        ::unlink("/etc/X11/XF86Config");
    }
    static void Write(const std::string &text) { ASSERT_TRUE(qevtest::write_file(kConfigPath, text)); }
    static int Enable(int primary, int secondary, int position, const ss::DeviceFacts &f = PlainChip()) {
        return ss::FileRouteEnable(primary, secondary, position, f);
    }
    static int Disable() { return ss::FileRouteDisable(PlainChip()); }
};

TEST_F(FileRoute, EnableAndDisableTheExampleConfiguration) {
    Write(kExample);
    ASSERT_EQ(1, Enable(QEV_OUT_CRT, QEV_OUT_LCD, 0));
    EXPECT_EQ(kEnabled, ReadConfig());
    EXPECT_EQ(kExample, qevtest::read_file(Backup()).value_or("")) << "backup holds the file as it was";
    EXPECT_FALSE(qevtest::file_exists(WorkingCopy()));
    EXPECT_EQ(QEV_OUT_CRT, g_ScreenData.nPrimaryDevice);
    EXPECT_EQ(QEV_OUT_LCD, g_ScreenData.nSecondaryDevice);

    ASSERT_EQ(1, Disable());
    EXPECT_EQ(kDisabled, ReadConfig());
    EXPECT_EQ(kEnabled, qevtest::read_file(Backup()).value_or(""));
    EXPECT_FALSE(qevtest::file_exists(WorkingCopy()));
}

std::string WithDeviceLines(const std::string &lines) {
    std::string conf = kExample;
    conf.replace(conf.find("\tIdentifier \"Card0\"\n"), 20, "\tIdentifier \"Card0\"\n" + lines);
    return conf;
}

ss::DeviceFacts TvFacts() {
    ss::DeviceFacts f = PlainChip();
    f.hdtvStandard = QEV_TVSTD_720P;
    f.hdtvSignal = QEV_TVSIG_YCBCR;
    f.tvStandard = QEV_TVSTD_PAL;
    f.tvSignal = QEV_TVSIG_SVIDEO;
    return f;
}

// Enables of many shapes: each row's enables succeed in turn, and the texts
// then occur in the file the given number of times.
TEST_F(FileRoute, EnableTable) {
    std::string xineramaOff = kExample;
    xineramaOff.replace(xineramaOff.find("\tScreen \"Screen0\"\n"), 18,
                        "\tScreen \"Screen0\"\n\tOption \"Xinerama\" \"off\"\n");
    std::string xineramaLayout = kExample;
    xineramaLayout.replace(xineramaLayout.find("\"Layout0\""), 9, "\"Xinerama Layout\"");
    ss::DeviceFacts a110;
    a110.chipId = QEV_CHIP_A110;
    struct Step {
        int primary, secondary, position;
    };
    const struct {
        const char *name;
        std::string conf;
        std::vector<Step> enables;
        ss::DeviceFacts facts;
        std::vector<std::pair<std::string, int>> counts;
    } rows[] = {
        {"enabling again rewrites the placement in place; the secondary sections are reused",
         kExample,
         {{QEV_OUT_CRT, QEV_OUT_LCD, 0}, {QEV_OUT_LCD, QEV_OUT_CRT, 2}},
         PlainChip(),
         {{"\tScreen \"Screen0-scrn2\" Above \"Screen0\"\n", 1}, {"RightOf", 0}, {"scrn3", 0},
          {"Identifier \"Screen0-scrn2\"", 1}, {"Identifier \"Card0-scrn2\"", 1}, {"Identifier \"Monitor0-scrn2\"", 1},
          {"Xinerama", 1}, {"\"ActiveDevice\"\t\"LCD, CRT\"", 2}, {"BusID", 2}}},
        {"fresh names skip sections that exist",
         kExample + "\nSection \"Screen\"\n\tIdentifier \"Screen0-scrn2\"\n\tDevice \"Card0\"\n"
                    "\tMonitor \"Monitor0\"\nEndSection\n\n"
                    "Section \"Device\"\n\tIdentifier \"CARD0-SCRN2\"\nEndSection\n",
         {{QEV_OUT_CRT, QEV_OUT_LCD, 3}},
         PlainChip(),
         {{"\tScreen\t\"Screen0-scrn3\" Below \"Screen0\"\n", 1}, {"Identifier \"Card0-scrn3\"", 1},
          {"Identifier \"Screen0-scrn3\"\n\tDevice \"Card0-scrn3\"\n\tMonitor \"Monitor0-scrn2\"\n", 1}}},
        {"a Xinerama option with a second word is made bare",
         xineramaOff,
         {{QEV_OUT_CRT, QEV_OUT_LCD, 0}},
         PlainChip(),
         {{"Xinerama", 1}, {"\tOption \"Xinerama\"\nEndSection", 1}}},
        {"a layout named after Xinerama keeps its identifier",
         xineramaLayout,
         {{QEV_OUT_CRT, QEV_OUT_LCD, 0}},
         PlainChip(),
         {{"\tIdentifier \"Xinerama Layout\"\n", 1}, {"\tOption \"Xinerama\"\n", 1}}},
        {"HDTV primary names its standard and signal",
         kExample,
         {{QEV_OUT_HDTV, QEV_OUT_LCD, 0}},
         TvFacts(),
         {{"\tOption \"ActiveDevice\"\t\"TV, LCD\"\n", 2}, {"\tOption \"TVType\"\t\"720P\"\n", 2},
          {"\tOption \"TVOutput\"\t\"YCbCr\"\n", 2}}},
        {"enabling again sets the TV lines in place; a secondary TV output takes precedence",
         kExample,
         {{QEV_OUT_HDTV, QEV_OUT_LCD, 0}, {QEV_OUT_HDTV, QEV_OUT_TV, 0}},
         TvFacts(),
         {{"\tOption \"ActiveDevice\"\t\"TV, TV\"\n", 2}, {"\tOption \"TVType\"\t\"PAL\"\n", 2},
          {"\tOption \"TVOutput\"\t\"S-Video\"\n", 2}, {"TVType", 2}}},
        {"a primary TV output names no standard",
         kExample,
         {{QEV_OUT_TV, QEV_OUT_CRT, 0}},
         TvFacts(),
         {{"\"TV, CRT\"", 2}, {"TVType", 0}, {"TVOutput", 0}}},
        {"the bus address depends on the chip",
         kExample,
         {{QEV_OUT_CRT, QEV_OUT_LCD, 0}},
         a110,
         {{"\tBusID \"PCI:0:1:0\"\n", 2}, {"PCI:1:0:0", 0}}},
        {"every byte value survives",
         kExample + "# \xff\xfe\x01 kept\n",
         {{QEV_OUT_CRT, QEV_OUT_LCD, 0}},
         PlainChip(),
         {{"# \xff\xfe\x01 kept\n", 1}}},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.name);
        ResetGlobals();
        Write(r.conf);
        for (const Step &e : r.enables)
            ASSERT_EQ(1, Enable(e.primary, e.secondary, e.position, r.facts));
        const std::string now = ReadConfig();
        for (const auto &[text, n] : r.counts)
            EXPECT_EQ(n, Count(now, text)) << text << " in\n" << now;
        if (r.enables.size() == 1) {
            EXPECT_EQ(r.conf, qevtest::read_file(Backup()).value_or("")) << "backup holds the file as it was";
        }
    }
}

// The Screen section names no Device, so the second screen cannot be made;
// the layout the enable would have added is not written either.
TEST_F(FileRoute, AFailedEnableLeavesTheFileAsItWas) {
    const std::string conf = "Section \"Monitor\"\n\tIdentifier \"M\"\nEndSection\n\n"
                             "Section \"Screen\"\n\tIdentifier \"S\"\n\tMonitor \"M\"\nEndSection\n";
    Write(conf);
    EXPECT_EQ(0, Enable(QEV_OUT_CRT, QEV_OUT_LCD, 0));
    EXPECT_EQ(conf, ReadConfig());
    EXPECT_EQ(conf, qevtest::read_file(Backup()).value_or(""));
    EXPECT_FALSE(qevtest::file_exists(WorkingCopy()));
    // Only a bare Xinerama option is removed: a disable fails and leaves the file.
    std::string enabled = kEnabled;
    enabled.replace(enabled.find("\tOption \"Xinerama\"\n"), 19, "\tOption \"Xinerama\" \"on\"\n");
    Write(enabled);
    EXPECT_EQ(0, Disable());
    EXPECT_EQ(enabled, ReadConfig());
    EXPECT_FALSE(qevtest::file_exists(WorkingCopy()));
    // A missing configuration.
    ::unlink(kConfigPath.c_str());
    EXPECT_EQ(0, Enable(QEV_OUT_CRT, QEV_OUT_LCD, 0));
    EXPECT_FALSE(qevtest::file_exists(kConfigPath));
    EXPECT_FALSE(qevtest::file_exists(WorkingCopy()));
}

TEST_F(FileRoute, MissingMonitorIsAddedToThePrimaryScreen) {
    Write("Section \"Device\"\n\tIdentifier \"D\"\nEndSection\n\n"
          "Section \"Screen\"\n\tIdentifier \"Other\"\n\tDevice \"D\"\nEndSection\n\n"
          "Section \"Screen\"\n\tIdentifier \"S\"\n\tDevice \"D\"\nEndSection\n\n"
          "Section \"ServerLayout\"\n\tIdentifier \"L\"\n\tScreen 0 \"S\" 0 0\nEndSection\n");
    // A layout query of an earlier configuration leaves its screen behind;
    // the Monitor line still goes to this layout's primary screen.
    g_XConfigData.chScreenID = "Other";
    ASSERT_EQ(1, Enable(QEV_OUT_CRT, QEV_OUT_DVI, 1));
    const std::string now = ReadConfig();
    for (const auto &[text, n] :
         std::vector<std::pair<std::string, int>>{
             {"Section \"Screen\"\n\tIdentifier \"S\"\n\tDevice \"D\"\n\tMonitor\t\"Unknown Monitor\"\n", 1},
             {"Section \"Monitor\"\n\tIdentifier \"Unknown Monitor\"\nEndSection\n", 1},
             {"Identifier \"Unknown Monitor-scrn2\"", 1},
             {"\tScreen\t\"S-scrn2\" LeftOf \"S\"\n", 1},
             {"Monitor\t\"Unknown Monitor\"", 1}})
        EXPECT_EQ(n, Count(now, text)) << text << " in\n" << now;
}

TEST_F(FileRoute, BusIdAndScreenLinesOfTheUserStay) {
    // Without a layout of the library's, disable removes only the clone option.
    Write(WithDeviceLines("\tBusID \"PCI:2:0:0\"\n\tScreen 0\n\tOption \"TVType\"\t\"PAL\"\n\tOption \"Gemel\"\n"));
    ASSERT_EQ(1, Disable());
    const std::string card = "\nSection \"Device\"\n\tIdentifier \"Card0\"\n\tBusID \"PCI:2:0:0\"\n\tScreen 0\n"
                             "\tOption \"TVType\"\t\"PAL\"\nEndSection\n";
    std::string now = ReadConfig();
    EXPECT_EQ(card, now.substr(0, now.find("\n\nSection \"Monitor\"") + 1)) << now;

    // Both heads keep a bus address that is there; disable then removes only
    // the address the enable writes for this chip, and the screen number.
    for (const std::string address : {"PCI:2:0:0", "PCI:0:1:0", "PCI:1:0:0"}) {
        SCOPED_TRACE(address);
        Write(WithDeviceLines("\tBusID \"" + address + "\"\n\tScreen 0\n"));
        ASSERT_EQ(1, Enable(QEV_OUT_CRT, QEV_OUT_LCD, 0));
        now = ReadConfig();
        EXPECT_EQ(2, Count(now, "\tBusID \"" + address + "\"\n")) << now;
        EXPECT_EQ(2, Count(now, "BusID"));
        EXPECT_EQ(1, Count(now, "\tScreen 1\n"));
        ASSERT_EQ(1, Disable());
        now = ReadConfig();
        EXPECT_EQ(address == "PCI:1:0:0" ? 0 : 1, Count(now, "\tBusID \"" + address + "\"\n")) << now;
        EXPECT_EQ(0, Count(now, "\tScreen 0\n"));
    }
}

TEST_F(FileRoute, HomeUnsetOrLong) {
    const std::string home = std::getenv("HOME");
    Write(kExample);
    unsetenv("HOME");
    EXPECT_EQ(0, Enable(QEV_OUT_CRT, QEV_OUT_LCD, 0));
    EXPECT_EQ(0, Disable());
    int layout[3] = {0, 0, 0};
    EXPECT_EQ(0, ss::FileRouteLayout(layout, QEV_OUT_CRT | QEV_OUT_LCD));
    setenv("HOME", "", 1);
    EXPECT_EQ(0, Enable(QEV_OUT_CRT, QEV_OUT_LCD, 0));
    EXPECT_EQ(kExample, ReadConfig());

    // Far beyond the 256 characters of a fixed buffer.
    std::string longHome = home;
    for (int i = 0; i < 6; ++i) {
        longHome += "/" + std::string(60, char('a' + i));
        ASSERT_EQ(0, ::mkdir(longHome.c_str(), 0700));
    }
    setenv("HOME", longHome.c_str(), 1);
    EXPECT_EQ(1, Enable(QEV_OUT_CRT, QEV_OUT_LCD, 0));
    EXPECT_EQ(kEnabled, ReadConfig());
    EXPECT_EQ(kExample, qevtest::read_file(longHome + "/Z7UT_xorg.conf_BK").value_or(""));
    setenv("HOME", home.c_str(), 1);
    qevtest::remove_tree(home + "/" + std::string(60, 'a'));
}

TEST_F(FileRoute, LayoutQueryThenEnableAndDisableInOneProcess) {
    Write(kEnabled);
    int layout[3] = {0, 0, 7};
    ASSERT_EQ(1, ss::FileRouteLayout(layout, QEV_OUT_CRT | QEV_OUT_LCD));
    EXPECT_EQ((std::vector<int>{QEV_OUT_CRT, QEV_OUT_LCD, 0}), std::vector<int>(layout, layout + 3));
    EXPECT_EQ(1, g_IsScreenDataInit);
    EXPECT_TRUE(qevtest::file_exists(WorkingCopy())) << "the working copy stays for the next edit";

    // The enable uses the query's working copy, the later ones make their own.
    ASSERT_EQ(1, Enable(QEV_OUT_CRT, QEV_OUT_LCD, 1));
    EXPECT_NE(std::string::npos, ReadConfig().find("\"Screen0-scrn2\" LeftOf \"Screen0\""));
    EXPECT_FALSE(qevtest::file_exists(WorkingCopy()));
    ASSERT_EQ(1, Enable(QEV_OUT_CRT, QEV_OUT_LCD, 2));
    EXPECT_NE(std::string::npos, ReadConfig().find("\"Screen0-scrn2\" Above \"Screen0\""));
    ASSERT_EQ(1, Disable());
    EXPECT_EQ(kDisabled, ReadConfig());
}

TEST_F(FileRoute, LayoutReadBackFromTheFile) {
    const struct {
        const char *activeDevice;
        unsigned active;
        int primary, secondary;
    } cases[] = {
        {"lcd,crt", QEV_OUT_CRT | QEV_OUT_LCD, QEV_OUT_LCD, QEV_OUT_CRT},
        {"TV, LCD", QEV_OUT_TV | QEV_OUT_LCD, QEV_OUT_TV, QEV_OUT_LCD},
        {"TV, LCD", QEV_OUT_HDTV | QEV_OUT_LCD, QEV_OUT_HDTV, QEV_OUT_LCD},
        {"TV, LCD", QEV_OUT_LCD, 9, QEV_OUT_LCD}, // no TV output active: that side stays
        {"DFP, TV", QEV_OUT_DVI | QEV_OUT_TV, QEV_OUT_DVI, QEV_OUT_TV},
        {"CRT2, CRT", 0, QEV_OUT_CRT, QEV_OUT_CRT2},
        {"LCD, LCD", QEV_OUT_LCD, 9, 9}, // no row: nothing changes
    };
    for (const auto &c : cases) {
        std::string conf = kEnabled;
        conf.replace(conf.find("CRT, LCD"), 8, c.activeDevice);
        ScreenData layout{9, 9, 9};
        ss::DetectDeviceOrderOnSAMM(conf, layout, c.active);
        EXPECT_EQ(std::pair(c.primary, c.secondary), std::pair(layout.nPrimaryDevice, layout.nSecondaryDevice))
            << c.activeDevice;
    }
    const std::pair<const char *, int> positions[] = {
        {"\"S2\" RightOf \"S\"", 0}, {"\"S2\" leftof \"S\"", 1}, {"\"S2\" Above \"S\"", 2},
        {"\"S2\" Below \"S\"", 3},   {"\"S2\" Absolute 0 0", 0}, {"\"S2\" 0 0", 0}};
    for (auto [screenLine, position] : positions) {
        ScreenData layout{0, 0, 9};
        ss::GetScrn2ToScrn1Pos("Section \"ServerLayout\"\n\tIdentifier \"L\"\n\tScreen \"S\"\n\tScreen " +
                                   std::string(screenLine) + "\nEndSection\n",
                               layout);
        EXPECT_EQ(position, layout.nPosition) << screenLine;
    }
}

class DeviceOptions : public FileRoute {};

const std::string kDevices = "Section \"Device\"\n\tIdentifier \"First\"\n\tOption\t\"RotateType\"\t\"HW\"\n"
                             "\tOption\t\"Rotate\"\t\"CW\"\nEndSection\n\n"
                             "Section \"Device\"\n\tIdentifier \"Second\"\n\tOption \"Rotate\" \"UD\"\nEndSection\n";

TEST_F(DeviceOptions, EditTheFirstDeviceSection) {
    Write(kDevices);
    // "Rotate" first matches the RotateType line.
    ASSERT_EQ(1, DeleteDeviceOption("Rotate"));
    std::string now = ReadConfig();
    EXPECT_EQ(0, Count(now, "RotateType"));
    EXPECT_EQ(1, Count(now, "\"CW\""));
    ASSERT_EQ(1, DeleteDeviceOption("Rotate"));
    ASSERT_EQ(1, DeleteDeviceOption("Rotate")) << "nothing left to delete";
    now = ReadConfig();
    EXPECT_EQ("\nSection \"Device\"\n\tIdentifier \"First\"\nEndSection\n\n"
              "Section \"Device\"\n\tIdentifier \"Second\"\n\tOption \"Rotate\" \"UD\"\nEndSection\n",
              now);
    ASSERT_EQ(1, InsertNewDeviceOption("RotateType", "SW"));
    ASSERT_EQ(1, InsertNewDeviceOption("Rotate", "CCW"));
    EXPECT_NE(
        std::string::npos,
        ReadConfig().find("\"First\"\n\tOption\t\"RotateType\"\t\"SW\"\n\tOption\t\"Rotate\"\t\"CCW\"\nEndSection"));
}

TEST_F(DeviceOptions, XF86ConfigComesFirst) {
    Write(kDevices);
    ASSERT_TRUE(qevtest::write_file("/etc/X11/XF86Config", "Section \"Device\"\n\tIdentifier \"Old\"\nEndSection\n"));
    ASSERT_EQ(1, InsertNewDeviceOption("Rotate", "UD"));
    EXPECT_EQ("Section \"Device\"\n\tIdentifier \"Old\"\n\tOption\t\"Rotate\"\t\"UD\"\nEndSection\n",
              qevtest::read_file("/etc/X11/XF86Config").value_or(""));
    EXPECT_EQ(kDevices, ReadConfig());
    ::unlink("/etc/X11/XF86Config");
    ::unlink(kConfigPath.c_str());
    EXPECT_EQ(0, InsertNewDeviceOption("Rotate", "UD"));
    EXPECT_EQ(0, DeleteDeviceOption("Rotate"));
    EXPECT_EQ(0, IsXineramaExist());
    Write("Section \"Monitor\"\n\tIdentifier \"M\"\nEndSection\n");
    EXPECT_EQ(0, InsertNewDeviceOption("Rotate", "UD")) << "no Device section";
}

TEST_F(DeviceOptions, XineramaQuery) {
    const std::pair<const char *, int> cases[] = {{"Option \"Xinerama\"", 1},  {"Option \"Xinerama\" \"on\"", 1},
                                                  {"Option \"Xinerama\" \"OFF\"", 0}, {"Option \"Clone\"", 0},
                                                  {"Option \"Xinerama\" # off", 1}};
    for (auto [option, expected] : cases) {
        Write("Section \"ServerLayout\"\n\tIdentifier \"L\"\n\t" + std::string(option) + "\nEndSection\n");
        EXPECT_EQ(expected, IsXineramaExist()) << option;
    }
    Write("Section \"ServerFlags\"\n\tOption \"Xinerama\"\nEndSection\n");
    EXPECT_EQ(0, IsXineramaExist()) << "no layout";
}

} // namespace
