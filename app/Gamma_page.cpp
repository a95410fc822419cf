#include "Gamma_page.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "colour_pages.h"
#include "common.h"
#include "qevgfx.h"
#include "support.h"

GammaPageState *g_lpZ7GState = nullptr;
SchemeRecord *g_CurrentSchemeRecord = nullptr;
SchemeRecord *g_OKSchemeRecord = nullptr;
int g_bSaveOrDelAction = 0;
GtkWidget *g_pGammaSaveSchemeWnd = nullptr;
GtkWidget *g_pSchemeWarningWnd = nullptr;
SchemeFile g_GammaSchemeFile{"", "", kGammaSchemeLayout, true};

namespace {

GtkWidget *Widget(const char *name)
{
    return g_pMainWindow ? lookup_widget(g_pMainWindow, name) : nullptr;
}

GtkWidget *SchemeEntry()
{
    return Widget("Gamma_Scheme_Combo_Entry");
}

void SetSensitive(const char *name, bool on)
{
    if (GtkWidget *w = Widget(name))
        gtk_widget_set_sensitive(w, on);
}

void SetApplySensitive(bool on)
{
    if (g_pMainWindow)
        UpdateApplyBtnState(g_pMainWindow, "Info_Apply_button", on);
}

// Sets an entry's text while the scheme list's change handler stands aside.
void SetSchemeEntryQuietly(const char *text)
{
    g_bSaveOrDelAction = 1;
    gtk_entry_set_text(GTK_ENTRY(SchemeEntry()), text);
    g_bSaveOrDelAction = 0;
}

void MoveSlider(const char *name, double value)
{
    MoveScrollbar(Widget(name), value);
}

void SelectComboItem(const char *combo, int index)
{
    if (GtkWidget *w = Widget(combo))
        SelectComboListItem(w, index);
}

void SaveStateAsCurrentRecord()
{
    CopySchemeRecord(g_CurrentSchemeRecord, nullptr, g_lpZ7GState);
}

// Finds the calibration picture once per run.
GdkPixmap *CalibrationPicture()
{
    static GdkPixmap *picture = nullptr;
    if (!picture && g_pMainWindow) {
        GtkWidget *image = create_pixmap(g_pMainWindow, "z7cal24.xpm");
        g_object_ref_sink(image);
        if (GTK_IS_PIXMAP(image)) {
            gtk_pixmap_get(GTK_PIXMAP(image), &picture, nullptr);
            if (picture)
                g_object_ref(picture);
        }
        g_object_unref(image);
    }
    return picture;
}

void OnScrollMove(GtkWidget *scrollbar)
{
    GammaPageState *state = g_lpZ7GState;
    if (!state)
        return;
    GtkAdjustment *adjustment = gtk_range_get_adjustment(GTK_RANGE(scrollbar));
    state->fSliderValue = static_cast<float>(adjustment->value);
    float parameter = 0;
    if (GammaSliderToParameter(state->fSliderValue, &parameter))
        MoveScrollbar(scrollbar, 10.05);
    StoreGammaParameter(state, parameter);
    CalcGammaRampData(state);
    SetScreenGamma();
    gtk_entry_set_text(GTK_ENTRY(SchemeEntry()), "");
    DoDrawGammaCurves();
    SaveStateAsCurrentRecord();
    SetApplySensitive(true);
}

gboolean OnSliderRelease(GtkWidget *scrollbar, uint32_t slider)
{
    if (g_lpZ7GState) {
        g_lpZ7GState->dwLastSlider = slider;
        OnScrollMove(scrollbar);
    }
    return FALSE;  // the scrollbar handles the release too
}

void SetAdjustChannel(GtkEditable *entry)
{
    static const struct {
        const char *text;
        uint16_t mask;
    } kChannels[] = {{"Link RGB", kGammaAllChannels}, {"Red", 1}, {"Green", 2}, {"Blue", 4}};
    const char *text = gtk_entry_get_text(GTK_ENTRY(entry));
    for (const auto &c : kChannels)
        if (g_ascii_strcasecmp(text, c.text) == 0)
            g_lpZ7GState->wChannelMask = c.mask;
}

// The default values without sending them.
void InitGammaWidgetWithDefault()
{
    SetGammaDefaults(g_lpZ7GState);
    gtk_entry_set_text(GTK_ENTRY(SchemeEntry()), "");
    SelectComboItem("Gamma_Calibrate_ChangeType_Combo", 0);
    g_lpZ7GState->wChannelMask = kGammaAllChannels;
    MoveSlider("Gamma_Gamma_Hscrollbar", 100);
    MoveSlider("Gamma_Brightness_Hscrollbar", 100);
    MoveSlider("Gamma_Contrast_Hscrollbar", 100);
    SaveStateAsCurrentRecord();
}

// Loads the scheme file into the page; false when the page starts from the
// defaults instead (no file, or one that cannot be used).
bool LoadGammaSchemeFile()
{
    SchemeContents contents;
    if (!LoadSchemeFileForPage(g_GammaSchemeFile, contents))
        return false;
    if (!g_GammaSchemeFile.writable) {
        SetSensitive("Gamma_Scheme_SaveAs_Button", false);
        SetSensitive("Gamma_Scheme_Delete_Button", false);
    }
    if (contents.named.empty())
        SetSensitive("Gamma_Scheme_Delete_Button", false);

    SchemeRecord active = SchemeRecordFromBytes(contents.active);
    std::vector<std::string> names;
    int found = -1;
    for (const std::string &record : contents.named) {
        names.push_back(SchemeRecordName(record));
        if (names.back() == active.chName)
            found = static_cast<int>(names.size()) - 1;
    }
    if (!names.empty()) {
        g_bSaveOrDelAction = 1;
        SetSchemeListNames(Widget("Gamma_Scheme_Combo"), names);
        g_bSaveOrDelAction = 0;
        if (found >= 0)
            SelectComboItem("Gamma_Scheme_Combo", found);
        else
            SetSchemeEntryQuietly("");
    }
    UpdateGBCwidget(&active);
    CopySchemeRecord(g_OKSchemeRecord, &active, nullptr);
    CopySchemeRecord(g_CurrentSchemeRecord, &active, nullptr);
    return true;
}

}  // namespace

