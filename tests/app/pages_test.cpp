// Start-up on an adapter without colour controls (profile no-colour.conf:
// gamma reported unsupported, no overlay colour attributes): the Gamma and
// Video pages leave the notebook.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common.h"
#include "gui.h"
#include "interface.h"
#include "qevgfx.h"
#include "qevtest/sim_ctl.h"
#include "startup.h"
#include "support.h"

namespace {

class NoColourAdapter : public apptest::GuiTest {
protected:
    void SetUp() override
    {
        apptest::GuiTest::SetUp();
        if (HasFatalFailure())
            return;
        QEVGFX_Open();
        QEVGFX_IsRandR(&g_bRandRMode);
    }
    void TearDown() override
    {
        EXPECT_TRUE(qevtest::SimCtlOk({"fault", "clear"}));
        if (g_pMainWindow)
            gtk_widget_destroy(g_pMainWindow);
        g_pMainWindow = nullptr;
        QEVGFX_Close();
    }

    // The main window as start-up leaves it; the names of its notebook's pages.
    std::vector<std::string> StartUp()
    {
        if (g_pMainWindow)
            gtk_widget_destroy(g_pMainWindow);
        g_pMainWindow = create_MainWindow();
        SetNoteBookTabLabelWithPixmap(g_pMainWindow);
        ReadAdapterCapabilities(g_pMainWindow);
        GtkNotebook *notebook = GTK_NOTEBOOK(lookup_widget(g_pMainWindow, "Info_notebook"));
        static const char *const kSheets[] = {"PropertySheet_Info", "PropertySheet_Display", "PropertySheet_Gamma",
                                              "PropertySheet_Overlay", "PropertySheet_Settings"};
        std::vector<std::string> names;
        for (int i = 0; i < gtk_notebook_get_n_pages(notebook); ++i) {
            std::string name = "?";
            for (const char *sheet : kSheets)
                if (lookup_widget(g_pMainWindow, sheet) == gtk_notebook_get_nth_page(notebook, i))
                    name = sheet;
            names.push_back(name);
        }
        return names;
    }
};

using Pages = std::vector<std::string>;

}  // namespace

TEST_F(NoColourAdapter, NotebookKeepsTheServedPages)
{
    ASSERT_EQ(1, g_bRandRMode) << "the test server offers RandR";
    {
        SCOPED_TRACE("gamma unsupported, no overlay attributes");
        EXPECT_TRUE(qevtest::SimCtlOk({"log", "clear"}));
        EXPECT_EQ((Pages{"PropertySheet_Info", "PropertySheet_Display", "PropertySheet_Settings"}), StartUp());
        // One gamma question at start-up, answered: the removal follows the answer.
        std::vector<std::string> commands = qevtest::SimCommands();
        EXPECT_EQ(1, std::count(commands.begin(), commands.end(), "22/1"));
    }
    {
        SCOPED_TRACE("the gamma query fails: the Gamma page stays");
        EXPECT_TRUE(qevtest::SimCtlOk({"fault", "status0", "22/1"}));
        EXPECT_EQ((Pages{"PropertySheet_Info", "PropertySheet_Display", "PropertySheet_Gamma",
                         "PropertySheet_Settings"}),
                  StartUp());
    }
    {
        SCOPED_TRACE("a silent driver: only the overlay, read through Xv, decides");
        EXPECT_TRUE(qevtest::SimCtlOk({"fault", "status0", "all"}));
        EXPECT_EQ((Pages{"PropertySheet_Info", "PropertySheet_Display", "PropertySheet_Gamma",
                         "PropertySheet_Settings"}),
                  StartUp());
    }
}
