/* Widget registry and image loading shared by every window of the program. */
#ifndef QEV_APP_SUPPORT_H
#define QEV_APP_SUPPORT_H

#include <gtk/gtk.h>

/* Registers `widget` on the top-level `window` under `name`, holding a reference
 * that is dropped when the window is destroyed or the name is registered again.
 * With accessibility on, `name` also becomes the widget's accessible id. */
void RegisterWidget(GtkWidget *window, const char *name, GtkWidget *widget);
/* Registers the top-level window under its own name (no extra reference), which
 * also becomes its accessible id. */
void RegisterWindow(GtkWidget *window, const char *name);

/* Finds the widget registered under `name` on the top-level window of `widget`
 * (menus climb through the widget they are attached to). Null with a warning
 * when nothing is registered under that name. */
GtkWidget *lookup_widget(GtkWidget *widget, const gchar *name);

/* Puts a copy of `directory` at the head of the list searched by create_pixmap. */
void add_pixmap_directory(const gchar *directory);
/* The full path of `filename` in the first directory of create_pixmap's list
 * that holds it as a regular file, or null. Free with g_free. */
gchar *check_file_exists(const gchar *directory, const gchar *filename);

/* A picture widget for `filename` from the image directories. An empty name,
 * a file found nowhere or a file that does not load give a transparent 1 x 1
 * placeholder (the latter two with a warning). */
GtkWidget *create_pixmap(GtkWidget *widget, const gchar *filename);

/* A picture widget for a pixbuf compiled into the program (binary
 * transparency: pixels below half opacity are masked out). */
GtkWidget *create_pixmap_from_pixbuf(GtkWidget *widget, GdkPixbuf *pixbuf);

/* The transparent 1 x 1 placeholder picture. */
GtkWidget *create_placeholder_pixmap(GtkWidget *widget);

#endif
