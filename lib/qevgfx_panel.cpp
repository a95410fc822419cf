// Flat panel controls: panel information, expansion, and the size and
// position of the picture, through RandR output properties, the commands of
// group 20, or the framebuffer device.
#include <cstdint>
#include <cstring>

#include "qev/commands.h"
#include "qev/fb.h"
#include "qev/outputs.h"
#include "qevgfx_internal.h"

namespace {

// Property kinds of the RandR layer used here.
enum { kKindExpansion = 1, kKindMaxSize = 27, kKindSize = 28, kKindMaxPos = 30, kKindPos = 31 };

// Panel sizes by the framebuffer driver's panel-size index.
struct PanelSize {
    int width, height;
};
constexpr PanelSize kPanelSizes[] = {
    {640, 480},   {800, 600},   {1024, 768},  {1280, 768},  {1280, 1024}, {1400, 1050}, {1600, 1200},
    {1366, 768},  {1024, 600},  {1280, 800},  {1024, 768},  {1024, 768},  {1280, 768},  {1280, 1024},
    {1400, 1050}, {1600, 1200}, {1366, 768},  {1024, 600},  {1280, 768},  {1280, 800},
};
constexpr PanelSize kUnknownPanel = {65535, 65535};

PanelSize PanelSizeOf(uint32_t index) {
    return index < sizeof kPanelSizes / sizeof kPanelSizes[0] ? kPanelSizes[index] : kUnknownPanel;
}

// ---- X channel ---------------------------------------------------------------

int GetPanelInfo(unsigned panel, int info[5]) {
    int in = int(panel);
    return InputCommand(QEV_CMD_GetPanelInfo_GROUP, QEV_CMD_GetPanelInfo_FN, 1, &in, 5, info);
}
int GetPanelExpandState(int *state) {
    return InputCommand(QEV_CMD_GetPanelExpandState_GROUP, QEV_CMD_GetPanelExpandState_FN, 0, nullptr, 1, state);
}
int SetPanelExpandState(unsigned panel, int state) {
    int in[5] = {0, 0, 0, int(panel), state};
    return InputCommand(QEV_CMD_SetPanelExpandState_GROUP, QEV_CMD_SetPanelExpandState_FN, 5, in, 0, nullptr);
}
int GetPanelSupportExpandState(int *supported) {
    return InputCommand(QEV_CMD_GetPanelSupportExpandState_GROUP, QEV_CMD_GetPanelSupportExpandState_FN, 0, nullptr,
                        1, supported);
}
// Pair queries: the panel in, horizontal and vertical out.
int GetPanelPair(int group, int function, unsigned panel, int pair[2]) {
    int in = int(panel);
    return InputCommand(group, function, 1, &in, 2, pair);
}
int SetPanelPair(int group, int function, unsigned panel, int h, int v) {
    int in[3] = {h, v, int(panel)};
    return InputCommand(group, function, 3, in, 0, nullptr);
}

// ---- framebuffer ------------------------------------------------------------

// Panel record: output bit, horizontal, vertical.
int FbPanelRead(int request, unsigned panel, int pair[2]) {
    uint32_t rec[QEV_PANEL_RECORD_WORDS] = {panel, 0, 0};
    if (!qev::FbRequest(request, rec))
        return 0;
    pair[0] = int(rec[1]);
    pair[1] = int(rec[2]);
    return 1;
}
int FbPanelWrite(int request, unsigned panel, int h, int v) {
    uint32_t rec[QEV_PANEL_RECORD_WORDS] = {panel, uint32_t(h), uint32_t(v)};
    return qev::FbRequest(request, rec) ? 1 : 0;
}

// ---- RandR ------------------------------------------------------------------

// A packed pair property of the panel's output: horizontal in the low half.
int RandRPair(unsigned panel, int kind, int pair[2]) {
    unsigned v = 0;
    if (rrGetOutputProperties(panel, kind, 0, &v) == 0)
        return 0;
    pair[0] = int(v & 0xFFFFu);
    pair[1] = int(v >> 16);
    return 1;
}

// The three routes of a pair query.
int GetPair(unsigned panel, int pair[2], int kind, int group, int function, int fbRequest) {
    if (pair == nullptr)
        return 0;
    if (qev::OnRandR())
        return RandRPair(panel, kind, pair);
    if (qev::OnX())
        return GetPanelPair(group, function, panel, pair);
    if (qev::OnFb())
        return FbPanelRead(fbRequest, panel, pair);
    return 0;
}

// The routes of a pair write; RandR has no write for these and reports success.
int SetPair(unsigned panel, int h, int v, int group, int function, int fbRequest) {
    if (qev::OnRandR())
        return 1;
    if (qev::OnX())
        return SetPanelPair(group, function, panel, h, v);
    if (qev::OnFb())
        return FbPanelWrite(fbRequest, panel, h, v);
    return 0;
}

} // namespace

