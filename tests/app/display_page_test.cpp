// The Display page driven as a user would (list items selected, buttons
// clicked) on an adapter without RandR whose outputs each test sets through
// qevsim-ctl; Apply, the TV step and the SAMM, clone and restart windows
// checked against the simulator's state, command log and files.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "Display_page.h"
#include "SAMMSetting.h"
#include "common.h"
#include "display_gui.h"
#include "gui.h"
#include "interface.h"
#include "qev/outputs.h"
#include "qevgfx.h"
#include "qevtest/qevtest.h"
#include "support.h"

using apptest::DisplayPageTest;
using Strings = std::vector<std::string>;

namespace {

const char kAll[] = "CRT,LCD,TV,DVI,HDMI,CRT2,HDTV,LCD2,DVI2,TV2,HDTV2,DP,DP2";

class DisplayPage : public DisplayPageTest {
protected:
    // Apply may rewrite the server's configuration file: each test starts from the same one.
    void SetUp() override
    {
        DisplayPageTest::SetUp();
        conf_ = qevtest::read_file("/etc/X11/xorg.conf").value_or("");
    }
    void TearDown() override
    {
        DisplayPageTest::TearDown();
        qevtest::write_file("/etc/X11/xorg.conf", conf_);
        qevtest::SimCtlOk({"fault", "clear"});
    }
    std::string conf_;

    // The adapter for one test; keys the test does not give keep the profile's values.
    void Adapter(const char *connected, const char *active, std::vector<std::pair<const char *, const char *>> more = {})
    {
        std::vector<std::pair<const char *, const char *>> keys = {
            {"chip", "M500"}, {"tv_encoder", "0x11"}, {"supported", kAll}, {"samm", "0"}};
        for (const auto &k : more)  // adapter keys first, then the outputs, then what needs them
            if (std::string(k.first) != "primary" && std::string(k.first) != "samm")
                keys.push_back(k);
        keys.insert(keys.end(), {{"connected", connected}, {"active", active}});
        for (const auto &k : more)
            if (std::string(k.first) == "primary" || std::string(k.first) == "samm")
                keys.push_back(k);
        for (const auto &[key, value] : keys)
            ASSERT_TRUE(qevtest::SimCtlOk({"set", key, value})) << key << " " << value;
        qevtest::SimLogClear();
    }
    // Lines of the command log with this code ("19/4 status=1 inputs=5").
    Strings Logged(const std::string &code)
    {
        Strings out;
        for (const std::string &line : qevtest::SimLog())
            if (line.rfind(code + " ", 0) == 0)
                out.push_back(line);
        return out;
    }
};

}  // namespace

TEST_F(DisplayPage, OneOutput)
{
    Adapter("CRT", "CRT");
    Open();
    struct Place {
        const char *name, *parent;
        int x, y, width, height;
    };
    const Place layout[] = {
        {"Display_Device_List_frame", "PropertySheet_Display", 10, 5, 355, 140},
        {"Display_Device_Combo_label", "fixed6", 10, 2, 60, 20},
        {"Display_Device_Combo", "fixed6", 10, 15, 220, 40},
        {"Display_Resolution_Combo", "fixed6", 10, 65, 220, 40},
        {"Display_Device_TV_Advanced_Button", "fixed6", 240, 20, 103, 28},
        {"Display_SecDevice_List_frame", "PropertySheet_Display", 10, 155, 355, 180},
        {"Display_SecDevice_Combo_label", "fixed7", 10, 6, 60, 20},
        {"Display_SecDevice_Combo", "fixed7", 10, 20, 220, 40},
        {"Display_SecMode_Combo_label", "fixed7", 10, 57, 220, 20},
        {"Display_SecMode_Combo", "fixed7", 10, 70, 220, 40},
        {"Display_SecResolution_Combo", "fixed7", 10, 110, 220, 40},
        {"Display_SecDevice_LCD_Advanced_Button", "fixed7", 240, 25, 103, 28},
        {"Display_SecDevice_SAMM_Setting_Btn", "fixed7", 240, 75, 103, 28},
    };
    for (const Place &p : layout) {
        SCOPED_TRACE(p.name);
        GtkWidget *w = W(p.name);
        ASSERT_NE(nullptr, w);
        EXPECT_EQ(W(p.parent), gtk_widget_get_parent(w));
        EXPECT_EQ(p.x, apptest::PlacementOf(w).x);
        EXPECT_EQ(p.y, apptest::PlacementOf(w).y);
        EXPECT_EQ(p.width, apptest::RequestOf(w).width);
        EXPECT_EQ(p.height, apptest::RequestOf(w).height);
    }
    EXPECT_EQ("TwinScreen Mode :", std::string(gtk_label_get_text(GTK_LABEL(W("Display_SecMode_Combo_label")))));
    EXPECT_FALSE(gtk_editable_get_editable(GTK_EDITABLE(W("Display_Device_Combo_Entry"))));

    EXPECT_EQ(Strings{"1. CRT"}, Entries("Display_Device_Combo"));
    EXPECT_EQ(Strings{"None"}, Entries("Display_SecDevice_Combo"));
    EXPECT_EQ(Strings{"Off"}, Entries("Display_SecMode_Combo"));
    for (const char *name : {"Display_SecDevice_Combo", "Display_SecMode_Combo", "Display_SecResolution_Combo",
                             "Display_SecDevice_SAMM_Setting_Btn", "Info_Apply_button"})
        EXPECT_FALSE(Sensitive(name)) << name;
    EXPECT_FALSE(Visible("Display_Resolution_Combo"));  // no RandR
    EXPECT_TRUE(Visible("Display_Device_Advanced_Button"));
    EXPECT_TRUE(Sensitive("Display_Device_Advanced_Button"));  // capability 0x10
    EXPECT_FALSE(Visible("Display_Device_TV_Advanced_Button"));
    EXPECT_FALSE(Visible("Display_Device_LCD_Advanced_Button"));
    EXPECT_EQ(QEV_OUT_CRT, g_PrimaryDevice);
    EXPECT_EQ(0, g_SecondaryDevice);
    EXPECT_EQ(int(QEV_OUT_CRT), g_TmpDisplayPageOptionItems.nItem[QEV_OPT_DEVICE_SET]);
}

