#include "TV_Adjustment.h"

#include "TV_lists.h"
#include "common.h"
#include "qev/outputs.h"
#include "qevgfx.h"
#include "support.h"

unsigned g_TVSelect = QEV_OUT_TV;
guint32 g_TVAdjustData[TV_REC_COUNT] = {};
int TV_dwPositionLeft = 0, TV_dwPositionRight = 0, TV_dwPositionUp = 0, TV_dwPositionDown = 0;
int TV_dwSizeLeft = 0, TV_dwSizeRight = 0, TV_dwSizeUp = 0, TV_dwSizeDown = 0;
int g_FlickerFilterItem = 0;
int _FlickerFilterTuningItem = 0;

namespace {

const char kPrefix[] = "TV_Adjustment";
const char kApply[] = "TV_Adjustment_Apply_button";
const char kFlickerSlider[] = "TV_Adjustment_Flicker_Filter_hscrollbar";
const char kOffRadio[] = "TV_Adjustment_Flicker_Filter_Off_radiobtn";
const char kPlainRadio[] = "TV_Adjustment_Flicker_Filter_FFilter_radiobtn";
const char kAdaptiveRadio[] = "TV_Adjustment_Flicker_Filter_Adaptive_FFilter_radiobtn";

// The flicker filter found on at opening, put back by Cancel.
int s_OpeningFlickerItem = 0;
unsigned s_OpeningSettingCaps = 0;

// Arrow flags in kPadArrows order; the Center boxes have none (always enabled).
int *const kArrowFlags[PAD_ARROW_COUNT] = {&TV_dwSizeLeft,     &TV_dwSizeUp,       &TV_dwSizeRight,
                                           &TV_dwSizeDown,     nullptr,            &TV_dwPositionLeft,
                                           &TV_dwPositionUp,   &TV_dwPositionRight, &TV_dwPositionDown,
                                           nullptr};

// The tuning sliders other than the flicker filter's.
struct TuningRow {
    unsigned item;
    const char *label, *slider;
    int record;
};
const TuningRow kTuningRows[] = {
    {TV_TUNING_BRIGHTNESS, "TV_Adjustment_Brightness_Label", "TV_Adjustment_Brightness_hscrollbar",
     TV_REC_BRIGHTNESS},
    {TV_TUNING_CONTRAST, "TV_Adjustment_Contrast_Label", "TV_Adjustment_Contrast_hscrollbar", TV_REC_CONTRAST},
    {TV_TUNING_COLOR, "TV_Adjustment_Color_Label", "TV_Adjustment_Color_hscrollbar", TV_REC_COLOR},
    {TV_TUNING_TINT, "TV_Adjustment_Tint_Label", "TV_Adjustment_Tint_hscrollbar", TV_REC_TINT},
};

GtkWidget *W(const char *name)
{
    return g_pTVAdjustmentWnd ? lookup_widget(g_pTVAdjustmentWnd, name) : nullptr;
}

void SetSensitive(const char *name, bool sensitive)
{
    if (GtkWidget *w = W(name))
        gtk_widget_set_sensitive(w, sensitive);
}

void ApplySensitive(bool state)
{
    if (g_pTVAdjustmentWnd)
        UpdateApplyBtnState(g_pTVAdjustmentWnd, kApply, state);
}

bool Recording()
{
    return g_TVAdjustData[TV_REC_RECORDING] != 0;
}

AdjustPair ReadPair(int (*query)(unsigned, int *))
{
    int pair[2] = {0, 0};
    query(g_TVSelect, pair);
    return {static_cast<unsigned>(pair[0]), static_cast<unsigned>(pair[1])};
}

void ReadTuning(unsigned item, int *maximum, int *value)
{
    *maximum = 0;
    *value = 0;
    QEVGFX_TV_GetTuningItemMaxValue(g_TVSelect, item, maximum);
    QEVGFX_TV_GetTuningItemValue(g_TVSelect, item, value);
}

GtkAdjustment *SliderAdjustment(const char *name)
{
    GtkWidget *slider = W(name);
    return slider ? gtk_range_get_adjustment(GTK_RANGE(slider)) : nullptr;
}

// Gives the flicker slider a new adjustment.
void NewFlickerAdjustment(double value, double upper, double step)
{
    if (GtkWidget *slider = W(kFlickerSlider))
        gtk_range_set_adjustment(GTK_RANGE(slider),
                                 GTK_ADJUSTMENT(gtk_adjustment_new(value, 0, upper, step, step, 1)));
}

bool RadioActive(const char *name)
{
    GtkWidget *radio = W(name);
    return radio && gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(radio));
}

