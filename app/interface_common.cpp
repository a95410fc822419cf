#include "interface_common.h"

#include "support.h"

namespace {

GtkWidget *Place(GtkWidget *window, GtkWidget *fixed, const gchar *name, GtkWidget *widget, gint x, gint y)
{
    RegisterWidget(window, name, widget);
    gtk_widget_show(widget);
    gtk_fixed_put(GTK_FIXED(fixed), widget, x, y);
    return widget;
}

GtkWidget *PlaceSized(GtkWidget *window, GtkWidget *fixed, const gchar *name, GtkWidget *widget, gint x, gint y,
                      gint width, gint height)
{
    gtk_widget_set_size_request(widget, width, height);
    return Place(window, fixed, name, widget, x, y);
}

}  // namespace

GtkWidget *QevGtk_CreateLabel(GtkWidget *window, GtkWidget *fixed, const gchar *name, const gchar *text, gint x,
                              gint y)
{
    return Place(window, fixed, name, gtk_label_new(text), x, y);
}

GtkWidget *QevGtk_CreateButton(GtkWidget *window, GtkWidget *fixed, const gchar *name, const gchar *text, gint x,
                               gint y, gint width, gint height)
{
    return PlaceSized(window, fixed, name, gtk_button_new_with_label(text), x, y, width, height);
}

GtkWidget *QevGtk_CreateComboBox(GtkWidget *window, GtkWidget *fixed, const gchar *name, const gchar *entryName,
                                 gint x, gint y, gint width, gint height)
{
    GtkWidget *combo = PlaceSized(window, fixed, name, gtk_combo_new(), x, y, width, height);
    GtkWidget *entry = GTK_COMBO(combo)->entry;
    RegisterWidget(window, entryName, entry);
    gtk_widget_show(entry);
    gtk_editable_set_editable(GTK_EDITABLE(entry), FALSE);
    return combo;
}

GtkWidget *QevGtk_CreateFrame(GtkWidget *window, GtkWidget *fixed, const gchar *name, const gchar *text, gint x,
                              gint y, gint width, gint height)
{
    GtkWidget *frame = gtk_frame_new(text);
    gtk_container_set_border_width(GTK_CONTAINER(frame), 2);
    gtk_frame_set_shadow_type(GTK_FRAME(frame), GTK_SHADOW_ETCHED_OUT);
    return PlaceSized(window, fixed, name, frame, x, y, width, height);
}

GtkWidget *QevGtk_CreateFixedWidget(GtkWidget *window, GtkWidget *container)
{
    return QevGtk_CreateNamedFixed(window, container, "fixed");
}

GtkWidget *QevGtk_CreateSizedLabel(GtkWidget *window, GtkWidget *fixed, const gchar *name, const gchar *text, gint x,
                                   gint y, gint width, gint height)
{
    GtkWidget *label = QevGtk_CreateLabel(window, fixed, name, text, x, y);
    gtk_widget_set_size_request(label, width, height);
    gtk_misc_set_alignment(GTK_MISC(label), 0.0f, 0.5f);
    return label;
}

GtkWidget *QevGtk_CreateNamedFixed(GtkWidget *window, GtkWidget *container, const gchar *name)
{
    GtkWidget *fixed = gtk_fixed_new();
    RegisterWidget(window, name, fixed);
    gtk_widget_show(fixed);
    gtk_container_add(GTK_CONTAINER(container), fixed);
    return fixed;
}

GtkWidget *QevGtk_CreatePropertySheet(GtkWidget *window, GtkWidget *notebook, const gchar *name,
                                      const gchar *tabText, gint index)
{
    GtkWidget *sheet = gtk_fixed_new();
    RegisterWidget(window, name, sheet);
    gtk_widget_show(sheet);
    gtk_container_add(GTK_CONTAINER(notebook), sheet);

    GtkWidget *label = gtk_label_new(tabText);
    RegisterWidget(window, "SheetLabel", label);
    gtk_widget_show(label);
    gtk_notebook_set_tab_label(GTK_NOTEBOOK(notebook), gtk_notebook_get_nth_page(GTK_NOTEBOOK(notebook), index),
                               label);
    return sheet;
}

void QevGtk_AddPixmapToSheetLabel(GtkWidget * /*window*/, GtkWidget *notebook, gint index, const gchar *text)
{
    GtkWidget *page = gtk_notebook_get_nth_page(GTK_NOTEBOOK(notebook), index);
    if (!page)
        return;
    GtkWidget *box = gtk_hbox_new(FALSE, 0);
    GtkWidget *label = gtk_label_new(text);
    gtk_box_pack_start(GTK_BOX(box), label, FALSE, TRUE, 0);
    gtk_widget_show_all(box);
    gtk_notebook_set_tab_label(GTK_NOTEBOOK(notebook), page, box);
}
