#include "SAMMSetting.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "Display_page.h"
#include "common.h"
#include "interface_common.h"
#include "qev/outputs.h"
#include "qevgfx.h"
#include "support.h"

GtkWidget *_pSAMMSettingDlg = nullptr;
GtkWidget *_pGemelSettingDlg = nullptr;
GtkWidget *g_pRestartXWnd = nullptr;
int g_RelativePositionBackup = 0;
int g_bIsSAMMScrnPosChanged = 0;
int g_nVideoOutputDev = 0;
int g_bIsGemelVideoPosChanged = 0;

namespace {

// The layout the open SAMM window edits, and its state when it was opened
// (what Cancel returns to).
int *g_pSAMMLayout = nullptr;
int g_SAMMOpenPosition = 0;
int g_SAMMOpenChanged = 0;

const char kRestartMarkerText[] =
    "This file is used to check the X Window System is restarted or not.\n"
    "This file will be deleted as restarting X Window System.";

int *ScreenLayoutWords()
{
    static_assert(sizeof(ScreenLayout) == 3 * sizeof(int), "three ints");
    return &g_ScreenLayout.nPrimary;
}

bool IsDisplayPort(int device)
{
    return device == QEV_OUT_DP || device == QEV_OUT_DP2;
}

void WaitForDisplayPort()
{
    g_usleep(2 * G_USEC_PER_SEC);
}

GtkWidget *Lookup(GtkWidget *window, const char *name)
{
    return window ? lookup_widget(window, name) : nullptr;
}

GtkWidget *WrappingLabel(GtkWidget *window, GtkWidget *fixed, const char *name, const char *text, gint x, gint y,
                         gint width, gint height)
{
    GtkWidget *label = QevGtk_CreateLabel(window, fixed, name, text, x, y);
    gtk_widget_set_size_request(label, width, height);
    gtk_label_set_justify(GTK_LABEL(label), GTK_JUSTIFY_LEFT);
    gtk_label_set_line_wrap(GTK_LABEL(label), TRUE);
    gtk_misc_set_alignment(GTK_MISC(label), 0.0f, 0.5f);
    return label;
}

GtkWidget *FixedWindow(const char *name, const char *title, gint width, gint height, const char *fixedName,
                       GtkWidget **fixed)
{
    GtkWidget *window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    RegisterWindow(window, name);
    gtk_window_set_title(GTK_WINDOW(window), title);
    gtk_widget_set_size_request(window, width, height);
    gtk_window_set_default_size(GTK_WINDOW(window), width, height);
    gtk_window_set_policy(GTK_WINDOW(window), FALSE, FALSE, FALSE);  // neither shrinkable nor growable
    *fixed = gtk_fixed_new();
    RegisterWidget(window, fixedName, *fixed);
    gtk_widget_show(*fixed);
    gtk_container_add(GTK_CONTAINER(window), *fixed);
    return window;
}

GtkWidget *PositionCombo(GtkWidget *window, GtkWidget *fixed, const char *name, const char *entryName,
                         std::initializer_list<const char *> items, const char *initialText, gint x, gint y)
{
    GtkWidget *combo = QevGtk_CreateComboBox(window, fixed, name, entryName, x, y, 130, 20);
    GList *list = nullptr;
    for (const char *item : items)
        list = g_list_append(list, const_cast<char *>(item));
    gtk_combo_set_popdown_strings(GTK_COMBO(combo), list);
    g_list_free(list);
    gtk_entry_set_text(GTK_ENTRY(GTK_COMBO(combo)->entry), initialText);
    return combo;
}

void SelectItem(GtkWidget *combo, int index)
{
    if (combo)
        gtk_list_select_item(GTK_LIST(GTK_COMBO(combo)->list), index);
}

int SelectedItem(GtkWidget *window, const char *comboName)
{
    GtkWidget *combo = Lookup(window, comboName);
    return combo ? GetSelListItemNumber(GTK_LIST(GTK_COMBO(combo)->list), nullptr) : -1;
}

void SetLabel(GtkWidget *window, const char *name, const char *text)
{
    if (GtkWidget *label = Lookup(window, name))
        gtk_label_set_text(GTK_LABEL(label), text);
}

void CloseSAMMWindow()
{
    if (_pSAMMSettingDlg)
        gtk_widget_destroy(_pSAMMSettingDlg);
    _pSAMMSettingDlg = nullptr;
    g_pSAMMLayout = nullptr;
}

void CloseGemelWindow()
{
    if (_pGemelSettingDlg)
        gtk_widget_destroy(_pGemelSettingDlg);
    _pGemelSettingDlg = nullptr;
}

void CloseRestartWindow()
{
    if (g_pRestartXWnd)
        gtk_widget_destroy(g_pRestartXWnd);
    g_pRestartXWnd = nullptr;
}

// SAMM Cancel and close: the position and the changed flag return to what
// they were when the window opened.
void CancelSAMMWindow()
{
    if (_pSAMMSettingDlg)
        SelectItem(Lookup(_pSAMMSettingDlg, "SAMM_Setting_RelativePos_Combo"), g_SAMMOpenPosition);
    if (g_pSAMMLayout)
        g_pSAMMLayout[2] = g_SAMMOpenPosition;
    g_bIsSAMMScrnPosChanged = g_SAMMOpenChanged;
    CloseSAMMWindow();
}

void CancelGemelWindow()
{
    DisplayWindow();
    CloseGemelWindow();
    if (g_pMainWindow)
        UpdateApplyBtnState(g_pMainWindow, "Info_Apply_button", TRUE);
}

}  // namespace