TEST_F(DisplayPage, CrtLcdCloneModesAndPrimaryChange)
{
    Adapter("CRT,LCD,TV", "CRT,LCD");
    Open();
    EXPECT_EQ((Strings{"1. CRT", "1. TV", "1. LCD"}), Entries("Display_Device_Combo"));
    EXPECT_EQ((Strings{"2. LCD", "None", "2. TV"}), Entries("Display_SecDevice_Combo"));
    EXPECT_EQ((Strings{"Clone", "Desktop Expand(SAMM)"}), Entries("Display_SecMode_Combo"));
    EXPECT_TRUE(Visible("Display_SecDevice_LCD_Advanced_Button"));
    EXPECT_TRUE(Sensitive("Display_SecDevice_LCD_Advanced_Button"));
    EXPECT_FALSE(Sensitive("Info_Apply_button"));

    Choose("Display_SecMode_Combo", "Desktop Expand(SAMM)");
    EXPECT_TRUE(Sensitive("Info_Apply_button"));
    EXPECT_TRUE(Sensitive("Display_SecDevice_SAMM_Setting_Btn"));
    for (const char *name : {"Display_Device_Combo", "Display_Resolution_Combo", "Display_SecDevice_Combo",
                             "Display_SecResolution_Combo"})
        EXPECT_FALSE(Sensitive(name)) << name;
    Choose("Display_SecMode_Combo", "Clone");  // the current mode again
    EXPECT_FALSE(Sensitive("Info_Apply_button"));
    EXPECT_FALSE(Sensitive("Display_SecDevice_SAMM_Setting_Btn"));
    EXPECT_TRUE(Sensitive("Display_Device_Combo"));

    Choose("Display_Device_Combo", "1. TV");
    EXPECT_EQ("None", Text("Display_SecDevice_Combo"));
    EXPECT_EQ((Strings{"None", "2. CRT", "2. LCD"}), Entries("Display_SecDevice_Combo"));
    EXPECT_EQ(Strings{"Off"}, Entries("Display_SecMode_Combo"));
    EXPECT_EQ(int(QEV_OUT_TV), g_TmpDisplayPageOptionItems.nItem[QEV_OPT_DEVICE_SET]);
    EXPECT_TRUE(Visible("Display_Device_TV_Advanced_Button"));
    EXPECT_TRUE(Sensitive("Info_Apply_button"));

    Click("Info_Apply_button");
    EXPECT_EQ(Strings{"19/4 status=1 inputs=4"}, Logged("19/4"));
    EXPECT_EQ(std::vector<long>{QEV_OUT_TV}, qevtest::SimState({"active"}));
    EXPECT_FALSE(Sensitive("Info_Apply_button"));
    EXPECT_TRUE(Logged("21/3").empty());  // no TV choice was made
    qevtest::SimLogClear();
    Click("Info_Apply_button");  // nothing pending
    EXPECT_TRUE(Logged("19/4").empty());
}

