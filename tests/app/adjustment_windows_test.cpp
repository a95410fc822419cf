// The TV, panel and HDMI adjustment windows on the simulated adapter (profile
// tv-crt.conf: CRT and TV on, LCD and DVI plugged in), with the results read
// back from the driver. Built twice: without RandR (app_adjust_test) and with
// it (app_adjust_randr_test); tests of one route skip on the other.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "Panel_Adjustment.h"
#include "TV_Adjustment.h"
#include "common.h"
#include "gui.h"
#include "qev/outputs.h"
#include "qevgfx.h"
#include "qevtest/qevtest.h"
#include "qevtest/sim_ctl.h"
#include "support.h"

namespace {

using Pair = std::vector<long>;

class AdjustmentWindows : public apptest::GuiTest {
protected:
    void SetUp() override
    {
        apptest::GuiTest::SetUp();
        if (HasFatalFailure())
            return;
        static const std::string pixmaps = qevtest::source_dir() + "/pixmaps";
        [[maybe_unused]] static const bool once =
            (add_pixmap_directory(pixmaps.c_str()), AddPixmapDirectory(pixmaps.c_str()), true);
        g_AdjustmentOpenDelayUs = 0;
        QEVGFX_Open();
        QEVGFX_IsRandR(&g_bRandRMode);
        QEVGFX_Info_GetFunctionCaps(g_sFuncCaps);
        g_DisplayPageOptionItems = g_TmpDisplayPageOptionItems = {{QEV_OUT_CRT | QEV_OUT_TV, 0, 0, 0, 0, -1, -1}};
        g_PrimaryDevice = QEV_OUT_CRT;
        g_SecondaryDevice = QEV_OUT_TV;
    }
    void TearDown() override
    {
        for (GtkWidget **window : {&g_pTVAdjustmentWnd, &g_pPanelAdjustmentWnd})
            if (*window)
                gtk_widget_destroy(*window);
        apptest::Pump();
        EXPECT_TRUE(qevtest::SimCtlOk({"fault", "clear"}));
        for (const char *output : {"TV", "LCD", "DVI"})
            EXPECT_TRUE(qevtest::SimCtlOk({"plug", output}));
        // Back to the profile's values for the next test.
        const char *const kProfile[][2] = {
            {"tv.tv.pos", "15,15"}, {"tv.tv.size", "3,3"}, {"tv.tv.brightness_max", "255"}, {"adjust.lcd.pos", "10,10"},
            {"adjust.lcd.size", "10,10"}, {"adjust.dvi.pos", "10,10"}, {"active", "CRT,TV"}, {"expansion", "Expand"},
            {"tv.tv.signal", "Composite"}, {"tv.tv.ffilter", "FFON"}, {"tv.tv.affilter", "3"}, {"tv.tv.dotcrawl", "0"},
            {"tv.tv.brightness", "50"}, {"tv.tv.contrast", "50"}, {"tv.tv.saturation", "50"}, {"tv.tv.tint", "50"},
            {"tv.tv.aspect", "0"}};
        for (const auto &kv : kProfile)
            EXPECT_TRUE(qevtest::SimCtlOk({"set", kv[0], kv[1]}));
        QEVGFX_Close();
    }