// ---- plain rules ------------------------------------------------------------------

int SAMMChoiceChanged(int chosen, int *initState, int posChanged)
{
    if (chosen != *initState) {
        *initState = chosen;
        return 1;
    }
    return chosen == 1 && posChanged ? 1 : 0;
}

const char *SAMMDeviceName(int bit)
{
    switch (bit) {
    case QEV_OUT_CRT: return "CRT";
    case QEV_OUT_LCD: return "LCD";
    case QEV_OUT_TV: return "TV";
    case QEV_OUT_DVI: return "DVI";
    case QEV_OUT_HDMI: return "HDMI";
    case QEV_OUT_CRT2: return "CRT2";
    case QEV_OUT_HDTV: return "HDTV";
    case QEV_OUT_LCD2: return "LCD2";
    case QEV_OUT_DVI2: return "DVI2";
    case QEV_OUT_TV2: return "TV2";
    case QEV_OUT_HDTV2: return "HDTV2";
    case QEV_OUT_DP: return "DP";
    case QEV_OUT_DP2: return "DP2";
    default: return "Unknow";
    }
}

const char *GemelDeviceName(int bit)
{
    switch (bit) {
    case QEV_OUT_CRT:
    case QEV_OUT_LCD:
    case QEV_OUT_TV:
    case QEV_OUT_DVI:
    case QEV_OUT_HDMI:
    case QEV_OUT_CRT2:
    case QEV_OUT_HDTV:
    case QEV_OUT_DP: return SAMMDeviceName(bit);
    default: return nullptr;
    }
}

void SAMMDialogPair(int primary, int secondary, int *shownPrimary, int *shownSecondary)
{
    if (primary == QEV_OUT_DVI && secondary == QEV_OUT_LCD)
        std::swap(primary, secondary);
    *shownPrimary = primary;
    *shownSecondary = secondary;
}

void GemelSplit(unsigned active, unsigned *main, unsigned *rest)
{
    if (active == (QEV_OUT_LCD | QEV_OUT_DVI)) {
        *main = QEV_OUT_LCD;
        *rest = QEV_OUT_DVI;
        return;
    }
    for (unsigned bit : {QEV_OUT_CRT, QEV_OUT_DVI, QEV_OUT_HDMI, QEV_OUT_DP, QEV_OUT_TV, QEV_OUT_HDTV, QEV_OUT_CRT2}) {
        if (active & bit) {
            *main = bit;
            *rest = active & ~bit;
            return;
        }
    }
    *main = *rest = QEV_OUT_CRT;
}

int GemelVideoOutputFor(int index, int primary, int secondary)
{
    if (primary == 0)
        secondary = 0;
    else if (secondary == 0)
        primary = 0;
    else if (primary == QEV_OUT_DVI && secondary == QEV_OUT_LCD)
        std::swap(primary, secondary);
    return index == 1 ? secondary : primary;
}

int IsGemelVideoOutput(int output)
{
    switch (output) {
    case QEV_OUT_CRT:
    case QEV_OUT_LCD:
    case QEV_OUT_TV:
    case QEV_OUT_DVI:
    case QEV_OUT_HDMI:
    case QEV_OUT_CRT2:
    case QEV_OUT_HDTV: return 1;
    default: return 0;
    }
}

