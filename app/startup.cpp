#include "startup.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

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

namespace {

std::string OwnExecutable()
{
    std::string target(4096, '\0');
    ssize_t n = readlink("/proc/self/exe", target.data(), target.size());
    if (n <= 0 || static_cast<size_t>(n) >= target.size())
        return {};
    target.resize(static_cast<size_t>(n));
    return target;
}

}  // namespace

bool AnotherInstanceRuns(const char *name)
{
    const char *dir = getenv("XDG_RUNTIME_DIR");
    struct stat st {};
    if (!dir || dir[0] != '/' || stat(dir, &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != geteuid())
        return GetProcessCount(name) >= 2;
    std::string path = std::string(dir) + "/" + name + ".lock";
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return GetProcessCount(name) >= 2;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        bool held = errno == EWOULDBLOCK;
        close(fd);
        return held || GetProcessCount(name) >= 2;
    }
    // fd stays open: the lock lasts as long as the process. Copies of this
    // executable that lost the lock are leaving; other programs still count.
    std::string self = OwnExecutable();
    if (self.empty())
        return GetProcessCount(name) >= 2;
    return CountProcessesExcept(name, self.c_str()) >= 1;
}
