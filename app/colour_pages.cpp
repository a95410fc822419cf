#include "colour_pages.h"

#include <cstring>
#include <string>

#include "Gamma_page.h"
#include "common.h"

bool LoadSchemeFileForPage(SchemeFile &file, SchemeContents &contents)
{
    switch (ReadSchemeFile(file, contents)) {
    case SchemeReadStatus::Ok:
        file.writable = SchemeFileWritable(file.path);
        return true;
    case SchemeReadStatus::Absent:
        file.writable = true;
        return false;
    case SchemeReadStatus::Unreadable:
        file.writable = false;
        MessageBox("Cann't open scheme file!");
        return false;
    case SchemeReadStatus::Damaged:
        break;
    }
    std::string aside = SetSchemeFileAside(file.path);
    file.writable = !aside.empty();
    std::string text = aside.empty()
                           ? "The scheme file " + file.path + " is damaged. Its schemes are not used, and no "
                                 "scheme is saved until it is removed."
                           : "The scheme file " + file.path + " is damaged. It has been kept as " + aside +
                                 ", and the page starts from the default values.";
    MessageBox(text.c_str());
    return false;
}

bool CheckSchemeName(GtkList *list, const char *name)
{
    if (!name[0] || !CheckTextNew(list->children, name)) {
        if (!g_pSchemeWarningWnd) {
            g_pSchemeWarningWnd = create_Save_Scheme_Warning();
            gtk_widget_show(g_pSchemeWarningWnd);
        }
        return false;
    }
    if (strlen(name) >= kSchemeNameSize) {
        MessageBox("The scheme name is too long: a name may have at most 255 bytes.");
        return false;
    }
    return true;
}

void SetSchemeListNames(GtkWidget *combo, const std::vector<std::string> &names)
{
    gtk_list_clear_items(GTK_LIST(GTK_COMBO(combo)->list), 0, -1);
    for (const std::string &name : names)
        AppendSchemeListName(combo, name.c_str());
}

void AppendSchemeListName(GtkWidget *combo, const char *name)
{
    GtkWidget *item = gtk_list_item_new_with_label(name);
    gtk_widget_show(item);
    gtk_container_add(GTK_CONTAINER(GTK_COMBO(combo)->list), item);
}

void RemoveSelectedSchemeName(GtkWidget *combo)
{
    int selected = SelectedComboListItem(combo);
    if (selected >= 0)
        gtk_list_clear_items(GTK_LIST(GTK_COMBO(combo)->list), selected, selected + 1);
}

void SelectComboListItem(GtkWidget *combo, int index)
{
    gtk_list_select_item(GTK_LIST(GTK_COMBO(combo)->list), index);
}

int SelectedComboListItem(GtkWidget *combo)
{
    return GetSelListItemNumber(GTK_LIST(GTK_COMBO(combo)->list), nullptr);
}

void MoveScrollbar(GtkWidget *scrollbar, double value)
{
    if (!scrollbar)
        return;
    GtkAdjustment *adjustment = gtk_range_get_adjustment(GTK_RANGE(scrollbar));
    adjustment->value = value;
    gtk_adjustment_changed(adjustment);
    gtk_adjustment_value_changed(adjustment);
}