std::string RestartText(bool onlyForSAMM)
{
    char text[1024];
    snprintf(text, sizeof text, "%s%s",
             "Your configuration has successfully been updated, but you must restart the X Window System for the "
             "changes to take effect.\n",
             onlyForSAMM ? " It will be in SAMM mode as X Window system restarts." : "");
    return text;
}

int WriteRestartMarker(const std::string &path, std::string *error)
{
    std::string dir = path.substr(0, path.rfind('/') + 1);
    std::string temp = dir + ".XWindowNeedtobeRestart.XXXXXX";
    int fd = mkstemp(temp.data());
    if (fd < 0) {
        *error = strerror(errno);
        return 0;
    }
    const size_t length = sizeof kRestartMarkerText - 1;
    bool ok = fchmod(fd, 0644) == 0 && write(fd, kRestartMarkerText, length) == static_cast<ssize_t>(length) &&
              fsync(fd) == 0;
    int saved = errno;
    ok = close(fd) == 0 && ok;
    if (ok && rename(temp.c_str(), path.c_str()) != 0) {
        saved = errno;
        ok = false;
    }
    if (!ok) {
        unlink(temp.c_str());
        *error = strerror(saved ? saved : EIO);
        return 0;
    }
    return 1;
}

// ---- Apply --------------------------------------------------------------------------

int IsSAMMSettingsChanged(void)
{
    GtkWidget *combo = g_pMainWindow ? lookup_widget(g_pMainWindow, "Display_SecMode_Combo") : nullptr;
    int chosen = 0;
    if (combo)
        chosen = strcmp(gtk_entry_get_text(GTK_ENTRY(GTK_COMBO(combo)->entry)), QEV_MODE_TEXT_SAMM) == 0;
    return SAMMChoiceChanged(chosen, &g_bSAMMModeChkBtnInitState, g_bIsSAMMScrnPosChanged);
}

void ApplySAMMSetting(void)
{
    if (!IsSAMMSettingsChanged())
        return;
    const int primary = g_PrimaryDevice, secondary = g_SecondaryDevice;
    int result = 0;
    if (g_bSAMMModeChkBtnInitState) {
        int position = g_ScreenLayout.nPosition > 3 ? 0 : g_ScreenLayout.nPosition;
        g_ScreenLayout = {primary, secondary, position};
        result = QEVGFX_SAMM_Enable(primary, secondary, position);
        if (g_bRandRMode)
            g_bSAMMMode = 1;
    } else {
        g_ScreenLayout = {primary, secondary, g_ScreenLayout.nPosition};
        result = QEVGFX_SAMM_Disable(primary, secondary, g_ScreenLayout.nPosition);
        if (g_bRandRMode)
            g_bSAMMMode = 0;
    }
    if (IsDisplayPort(primary) || IsDisplayPort(secondary))
        WaitForDisplayPort();
    if (result && !g_bRandRMode) {
        CloseRestartWindow();
        g_pRestartXWnd = create_SAMM_Restart_X_Window();
        SetLabel(g_pRestartXWnd, "SAMM_Restart_X_Label", RestartText(g_bOnlyforSAMM != 0).c_str());
        gtk_widget_show(g_pRestartXWnd);
        gtk_window_set_modal(GTK_WINDOW(g_pRestartXWnd), TRUE);
        g_bIsSAMMScrnPosChanged = 0;
    }
}

