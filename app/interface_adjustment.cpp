#include "interface_adjustment.h"

#include "Panel_Adjustment.h"
#include "TV_Adjustment.h"
#include "accessibility.h"
#include "common.h"
#include "interface_common.h"
#include "support.h"

gulong g_AdjustmentOpenDelayUs = 1000000;

const PadArrow kPadArrows[PAD_ARROW_COUNT] = {
    {"Size_Left", PAD_LEFT, true, "TV_Size_Left_normal.png", "TV_Size_Left_disable.png", "TV_Size_Left_press.png"},
    {"Size_Up", PAD_UP, true, "TV_Size_Up_normal.png", "TV_Size_Up_disable.png", "TV_Size_Up_press.png"},
    {"Size_Right", PAD_RIGHT, true, "TV_Size_Right_normal.png", "TV_Size_Right_disable.png",
     "TV_Size_Right_press.png"},
    {"Size_Down", PAD_DOWN, true, "TV_Size_Down_normal.png", "TV_Size_Down_disable.png", "TV_Size_Down_press.png"},
    {"Size_Center", PAD_CENTER, true, "TV_Position_Center_normal.png", nullptr, "TV_Position_Center_press.png"},
    {"Position_Left", PAD_LEFT, false, "TV_Position_Left_normal.png", "TV_Position_Left_disable.png",
     "TV_Position_Left_press.png"},
    {"Position_Up", PAD_UP, false, "TV_Position_Up_normal.png", "TV_Position_Up_disable.png",
     "TV_Position_Up_press.png"},
    {"Position_Right", PAD_RIGHT, false, "TV_Position_Right_normal.png", "TV_Position_Right_disabl.png",
     "TV_Position_Right_press.png"},
    {"Position_Down", PAD_DOWN, false, "TV_Position_Down_normal.png", "TV_Position_Down_disable.png",
     "TV_Position_Down_press.png"},
    {"Position_Center", PAD_CENTER, false, "TV_Position_Center_normal.png", nullptr,
     "TV_Position_Center_press.png"},
};

