// The Settings page: its rotation rules without a window, and the page on the
// simulated adapter with RandR (rotations checked with xrandr).
#include <gtest/gtest.h>

#include <string>

#include "Settings_page.h"
#include "callbacks.h"
#include "common.h"
#include "gui.h"
#include "interface.h"
#include "qev/outputs.h"
#include "qevgfx.h"
#include "qevtest/qevtest.h"
#include "qevtest/sim_ctl.h"
#include "settings_env.h"
#include "support.h"

TEST(SettingsRules, DegreeTextsAndRotations)
{
    const struct {
        const char *text;
        int rotation;
    } cases[] = {{"Normal", 1},
                 {"90 Degree (Clockwise)", 8},
                 {"270 Degree (CounterClockwise)", 2},
                 {"180 Degree (Inverted)", 4}};
    for (const auto &c : cases) {
        EXPECT_EQ(c.rotation, RotationFromDegreeText(c.text)) << c.text;
        EXPECT_STREQ(c.text, DegreeTextFromRotation(c.rotation));
    }
    for (const char *other : {"", "normal", "90 Degree", static_cast<const char *>(nullptr)})
        EXPECT_EQ(1, RotationFromDegreeText(other));
    for (int other : {0, 3, 16, -1})
        EXPECT_STREQ("Normal", DegreeTextFromRotation(other));
}

TEST(SettingsRules, SecondaryAndApplyPlan)
{
    // The active output beside the primary, only with exactly two active.
    EXPECT_EQ(QEV_OUT_LCD, SettingsSecondaryFor(QEV_OUT_CRT, QEV_OUT_CRT | QEV_OUT_LCD));
    EXPECT_EQ(0u, SettingsSecondaryFor(QEV_OUT_CRT, QEV_OUT_CRT));
    EXPECT_EQ(0u, SettingsSecondaryFor(QEV_OUT_CRT, QEV_OUT_CRT | QEV_OUT_LCD | QEV_OUT_DVI));
    EXPECT_EQ(0u, SettingsSecondaryFor(0, QEV_OUT_CRT | QEV_OUT_LCD));
    EXPECT_EQ(0u, SettingsSecondaryFor(QEV_OUT_DVI, QEV_OUT_CRT | QEV_OUT_LCD));

    const unsigned P = QEV_OUT_CRT, S = QEV_OUT_LCD;
    const struct {
        bool priChanged, secChanged, samm;
        unsigned secondary;
        int count;
        RotationCall calls[2];
    } cases[] = {
        {true, false, false, S, 2, {{P, 8}, {S, 8}}},  // clone or single: both turn
        {true, true, false, S, 2, {{P, 8}, {S, 8}}},   // the primary's choice wins
        {true, false, true, S, 1, {{P, 8}, {}}},        // multi-screen: each on its own
        {true, true, true, S, 1, {{P, 8}, {}}},
        {false, true, true, S, 1, {{S, 4}, {}}},
        {false, true, false, S, 1, {{S, 4}, {}}},
        {true, false, false, 0, 1, {{P, 8}, {}}},       // no secondary
        {false, false, false, S, 0, {}},
    };
    for (const auto &c : cases) {
        RotationPlan plan = PlanRotationApply(c.priChanged, 8, c.secChanged, 4, P, c.secondary, c.samm);
        ASSERT_EQ(c.count, plan.nCount) << c.priChanged << c.secChanged << c.samm << c.secondary;
        for (int i = 0; i < c.count; ++i) {
            EXPECT_EQ(c.calls[i].nOutput, plan.calls[i].nOutput);
            EXPECT_EQ(c.calls[i].nRotation, plan.calls[i].nRotation);
        }
    }
    SettingsScrnData a = {"None", "Normal"}, b = a;
    EXPECT_FALSE(SettingsApplySensitive(a, b));
    g_strlcpy(b.chRotationDegree, "180 Degree (Inverted)", sizeof b.chRotationDegree);
    EXPECT_TRUE(SettingsApplySensitive(a, b));
    b = a;
    g_strlcpy(b.chRotationType, "Hardware", sizeof b.chRotationType);
    EXPECT_TRUE(SettingsApplySensitive(a, b));
}

