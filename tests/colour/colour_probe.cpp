// Runs the gamma and overlay operations of libqevgfx in a session of its own
// and prints one line per call: "NAME RESULT [VALUES...]".
#include <cstdio>

#include "qevgfx.h"

int main() {
    QEVGFX_Open();
    std::printf("open\n");
    int status = 0;
    char message[128] = "";
    if (QEVGFX_GetOpenStatus(&status, message, sizeof message) && status != QEVGFX_OPEN_OK)
        std::printf("open-status %d %s", status, message);
    std::fflush(stdout);

    int v = -1;
    int rc = QEVGFX_GAMMA_GetDeviceSupportState(&v);
    std::printf("gamma-supported %d %d\n", rc, v);
    unsigned short r[256], g[256], b[256];
    for (int i = 0; i < 256; ++i) {
        r[i] = static_cast<unsigned short>(255 - i);
        g[i] = b[i] = static_cast<unsigned short>(i);
    }
    b[1] = 300;
    std::printf("gamma-set %d\n", QEVGFX_GAMMA_SetLookUpTable(r, g, b));
    std::printf("gamma-get %d\n", QEVGFX_GAMMA_GetLookUpTable(r, g, b));
    std::printf("save-gamma %d\n", QEVGFX_SaveCurrentSetting(1));

    std::printf("overlay-init %d\n", QEVGFX_Overlay_InitializeAttribute());
    v = -1;
    rc = QEVGFX_Overlay_GetSupportAttributeCaps(&v);
    std::printf("overlay-caps %d %d\n", rc, v);
    for (int i = 0; i < 4; ++i) {
        v = -1;
        rc = QEVGFX_Overlay_GetAttribute(i, &v);
        std::printf("overlay-get %d %d %d\n", i, rc, v);
    }
    for (int i = 0; i < 4; ++i)
        std::printf("overlay-set %d %d\n", i, QEVGFX_Overlay_SetAttribute(i, 200));
    std::printf("overlay-opened %d\n", QEVGFX_Overlay_IsOverlayOpened());
    std::printf("save-overlay %d\n", QEVGFX_SaveCurrentSetting(0));
    QEVGFX_Close();
    return 0;
}
