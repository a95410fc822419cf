/* QEVDisplayUtility: start-up, the single-instance and restart guards, and the
 * main loop. */
#include <gtk/gtk.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "Info_page.h"
#include "common.h"
#include "interface.h"
#include "qev/outputs.h"
#include "qevgfx.h"
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

// Reads what the adapter can do into the flags the pages use.
void ReadAdapterCapabilities()
{
    int mode = 0;
    QEVGFX_Device_GetDisplayMode(&mode);
    if (mode == QEV_DISPLAY_SAMM) {
        g_bSAMMModeChkBtnInitState = 1;
        g_bSAMMMode = 1;
    }

    unsigned caps = 0;
    if (QEVGFX_Device_GetSupportCaps(&caps)) {
        if (caps & QEV_OUT_LCD2)
            g_bSupportTwoLCD = 1;
        else if (caps & (QEV_OUT_TV2 | QEV_OUT_HDTV2))
            g_bSupportTwoTV = 1;
    }

    QEVGFX_Info_GetFunctionCaps(g_sFuncCaps);
}

}  // namespace

int main(int argc, char *argv[])
{
    if (GetProcessCount(QEV_PROGRAM_NAME) >= 2) {  // this process counts itself
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

    ReadAdapterCapabilities();
    InitInfoPage(QEV_UTILITY_VERSION);

    gtk_main();
    QEVGFX_Close();
    return 0;
}
