#include "Overlay_page.h"
#include "SAMMSetting.h"
#include "accessibility.h"
#include "colour_pages.h"
#include "interface_common.h"
#include "support.h"

namespace {

struct SliderSpec {
    const char *label;
    const char *labelText;
    const char *scrollbar;
    GCallback onRelease;
};
// From the top: brightness, contrast, saturation, hue.
const SliderSpec kSliders[] = {
    {"Overlay_Brightness_Label", "Brightness :", "Overlay_Brightness_Hscrollbar",
     G_CALLBACK(on_Overlay_Brightness_Hscrollbar_button_release_event)},
    {"Overlay_Contrast_Label", "Contrast :", "Overlay_Contrast_Hscrollbar",
     G_CALLBACK(on_Overlay_Contrast_Hscrollbar_button_release_event)},
    {"Overlay_Saturation_Label", "Saturation :", "Overlay_Saturation_Hscrollbar",
     G_CALLBACK(on_Overlay_Saturation_Hscrollbar_button_release_event)},
    {"Overlay_Hue_Label", "Hue :", "Overlay_Hue_Hscrollbar",
     G_CALLBACK(on_Overlay_Hue_Hscrollbar_button_release_event)},
};

void PutInfoIcon(GtkWidget *window, GtkWidget *fixed, const char *name)
{
    GtkWidget *icon = create_pixmap(window, "info.xpm");
    PutSizedWidget(window, fixed, name, icon, 15, 15, 21, 21);
}

}  // namespace

void Create_Overlay_Page_Widget(GtkWidget *window, GtkWidget *page)
{
    GtkWidget *upper = QevGtk_CreateFrame(window, page, "Overlay_up_Frame", nullptr, 10, 10, 360, 185);
    GtkWidget *upperFixed = QevGtk_CreateFixedWidget(window, upper);
    PutSizedWidget(window, upperFixed, "Overlay_Calibrate_Pixmap", create_pixmap(window, "computer.xpm"), 20, 20, 150,
                   140);
    GtkWidget *schemes =
        QevGtk_CreateFrame(window, upperFixed, "Overlay_Scheme_Frame", "Schemes :", 185, 15, 160, 150);
    GtkWidget *schemesFixed = QevGtk_CreateFixedWidget(window, schemes);
    GtkWidget *combo = QevGtk_CreateComboBox(window, schemesFixed, "Overlay_Scheme_Combo",
                                             "Overlay_Scheme_Combo_Entry", 5, 5, 140, 20);
    SetLabelledByFrame(combo, schemes);
    GtkWidget *saveAs =
        QevGtk_CreateButton(window, schemesFixed, "Overlay_Scheme_SaveAs_Button", "Save as...", 5, 35, 75, 28);
    GtkWidget *del =
        QevGtk_CreateButton(window, schemesFixed, "Overlay_Scheme_Delete_Button", "Delete", 35, 68, 75, 28);
    GtkWidget *def =
        QevGtk_CreateButton(window, schemesFixed, "Overlay_Scheme_Default_Button", "Default", 70, 101, 75, 28);

    GtkWidget *lower = QevGtk_CreateFrame(window, page, "Overlay_down_Frame", nullptr, 10, 210, 360, 127);
    GtkWidget *lowerFixed = QevGtk_CreateFixedWidget(window, lower);
    gint y = 7;
    for (const SliderSpec &s : kSliders) {
        GtkWidget *label = gtk_label_new(s.labelText);
        PutSizedWidget(window, lowerFixed, s.label, label, 5, y, 80, 20);
        GtkObject *adjustment = gtk_adjustment_new(0, 0, 256, 1, 1, 1);
        GtkWidget *scrollbar = gtk_hscrollbar_new(GTK_ADJUSTMENT(adjustment));
        PutSizedWidget(window, lowerFixed, s.scrollbar, scrollbar, 95, y + 2, 250, 16);
        g_signal_connect(scrollbar, "button_release_event", s.onRelease, nullptr);
        SetLabelledBy(scrollbar, label);
        y += 28;
    }

    GtkWidget *gemel =
        QevGtk_CreateButton(window, page, "Overlay_Gemel_Setting_Button", "Clone Mode Settings...", 40, 249, 190, 30);
    gtk_widget_hide(gemel);

    g_signal_connect(GTK_COMBO(combo)->entry, "changed", G_CALLBACK(on_Overlay_Scheme_Combo_Entry_changed), nullptr);
    g_signal_connect(saveAs, "clicked", G_CALLBACK(on_Overlay_Scheme_SaveAs_Button_clicked), nullptr);
    g_signal_connect(del, "clicked", G_CALLBACK(on_Overlay_Scheme_Delete_Button_clicked), nullptr);
    g_signal_connect(def, "clicked", G_CALLBACK(on_Overlay_Scheme_Default_Button_clicked), nullptr);
    g_signal_connect(gemel, "clicked", G_CALLBACK(on_Display_Device_Gemel_Setting_Btn_clicked), nullptr);
}

