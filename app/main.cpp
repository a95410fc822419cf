/* QEVDisplayUtility: start-up, the single-instance and restart guards, and the
 * main loop. */
#include <gtk/gtk.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "Info_page.h"
#include "common.h"
#include "interface.h"
#include "qevgfx.h"
#include "startup.h"
#include "support.h"

#ifndef QEV_SOURCE_DIR
#error "QEV_SOURCE_DIR names the source tree holding pixmaps/ and gtkthemes/"
#endif

namespace {

void RegisterDirectory(const char *directory)
{
    add_pixmap_directory(directory);
    AddPixmapDirectory(directory);
}

void RegisterThemeFile()
{
    if (gchar *theme = FindThemeFile()) {
        gtk_rc_add_default_file(theme);
        g_free(theme);
    }
}

std::string RestartMarkerPath()
{
    return std::string(QEV_X11_DIR) + QEV_RESTART_MARKER_NAME;
}

int RunQuitDialog()
{
    GtkWidget *dialog = create_Z7Utility_Quit_Dialog();
    gtk_window_move(GTK_WINDOW(dialog), 0, 0);
    gtk_widget_show(dialog);
    gtk_main();
    return 0;
}

}  // namespace

int main(int argc, char *argv[])
{
    if (AnotherInstanceRuns(QEV_PROGRAM_NAME)) {
        fputs("The QEVDisplayUtility is running.\n", stdout);
        return 0;
    }

    QEVGFX_Open();
    QEVGFX_IsRandR(&g_bRandRMode);

    RegisterDirectory(QEV_THEME_DIR);
    RegisterDirectory(QEV_SOURCE_DIR "/gtkthemes");
    RegisterDirectory(QEV_PIXMAP_DIR);
    RegisterDirectory(QEV_SOURCE_DIR "/pixmaps");
    RegisterThemeFile();

    gtk_init(&argc, &argv);

    if (access(RestartMarkerPath().c_str(), F_OK) == 0)
        return RunQuitDialog();

    g_pMainWindow = create_MainWindow();
    gtk_window_move(GTK_WINDOW(g_pMainWindow), 0, 0);
    gtk_widget_show(g_pMainWindow);
    SetNoteBookTabLabelWithPixmap(g_pMainWindow);

    ReadAdapterCapabilities(g_pMainWindow);
    InitInfoPage(QEV_UTILITY_VERSION);

    gtk_main();
    QEVGFX_Close();
    return 0;
}
