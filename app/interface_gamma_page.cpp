#include "Gamma_page.h"
#include "accessibility.h"
#include "colour_pages.h"
#include "interface_common.h"
#include "support.h"

namespace {

const char *const kImageNames[GAMMA_IMAGE_COUNT] = {
    "Color curves",      "Calibration image", "RGB color map",  "RGB color ramp",  "Color bars 75%",
    "Solid gray 75%",    "Solid white 100%",  "Solid red 75%",  "Solid red 100%",  "Solid green 75%",
    "Solid green 100%", "Solid blue 75%",    "Solid blue 100%"};
const char *const kChannelNames[] = {"Link RGB", "Red", "Green", "Blue"};

void SetComboStrings(GtkWidget *combo, const char *const *names, size_t count)
{
    GList *items = nullptr;
    for (size_t i = 0; i < count; ++i)
        items = g_list_append(items, const_cast<char *>(names[i]));
    gtk_combo_set_popdown_strings(GTK_COMBO(combo), items);
    g_list_free(items);
}

struct SliderSpec {
    const char *label;
    const char *labelText;
    const char *scrollbar;
    gint y;
    GCallback onRelease;
};
const SliderSpec kSliders[] = {
    {"Gamma_Gamma_Label", "Gamma : ", "Gamma_Gamma_Hscrollbar", 240,
     G_CALLBACK(on_Gamma_Gamma_Hscrollbar_button_release_event)},
    {"Gamma_Brightness_Label", "Brightness :", "Gamma_Brightness_Hscrollbar", 280,
     G_CALLBACK(on_Gamma_Brightness_Hscrollbar_button_release_event)},
    {"Gamma_Contrast_Label", "Contrast : ", "Gamma_Contrast_Hscrollbar", 320,
     G_CALLBACK(on_Gamma_Contrast_Hscrollbar_button_release_event)},
};

}  // namespace

void Create_Gamma_Page_Widget(GtkWidget *window, GtkWidget *page)
{
    GtkWidget *eventBox = gtk_event_box_new();
    PutSizedWidget(window, page, "Gamma_Calibrate_Eventbox", eventBox, 5, 5, 180, 170);
    GtkWidget *preview = create_pixmap(window, "computer.xpm");
    RegisterWidget(window, "Gamma_Calibrate_Pixmap", preview);
    gtk_widget_show(preview);
    gtk_container_add(GTK_CONTAINER(eventBox), preview);

    GtkWidget *frame = QevGtk_CreateFrame(window, page, "Gamma_Scheme_Frame", "Schemes : ", 200, 5, 170, 140);
    GtkWidget *schemes = QevGtk_CreateFixedWidget(window, frame);
    SetLabelledByFrame(
        QevGtk_CreateComboBox(window, schemes, "Gamma_Scheme_Combo", "Gamma_Scheme_Combo_Entry", 5, 5, 155, 20), frame);
    GtkWidget *saveAs = QevGtk_CreateButton(window, schemes, "Gamma_Scheme_SaveAs_Button", "Save as...", 5, 30, 80, 28);
    GtkWidget *del = QevGtk_CreateButton(window, schemes, "Gamma_Scheme_Delete_Button", "Delete", 40, 60, 80, 28);
    GtkWidget *def = QevGtk_CreateButton(window, schemes, "Gamma_Scheme_Default_Button", "Default", 80, 90, 80, 28);

    GtkWidget *images =
        QevGtk_CreateComboBox(window, page, "Gamma_Calibrate_Combo", "Gamma_Calibrate_Combo_Entry", 5, 200, 175, 20);
    SetComboStrings(images, kImageNames, G_N_ELEMENTS(kImageNames));
    gtk_entry_set_text(GTK_ENTRY(GTK_COMBO(images)->entry), kImageNames[GAMMA_IMAGE_CALIBRATION]);
    GtkWidget *channels = QevGtk_CreateComboBox(window, page, "Gamma_Calibrate_ChangeType_Combo",
                                                "Gamma_Calibrate_ChangeType_Combo_Entry", 195, 200, 175, 20);
    SetComboStrings(channels, kChannelNames, G_N_ELEMENTS(kChannelNames));
    gtk_entry_set_text(GTK_ENTRY(GTK_COMBO(channels)->entry), kChannelNames[0]);

    for (const SliderSpec &s : kSliders) {
        GtkWidget *label = QevGtk_CreateLabel(window, page, s.label, s.labelText, 5, s.y);
        gtk_widget_set_size_request(label, 80, 20);
        GtkObject *adjustment = gtk_adjustment_new(0, 0, 202, 1, 1, 2);
        GtkWidget *scrollbar = gtk_hscrollbar_new(GTK_ADJUSTMENT(adjustment));
        PutSizedWidget(window, page, s.scrollbar, scrollbar, 100, s.y, 270, 16);
        g_signal_connect(scrollbar, "button_release_event", s.onRelease, nullptr);
        SetLabelledBy(scrollbar, label);
    }

    g_signal_connect(GTK_COMBO(channels)->entry, "changed",
                     G_CALLBACK(on_Gamma_Calibrate_ChangeType_Combo_Entry_changed), nullptr);
    g_signal_connect(GTK_COMBO(images)->entry, "changed", G_CALLBACK(on_Gamma_Calibrate_Combo_Entry_changed),
                     nullptr);
    g_signal_connect(lookup_widget(window, "Gamma_Scheme_Combo_Entry"), "changed",
                     G_CALLBACK(on_Gamma_Scheme_Combo_Entry_changed), nullptr);
    g_signal_connect(saveAs, "clicked", G_CALLBACK(on_Gamma_Scheme_SaveAs_Button_clicked), nullptr);
    g_signal_connect(del, "clicked", G_CALLBACK(on_Gamma_Scheme_Delete_Button_clicked), nullptr);
    g_signal_connect(def, "clicked", G_CALLBACK(on_Gamma_Scheme_Default_Button_clicked), nullptr);
}

GtkWidget *create_Gamma_Save_Scheme_Window(void)
{
    return CreateSaveSchemeWindow({"Gamma_Save_Scheme_Window", "Save Scheme", "fixed8", "Gamma_Save_Scheme_label",
                                   "Save this gamma scheme as :", "Gamma_Save_Scheme_entry",
                                   "Gamma_Save_Scheme_OK_button", "Gamma_Save_Scheme_Cancel_button",
                                   G_CALLBACK(on_Gamma_Save_Scheme_OK_button_clicked),
                                   G_CALLBACK(on_Gamma_Save_Scheme_Cancel_button_clicked),
                                   G_CALLBACK(on_Gamma_Save_Scheme_window_delete_event)});
}

GtkWidget *create_Save_Scheme_Warning(void)
{
    GtkWidget *fixed = nullptr;
    GtkWidget *window = CreateModalWindow("Save_Scheme_Warning_Window", "Warning Message", 320, 110, "fixed8", &fixed);
    CreateWrappedLabel(window, fixed, "Save_Scheme_Warning_label", "The input  name  is already existed!", 50, 25,
                       300, 20);
    GtkWidget *ok = QevGtk_CreateButton(window, fixed, "Save_Scheme_Warning_OK_button", "OK", 130, 70, 60, 28);
    g_signal_connect(ok, "clicked", G_CALLBACK(on_Save_Scheme_Warning_OK_button_clicked), nullptr);
    g_signal_connect(window, "delete_event", G_CALLBACK(on_Save_Scheme_Warning_Window_delete_event), nullptr);
    return window;
}
