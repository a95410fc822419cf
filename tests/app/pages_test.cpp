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

TEST(NoColourAdapter, NotebookKeepsTheServedPages)
{
    ASSERT_TRUE(apptest::GuiError().empty()) << apptest::GuiError();
    QEVGFX_Open();
    QEVGFX_IsRandR(&g_bRandRMode);
    ASSERT_EQ(1, g_bRandRMode) << "the test server offers RandR";
    const struct { const char *what, *fault; std::vector<std::string> pages; } cases[] = {
        {"gamma unsupported, no overlay attributes", nullptr, {"Info", "Display", "Settings"}},
        {"the gamma query fails: the Gamma page stays", "22/1", {"Info", "Display", "Gamma", "Settings"}},
        {"a silent driver: the overlay, read through Xv, decides", "all", {"Info", "Display", "Gamma", "Settings"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_TRUE(qevtest::SimCtlOk({"log", "clear"}));
        if (c.fault) {
            EXPECT_TRUE(qevtest::SimCtlOk({"fault", "status0", c.fault}));
        }
        GtkWidget *window = create_MainWindow();
        SetNoteBookTabLabelWithPixmap(window);  // as start-up does, before the pages are read
        ReadAdapterCapabilities(window);
        GtkNotebook *notebook = GTK_NOTEBOOK(lookup_widget(window, "Info_notebook"));
        std::vector<std::string> pages;
        for (int i = 0; i < gtk_notebook_get_n_pages(notebook); ++i)
            for (std::string page : {"Info", "Display", "Gamma", "Overlay", "Settings"})
                if (gtk_notebook_get_nth_page(notebook, i) == lookup_widget(window, ("PropertySheet_" + page).c_str()))
                    pages.emplace_back(page);
        EXPECT_EQ(c.pages, pages);
        gtk_widget_destroy(window);
        if (!c.fault) {  // one gamma question at start-up, answered: the removal follows the answer
            std::vector<std::string> commands = qevtest::SimCommands();
            EXPECT_EQ(1, std::count(commands.begin(), commands.end(), "22/1"));
        }
    }
    EXPECT_TRUE(qevtest::SimCtlOk({"fault", "clear"}));
    QEVGFX_Close();
}
