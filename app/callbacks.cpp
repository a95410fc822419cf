#include "callbacks.h"

#include "Gamma_page.h"
#include "Overlay_page.h"
#include "common.h"
#include "interface.h"

// Pages other than Info are built the first time they are shown.

void on_Info_Fixed_map(GtkWidget *, gpointer)
{
    _ulPageIndex = QEV_PAGE_INFO;
}

void on_Display_Fixed_map(GtkWidget *, gpointer)
{
    _ulPageIndex = QEV_PAGE_DISPLAY;
    if (!g_bDisplayPageHasInitial) {
        gdk_flush();
        g_bDisplayPageHasInitial = 1;
    }
}

void on_Gamma_Fixed_map(GtkWidget *widget, gpointer)
{
    _ulPageIndex = QEV_PAGE_GAMMA;
    if (!g_bGammaPageHasInitial) {
        gdk_flush();
        AddGammaPage(widget);
        g_bGammaPageHasInitial = 1;
    }
}

void on_Overlay_Fixed_map(GtkWidget *widget, gpointer)
{
    on_Overlay_Page_map(widget);
}

void on_PropertySheet_Settings_map(GtkWidget *, gpointer)
{
    _ulPageIndex = QEV_PAGE_SETTINGS;
}

gboolean on_MainWindow_delete_event(GtkWidget *, GdkEvent *, gpointer)
{
    FreeGammaGlobal();
    FreeOverlayGlobal();
    gtk_main_quit();
    return TRUE;  // the window is left to the end of the process
}

void on_Cancel_button_clicked(GtkButton *, gpointer)
{
    CancelGammaPageChange();
    CancelOverlayScheme();
    FreeGammaGlobal();
    FreeOverlayGlobal();
    gtk_main_quit();
}

void on_Apply_button_clicked(GtkButton *button, gpointer)
{
    ApplyGammaPageChang();
    ApplyOverlayScheme();
    gtk_widget_set_sensitive(GTK_WIDGET(button), FALSE);
}

void on_Z7Utility_Quit_Dialog_button_clicked(GtkButton *, gpointer)
{
    gtk_main_quit();
}

gboolean on_Z7Utility_Quit_Dialog_delete_event(GtkWidget *, GdkEvent *, gpointer)
{
    gtk_main_quit();
    return FALSE;
}
