#include "hotplug.h"

#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <X11/extensions/Xrandr.h>

#include "Display_page.h"
#include "SAMMSetting.h"
#include "common.h"
#include "interface_common.h"
#include "keep_revert_window.h"
#include "qev/outputs.h"
#include "qevgfx.h"
#include "support.h"

namespace
{

struct NameRow {
    unsigned bit;
    const char *name;
};
const NameRow kNames[] = {
    {QEV_OUT_CRT, "CRT"},    {QEV_OUT_LCD, "LCD"},    {QEV_OUT_TV, "TV"},        {QEV_OUT_DVI, "DVI"},
    {QEV_OUT_HDMI, "HDMI"},  {QEV_OUT_CRT2, "CRT_2"}, {QEV_OUT_HDTV, "HDTV"},    {QEV_OUT_LCD2, "LCD_2"},
    {QEV_OUT_DVI2, "DVI-2"}, {QEV_OUT_TV2, "TV_2"},   {QEV_OUT_HDTV2, "HDTV_2"}, {QEV_OUT_DP, "DP"},
    {QEV_OUT_DP2, "DP-2"},
};

bool g_installed = false;
Window g_listening = 0; /* the main window the events are selected on */
int g_eventBase = 0;
guint g_idle = 0;
unsigned g_pageConnected = 0; /* outputs connected when the page was last built */
GtkWidget *g_notice = nullptr;

unsigned ReadConnected()
{
    QevOutputSummary outputs;
    if (g_bRandRMode && QEVGFX_Device_GetOutputSummary(0, &outputs))
        return outputs.connected; // one read of the outputs instead of two
    unsigned connected = 0;
    rrGetOutputInfo();
    QEVGFX_Device_GetConnectState(&connected);
    return connected;
}

bool PageHasPendingChoice()
{
    return CheckDisplayPageOtionItemsChange(&g_DisplayPageOptionItems, &g_TmpDisplayPageOptionItems) ||
           bPrimaryResolutionChanged || bSecondaryResolutionChanged || IsSAMMSettingsChanged();
}

void Rebuild(unsigned connected)
{
    RebuildDisplayPage();
    g_pageConnected = connected;
}

void ShowNotice(const std::string &text)
{
    GtkWidget *page = lookup_widget(g_pMainWindow, "PropertySheet_Display");
    if (!page)
        return;
    if (!g_notice) {
        g_notice = QevGtk_CreateLabel(g_pMainWindow, page, "Display_Hotplug_Notice_Label", "", 10, 340);
        g_signal_connect(g_notice, "destroy", G_CALLBACK(gtk_widget_destroyed), &g_notice);
    }
    gtk_label_set_text(GTK_LABEL(g_notice), text.c_str());
    gtk_widget_show(g_notice);
}

// One look at the outputs for a burst of events.
gboolean OnOutputsChanged(gpointer)
{
    g_idle = 0;
    if (!g_pMainWindow)
        return FALSE;
    const unsigned connected = ReadConnected();
    if (!g_bDisplayPageHasInitial) { // built fresh when first shown
        g_pageConnected = connected;
        return FALSE;
    }
    if (connected == g_pageConnected) {
        if (g_notice)
            gtk_widget_destroy(g_notice);
        return FALSE;
    }
    if (PageHasPendingChoice())
        ShowNotice(HotplugNotice(g_pageConnected, connected));
    else
        Rebuild(connected);
    return FALSE;
}

GdkFilterReturn Filter(GdkXEvent *xevent, GdkEvent *, gpointer)
{
    const XEvent *e = static_cast<const XEvent *>(xevent);
    const bool change = e->type == g_eventBase + RRScreenChangeNotify ||
                        (e->type == g_eventBase + RRNotify &&
                         reinterpret_cast<const XRRNotifyEvent *>(e)->subtype == RRNotify_OutputChange);
    if (change && g_idle == 0)
        g_idle = g_idle_add(OnOutputsChanged, nullptr);
    return GDK_FILTER_CONTINUE;
}

} // namespace

std::string HotplugNotice(unsigned before, unsigned after)
{
    std::string changes;
    for (const NameRow &row : kNames) {
        if ((before ^ after) & row.bit) {
            changes += changes.empty() ? "" : ", ";
            changes += std::string(row.name) + ((after & row.bit) ? " connected" : " disconnected");
        }
    }
    if (changes.empty())
        return "";
    return "Outputs changed: " + changes + ". Apply or reopen the page to refresh";
}

void InstallHotplugListener(void)
{
    Display *display = GDK_DISPLAY_XDISPLAY(gdk_display_get_default());
    int errorBase = 0;
    if (display == nullptr || !XRRQueryExtension(display, &g_eventBase, &errorBase))
        return;
    if (!g_pMainWindow || !g_pMainWindow->window || GDK_WINDOW_XID(g_pMainWindow->window) == g_listening)
        return;
    // Selected on the program's own window (again for a new main window):
    // GDK selects its RandR events on the root window, and a later selection
    // there would replace this one.
    g_listening = GDK_WINDOW_XID(g_pMainWindow->window);
    XRRSelectInput(display, g_listening, RRScreenChangeNotifyMask | RROutputChangeNotifyMask);
    if (!g_installed)
        gdk_window_add_filter(nullptr, Filter, nullptr);
    g_installed = true;
    g_pageConnected = ReadConnected();
}

void RefreshDisplayPageAfterHotplug(void)
{
    if (g_notice && g_bDisplayPageHasInitial)
        Rebuild(ReadConnected());
}