    static GtkWidget *W(GtkWidget *window, const std::string &name) { return lookup_widget(window, name.c_str()); }
    // A press and a release on an arrow's event box.
    static void Arrow(GtkWidget *window, const std::string &prefix, const std::string &role)
    {
        GtkWidget *box = W(window, prefix + "_" + role + "_eventbox");
        ASSERT_NE(nullptr, box) << role;
        GdkEventButton event = {};
        event.button = 1;
        gboolean handled = FALSE;
        event.type = GDK_BUTTON_PRESS;
        g_signal_emit_by_name(box, "button_press_event", &event, &handled);
        event.type = GDK_BUTTON_RELEASE;
        g_signal_emit_by_name(box, "button_release_event", &event, &handled);
    }
    static void ReleaseSlider(GtkWidget *slider, double value)
    {
        gtk_range_set_value(GTK_RANGE(slider), value);
        GdkEventButton event = {};
        event.type = GDK_BUTTON_RELEASE;
        gboolean handled = FALSE;
        g_signal_emit_by_name(slider, "button_release_event", &event, &handled);
    }
    static bool Sensitive(GtkWidget *widget) { return widget && GTK_WIDGET_IS_SENSITIVE(widget); }
    static bool Active(GtkWidget *widget) { return gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(widget)); }
    static Pair TV(const char *key) { return qevtest::SimState({"tv", "tv", key}); }
    static Pair Output(const char *output, const char *key) { return qevtest::SimState({"outputs", output, key}); }
    static double HorizontalScale(unsigned output)
    {
        double scale[2] = {0, 0};
        return QEVGFX_DISPLAY_GetCurrentScale(output, scale), scale[0];
    }
};

TEST_F(AdjustmentWindows, TVWindowRecordsMovesAndCancels)
{
    ASSERT_TRUE(qevtest::SimCtlOk({"set", "tv.tv.pos", "1,15"}));
    on_SecDevice_Setting_TV_Advanced_Button_clicked(nullptr, nullptr);
    GtkWidget *w = g_pTVAdjustmentWnd;
    ASSERT_TRUE(w && gtk_window_get_modal(GTK_WINDOW(w)));
    EXPECT_EQ(unsigned(QEV_OUT_TV), g_TVSelect);
    // Aspect lock (8) beside dot crawl (4) only on the extension route.
    const guint32 recorded[] = {0, 3, 3, 1, 15, g_bRandRMode ? 4u : 12u, 0, 0, 61, 3, 50, 50, 50, 50};
    EXPECT_TRUE(std::equal(std::begin(recorded), std::end(recorded), g_TVAdjustData))
        << testing::PrintToString(std::vector<guint32>(g_TVAdjustData, g_TVAdjustData + TV_REC_COUNT));
    EXPECT_EQ("NTSC Composite", std::string(gtk_entry_get_text(GTK_ENTRY(W(w, "Display_Device_TV_Type_Combo_Entry")))) +
                                    " " + gtk_entry_get_text(GTK_ENTRY(W(w, "Display_Device_TV_Output_Combo_Entry"))));
    EXPECT_FALSE(Sensitive(W(w, "TV_Adjustment_Apply_button")));
    // Brightness 50 of 255 shows as 19.6 %; the plain flicker filter is on with its raw scale 0..3.
    EXPECT_NEAR(100.0 * 50 / 255, gtk_range_get_value(GTK_RANGE(W(w, "TV_Adjustment_Brightness_hscrollbar"))), 1e-9);
    EXPECT_TRUE(Active(W(w, "TV_Adjustment_Flicker_Filter_FFilter_radiobtn")));
    GtkAdjustment *flicker = gtk_range_get_adjustment(GTK_RANGE(W(w, "TV_Adjustment_Flicker_Filter_hscrollbar")));
    EXPECT_EQ((std::vector<double>{4, 3}), (std::vector<double>{flicker->upper, flicker->value}));

    // At h = 1 the left arrow is disabled and ignores its release.
    EXPECT_EQ(0, TV_dwPositionLeft);
    Arrow(w, "TV_Adjustment", "Position_Left");
    EXPECT_EQ(Pair({1, 15}), TV("pos"));
    EXPECT_FALSE(Sensitive(W(w, "TV_Adjustment_Apply_button")));
    for (int i = 0; i < 3; ++i)
        Arrow(w, "TV_Adjustment", "Position_Right");
    EXPECT_EQ(Pair({4, 15}), TV("pos"));
    EXPECT_EQ(1, TV_dwPositionLeft);
    EXPECT_TRUE(Sensitive(W(w, "TV_Adjustment_Apply_button")));
    Arrow(w, "TV_Adjustment", "Size_Up");
    EXPECT_EQ(Pair({3, g_bRandRMode ? 3 : 4}), TV("size"));  // under RandR the size is not sent
    if (g_bRandRMode) {
        EXPECT_FALSE(Sensitive(W(w, "TV_Adjustment_Size_Center_eventbox")));
        Arrow(w, "TV_Adjustment", "Position_Center");  // half the maximum
        EXPECT_EQ(Pair({15, 15}), TV("pos"));
    }
    gtk_button_clicked(GTK_BUTTON(W(w, "TV_Adjustment_Cancel_button")));
    EXPECT_EQ(nullptr, g_pTVAdjustmentWnd);
    EXPECT_EQ(Pair({1, 15}), TV("pos"));
    EXPECT_EQ(Pair({3, 3}), TV("size"));
}

