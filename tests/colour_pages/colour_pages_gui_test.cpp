// The Gamma and Video pages in-process on the simulated adapter: slider
// releases reach the driver, scheme files after Save as, choose, Delete, Apply
// and Exit, and the overlay poll with qevsim-play.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "Gamma_page.h"
#include "Overlay_page.h"
#include "callbacks.h"
#include "child.h"
#include "common.h"
#include "gui.h"
#include "interface.h"
#include "qevgfx.h"
#include "qevtest/process.h"
#include "startup.h"
#include "support.h"

namespace {

const std::string kGammaFile = "/etc/X11/.Z7UtilityGammaSchemeFile";
const std::string kOverlayFile = "/etc/X11/.Z7UtilityOverlaySchemeFile";

size_t FileSize(const std::string &path)
{
    return qevtest::read_file(path).value_or("").size();
}

// The active record's name in a scheme file.
std::string ActiveName(const std::string &path)
{
    std::string data = qevtest::read_file(path).value_or("");
    return data.size() < 8 ? "?" : std::string(data.c_str() + 4);
}

using apptest::PumpUntil;

class ColourPages : public apptest::GuiTest {
protected:
    void SetUp() override
    {
        apptest::GuiTest::SetUp();
        if (HasFatalFailure())
            return;
        unlink(kGammaFile.c_str());
        unlink(kOverlayFile.c_str());
        static bool pixmaps = (add_pixmap_directory((qevtest::source_dir() + "/pixmaps").c_str()), true);
        (void)pixmaps;
        QEVGFX_Open();
        QEVGFX_IsRandR(&g_bRandRMode);
        g_bGammaPageHasInitial = g_bOverlayPageHasInitial = g_bVideoIsOpen = 0;
        g_pMainWindow = create_MainWindow();
        ReadAdapterCapabilities(g_pMainWindow);
        gtk_widget_show(g_pMainWindow);
        apptest::Pump();
    }
    void TearDown() override
    {
        StopPlayer();
        if (GtkWidget *noVideo = Toplevel("Overlay_NoYUVData_Dialog"))
            gtk_widget_destroy(noVideo);
        FreeGammaGlobal();
        FreeOverlayGlobal();
        for (GtkWidget **w : {&g_pGammaSaveSchemeWnd, &g_pSchemeWarningWnd, &g_pMainWindow})
            if (*w)
                gtk_widget_destroy(*w);
        g_pGammaSaveSchemeWnd = g_pSchemeWarningWnd = g_pMainWindow = nullptr;
        apptest::Pump();
        QEVGFX_Close();
    }

    GtkWidget *W(const char *name) { return lookup_widget(g_pMainWindow, name); }
    void ShowPage(int index)
    {
        gtk_notebook_set_current_page(GTK_NOTEBOOK(W("Info_notebook")), index);
        apptest::Pump();
    }
    // A mouse release on a scrollbar at `value`.
    void Release(const char *scrollbar, double value)
    {
        GtkWidget *s = W(scrollbar);
        gtk_range_set_value(GTK_RANGE(s), value);
        gboolean handled = FALSE;
        GdkEvent *event = gdk_event_new(GDK_BUTTON_RELEASE);
        event->button.window = GDK_WINDOW(g_object_ref(s->window));
        event->button.button = 1;
        g_signal_emit_by_name(s, "button_release_event", event, &handled);
        gdk_event_free(event);
    }
    std::array<unsigned short, 256> RedTable()
    {
        std::array<unsigned short, 256> red{}, green{}, blue{};
        EXPECT_TRUE(QEVGFX_GAMMA_GetLookUpTable(red.data(), green.data(), blue.data()));
        return red;
    }
    bool ApplySensitive() { return GTK_WIDGET_IS_SENSITIVE(W("Info_Apply_button")); }
    const char *EntryText(const char *entry) { return gtk_entry_get_text(GTK_ENTRY(W(entry))); }
    // The open top-level window registered as `name`, or null.
    static GtkWidget *Toplevel(const char *name)
    {
        GtkWidget *window = nullptr;
        GList *toplevels = gtk_window_list_toplevels();
        for (GList *l = toplevels; l; l = l->next)
            if (GTK_WIDGET_VISIBLE(l->data) && g_object_get_data(G_OBJECT(l->data), name) == l->data)
                window = GTK_WIDGET(l->data);
        g_list_free(toplevels);
        return window;
    }
    // "Save as...", the name typed into the window `dialog` and its OK.
    void SaveAs(const char *page, const char *dialog, const char *entry, const char *ok, const char *name)
    {
        gtk_button_clicked(GTK_BUTTON(W((std::string(page) + "_Scheme_SaveAs_Button").c_str())));
        GtkWidget *window = Toplevel(dialog);
        ASSERT_NE(nullptr, window);
        gtk_entry_set_text(GTK_ENTRY(lookup_widget(window, entry)), name);
        gtk_button_clicked(GTK_BUTTON(lookup_widget(window, ok)));
        apptest::Pump();
    }
    void SaveGamma(const char *name)
    {
        SaveAs("Gamma", "Gamma_Save_Scheme_Window", "Gamma_Save_Scheme_entry", "Gamma_Save_Scheme_OK_button", name);
    }