void AllocGammaGlobal(void)
{
    FreeGammaGlobal();
    g_lpZ7GState = static_cast<GammaPageState *>(calloc(1, sizeof(GammaPageState)));
    g_CurrentSchemeRecord = static_cast<SchemeRecord *>(calloc(1, sizeof(SchemeRecord)));
    g_OKSchemeRecord = static_cast<SchemeRecord *>(calloc(1, sizeof(SchemeRecord)));
    if (!g_lpZ7GState || !g_CurrentSchemeRecord || !g_OKSchemeRecord) {
        fputs("Alloc memory fail, quit the QEV Display Utility!\n", stderr);
        FreeGammaGlobal();
        exit(255);
    }
}

void FreeGammaGlobal(void)
{
    free(g_lpZ7GState);
    free(g_CurrentSchemeRecord);
    free(g_OKSchemeRecord);
    g_lpZ7GState = nullptr;
    g_CurrentSchemeRecord = nullptr;
    g_OKSchemeRecord = nullptr;
}

void SetScreenGamma(void)
{
    if (!g_lpZ7GState)
        return;
    unsigned short red[256], green[256], blue[256];
    memcpy(red, g_lpZ7GState->wRamp[GAMMA_RED], sizeof red);
    memcpy(green, g_lpZ7GState->wRamp[GAMMA_GREEN], sizeof green);
    memcpy(blue, g_lpZ7GState->wRamp[GAMMA_BLUE], sizeof blue);
    QEVGFX_GAMMA_SetLookUpTable(red, green, blue);
}

void DrawCalibrateImage(int index)
{
    GtkWidget *widget = Widget("Gamma_Calibrate_Pixmap");
    if (!widget || !GTK_IS_PIXMAP(widget) || !g_lpZ7GState)
        return;
    GdkPixmap *target = nullptr;
    gtk_pixmap_get(GTK_PIXMAP(widget), &target, nullptr);
    if (!target)
        return;
    static GammaPreview preview;
    bool drawn = RenderGammaPreview(index, g_lpZ7GState, &preview);
    GdkGC *gc = gdk_gc_new(target);
    // Each row's runs of drawn pixels.
    guchar row[GammaPreview::kWidth * 3];
    for (int y = 0; y < GammaPreview::kHeight; ++y) {
        for (int x = 0; x < GammaPreview::kWidth;) {
            size_t at = static_cast<size_t>(y * GammaPreview::kWidth + x);
            if (!preview.drawn[at]) {
                ++x;
                continue;
            }
            int start = x;
            for (; x < GammaPreview::kWidth && preview.drawn[static_cast<size_t>(y * GammaPreview::kWidth + x)];
                 ++x) {
                uint32_t c = preview.rgb[static_cast<size_t>(y * GammaPreview::kWidth + x)];
                guchar *p = row + 3 * (x - start);
                p[0] = static_cast<guchar>(c >> 16);
                p[1] = static_cast<guchar>(c >> 8);
                p[2] = static_cast<guchar>(c);
            }
            gdk_draw_rgb_image(target, gc, GammaPreview::kX + start, GammaPreview::kY + y, x - start, 1,
                               GDK_RGB_DITHER_NONE, row, sizeof row);
        }
    }
    if (!drawn) {
        if (GdkPixmap *picture = CalibrationPicture())
            gdk_draw_drawable(target, gc, picture, 0, 0, GammaPreview::kX, GammaPreview::kY,
                              GammaPreview::kAreaWidth, GammaPreview::kAreaHeight);
    }
    g_object_unref(gc);
    gtk_widget_queue_draw(widget);
}

