#include "colour_pages.h"

#include <cstring>
#include <string>

#include "Gamma_page.h"
#include "common.h"
#include "interface_common.h"
#include "support.h"

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

bool ChooseShownScheme(const SchemeFile &file, const char *name, GtkWidget *deleteButton, std::string &record)
{
    if (!name[0]) {
        gtk_widget_set_sensitive(deleteButton, FALSE);
        return false;
    }
    switch (SelectSchemeRecord(file, name, record)) {
    case SchemeSelect::Found:
        return true;
    case SchemeSelect::NotFound:
        MessageBox("This scheme can't find in scheme file!");
        return false;
    case SchemeSelect::FileError:
        break;
    }
    return false;
}

void DeleteShownScheme(const SchemeFile &file, GtkWidget *combo, GtkWidget *deleteButton, int *flag)
{
    GtkWidget *entry = GTK_COMBO(combo)->entry;
    if (!gtk_entry_get_text(GTK_ENTRY(entry))[0])
        return;
    if (!DeleteActiveSchemeRecord(file)) {
        MessageBox("This scheme can't delete or can't find the record in scheme file!");
        return;
    }
    *flag = 1;
    RemoveSelectedSchemeName(combo);
    gtk_entry_set_text(GTK_ENTRY(entry), "");
    *flag = 0;
    gtk_widget_set_sensitive(deleteButton, FALSE);
}

void PutSizedWidget(GtkWidget *window, GtkWidget *fixed, const char *name, GtkWidget *widget, gint x, gint y,
                    gint width, gint height)
{
    RegisterWidget(window, name, widget);
    gtk_widget_set_size_request(widget, width, height);
    gtk_widget_show(widget);
    gtk_fixed_put(GTK_FIXED(fixed), widget, x, y);
}

GtkWidget *CreateModalWindow(const char *name, const char *title, gint width, gint height, const char *fixedName,
                             GtkWidget **fixed)
{
    GtkWidget *window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    RegisterWindow(window, name);
    gtk_widget_set_size_request(window, width, height);
    gtk_window_set_title(GTK_WINDOW(window), title);
    gtk_window_set_modal(GTK_WINDOW(window), TRUE);
    gtk_window_set_resizable(GTK_WINDOW(window), FALSE);
    *fixed = gtk_fixed_new();
    RegisterWidget(window, fixedName, *fixed);
    gtk_widget_show(*fixed);
    gtk_container_add(GTK_CONTAINER(window), *fixed);
    return window;
}

GtkWidget *CreateWrappedLabel(GtkWidget *window, GtkWidget *fixed, const char *name, const char *text, gint x,
                              gint y, gint width, gint height)
{
    GtkWidget *label = gtk_label_new(text);
    gtk_label_set_justify(GTK_LABEL(label), GTK_JUSTIFY_LEFT);
    gtk_label_set_line_wrap(GTK_LABEL(label), TRUE);
    gtk_misc_set_alignment(GTK_MISC(label), 0.0f, 0.0f);
    PutSizedWidget(window, fixed, name, label, x, y, width, height);
    return label;
}

GtkWidget *CreateSaveSchemeWindow(const SaveWindowLayout &layout)
{
    GtkWidget *fixed = nullptr;
    GtkWidget *window = CreateModalWindow(layout.window, layout.title, 320, 110, layout.fixed, &fixed);
    CreateWrappedLabel(window, fixed, layout.label, layout.labelText, 10, 10, 300, 20);
    GtkWidget *entry = gtk_entry_new();
    PutSizedWidget(window, fixed, layout.entry, entry, 10, 35, 300, 20);
    gtk_widget_grab_focus(entry);
    GtkWidget *ok = QevGtk_CreateButton(window, fixed, layout.ok, "OK", 180, 70, 60, 28);
    GtkWidget *cancel = QevGtk_CreateButton(window, fixed, layout.cancel, "Cancel", 250, 70, 60, 28);
    g_signal_connect(ok, "clicked", layout.onOk, nullptr);
    g_signal_connect(cancel, "clicked", layout.onCancel, nullptr);
    g_signal_connect(window, "delete_event", layout.onDelete, nullptr);
    return window;
}