void SetToggle(const char *name, bool active)
{
    if (GtkWidget *button = W(name))
        gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(button), active);
}

// Switches the flicker filters to `item` (0 off, 1 plain, 2 adaptive): the
// other filter off first, then this one on, each where the encoder has it.
void SwitchFlickerFilter(int item)
{
    unsigned caps = 0;
    QEVGFX_TV_GetSupportSettingCaps(g_TVSelect, &caps);
    if (item != TV_SETTING_FFILTER && (caps & TV_SETTING_FFILTER))
        QEVGFX_TV_SetSettingItemState(g_TVSelect, TV_SETTING_FFILTER, 0);
    if (item != TV_SETTING_AFFILTER && (caps & TV_SETTING_AFFILTER))
        QEVGFX_TV_SetSettingItemState(g_TVSelect, TV_SETTING_AFFILTER, 0);
    if (item != 0 && (caps & static_cast<unsigned>(item)))
        QEVGFX_TV_SetSettingItemState(g_TVSelect, static_cast<unsigned>(item), 1);
}

void DrawPreview(AdjustPair position, AdjustPair maximum)
{
    DrawPositionCalibrateImage(g_pTVAdjustmentWnd, "TV_Adjustment_TV_pixmap", position, maximum);
}

void SetArrowPictures(int first, int last)
{
    for (int i = first; i <= last; ++i)
        if (kArrowFlags[i])
            ShowPadPicture(g_pTVAdjustmentWnd, kPrefix, i, *kArrowFlags[i] ? PAD_PICTURE_NORMAL : PAD_PICTURE_DISABLED);
}

bool ArrowEnabled(int index)
{
    return !kArrowFlags[index] || *kArrowFlags[index];
}

gboolean PadPress(int index)
{
    if (g_pTVAdjustmentWnd && ArrowEnabled(index))
        ShowPadPicture(g_pTVAdjustmentWnd, kPrefix, index, PAD_PICTURE_PRESSED);
    return FALSE;
}

gboolean PadRelease(int index)
{
    DisplayWindow();
    if (!g_pTVAdjustmentWnd || !ArrowEnabled(index))
        return FALSE;
    ShowPadPicture(g_pTVAdjustmentWnd, kPrefix, index, PAD_PICTURE_NORMAL);
    if (kPadArrows[index].sizePad)
        ClickTVSizeButton(kPadArrows[index].code);
    else
        ClickTVPositionButton(kPadArrows[index].code);
    return FALSE;
}

void ForgetWindow(GtkWidget *widget, gpointer)
{
    if (g_pTVAdjustmentWnd == widget)
        g_pTVAdjustmentWnd = nullptr;
}

void CloseWindow()
{
    if (GtkWidget *window = g_pTVAdjustmentWnd) {
        g_pTVAdjustmentWnd = nullptr;
        gtk_widget_destroy(window);
    }
}