TEST_F(AdjustmentWindows, TVFlickerDefaultAndClose)
{
    on_Device_Setting_TV_Advanced_Button_clicked(nullptr, nullptr);
    GtkWidget *w = g_pTVAdjustmentWnd;
    ASSERT_NE(nullptr, w);
    // The adaptive filter: the plain one goes off, the slider becomes 0..100.
    gtk_button_clicked(GTK_BUTTON(W(w, "TV_Adjustment_Flicker_Filter_Adaptive_FFilter_radiobtn")));
    int plain = -1, adaptive = -1;
    QEVGFX_TV_GetSettingItemState(QEV_OUT_TV, 1, &plain);
    QEVGFX_TV_GetSettingItemState(QEV_OUT_TV, 2, &adaptive);
    EXPECT_EQ((std::vector<int>{0, 1, 2}), (std::vector<int>{plain, adaptive, int(_FlickerFilterTuningItem)}));
    GtkWidget *flicker = W(w, "TV_Adjustment_Flicker_Filter_hscrollbar");
    EXPECT_EQ(101.0, gtk_range_get_adjustment(GTK_RANGE(flicker))->upper);
    ReleaseSlider(flicker, 50);
    EXPECT_EQ(3, TV("tuning")[1]);  // trunc(7 * 50 / 100)

    qevtest::SimLogClear();
    Arrow(w, "TV_Adjustment", "Position_Right");
    gtk_button_clicked(GTK_BUTTON(W(w, "TV_Adjustment_Default_Button")));
    std::vector<std::string> log = qevtest::SimLog();
    if (g_bRandRMode) {
        EXPECT_EQ(Pair({0, 0}), TV("pos"));
    } else {
        for (const char *line : {"21/9 status=1 inputs=65535,65535", "21/12 status=1 inputs=65535,65535",
                                 "21/16 status=1 inputs=4,65535", "21/19 status=1 inputs=4,65535"})
            EXPECT_NE(log.end(), std::find(log.begin(), log.end(), line)) << line;
        EXPECT_EQ(Pair({15, 15}), TV("pos"));
    }
    EXPECT_TRUE(Sensitive(W(w, "TV_Adjustment_Apply_button")));

    // A standard chosen is recorded for the Display page's Apply, not sent.
    gtk_entry_set_text(GTK_ENTRY(W(w, "Display_Device_TV_Type_Combo_Entry")), "PAL");
    EXPECT_EQ(2, g_TmpDisplayPageOptionItems.nItem[QEV_OPT_TV_STANDARD]);
    EXPECT_EQ(Pair({1}), TV("standard"));

    // Closing by the frame keeps what was sent.
    Arrow(w, "TV_Adjustment", "Position_Up");
    Pair moved = TV("pos");
    GdkEvent event = {};
    event.any.type = GDK_DELETE;
    event.any.window = w->window;
    gtk_main_do_event(&event);  // as the window manager's close arrives
    EXPECT_EQ(nullptr, g_pTVAdjustmentWnd);
    EXPECT_EQ(moved, TV("pos"));
}

