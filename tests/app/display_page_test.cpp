// The Display page driven as a user would (list items selected, buttons
// clicked) on an adapter without RandR whose outputs each test sets through
// qevsim-ctl; Apply, the TV step and the SAMM, clone and restart windows
// checked against the simulator's state, command log and files.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "display_gui.h"
#include "interface_adjustment.h"
#include "qev/outputs.h"

using Strings = std::vector<std::string>;
using Keys = std::vector<std::pair<const char *, const char *>>;

namespace {

const char kAll[] = "CRT,LCD,TV,DVI,HDMI,CRT2,HDTV,LCD2,DVI2,TV2,HDTV2,DP,DP2";

class DisplayPage : public apptest::DisplayPageTest {
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
    // The adapter for one test: `before` keys, the outputs, then `after` keys.
    void Adapter(const char *connected, const char *active, Keys before = {}, Keys after = {})
    {
        Keys keys = {{"chip", "M500"}, {"tv_encoder", "0x11"}, {"supported", kAll}, {"samm", "0"}};
        keys.insert(keys.end(), before.begin(), before.end());
        keys.insert(keys.end(), {{"connected", connected}, {"active", active}});
        keys.insert(keys.end(), after.begin(), after.end());
        for (const auto &[key, value] : keys)
            ASSERT_TRUE(qevtest::SimCtlOk({"set", key, value})) << key << " " << value;
        qevtest::SimLogClear();
    }
    int Pending() const { return g_TmpDisplayPageOptionItems.nItem[QEV_OPT_DEVICE_SET]; }
    std::string conf_;
};

}  // namespace

// One output, nothing connected and every query refused all show the one-output
// page; its windows and Apply do nothing harmful.
TEST_F(DisplayPage, OneOutputNothingConnectedAndFailedQueries)
{
    const struct { const char *connected, *fault; } cases[] = {{"CRT", nullptr}, {"none", nullptr}, {"CRT,LCD", "all"}};
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.connected) + (c.fault ? " refused" : ""));
        Adapter(c.connected, c.connected);
        if (c.fault) {
            ASSERT_TRUE(qevtest::SimCtlOk({"fault", "status0", c.fault}));
        }
        Open();
        EXPECT_EQ("1. CRT None Off", Text("Display_Device_Combo") + " " + Text("Display_SecDevice_Combo") + " " +
                                         Text("Display_SecMode_Combo"));
        EXPECT_EQ("1. CRT", Entries("Display_Device_Combo").at(0));
        EXPECT_EQ("----_", Flags({"Display_SecDevice_Combo", "Display_SecMode_Combo", "Info_Apply_button",
                                  "Display_SecDevice_SAMM_Setting_Btn", "Display_Resolution_Combo"}));  // no RandR
        if (!c.fault) {
            EXPECT_EQ("+__", Flags({"Display_Device_Advanced_Button", "Display_Device_TV_Advanced_Button",
                                    "Display_Device_LCD_Advanced_Button"}));
        }
        Click("Display_SecDevice_SAMM_Setting_Btn");
        ClickIn(_pSAMMSettingDlg, "SAMM_Setting_OK_Button");
        on_Display_Device_Gemel_Setting_Btn_clicked(nullptr, nullptr);
        ClickIn(_pGemelSettingDlg, "Gemel_Setting_OK_Button");
        Click("Info_Apply_button");
        ASSERT_TRUE(qevtest::SimCtlOk({"fault", "clear"}));
        Close();
    }
}

