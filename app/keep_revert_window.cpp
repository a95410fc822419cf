#include "keep_revert_window.h"

#include <gdk/gdkkeysyms.h>

#include "Display_page.h"
#include "SAMMSetting.h"
#include "Settings_page.h"
#include "common.h"
#include "qev/outputs.h"
#include "qevgfx.h"
#include "saveconfig.h"
#include "support.h"

GtkWidget *g_pKeepRevertWnd = nullptr;

namespace
{

DisplaySnapshot g_before;
int g_secondsLeft = 0;
guint g_timer = 0;

void ShowError(const char *text)
{
    GtkWidget *box = gtk_message_dialog_new(GTK_WINDOW(g_pMainWindow), GTK_DIALOG_MODAL, GTK_MESSAGE_ERROR,
                                            GTK_BUTTONS_OK, "%s", text);
    g_signal_connect(box, "response", G_CALLBACK(gtk_widget_destroy), nullptr);
    gtk_widget_show(box);
}

// Ends the question; `revert` restores the screen from before Apply.
void Finish(bool revert)
{
    if (g_timer) {
        g_source_remove(g_timer);
        g_timer = 0;
    }
    if (g_pKeepRevertWnd) {
        GtkWidget *w = g_pKeepRevertWnd;
        g_pKeepRevertWnd = nullptr;
        gtk_widget_destroy(w);
    }
    if (!revert)
        return;
    const bool restored = RestoreDisplaySnapshot(g_before);
    RebuildDisplayPage();
    if (g_bSettingsPageHasInitial)
        UpdateRotationFrameItem();
    if (g_bRandRMode)
        saveConfigFile();
    if (!restored)
        ShowError("The previous display settings could not be restored.");
}

gboolean Tick(gpointer)
{
    if (--g_secondsLeft > 0) {
        if (g_pKeepRevertWnd)
            gtk_label_set_text(GTK_LABEL(lookup_widget(g_pKeepRevertWnd, "KeepRevert_Countdown_Label")),
                               KeepRevertCountdownText(g_secondsLeft).c_str());
        return TRUE;
    }
    g_timer = 0;
    Finish(true);
    return FALSE;
}

void OnKeep(GtkButton *, gpointer)
{
    Finish(false);
}
void OnRevert(GtkButton *, gpointer)
{
    Finish(true);
}
gboolean OnDelete(GtkWidget *, GdkEvent *, gpointer)
{
    Finish(true);
    return TRUE;
}
gboolean OnKey(GtkWidget *, GdkEventKey *event, gpointer)
{
    if (event->keyval != GDK_Escape)
        return FALSE;
    Finish(true);
    return TRUE;
}

} // namespace

std::string KeepRevertCountdownText(int seconds)
{
    return "Reverting to the previous settings in " + std::to_string(seconds) +
           (seconds == 1 ? " second." : " seconds.");
}

void RebuildDisplayPage(void)
{
    const bool built = g_bDisplayPageHasInitial != 0;
    ResetDisplayPageState();
    int mode = 0;
    QEVGFX_Device_GetDisplayMode(&mode);
    g_bSAMMMode = g_bSAMMModeChkBtnInitState = mode == QEV_DISPLAY_SAMM;
    g_bIsSAMMScrnPosChanged = 0;
    if (!built || !g_pMainWindow)
        return;
    if (GtkWidget *page = lookup_widget(g_pMainWindow, "PropertySheet_Display")) {
        GList *children = gtk_container_get_children(GTK_CONTAINER(page));
        for (GList *n = children; n; n = n->next)
            gtk_widget_destroy(GTK_WIDGET(n->data));
        g_list_free(children);
    }
    AddDisplayPage();
    g_bDisplayPageHasInitial = 1;
}

void ShowKeepRevertWindow(const DisplaySnapshot &before)
{
    if (g_pKeepRevertWnd)
        Finish(false);
    g_before = before;
    g_secondsLeft = g_KeepRevertSeconds > 0 ? g_KeepRevertSeconds : 1;

    GtkWidget *w = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    g_pKeepRevertWnd = w;
    gtk_window_set_title(GTK_WINDOW(w), "Keep these display settings?");
    gtk_window_set_modal(GTK_WINDOW(w), TRUE);
    if (g_pMainWindow)
        gtk_window_set_transient_for(GTK_WINDOW(w), GTK_WINDOW(g_pMainWindow));
    // Small enough for a 640x480 screen, at its top-left corner so it stays
    // on screen whatever the new mode's size.
    gtk_window_set_default_size(GTK_WINDOW(w), 360, 130);
    gtk_window_move(GTK_WINDOW(w), 20, 20);
    gtk_container_set_border_width(GTK_CONTAINER(w), 10);

    GtkWidget *box = gtk_vbox_new(FALSE, 8);
    gtk_container_add(GTK_CONTAINER(w), box);
    GtkWidget *question = gtk_label_new("Keep these display settings?");
    gtk_box_pack_start(GTK_BOX(box), question, FALSE, FALSE, 0);
    GtkWidget *countdown = gtk_label_new(KeepRevertCountdownText(g_secondsLeft).c_str());
    gtk_box_pack_start(GTK_BOX(box), countdown, FALSE, FALSE, 0);
    GtkWidget *buttons = gtk_hbutton_box_new();
    gtk_box_pack_start(GTK_BOX(box), buttons, FALSE, FALSE, 0);
    GtkWidget *revert = gtk_button_new_with_label("Revert");
    GtkWidget *keep = gtk_button_new_with_label("Keep");
    gtk_container_add(GTK_CONTAINER(buttons), revert);
    gtk_container_add(GTK_CONTAINER(buttons), keep);
    g_object_set_data(G_OBJECT(w), "KeepRevert_Countdown_Label", countdown);
    g_object_set_data(G_OBJECT(w), "KeepRevert_Keep_Button", keep);
    g_object_set_data(G_OBJECT(w), "KeepRevert_Revert_Button", revert);

    g_signal_connect(keep, "clicked", G_CALLBACK(OnKeep), nullptr);
    g_signal_connect(revert, "clicked", G_CALLBACK(OnRevert), nullptr);
    g_signal_connect(w, "delete-event", G_CALLBACK(OnDelete), nullptr);
    g_signal_connect(w, "key-press-event", G_CALLBACK(OnKey), nullptr);
    gtk_widget_show_all(w);
    gtk_widget_grab_focus(revert);
    g_timer = g_timeout_add(1000, Tick, nullptr);
}