TEST_F(AdjustmentWindows, TVBadInput)
{
    // Every query refused: zeros everywhere, nothing to move, no slider to use.
    ASSERT_TRUE(qevtest::SimCtlOk({"fault", "status0", "all"}));
    on_Device_Setting_TV_Advanced_Button_clicked(nullptr, nullptr);
    GtkWidget *w = g_pTVAdjustmentWnd;
    ASSERT_NE(nullptr, w);
    if (!g_bRandRMode) {
        for (int flag : {TV_dwPositionLeft, TV_dwPositionRight, TV_dwPositionUp, TV_dwPositionDown, TV_dwSizeLeft,
                         TV_dwSizeRight, TV_dwSizeUp, TV_dwSizeDown})
            EXPECT_EQ(0, flag);
        EXPECT_FALSE(Sensitive(W(w, "TV_Adjustment_Brightness_hscrollbar")));
        EXPECT_FALSE(Sensitive(W(w, "TV_Adjustment_Flicker_Filter_frame")));
    }
    gtk_button_clicked(GTK_BUTTON(W(w, "TV_Adjustment_Default_Button")));
    gtk_button_clicked(GTK_BUTTON(W(w, "TV_Adjustment_Cancel_button")));
    ASSERT_TRUE(qevtest::SimCtlOk({"fault", "clear"}));

    // Maxima of 0 with a supported item; then the TV goes away while the window is open.
    ASSERT_TRUE(qevtest::SimCtlOk({"set", "tv.tv.brightness_max", "0"}));
    on_Device_Setting_TV_Advanced_Button_clicked(nullptr, nullptr);
    w = g_pTVAdjustmentWnd;
    ASSERT_NE(nullptr, w);
    GtkWidget *brightness = W(w, "TV_Adjustment_Brightness_hscrollbar");
    EXPECT_FALSE(Sensitive(brightness));
    EXPECT_EQ(0.0, gtk_range_get_value(GTK_RANGE(brightness)));
    ASSERT_TRUE(qevtest::SimCtlOk({"unplug", "TV"}));
    for (const char *role : {"Position_Right", "Position_Center", "Size_Left", "Size_Center"})
        Arrow(w, "TV_Adjustment", role);
    ReleaseSlider(W(w, "TV_Adjustment_Contrast_hscrollbar"), 40);
    gtk_button_clicked(GTK_BUTTON(W(w, "TV_Adjustment_Default_Button")));
    gtk_button_clicked(GTK_BUTTON(W(w, "TV_Adjustment_OK_button")));
    EXPECT_EQ(nullptr, g_pTVAdjustmentWnd);
}