namespace {

// The rotation word xrandr prints for a connected output ("normal", "left",
// "inverted", "right"), or "" when it is off.
std::string XrandrRotation(const std::string &output)
{
    qevtest::RunResult r = qevtest::run({"xrandr"});
    std::string key = "\n" + output + " connected ";
    size_t at = ("\n" + r.out).find(key);
    if (at == std::string::npos)
        return "";
    std::string line = ("\n" + r.out).substr(at + key.size());
    line = line.substr(0, line.find('\n'));
    size_t paren = line.find(" (");
    size_t plus = line.find('+');
    if (plus == std::string::npos || paren == std::string::npos || paren < plus)
        return "";
    std::string after = line.substr(0, paren);
    size_t space = after.rfind(' ');
    std::string word = after.substr(space + 1);
    return word.find('+') != std::string::npos ? "normal" : word;
}

class SettingsPage : public settingstest::MainWindowTest {
protected:
    GtkWidget *W(const char *name) { return lookup_widget(g_pMainWindow, name); }
    void ShowSettings()
    {
        gtk_notebook_set_current_page(GTK_NOTEBOOK(W("Info_notebook")), QEV_PAGE_SETTINGS);
        apptest::Pump();
    }
    void Choose(const char *combo, const char *text)
    {
        gtk_entry_set_text(GTK_ENTRY(GTK_COMBO(W(combo))->entry), text);
    }
    bool ApplySensitive() { return GTK_WIDGET_SENSITIVE(W("Info_Apply_button")); }
};

}  // namespace

TEST_F(SettingsPage, CloneTurnsBothOutputs)
{
    ShowSettings();
    ASSERT_EQ(1, g_bSettingsPageHasInitial);
    EXPECT_EQ(QEV_PAGE_SETTINGS, _ulPageIndex);
    EXPECT_EQ(QEV_OUT_CRT, g_PrimaryDevice);
    EXPECT_EQ(QEV_OUT_LCD, g_SecondaryDevice);
    EXPECT_STREQ("Normal", gtk_entry_get_text(GTK_ENTRY(W("HWRotationComboEntry"))));
    EXPECT_FALSE(GTK_WIDGET_SENSITIVE(W("HWRotationTypeComboBox")));
    EXPECT_FALSE(GTK_WIDGET_SENSITIVE(W("HWRotationComboBox2"))) << "not multi-screen";
    EXPECT_FALSE(ApplySensitive());

    Choose("HWRotationComboBox", "Normal");  // the rotation it has: no change
    EXPECT_EQ(0, bPriRotDegChanged);
    Choose("HWRotationComboBox", "90 Degree (Clockwise)");
    EXPECT_EQ(1, bPriRotDegChanged);
    EXPECT_TRUE(ApplySensitive());
    gtk_button_clicked(GTK_BUTTON(W("Info_Apply_button")));
    EXPECT_FALSE(ApplySensitive());
    EXPECT_EQ("right", XrandrRotation("CRT"));
    EXPECT_EQ("right", XrandrRotation("LCD"));
    int rotation = 0;
    EXPECT_EQ(1, QEVGFX_DISPLAY_GetDevCurRotation(QEV_OUT_LCD, &rotation));
    EXPECT_EQ(8, rotation);

    ShowSettings();  // shown again: the current rotation
    EXPECT_STREQ("90 Degree (Clockwise)", gtk_entry_get_text(GTK_ENTRY(W("HWRotationComboEntry"))));
}

TEST_F(SettingsPage, MultiScreenTurnsOnlyTheChosenScreen)
{
    ASSERT_TRUE(qevtest::run({"xrandr", "--output", "LCD", "--right-of", "CRT"}).ok());
    g_bSAMMMode = 1;
    ShowSettings();
    ASSERT_EQ(1, g_bSettingsPageHasInitial);
    EXPECT_TRUE(GTK_WIDGET_SENSITIVE(W("HWRotationComboBox2")));
    Choose("HWRotationComboBox2", "180 Degree (Inverted)");
    EXPECT_EQ(1, bSecRotDegChanged);
    gtk_button_clicked(GTK_BUTTON(W("Info_Apply_button")));
    EXPECT_EQ("normal", XrandrRotation("CRT"));
    EXPECT_EQ("inverted", XrandrRotation("LCD"));
}

TEST_F(SettingsPage, EmptyWithoutRotationCapability)
{
    ASSERT_TRUE(qevtest::SimCtlOk({"fault", "status0", "24/3"}));
    ShowSettings();
    EXPECT_TRUE(qevtest::SimCtlOk({"fault", "clear"}));
    EXPECT_EQ(0, g_bSettingsPageHasInitial);
    EXPECT_EQ(QEV_PAGE_SETTINGS, _ulPageIndex);
    GList *children = gtk_container_get_children(GTK_CONTAINER(W("PropertySheet_Settings")));
    EXPECT_EQ(nullptr, children);
    g_list_free(children);
}