namespace {

struct Rect {
    gint x, y, width, height;
};

GtkWidget *Put(GtkWidget *window, GtkWidget *fixed, const char *name, GtkWidget *widget, Rect r)
{
    RegisterWidget(window, name, widget);
    if (r.width > 0 || r.height > 0)
        gtk_widget_set_size_request(widget, r.width, r.height);
    gtk_widget_show(widget);
    gtk_fixed_put(GTK_FIXED(fixed), widget, r.x, r.y);
    return widget;
}

GtkWidget *SizedLabel(GtkWidget *window, GtkWidget *fixed, const char *name, const char *text, Rect r)
{
    return QevGtk_CreateSizedLabel(window, fixed, name, text, r.x, r.y, r.width, r.height);
}

GtkWidget *Picture(GtkWidget *window, GtkWidget *fixed, const char *name, const char *file, Rect r)
{
    return Put(window, fixed, name, create_pixmap(window, file), r);
}

// The ten arrows of a pad window, each an event box holding its picture.
void BuildPads(GtkWidget *window, GtkWidget *fixed, const char *prefix, const Rect (&places)[PAD_ARROW_COUNT],
               const PadHandlers &handlers)
{
    for (int i = 0; i < PAD_ARROW_COUNT; ++i) {
        const PadArrow &arrow = kPadArrows[i];
        GtkWidget *box = Put(window, fixed, PadWidgetName(prefix, arrow.role, "eventbox").c_str(),
                             gtk_event_box_new(), places[i]);
        GtkWidget *picture = create_pixmap(window, arrow.normal);
        RegisterWidget(window, PadWidgetName(prefix, arrow.role, "pixmap").c_str(), picture);
        gtk_widget_show(picture);
        gtk_container_add(GTK_CONTAINER(box), picture);
        g_signal_connect(box, "button_press_event", handlers.press[i], nullptr);
        g_signal_connect(box, "button_release_event", handlers.release[i], nullptr);
    }
}

GtkAdjustment *PercentAdjustment()
{
    return GTK_ADJUSTMENT(gtk_adjustment_new(0, 0, 100, 10, 10, 1));
}

GtkWidget *Slider(GtkWidget *window, GtkWidget *fixed, const char *name, Rect r, GCallback onRelease)
{
    GtkWidget *bar = Put(window, fixed, name, gtk_hscrollbar_new(PercentAdjustment()), r);
    g_signal_connect(bar, "button_release_event", onRelease, nullptr);
    return bar;
}

GtkWidget *AdjustmentWindow(const char *name)
{
    GtkWidget *window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    RegisterWindow(window, name);
    gtk_widget_set_size_request(window, 480, 510);
    gtk_window_set_title(GTK_WINDOW(window), "Advanced Setting");
    gtk_window_set_default_size(GTK_WINDOW(window), 400, 500);
    gtk_window_set_resizable(GTK_WINDOW(window), FALSE);
    return window;
}

struct ButtonRow {
    const char *defaultName, *okName, *cancelName, *applyName;
    GCallback onDefault, onOk, onCancel, onApply;
};

// Default, OK, Cancel and Apply below the frame, and the empty label.
void BuildButtons(GtkWidget *window, GtkWidget *fixed, const ButtonRow &row)
{
    GtkWidget *def = QevGtk_CreateButton(window, fixed, row.defaultName, "Default", 20, 470, 90, 28);
    GtkWidget *ok = QevGtk_CreateButton(window, fixed, row.okName, "OK", 240, 470, 70, 28);
    GtkWidget *cancel = QevGtk_CreateButton(window, fixed, row.cancelName, "Cancel", 320, 470, 70, 28);
    GtkWidget *apply = QevGtk_CreateButton(window, fixed, row.applyName, "Apply", 400, 470, 70, 28);
    gtk_widget_set_sensitive(apply, FALSE);
    GtkWidget *dummy = QevGtk_CreateLabel(window, fixed, "Dummy_Window_Label", "", 5, 470);
    gtk_widget_set_size_request(dummy, 200, 30);
    g_signal_connect(def, "clicked", row.onDefault, nullptr);
    g_signal_connect(ok, "clicked", row.onOk, nullptr);
    g_signal_connect(cancel, "clicked", row.onCancel, nullptr);
    g_signal_connect(apply, "clicked", row.onApply, nullptr);
}

GtkWidget *Combo(GtkWidget *window, GtkWidget *fixed, const char *name, const char *entryName, Rect r,
                 std::initializer_list<const char *> texts, GCallback onChanged)
{
    GtkWidget *combo = QevGtk_CreateComboBox(window, fixed, name, entryName, r.x, r.y, r.width, r.height);
    GList *strings = nullptr;
    for (const char *text : texts)
        strings = g_list_append(strings, const_cast<char *>(text));
    gtk_combo_set_popdown_strings(GTK_COMBO(combo), strings);
    g_list_free(strings);
    gtk_entry_set_text(GTK_ENTRY(GTK_COMBO(combo)->entry), *texts.begin());
    g_signal_connect(GTK_COMBO(combo)->entry, "changed", onChanged, nullptr);
    return combo;
}

GtkWidget *CheckButton(GtkWidget *window, GtkWidget *fixed, const char *name, const char *text, Rect r,
                       GCallback onClicked)
{
    GtkWidget *button = Put(window, fixed, name, gtk_check_button_new_with_label(text), r);
    g_signal_connect(button, "clicked", onClicked, nullptr);
    return button;
}

const Rect kTVPads[PAD_ARROW_COUNT] = {
    {182, 95, 35, 66},  {210, 67, 66, 35},  {270, 95, 35, 66}, {211, 153, 66, 35}, {227, 110, 33, 35},
    {322, 95, 35, 66},  {350, 67, 66, 35},  {410, 95, 35, 66}, {352, 153, 66, 35}, {368, 110, 33, 35},
};
const Rect kPanelPads[PAD_ARROW_COUNT] = {
    {182, 55, 35, 66}, {210, 27, 66, 35}, {270, 55, 35, 66}, {211, 113, 66, 35}, {227, 70, 33, 35},
    {320, 55, 35, 66}, {350, 27, 66, 35}, {410, 55, 35, 66}, {351, 113, 66, 35}, {367, 70, 33, 35},
};
const Rect kHDMIPads[PAD_ARROW_COUNT] = {
    {182, 55, 35, 66}, {210, 27, 66, 35}, {270, 55, 35, 66}, {210, 113, 66, 35}, {226, 70, 33, 35},
    {320, 55, 35, 66}, {350, 27, 66, 35}, {410, 55, 35, 66}, {350, 113, 66, 35}, {367, 70, 33, 35},
};

struct SliderRow {
    const char *labelName, *labelText, *barName;
    gint y;
    GCallback onRelease;
};

// The panel and HDMI windows differ in names, a few places and the expansion row.
GtkWidget *BuildPanelLikeWindow(bool hdmi)
{
    const char *prefix = hdmi ? "HDMI_Adjustment" : "Panel_Adjustment";
    auto name = [prefix](const char *rest) { return std::string(prefix) + "_" + rest; };
    GtkWidget *window = AdjustmentWindow(name("Window").c_str());
    GtkWidget *fixed20 = QevGtk_CreateNamedFixed(window, window, "fixed20");
    GtkWidget *frame = QevGtk_CreateFrame(window, fixed20, name("frame").c_str(),
                                          hdmi ? "Advanced Adjustments" : "LCD Adjustments", 10, 10, 460, 450);
    GtkWidget *fixed21 = QevGtk_CreateNamedFixed(window, frame, "fixed21");

    Picture(window, fixed21, hdmi ? "HDMI_Adjustment_HDMI_pixmap" : "Panel_Adjustment_Panel_pixmap", "monitor.xpm",
            {2, 2, 170, 150});
    SizedLabel(window, fixed21, name("Size_Label").c_str(), "Size", {198, 5, 92, 16});
    SizedLabel(window, fixed21, name("Position_Label").c_str(), "Position", {hdmi ? 339 : 341, 5, 92, 16});
    BuildPads(window, fixed21, prefix, hdmi ? kHDMIPads : kPanelPads, kPanelPadHandlers);

    if (!hdmi) {
        SizedLabel(window, fixed21, "Device_Setting_LCD_Expansion_Label", "Expansion:", {8, 167, 100, 16});
        CheckButton(window, fixed21, "Device_Setting_LCD_Expansion_checkbtn", "Expand panel image",
                    {105, 164, 155, 24}, G_CALLBACK(on_Device_Setting_LCD_Expansion_checkbtn_clicked));
    }

    BuildButtons(window, fixed20,
                 {name("Default_Button").c_str(), name("OK_button").c_str(), name("Cancel_button").c_str(),
                  name("Apply_button").c_str(), G_CALLBACK(on_Panel_Adjustment_Default_Button_clicked),
                  G_CALLBACK(on_Panel_Adjustment_OK_button_clicked),
                  G_CALLBACK(on_Panel_Adjustment_Cancel_button_clicked),
                  G_CALLBACK(on_Panel_Adjustment_Apply_button_clicked)});
    g_signal_connect(window, "delete_event", G_CALLBACK(on_Create_Panel_Adjustment_Window_delete_event), nullptr);
    return window;
}

}  // namespace

