// The main window, its notebook bookkeeping and the quit dialog.
#include <gtest/gtest.h>

#include <string>

#include "callbacks.h"
#include "Overlay_page.h"
#include "common.h"
#include "gui.h"
#include "interface.h"
#include "qevgfx.h"
#include "qevtest/qevtest.h"
#include "startup.h"
#include "support.h"

using apptest::PlacementOf;
using apptest::RequestOf;

namespace {

struct Expected {
    const char *name;
    const char *parent;  // registered name of the fixed container holding it
    int x, y, width, height;
};

void ExpectLayout(GtkWidget *window, const Expected &e)
{
    SCOPED_TRACE(e.name);
    GtkWidget *w = lookup_widget(window, e.name);
    ASSERT_NE(nullptr, w);
    EXPECT_EQ(lookup_widget(window, e.parent), gtk_widget_get_parent(w));
    EXPECT_EQ(e.x, PlacementOf(w).x);
    EXPECT_EQ(e.y, PlacementOf(w).y);
    EXPECT_EQ(e.width, RequestOf(w).width);
    EXPECT_EQ(e.height, RequestOf(w).height);
}

std::string LabelText(GtkWidget *window, const char *name)
{
    GtkWidget *w = lookup_widget(window, name);
    return w && GTK_IS_LABEL(w) ? gtk_label_get_text(GTK_LABEL(w)) : "<no label>";
}

// Text of the label inside a (possibly boxed) tab label.
std::string TabText(GtkWidget *notebook, int index)
{
    GtkWidget *tab = gtk_notebook_get_tab_label(GTK_NOTEBOOK(notebook),
                                                gtk_notebook_get_nth_page(GTK_NOTEBOOK(notebook), index));
    if (tab && GTK_IS_BOX(tab)) {
        GList *children = gtk_container_get_children(GTK_CONTAINER(tab));
        tab = children ? GTK_WIDGET(children->data) : nullptr;
        g_list_free(children);
    }
    return tab && GTK_IS_LABEL(tab) ? gtk_label_get_text(GTK_LABEL(tab)) : "<none>";
}

class MainWindow : public apptest::GuiTest {
protected:
    void SetUp() override
    {
        apptest::GuiTest::SetUp();
        savedRandR = g_bRandRMode;
    }
    void TearDown() override
    {
        if (window)
            gtk_widget_destroy(window);
        g_pMainWindow = nullptr;
        g_bRandRMode = savedRandR;
    }
    GtkWidget *Build(int randr)
    {
        g_bRandRMode = randr;
        window = create_MainWindow();
        return window;
    }
    GtkWidget *window = nullptr;
    int savedRandR = 0;
};

}  // namespace

