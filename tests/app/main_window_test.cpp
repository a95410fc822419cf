// The main window, its notebook bookkeeping and the quit dialog.
#include <gtest/gtest.h>

#include <string>

#include "common.h"
#include "gui.h"
#include "interface.h"
#include "support.h"

namespace {

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

gboolean QuitLoop(gpointer timedOut)
{
    *static_cast<bool *>(timedOut) = true;
    gtk_main_quit();
    return FALSE;
}

// Runs `action` from the main loop; true when the loop then ends within two seconds.
template <typename Action>
bool MainLoopEndsAfter(Action action)
{
    bool timedOut = false;
    g_idle_add([](gpointer a) { (*static_cast<Action *>(a))(); return FALSE; }, &action);
    guint guard = g_timeout_add(2000, QuitLoop, &timedOut);
    gtk_main();
    if (!timedOut)
        g_source_remove(guard);
    return !timedOut;
}

class MainWindow : public apptest::GuiTest {
protected:
    void TearDown() override
    {
        if (window)
            gtk_widget_destroy(window);
        g_pMainWindow = nullptr;
        g_bRandRMode = 0;
    }
    GtkWidget *Build(int randr)
    {
        g_bRandRMode = randr;
        return window = create_MainWindow();
    }
    GtkWidget *window = nullptr;
};

}  // namespace

TEST_F(MainWindow, NotebookPagesFollowRandR)
{
    for (int randr : {0, 1}) {
        SCOPED_TRACE(randr ? "RandR" : "no RandR");
        Build(randr);
        EXPECT_STREQ("QEV Display Utility", gtk_window_get_title(GTK_WINDOW(window)));
        EXPECT_FALSE(gtk_window_get_resizable(GTK_WINDOW(window)));
        EXPECT_EQ("400x520", std::to_string(apptest::RequestOf(window).width) + "x" +
                                 std::to_string(apptest::RequestOf(window).height));
        GtkWidget *notebook = lookup_widget(window, "Info_notebook");
        auto pages = [&] {  // tab texts, "!" before a page that is not the registered sheet
            const char *const names[] = {"Info", "Display", "Gamma", "Overlay", "Settings", "-"};
            std::string s;
            for (int i = 0; i < gtk_notebook_get_n_pages(GTK_NOTEBOOK(notebook)) && i < 6; ++i)
                s += (gtk_notebook_get_nth_page(GTK_NOTEBOOK(notebook), i) ==
                              lookup_widget(window, ("PropertySheet_" + std::string(names[i])).c_str())
                          ? ""
                          : "!") +
                     TabText(notebook, i) + "|";
            return s;
        };
        EXPECT_EQ(std::string("Info|Display|Gamma|Video|") + (randr ? "Settings|" : ""), pages());
        SetNoteBookTabLabelWithPixmap(window);
        EXPECT_EQ(std::string("    Info    |   Display   |   Gamma   |   Video   |") + (randr ? "Settings|" : ""),
                  pages());
        gtk_widget_destroy(window);
        window = nullptr;
    }
}

// Exit and the window manager's close end the main loop (GTK must not destroy
// the window itself); so does the quit dialog's button.
TEST_F(MainWindow, ExitCloseAndQuitDialogEndTheMainLoop)
{
    Build(0);
    gtk_widget_show(window);
    apptest::Pump();
    EXPECT_TRUE(MainLoopEndsAfter([&] { gtk_button_clicked(GTK_BUTTON(lookup_widget(window, "Info_Cancel_button"))); }))
        << "Exit";

    gboolean handled = FALSE;
    g_object_add_weak_pointer(G_OBJECT(window), reinterpret_cast<gpointer *>(&window));
    EXPECT_TRUE(MainLoopEndsAfter([&] {
        GdkEvent *event = gdk_event_new(GDK_DELETE);
        event->any.window = static_cast<GdkWindow *>(g_object_ref(gtk_widget_get_window(window)));
        handled = gtk_widget_event(window, event);
        gdk_event_free(event);
    }));
    EXPECT_TRUE(handled);
    apptest::Pump();
    ASSERT_NE(nullptr, window);
    g_object_remove_weak_pointer(G_OBJECT(window), reinterpret_cast<gpointer *>(&window));

    GtkWidget *dialog = create_Z7Utility_Quit_Dialog();
    EXPECT_STREQ("QEV Display Utility can't be launched because the X configuration has been changed. "
                 "Please restart the X Window system for the changes to take effect.",
                 gtk_label_get_text(GTK_LABEL(lookup_widget(dialog, "Z7Utility_Quit_Dialog_label"))));
    gtk_widget_show(dialog);
    EXPECT_TRUE(MainLoopEndsAfter(
        [&] { gtk_button_clicked(GTK_BUTTON(lookup_widget(dialog, "Z7Utility_Quit_Dialog_button"))); }));
    gtk_widget_destroy(dialog);
}
