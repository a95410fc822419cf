/* Factories for the absolutely positioned widgets every window is built from.
 * Each registers the new widget on `window` under `name`, shows it and puts it
 * at (x, y) in the fixed container `fixed`. */
#ifndef QEV_APP_INTERFACE_COMMON_H
#define QEV_APP_INTERFACE_COMMON_H

#include <gtk/gtk.h>

GtkWidget *QevGtk_CreateLabel(GtkWidget *window, GtkWidget *fixed, const gchar *name, const gchar *text, gint x,
                              gint y);
GtkWidget *QevGtk_CreateButton(GtkWidget *window, GtkWidget *fixed, const gchar *name, const gchar *text, gint x,
                               gint y, gint width, gint height);
/* The combo's entry is registered under `entryName`, shown and not editable. */
GtkWidget *QevGtk_CreateComboBox(GtkWidget *window, GtkWidget *fixed, const gchar *name, const gchar *entryName,
                                 gint x, gint y, gint width, gint height);
GtkWidget *QevGtk_CreateFrame(GtkWidget *window, GtkWidget *fixed, const gchar *name, const gchar *text, gint x,
                              gint y, gint width, gint height);
/* A label of fixed size whose text starts at its left edge, vertically centred. */
GtkWidget *QevGtk_CreateSizedLabel(GtkWidget *window, GtkWidget *fixed, const gchar *name, const gchar *text, gint x,
                                   gint y, gint width, gint height);
/* A fixed container registered as "fixed" and added to `container`. */
GtkWidget *QevGtk_CreateFixedWidget(GtkWidget *window, GtkWidget *container);
/* The same, registered under `name`. */
GtkWidget *QevGtk_CreateNamedFixed(GtkWidget *window, GtkWidget *container, const gchar *name);
/* A fixed container added to `notebook` as a page; its tab label reads `tabText`
 * and is registered as "SheetLabel". */
GtkWidget *QevGtk_CreatePropertySheet(GtkWidget *window, GtkWidget *notebook, const gchar *name,
                                      const gchar *tabText, gint index);
/* Replaces the tab label of page `index` by a box holding a label with `text`. */
void QevGtk_AddPixmapToSheetLabel(GtkWidget *window, GtkWidget *notebook, gint index, const gchar *text);

#endif
