#include "interface.h"

#include "callbacks.h"
#include "common.h"
#include "interface_common.h"
#include "support.h"
#include "titlebar_inline.h"  // generated from pixmaps/titlebar.png

namespace {

// The title picture from the pixel data compiled into the program: no file
// search and no image loader on the way to the first map.
GtkWidget *CreateTitlePixmap(GtkWidget *window)
{
    G_GNUC_BEGIN_IGNORE_DEPRECATIONS
    GdkPixbuf *pixbuf = gdk_pixbuf_new_from_inline(-1, kTitleBarInline, FALSE, nullptr);
    G_GNUC_END_IGNORE_DEPRECATIONS
    GtkWidget *title = create_pixmap_from_pixbuf(window, pixbuf);
    if (pixbuf)
        g_object_unref(pixbuf);
    return title;
}

struct LabelSpec {
    const char *name;
    const char *text;
    gint x, y, width, height;
};

// Info page: the system-configuration frame's rows.
const LabelSpec kSysConfLabels[] = {
    {"Info_Chiptype_label", "Chip Type :", 25, 15, 110, 20},
    {"Info_Chiptype_value_label", "QEV Chip", 160, 15, 160, 20},
    {"Info_BIOSver_label", "VGA BIOS Version :", 25, 40, 170, 20},
    {"Info_BIOSver_value_label", "xx.xx  [08/02/2002]", 160, 40, 125, 20},
    {"Info_VideoMem_label", "Video Memory :", 25, 65, 110, 20},
    {"Info_VideoMem_value_label", "xxx MB", 160, 65, 110, 20},
};

void BuildInfoPage(GtkWidget *window, GtkWidget *page)
{
    QevGtk_CreateSizedLabel(window, page, "Info_Version_Label", "00.00.01", 200, 8, 150, 20);

    GtkWidget *sysConf =
        QevGtk_CreateFrame(window, page, "Info_SysConf_frame", "System Configuration", 25, 35, 330, 150);
    GtkWidget *fixed3 = QevGtk_CreateNamedFixed(window, sysConf, "fixed3");
    for (const LabelSpec &l : kSysConfLabels)
        QevGtk_CreateSizedLabel(window, fixed3, l.name, l.text, l.x, l.y, l.width, l.height);

    GtkWidget *driver = QevGtk_CreateFrame(window, page, "Info_Driver_frame", "Driver", 25, 200, 330, 130);
    GtkWidget *fixed4 = QevGtk_CreateNamedFixed(window, driver, "fixed4");
    QevGtk_CreateSizedLabel(window, fixed4, "Info_DisplayDrv_label", "Display :", 25, 15, 60, 20);
    GtkWidget *drv = QevGtk_CreateSizedLabel(window, fixed4, "Info_DisplayDrv_value_label",
                                             "qev__drv.o   xx.xx.xx", 110, 15, 220, 20);
    gtk_label_set_line_wrap(GTK_LABEL(drv), TRUE);
}

struct PageSpec {
    const char *name;
    const char *tabText;
    GCallback onMap;
};

const PageSpec kPages[] = {
    {"PropertySheet_Info", "Info", G_CALLBACK(on_Info_Fixed_map)},
    {"PropertySheet_Display", "Display", G_CALLBACK(on_Display_Fixed_map)},
    {"PropertySheet_Gamma", "Gamma", G_CALLBACK(on_Gamma_Fixed_map)},
    {"PropertySheet_Overlay", "Video", G_CALLBACK(on_Overlay_Fixed_map)},
    {"PropertySheet_Settings", "Settings", G_CALLBACK(on_PropertySheet_Settings_map)},
};

// Padded tab texts of pages 0 to 3; Settings keeps its own.
const char *const kPaddedTabTexts[] = {"    Info    ", "   Display   ", "   Gamma   ", "   Video   "};

}  // namespace

