#include "callbacks.h"

#include "Display_page.h"
#include "Gamma_page.h"
#include "Overlay_page.h"
#include "SAMMSetting.h"
#include "Settings_page.h"
#include "common.h"
#include "hotplug.h"
#include "interface.h"
#include "keep_revert_window.h"
#include "qev/outputs.h"
#include "qevgfx.h"
#include "saveconfig.h"
#include "support.h"

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
        AddDisplayPage();
        g_bDisplayPageHasInitial = 1;
    } else {
        RefreshDisplayPageAfterHotplug();
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
    int caps2 = 0, caps1 = 0;
    QEVGFX_DISPLAY_GetRotateCaps(2, &caps2);
    QEVGFX_DISPLAY_GetRotateCaps(1, &caps1);
    if ((caps2 || caps1) && !g_bSettingsPageHasInitial) {
        gdk_flush();
        AddRotationSettingFrame();
        g_bSettingsPageHasInitial = 1;
    }
    _ulPageIndex = QEV_PAGE_SETTINGS;
    if (!g_bSettingsPageHasInitial)
        return;
    int mode = 0;
    QEVGFX_Device_GetDisplayMode(&mode);
    if (GtkWidget *second = lookup_widget(g_pMainWindow, "HWRotationComboBox2"))
        gtk_widget_set_sensitive(second, mode == QEV_DISPLAY_SAMM);
    UpdateRotationFrameItem();
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

// Each page's step in turn; a page that was never shown skips its own.
void on_Apply_button_clicked(GtkButton *button, gpointer)
{
    const DisplaySnapshot before = g_bNoConfirm ? DisplaySnapshot{} : CaptureDisplaySnapshot();
    ApplyDisplayPageChang();
    ApplyGammaPageChang();
    ApplyOverlayScheme();
    if (g_bRandRMode)
        ApplySettingsPageChang();
    gtk_widget_set_sensitive(GTK_WIDGET(button), FALSE);
    if (g_bRandRMode)
        saveConfigFile();
    RefreshDisplayPageAfterHotplug();
    if (NeedsKeepQuestion(before, CaptureDisplaySnapshot()))
        ShowKeepRevertWindow(before);
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
