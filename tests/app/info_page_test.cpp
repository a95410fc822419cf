// The Info page filled from the simulated adapter, and from the cached
// driver-information file when the driver does not answer (every command
// answered with status 0 through qevsim-ctl's fault injection).
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "Info_page.h"
#include "common.h"
#include "gui.h"
#include "interface.h"
#include "qevgfx.h"
#include "qevtest/qevtest.h"
#include "qevtest/sim_ctl.h"
#include "support.h"

namespace {

const char kInfoFile[] = "/etc/X11/.Z7UtilityINFO";

std::string Record(std::initializer_list<const char *> texts)
{
    std::string bytes;
    for (const char *t : texts) {
        std::string slot(t);
        slot.resize(QEV_INFO_SLOT_SIZE, '\0');
        bytes += slot;
    }
    return bytes;
}

const std::string kCachedRecord = Record({"QEV Meridian M410", "03.1f [6/30/2010]", "512 MB",
                                          "qev_drv.so    4.2.10.62", "", "", ""});

class InfoPage : public apptest::GuiTest {
protected:
    void TearDown() override
    {
        EXPECT_TRUE(qevtest::SimCtlOk({"fault", "clear"}));
        QEVGFX_Close();
        if (g_pMainWindow)
            gtk_widget_destroy(g_pMainWindow);
        g_pMainWindow = nullptr;
        unlink(kInfoFile);
    }

    // Builds and shows a fresh main window and fills its Info page.
    void Fill()
    {
        if (g_pMainWindow)
            gtk_widget_destroy(g_pMainWindow);
        g_pMainWindow = create_MainWindow();
        gtk_widget_show(g_pMainWindow);
        InitInfoPage(QEV_UTILITY_VERSION);
        apptest::Pump();
    }

    std::string Text(const char *name)
    {
        return gtk_label_get_text(GTK_LABEL(lookup_widget(g_pMainWindow, name)));
    }
};

}  // namespace

TEST_F(InfoPage, CachingRule)
{
    ASSERT_TRUE(qevtest::in_sandbox());
    QEVGFX_Open();

    // The driver answers: live values are shown and replace the cached ones.
    ASSERT_TRUE(qevtest::write_file(kInfoFile, kCachedRecord));
    Fill();
    int chip = 0, megabytes = 0, bios[2] = {}, date[3] = {}, version[5] = {};
    char driver[QEV_INFO_SLOT_SIZE] = {};
    ASSERT_TRUE(QEVGFX_Info_GetChipID(&chip));
    ASSERT_NE(nullptr, ChipNameForId(chip)) << std::hex << chip;
    ASSERT_TRUE(QEVGFX_Info_GetVideoMemSize(&megabytes));
    ASSERT_GT(megabytes, 0);
    QEVGFX_Info_GetBiosVersion(bios);
    QEVGFX_Info_GetBiosDate(date);
    ASSERT_TRUE(QEVGFX_Info_GetDriverName(1, driver));
    ASSERT_TRUE(QEVGFX_Info_GetDriverVersion(1, version));

    EXPECT_EQ(QEV_UTILITY_VERSION, Text("Info_Version_Label"));
    EXPECT_EQ(ChipNameForId(chip), Text("Info_Chiptype_value_label"));
    EXPECT_EQ(std::to_string(megabytes) + " MB", Text("Info_VideoMem_value_label"));
    EXPECT_EQ(FormatBiosText(bios, date), Text("Info_BIOSver_value_label"));
    char build[8];
    snprintf(build, sizeof build, "%02d", version[3]);
    EXPECT_EQ(std::string(driver) + "    " + std::to_string(version[0]) + "." + std::to_string(version[1]) + "." +
                  std::to_string(version[2]) + "." + build,
              Text("Info_DisplayDrv_value_label"));
    EXPECT_STREQ(ChipNameForId(chip), g_DriverInfoRec.chText[QEV_INFO_SLOT_CHIP]);
    EXPECT_EQ(Text("Info_VideoMem_value_label"), g_DriverInfoRec.chText[QEV_INFO_SLOT_MEMORY]);
    EXPECT_EQ(Text("Info_DisplayDrv_value_label"), g_DriverInfoRec.chText[QEV_INFO_SLOT_DRIVER1]);
    // Memory only: the file is never written.
    EXPECT_EQ(kCachedRecord, qevtest::read_file(kInfoFile).value_or(""));

    // From here on the driver refuses every command; the session stays open.
    EXPECT_TRUE(qevtest::SimCtlOk({"fault", "status0", "all"}));
    EXPECT_TRUE(qevtest::SimCtlOk({"log", "clear"}));

    {
        SCOPED_TRACE("cached texts");
        Fill();
        EXPECT_EQ("QEV Meridian M410", Text("Info_Chiptype_value_label"));
        EXPECT_EQ("03.1f [6/30/2010]", Text("Info_BIOSver_value_label"));
        EXPECT_EQ("512 MB", Text("Info_VideoMem_value_label"));
        EXPECT_EQ("qev_drv.so    4.2.10.62", Text("Info_DisplayDrv_value_label"));
        EXPECT_EQ(QEV_UTILITY_VERSION, Text("Info_Version_Label"));
    }
    {
        SCOPED_TRACE("short file: three slots");
        ASSERT_TRUE(qevtest::write_file(kInfoFile, kCachedRecord.substr(0, 300)));
        Fill();
        EXPECT_EQ("QEV Meridian M410", Text("Info_Chiptype_value_label"));
        EXPECT_EQ("03.1f [6/30/2010]", Text("Info_BIOSver_value_label"));
        EXPECT_EQ("512 MB", Text("Info_VideoMem_value_label"));
        EXPECT_EQ("    0.0.0.00", Text("Info_DisplayDrv_value_label"));
    }
    {
        SCOPED_TRACE("no file");
        unlink(kInfoFile);
        Fill();
        EXPECT_EQ("QEV Chip", Text("Info_Chiptype_value_label"));
        EXPECT_EQ("00.00 [0/0/0]", Text("Info_BIOSver_value_label"));
        EXPECT_EQ("0 MB", Text("Info_VideoMem_value_label"));
        EXPECT_EQ("    0.0.0.00", Text("Info_DisplayDrv_value_label"));
        EXPECT_STREQ("QEV Chip", g_DriverInfoRec.chText[QEV_INFO_SLOT_CHIP]);
    }
    // The queries reached the driver and were refused.
    std::vector<std::string> commands = qevtest::SimCommands();
    EXPECT_NE(commands.end(), std::find(commands.begin(), commands.end(), "17/1"));
}