GtkWidget *create_MainWindow(void)
{
    GtkWidget *window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    RegisterWindow(window, "MainWindow");
    gtk_widget_set_size_request(window, 400, 520);
    gtk_window_set_title(GTK_WINDOW(window), "QEV Display Utility");
    gtk_window_set_default_size(GTK_WINDOW(window), 400, 520);
    gtk_window_set_resizable(GTK_WINDOW(window), FALSE);

    GtkWidget *fixed1 = QevGtk_CreateNamedFixed(window, window, "fixed1");

    GtkWidget *title = CreateTitlePixmap(window);
    RegisterWidget(window, "Info_Title_Bar_pixmap", title);
    gtk_widget_show(title);
    gtk_fixed_put(GTK_FIXED(fixed1), title, 10, 10);
    gtk_widget_set_size_request(title, 377, 61);

    GtkWidget *notebook = gtk_notebook_new();
    RegisterWidget(window, "Info_notebook", notebook);
    gtk_widget_show(notebook);
    gtk_fixed_put(GTK_FIXED(fixed1), notebook, 10, 80);
    gtk_widget_set_size_request(notebook, 380, 380);

    int pageCount = g_bRandRMode ? QEV_PAGE_SETTINGS + 1 : QEV_PAGE_SETTINGS;
    for (int i = 0; i < pageCount; ++i) {
        GtkWidget *sheet = QevGtk_CreatePropertySheet(window, notebook, kPages[i].name, kPages[i].tabText, i);
        g_signal_connect(sheet, "map", kPages[i].onMap, nullptr);
        if (i == QEV_PAGE_INFO)
            BuildInfoPage(window, sheet);
    }

    GtkWidget *dummy = QevGtk_CreateLabel(window, fixed1, "Dummy_Window_for_XvPutImage", "", 10, 465);
    gtk_widget_set_size_request(dummy, 140, 25);

    GtkWidget *exitButton = QevGtk_CreateButton(window, fixed1, "Info_Cancel_button", "Exit", 240, 480, 70, 28);
    GtkWidget *apply = QevGtk_CreateButton(window, fixed1, "Info_Apply_button", "Apply", 320, 480, 70, 28);
    gtk_widget_set_sensitive(apply, FALSE);

    g_signal_connect(window, "delete_event", G_CALLBACK(on_MainWindow_delete_event), nullptr);
    g_signal_connect(exitButton, "clicked", G_CALLBACK(on_Cancel_button_clicked), nullptr);
    g_signal_connect(apply, "clicked", G_CALLBACK(on_Apply_button_clicked), nullptr);
    return window;
}

GtkWidget *create_Z7Utility_Quit_Dialog(void)
{
    GtkWidget *dialog = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    RegisterWindow(dialog, "Z7Utility_Quit_Dialog");
    gtk_widget_set_size_request(dialog, 300, 150);
    gtk_window_set_title(GTK_WINDOW(dialog), "QEV Display Utility Quit Dialog");
    gtk_window_set_resizable(GTK_WINDOW(dialog), FALSE);

    GtkWidget *fixed = QevGtk_CreateNamedFixed(dialog, dialog, "fixed1");

    GtkWidget *icon = create_pixmap(dialog, "info.xpm");
    RegisterWidget(dialog, "Z7Utility_Quit_Dialog_Info_pixmap", icon);
    gtk_widget_show(icon);
    gtk_fixed_put(GTK_FIXED(fixed), icon, 20, 30);
    gtk_widget_set_size_request(icon, 21, 21);

    GtkWidget *label = QevGtk_CreateLabel(
        dialog, fixed, "Z7Utility_Quit_Dialog_label",
        "QEV Display Utility can't be launched because the X configuration has been changed. "
        "Please restart the X Window system for the changes to take effect.",
        60, 10);
    gtk_widget_set_size_request(label, 200, 100);
    gtk_label_set_justify(GTK_LABEL(label), GTK_JUSTIFY_FILL);
    gtk_label_set_line_wrap(GTK_LABEL(label), TRUE);

    GtkWidget *ok = QevGtk_CreateButton(dialog, fixed, "Z7Utility_Quit_Dialog_button", "OK", 170, 115, 90, 28);

    g_signal_connect(dialog, "delete_event", G_CALLBACK(on_Z7Utility_Quit_Dialog_delete_event), nullptr);
    g_signal_connect(ok, "clicked", G_CALLBACK(on_Z7Utility_Quit_Dialog_button_clicked), nullptr);
    return dialog;
}

void SetNoteBookTabLabelWithPixmap(GtkWidget *window)
{
    GtkWidget *notebook = lookup_widget(window, "Info_notebook");
    if (!notebook)
        return;
    for (gint i = 0; i < static_cast<gint>(G_N_ELEMENTS(kPaddedTabTexts)); ++i)
        QevGtk_AddPixmapToSheetLabel(window, notebook, i, kPaddedTabTexts[i]);
}