TEST_F(DisplayPage, PrimaryChangeDropsExcludedOutputs)
{
    Adapter("CRT,DVI,HDMI,DP", "CRT");
    Open();
    EXPECT_EQ((Strings{"None", "2. DVI", "2. HDMI", "2. DP"}), Entries("Display_SecDevice_Combo"));
    Choose("Display_Device_Combo", "1. DVI");
    EXPECT_EQ((Strings{"None", "2. CRT"}), Entries("Display_SecDevice_Combo"));
    EXPECT_FALSE(Sensitive("Display_Device_Advanced_Button"));  // change rule for DVI
    Choose("Display_Device_Combo", "1. HDMI");
    EXPECT_EQ((Strings{"None", "2. CRT", "2. DP"}), Entries("Display_SecDevice_Combo"));
    EXPECT_FALSE(Sensitive("Display_Device_Advanced_Button"));  // HDMI is not active yet
}

TEST_F(DisplayPage, PairedTVEncoderExcludesCrt)
{
    for (const char *chip : {"A200", "M400"}) {
        SCOPED_TRACE(chip);
        Adapter("CRT,TV", "CRT", {{"chip", chip}, {"tv_encoder", "12"}});
        Open();
        Choose("Display_Device_Combo", "1. TV");
        EXPECT_EQ(std::string(chip) == "A200" ? Strings{"None"} : (Strings{"None", "2. CRT"}),
                  Entries("Display_SecDevice_Combo"));
        Choose("Display_Device_Combo", "1. CRT");
        EXPECT_EQ(std::string(chip) == "A200" ? Strings{"None"} : (Strings{"None", "2. TV"}),
                  Entries("Display_SecDevice_Combo"));
        Close();
    }
}

TEST_F(DisplayPage, TwoTVOutputs)
{
    Adapter("CRT,TV,TV2", "CRT,TV2", {{"supported", "CRT,LCD,TV,HDTV,TV2,HDTV2"}});
    Open();
    EXPECT_EQ(1, g_bSupportTwoTV);
    EXPECT_EQ((Strings{"2. TV_2", "None", "2. TV"}), Entries("Display_SecDevice_Combo"));
    // The second TV stays in the pending set, so Apply keeps it on.
    EXPECT_EQ(int(QEV_OUT_CRT | QEV_OUT_TV2), g_TmpDisplayPageOptionItems.nItem[QEV_OPT_DEVICE_SET]);
    EXPECT_TRUE(Visible("Display_SecDevice_TV_Advanced_Button"));
    EXPECT_FALSE(Sensitive("Info_Apply_button"));

    Choose("Display_SecDevice_Combo", "2. TV");
    EXPECT_EQ(int(QEV_OUT_CRT | QEV_OUT_TV), g_TmpDisplayPageOptionItems.nItem[QEV_OPT_DEVICE_SET]);
    EXPECT_EQ("Clone", Text("Display_SecMode_Combo"));
    Choose("Display_SecDevice_Combo", "None");
    EXPECT_EQ(int(QEV_OUT_CRT), g_TmpDisplayPageOptionItems.nItem[QEV_OPT_DEVICE_SET]);
    Choose("Display_SecDevice_Combo", "2. TV_2");
    EXPECT_EQ(int(QEV_OUT_CRT | QEV_OUT_TV2), g_TmpDisplayPageOptionItems.nItem[QEV_OPT_DEVICE_SET]);
    EXPECT_FALSE(Sensitive("Info_Apply_button"));

    // A second-TV choice alone counts as a change on this adapter.
    g_TmpDisplayPageOptionItems.nItem[QEV_OPT_TV2_STANDARD] = 1;  // NTSC (the profile's is PAL)
    g_TmpDisplayPageOptionItems.nItem[QEV_OPT_TV2_SIGNAL] = 2;
    EXPECT_EQ(1, CheckDisplayPageOtionItemsChange(&g_DisplayPageOptionItems, &g_TmpDisplayPageOptionItems));
    Click("Info_Apply_button");
    EXPECT_EQ((Strings{"25/3 status=1 inputs=1", "25/6 status=1 inputs=2"}), TVSets());
}