void ApplyDisplayPageChang(void)
{
    if (!g_bDisplayPageHasInitial)
        return;
    const unsigned pending = static_cast<unsigned>(g_TmpDisplayPageOptionItems.nItem[QEV_OPT_DEVICE_SET]);
    const unsigned primary = static_cast<unsigned>(g_PrimaryDevice);
    const unsigned secondary = static_cast<unsigned>(g_SecondaryDevice);
    if (pending != static_cast<unsigned>(g_DisplayPageOptionItems.nItem[QEV_OPT_DEVICE_SET])) {
        if (g_bRandRMode) {
            RRModeEntry primaryMode = {}, secondaryMode = {};
            bool havePrimary = false, haveSecondary = false;
            if (primary) {
                havePrimary = DisplayModeRecord(primary, nPrimaryResolutionItemNum, &primaryMode);
                bPrimaryResolutionChanged = 0;
            }
            if (secondary) {
                haveSecondary = DisplayModeRecord(secondary, nSecondaryResolutionItemNum, &secondaryMode);
                bSecondaryResolutionChanged = 0;
            }
            QEVGFX_Device_SetActiveState2(pending, primary, secondary, havePrimary ? &primaryMode : nullptr,
                                          haveSecondary ? &secondaryMode : nullptr);
            free(primaryMode.name);
            free(secondaryMode.name);
        } else {
            QEVGFX_Device_SetActiveState(pending);
        }
        if (pending & (QEV_OUT_DP | QEV_OUT_DP2))
            WaitForDisplayPort();
    }

    for (unsigned tv : TVOutputsToApply(pending))
        ApplyTVSetting(tv);

    g_DisplayPageOptionItems.nItem[QEV_OPT_DEVICE_SET] = static_cast<gint32>(pending);
    SetAdvancedButtons(false, primary, false);
    SetAdvancedButtons(true, secondary, false);

    struct Step {
        unsigned device;
        int index;
        int *changed;
    };
    for (const Step &s : {Step{primary, nPrimaryResolutionItemNum, &bPrimaryResolutionChanged},
                          Step{secondary, nSecondaryResolutionItemNum, &bSecondaryResolutionChanged}}) {
        if (!*s.changed)
            continue;
        RRModeEntry mode = {};
        if (s.device && DisplayModeRecord(s.device, s.index, &mode))
            QEVGFX_DISPLAY_SetDevMode(s.device, mode.name, static_cast<int>(mode.width),
                                      static_cast<int>(mode.height), mode.refresh);
        free(mode.name);
        *s.changed = 0;
    }
    ApplySAMMSetting();
}

// ---- SAMM settings window -------------------------------------------------------------

GtkWidget *create_SAMM_Setting_Window(void)
{
    GtkWidget *fixed = nullptr;
    GtkWidget *window = FixedWindow("SAMM_Setting_Window", "SAMM Settings", 300, 245, "fixed11", &fixed);
    WrappingLabel(window, fixed, "SAMM_Setting_Main_Label", "Primary Device :", 20, 20, 130, 30);
    WrappingLabel(window, fixed, "SAMM_Setting_Main_Device_Label", "CRT", 160, 20, 55, 30);
    WrappingLabel(window, fixed, "SAMM_Setting_Secondary_Label", "Secondary Device :", 20, 60, 160, 30);
    WrappingLabel(window, fixed, "SAMM_Setting_Secondary_Device_Label", "TV", 160, 60, 55, 30);
    WrappingLabel(window, fixed, "SAMM_Setting_RelativePos_Label", "Secondary Device Position :", 20, 100, 260, 60);
    WrappingLabel(window, fixed, "SAMM_Setting_RelativePos_Label2", "(Relative to Primary)", 155, 135, 200, 60);
    GtkWidget *combo = PositionCombo(window, fixed, "SAMM_Setting_RelativePos_Combo",
                                     "SAMM_Setting_RelativePos_Combo_Entry", {"Right", "Left", "Above", "Below"},
                                     "Right", 20, 155);
    GtkWidget *ok = QevGtk_CreateButton(window, fixed, "SAMM_Setting_OK_Button", "OK", 80, 210, 90, 25);
    GtkWidget *cancel = QevGtk_CreateButton(window, fixed, "SAMM_Setting_Cancel_Button", "Cancel", 190, 210, 90, 25);
    g_signal_connect(window, "delete_event", G_CALLBACK(on_SAMM_Setting_Window_delete_event), nullptr);
    g_signal_connect(ok, "clicked", G_CALLBACK(on_SAMM_Setting_OK_Button_clicked), nullptr);
    g_signal_connect(cancel, "clicked", G_CALLBACK(on_SAMM_Setting_Cancel_Button_clicked), nullptr);
    g_signal_connect(GTK_COMBO(combo)->entry, "changed", G_CALLBACK(on_SAMM_Setting_RelativePos_Combo_Entry_changed),
                     nullptr);
    gtk_widget_grab_focus(GTK_COMBO(combo)->entry);
    return window;
}

void InitSAMMSettingsDlg(GtkWidget *window, int layout[3])
{
    layout[0] = g_PrimaryDevice;
    layout[1] = g_SecondaryDevice;
    SAMMDialogPair(layout[0], layout[1], &layout[0], &layout[1]);
    const bool unknown = layout[0] == 0 || layout[1] == 0;
    SetLabel(window, "SAMM_Setting_Main_Device_Label", unknown ? "Unknow" : SAMMDeviceName(layout[0]));
    SetLabel(window, "SAMM_Setting_Secondary_Device_Label", unknown ? "Unknow" : SAMMDeviceName(layout[1]));
    g_pSAMMLayout = layout;
    g_SAMMOpenPosition = layout[2] >= 0 && layout[2] <= 3 ? layout[2] : 0;
    g_SAMMOpenChanged = g_bIsSAMMScrnPosChanged;
    SelectItem(Lookup(window, "SAMM_Setting_RelativePos_Combo"), layout[2]);
}

