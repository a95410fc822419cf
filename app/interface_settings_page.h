/* Builder of the Settings page's two rotation frames. */
#ifndef QEV_APP_INTERFACE_SETTINGS_PAGE_H
#define QEV_APP_INTERFACE_SETTINGS_PAGE_H

#include <gtk/gtk.h>

/* The frames "Screen 1 Rotation" and "Screen 2 Rotation" with their labels and
 * combos (lists filled, handlers connected) inside the page container. */
void CreateScreenHybridRotationFrame(GtkWidget *window, GtkWidget *page);

#endif
