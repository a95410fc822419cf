/* Signal handlers of the main window, its notebook pages and the quit dialog. */
#ifndef QEV_APP_CALLBACKS_H
#define QEV_APP_CALLBACKS_H

#include <gtk/gtk.h>

void on_Info_Fixed_map(GtkWidget *widget, gpointer user_data);
void on_Display_Fixed_map(GtkWidget *widget, gpointer user_data);
void on_Gamma_Fixed_map(GtkWidget *widget, gpointer user_data);
void on_Overlay_Fixed_map(GtkWidget *widget, gpointer user_data);
void on_PropertySheet_Settings_map(GtkWidget *widget, gpointer user_data);

gboolean on_MainWindow_delete_event(GtkWidget *widget, GdkEvent *event, gpointer user_data);
void on_Cancel_button_clicked(GtkButton *button, gpointer user_data);
void on_Apply_button_clicked(GtkButton *button, gpointer user_data);

void on_Z7Utility_Quit_Dialog_button_clicked(GtkButton *button, gpointer user_data);
gboolean on_Z7Utility_Quit_Dialog_delete_event(GtkWidget *widget, GdkEvent *event, gpointer user_data);

#endif
