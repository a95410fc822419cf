#include "Overlay_page.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "colour_pages.h"
#include "common.h"
#include "interface.h"
#include "qev/outputs.h"
#include "qevgfx.h"
#include "support.h"

int g_CurrentAttributeValue[OVERLAY_COUNT] = {kOverlayDefaultValue, kOverlayDefaultValue, kOverlayDefaultValue,
                                              kOverlayDefaultValue};
OverlaySchemeRecord g_CurrentOverlayScheme = {};
OverlaySchemeRecord g_OKOverlayScheme = {};
int *g_lpZ7OVRState = nullptr;
int g_bVideoIsOpen = 0;
int g_bOverlaySaveOrDelAction = 0;
SchemeFile g_OverlaySchemeFile{"", "", kOverlaySchemeLayout, true};

namespace {

constexpr int kPollMilliseconds = 500;
const int kDefaults[OVERLAY_COUNT] = {kOverlayDefaultValue, kOverlayDefaultValue, kOverlayDefaultValue,
                                      kOverlayDefaultValue};
// Scrollbar of each attribute index (hue, saturation, brightness, contrast).
const char *const kScrollbars[OVERLAY_COUNT] = {"Overlay_Hue_Hscrollbar", "Overlay_Saturation_Hscrollbar",
                                                "Overlay_Brightness_Hscrollbar", "Overlay_Contrast_Hscrollbar"};

int iIsPreviousVideoOn = 0;
GtkWidget *g_pNoYUVDataDialog = nullptr;
GtkWidget *g_pDetailDialog = nullptr;
GtkWidget *g_pOverlaySaveDialog = nullptr;

GtkWidget *Widget(const char *name)
{
    return g_pMainWindow ? lookup_widget(g_pMainWindow, name) : nullptr;
}

void SetSensitive(const char *name, bool on)
{
    if (GtkWidget *w = Widget(name))
        gtk_widget_set_sensitive(w, on);
}

void SetApplySensitive()
{
    if (g_pMainWindow)
        UpdateApplyBtnState(g_pMainWindow, "Info_Apply_button", TRUE);
}

GtkWidget *SchemeEntry()
{
    return Widget("Overlay_Scheme_Combo_Entry");
}

void SetCurrentValues(const int values[OVERLAY_COUNT])
{
    for (int k = 0; k < OVERLAY_COUNT; ++k)
        g_CurrentAttributeValue[k] = values[k];
}

// Sends the current values to the overlay and moves the scrollbars to them;
// an attribute the overlay lacks shows 128.
void UpdateOverlayTurningWidgettoCurrentSetting()
{
    int caps = 0;
    QEVGFX_Overlay_GetSupportAttributeCaps(&caps);
    for (int k = 0; k < OVERLAY_COUNT; ++k) {
        if (caps & (1 << k)) {
            QEVGFX_Overlay_SetAttribute(k, g_CurrentAttributeValue[k]);
            MoveScrollbar(Widget(kScrollbars[k]), g_CurrentAttributeValue[k]);
        } else {
            MoveScrollbar(Widget(kScrollbars[k]), kOverlayDefaultValue);
        }
    }
}

void UpdateOverlayTunningWidget(const OverlaySchemeRecord &record)
{
    int values[OVERLAY_COUNT];
    ParseOverlayValues(record, values);
    SetCurrentValues(values);
    UpdateOverlayTurningWidgettoCurrentSetting();
}

void OnOvrlayScrollMove(GtkWidget *scrollbar, int index)
{
    if (!g_lpZ7OVRState)
        return;
    g_lpZ7OVRState[1] = index;
    GtkAdjustment *adjustment = gtk_range_get_adjustment(GTK_RANGE(scrollbar));
    int value = static_cast<int>(adjustment->value);
    g_CurrentAttributeValue[index] = value < 0 ? 0 : (value > 255 ? 255 : value);
    QEVGFX_Overlay_SetAttribute(index, g_CurrentAttributeValue[index]);
    gtk_entry_set_text(GTK_ENTRY(SchemeEntry()), "");
    g_CurrentOverlayScheme = MakeOverlaySchemeRecord("", g_CurrentAttributeValue);
    SetApplySensitive();
}

// Shows a dialog held in `*holder`, which is cleared when the dialog goes.
void ShowHeldWindow(GtkWidget **holder, GtkWidget *(*create)())
{
    if (*holder)
        return;
    *holder = create();
    g_signal_connect(*holder, "destroy", G_CALLBACK(gtk_widget_destroyed), holder);
    gtk_widget_show(*holder);
}

void CloseWindow(GtkWidget **window)
{
    if (*window)
        gtk_widget_destroy(*window);
    *window = nullptr;
}

}  // namespace

