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
#include "hotplug.h"
#include "interface.h"
#include "keep_revert.h"
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

const char kUsage[] =
    "Usage: QEVDisplayUtility [OPTION...]\n"
    "  --no-confirm    apply display changes without asking to keep them\n"
    "  --help          show this text\n"
    "GTK's own options (--display, --screen, ...) are accepted as well.\n";

// The program's own options, taken out of argv before GTK reads the rest.
// Returns 1 when the program has nothing more to do (--help).
int ParseOwnOptions(int *argc, char **argv)
{
    int kept = 1;
    for (int i = 1; i < *argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--no-confirm") {
            g_bNoConfirm = 1;
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            fputs(kUsage, stdout);
            return 1;
        }
        argv[kept++] = argv[i];
    }
    argv[kept] = nullptr;
    *argc = kept;
    return 0;
}

}  // namespace

int main(int argc, char *argv[])
{
    if (ParseOwnOptions(&argc, argv))
        return 0;
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
    InstallHotplugListener();

    gtk_main();
    QEVGFX_Close();
    return 0;
}