std::string PadWidgetName(const char *prefix, const char *role, const char *suffix)
{
    return std::string(prefix) + "_" + role + "_" + suffix;
}

void ShowPadPicture(GtkWidget *window, const char *prefix, int arrow, PadPicture picture)
{
    if (!window || arrow < 0 || arrow >= PAD_ARROW_COUNT)
        return;
    const PadArrow &a = kPadArrows[arrow];
    const char *file = picture == PAD_PICTURE_PRESSED ? a.pressed
                       : picture == PAD_PICTURE_DISABLED && a.disabled ? a.disabled
                                                                        : a.normal;
    GtkWidget *widget = lookup_widget(window, PadWidgetName(prefix, a.role, "pixmap").c_str());
    LoadPixmapFromFile(widget, file);
}

void DrawPositionCalibrateImage(GtkWidget *window, const char *monitorName, AdjustPair position,
                                AdjustPair maximum)
{
    GtkWidget *monitor = window ? lookup_widget(window, monitorName) : nullptr;
    if (!monitor || !GTK_IS_PIXMAP(monitor))
        return;
    GdkPixmap *screen = nullptr;
    gtk_pixmap_get(GTK_PIXMAP(monitor), &screen, nullptr);
    if (!screen)
        return;

    // The sample picture is loaded once per window and kept with it.
    auto *sample = static_cast<GtkWidget *>(g_object_get_data(G_OBJECT(window), "qev-preview-sample"));
    if (!sample) {
        sample = create_pixmap(window, "tvo_samp.xpm");
        g_object_ref_sink(sample);
        g_object_set_data_full(G_OBJECT(window), "qev-preview-sample", sample,
                               g_object_unref);
    }
    GdkPixmap *picture = nullptr;
    gtk_pixmap_get(GTK_PIXMAP(sample), &picture, nullptr);

    GdkGC *gc = gdk_gc_new(screen);
    GdkColor black = {0, 0, 0, 0};
    gdk_gc_set_rgb_fg_color(gc, &black);
    gdk_draw_rectangle(screen, gc, TRUE, 10, 10, 140, 105);
    if (picture) {
        gint width = 0, height = 0;
        gdk_drawable_get_size(picture, &width, &height);
        PreviewPoint at = PreviewSamplePosition(position, maximum);
        gdk_draw_drawable(screen, gc, picture, 0, 0, at.x, at.y, MIN(width, 90), MIN(height, 75));
    }
    g_object_unref(gc);
    gtk_widget_queue_draw(monitor);
}