void AddOverlayPage(GtkWidget *page)
{
    Create_Overlay_Page_Widget(g_pMainWindow, page);
    free(g_lpZ7OVRState);
    g_lpZ7OVRState = static_cast<int *>(calloc(4, sizeof(int)));
    if (!g_lpZ7OVRState) {
        fputs("Alloc memory fail, quit the QEV Display Utility!\n", stderr);
        exit(-1);
    }
    InitOverlayScheme();
    int mode = 0, limit = 0;
    QEVGFX_Device_GetDisplayMode(&mode);
    QEVGFX_Gemel_GetMaxVideoOutput(&limit);
    if (GtkWidget *gemel = Widget("Overlay_Gemel_Setting_Button")) {
        if (mode == QEV_DISPLAY_CLONE && limit == 1) {
            gtk_widget_show(gemel);
            gtk_widget_set_sensitive(gemel, TRUE);
        } else {
            gtk_widget_hide(gemel);
        }
    }
}

void InitOverlayScheme(void)
{
    g_OverlaySchemeFile.path = std::string(QEV_X11_DIR) + QEV_OVERLAY_SCHEME_FILE;
    g_OverlaySchemeFile.backupPath = std::string(QEV_X11_DIR) + QEV_OVERLAY_SCHEME_BACKUP;
    SchemeContents contents;
    OverlaySchemeRecord current = MakeOverlaySchemeRecord("", kDefaults);
    SetSensitive("Overlay_Scheme_Delete_Button", false);
    if (LoadSchemeFileForPage(g_OverlaySchemeFile, contents)) {
        current = OverlayRecordFromBytes(contents.active);
        std::vector<std::string> names;
        int found = -1;
        for (const std::string &record : contents.named) {
            names.push_back(SchemeRecordName(record));
            if (names.back() == current.chName)
                found = static_cast<int>(names.size()) - 1;  // the last one of that name
        }
        GtkWidget *combo = Widget("Overlay_Scheme_Combo");
        g_bOverlaySaveOrDelAction = 1;
        SetSchemeListNames(combo, names);
        if (found >= 0) {
            SelectComboListItem(combo, found);
            SetSensitive("Overlay_Scheme_Delete_Button", g_OverlaySchemeFile.writable);
        } else {
            gtk_entry_set_text(GTK_ENTRY(SchemeEntry()), "");
        }
        g_bOverlaySaveOrDelAction = 0;
    }
    if (!g_OverlaySchemeFile.writable)
        SetSensitive("Overlay_Scheme_SaveAs_Button", false);
    UpdateOverlayTunningWidget(current);
    g_OKOverlayScheme = current;
    g_CurrentOverlayScheme = current;
}

gboolean CheckOverlayStatus(gpointer)
{
    GtkWidget *page = Widget("PropertySheet_Overlay");
    if (!QEVGFX_Overlay_IsOverlayOpened()) {
        g_bVideoIsOpen = 0;
        if (page)
            gtk_widget_set_sensitive(page, FALSE);
        iIsPreviousVideoOn = 0;
        return TRUE;
    }
    g_bVideoIsOpen = 1;
    if (page)
        gtk_widget_set_sensitive(page, TRUE);
    // A new video starts with the driver's values: give it the page's.
    if (g_bOverlayPageHasInitial && !iIsPreviousVideoOn)
        UpdateOverlayTurningWidgettoCurrentSetting();
    iIsPreviousVideoOn = 1;
    return TRUE;
}

void InstallPollingOverlayStatus(void)
{
    if (!g_TimeoutID)
        g_TimeoutID = g_timeout_add(kPollMilliseconds, CheckOverlayStatus, nullptr);
}

void ApplyOverlayScheme(void)
{
    if (!g_bOverlayPageHasInitial)
        return;
    g_OKOverlayScheme = g_CurrentOverlayScheme;
    WriteActiveSchemeRecord(g_OverlaySchemeFile, OverlayRecordToBytes(g_OKOverlayScheme), true);
    QEVGFX_SaveCurrentSetting(0);
}

void CancelOverlayScheme(void)
{
    if (!g_bOverlayPageHasInitial)
        return;
    WriteActiveSchemeRecord(g_OverlaySchemeFile, OverlayRecordToBytes(g_OKOverlayScheme), false);
    UpdateOverlayTunningWidget(g_OKOverlayScheme);
}

void FreeOverlayGlobal(void)
{
    free(g_lpZ7OVRState);
    g_lpZ7OVRState = nullptr;
    if (g_TimeoutID)
        g_source_remove(g_TimeoutID);
    g_TimeoutID = 0;
}

void on_Overlay_Page_map(GtkWidget *page)
{
    if (!g_bOverlayPageHasInitial) {
        AddOverlayPage(page);
        g_bOverlayPageHasInitial = 1;
    }
    if (!g_bVideoIsOpen) {
        ShowHeldWindow(&g_pNoYUVDataDialog, create_Overlay_NoYUVData_Dialog);
    } else {
        _ulPageIndex = QEV_PAGE_VIDEO;
    }
}

gboolean on_Overlay_Brightness_Hscrollbar_button_release_event(GtkWidget *widget, GdkEventButton *, gpointer)
{
    OnOvrlayScrollMove(widget, OVERLAY_BRIGHTNESS);
    return FALSE;
}

gboolean on_Overlay_Contrast_Hscrollbar_button_release_event(GtkWidget *widget, GdkEventButton *, gpointer)
{
    OnOvrlayScrollMove(widget, OVERLAY_CONTRAST);
    return FALSE;
}