extern "C" QEVGFX_API_EXPORT int QEVGFX_Panel_GetInfo(unsigned panel, int info[5]) {
    if (info == nullptr)
        return 0;
    if (qev::OnX())
        return GetPanelInfo(panel, info);
    if (qev::OnFb()) {
        unsigned char block[QEV_DS_SIZE];
        if (!qev::ReadDeviceState(block))
            return 0;
        uint32_t index = qev::GetLE32(block + QEV_DS_PANEL_INFO);
        PanelSize size = PanelSizeOf(index);
        info[0] = int(index);
        info[1] = size.width;
        info[2] = size.height;
        return 1;
    }
    return 0;
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_Panel_GetSupportExpandState(unsigned, int *supported) {
    if (supported == nullptr)
        return 0;
    if (qev::OnRandR()) {
        *supported = 1;
        return 1;
    }
    if (qev::OnX())
        return GetPanelSupportExpandState(supported);
    if (qev::OnFb())
        return qev::FbWord(QEV_FB_PanelExpandSupported, reinterpret_cast<uint32_t *>(supported));
    return 0;
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_Panel_GetExpandState(unsigned, int *state) {
    if (state == nullptr)
        return 0;
    if (qev::OnRandR()) {
        // The expansion belongs to the LCD output, whichever panel is named.
        unsigned v = 0;
        if (rrGetOutputProperties(QEV_OUT_LCD, kKindExpansion, 0, &v) == 0)
            return 0;
        *state = int(v);
        return 1;
    }
    if (qev::OnX())
        return GetPanelExpandState(state);
    if (qev::OnFb())
        return qev::FbStateWord(QEV_DS_PANEL_EXPAND, reinterpret_cast<uint32_t *>(state));
    return 0;
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_Panel_SetExpandState(unsigned panel, int state) {
    if (qev::OnRandR()) {
        if (qev::RandROutputName(panel) == nullptr)
            return 0;
        rrSetOutputProperties(panel, kKindExpansion, 0, unsigned(state));
        return 1;
    }
    if (qev::OnX())
        return SetPanelExpandState(panel, state);
    if (qev::OnFb()) {
        unsigned char block[QEV_DS_SIZE] = {};
        qev::PutLE16(block + QEV_DS_PANEL_FLAGS, 1);
        qev::PutLE32(block + QEV_DS_PANEL_EXPAND, uint32_t(state));
        return qev::FbRequest(QEV_FB_WriteDeviceState, block) ? 1 : 0;
    }
    return 0;
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_Panel_GetMaxViewSize(unsigned panel, int size[2]) {
    return GetPair(panel, size, kKindMaxSize, QEV_CMD_GetPanelMaxViewSizeValue_GROUP,
                   QEV_CMD_GetPanelMaxViewSizeValue_FN, QEV_FB_PanelMaxViewSize);
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_Panel_GetViewSize(unsigned panel, int size[2]) {
    return GetPair(panel, size, kKindSize, QEV_CMD_GetPanelViewSizeValue_GROUP, QEV_CMD_GetPanelViewSizeValue_FN,
                   QEV_FB_ReadPanelViewSize);
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_Panel_SetViewSize(unsigned panel, int h, int v) {
    return SetPair(panel, h, v, QEV_CMD_SetPanelViewSizeValue_GROUP, QEV_CMD_SetPanelViewSizeValue_FN,
                   QEV_FB_WritePanelViewSize);
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_Panel_GetMaxViewPosition(unsigned panel, int pos[2]) {
    return GetPair(panel, pos, kKindMaxPos, QEV_CMD_GetPanelMaxViewPositionValue_GROUP,
                   QEV_CMD_GetPanelMaxViewPositionValue_FN, QEV_FB_PanelMaxViewPosition);
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_Panel_GetViewPosition(unsigned panel, int pos[2]) {
    return GetPair(panel, pos, kKindPos, QEV_CMD_GetPanelViewPositionValue_GROUP,
                   QEV_CMD_GetPanelViewPositionValue_FN, QEV_FB_ReadPanelViewPosition);
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_Panel_SetViewPosition(unsigned panel, int h, int v) {
    return SetPair(panel, h, v, QEV_CMD_SetPanelViewPositionValue_GROUP, QEV_CMD_SetPanelViewPositionValue_FN,
                   QEV_FB_WritePanelViewPosition);
}
