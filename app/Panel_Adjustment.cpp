#include "Panel_Adjustment.h"

#include <string>

#include "TV_lists.h"
#include "common.h"
#include "qev/outputs.h"
#include "qevgfx.h"
#include "support.h"

unsigned g_DeviceSelect = 0;
guint32 g_PANELAdjustData[PANEL_REC_COUNT] = {};
int Panel_dwPositionLeft = 0, Panel_dwPositionRight = 0, Panel_dwPositionUp = 0, Panel_dwPositionDown = 0;
int Panel_dwSizeLeft = 0, Panel_dwSizeRight = 0, Panel_dwSizeUp = 0, Panel_dwSizeDown = 0;
double setScale[2] = {1.0, 1.0};

namespace {

// The function-capability bit that says the panel's expansion is not adjustable here.
constexpr int kCapsNoExpansionSwitch = 0x2;

int *const kArrowFlags[PAD_ARROW_COUNT] = {&Panel_dwSizeLeft,     &Panel_dwSizeUp,        &Panel_dwSizeRight,
                                           &Panel_dwSizeDown,     nullptr,                &Panel_dwPositionLeft,
                                           &Panel_dwPositionUp,   &Panel_dwPositionRight, &Panel_dwPositionDown,
                                           nullptr};

const char *Prefix()
{
    return UsesHDMIWindow(g_DeviceSelect) ? "HDMI_Adjustment" : "Panel_Adjustment";
}

GtkWidget *W(const char *name)
{
    return g_pPanelAdjustmentWnd ? lookup_widget(g_pPanelAdjustmentWnd, name) : nullptr;
}

void SetSensitive(const char *name, bool sensitive)
{
    if (GtkWidget *w = W(name))
        gtk_widget_set_sensitive(w, sensitive);
}

void ApplySensitive(bool state)
{
    if (g_pPanelAdjustmentWnd)
        UpdateApplyBtnState(g_pPanelAdjustmentWnd, PanelWidgetName("Apply_button"), state);
}

bool Recording()
{
    return g_PANELAdjustData[PANEL_REC_RECORDING] != 0;
}

AdjustPair ReadPair(int (*query)(unsigned, int *))
{
    int pair[2] = {0, 0};
    query(g_DeviceSelect, pair);
    return {static_cast<unsigned>(pair[0]), static_cast<unsigned>(pair[1])};
}

void SetArrowPictures(int first, int last)
{
    for (int i = first; i <= last; ++i)
        if (kArrowFlags[i])
            ShowPadPicture(g_pPanelAdjustmentWnd, Prefix(), i,
                           *kArrowFlags[i] ? PAD_PICTURE_NORMAL : PAD_PICTURE_DISABLED);
}

bool ArrowEnabled(int index)
{
    return !kArrowFlags[index] || *kArrowFlags[index];
}

gboolean PadPress(int index)
{
    if (g_pPanelAdjustmentWnd && ArrowEnabled(index))
        ShowPadPicture(g_pPanelAdjustmentWnd, Prefix(), index, PAD_PICTURE_PRESSED);
    return FALSE;
}

gboolean PadRelease(int index)
{
    DisplayWindow();
    if (!g_pPanelAdjustmentWnd || !ArrowEnabled(index))
        return FALSE;
    ShowPadPicture(g_pPanelAdjustmentWnd, Prefix(), index, PAD_PICTURE_NORMAL);
    if (kPadArrows[index].sizePad)
        ClickPanelSizeButton(kPadArrows[index].code);
    else
        ClickPanelPositionButton(kPadArrows[index].code);
    ApplySensitive(true);
    return FALSE;
}

void ForgetWindow(GtkWidget *widget, gpointer)
{
    if (g_pPanelAdjustmentWnd == widget)
        g_pPanelAdjustmentWnd = nullptr;
}

void CloseWindow()
{
    if (GtkWidget *window = g_pPanelAdjustmentWnd) {
        g_pPanelAdjustmentWnd = nullptr;
        gtk_widget_destroy(window);
    }
}

// The check button reads "Expand panel image": on for expansion state 0
// (expand), off for 1 (centre) or a state that could not be read.
bool ExpansionChecked(int state)
{
    return state == 0;
}

void SetUpExpansion()
{
    GtkWidget *label = W("Device_Setting_LCD_Expansion_Label");
    GtkWidget *check = W("Device_Setting_LCD_Expansion_checkbtn");
    bool shown = false;
    if (!(g_sFuncCaps[0] & kCapsNoExpansionSwitch)) {
        int supported = -1;
        QEVGFX_Panel_GetSupportExpandState(QEV_OUT_LCD, &supported);
        if (supported) {
            shown = true;
            if (label) {
                gtk_widget_show(label);
                gtk_widget_set_sensitive(label, TRUE);
            }
            if (check) {
                gtk_widget_show(check);
                gtk_widget_set_sensitive(check, TRUE);
            }
            int state = -1;
            QEVGFX_Panel_GetExpandState(QEV_OUT_LCD, &state);
            g_DisplayPageOptionItems.nItem[QEV_OPT_LCD_EXPANSION] = state;
            g_TmpDisplayPageOptionItems.nItem[QEV_OPT_LCD_EXPANSION] = state;
            if (check)
                gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(check), ExpansionChecked(state));
        }
    }
    if (!shown) {
        if (label)
            gtk_widget_hide(label);
        if (check)
            gtk_widget_hide(check);
    }
}

