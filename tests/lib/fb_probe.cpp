// Runs the library's framebuffer-channel operations in a process of its own
// (so that the framebuffer stand-in can be preloaded into it) and prints one
// line per operation: name, result, values (read after the call).
#include <cstdio>
#include <cstring>
#include <string>

#include "qevgfx.h"

namespace {

void Print(const char *op, int rc, std::initializer_list<long long> values = {}) {
    std::printf("%s %d", op, rc);
    for (long long v : values)
        std::printf(" %lld", v);
    std::printf("\n");
}

} // namespace

int main() {
    QEVGFX_Open();
    int randr = -1;
    {
        int rc = QEVGFX_IsRandR(&randr);
        Print("randr", rc, {randr});
    }
    char name[QEVGFX_DRIVER_NAME_SIZE] = {};
    int nameRc = QEVGFX_Info_GetDriverName(1, name);
    std::printf("name %d %s\n", nameRc, name);
    int version[5] = {};
    {
        int rc = QEVGFX_Info_GetDriverVersion(1, version);
        Print("version", rc, {version[0], version[1], version[2], version[3], version[4]});
    }
    int caps[32] = {};
    {
        int rc = QEVGFX_Info_GetFunctionCaps(caps);
        Print("caps", rc, {caps[0]});
    }
    int v = 0;
    {
        int rc = QEVGFX_Info_GetChipID(&v);
        Print("chip", rc, {v});
    }
    {
        int rc = QEVGFX_Info_GetTVChipID(&v);
        Print("tvchip", rc, {v});
    }
    {
        int rc = QEVGFX_Info_GetTVChipOnSlot(&v);
        Print("tvslot", rc, {v});
    }
    {
        int rc = QEVGFX_Info_GetVideoMemSize(&v);
        Print("memory", rc, {v});
    }
    int bios[3] = {};
    {
        int rc = QEVGFX_Info_GetBiosVersion(bios);
        Print("bios", rc);
    }
    {
        int rc = QEVGFX_Info_GetBiosDate(bios);
        Print("bios-date", rc);
    }
    {
        int rc = QEVGFX_SaveCurrentSetting(1);
        Print("save", rc);
    }
    {
        int rc = QEVGFX_DrvSync();
        Print("sync", rc);
    }
    unsigned mask = 0;
    {
        int rc = QEVGFX_Device_GetSupportCaps(&mask);
        Print("supported", rc, {mask});
    }
    {
        int rc = QEVGFX_Device_GetConnectState(&mask);
        Print("connected", rc, {mask});
    }
    {
        int rc = QEVGFX_Device_GetActiveState(&mask);
        Print("active", rc, {mask});
    }
    {
        int rc = QEVGFX_Device_SetActiveState(0x2);
        Print("set-active", rc);
    }
    {
        int rc = QEVGFX_Device_GetActiveState(&mask);
        Print("active", rc, {mask});
    }
    {
        int rc = QEVGFX_Device_GetDisplayMode(&v);
        Print("mode", rc, {v});
    }
    {
        int rc = QEVGFX_Device_GetSupportSAMMState(&v);
        Print("samm-supported", rc);
    }
    {
        unsigned primary = 0;
        int rc = QEVGFX_Device_GetPrimaryDevice(&primary);
        Print("primary", rc);
    }
    {
        RRModeEntry m{const_cast<char *>("1024x768"), 1024, 768, 60.0f};
        int rc = QEVGFX_Device_SetActiveState2(0x2, 0x2, 0, &m, nullptr);
        Print("set-active2", rc);
    }
    {
        int rc = QEVGFX_Device_SetVideoDevice(3);
        Print("set-video", rc);
    }
    unsigned video[4] = {};
    {
        int rc = QEVGFX_Device_GetVideoDevice(video);
        Print("video", rc, {video[0]});
    }
    unsigned res[4] = {};
    {
        int rc = QEVGFX_Device_GetFbResolutionInfo(res);
        Print("resolution", rc, {res[2]});
    }
    QEVGFX_Close();
    {
        int rc = QEVGFX_Info_GetChipID(&v);
        Print("after-close", rc);
    }
    return 0;
}