TEST_F(DisplayPage, TVStandardBeforeSignalAndUnchangedNotSent)
{
    Adapter("CRT,TV", "CRT,TV");
    Open();
    g_TmpDisplayPageOptionItems.nItem[QEV_OPT_TV_STANDARD] = 2;  // PAL, as the TV window records it
    g_TmpDisplayPageOptionItems.nItem[QEV_OPT_TV_SIGNAL] = 2;    // S-Video
    Click("Info_Apply_button");
    EXPECT_EQ((Strings{"21/3 status=1 inputs=2", "21/6 status=1 inputs=2"}), TVSets());
    EXPECT_EQ(std::vector<long>{2}, qevtest::SimState({"tv", "tv", "standard"}));
    EXPECT_EQ(std::vector<long>{2}, qevtest::SimState({"tv", "tv", "signal"}));
    EXPECT_TRUE(Logged("19/4").empty());

    qevtest::SimLogClear();
    g_TmpDisplayPageOptionItems.nItem[QEV_OPT_TV_SIGNAL] = 1;
    Click("Info_Apply_button");
    EXPECT_EQ(Strings{"21/6 status=1 inputs=1"}, TVSets());
    EXPECT_EQ(2, g_DisplayPageOptionItems.nItem[QEV_OPT_TV_STANDARD]);
    EXPECT_EQ(1, g_DisplayPageOptionItems.nItem[QEV_OPT_TV_SIGNAL]);
}

TEST_F(DisplayPage, SammWithoutRandRAsksForRestart)
{
    Adapter("CRT,LCD", "CRT,LCD");
    Open();
    Choose("Display_SecMode_Combo", "Desktop Expand(SAMM)");
    Click("Display_SecDevice_SAMM_Setting_Btn");
    ASSERT_NE(nullptr, _pSAMMSettingDlg);
    EXPECT_TRUE(gtk_window_get_modal(GTK_WINDOW(_pSAMMSettingDlg)));
    EXPECT_EQ("CRT", LabelOf(_pSAMMSettingDlg, "SAMM_Setting_Main_Device_Label"));
    EXPECT_EQ("LCD", LabelOf(_pSAMMSettingDlg, "SAMM_Setting_Secondary_Device_Label"));
    ChooseIn(_pSAMMSettingDlg, "SAMM_Setting_RelativePos_Combo", "Left");
    ClickIn(_pSAMMSettingDlg, "SAMM_Setting_OK_Button");
    EXPECT_EQ(nullptr, _pSAMMSettingDlg);
    EXPECT_EQ(1, g_ScreenLayout.nPosition);

    Click("Info_Apply_button");
    ASSERT_NE(nullptr, g_pRestartXWnd);
    EXPECT_EQ(RestartText(true), LabelOf(g_pRestartXWnd, "SAMM_Restart_X_Label"));
    EXPECT_EQ("Restart X Dialog", std::string(gtk_window_get_title(GTK_WINDOW(g_pRestartXWnd))));
    std::string conf = qevtest::read_file("/etc/X11/xorg.conf").value_or("");
    EXPECT_NE(std::string::npos, conf.find("Xinerama")) << conf;
    EXPECT_NE(std::string::npos, conf.find("LeftOf")) << conf;

    ClickIn(g_pRestartXWnd, "SAMM_Restart_X_OK_button");
    EXPECT_EQ(nullptr, g_pRestartXWnd);
    EXPECT_TRUE(qevtest::file_exists("/etc/X11/.XWindowNeedtobeRestart"));
    remove("/etc/X11/.XWindowNeedtobeRestart");

    Click("Info_Apply_button");  // nothing changed since
    EXPECT_EQ(nullptr, g_pRestartXWnd);
}

TEST_F(DisplayPage, RestartMarkerThatCannotBeWrittenIsReported)
{
    Adapter("CRT,LCD", "CRT,LCD");
    Open();
    Choose("Display_SecMode_Combo", "Desktop Expand(SAMM)");
    Click("Info_Apply_button");
    ASSERT_NE(nullptr, g_pRestartXWnd);
    ASSERT_EQ(0, mkdir("/etc/X11/.XWindowNeedtobeRestart", 0755));  // rename onto a directory fails
    GList *before = gtk_window_list_toplevels();
    ClickIn(g_pRestartXWnd, "SAMM_Restart_X_OK_button");
    EXPECT_EQ(nullptr, g_pRestartXWnd);
    GList *after = gtk_window_list_toplevels();
    std::string message;
    for (GList *n = after; n; n = n->next)
        if (!g_list_find(before, n->data) &&
            std::string(gtk_window_get_title(GTK_WINDOW(n->data)) ?: "") == "QEV Display Utility Message") {
            message = apptest::AllLabelText(GTK_WIDGET(n->data));
            gtk_widget_destroy(GTK_WIDGET(n->data));
        }
    g_list_free(before);
    g_list_free(after);
    rmdir("/etc/X11/.XWindowNeedtobeRestart");
    EXPECT_NE(std::string::npos, message.find("/etc/X11/.XWindowNeedtobeRestart")) << message;
    EXPECT_NE(std::string::npos, message.find("Is a directory")) << message;
}