void OpenPanelAdjustmentWindow(unsigned output)
{
    if (g_pPanelAdjustmentWnd) {
        gtk_window_present(GTK_WINDOW(g_pPanelAdjustmentWnd));
        return;
    }
    const bool hdmi = UsesHDMIWindow(output);
    GtkWidget *window = hdmi ? create_HDMI_Adjustment_Window() : create_Panel_Adjustment_Window();
    g_pPanelAdjustmentWnd = window;
    g_signal_connect(window, "destroy", G_CALLBACK(ForgetWindow), nullptr);
    if (g_pMainWindow)
        gtk_window_set_transient_for(GTK_WINDOW(window), GTK_WINDOW(g_pMainWindow));
    gtk_window_set_modal(GTK_WINDOW(window), TRUE);
    gtk_widget_show(window);
    gtk_widget_realize(window);
    SetWindowBusyCursor(window, true);
    g_usleep(g_AdjustmentOpenDelayUs);

    InitPanelAdjustmentWnd(output);
    if (!hdmi) {
        SetUpExpansion();
        if (g_bRandRMode) {
            SetSensitive("Panel_Adjustment_Position_Center_eventbox", false);
            SetSensitive("Panel_Adjustment_Position_Center_pixmap", false);
        }
    }
    if (g_pPanelAdjustmentWnd) {
        ApplySensitive(false);
        SetWindowBusyCursor(g_pPanelAdjustmentWnd, false);
    }
}

}  // namespace

QEV_DEFINE_PAD_HANDLERS(Panel_Adjustment, kPanelPadHandlers)

const char *PanelWidgetName(const char *role)
{
    // One buffer per call site is enough: names are looked up at once.
    static std::string name;
    name = std::string(Prefix()) + "_" + role;
    return name.c_str();
}

void on_Device_Setting_Advanced_Button_clicked(GtkButton *, gpointer)
{
    OpenPanelAdjustmentWindow(static_cast<unsigned>(g_PrimaryDevice));
}

void on_SecDevice_Setting_Advanced_Button_clicked(GtkButton *, gpointer)
{
    OpenPanelAdjustmentWindow(static_cast<unsigned>(g_SecondaryDevice));
}

void on_Device_Setting_LCD_Advanced_Button_clicked(GtkButton *, gpointer)
{
    OpenPanelAdjustmentWindow(static_cast<unsigned>(g_PrimaryDevice));
}

void on_SecDevice_Setting_LCD_Advanced_Button_clicked(GtkButton *, gpointer)
{
    OpenPanelAdjustmentWindow(static_cast<unsigned>(g_SecondaryDevice));
}

void InitPanelAdjustmentWnd(unsigned output)
{
    for (guint32 &field : g_PANELAdjustData)
        field = 0;
    g_PANELAdjustData[PANEL_REC_RECORDING] = 1;
    g_DeviceSelect = output;
    InitPanelSizePixmapState();
    InitPanelPositionPixmapState();
    g_PANELAdjustData[PANEL_REC_RECORDING] = 0;
    setScale[0] = setScale[1] = 1.0;
}

void InitPanelSizePixmapState(void)
{
    AdjustPair size;
    if (g_bRandRMode) {
        double scale[2] = {0.0, 0.0};
        QEVGFX_DISPLAY_GetCurrentScale(g_DeviceSelect, scale);
        size = {ScaleToPadValue(scale[0]), ScaleToPadValue(scale[1])};
    } else {
        size = ReadPair(QEVGFX_Panel_GetViewSize);
    }
    if (Recording()) {
        g_PANELAdjustData[PANEL_REC_SIZE_H] = size.h;
        g_PANELAdjustData[PANEL_REC_SIZE_V] = size.v;
    }
    ArrowPair h = PadArrowState(size.h, kPanelSizePadMax), v = PadArrowState(size.v, kPanelSizePadMax);
    Panel_dwSizeLeft = h.decrease;
    Panel_dwSizeRight = h.increase;
    Panel_dwSizeDown = v.decrease;
    Panel_dwSizeUp = v.increase;
    SetArrowPictures(0, 3);
}

void InitPanelPositionPixmapState(void)
{
    AdjustPair position = ReadPair(QEVGFX_Panel_GetViewPosition);
    AdjustPair maximum = ReadPair(QEVGFX_Panel_GetMaxViewPosition);
    if (Recording()) {
        g_PANELAdjustData[PANEL_REC_POS_H] = position.h;
        g_PANELAdjustData[PANEL_REC_POS_V] = position.v;
    }
    ArrowPair h = PadArrowState(position.h, maximum.h), v = PadArrowState(position.v, maximum.v);
    Panel_dwPositionLeft = h.decrease;
    Panel_dwPositionRight = h.increase;
    Panel_dwPositionDown = v.decrease;
    Panel_dwPositionUp = v.increase;
    SetArrowPictures(5, 8);
    DrawPositionCalibrateImage(g_pPanelAdjustmentWnd,
                               UsesHDMIWindow(g_DeviceSelect) ? "HDMI_Adjustment_HDMI_pixmap"
                                                              : "Panel_Adjustment_Panel_pixmap",
                               position, maximum);
}

