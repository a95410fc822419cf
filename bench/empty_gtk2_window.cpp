// The start-up floor: the least a GTK2 program does to show a window. One
// top-level window, shown, and the main loop. Built with QEV_WITH_LABEL it
// holds one label as well: the least a window showing text does (fontconfig,
// Pango and FreeType on top of the floor).
#include <gtk/gtk.h>

int main(int argc, char *argv[]) {
    gtk_init(&argc, &argv);
    GtkWidget *window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(window), "empty GTK2 window");
    g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), nullptr);
#ifdef QEV_WITH_LABEL
    gtk_container_add(GTK_CONTAINER(window), gtk_label_new("QEV Display Utility"));
    gtk_widget_show_all(window);
#else
    gtk_widget_show(window);
#endif
    gtk_main();
    return 0;
}