TEST_F(MainWindow, Layout)
{
    Build(0);
    EXPECT_STREQ("QEV Display Utility", gtk_window_get_title(GTK_WINDOW(window)));
    EXPECT_FALSE(gtk_window_get_resizable(GTK_WINDOW(window)));
    EXPECT_EQ(400, RequestOf(window).width);
    EXPECT_EQ(520, RequestOf(window).height);
    int w = 0, h = 0;
    gtk_window_get_default_size(GTK_WINDOW(window), &w, &h);
    EXPECT_EQ(400, w);
    EXPECT_EQ(520, h);
    EXPECT_EQ(window, lookup_widget(window, "MainWindow"));

    const Expected table[] = {
        {"Info_Title_Bar_pixmap", "fixed1", 10, 10, 377, 61},
        {"Info_notebook", "fixed1", 10, 80, 380, 380},
        {"Dummy_Window_for_XvPutImage", "fixed1", 10, 465, 140, 25},
        {"Info_Cancel_button", "fixed1", 240, 480, 70, 28},
        {"Info_Apply_button", "fixed1", 320, 480, 70, 28},
        {"Info_Version_Label", "PropertySheet_Info", 200, 8, 150, 20},
        {"Info_SysConf_frame", "PropertySheet_Info", 25, 35, 330, 150},
        {"Info_Chiptype_label", "fixed3", 25, 15, 110, 20},
        {"Info_Chiptype_value_label", "fixed3", 160, 15, 160, 20},
        {"Info_BIOSver_label", "fixed3", 25, 40, 170, 20},
        {"Info_BIOSver_value_label", "fixed3", 160, 40, 125, 20},
        {"Info_VideoMem_label", "fixed3", 25, 65, 110, 20},
        {"Info_VideoMem_value_label", "fixed3", 160, 65, 110, 20},
        {"Info_Driver_frame", "PropertySheet_Info", 25, 200, 330, 130},
        {"Info_DisplayDrv_label", "fixed4", 25, 15, 60, 20},
        {"Info_DisplayDrv_value_label", "fixed4", 110, 15, 220, 20},
    };
    for (const Expected &e : table)
        ExpectLayout(window, e);

    EXPECT_EQ(lookup_widget(window, "Info_SysConf_frame"), gtk_widget_get_parent(lookup_widget(window, "fixed3")));
    EXPECT_EQ(lookup_widget(window, "Info_Driver_frame"), gtk_widget_get_parent(lookup_widget(window, "fixed4")));
    EXPECT_TRUE(GTK_IS_PIXMAP(lookup_widget(window, "Info_Title_Bar_pixmap")));
    EXPECT_EQ("Exit", std::string(gtk_button_get_label(GTK_BUTTON(lookup_widget(window, "Info_Cancel_button")))));
    EXPECT_FALSE(GTK_WIDGET_SENSITIVE(lookup_widget(window, "Info_Apply_button")));
    EXPECT_EQ("", LabelText(window, "Dummy_Window_for_XvPutImage"));
    EXPECT_EQ("Chip Type :", LabelText(window, "Info_Chiptype_label"));
    EXPECT_EQ("VGA BIOS Version :", LabelText(window, "Info_BIOSver_label"));
    EXPECT_EQ("Video Memory :", LabelText(window, "Info_VideoMem_label"));
    EXPECT_EQ("Display :", LabelText(window, "Info_DisplayDrv_label"));
    EXPECT_TRUE(gtk_label_get_line_wrap(GTK_LABEL(lookup_widget(window, "Info_DisplayDrv_value_label"))));
    EXPECT_STREQ("System Configuration",
                 gtk_frame_get_label(GTK_FRAME(lookup_widget(window, "Info_SysConf_frame"))));
    EXPECT_EQ(GTK_SHADOW_ETCHED_OUT, gtk_frame_get_shadow_type(GTK_FRAME(lookup_widget(window, "Info_Driver_frame"))));
}

TEST_F(MainWindow, NotebookPagesFollowRandR)
{
    const char *const names[] = {"PropertySheet_Info", "PropertySheet_Display", "PropertySheet_Gamma",
                                 "PropertySheet_Overlay", "PropertySheet_Settings"};
    const char *const tabs[] = {"Info", "Display", "Gamma", "Video", "Settings"};
    for (int randr : {0, 1}) {
        SCOPED_TRACE(randr ? "RandR" : "no RandR");
        Build(randr);
        GtkWidget *notebook = lookup_widget(window, "Info_notebook");
        int pages = randr ? 5 : 4;
        ASSERT_EQ(pages, gtk_notebook_get_n_pages(GTK_NOTEBOOK(notebook)));
        for (int i = 0; i < pages; ++i) {
            EXPECT_EQ(lookup_widget(window, names[i]), gtk_notebook_get_nth_page(GTK_NOTEBOOK(notebook), i));
            EXPECT_EQ(tabs[i], TabText(notebook, i));
        }
        if (!randr) {
            apptest::WarningCatcher warnings;
            EXPECT_EQ(nullptr, lookup_widget(window, "PropertySheet_Settings"));
        }

        SetNoteBookTabLabelWithPixmap(window);
        const char *const padded[] = {"    Info    ", "   Display   ", "   Gamma   ", "   Video   ", "Settings"};
        for (int i = 0; i < pages; ++i)
            EXPECT_EQ(padded[i], TabText(notebook, i));
        gtk_widget_destroy(window);
        window = nullptr;
    }
}

TEST_F(MainWindow, ShownPagesAreRememberedAndBuiltOnce)
{
    Build(1);
    g_pMainWindow = window;
    GtkWidget *notebook = lookup_widget(window, "Info_notebook");
    gtk_widget_show(window);
    apptest::Pump();
    EXPECT_EQ(0, _ulPageIndex);

    g_bDisplayPageHasInitial = g_bGammaPageHasInitial = g_bOverlayPageHasInitial = 0;
    g_bVideoIsOpen = 1;  // without video the Video page is not remembered
    struct Step {
        int page;
        int *builtFlag;
    };
    const Step steps[] = {{1, &g_bDisplayPageHasInitial}, {2, &g_bGammaPageHasInitial},
                          {3, &g_bOverlayPageHasInitial}, {4, nullptr}, {0, nullptr}, {1, &g_bDisplayPageHasInitial}};
    for (const Step &s : steps) {
        gtk_notebook_set_current_page(GTK_NOTEBOOK(notebook), s.page);
        apptest::Pump();
        EXPECT_EQ(s.page, _ulPageIndex);
        if (s.builtFlag) {
            EXPECT_EQ(1, *s.builtFlag) << "page " << s.page;
        }
    }
}