TEST_F(DisplayPage, SammWindowPairsAndCancel)
{
    Adapter("LCD,DVI", "DVI,LCD", {{"primary", "DVI"}});
    Open();
    Click("Display_SecDevice_SAMM_Setting_Btn");  // insensitive for a user; opened to see its labels
    ASSERT_NE(nullptr, _pSAMMSettingDlg);
    EXPECT_EQ("LCD", LabelOf(_pSAMMSettingDlg, "SAMM_Setting_Main_Device_Label"));
    EXPECT_EQ("DVI", LabelOf(_pSAMMSettingDlg, "SAMM_Setting_Secondary_Device_Label"));
    ChooseIn(_pSAMMSettingDlg, "SAMM_Setting_RelativePos_Combo", "Above");
    ClickIn(_pSAMMSettingDlg, "SAMM_Setting_OK_Button");
    EXPECT_EQ(2, g_ScreenLayout.nPosition);  // kept for the next SAMM apply
    EXPECT_FALSE(Sensitive("Info_Apply_button"));
    Click("Display_SecDevice_SAMM_Setting_Btn");
    EXPECT_EQ("Above", TextIn(_pSAMMSettingDlg, "SAMM_Setting_RelativePos_Combo"));
    ChooseIn(_pSAMMSettingDlg, "SAMM_Setting_RelativePos_Combo", "Below");
    ClickIn(_pSAMMSettingDlg, "SAMM_Setting_Cancel_Button");
    EXPECT_EQ(2, g_ScreenLayout.nPosition);  // Cancel keeps what the window opened with
    EXPECT_EQ(1, g_bIsSAMMScrnPosChanged);   // and the earlier OK's change
    Close();

    Adapter("CRT,LCD", "CRT,LCD", {{"samm", "1"}});
    Open();
    EXPECT_EQ((Strings{"Desktop Expand(SAMM)", "Clone"}), Entries("Display_SecMode_Combo"));
    EXPECT_FALSE(Sensitive("Display_SecDevice_Combo"));
    Click("Display_SecDevice_SAMM_Setting_Btn");
    ASSERT_NE(nullptr, _pSAMMSettingDlg);
    const std::string opened = TextIn(_pSAMMSettingDlg, "SAMM_Setting_RelativePos_Combo");
    const int position = g_ScreenLayout.nPosition;
    ChooseIn(_pSAMMSettingDlg, "SAMM_Setting_RelativePos_Combo", opened == "Above" ? "Below" : "Above");
    ChooseIn(_pSAMMSettingDlg, "SAMM_Setting_RelativePos_Combo", opened == "Left" ? "Right" : "Left");
    EXPECT_EQ(1, g_bIsSAMMScrnPosChanged);
    ClickIn(_pSAMMSettingDlg, "SAMM_Setting_Cancel_Button");
    EXPECT_EQ(position, g_ScreenLayout.nPosition);
    EXPECT_EQ(0, g_bIsSAMMScrnPosChanged);
    EXPECT_FALSE(Sensitive("Info_Apply_button"));

    Click("Display_SecDevice_SAMM_Setting_Btn");
    ChooseIn(_pSAMMSettingDlg, "SAMM_Setting_RelativePos_Combo", opened == "Below" ? "Above" : "Below");
    ClickIn(_pSAMMSettingDlg, "SAMM_Setting_OK_Button");
    EXPECT_TRUE(Sensitive("Info_Apply_button"));  // a new position in SAMM mode
    Close();

    Adapter("CRT", "CRT");
    Open();
    on_Display_Device_SAMM_Setting_Btn_clicked(nullptr, nullptr);
    EXPECT_EQ("Unknow", LabelOf(_pSAMMSettingDlg, "SAMM_Setting_Main_Device_Label"));
    EXPECT_EQ("Unknow", LabelOf(_pSAMMSettingDlg, "SAMM_Setting_Secondary_Device_Label"));
    ClickIn(_pSAMMSettingDlg, "SAMM_Setting_Cancel_Button");
}