void OpenTVAdjustmentWindow()
{
    if (g_pTVAdjustmentWnd) {
        gtk_window_present(GTK_WINDOW(g_pTVAdjustmentWnd));
        return;
    }
    GtkWidget *window = create_TV_Adjustment_Window();
    g_pTVAdjustmentWnd = window;
    g_signal_connect(window, "destroy", G_CALLBACK(ForgetWindow), nullptr);
    if (g_pMainWindow)
        gtk_window_set_transient_for(GTK_WINDOW(window), GTK_WINDOW(g_pMainWindow));
    gtk_window_set_modal(GTK_WINDOW(window), TRUE);
    gtk_widget_show(window);
    gtk_widget_realize(window);
    SetWindowBusyCursor(window, true);
    g_usleep(g_AdjustmentOpenDelayUs);

    // The output is chosen before the lists are filled: the second TV's
    // entries show only when it is the one adjusted.
    g_TVSelect = GetActiveTVRadioBtnState();
    unsigned standards = 0, signals = 0;
    if (g_PrimaryDevice == QEV_OUT_TV || g_SecondaryDevice == QEV_OUT_TV) {
        QEVGFX_TV_GetSupportStandard(QEV_OUT_TV, &standards);
        QEVGFX_TV_GetSupportSignalType(QEV_OUT_TV, &signals);
        SetTVComboBoxListItems(TV_LIST_SD_STANDARD, "Display_Device_TV_Type_Combo", standards);
        SetTVComboBoxListItems(TV_LIST_SD_SIGNAL, "Display_Device_TV_Output_Combo", signals);
    } else {
        QEVGFX_TV_GetSupportStandard(QEV_OUT_HDTV, &standards);
        QEVGFX_TV_GetSupportSignalType(QEV_OUT_HDTV, &signals);
        gtk_label_set_text(GTK_LABEL(W("Display_Device_TV_Type_Label")), "HDTV Type :");
        gtk_label_set_text(GTK_LABEL(W("Display_Device_TV_Output_Label")), "HDTV Output :");
        SetTVComboBoxListItems(TV_LIST_HD_STANDARD, "Display_Device_TV_Type_Combo", standards);
        SetTVComboBoxListItems(TV_LIST_HD_SIGNAL, "Display_Device_TV_Output_Combo", signals);
    }

    InitTVAdjustmentWnd();
    if (g_pTVAdjustmentWnd) {
        ApplySensitive(false);
        SetWindowBusyCursor(g_pTVAdjustmentWnd, false);
    }
}

}  // namespace

QEV_DEFINE_PAD_HANDLERS(TV_Adjustment, kTVPadHandlers)

void on_Device_Setting_TV_Advanced_Button_clicked(GtkButton *, gpointer)
{
    OpenTVAdjustmentWindow();
}

void on_SecDevice_Setting_TV_Advanced_Button_clicked(GtkButton *, gpointer)
{
    OpenTVAdjustmentWindow();
}

void InitTVAdjustData(guint32 *data)
{
    for (int i = 0; i < TV_REC_COUNT; ++i)
        data[i] = 0;
    data[TV_REC_RECORDING] = 1;
}

void InitTVAdjustmentWnd(void)
{
    g_TVSelect = GetActiveTVRadioBtnState();
    InitTVAdjustData(g_TVAdjustData);
    InitTVSizePixmapState();
    InitTVPositionPixmapState();
    InitTVSupportSettingItem();
    s_OpeningFlickerItem = g_FlickerFilterItem;
    s_OpeningSettingCaps = 0;
    QEVGFX_TV_GetSupportSettingCaps(g_TVSelect, &s_OpeningSettingCaps);
    InitTVSupportTuningItem();
    g_TVAdjustData[TV_REC_RECORDING] = 0;
}

void InitTVSizePixmapState(void)
{
    AdjustPair size = ReadPair(QEVGFX_TV_GetViewSize);
    AdjustPair maximum = ReadPair(QEVGFX_TV_GetMaxViewSize);
    if (Recording()) {
        g_TVAdjustData[TV_REC_SIZE_H] = size.h;
        g_TVAdjustData[TV_REC_SIZE_V] = size.v;
    }
    ArrowPair h = PadArrowState(size.h, maximum.h), v = PadArrowState(size.v, maximum.v);
    TV_dwSizeLeft = h.decrease;
    TV_dwSizeRight = h.increase;
    TV_dwSizeDown = v.decrease;
    TV_dwSizeUp = v.increase;
    SetArrowPictures(0, 3);
    if (g_bRandRMode) {
        SetSensitive("TV_Adjustment_Size_Center_eventbox", false);
        SetSensitive("TV_Adjustment_Size_Center_pixmap", false);
    }
}