TEST_F(AdjustmentWindows, PanelWindowExpansionAndPads)
{
    ASSERT_TRUE(qevtest::SimCtlOk({"set", "active", "CRT,LCD"}));  // the LCD needs a CRTC to be scaled
    g_PrimaryDevice = QEV_OUT_LCD, g_SecondaryDevice = 0;
    g_TmpDisplayPageOptionItems.nItem[QEV_OPT_DEVICE_SET] = g_DisplayPageOptionItems.nItem[QEV_OPT_DEVICE_SET] =
        QEV_OUT_LCD | QEV_OUT_CRT;
    on_Device_Setting_LCD_Advanced_Button_clicked(nullptr, nullptr);
    GtkWidget *w = g_pPanelAdjustmentWnd;
    ASSERT_TRUE(w && w == W(w, "Panel_Adjustment_Window"));
    EXPECT_EQ(unsigned(QEV_OUT_LCD), g_DeviceSelect);
    GtkWidget *expand = W(w, "Device_Setting_LCD_Expansion_checkbtn");
    ASSERT_TRUE(GTK_WIDGET_VISIBLE(expand));
    EXPECT_TRUE(Active(expand));  // state 0: expanded
    EXPECT_EQ(0, g_DisplayPageOptionItems.nItem[QEV_OPT_LCD_EXPANSION]);
    EXPECT_FALSE(Sensitive(W(w, "Panel_Adjustment_Apply_button")));
    for (int state : {1, 0}) {
        gtk_button_clicked(GTK_BUTTON(expand));
        EXPECT_EQ(state, g_TmpDisplayPageOptionItems.nItem[QEV_OPT_LCD_EXPANSION]);
        EXPECT_EQ(Pair({1 - state}), qevtest::SimState({"expansion"}));  // pending until Apply
        gtk_button_clicked(GTK_BUTTON(W(w, "Panel_Adjustment_Apply_button")));
        EXPECT_EQ(Pair({state}), qevtest::SimState({"expansion"}));
        EXPECT_FALSE(Sensitive(W(w, "Panel_Adjustment_Apply_button")));
    }
    if (g_bRandRMode) {
        EXPECT_FALSE(Sensitive(W(w, "Panel_Adjustment_Position_Center_eventbox")));
        for (int i = 0; i < 6; ++i)  // five steps from 1.0 reach 0.5, and no further
            Arrow(w, "Panel_Adjustment", "Size_Left");
        EXPECT_NEAR(0.5, HorizontalScale(QEV_OUT_LCD), 1e-4);
        EXPECT_EQ(0, Panel_dwSizeLeft);
        EXPECT_NEAR(0.5, setScale[0], 1e-9);
        Arrow(w, "Panel_Adjustment", "Size_Center");
        EXPECT_NEAR(1.0, HorizontalScale(QEV_OUT_LCD), 1e-4);
    } else {
        // The pad's maximum is 11; a click still stops at the driver's maximum of 10.
        EXPECT_EQ(1, Panel_dwSizeRight);
        Arrow(w, "Panel_Adjustment", "Size_Right");
        EXPECT_EQ(Pair({10, 10}), Output("LCD", "size"));
        for (const char *role : {"Size_Left", "Position_Right", "Position_Down"})
            Arrow(w, "Panel_Adjustment", role);
        EXPECT_EQ((std::vector<Pair>{{9, 10}, {11, 9}}),
                  (std::vector<Pair>{Output("LCD", "size"), Output("LCD", "pos")}));
        gtk_button_clicked(GTK_BUTTON(W(w, "Panel_Adjustment_Cancel_button")));
        EXPECT_EQ((std::vector<Pair>{{10, 10}, {10, 10}}),
                  (std::vector<Pair>{Output("LCD", "size"), Output("LCD", "pos")}));
    }
    if (g_pPanelAdjustmentWnd)
        gtk_button_clicked(GTK_BUTTON(W(w, "Panel_Adjustment_Cancel_button")));
    EXPECT_EQ(nullptr, g_pPanelAdjustmentWnd);
}

TEST_F(AdjustmentWindows, DVIUsesHDMIWindow)
{
    g_SecondaryDevice = QEV_OUT_DVI;
    on_SecDevice_Setting_Advanced_Button_clicked(nullptr, nullptr);
    GtkWidget *w = g_pPanelAdjustmentWnd;
    ASSERT_TRUE(w && w == W(w, "HDMI_Adjustment_Window"));
    EXPECT_TRUE(Sensitive(W(w, "HDMI_Adjustment_Position_Center_eventbox")));
    Arrow(w, "HDMI_Adjustment", "Position_Right");
    EXPECT_TRUE(Sensitive(W(w, "HDMI_Adjustment_Apply_button")));
    if (!g_bRandRMode) {
        EXPECT_EQ(Pair({11, 10}), Output("DVI", "pos"));
    }
    gtk_button_clicked(GTK_BUTTON(W(w, "HDMI_Adjustment_OK_button")));
    EXPECT_EQ(nullptr, g_pPanelAdjustmentWnd);
}

}  // namespace