TEST_F(DisplayPage, CrtLcdModesThenPrimaryChangeAndApply)
{
    Adapter("CRT,LCD,TV", "CRT,LCD");
    Open();
    EXPECT_EQ((Strings{"1. CRT", "1. TV", "1. LCD"}), Entries("Display_Device_Combo"));
    EXPECT_EQ((Strings{"2. LCD", "None", "2. TV"}), Entries("Display_SecDevice_Combo"));
    EXPECT_EQ((Strings{"Clone", "Desktop Expand(SAMM)"}), Entries("Display_SecMode_Combo"));
    EXPECT_TRUE(Visible("Display_SecDevice_LCD_Advanced_Button") && Sensitive("Display_SecDevice_LCD_Advanced_Button"));

    // Apply, SAMM settings, then the device and resolution lists locked in multi-screen mode.
    const std::initializer_list<const char *> modeWidgets = {
        "Info_Apply_button", "Display_SecDevice_SAMM_Setting_Btn", "Display_Device_Combo", "Display_Resolution_Combo",
        "Display_SecDevice_Combo", "Display_SecResolution_Combo"};
    Choose("Display_SecMode_Combo", "Desktop Expand(SAMM)");
    EXPECT_EQ("++-_-_", Flags(modeWidgets));
    Choose("Display_SecMode_Combo", "Clone");  // the current mode again
    EXPECT_EQ("--+", Flags(modeWidgets).substr(0, 3));

    Choose("Display_Device_Combo", "1. TV");  // drops the secondary, mode back to "Off"
    EXPECT_EQ((Strings{"None", "2. CRT", "2. LCD"}), Entries("Display_SecDevice_Combo"));
    EXPECT_EQ("None", Text("Display_SecDevice_Combo"));
    EXPECT_EQ(Strings{"Off"}, Entries("Display_SecMode_Combo"));
    EXPECT_EQ(int(QEV_OUT_TV), Pending());
    EXPECT_TRUE(Visible("Display_Device_TV_Advanced_Button") && Sensitive("Info_Apply_button"));

    Click("Info_Apply_button");
    EXPECT_EQ(Strings{"19/4 status=1 inputs=4"}, Logged({"19/4"}));
    EXPECT_EQ(std::vector<long>{QEV_OUT_TV}, qevtest::SimState({"active"}));
    EXPECT_TRUE(TVSets().empty());  // no TV choice was made
    EXPECT_FALSE(Sensitive("Info_Apply_button"));
    qevtest::SimLogClear();
    Click("Info_Apply_button");  // nothing pending
    EXPECT_TRUE(Logged({"19/4"}).empty());
}

TEST_F(DisplayPage, TwoTVOutputs)
{
    Adapter("CRT,TV,TV2", "CRT,TV2", {{"supported", "CRT,LCD,TV,HDTV,TV2,HDTV2"}});
    Open();
    EXPECT_EQ(1, g_bSupportTwoTV);
    EXPECT_EQ((Strings{"2. TV_2", "None", "2. TV"}), Entries("Display_SecDevice_Combo"));
    EXPECT_EQ(int(QEV_OUT_CRT | QEV_OUT_TV2), Pending());  // kept on by Apply
    EXPECT_TRUE(Visible("Display_SecDevice_TV_Advanced_Button"));
    Choose("Display_SecDevice_Combo", "2. TV");
    EXPECT_EQ(int(QEV_OUT_CRT | QEV_OUT_TV), Pending());
    EXPECT_EQ("Clone", Text("Display_SecMode_Combo"));
    Choose("Display_SecDevice_Combo", "None");
    Choose("Display_SecDevice_Combo", "2. TV_2");
    EXPECT_EQ(int(QEV_OUT_CRT | QEV_OUT_TV2), Pending());
    EXPECT_FALSE(Sensitive("Info_Apply_button"));

    // What the TV window records for the second TV counts on this adapter.
    g_TmpDisplayPageOptionItems.nItem[QEV_OPT_TV2_STANDARD] = 1;  // NTSC; the profile's is PAL
    g_TmpDisplayPageOptionItems.nItem[QEV_OPT_TV2_SIGNAL] = 2;
    EXPECT_EQ(1, CheckDisplayPageOtionItemsChange(&g_DisplayPageOptionItems, &g_TmpDisplayPageOptionItems));
    Click("Info_Apply_button");
    EXPECT_EQ((Strings{"25/3 status=1 inputs=1", "25/6 status=1 inputs=2"}), TVSets());
}