TEST_F(DisplayPage, CloneWindowSendsTheSecondaryOutput)
{
    Adapter("CRT,TV", "CRT,TV");
    Open();
    on_Display_Device_Gemel_Setting_Btn_clicked(nullptr, nullptr);
    ASSERT_NE(nullptr, _pGemelSettingDlg);
    EXPECT_EQ("Clone Mode Setting", std::string(gtk_window_get_title(GTK_WINDOW(_pGemelSettingDlg))));
    EXPECT_TRUE(gtk_window_get_modal(GTK_WINDOW(_pGemelSettingDlg)));
    EXPECT_EQ("CRT", LabelOf(_pGemelSettingDlg, "Gemel_Setting_Main_Device_Label"));
    EXPECT_EQ("TV", LabelOf(_pGemelSettingDlg, "Gemel_Setting_Secondary_Device_Label"));
    ChooseIn(_pGemelSettingDlg, "Gemel_Setting_RelativePos_Combo", "Secondary");
    EXPECT_EQ(int(QEV_OUT_TV), g_nVideoOutputDev);
    ClickIn(_pGemelSettingDlg, "Gemel_Setting_OK_Button");
    EXPECT_EQ(nullptr, _pGemelSettingDlg);
    EXPECT_EQ(Strings{"19/9 status=1 inputs=1"}, Logged("19/9"));
    EXPECT_EQ("1\n", qevtest::read_file("/etc/X11/.QEVGemel").value_or(""));

    on_Display_Device_Gemel_Setting_Btn_clicked(nullptr, nullptr);
    EXPECT_EQ("Secondary", TextIn(_pGemelSettingDlg, "Gemel_Setting_RelativePos_Combo"));
    qevtest::SimLogClear();
    ClickIn(_pGemelSettingDlg, "Gemel_Setting_Cancel_Button");
    EXPECT_EQ(nullptr, _pGemelSettingDlg);
    EXPECT_TRUE(Logged("19/9").empty());
    EXPECT_TRUE(Sensitive("Info_Apply_button"));
}

TEST_F(DisplayPage, FailedQueriesLeaveDefaultLists)
{
    Adapter("CRT,LCD", "CRT,LCD");
    ASSERT_TRUE(qevtest::SimCtlOk({"fault", "status0", "all"}));
    Open();
    EXPECT_EQ(Strings{"1. CRT"}, Entries("Display_Device_Combo"));
    EXPECT_EQ(Strings{"None"}, Entries("Display_SecDevice_Combo"));
    EXPECT_FALSE(Sensitive("Display_SecDevice_Combo"));
    EXPECT_FALSE(Sensitive("Display_SecMode_Combo"));
    ASSERT_TRUE(qevtest::SimCtlOk({"fault", "clear"}));
    Close();

    Adapter("none", "none");  // nothing connected
    Open();
    EXPECT_EQ(Strings{"1. CRT"}, Entries("Display_Device_Combo"));
    EXPECT_EQ(Strings{"None"}, Entries("Display_SecDevice_Combo"));
    EXPECT_EQ(Strings{"Off"}, Entries("Display_SecMode_Combo"));
    Click("Display_SecDevice_SAMM_Setting_Btn");
    ClickIn(_pSAMMSettingDlg, "SAMM_Setting_OK_Button");
    on_Display_Device_Gemel_Setting_Btn_clicked(nullptr, nullptr);
    ClickIn(_pGemelSettingDlg, "Gemel_Setting_OK_Button");
    Click("Info_Apply_button");
}

TEST_F(DisplayPage, AllOutputsConnected)
{
    Adapter(kAll, "CRT,LCD");
    Open();
    EXPECT_EQ(9u, Entries("Display_Device_Combo").size());
    for (const char *primary : {"1. DP-2", "1. HDMI", "1. LCD", "1. HDTV", "1. CRT"}) {
        Choose("Display_Device_Combo", primary);
        EXPECT_EQ("None", Text("Display_SecDevice_Combo")) << primary;
        EXPECT_EQ("Off", Text("Display_SecMode_Combo")) << primary;
    }
    Choose("Display_SecDevice_Combo", "2. LCD_2");
    EXPECT_EQ((Strings{"Clone", "Desktop Expand(SAMM)"}), Entries("Display_SecMode_Combo"));
    EXPECT_EQ(int(QEV_OUT_CRT | QEV_OUT_LCD2), g_TmpDisplayPageOptionItems.nItem[QEV_OPT_DEVICE_SET]);
}