void SetWindowBusyCursor(GtkWidget *window, bool busy)
{
    if (!window || !window->window)
        return;
    GdkCursor *cursor = gdk_cursor_new(busy ? GDK_WATCH : GDK_LEFT_PTR);
    gdk_window_set_cursor(window->window, cursor);
    gdk_cursor_unref(cursor);
    gdk_flush();
}

GtkWidget *create_TV_Adjustment_Window(void)
{
    GtkWidget *window = AdjustmentWindow("TV_Adjustment_Window");
    GtkWidget *fixed1 = QevGtk_CreateNamedFixed(window, window, "fixed1");
    GtkWidget *frame = QevGtk_CreateFrame(window, fixed1, "TV_Adjustment_frame", "TV Adjustments", 10, 10, 460, 450);
    GtkWidget *fixed2 = QevGtk_CreateNamedFixed(window, frame, "fixed2");

    GtkWidget *label = SizedLabel(window, fixed2, "Display_Device_TV_Type_Label", "TV Type :", {5, 12, 70, 16});
    GtkWidget *combo =
        Combo(window, fixed2, "Display_Device_TV_Type_Combo", "Display_Device_TV_Type_Combo_Entry", {75, 2, 135, 40},
              {"NTSC", "PAL", "PAL-M", "PAL-N", "PAL-NC", "480P", "576P", "720P", "1080I", "1080P"},
              G_CALLBACK(on_Display_Device_TV_Type_Combo_Entry_changed));
    SetLabelledBy(combo, label);
    label = SizedLabel(window, fixed2, "Display_Device_TV_Output_Label", "TV Output :", {230, 12, 75, 16});
    combo = Combo(window, fixed2, "Display_Device_TV_Output_Combo", "Display_Device_TV_Output_Combo_Entry",
                  {310, 2, 135, 40}, {"Composite", "S-Video", "RGB(SCART)", "Component"},
                  G_CALLBACK(on_Display_Device_TV_Output_Combo_Entry_changed));
    SetLabelledBy(combo, label);

    Picture(window, fixed2, "TV_Adjustment_TV_pixmap", "monitor.xpm", {2, 42, 170, 150});
    SizedLabel(window, fixed2, "TV_Adjustment_Size_Label", "Size", {197, 45, 92, 16});
    SizedLabel(window, fixed2, "TV_Adjustment_Position_Label", "Position", {339, 45, 92, 16});
    BuildPads(window, fixed2, "TV_Adjustment", kTVPads, kTVPadHandlers);

    CheckButton(window, fixed2, "TV_Adjustment_Dot_Crawl_Checkbtn", "Dot crawl", {5, 200, 102, 24},
                G_CALLBACK(on_TV_Adjustment_Dot_Crawl_Checkbtn_clicked));
    CheckButton(window, fixed2, "TV_Adjustment_Aspect_Ratio_Lock_Checkbtn", "Aspect ration lock",
                {210, 200, 150, 24}, G_CALLBACK(on_TV_Adjustment_Aspect_Ratio_Lock_Checkbtn_clicked));

    GtkWidget *flicker = QevGtk_CreateFrame(window, fixed2, "TV_Adjustment_Flicker_Filter_frame", "Flicker Filter :",
                                            5, 230, 440, 70);
    GtkWidget *fixed3 = QevGtk_CreateNamedFixed(window, flicker, "fixed3");
    GtkWidget *off = Put(window, fixed3, "TV_Adjustment_Flicker_Filter_Off_radiobtn",
                         gtk_radio_button_new_with_label(nullptr, "Off"), {20, 2, 95, 24});
    GtkWidget *plain =
        Put(window, fixed3, "TV_Adjustment_Flicker_Filter_FFilter_radiobtn",
            gtk_radio_button_new_with_label_from_widget(GTK_RADIO_BUTTON(off), "Flicker Filter"), {120, 2, 100, 24});
    GtkWidget *adaptive = Put(
        window, fixed3, "TV_Adjustment_Flicker_Filter_Adaptive_FFilter_radiobtn",
        gtk_radio_button_new_with_label_from_widget(GTK_RADIO_BUTTON(off), "Adaptive Flicker Filter"),
        {250, 2, 160, 24});
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(off), TRUE);
    g_signal_connect(off, "clicked", G_CALLBACK(on_TV_Adjustment_Flicker_Filter_Off_radiobtn_clicked), nullptr);
    g_signal_connect(plain, "clicked", G_CALLBACK(on_TV_Adjustment_Flicker_Filter_FFilter_radiobtn_clicked), nullptr);
    g_signal_connect(adaptive, "clicked",
                     G_CALLBACK(on_TV_Adjustment_Flicker_Filter_Adaptive_FFilter_radiobtn_clicked), nullptr);
    GtkWidget *flickerBar = Slider(window, fixed3, "TV_Adjustment_Flicker_Filter_hscrollbar", {20, 28, 400, 16},
                                   G_CALLBACK(on_TV_Adjustment_Flicker_Filter_hscrollbar_button_release_event));
    SetLabelledByFrame(flickerBar, flicker);

    const SliderRow rows[] = {
        {"TV_Adjustment_Brightness_Label", "Brightness :", "TV_Adjustment_Brightness_hscrollbar", 310,
         G_CALLBACK(on_TV_Adjustment_Brightness_hscrollbar_button_release_event)},
        {"TV_Adjustment_Contrast_Label", "Contrast :", "TV_Adjustment_Contrast_hscrollbar", 340,
         G_CALLBACK(on_TV_Adjustment_Contrast_hscrollbar_button_release_event)},
        {"TV_Adjustment_Color_Label", "Color :", "TV_Adjustment_Color_hscrollbar", 370,
         G_CALLBACK(on_TV_Adjustment_Color_hscrollbar_button_release_event)},
        {"TV_Adjustment_Tint_Label", "Tint :", "TV_Adjustment_Tint_hscrollbar", 400,
         G_CALLBACK(on_TV_Adjustment_Tint_hscrollbar_button_release_event)},
    };
    for (const SliderRow &row : rows) {
        GtkWidget *rowLabel =
            SizedLabel(window, fixed2, row.labelName, row.labelText, {5, row.y, 110, row.y == 310 ? 18 : 16});
        SetLabelledBy(Slider(window, fixed2, row.barName, {125, row.y, 300, 16}, row.onRelease), rowLabel);
    }

    BuildButtons(window, fixed1,
                 {"TV_Adjustment_Default_Button", "TV_Adjustment_OK_button", "TV_Adjustment_Cancel_button",
                  "TV_Adjustment_Apply_button", G_CALLBACK(on_TV_Adjustment_Default_Button_clicked),
                  G_CALLBACK(on_TV_Adjustment_OK_button_clicked), G_CALLBACK(on_TV_Adjustment_Cancel_button_clicked),
                  G_CALLBACK(on_TV_Adjustment_Apply_button_clicked)});
    g_signal_connect(window, "delete_event", G_CALLBACK(on_TV_Adjustment_Window_delete_event), nullptr);
    return window;
}

GtkWidget *create_Panel_Adjustment_Window(void)
{
    return BuildPanelLikeWindow(false);
}

GtkWidget *create_HDMI_Adjustment_Window(void)
{
    return BuildPanelLikeWindow(true);
}