// CRT and TV: the TV button opens the TV window; Apply sends a TV standard
// before its signal and nothing unchanged; the clone window sends the video output.
TEST_F(DisplayPage, CrtAndTVWindowsAndApply)
{
    static const bool images = (AddPixmapDirectory((qevtest::source_dir() + "/pixmaps").c_str()), true);
    (void)images;
    g_AdjustmentOpenDelayUs = 0;
    Adapter("CRT,TV", "CRT,TV");
    Open();
    Click("Display_SecDevice_TV_Advanced_Button");
    ASSERT_NE(nullptr, g_pTVAdjustmentWnd);
    EXPECT_EQ((Strings{"NTSC", "PAL"}), EntriesIn(g_pTVAdjustmentWnd, "Display_Device_TV_Type_Combo"));
    ClickIn(g_pTVAdjustmentWnd, "TV_Adjustment_Cancel_button");
    EXPECT_EQ(nullptr, g_pTVAdjustmentWnd);

    g_TmpDisplayPageOptionItems.nItem[QEV_OPT_TV_STANDARD] = 2;  // PAL, as the TV window records it
    g_TmpDisplayPageOptionItems.nItem[QEV_OPT_TV_SIGNAL] = 2;    // S-Video
    Click("Info_Apply_button");
    EXPECT_EQ((Strings{"21/3 status=1 inputs=2", "21/6 status=1 inputs=2"}), TVSets());
    EXPECT_EQ((std::vector<long>{2, 2}), (std::vector<long>{qevtest::SimState({"tv", "tv", "standard"}).at(0),
                                                            qevtest::SimState({"tv", "tv", "signal"}).at(0)}));
    qevtest::SimLogClear();
    g_TmpDisplayPageOptionItems.nItem[QEV_OPT_TV_SIGNAL] = 1;
    Click("Info_Apply_button");
    EXPECT_EQ(Strings{"21/6 status=1 inputs=1"}, TVSets());
    EXPECT_EQ(1, g_DisplayPageOptionItems.nItem[QEV_OPT_TV_SIGNAL]);

    on_Display_Device_Gemel_Setting_Btn_clicked(nullptr, nullptr);  // the Video page's button opens it
    ASSERT_NE(nullptr, _pGemelSettingDlg);
    EXPECT_TRUE(gtk_window_get_modal(GTK_WINDOW(_pGemelSettingDlg)));
    EXPECT_EQ("CRT TV", LabelOf(_pGemelSettingDlg, "Gemel_Setting_Main_Device_Label") + " " +
                            LabelOf(_pGemelSettingDlg, "Gemel_Setting_Secondary_Device_Label"));
    ChooseIn(_pGemelSettingDlg, "Gemel_Setting_RelativePos_Combo", "Secondary");
    EXPECT_EQ(int(QEV_OUT_TV), g_nVideoOutputDev);
    qevtest::SimLogClear();
    ClickIn(_pGemelSettingDlg, "Gemel_Setting_OK_Button");
    EXPECT_EQ(nullptr, _pGemelSettingDlg);
    EXPECT_EQ(Strings{"19/9 status=1 inputs=1"}, Logged({"19/9"}));
    EXPECT_EQ("1\n", qevtest::read_file("/etc/X11/.QEVGemel").value_or(""));
    on_Display_Device_Gemel_Setting_Btn_clicked(nullptr, nullptr);
    EXPECT_EQ("Secondary", TextIn(_pGemelSettingDlg, "Gemel_Setting_RelativePos_Combo"));
    qevtest::SimLogClear();
    ClickIn(_pGemelSettingDlg, "Gemel_Setting_Cancel_Button");
    EXPECT_TRUE(Logged({"19/9"}).empty());
}

