// The Display page as a user reaches it: the main window built on the test
// server's adapter, the Display tab shown (its map handler builds the page),
// list items selected and buttons clicked.
#ifndef QEV_TESTS_APP_DISPLAY_GUI_H
#define QEV_TESTS_APP_DISPLAY_GUI_H

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <string>
#include <vector>

#include "Display_page.h"
#include "SAMMSetting.h"
#include "common.h"
#include "gui.h"
#include "interface.h"
#include "qevgfx.h"
#include "qevtest/qevtest.h"
#include "qevtest/sim_ctl.h"
#include "startup.h"
#include "support.h"

namespace apptest {

// Texts of every label inside `widget`, one after the other.
inline std::string AllLabelText(GtkWidget *widget)
{
    if (GTK_IS_LABEL(widget))
        return gtk_label_get_text(GTK_LABEL(widget));
    std::string text;
    if (GTK_IS_CONTAINER(widget)) {
        GList *children = gtk_container_get_children(GTK_CONTAINER(widget));
        for (GList *n = children; n; n = n->next)
            text += AllLabelText(GTK_WIDGET(n->data));
        g_list_free(children);
    }
    return text;
}

class DisplayPageTest : public GuiTest {
protected:
    void TearDown() override { Close(); }

    // Start-up as the program does it, then the Display tab.
    void Open()
    {
        static const bool images = (add_pixmap_directory((qevtest::source_dir() + "/pixmaps").c_str()), true);
        (void)images;
        ResetDisplayPageState();
        g_bSAMMMode = g_bSAMMModeChkBtnInitState = g_bSupportTwoTV = g_bSupportTwoLCD = 0;
        g_bIsSAMMScrnPosChanged = 0;
        g_ScreenLayout = {};
        QEVGFX_Open();
        QEVGFX_IsRandR(&g_bRandRMode);
        g_pMainWindow = create_MainWindow();
        ReadAdapterCapabilities(g_pMainWindow);
        gtk_widget_show(g_pMainWindow);
        Pump();
        gtk_notebook_set_current_page(GTK_NOTEBOOK(W("Info_notebook")), QEV_PAGE_DISPLAY);
        Pump();
        opened_ = true;
        ASSERT_EQ(1, g_bDisplayPageHasInitial);
    }
    void Close()
    {
        if (!opened_)
            return;
        for (GtkWidget **w : {&_pSAMMSettingDlg, &_pGemelSettingDlg, &g_pRestartXWnd, &g_pMainWindow}) {
            if (*w)
                gtk_widget_destroy(*w);
            *w = nullptr;
        }
        Pump();
        QEVGFX_Close();
        opened_ = false;
    }

    static GtkWidget *W(const char *name) { return lookup_widget(g_pMainWindow, name); }
    static bool Sensitive(const char *name) { return GTK_WIDGET_SENSITIVE(W(name)); }
    static bool Visible(const char *name) { return GTK_WIDGET_VISIBLE(W(name)); }
    // One character a widget: '+' sensitive, '-' insensitive, '_' hidden.
    static std::string Flags(std::initializer_list<const char *> names)
    {
        std::string flags;
        for (const char *name : names)
            flags += !Visible(name) ? '_' : Sensitive(name) ? '+' : '-';
        return flags;
    }

    static std::vector<std::string> EntriesIn(GtkWidget *window, const char *combo)
    {
        std::vector<std::string> out;
        GtkWidget *list = GTK_COMBO(lookup_widget(window, combo))->list;
        for (GList *n = GTK_LIST(list)->children; n; n = n->next)
            out.emplace_back(gtk_label_get_text(GTK_LABEL(gtk_bin_get_child(GTK_BIN(n->data)))));
        return out;
    }
    static std::vector<std::string> Entries(const char *combo) { return EntriesIn(g_pMainWindow, combo); }
    static std::string TextIn(GtkWidget *window, const char *combo)
    {
        return gtk_entry_get_text(GTK_ENTRY(GTK_COMBO(lookup_widget(window, combo))->entry));
    }
    static std::string Text(const char *combo) { return TextIn(g_pMainWindow, combo); }
    static std::string LabelOf(GtkWidget *w, const char *name) { return gtk_label_get_text(GTK_LABEL(lookup_widget(w, name))); }

    // Selects the list item reading `text`, as a click in the open list does.
    static void ChooseIn(GtkWidget *window, const char *combo, const char *text)
    {
        std::vector<std::string> entries = EntriesIn(window, combo);
        for (size_t i = 0; i < entries.size(); ++i) {
            if (entries[i] == text) {
                gtk_list_select_item(GTK_LIST(GTK_COMBO(lookup_widget(window, combo))->list), static_cast<gint>(i));
                Pump();
                return;
            }
        }
        ADD_FAILURE() << combo << " has no entry " << text;
    }
    static void Choose(const char *combo, const char *text) { ChooseIn(g_pMainWindow, combo, text); }
    static void ClickIn(GtkWidget *window, const char *button)
    {
        gtk_button_clicked(GTK_BUTTON(lookup_widget(window, button)));
        Pump();
    }
    static void Click(const char *button) { ClickIn(g_pMainWindow, button); }

    // Command log lines ("19/4 status=1 inputs=5") whose code is one of `codes`.
    static std::vector<std::string> Logged(std::initializer_list<const char *> codes)
    {
        std::vector<std::string> out;
        for (const std::string &line : qevtest::SimLog())
            for (const char *code : codes)
                if (line.rfind(std::string(code) + " ", 0) == 0)
                    out.push_back(line);
        return out;
    }
    // Standard and signal settings sent to the TV groups.
    static std::vector<std::string> TVSets()
    {
        return Logged({"21/3", "21/6", "23/3", "23/6", "25/3", "25/6", "26/3", "26/6"});
    }

private:
    bool opened_ = false;
};

}  // namespace apptest

#endif