void DoDrawGammaCurves(void)
{
    GtkWidget *combo = Widget("Gamma_Calibrate_Combo");
    if (combo && SelectedComboListItem(combo) == GAMMA_IMAGE_CURVES)
        DrawCalibrateImage(GAMMA_IMAGE_CURVES);
}

void UpdateGBCwidget(const SchemeRecord *record)
{
    GammaPageState *state = g_lpZ7GState;
    state->wImageIndex = record->wImageIndex;
    state->wChannelMask = static_cast<uint16_t>(ComboIndexToCalibrateChannel(record->wChannelIndex));
    ParseSchemeSettings(record->chSettings, state);
    CalcGammaRampData(state);
    SetScreenGamma();
    SelectComboItem("Gamma_Calibrate_Combo", record->wImageIndex);
    SelectComboItem("Gamma_Calibrate_ChangeType_Combo", record->wChannelIndex);
    // Selecting the item already selected sends no change: draw it anyway.
    DrawCalibrateImage(state->wImageIndex);
    std::array<double, 3> positions = GammaSliderPositions(*state, record->wChannelIndex);
    MoveSlider("Gamma_Gamma_Hscrollbar", positions[0]);
    MoveSlider("Gamma_Brightness_Hscrollbar", positions[1]);
    MoveSlider("Gamma_Contrast_Hscrollbar", positions[2]);
}

void SetToDefaultGamma(void)
{
    InitGammaWidgetWithDefault();
    SetScreenGamma();
}

void AddGammaPage(GtkWidget *page)
{
    Create_Gamma_Page_Widget(g_pMainWindow, page);
    InitGammaPage();
}

void InitGammaPage(void)
{
    AllocGammaGlobal();
    g_GammaSchemeFile.path = std::string(QEV_X11_DIR) + QEV_GAMMA_SCHEME_FILE;
    g_GammaSchemeFile.backupPath = std::string(QEV_X11_DIR) + QEV_GAMMA_SCHEME_BACKUP;
    if (LoadGammaSchemeFile())
        return;
    g_lpZ7GState->wImageIndex = GAMMA_IMAGE_CALIBRATION;
    DrawCalibrateImage(GAMMA_IMAGE_CALIBRATION);
    SetToDefaultGamma();
    SetSensitive("Gamma_Scheme_Delete_Button", false);
    SetApplySensitive(false);
    SaveStateAsCurrentRecord();
    CopySchemeRecord(g_OKSchemeRecord, g_CurrentSchemeRecord, nullptr);
}

void ApplyGammaPageChang(void)
{
    if (!g_bGammaPageHasInitial || !g_CurrentSchemeRecord || !g_OKSchemeRecord)
        return;
    CopySchemeRecord(g_OKSchemeRecord, g_CurrentSchemeRecord, nullptr);
    WriteActiveSchemeRecord(g_GammaSchemeFile, SchemeRecordToBytes(*g_OKSchemeRecord), true);
    QEVGFX_SaveCurrentSetting(1);
}

void CancelGammaPageChange(void)
{
    if (!g_CurrentSchemeRecord || !g_OKSchemeRecord || !g_lpZ7GState)
        return;
    WriteActiveSchemeRecord(g_GammaSchemeFile, SchemeRecordToBytes(*g_OKSchemeRecord), false);
    ParseSchemeSettings(g_OKSchemeRecord->chSettings, g_lpZ7GState);
    CalcGammaRampData(g_lpZ7GState);
    SetScreenGamma();
}

gboolean on_Gamma_Gamma_Hscrollbar_button_release_event(GtkWidget *widget, GdkEventButton *, gpointer)
{
    return OnSliderRelease(widget, GAMMA_SLIDER_GAMMA);
}

gboolean on_Gamma_Brightness_Hscrollbar_button_release_event(GtkWidget *widget, GdkEventButton *, gpointer)
{
    return OnSliderRelease(widget, GAMMA_SLIDER_BRIGHTNESS);
}

gboolean on_Gamma_Contrast_Hscrollbar_button_release_event(GtkWidget *widget, GdkEventButton *, gpointer)
{
    return OnSliderRelease(widget, GAMMA_SLIDER_CONTRAST);
}

void on_Gamma_Calibrate_ChangeType_Combo_Entry_changed(GtkEditable *editable, gpointer)
{
    if (!g_lpZ7GState)
        return;
    SetAdjustChannel(editable);
    DoDrawGammaCurves();
}