void InitTVPositionPixmapState(void)
{
    AdjustPair position = ReadPair(QEVGFX_TV_GetViewPosition);
    AdjustPair maximum = ReadPair(QEVGFX_TV_GetMaxViewPosition);
    if (Recording()) {
        g_TVAdjustData[TV_REC_POS_H] = position.h;
        g_TVAdjustData[TV_REC_POS_V] = position.v;
    }
    ArrowPair h = PadArrowState(position.h, maximum.h), v = PadArrowState(position.v, maximum.v);
    TV_dwPositionLeft = h.decrease;
    TV_dwPositionRight = h.increase;
    TV_dwPositionDown = v.decrease;
    TV_dwPositionUp = v.increase;
    SetArrowPictures(5, 8);
    DrawPreview(position, maximum);
}

void DrawTVPositionCalibrateImage(void)
{
    DrawPreview(ReadPair(QEVGFX_TV_GetViewPosition), ReadPair(QEVGFX_TV_GetMaxViewPosition));
}

void ClickTVPositionButton(int code)
{
    AdjustPair next = ClickPosition(code, ReadPair(QEVGFX_TV_GetViewPosition),
                                    ReadPair(QEVGFX_TV_GetMaxViewPosition), g_bRandRMode != 0);
    QEVGFX_TV_SetViewPosition(g_TVSelect, static_cast<int>(next.h), static_cast<int>(next.v));
    InitTVPositionPixmapState();
    ApplySensitive(true);
}

void ClickTVSizeButton(int code)
{
    AdjustPair next = ClickSize(code, ReadPair(QEVGFX_TV_GetViewSize), ReadPair(QEVGFX_TV_GetMaxViewSize));
    if (!g_bRandRMode)
        QEVGFX_TV_SetViewSize(g_TVSelect, static_cast<int>(next.h), static_cast<int>(next.v));
    InitTVSizePixmapState();
    ApplySensitive(true);
}

void InitTVSupportSettingItem(void)
{
    unsigned caps = 0;
    QEVGFX_TV_GetSupportSettingCaps(g_TVSelect, &caps);

    if (caps & TV_SETTING_ASPECT) {
        int state = 0;
        QEVGFX_TV_GetSettingItemState(g_TVSelect, TV_SETTING_ASPECT, &state);
        if (Recording()) {
            g_TVAdjustData[TV_REC_SETTING_MASK] |= TV_SETTING_ASPECT;
            g_TVAdjustData[TV_REC_ASPECT] = static_cast<guint32>(state);
        }
        SetToggle("TV_Adjustment_Aspect_Ratio_Lock_Checkbtn", state == 1);
    } else if (GtkWidget *aspect = W("TV_Adjustment_Aspect_Ratio_Lock_Checkbtn")) {
        gtk_widget_hide(aspect);
    }

    if (caps & TV_SETTING_DOT_CRAWL) {
        int state = 0;
        QEVGFX_TV_GetSettingItemState(g_TVSelect, TV_SETTING_DOT_CRAWL, &state);
        if (Recording()) {
            g_TVAdjustData[TV_REC_SETTING_MASK] |= TV_SETTING_DOT_CRAWL;
            g_TVAdjustData[TV_REC_DOT_CRAWL] = static_cast<guint32>(state);
        }
        SetToggle("TV_Adjustment_Dot_Crawl_Checkbtn", state == 1);
    } else {
        SetSensitive("TV_Adjustment_Dot_Crawl_Checkbtn", false);
    }

    if (!(caps & (TV_SETTING_FFILTER | TV_SETTING_AFFILTER))) {
        SetSensitive("TV_Adjustment_Flicker_Filter_frame", false);
        g_FlickerFilterItem = 0;
        return;
    }
    g_FlickerFilterItem = 0;
    const struct {
        unsigned item;
        const char *radio;
    } filters[] = {{TV_SETTING_FFILTER, kPlainRadio}, {TV_SETTING_AFFILTER, kAdaptiveRadio}};
    for (const auto &f : filters) {
        if (!(caps & f.item)) {
            SetSensitive(f.radio, false);
            continue;
        }
        int state = 0;
        QEVGFX_TV_GetSettingItemState(g_TVSelect, f.item, &state);
        if (state == 1) {
            SetToggle(f.radio, true);
            g_FlickerFilterItem = static_cast<int>(f.item);
        }
    }
    // A radio button cannot be switched off by itself: with no filter on, "Off"
    // is the one shown.
    if (g_FlickerFilterItem == 0)
        SetToggle(kOffRadio, true);
}