gboolean on_Overlay_Saturation_Hscrollbar_button_release_event(GtkWidget *widget, GdkEventButton *, gpointer)
{
    OnOvrlayScrollMove(widget, OVERLAY_SATURATION);
    return FALSE;
}

gboolean on_Overlay_Hue_Hscrollbar_button_release_event(GtkWidget *widget, GdkEventButton *, gpointer)
{
    OnOvrlayScrollMove(widget, OVERLAY_HUE);
    return FALSE;
}

void on_Overlay_Scheme_Combo_Entry_changed(GtkEditable *editable, gpointer)
{
    if (g_bOverlaySaveOrDelAction)
        return;
    const char *text = gtk_entry_get_text(GTK_ENTRY(editable));
    std::string bytes;
    GtkWidget *del = Widget("Overlay_Scheme_Delete_Button");
    if (!del || !ChooseShownScheme(g_OverlaySchemeFile, text, del, bytes))
        return;
    OverlaySchemeRecord record = OverlayRecordFromBytes(bytes);
    UpdateOverlayTunningWidget(record);
    SetSensitive("Overlay_Scheme_Delete_Button", g_OverlaySchemeFile.writable);
    SetApplySensitive();
    g_CurrentOverlayScheme = record;
}

void on_Overlay_Scheme_SaveAs_Button_clicked(GtkButton *, gpointer)
{
    ShowHeldWindow(&g_pOverlaySaveDialog, create_Overlay_Save_Scheme_Dialog);
    g_bOverlaySaveOrDelAction = 1;
}

void on_Overlay_Save_Scheme_OK_Button_clicked(GtkButton *button, gpointer)
{
    GtkWidget *combo = Widget("Overlay_Scheme_Combo");
    if (!combo)
        return;
    const char *name =
        gtk_entry_get_text(GTK_ENTRY(lookup_widget(GTK_WIDGET(button), "Overlay_Save_Scheme_Entry")));
    if (!CheckSchemeName(GTK_LIST(GTK_COMBO(combo)->list), name))
        return;
    OverlaySchemeRecord record = MakeOverlaySchemeRecord(name, g_CurrentAttributeValue);
    if (!AddSchemeRecord(g_OverlaySchemeFile, OverlayRecordToBytes(record))) {
        MessageBox("This scheme can't save!");
        return;  // the list and the dialog stay as they were
    }
    AppendSchemeListName(combo, name);
    gtk_entry_set_text(GTK_ENTRY(SchemeEntry()), name);  // the flag is still set
    SetSensitive("Overlay_Scheme_Delete_Button", true);
    g_CurrentOverlayScheme = record;
    SetApplySensitive();
    g_bOverlaySaveOrDelAction = 0;
    CloseWindow(&g_pOverlaySaveDialog);
}

void on_Overlay_Save_Scheme_Cancel_Button_clicked(GtkButton *, gpointer)
{
    g_bOverlaySaveOrDelAction = 0;
    CloseWindow(&g_pOverlaySaveDialog);
}

gboolean on_Overlay_Save_Scheme_Dialog_delete_event(GtkWidget *, GdkEvent *, gpointer)
{
    on_Overlay_Save_Scheme_Cancel_Button_clicked(nullptr, nullptr);
    return TRUE;
}

void on_Overlay_Scheme_Delete_Button_clicked(GtkButton *, gpointer)
{
    GtkWidget *combo = Widget("Overlay_Scheme_Combo");
    GtkWidget *del = Widget("Overlay_Scheme_Delete_Button");
    if (combo && del)
        DeleteShownScheme(g_OverlaySchemeFile, combo, del, &g_bOverlaySaveOrDelAction);
}

void on_Overlay_Scheme_Default_Button_clicked(GtkButton *, gpointer)
{
    SetCurrentValues(kDefaults);
    UpdateOverlayTurningWidgettoCurrentSetting();
    gtk_entry_set_text(GTK_ENTRY(SchemeEntry()), "");
    g_CurrentOverlayScheme = MakeOverlaySchemeRecord("", kDefaults);
    SetApplySensitive();
}

void on_Overlay_NoYUVData_OK_button_clicked(GtkButton *, gpointer)
{
    if (GtkWidget *notebook = Widget("Info_notebook"))
        gtk_notebook_set_current_page(GTK_NOTEBOOK(notebook), _ulPageIndex);
    CloseWindow(&g_pNoYUVDataDialog);
}

gboolean on_Overlay_NoYUVData_Dialog_delete_event(GtkWidget *, GdkEvent *, gpointer)
{
    on_Overlay_NoYUVData_OK_button_clicked(nullptr, nullptr);
    return TRUE;
}

void on_Overlay_NoYUVData_Details_button_clicked(GtkButton *, gpointer)
{
    ShowHeldWindow(&g_pDetailDialog, create_Overlay_Detail_Dialog);
}

void on_Overlay_Detail_Dialog_OK_Button_clicked(GtkButton *, gpointer)
{
    CloseWindow(&g_pDetailDialog);
}
