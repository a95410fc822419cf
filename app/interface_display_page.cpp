// The Display page's widgets: the primary and secondary frames with their
// combos, "Advanced..." buttons and the SAMM settings button.
#include "Display_page.h"
#include "accessibility.h"
#include "Panel_Adjustment.h"
#include "SAMMSetting.h"
#include "TV_Adjustment.h"
#include "interface_common.h"
#include "support.h"

namespace {

GtkWidget *Combo(GtkWidget *window, GtkWidget *fixed, const char *name, gint x, gint y)
{
    gchar *entryName = g_strconcat(name, "_Entry", nullptr);
    GtkWidget *combo = QevGtk_CreateComboBox(window, fixed, name, entryName, x, y, 220, 40);
    g_free(entryName);
    return combo;
}

// The resolution combos start with a placeholder that the RandR fill replaces.
void Placeholder(GtkWidget *combo)
{
    GList *items = g_list_append(nullptr, const_cast<char *>("-"));
    gtk_combo_set_popdown_strings(GTK_COMBO(combo), items);
    g_list_free(items);
}

// The panel, HDMI and TV buttons of one frame, each opening its adjustment window.
void CreateAdvancedButtons(GtkWidget *window, GtkWidget *fixed, const char *prefix, gint y, bool secondary)
{
    static const char *const kKinds[] = {"_LCD_Advanced_Button", "_Advanced_Button", "_TV_Advanced_Button"};
    static const GCallback kPrimaryOpeners[] = {G_CALLBACK(on_Device_Setting_LCD_Advanced_Button_clicked),
                                                G_CALLBACK(on_Device_Setting_Advanced_Button_clicked),
                                                G_CALLBACK(on_Device_Setting_TV_Advanced_Button_clicked)};
    static const GCallback kSecondaryOpeners[] = {G_CALLBACK(on_SecDevice_Setting_LCD_Advanced_Button_clicked),
                                                  G_CALLBACK(on_SecDevice_Setting_Advanced_Button_clicked),
                                                  G_CALLBACK(on_SecDevice_Setting_TV_Advanced_Button_clicked)};
    for (int i = 0; i < 3; ++i) {
        gchar *name = g_strconcat(prefix, kKinds[i], nullptr);
        GtkWidget *b = QevGtk_CreateButton(window, fixed, name, "Advanced...", 240, y, 103, 28);
        if (secondary && i < 2)  // the secondary frame's panel and HDMI buttons start insensitive
            gtk_widget_set_sensitive(b, FALSE);
        g_signal_connect(b, "clicked", secondary ? kSecondaryOpeners[i] : kPrimaryOpeners[i], nullptr);
        g_free(name);
    }
}

}  // namespace

void create_Display_Page(GtkWidget *window)
{
    GtkWidget *page = lookup_widget(window, "PropertySheet_Display");
    if (!page)
        return;
    GtkWidget *primary = QevGtk_CreateFrame(window, page, "Display_Device_List_frame", "Primary / Single Device:", 10,
                                            5, 355, 140);
    GtkWidget *fixed6 = QevGtk_CreateNamedFixed(window, primary, "fixed6");
    GtkWidget *label = QevGtk_CreateSizedLabel(window, fixed6, "Display_Device_Combo_label", "Device :", 10, 2, 60, 20);
    SetLabelledBy(Combo(window, fixed6, "Display_Device_Combo", 10, 15), label);
    Placeholder(Combo(window, fixed6, "Display_Resolution_Combo", 10, 65));
    CreateAdvancedButtons(window, fixed6, "Display_Device", 20, false);

    GtkWidget *secondary =
        QevGtk_CreateFrame(window, page, "Display_SecDevice_List_frame", "Secondary Device:", 10, 155, 355, 180);
    GtkWidget *fixed7 = QevGtk_CreateNamedFixed(window, secondary, "fixed7");
    label = QevGtk_CreateSizedLabel(window, fixed7, "Display_SecDevice_Combo_label", "Device :", 10, 6, 60, 20);
    SetLabelledBy(Combo(window, fixed7, "Display_SecDevice_Combo", 10, 20), label);
    label =
        QevGtk_CreateSizedLabel(window, fixed7, "Display_SecMode_Combo_label", "TwinScreen Mode :", 10, 57, 220, 20);
    SetLabelledBy(Combo(window, fixed7, "Display_SecMode_Combo", 10, 70), label);
    Placeholder(Combo(window, fixed7, "Display_SecResolution_Combo", 10, 110));
    CreateAdvancedButtons(window, fixed7, "Display_SecDevice", 25, true);
    GtkWidget *samm =
        QevGtk_CreateButton(window, fixed7, "Display_SecDevice_SAMM_Setting_Btn", "SAMM Setting", 240, 75, 103, 28);
    gtk_widget_set_sensitive(samm, FALSE);
    g_signal_connect(samm, "clicked", G_CALLBACK(on_Display_Device_SAMM_Setting_Btn_clicked), nullptr);
}