void DrawPanelPositionCalibrateImage(void)
{
    DrawPositionCalibrateImage(g_pPanelAdjustmentWnd,
                               UsesHDMIWindow(g_DeviceSelect) ? "HDMI_Adjustment_HDMI_pixmap"
                                                              : "Panel_Adjustment_Panel_pixmap",
                               ReadPair(QEVGFX_Panel_GetViewPosition), ReadPair(QEVGFX_Panel_GetMaxViewPosition));
}

void ClickPanelPositionButton(int code)
{
    AdjustPair next = ClickPosition(code, ReadPair(QEVGFX_Panel_GetViewPosition),
                                    ReadPair(QEVGFX_Panel_GetMaxViewPosition), false);
    QEVGFX_Panel_SetViewPosition(g_DeviceSelect, static_cast<int>(next.h), static_cast<int>(next.v));
    InitPanelPositionPixmapState();
}

void ClickPanelSizeButton(int code)
{
    if (g_bRandRMode) {
        ScalePair next = StepScale(code, {setScale[0], setScale[1]});
        setScale[0] = next.h;
        setScale[1] = next.v;
        QEVGFX_DISPLAY_SetScale(g_DeviceSelect, setScale[0], setScale[1]);
    } else {
        AdjustPair next = ClickSize(code, ReadPair(QEVGFX_Panel_GetViewSize), ReadPair(QEVGFX_Panel_GetMaxViewSize));
        QEVGFX_Panel_SetViewSize(g_DeviceSelect, static_cast<int>(next.h), static_cast<int>(next.v));
    }
    InitPanelSizePixmapState();
}

void AbortPanelChange(const guint32 *data)
{
    if (g_bRandRMode)
        return;
    QEVGFX_Panel_SetViewSize(g_DeviceSelect, static_cast<int>(data[PANEL_REC_SIZE_H]),
                             static_cast<int>(data[PANEL_REC_SIZE_V]));
    QEVGFX_Panel_SetViewPosition(g_DeviceSelect, static_cast<int>(data[PANEL_REC_POS_H]),
                                 static_cast<int>(data[PANEL_REC_POS_V]));
}

void on_Panel_Adjustment_Default_Button_clicked(GtkButton *, gpointer)
{
    DisplayWindow();
    int d = g_bRandRMode ? 0 : static_cast<int>(kDriverDefault);
    QEVGFX_Panel_SetViewSize(g_DeviceSelect, d, d);
    InitPanelSizePixmapState();
    QEVGFX_Panel_SetViewPosition(g_DeviceSelect, d, d);
    InitPanelPositionPixmapState();
    ApplySensitive(true);
}

void on_Panel_Adjustment_Apply_button_clicked(GtkButton *, gpointer)
{
    DisplayWindow();
    const int pendingSet = g_TmpDisplayPageOptionItems.nItem[QEV_OPT_DEVICE_SET];
    const int pending = g_TmpDisplayPageOptionItems.nItem[QEV_OPT_LCD_EXPANSION];
    if ((pendingSet & QEV_OUT_LCD) && pending != g_DisplayPageOptionItems.nItem[QEV_OPT_LCD_EXPANSION]) {
        unsigned target = g_bRandRMode ? g_DeviceSelect : static_cast<unsigned>(pendingSet);
        QEVGFX_Panel_SetExpandState(target, pending);
        g_DisplayPageOptionItems.nItem[QEV_OPT_LCD_EXPANSION] = pending;
    }
    ApplySensitive(false);
}

void on_Panel_Adjustment_OK_button_clicked(GtkButton *button, gpointer user_data)
{
    on_Panel_Adjustment_Apply_button_clicked(button, user_data);
    CloseWindow();
}

void on_Panel_Adjustment_Cancel_button_clicked(GtkButton *, gpointer)
{
    DisplayWindow();
    AbortPanelChange(g_PANELAdjustData);
    CloseWindow();
}

void on_Device_Setting_LCD_Expansion_checkbtn_clicked(GtkButton *button, gpointer)
{
    DisplayWindow();
    if ((g_PrimaryDevice | g_SecondaryDevice) & QEV_OUT_LCD) {
        bool checked = gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(button));
        g_TmpDisplayPageOptionItems.nItem[QEV_OPT_LCD_EXPANSION] = checked ? 0 : 1;
    }
    ApplySensitive(CheckDisplayPageOtionItemsChange(&g_DisplayPageOptionItems, &g_TmpDisplayPageOptionItems));
}

gboolean on_Create_Panel_Adjustment_Window_delete_event(GtkWidget *, GdkEvent *, gpointer)
{
    DisplayWindow();
    CloseWindow();
    return FALSE;
}
