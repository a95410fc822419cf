#include "interface_settings_page.h"

#include "Settings_page.h"
#include "accessibility.h"
#include "interface_common.h"
#include "support.h"

namespace {

const char *const kTypeTexts[] = {"None", "Hardware", "Software"};
const char *const kDegreeTexts[] = {"Normal", "90 Degree (Clockwise)", "270 Degree (CounterClockwise)",
                                    "180 Degree (Inverted)"};

template <size_t N>
void FillCombo(GtkWidget *combo, const char *const (&texts)[N])
{
    GList *items = nullptr;
    for (const char *text : texts)
        items = g_list_append(items, const_cast<char *>(text));
    gtk_combo_set_popdown_strings(GTK_COMBO(combo), items);
    g_list_free(items);
}

// One frame: its fixed container, the two labels and the two combos. A null
// handler leaves that combo's entry unconnected.
void CreateFrame(GtkWidget *window, GtkWidget *page, const char *title, int y, const char *typeName,
                 const char *typeEntry, GCallback onType, const char *degreeName, const char *degreeEntry,
                 GCallback onDegree)
{
    GtkWidget *frame = QevGtk_CreateFrame(window, page, "ScreenRotationFrame", title, 10, y, 355, 150);
    GtkWidget *fixed = gtk_fixed_new();
    RegisterWidget(window, "RotationFixedWidget", fixed);
    gtk_widget_show(fixed);
    gtk_container_add(GTK_CONTAINER(frame), fixed);

    GtkWidget *typeLabel = QevGtk_CreateLabel(window, fixed, "RotateTypeLabel", "Rotation Type:", 15, 20);
    GtkWidget *type = QevGtk_CreateComboBox(window, fixed, typeName, typeEntry, 140, 0, 180, 60);
    FillCombo(type, kTypeTexts);
    SetLabelledBy(type, typeLabel);
    GtkWidget *degreeLabel = QevGtk_CreateLabel(window, fixed, "RotateLabel", "Rotation Degree:", 15, 70);
    GtkWidget *degree = QevGtk_CreateComboBox(window, fixed, degreeName, degreeEntry, 140, 50, 180, 60);
    FillCombo(degree, kDegreeTexts);
    SetLabelledBy(degree, degreeLabel);

    if (onType)
        g_signal_connect(GTK_COMBO(type)->entry, "changed", onType, nullptr);
    g_signal_connect(GTK_COMBO(degree)->entry, "changed", onDegree, nullptr);
}

}  // namespace

void CreateScreenHybridRotationFrame(GtkWidget *window, GtkWidget *page)
{
    CreateFrame(window, page, "Screen 1 Rotation", 10, "HWRotationTypeComboBox", "HWRotationTypeComboEntry",
                G_CALLBACK(on_Settings_Rotation_Type_Combo_Entry_changed), "HWRotationComboBox",
                "HWRotationComboEntry", G_CALLBACK(on_Settings_HybridRotation_Combo_Entry_changed));
    CreateFrame(window, page, "Screen 2 Rotation", 180, "HWRotationTypeComboBox2", "HWRotationTypeComboEntry2",
                nullptr, "HWRotationComboBox2", "HWRotationComboEntry2",
                G_CALLBACK(on_Settings_HybridRotation_Combo_Entry2_changed));
}