void on_Display_Device_SAMM_Setting_Btn_clicked(GtkButton *, gpointer)
{
    CloseSAMMWindow();
    _pSAMMSettingDlg = create_SAMM_Setting_Window();
    gtk_window_set_modal(GTK_WINDOW(_pSAMMSettingDlg), TRUE);
    gtk_widget_show(_pSAMMSettingDlg);
    InitSAMMSettingsDlg(_pSAMMSettingDlg, ScreenLayoutWords());
}

void on_SAMM_Setting_RelativePos_Combo_Entry_changed(GtkEditable *, gpointer)
{
    int index = SelectedItem(_pSAMMSettingDlg, "SAMM_Setting_RelativePos_Combo");
    if (index < 0 || !g_pSAMMLayout)
        return;
    g_RelativePositionBackup = g_pSAMMLayout[2];
    if (index != g_pSAMMLayout[2]) {
        g_pSAMMLayout[2] = index;
        g_bIsSAMMScrnPosChanged = 1;
    }
}

void on_SAMM_Setting_OK_Button_clicked(GtkButton *, gpointer)
{
    if (g_bSAMMMode && g_bIsSAMMScrnPosChanged && g_pMainWindow)
        UpdateApplyBtnState(g_pMainWindow, "Info_Apply_button", TRUE);
    CloseSAMMWindow();
}

void on_SAMM_Setting_Cancel_Button_clicked(GtkButton *, gpointer)
{
    CancelSAMMWindow();
}

gboolean on_SAMM_Setting_Window_delete_event(GtkWidget *, GdkEvent *, gpointer)
{
    CancelSAMMWindow();
    return TRUE;  // already destroyed
}

// ---- clone mode settings window ---------------------------------------------------------

GtkWidget *create_Gemel_Setting_Window(void)
{
    GtkWidget *fixed = nullptr;
    GtkWidget *window = FixedWindow("Gemel_Setting_Window", "Clone Mode Setting", 300, 240, "fixed11", &fixed);
    WrappingLabel(window, fixed, "Gemel_Setting_Main_Label", "Primary Device :", 20, 20, 130, 30);
    WrappingLabel(window, fixed, "Gemel_Setting_Main_Device_Label", "CRT", 160, 20, 55, 30);
    WrappingLabel(window, fixed, "Gemel_Setting_Secondary_Label", "Secondary Device :", 20, 60, 160, 30);
    WrappingLabel(window, fixed, "Gemel_Setting_Secondary_Device_Label", "TV", 160, 60, 55, 30);
    WrappingLabel(window, fixed, "Gemel_Setting_RelativePos_Label", "Video Position :", 20, 100, 120, 60);
    GtkWidget *combo =
        PositionCombo(window, fixed, "Gemel_Setting_RelativePos_Combo", "Gemel_Setting_RelativePos_Combo_Entry",
                      {"Main", "Secondary"}, "MAIN", 145, 120);
    GtkWidget *ok = QevGtk_CreateButton(window, fixed, "Gemel_Setting_OK_Button", "OK", 80, 200, 90, 28);
    GtkWidget *cancel = QevGtk_CreateButton(window, fixed, "Gemel_Setting_Cancel_Button", "Cancel", 190, 200, 90, 28);
    g_signal_connect(window, "delete_event", G_CALLBACK(on_Gemel_Setting_Window_delete_event), nullptr);
    g_signal_connect(ok, "clicked", G_CALLBACK(on_Gemel_Setting_OK_Button_clicked), nullptr);
    g_signal_connect(cancel, "clicked", G_CALLBACK(on_Gemel_Setting_Cancel_Button_clicked), nullptr);
    g_signal_connect(GTK_COMBO(combo)->entry, "changed",
                     G_CALLBACK(on_Gemel_Setting_RelativePos_Combo_Entry_changed), nullptr);
    gtk_widget_grab_focus(GTK_COMBO(combo)->entry);
    return window;
}