    void StartPlayer()
    {
        player_ = std::make_unique<apptest::Child>(std::vector<std::string>{qevtest::build_dir() + "/sim/qevsim-play"});
        ASSERT_TRUE(player_->started());
    }
    void StopPlayer() { player_.reset(); }
    std::unique_ptr<apptest::Child> player_;
};

TEST_F(ColourPages, GammaSlidersSchemesApplyAndExit)
{
    ShowPage(QEV_PAGE_GAMMA);
    ASSERT_EQ(1, g_bGammaPageHasInitial);
    EXPECT_FALSE(ApplySensitive());
    EXPECT_EQ(0, RedTable()[0]);
    EXPECT_FALSE(qevtest::file_exists(kGammaFile));

    // A release reaches the driver's table.
    Release("Gamma_Brightness_Hscrollbar", 200);
    EXPECT_EQ(150, RedTable()[0]);
    EXPECT_TRUE(ApplySensitive());

    // Apply without a file creates one of 520 bytes.
    on_Apply_button_clicked(GTK_BUTTON(W("Info_Apply_button")), nullptr);
    EXPECT_EQ(520u, FileSize(kGammaFile));

    // Save as: a new name is stored, an empty, listed or too long one is refused.
    Release("Gamma_Gamma_Hscrollbar", 50);
    const std::array<unsigned short, 256> warm = RedTable();
    SaveGamma("Warm");
    EXPECT_EQ(nullptr, g_pGammaSaveSchemeWnd);
    EXPECT_EQ(1036u, FileSize(kGammaFile));
    EXPECT_STREQ("Warm", EntryText("Gamma_Scheme_Combo_Entry"));
    for (const std::string &refused : {std::string("Warm"), std::string(), std::string(300, 'x')}) {
        SaveGamma(refused.c_str());
        EXPECT_EQ(refused.size() < 256, g_pSchemeWarningWnd != nullptr) << refused.size();
        EXPECT_EQ(1036u, FileSize(kGammaFile));
        on_Save_Scheme_Warning_OK_button_clicked(nullptr, nullptr);
        on_Gamma_Save_Scheme_Cancel_button_clicked(nullptr, nullptr);
    }

    // Default, then choosing "Warm" brings its table back and makes it active.
    gtk_button_clicked(GTK_BUTTON(W("Gamma_Scheme_Default_Button")));
    EXPECT_EQ(0, RedTable()[0]);
    EXPECT_STREQ("", EntryText("Gamma_Scheme_Combo_Entry"));
    gtk_list_select_item(GTK_LIST(GTK_COMBO(W("Gamma_Scheme_Combo"))->list), 0);
    EXPECT_EQ(warm, RedTable());
    EXPECT_EQ("Warm", ActiveName(kGammaFile));

    // Delete removes the chosen scheme.
    gtk_button_clicked(GTK_BUTTON(W("Gamma_Scheme_Delete_Button")));
    EXPECT_EQ(520u, FileSize(kGammaFile));
    EXPECT_EQ(0u, g_list_length(GTK_LIST(GTK_COMBO(W("Gamma_Scheme_Combo"))->list)->children));
    EXPECT_FALSE(GTK_WIDGET_IS_SENSITIVE(W("Gamma_Scheme_Delete_Button")));
    // Exit restores the confirmed table (the one applied) and active record.
    CancelGammaPageChange();
    EXPECT_EQ(150, RedTable()[0]);
    EXPECT_NE(warm, RedTable());
    EXPECT_EQ("", ActiveName(kGammaFile));

}

TEST_F(ColourPages, PagesStartFromTheirSchemeFiles)
{
    GammaPageState state{};
    SetGammaDefaults(&state);
    state.fBrightness[0] = 2.0f;
    state.wChannelMask = 1;
    SchemeRecord a{}, b{};
    CopySchemeRecord(&b, nullptr, &state);
    snprintf(b.chName, sizeof b.chName, "B");
    snprintf(a.chName, sizeof a.chName, "A");
    ASSERT_TRUE(qevtest::write_file(kGammaFile, SerializeSchemeFile(kGammaSchemeLayout,
        {SchemeRecordToBytes(b), {SchemeRecordToBytes(a), SchemeRecordToBytes(b)}})));
    const int values[4] = {40, 128, 128, 128};
    std::string movie = OverlayRecordToBytes(MakeOverlaySchemeRecord("Movie", values));
    ASSERT_TRUE(qevtest::write_file(kOverlayFile, SerializeSchemeFile(kOverlaySchemeLayout, {movie, {movie}})));

    ShowPage(QEV_PAGE_GAMMA);
    EXPECT_STREQ("B", EntryText("Gamma_Scheme_Combo_Entry"));
    EXPECT_STREQ("Red", EntryText("Gamma_Calibrate_ChangeType_Combo_Entry"));
    EXPECT_EQ(150, RedTable()[0]);
    EXPECT_DOUBLE_EQ(200, gtk_range_get_value(GTK_RANGE(W("Gamma_Brightness_Hscrollbar"))));
    ShowPage(QEV_PAGE_VIDEO);
    EXPECT_STREQ("Movie", EntryText("Overlay_Scheme_Combo_Entry"));
    EXPECT_DOUBLE_EQ(40, gtk_range_get_value(GTK_RANGE(W("Overlay_Hue_Hscrollbar"))));
}

TEST_F(ColourPages, DamagedAndUnreadableSchemeFiles)
{
    ASSERT_TRUE(qevtest::write_file(kGammaFile, std::string("\x05\0\0\0", 4) + std::string(600, 'x')));
    ShowPage(QEV_PAGE_GAMMA);
    EXPECT_EQ(std::string("\x05\0\0\0", 4) + std::string(600, 'x'),
              qevtest::read_file(kGammaFile + ".damaged").value_or(""));
    EXPECT_FALSE(qevtest::file_exists(kGammaFile));
    EXPECT_EQ(0, RedTable()[0]) << "the defaults";
    SaveGamma("Fresh");
    EXPECT_EQ(1036u, FileSize(kGammaFile)) << "a later save starts a good file";
    unlink((kGammaFile + ".damaged").c_str());

    // A scheme file that cannot be read: the page starts, saving stays off.
    ASSERT_EQ(0, mkdir(kOverlayFile.c_str(), 0755));
    ShowPage(QEV_PAGE_VIDEO);
    EXPECT_FALSE(GTK_WIDGET_SENSITIVE(W("Overlay_Scheme_SaveAs_Button")));
    EXPECT_EQ(0, rmdir(kOverlayFile.c_str()));
}

TEST_F(ColourPages, VideoPageFollowsTheOverlayAndKeepsSchemes)
{
    ASSERT_NE(0u, g_TimeoutID) << "the poll is installed at start-up";
    ShowPage(QEV_PAGE_VIDEO);
    ASSERT_EQ(1, g_bOverlayPageHasInitial);
    ASSERT_TRUE(PumpUntil([&] { return !GTK_WIDGET_IS_SENSITIVE(W("PropertySheet_Overlay")); }, 5));
    EXPECT_FALSE(GTK_WIDGET_VISIBLE(W("Overlay_Gemel_Setting_Button"))) << "not in clone mode";
    // No video: "No YUV Data" is open; its OK goes back to the page shown before.
    GtkWidget *noVideo = Toplevel("Overlay_NoYUVData_Dialog");
    ASSERT_NE(nullptr, noVideo);
    gtk_button_clicked(GTK_BUTTON(lookup_widget(noVideo, "Overlay_NoYUVData_OK_button")));
    apptest::Pump();
    EXPECT_EQ(QEV_PAGE_INFO, gtk_notebook_get_current_page(GTK_NOTEBOOK(W("Info_notebook"))));
    EXPECT_EQ(nullptr, Toplevel("Overlay_NoYUVData_Dialog"));

    StartPlayer();
    ASSERT_TRUE(PumpUntil([&] { return GTK_WIDGET_IS_SENSITIVE(W("PropertySheet_Overlay")) != 0; }, 5));
    ShowPage(QEV_PAGE_VIDEO);
    EXPECT_EQ(nullptr, Toplevel("Overlay_NoYUVData_Dialog"));
    EXPECT_EQ(QEV_PAGE_VIDEO, _ulPageIndex);
    int hue = 0, hue200 = 0, hue10 = 0;
    Release("Overlay_Hue_Hscrollbar", 200);
    EXPECT_TRUE(QEVGFX_Overlay_GetAttribute(0, &hue200));
    EXPECT_LE(199, hue200);  // the driver's scale rounds
    EXPECT_TRUE(ApplySensitive());

    // The video goes; the next one starts at the driver's value and is given
    // the page's again.
    StopPlayer();
    ASSERT_TRUE(PumpUntil([&] { return !GTK_WIDGET_IS_SENSITIVE(W("PropertySheet_Overlay")); }, 5));
    QEVGFX_Overlay_SetAttribute(0, 128);
    StartPlayer();
    ASSERT_TRUE(PumpUntil([&] { return GTK_WIDGET_IS_SENSITIVE(W("PropertySheet_Overlay")) != 0; }, 5));
    EXPECT_TRUE(QEVGFX_Overlay_GetAttribute(0, &hue));
    EXPECT_EQ(hue200, hue);

    // Save as, Apply, choose, Exit.
    SaveAs("Overlay", "Overlay_Save_Scheme_Dialog", "Overlay_Save_Scheme_Entry", "Overlay_Save_Scheme_OK_Button",
           "Movie");
    EXPECT_EQ(1028u, FileSize(kOverlayFile));
    Release("Overlay_Hue_Hscrollbar", 10);
    EXPECT_TRUE(QEVGFX_Overlay_GetAttribute(0, &hue10));
    on_Apply_button_clicked(GTK_BUTTON(W("Info_Apply_button")), nullptr);
    EXPECT_EQ("", ActiveName(kOverlayFile));
    gtk_list_select_item(GTK_LIST(GTK_COMBO(W("Overlay_Scheme_Combo"))->list), 0);
    EXPECT_TRUE(QEVGFX_Overlay_GetAttribute(0, &hue));
    EXPECT_EQ(hue200, hue);
    EXPECT_EQ("Movie", ActiveName(kOverlayFile));
    CancelOverlayScheme();
    EXPECT_TRUE(QEVGFX_Overlay_GetAttribute(0, &hue));
    EXPECT_EQ(hue10, hue);
    EXPECT_EQ("", ActiveName(kOverlayFile));
    EXPECT_EQ(1028u, FileSize(kOverlayFile)) << "schemes saved since Apply stay";
}

}  // namespace
