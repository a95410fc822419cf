// Gamma lookup table: 256 entries of red, green and blue levels, written and
// read through the driver, with a library copy that can be saved to a file.
#include <string>

#include "qev/commands.h"
#include "qev/fb.h"
#include "qevgfx_file.h"
#include "qevgfx_internal.h"

unsigned short g_gamma_red[256];
unsigned short g_gamma_green[256];
unsigned short g_gamma_blue[256];

namespace {

constexpr int kEntries = 256;
const std::string kGammaRcPath = std::string("/etc/X11") + "/.QEVGAMMARC";

void StoreCopy(const unsigned short *red, const unsigned short *green, const unsigned short *blue) {
    for (int i = 0; i < kEntries; ++i) {
        g_gamma_red[i] = red[i];
        g_gamma_green[i] = green[i];
        g_gamma_blue[i] = blue[i];
    }
}

unsigned short Clamp(unsigned short v) { return v > 255 ? 255 : v; }

} // namespace

void InitGammaLUT() {
    for (int i = 0; i < kEntries; ++i)
        g_gamma_red[i] = g_gamma_green[i] = g_gamma_blue[i] = static_cast<unsigned short>(i);
}

int SaveGammaLookUpTable() {
    std::string text;
    text.reserve(kEntries * 12);
    for (int i = 0; i < kEntries; ++i) {
        for (unsigned short v : {g_gamma_red[i], g_gamma_green[i], g_gamma_blue[i]}) {
            text += ' ';
            text += std::to_string(v);
        }
    }
    return qev::file::replace(kGammaRcPath, text) ? 1 : 0;
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_GAMMA_GetDeviceSupportState(int *supported) {
    if (supported == nullptr)
        return 0;
    if (qev::OnX())
        return qev::QueryWord(QEV_CMD_GetGammaDeviceSupportState_GROUP, QEV_CMD_GetGammaDeviceSupportState_FN,
                              supported);
    if (qev::OnFb()) {
        int word = 0;
        if (!qev::FbRequest(QEV_FB_GammaSupported, &word))
            return 0;
        *supported = word;
        return 1;
    }
    return 0;
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_GAMMA_SetLookUpTable(const unsigned short red[256],
                                                             const unsigned short green[256],
                                                             const unsigned short blue[256]) {
    if (red == nullptr || green == nullptr || blue == nullptr)
        return 0;
    // Levels above 255 would run into the next colour's bits of the driver
    // word; they are taken as 255, in the driver table and in the copy alike.
    unsigned short r[kEntries], g[kEntries], b[kEntries];
    int entries[kEntries];
    for (int i = 0; i < kEntries; ++i) {
        r[i] = Clamp(red[i]);
        g[i] = Clamp(green[i]);
        b[i] = Clamp(blue[i]);
        entries[i] = static_cast<int>(qev::PackGammaEntry(r[i], g[i], b[i]));
    }
    StoreCopy(r, g, b);
    if (qev::OnX())
        return InputCommand(QEV_CMD_SetGammaLookUpTable_GROUP, QEV_CMD_SetGammaLookUpTable_FN, kEntries, entries, 0,
                            nullptr);
    if (qev::OnFb())
        return qev::FbRequest(QEV_FB_WriteGammaTable, entries) ? 1 : 0;
    return 0;
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_GAMMA_GetLookUpTable(unsigned short red[256], unsigned short green[256],
                                                             unsigned short blue[256]) {
    if (red == nullptr || green == nullptr || blue == nullptr || !qev::OnX())
        return 0;
    int entries[kEntries] = {};
    if (!InputCommand(QEV_CMD_GetGammaLookUpTable_GROUP, QEV_CMD_GetGammaLookUpTable_FN, 0, nullptr, kEntries,
                      entries))
        return 0;
    for (int i = 0; i < kEntries; ++i) {
        const auto w = static_cast<uint32_t>(entries[i]);
        blue[i] = static_cast<unsigned short>(w & 0xFF);
        green[i] = static_cast<unsigned short>(w >> 8 & 0xFF);
        red[i] = static_cast<unsigned short>(w >> 16 & 0xFF);
    }
    StoreCopy(red, green, blue);
    return 1;
}
