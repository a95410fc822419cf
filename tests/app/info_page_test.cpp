// The Info page filled from the simulated adapter, and from the cached
// driver-information file when the driver refuses every command (qevsim-ctl's
// fault injection).
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
const char *const kLabels[] = {"Info_Chiptype_value_label", "Info_BIOSver_value_label", "Info_VideoMem_value_label",
                               "Info_DisplayDrv_value_label", "Info_Version_Label"};

// A file image: `texts` in the first slots, each NUL-padded to a slot.
std::string Record(std::initializer_list<const char *> texts)
{
    std::string bytes;
    for (const char *t : texts)
        bytes += std::string(t) + std::string(QEV_INFO_SLOT_SIZE - strlen(t), '\0');
    return bytes;
}

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
    // A fresh main window with its Info page filled; the page's texts.
    std::vector<std::string> Fill()
    {
        if (g_pMainWindow)
            gtk_widget_destroy(g_pMainWindow);
        g_pMainWindow = create_MainWindow();
        gtk_widget_show(g_pMainWindow);
        InitInfoPage(QEV_UTILITY_VERSION);
        apptest::Pump();
        std::vector<std::string> texts;
        for (const char *name : kLabels)
            texts.emplace_back(gtk_label_get_text(GTK_LABEL(lookup_widget(g_pMainWindow, name))));
        return texts;
    }
};

}  // namespace

TEST_F(InfoPage, LiveValuesThenCachedTexts)
{
    ASSERT_TRUE(qevtest::in_sandbox());
    QEVGFX_Open();
    const std::string cached = Record({"QEV Meridian M410", "03.1f [6/30/2010]", "512 MB", "qev_drv.so    4.2.10.62"});
    ASSERT_TRUE(qevtest::write_file(kInfoFile, cached));
    // The driver answers: live values are shown and replace the cached ones, in memory only.
    std::vector<std::string> live = Fill();
    int chip = 0, megabytes = 0;
    ASSERT_TRUE(QEVGFX_Info_GetChipID(&chip) && QEVGFX_Info_GetVideoMemSize(&megabytes));
    ASSERT_NE(nullptr, ChipNameForId(chip)) << std::hex << chip;
    EXPECT_EQ((std::vector<std::string>{ChipNameForId(chip), FormatMemoryText(megabytes), QEV_UTILITY_VERSION}),
              (std::vector<std::string>{live[0], live[2], live[4]}));
    EXPECT_EQ(0u, live[3].find("qevsim_drv.so    ")) << live[3];
    EXPECT_EQ(live[0], g_DriverInfoRec.chText[QEV_INFO_SLOT_CHIP]);
    EXPECT_EQ(live[3], g_DriverInfoRec.chText[QEV_INFO_SLOT_DRIVER1]);
    EXPECT_EQ(cached, qevtest::read_file(kInfoFile).value_or(""));

    // From here on the driver refuses every command; the session stays open.
    EXPECT_TRUE(qevtest::SimCtlOk({"fault", "status0", "all"}));
    EXPECT_TRUE(qevtest::SimCtlOk({"log", "clear"}));
    const struct { const char *what; std::string file; std::vector<std::string> texts; } cases[] = {  // file "-": none
        {"cached texts", cached,
         {"QEV Meridian M410", "03.1f [6/30/2010]", "512 MB", "qev_drv.so    4.2.10.62", QEV_UTILITY_VERSION}},
        {"short file: three slots", cached.substr(0, 300),
         {"QEV Meridian M410", "03.1f [6/30/2010]", "512 MB", "    0.0.0.00", QEV_UTILITY_VERSION}},
        {"no file", "-", {"QEV Chip", "00.00 [0/0/0]", "0 MB", "    0.0.0.00", QEV_UTILITY_VERSION}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        unlink(kInfoFile);
        if (c.file != "-") {
            ASSERT_TRUE(qevtest::write_file(kInfoFile, c.file));
        }
        EXPECT_EQ(c.texts, Fill());
        EXPECT_EQ(c.texts[0], g_DriverInfoRec.chText[QEV_INFO_SLOT_CHIP]);
    }
    // The queries reached the driver and were refused.
    std::vector<std::string> commands = qevtest::SimCommands();
    EXPECT_NE(commands.end(), std::find(commands.begin(), commands.end(), "17/1"));
}