namespace {

gboolean FailIfStillRunning(gpointer flag)
{
    *static_cast<bool *>(flag) = true;
    gtk_main_quit();
    return FALSE;
}

// Runs the main loop until something ends it or two seconds pass; true when
// something else ended it.
bool MainLoopEnds()
{
    bool timedOut = false;
    guint guard = g_timeout_add(2000, FailIfStillRunning, &timedOut);
    gtk_main();
    if (!timedOut)
        g_source_remove(guard);
    return !timedOut;
}

gboolean ClickLater(gpointer button)
{
    gtk_button_clicked(GTK_BUTTON(button));
    return FALSE;
}

struct DeleteRequest {
    GtkWidget *window;
    gboolean handled;
};

gboolean DeleteLater(gpointer data)
{
    auto *request = static_cast<DeleteRequest *>(data);
    GdkEvent *event = gdk_event_new(GDK_DELETE);
    event->any.window = static_cast<GdkWindow *>(g_object_ref(gtk_widget_get_window(request->window)));
    request->handled = gtk_widget_event(request->window, event);
    gdk_event_free(event);
    return FALSE;
}

}  // namespace

TEST_F(MainWindow, ExitAndCloseEndTheMainLoop)
{
    Build(0);
    gtk_widget_show(window);
    apptest::Pump();

    g_idle_add(ClickLater, lookup_widget(window, "Info_Cancel_button"));
    EXPECT_TRUE(MainLoopEnds());

    DeleteRequest request{window, FALSE};
    g_object_add_weak_pointer(G_OBJECT(window), reinterpret_cast<gpointer *>(&window));
    g_idle_add(DeleteLater, &request);
    EXPECT_TRUE(MainLoopEnds());
    EXPECT_TRUE(request.handled);  // GTK must not destroy the window itself
    apptest::Pump();
    EXPECT_NE(nullptr, window);
    if (window)
        g_object_remove_weak_pointer(G_OBJECT(window), reinterpret_cast<gpointer *>(&window));
}

TEST_F(MainWindow, QuitDialog)
{
    GtkWidget *dialog = create_Z7Utility_Quit_Dialog();
    EXPECT_STREQ("QEV Display Utility Quit Dialog", gtk_window_get_title(GTK_WINDOW(dialog)));
    EXPECT_FALSE(gtk_window_get_resizable(GTK_WINDOW(dialog)));
    EXPECT_EQ(300, RequestOf(dialog).width);
    EXPECT_EQ(150, RequestOf(dialog).height);
    const Expected table[] = {
        {"Z7Utility_Quit_Dialog_Info_pixmap", "fixed1", 20, 30, 21, 21},
        {"Z7Utility_Quit_Dialog_label", "fixed1", 60, 10, 200, 100},
        {"Z7Utility_Quit_Dialog_button", "fixed1", 170, 115, 90, 28},
    };
    for (const Expected &e : table)
        ExpectLayout(dialog, e);
    GtkLabel *label = GTK_LABEL(lookup_widget(dialog, "Z7Utility_Quit_Dialog_label"));
    EXPECT_TRUE(gtk_label_get_line_wrap(label));
    EXPECT_EQ(GTK_JUSTIFY_FILL, gtk_label_get_justify(label));
    EXPECT_EQ(std::string("QEV Display Utility can't be launched because the X configuration has been changed. "
                          "Please restart the X Window system for the changes to take effect."),
              gtk_label_get_text(label));

    gtk_widget_show(dialog);
    g_idle_add(ClickLater, lookup_widget(dialog, "Z7Utility_Quit_Dialog_button"));
    EXPECT_TRUE(MainLoopEnds());
    gtk_widget_destroy(dialog);
}

TEST_F(MainWindow, AdapterWithColourControlsKeepsEveryPage)
{
    QEVGFX_Open();
    int randr = 0;
    QEVGFX_IsRandR(&randr);
    Build(randr);
    ReadAdapterCapabilities(window);
    QEVGFX_Close();
    GtkWidget *notebook = lookup_widget(window, "Info_notebook");
    EXPECT_EQ(randr ? 5 : 4, gtk_notebook_get_n_pages(GTK_NOTEBOOK(notebook)));
    EXPECT_EQ(lookup_widget(window, "PropertySheet_Overlay"), gtk_notebook_get_nth_page(GTK_NOTEBOOK(notebook), 3));
}
