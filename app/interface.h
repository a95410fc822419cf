/* Builders of the main window and the restart-pending quit dialog. */
#ifndef QEV_APP_INTERFACE_H
#define QEV_APP_INTERFACE_H

#include <gtk/gtk.h>

/* Notebook page indices as built. */
enum { QEV_PAGE_INFO = 0, QEV_PAGE_DISPLAY = 1, QEV_PAGE_GAMMA = 2, QEV_PAGE_VIDEO = 3, QEV_PAGE_SETTINGS = 4 };

/* The main window with its notebook and the Info page's widgets. The Settings
 * page is added only when g_bRandRMode is set. */
GtkWidget *create_MainWindow(void);
/* The dialog shown instead of the main window while an X restart is pending. */
GtkWidget *create_Z7Utility_Quit_Dialog(void);
/* Replaces the tab labels of pages 0 to 3 by padded ones. */
void SetNoteBookTabLabelWithPixmap(GtkWidget *window);

#endif