void InitTVSupportTuningItem(void)
{
    unsigned caps = 0;
    QEVGFX_TV_GetSupportTuningCaps(g_TVSelect, &caps);

    if (g_FlickerFilterItem == 1 || g_FlickerFilterItem == 2) {
        unsigned item = static_cast<unsigned>(g_FlickerFilterItem);
        int maximum = 0, value = 0;
        ReadTuning(item, &maximum, &value);
        if (Recording()) {
            g_TVAdjustData[TV_REC_FLICKER] = static_cast<guint32>(value);
            g_TVAdjustData[TV_REC_TUNING_MASK] |= item;
        }
        if (item == TV_TUNING_FFILTER) {
            NewFlickerAdjustment(value, maximum + 1.0, 1);
        } else if (GtkAdjustment *adj = SliderAdjustment(kFlickerSlider)) {
            gtk_adjustment_set_value(adj, TuningPercent(value, maximum));
        }
        // A maximum that reads 0 leaves nothing to choose.
        SetSensitive(kFlickerSlider, maximum > 0);
    } else {
        SetSensitive(kFlickerSlider, false);
    }

    for (const TuningRow &row : kTuningRows) {
        if (!(caps & row.item)) {
            SetSensitive(row.label, false);
            SetSensitive(row.slider, false);
            continue;
        }
        int maximum = 0, value = 0;
        ReadTuning(row.item, &maximum, &value);
        if (Recording()) {
            g_TVAdjustData[row.record] = static_cast<guint32>(value);
            g_TVAdjustData[TV_REC_TUNING_MASK] |= row.item;
        }
        if (GtkAdjustment *adj = SliderAdjustment(row.slider))
            gtk_adjustment_set_value(adj, TuningPercent(value, maximum));
        SetSensitive(row.label, true);
        SetSensitive(row.slider, maximum > 0);
    }
}

void SetTuningValueIntoDriver(GtkWidget *slider, unsigned item, int reset)
{
    if (item == 0 || !slider)
        return;
    if (reset) {
        QEVGFX_TV_SetTuningItemValue(g_TVSelect, item, g_bRandRMode ? 0 : static_cast<int>(kDriverDefault));
        InitTVSupportSettingItem();
        InitTVSupportTuningItem();
        return;
    }
    double position = gtk_range_get_value(GTK_RANGE(slider));
    int maximum = 0;
    if (item != TV_TUNING_FFILTER)
        QEVGFX_TV_GetTuningItemMaxValue(g_TVSelect, item, &maximum);
    QEVGFX_TV_SetTuningItemValue(g_TVSelect, item, TuningValueFromSlider(item, position, maximum));
    ApplySensitive(true);
}