TEST_F(DisplayPage, RestartMarkerThatCannotBeWrittenIsReported)
{
    Adapter("CRT,LCD", "CRT,LCD");
    Open();
    Choose("Display_SecMode_Combo", "Desktop Expand(SAMM)");
    Click("Info_Apply_button");
    ASSERT_NE(nullptr, g_pRestartXWnd);
    ASSERT_EQ(0, mkdir("/etc/X11/.XWindowNeedtobeRestart", 0755));  // a directory cannot be replaced
    GList *before = gtk_window_list_toplevels();
    ClickIn(g_pRestartXWnd, "SAMM_Restart_X_OK_button");
    EXPECT_EQ(nullptr, g_pRestartXWnd);
    std::string message;
    GList *after = gtk_window_list_toplevels();
    for (GList *n = after; n; n = n->next)
        if (!g_list_find(before, n->data)) {
            message += apptest::AllLabelText(GTK_WIDGET(n->data));
            gtk_widget_destroy(GTK_WIDGET(n->data));
        }
    g_list_free(before);
    g_list_free(after);
    rmdir("/etc/X11/.XWindowNeedtobeRestart");
    EXPECT_NE(std::string::npos, message.find("/etc/X11/.XWindowNeedtobeRestart could not be written: Is a directory"))
        << message;
}

TEST_F(DisplayPage, SammWindowPairsAndCancel)
{
    Adapter("LCD,DVI", "DVI,LCD", {}, {{"primary", "DVI"}});
    Open();
    Click("Display_SecDevice_SAMM_Setting_Btn");  // insensitive for a user; opened to see its labels
    ASSERT_NE(nullptr, _pSAMMSettingDlg);
    EXPECT_EQ("LCD DVI", LabelOf(_pSAMMSettingDlg, "SAMM_Setting_Main_Device_Label") + " " +
                             LabelOf(_pSAMMSettingDlg, "SAMM_Setting_Secondary_Device_Label"));
    ChooseIn(_pSAMMSettingDlg, "SAMM_Setting_RelativePos_Combo", "Above");
    ClickIn(_pSAMMSettingDlg, "SAMM_Setting_OK_Button");
    EXPECT_FALSE(Sensitive("Info_Apply_button"));  // kept for the next SAMM apply
    Click("Display_SecDevice_SAMM_Setting_Btn");
    EXPECT_EQ("Above", TextIn(_pSAMMSettingDlg, "SAMM_Setting_RelativePos_Combo"));
    ChooseIn(_pSAMMSettingDlg, "SAMM_Setting_RelativePos_Combo", "Below");
    ClickIn(_pSAMMSettingDlg, "SAMM_Setting_Cancel_Button");
    EXPECT_EQ(2, g_ScreenLayout.nPosition);  // Cancel returns to what the window opened with
    EXPECT_EQ(1, g_bIsSAMMScrnPosChanged);   // including the earlier OK's change
    Close();

    Adapter("CRT,LCD", "CRT,LCD", {}, {{"samm", "1"}});
    Open();
    EXPECT_EQ((Strings{"Desktop Expand(SAMM)", "Clone"}), Entries("Display_SecMode_Combo"));
    EXPECT_FALSE(Sensitive("Display_SecDevice_Combo"));
    Click("Display_SecDevice_SAMM_Setting_Btn");
    const std::string opened = TextIn(_pSAMMSettingDlg, "SAMM_Setting_RelativePos_Combo");
    const int position = g_ScreenLayout.nPosition;
    ChooseIn(_pSAMMSettingDlg, "SAMM_Setting_RelativePos_Combo", opened == "Above" ? "Below" : "Above");
    ChooseIn(_pSAMMSettingDlg, "SAMM_Setting_RelativePos_Combo", opened == "Left" ? "Right" : "Left");
    ClickIn(_pSAMMSettingDlg, "SAMM_Setting_Cancel_Button");
    EXPECT_EQ(position, g_ScreenLayout.nPosition);
    EXPECT_EQ(0, g_bIsSAMMScrnPosChanged);
    Click("Display_SecDevice_SAMM_Setting_Btn");
    ChooseIn(_pSAMMSettingDlg, "SAMM_Setting_RelativePos_Combo", opened == "Below" ? "Above" : "Below");
    ClickIn(_pSAMMSettingDlg, "SAMM_Setting_OK_Button");
    EXPECT_TRUE(Sensitive("Info_Apply_button"));  // a new position in SAMM mode
}
