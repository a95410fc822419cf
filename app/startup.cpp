#include "startup.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "Overlay_page.h"
#include "common.h"
#include "interface.h"
#include "qev/outputs.h"
#include "qevgfx.h"
#include "support.h"

void ReadAdapterCapabilities(GtkWidget *mainWindow)
{
    int mode = 0;
    QEVGFX_Device_GetDisplayMode(&mode);
    if (mode == QEV_DISPLAY_SAMM) {
        g_bSAMMModeChkBtnInitState = 1;
        g_bSAMMMode = 1;
    }

    // The Video page goes before the Gamma page, so both indices are the
    // pages' places as built.
    GtkWidget *notebook = lookup_widget(mainWindow, "Info_notebook");
    if (!QEVGFX_Overlay_InitializeAttribute()) {
        if (notebook)
            gtk_notebook_remove_page(GTK_NOTEBOOK(notebook), QEV_PAGE_VIDEO);
    } else {
        InstallPollingOverlayStatus();
    }

    int gammaSupported = 0;
    if (QEVGFX_GAMMA_GetDeviceSupportState(&gammaSupported) && gammaSupported == 0) {
        if (notebook)
            gtk_notebook_remove_page(GTK_NOTEBOOK(notebook), QEV_PAGE_GAMMA);
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

int OpenFailureExitStatus(int openStatus)
{
    switch (openStatus) {
    case QEVGFX_OPEN_NO_XV:
        return 255;
    case QEVGFX_OPEN_INVALID_SCREEN:
        return 1;
    default:
        return -1;
    }
}

void EndOnFailedOpen()
{
    int status = QEVGFX_OPEN_OK;
    char message[256] = "";
    QEVGFX_GetOpenStatus(&status, message, sizeof message);
    int code = OpenFailureExitStatus(status);
    if (code < 0)
        return;
    std::fputs(message, stderr);
    std::exit(code);
}

std::string ShareDirFor(const std::string &exePath, const std::string &relative, const std::string &fallback)
{
    namespace fs = std::filesystem;
    if (exePath.empty())
        return fallback;
    std::error_code ec;
    fs::path dir = fs::path(exePath).parent_path() / relative;
    if (!fs::is_directory(dir, ec))
        return fallback;
    return dir.lexically_normal().string();
}