void InitGemelSettingsDlg(GtkWidget *window, unsigned activeSet)
{
    unsigned main = 0, rest = 0;
    GemelSplit(activeSet, &main, &rest);
    const char *mainName = GemelDeviceName(static_cast<int>(main));
    const char *restName = GemelDeviceName(static_cast<int>(rest));
    SetLabel(window, "Gemel_Setting_Main_Device_Label", mainName ? mainName : "");
    // An active set of one output has no second output to name.
    SetLabel(window, "Gemel_Setting_Secondary_Device_Label", restName ? restName : "");
    SelectItem(Lookup(window, "Gemel_Setting_RelativePos_Combo"),
               g_nVideoOutputDev == static_cast<int>(main) ? 0 : 1);
}

void on_Display_Device_Gemel_Setting_Btn_clicked(GtkButton *, gpointer)
{
    CloseGemelWindow();
    _pGemelSettingDlg = create_Gemel_Setting_Window();
    gtk_window_set_modal(GTK_WINDOW(_pGemelSettingDlg), TRUE);
    gtk_widget_show(_pGemelSettingDlg);
    gtk_widget_realize(_pGemelSettingDlg);
    QEVGFX_Gemel_GetVideoOutputDevice(&g_nVideoOutputDev);
    InitGemelSettingsDlg(_pGemelSettingDlg, g_SelActiveDecice);
}

void on_Gemel_Setting_RelativePos_Combo_Entry_changed(GtkEditable *, gpointer)
{
    DisplayWindow();
    int index = SelectedItem(_pGemelSettingDlg, "Gemel_Setting_RelativePos_Combo");
    g_nVideoOutputDev = GemelVideoOutputFor(index, g_PrimaryDevice, g_SecondaryDevice);
    g_bIsGemelVideoPosChanged = 1;
}

void ApplyGemelSetting(void)
{
    if (IsGemelVideoOutput(g_nVideoOutputDev))
        QEVGFX_Gemel_SetVideoOutputDevice(g_nVideoOutputDev);
    g_bIsGemelVideoPosChanged = 0;
}

void on_Gemel_Setting_OK_Button_clicked(GtkButton *, gpointer)
{
    ApplyGemelSetting();
    CloseGemelWindow();
}

void on_Gemel_Setting_Cancel_Button_clicked(GtkButton *, gpointer)
{
    CancelGemelWindow();
}

gboolean on_Gemel_Setting_Window_delete_event(GtkWidget *, GdkEvent *, gpointer)
{
    CancelGemelWindow();
    return TRUE;  // already destroyed
}

// ---- restart window -------------------------------------------------------------------------

GtkWidget *create_SAMM_Restart_X_Window(void)
{
    GtkWidget *fixed = nullptr;
    GtkWidget *window = FixedWindow("SAMM_Restart_X_Window", "Restart X Dialog", 380, 180, "fixed10", &fixed);
    GtkWidget *ok = QevGtk_CreateButton(window, fixed, "SAMM_Restart_X_OK_button", "OK", 230, 145, 90, 28);
    GtkWidget *icon = create_pixmap(window, "info.xpm");
    RegisterWidget(window, "SAMM_Restart_X_Info_Pixmap", icon);
    gtk_widget_show(icon);
    gtk_fixed_put(GTK_FIXED(fixed), icon, 20, 30);
    gtk_widget_set_size_request(icon, 21, 21);
    WrappingLabel(window, fixed, "SAMM_Restart_X_Label", "", 60, 10, 300, 125);
    g_signal_connect(window, "delete_event", G_CALLBACK(on_SAMM_Restart_X_Window_delete_event), nullptr);
    g_signal_connect(ok, "clicked", G_CALLBACK(on_Restart_X_OK_button_clicked), nullptr);
    gtk_widget_grab_focus(ok);
    return window;
}

void on_Restart_X_OK_button_clicked(GtkButton *, gpointer)
{
    char path[256];
    snprintf(path, sizeof path, "%s.XWindowNeedtobeRestart", QEV_X11_DIR);
    std::string error;
    if (!WriteRestartMarker(path, &error)) {
        gchar *text = g_strdup_printf("The file %s could not be written: %s", path, error.c_str());
        MessageBox(text);
        g_free(text);
    }
    CloseRestartWindow();
}

gboolean on_SAMM_Restart_X_Window_delete_event(GtkWidget *, GdkEvent *, gpointer)
{
    CloseRestartWindow();
    return TRUE;  // already destroyed
}