void AbortTVChange(const guint32 *data)
{
    if (!g_bRandRMode)
        QEVGFX_TV_SetViewSize(g_TVSelect, static_cast<int>(data[TV_REC_SIZE_H]), static_cast<int>(data[TV_REC_SIZE_V]));
    QEVGFX_TV_SetViewPosition(g_TVSelect, static_cast<int>(data[TV_REC_POS_H]), static_cast<int>(data[TV_REC_POS_V]));
    if (data[TV_REC_SETTING_MASK] & TV_SETTING_DOT_CRAWL)
        QEVGFX_TV_SetSettingItemState(g_TVSelect, TV_SETTING_DOT_CRAWL, static_cast<int>(data[TV_REC_DOT_CRAWL]));
    if (data[TV_REC_SETTING_MASK] & TV_SETTING_ASPECT)
        QEVGFX_TV_SetSettingItemState(g_TVSelect, TV_SETTING_ASPECT, static_cast<int>(data[TV_REC_ASPECT]));
    // The flicker filter found at opening, before its strength.
    if (s_OpeningSettingCaps & (TV_SETTING_FFILTER | TV_SETTING_AFFILTER))
        SwitchFlickerFilter(s_OpeningFlickerItem);
    const struct {
        unsigned item;
        int record;
    } tuning[] = {{TV_TUNING_FFILTER, TV_REC_FLICKER},      {TV_TUNING_AFFILTER, TV_REC_FLICKER},
                  {TV_TUNING_BRIGHTNESS, TV_REC_BRIGHTNESS}, {TV_TUNING_CONTRAST, TV_REC_CONTRAST},
                  {TV_TUNING_COLOR, TV_REC_COLOR},           {TV_TUNING_TINT, TV_REC_TINT}};
    for (const auto &t : tuning)
        if (data[TV_REC_TUNING_MASK] & t.item)
            QEVGFX_TV_SetTuningItemValue(g_TVSelect, t.item, static_cast<int>(data[t.record]));
}

void on_TV_Adjustment_Dot_Crawl_Checkbtn_clicked(GtkButton *button, gpointer)
{
    DisplayWindow();
    QEVGFX_TV_SetSettingItemState(g_TVSelect, TV_SETTING_DOT_CRAWL,
                                  gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(button)) ? 1 : 0);
    ApplySensitive(true);
}

void on_TV_Adjustment_Aspect_Ratio_Lock_Checkbtn_clicked(GtkButton *button, gpointer)
{
    DisplayWindow();
    QEVGFX_TV_SetSettingItemState(g_TVSelect, TV_SETTING_ASPECT,
                                  gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(button)) ? 1 : 0);
    ApplySensitive(true);
}

void on_TV_Adjustment_Flicker_Filter_Off_radiobtn_clicked(GtkButton *button, gpointer)
{
    DisplayWindow();
    if (!gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(button)))
        return;
    SwitchFlickerFilter(0);
    SetSensitive(kFlickerSlider, false);
    _FlickerFilterTuningItem = 0;
    ApplySensitive(true);
}

void on_TV_Adjustment_Flicker_Filter_FFilter_radiobtn_clicked(GtkButton *button, gpointer)
{
    DisplayWindow();
    if (!gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(button)))
        return;
    SwitchFlickerFilter(TV_SETTING_FFILTER);
    int maximum = 0, value = 0;
    ReadTuning(TV_TUNING_FFILTER, &maximum, &value);
    NewFlickerAdjustment(value, maximum + 1.0, 1);
    SetSensitive(kFlickerSlider, maximum > 0);
    _FlickerFilterTuningItem = TV_TUNING_FFILTER;
    ApplySensitive(true);
}

void on_TV_Adjustment_Flicker_Filter_Adaptive_FFilter_radiobtn_clicked(GtkButton *button, gpointer)
{
    DisplayWindow();
    if (!gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(button)))
        return;
    SwitchFlickerFilter(TV_SETTING_AFFILTER);
    int maximum = 0, value = 0;
    ReadTuning(TV_TUNING_AFFILTER, &maximum, &value);
    NewFlickerAdjustment(TuningPercent(value, maximum), 101, 10);
    SetSensitive(kFlickerSlider, maximum > 0);
    _FlickerFilterTuningItem = TV_TUNING_AFFILTER;
    ApplySensitive(true);
}

gboolean on_TV_Adjustment_Flicker_Filter_hscrollbar_button_release_event(GtkWidget *widget, GdkEventButton *,
                                                                          gpointer)
{
    DisplayWindow();
    SetTuningValueIntoDriver(widget, static_cast<unsigned>(_FlickerFilterTuningItem), 0);
    return FALSE;
}

