/* QEVDisplayUtility: start-up, the single-instance and restart guards, and the
 * main loop. */
#include <gtk/gtk.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "Info_page.h"
#include "common.h"
#include "interface.h"
#include "qevgfx.h"
#include "saveconfig.h"
#include "startup.h"
#include "support.h"

#ifndef QEV_SOURCE_DIR
#error "QEV_SOURCE_DIR names the source tree holding pixmaps/ and gtkthemes/"
#endif
#ifndef QEV_BIN_TO_SHARE
#define QEV_BIN_TO_SHARE "../share/QEVDisplayUtility"
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

// The installed images and theme beside this executable's prefix, else the
// configured share directory.
std::string ShareDir()
{
    std::error_code ec;
    std::string self = std::filesystem::read_symlink("/proc/self/exe", ec).string();
    return ShareDirFor(self, QEV_BIN_TO_SHARE, QEV_SHARE_DIR);
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
    EndOnFailedOpen();
    QEVGFX_IsRandR(&g_bRandRMode);

    const std::string share = ShareDir();
    RegisterDirectory((share + "/gtkthemes").c_str());
    RegisterDirectory(QEV_SOURCE_DIR "/gtkthemes");
    RegisterDirectory((share + "/pixmaps").c_str());
    RegisterDirectory(QEV_SOURCE_DIR "/pixmaps");
    RegisterThemeFile();

    gtk_init(&argc, &argv);
    if (g_bRandRMode)
        createConfigFile();

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
