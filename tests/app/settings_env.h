// Fixture of the Settings page and desktop-save tests: the main window shown
// on the binary's X server, the outputs back in the simulator's start-up
// layout (CRT and LCD cloned, not rotated), the page state cleared and
// $XDG_CONFIG_HOME a fresh directory.
#ifndef QEV_TESTS_APP_SETTINGS_ENV_H
#define QEV_TESTS_APP_SETTINGS_ENV_H

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "Settings_page.h"
#include "common.h"
#include "gui.h"
#include "interface.h"
#include "qevgfx.h"
#include "qevtest/qevtest.h"

namespace settingstest {

class MainWindowTest : public apptest::GuiTest {
protected:
    void SetUp() override
    {
        apptest::GuiTest::SetUp();
        if (HasFatalFailure())
            return;
        ASSERT_TRUE(qevtest::run({"xrandr", "--output", "CRT", "--auto", "--rotate", "normal", "--pos", "0x0",
                                  "--output", "LCD", "--auto", "--rotate", "normal", "--same-as", "CRT"})
                        .ok());
        config_ = std::make_unique<qevtest::TempDir>("xdg");
        setenv("XDG_CONFIG_HOME", config_->path().c_str(), 1);
        QEVGFX_Open();
        QEVGFX_IsRandR(&g_bRandRMode);
        ASSERT_EQ(1, g_bRandRMode);
        g_bSAMMMode = 0;
        g_PrimaryDevice = g_SecondaryDevice = 0;
        g_bSettingsPageHasInitial = 0;
        bPriRotDegChanged = bSecRotDegChanged = 0;
        g_pMainWindow = create_MainWindow();
        gtk_widget_show(g_pMainWindow);
        apptest::Pump();
    }
    void TearDown() override
    {
        if (g_pMainWindow)
            gtk_widget_destroy(g_pMainWindow);
        g_pMainWindow = nullptr;
        apptest::Pump();
        QEVGFX_Close();
    }
    std::string ConfigDir() const { return config_->path(); }

private:
    std::unique_ptr<qevtest::TempDir> config_;
};

}  // namespace settingstest

#endif