gboolean on_TV_Adjustment_Brightness_hscrollbar_button_release_event(GtkWidget *widget, GdkEventButton *, gpointer)
{
    DisplayWindow();
    SetTuningValueIntoDriver(widget, TV_TUNING_BRIGHTNESS, 0);
    return FALSE;
}

gboolean on_TV_Adjustment_Contrast_hscrollbar_button_release_event(GtkWidget *widget, GdkEventButton *, gpointer)
{
    DisplayWindow();
    SetTuningValueIntoDriver(widget, TV_TUNING_CONTRAST, 0);
    return FALSE;
}

gboolean on_TV_Adjustment_Color_hscrollbar_button_release_event(GtkWidget *widget, GdkEventButton *, gpointer)
{
    DisplayWindow();
    SetTuningValueIntoDriver(widget, TV_TUNING_COLOR, 0);
    return FALSE;
}

gboolean on_TV_Adjustment_Tint_hscrollbar_button_release_event(GtkWidget *widget, GdkEventButton *, gpointer)
{
    DisplayWindow();
    SetTuningValueIntoDriver(widget, TV_TUNING_TINT, 0);
    return FALSE;
}

void on_TV_Adjustment_Default_Button_clicked(GtkButton *, gpointer)
{
    DisplayWindow();
    if (!g_bRandRMode) {
        QEVGFX_TV_SetViewSize(g_TVSelect, kDriverDefault, kDriverDefault);
        InitTVSizePixmapState();
    }
    int position = g_bRandRMode ? 0 : static_cast<int>(kDriverDefault);
    QEVGFX_TV_SetViewPosition(g_TVSelect, position, position);
    InitTVPositionPixmapState();

    unsigned settings = 0;
    QEVGFX_TV_GetSupportSettingCaps(g_TVSelect, &settings);
    if (settings & TV_SETTING_ASPECT)
        QEVGFX_TV_SetSettingItemState(g_TVSelect, TV_SETTING_ASPECT, kDriverDefault);
    if (settings & TV_SETTING_DOT_CRAWL)
        QEVGFX_TV_SetSettingItemState(g_TVSelect, TV_SETTING_DOT_CRAWL, kDriverDefault);

    unsigned tuning = 0;
    QEVGFX_TV_GetSupportTuningCaps(g_TVSelect, &tuning);
    if ((tuning & (TV_TUNING_FFILTER | TV_TUNING_AFFILTER)) && !RadioActive(kOffRadio))
        SetTuningValueIntoDriver(W(kFlickerSlider), static_cast<unsigned>(_FlickerFilterTuningItem), 1);
    for (const TuningRow &row : kTuningRows)
        if (tuning & row.item)
            SetTuningValueIntoDriver(W(row.slider), row.item, 1);
    ApplySensitive(true);
}

void on_TV_Adjustment_Apply_button_clicked(GtkButton *, gpointer)
{
    DisplayWindow();
    for (unsigned device : TVOutputsToApply(static_cast<unsigned>(g_TmpDisplayPageOptionItems.nItem[QEV_OPT_DEVICE_SET])))
        ApplyTVSetting(device);
    ApplySensitive(false);
}

void on_TV_Adjustment_OK_button_clicked(GtkButton *button, gpointer user_data)
{
    on_TV_Adjustment_Apply_button_clicked(button, user_data);
    CloseWindow();
}

void on_TV_Adjustment_Cancel_button_clicked(GtkButton *, gpointer)
{
    DisplayWindow();
    AbortTVChange(g_TVAdjustData);
    CloseWindow();
}

void on_Display_Device_TV_Type_Combo_Entry_changed(GtkEditable *editable, gpointer)
{
    DisplayWindow();
    CheckComboEntryItemsChange(0, GTK_ENTRY(editable));
}

void on_Display_Device_TV_Output_Combo_Entry_changed(GtkEditable *editable, gpointer)
{
    DisplayWindow();
    CheckComboEntryItemsChange(1, GTK_ENTRY(editable));
}

gboolean on_TV_Adjustment_Window_delete_event(GtkWidget *, GdkEvent *, gpointer)
{
    DisplayWindow();
    CloseWindow();
    return FALSE;
}
