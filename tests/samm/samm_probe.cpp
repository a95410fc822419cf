// Runs multi-screen and clone operations of libqevgfx in a process of its
// own, one session per run as the control panel has it. Arguments are
// commands; each prints one line: its name, the result and the values read.
//   enable P S POS | disable P S POS | layout | gemel-get | gemel-set OUT |
//   gemel-max | active | v3 (command 19/10) | xinerama | fb-info | fb-second
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "qevgfx.h"

int main(int argc, char **argv) {
    QEVGFX_Open();
    std::fflush(stdout);
    auto arg = [&](int &i) { return i + 1 < argc ? std::atoi(argv[++i]) : 0; };
    for (int i = 1; i < argc; ++i) {
        const std::string cmd = argv[i];
        if (cmd == "enable" || cmd == "disable") {
            const int p = arg(i), s = arg(i), pos = arg(i);
            const int rc = cmd == "enable" ? QEVGFX_SAMM_Enable(p, s, pos) : QEVGFX_SAMM_Disable(p, s, pos);
            std::printf("%s %d\n", cmd.c_str(), rc);
        } else if (cmd == "layout") {
            int layout[3] = {0, 0, 0};
            const int rc = QEVGFX_SAMM_GetScreenLayout(layout);
            std::printf("layout %d %d %d %d\n", rc, layout[0], layout[1], layout[2]);
        } else if (cmd == "gemel-get") {
            int out = 0;
            const int rc = QEVGFX_Gemel_GetVideoOutputDevice(&out);
            std::printf("gemel-get %d %d\n", rc, out);
        } else if (cmd == "gemel-set") {
            const int out = arg(i);
            std::printf("gemel-set %d\n", QEVGFX_Gemel_SetVideoOutputDevice(out));
        } else if (cmd == "gemel-max") {
            int n = 0;
            const int rc = QEVGFX_Gemel_GetMaxVideoOutput(&n);
            std::printf("gemel-max %d %d\n", rc, n);
        } else if (cmd == "active") {
            unsigned mask = 0;
            const int rc = QEVGFX_Device_GetActiveState(&mask);
            std::printf("active %d %u\n", rc, mask);
        } else if (cmd == "v3") {
            int state = -1;
            const int rc = InputCommand(19, 10, 0, nullptr, 1, &state);
            std::printf("v3 %d %d\n", rc, state);
        } else if (cmd == "xinerama") {
            std::printf("xinerama %d\n", IsXineramaExist());
        } else if (cmd == "fb-info" || cmd == "fb-second") {
            unsigned words[4] = {0, 0, 0, 0};
            const int rc = cmd == "fb-info" ? QEVGFX_SAMM_GetFbSammInfo(words) : QEVGFX_SAMM_Second_Mode(words);
            std::printf("%s %d %u %u %u %u\n", cmd.c_str(), rc, words[0], words[1], words[2], words[3]);
        } else {
            std::fprintf(stderr, "unknown command %s\n", cmd.c_str());
            return 2;
        }
        std::fflush(stdout);
    }
    QEVGFX_Close();
    return 0;
}