void on_Gamma_Calibrate_Combo_Entry_changed(GtkEditable *, gpointer)
{
    GtkWidget *combo = Widget("Gamma_Calibrate_Combo");
    if (!combo || !g_lpZ7GState)
        return;
    int index = SelectedComboListItem(combo);
    g_lpZ7GState->wImageIndex = static_cast<uint16_t>(index);
    if (g_CurrentSchemeRecord)
        g_CurrentSchemeRecord->wImageIndex = static_cast<uint16_t>(index);
    DrawCalibrateImage(index);
}

void on_Gamma_Scheme_Default_Button_clicked(GtkButton *, gpointer)
{
    if (!g_lpZ7GState)
        return;
    SetToDefaultGamma();
    DoDrawGammaCurves();
    SetApplySensitive(true);
}

void on_Gamma_Scheme_Combo_Entry_changed(GtkEditable *editable, gpointer)
{
    if (g_bSaveOrDelAction || !g_lpZ7GState)
        return;
    const char *text = gtk_entry_get_text(GTK_ENTRY(editable));
    snprintf(g_lpZ7GState->chSchemeName, sizeof g_lpZ7GState->chSchemeName, "%s", text);
    std::string bytes;
    GtkWidget *del = Widget("Gamma_Scheme_Delete_Button");
    if (!del || !ChooseShownScheme(g_GammaSchemeFile, text, del, bytes))
        return;
    SchemeRecord record = SchemeRecordFromBytes(bytes);
    UpdateGBCwidget(&record);
    SetSensitive("Gamma_Scheme_Delete_Button", g_GammaSchemeFile.writable);
    SetApplySensitive(true);
    SaveStateAsCurrentRecord();
}

void on_Gamma_Scheme_SaveAs_Button_clicked(GtkButton *, gpointer)
{
    g_pGammaSaveSchemeWnd = create_Gamma_Save_Scheme_Window();
    gtk_window_set_modal(GTK_WINDOW(g_pGammaSaveSchemeWnd), TRUE);
    gtk_widget_show(g_pGammaSaveSchemeWnd);
    g_bSaveOrDelAction = 1;
}

void on_Gamma_Save_Scheme_OK_button_clicked(GtkButton *button, gpointer)
{
    GtkWidget *combo = Widget("Gamma_Scheme_Combo");
    if (!g_lpZ7GState || !combo)
        return;
    const char *name = gtk_entry_get_text(GTK_ENTRY(lookup_widget(GTK_WIDGET(button), "Gamma_Save_Scheme_entry")));
    if (!CheckSchemeName(GTK_LIST(GTK_COMBO(combo)->list), name))
        return;
    snprintf(g_lpZ7GState->chSchemeName, sizeof g_lpZ7GState->chSchemeName, "%s", name);
    SchemeRecord record;
    CopySchemeRecord(&record, nullptr, g_lpZ7GState);
    if (!AddSchemeRecord(g_GammaSchemeFile, SchemeRecordToBytes(record))) {
        MessageBox("This scheme can't save!");
        return;  // the list and the Save window stay as they were
    }
    SetSensitive("Gamma_Scheme_Delete_Button", true);
    AppendSchemeListName(combo, name);
    gtk_entry_set_text(GTK_ENTRY(SchemeEntry()), name);  // the flag is still set
    g_bSaveOrDelAction = 0;
    SaveStateAsCurrentRecord();
    SetApplySensitive(true);
    gtk_widget_destroy(g_pGammaSaveSchemeWnd);
    g_pGammaSaveSchemeWnd = nullptr;
}

void on_Gamma_Save_Scheme_Cancel_button_clicked(GtkButton *, gpointer)
{
    g_bSaveOrDelAction = 0;
    if (g_pGammaSaveSchemeWnd)
        gtk_widget_destroy(g_pGammaSaveSchemeWnd);
    g_pGammaSaveSchemeWnd = nullptr;
}

gboolean on_Gamma_Save_Scheme_window_delete_event(GtkWidget *, GdkEvent *, gpointer)
{
    on_Gamma_Save_Scheme_Cancel_button_clicked(nullptr, nullptr);
    return TRUE;
}

void on_Gamma_Scheme_Delete_Button_clicked(GtkButton *, gpointer)
{
    GtkWidget *combo = Widget("Gamma_Scheme_Combo");
    GtkWidget *del = Widget("Gamma_Scheme_Delete_Button");
    if (combo && del)
        DeleteShownScheme(g_GammaSchemeFile, combo, del, &g_bSaveOrDelAction);
}

void on_Save_Scheme_Warning_OK_button_clicked(GtkButton *, gpointer)
{
    if (g_pSchemeWarningWnd)
        gtk_widget_destroy(g_pSchemeWarningWnd);
    g_pSchemeWarningWnd = nullptr;
}

gboolean on_Save_Scheme_Warning_Window_delete_event(GtkWidget *, GdkEvent *, gpointer)
{
    on_Save_Scheme_Warning_OK_button_clicked(nullptr, nullptr);
    return TRUE;
}