GtkWidget *create_Overlay_NoYUVData_Dialog(void)
{
    GtkWidget *fixed = nullptr;
    GtkWidget *dialog = CreateModalWindow("Overlay_NoYUVData_Dialog", "No YUV Data", 360, 150, "fixed", &fixed);
    PutInfoIcon(dialog, fixed, "Overlay_NoYUVData_Info_Pixmap");
    CreateWrappedLabel(dialog, fixed, "Overlay_NoYUVData_Label",
                    "Cannot adjust color settings because either a video file is not open or the video is not YUV "
                    "format. RGB data is not supported by this utility.",
                    50, 15, 295, 80);
    GtkWidget *ok = QevGtk_CreateButton(dialog, fixed, "Overlay_NoYUVData_OK_button", "OK", 170, 110, 80, 28);
    GtkWidget *details =
        QevGtk_CreateButton(dialog, fixed, "Overlay_NoYUVData_Details_button", "Details >>", 260, 110, 85, 28);
    g_signal_connect(ok, "clicked", G_CALLBACK(on_Overlay_NoYUVData_OK_button_clicked), nullptr);
    g_signal_connect(details, "clicked", G_CALLBACK(on_Overlay_NoYUVData_Details_button_clicked), nullptr);
    g_signal_connect(dialog, "delete_event", G_CALLBACK(on_Overlay_NoYUVData_Dialog_delete_event), nullptr);
    return dialog;
}

GtkWidget *create_Overlay_Detail_Dialog(void)
{
    GtkWidget *fixed = nullptr;
    GtkWidget *dialog =
        CreateModalWindow("Overlay_Detail_Dialog", "Details (No Video/No YUV Data)", 350, 340, "fixed", &fixed);
    PutInfoIcon(dialog, fixed, "Overlay_Detail_Dialog_Info_Pixmap");
    CreateWrappedLabel(dialog, fixed, "Overlay_Detail_Dialog_Label",
                    "Color settings cannot be adjusted because:\n\nVideo must be running before starting this utility "
                    "(please open a video file and try again); or\n\nThe video file is not recognized as "
                    "YUV-formated data; or\n\nCannot create a YUV surface:\n=> overlay is not supported in this "
                    "resolution, or\n=> there is insufficient offscreen video memory, or\n=> there is insufficient "
                    "video memory bandwidth in this resolution (try lowering the graphics resolution, color depth, "
                    "and/or refresh rate).",
                    50, 15, 285, 270);
    GtkWidget *ok = QevGtk_CreateButton(dialog, fixed, "Overlay_Detail_Dialog_OK_Button", "OK", 255, 300, 80, 28);
    g_signal_connect(ok, "clicked", G_CALLBACK(on_Overlay_Detail_Dialog_OK_Button_clicked), nullptr);
    return dialog;
}

GtkWidget *create_Overlay_Save_Scheme_Dialog(void)
{
    return CreateSaveSchemeWindow({"Overlay_Save_Scheme_Dialog", "Save Color Scheme", "fixed",
                                   "Overlay_Save_Scheme_Label", "Save this color scheme as :",
                                   "Overlay_Save_Scheme_Entry", "Overlay_Save_Scheme_OK_Button",
                                   "Overlay_Save_Scheme_Cancel_Button",
                                   G_CALLBACK(on_Overlay_Save_Scheme_OK_Button_clicked),
                                   G_CALLBACK(on_Overlay_Save_Scheme_Cancel_Button_clicked),
                                   G_CALLBACK(on_Overlay_Save_Scheme_Dialog_delete_event)});
}
