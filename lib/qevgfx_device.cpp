// Output devices: supported, connected and active outputs, switching them,
// display mode and primary output.
#include <sstream>
#include <string>
#include <vector>

#include "qev/commands.h"
#include "qev/fb.h"
#include "qev/outputs.h"
#include "qevgfx_internal.h"
#include "qevgfx_spawn.h"

namespace {

// Masks of the RandR summary, refreshed first; the command otherwise.
int GetMask(unsigned QevRRInfo::*field, int group, int function, unsigned *mask) {
    *mask = 0;
    if (qev::OnRandR()) {
        rrGetOutputInfo();
        *mask = qevRRInfo.*field;
        return 1;
    }
    return InputCommand(group, function, 0, nullptr, 1, reinterpret_cast<int *>(mask));
}

int GetDeviceSupportState(unsigned *mask) {
    return GetMask(&QevRRInfo::supported, QEV_CMD_GetDeviceSupportState_GROUP, QEV_CMD_GetDeviceSupportState_FN, mask);
}
int GetDeviceConnectState(unsigned *mask) {
    return GetMask(&QevRRInfo::connected, QEV_CMD_GetDeviceConnectState_GROUP, QEV_CMD_GetDeviceConnectState_FN, mask);
}
int GetDeviceActiveState(unsigned *mask) {
    return GetMask(&QevRRInfo::active, QEV_CMD_GetDeviceActiveState_GROUP, QEV_CMD_GetDeviceActiveState_FN, mask);
}

int SetDeviceActiveState(unsigned mask) {
    int in = int(mask);
    return InputCommand(QEV_CMD_SetDeviceActiveState_GROUP, QEV_CMD_SetDeviceActiveState_FN, 1, &in, 0, nullptr);
}

int GetDeviceSAMMState(int *state) {
    return qev::QueryWord(QEV_CMD_GetDeviceSAMMState_GROUP, QEV_CMD_GetDeviceSAMMState_FN, state);
}
int GetDeviceSupportSAMMState(int *state) {
    return InputCommand(QEV_CMD_GetDeviceSupportSAMMState_GROUP, QEV_CMD_GetDeviceSupportSAMMState_FN, 0, nullptr, 1,
                        state);
}
int GetDeviceGemelState(int *state) {
    return InputCommand(QEV_CMD_GetDeviceGemelState_GROUP, QEV_CMD_GetDeviceGemelState_FN, 0, nullptr, 1, state);
}
int GetDevicePanningState(int *state) {
    return InputCommand(QEV_CMD_GetDevicePanningState_GROUP, QEV_CMD_GetDevicePanningState_FN, 0, nullptr, 1, state);
}
int GetPrimaryDevice(unsigned *output) {
    return qev::QueryWord(QEV_CMD_GetPrimaryDevice_GROUP, QEV_CMD_GetPrimaryDevice_FN, reinterpret_cast<int *>(output));
}

// The refresh rate as xrandr reads it: one decimal, independent of the
// process locale.
std::string Refresh(float hz) {
    std::ostringstream s;
    s.imbue(std::locale::classic());
    s.setf(std::ios::fixed);
    s.precision(1);
    s << double(hz);
    return s.str();
}

// Pieces of the RandR switch line: off for supported outputs outside the
// mask, `on(bit, name)` for those in it.
template <class OnPiece> std::vector<std::string> SwitchLine(unsigned mask, OnPiece on) {
    std::vector<std::string> args;
    unsigned supported = qevRRInfo.supported;
#define QEV_SWITCH_ROW_(name, bit)                                \
    if (supported & (bit)) {                                      \
        if (mask & (bit))                                         \
            on(args, unsigned(bit), name);                        \
        else                                                      \
            args.insert(args.end(), {"--output", name, "--off"}); \
    }
    QEV_RANDR_OUTPUT_TABLE(QEV_SWITCH_ROW_)
#undef QEV_SWITCH_ROW_
    return args;
}

} // namespace

extern "C" QEVGFX_API_EXPORT int QEVGFX_Device_GetSupportCaps(unsigned *mask) {
    return qev::RouteQuery(mask, GetDeviceSupportState,
                           [](unsigned *m) { return qev::FbWord(QEV_FB_SupportedOutputs, m); });
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_Device_GetConnectState(unsigned *mask) {
    return qev::RouteQuery(mask, GetDeviceConnectState,
                           [](unsigned *m) { return qev::FbWord(QEV_FB_ConnectedOutputs, m); });
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_Device_GetActiveState(unsigned *mask) {
    if (mask == nullptr)
        return 0;
    if (qev::OnX())
        return GetDeviceActiveState(mask);
    if (qev::OnFb()) {
        unsigned char block[QEV_DS_SIZE];
        if (!qev::ReadDeviceState(block))
            return 0;
        *mask = qev::GetLE16(block + QEV_DS_ACTIVE_MASK);
        return 1;
    }
    return 0;
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_Device_GetOutputSummary(unsigned modeOutputs, QevOutputSummary *summary) {
    if (summary == nullptr)
        return 0;
    if (qev::OnRandR())
        return rrGetOutputSummary(modeOutputs, summary);
    // Without RandR every answer is its own query; mode lists need RandR.
    *summary = QevOutputSummary{};
    int ok = QEVGFX_Device_GetSupportCaps(&summary->supported);
    ok &= QEVGFX_Device_GetConnectState(&summary->connected);
    ok &= QEVGFX_Device_GetActiveState(&summary->active);
    return ok;
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_Device_SetActiveState(unsigned mask) {
    if (qev::OnRandR()) {
        qev::RunXrandr(SwitchLine(mask, [](std::vector<std::string> &args, unsigned, const char *name) {
            args.insert(args.end(), {"--output", name, "--auto"});
        }));
        return 1;
    }
    if (qev::OnX())
        return SetDeviceActiveState(mask);
    if (qev::OnFb()) {
        unsigned char block[QEV_DS_SIZE];
        if (!qev::ReadDeviceState(block))
            return 0;
        qev::PutLE16(block + QEV_DS_OUTPUT_FLAGS, 1);
        qev::PutLE16(block + QEV_DS_ACTIVE_MASK, uint16_t(mask));
        return qev::FbRequest(QEV_FB_WriteDeviceState, block) ? 1 : 0;
    }
    return 0;
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_Device_SetActiveState2(unsigned mask, unsigned primary, unsigned secondary,
                                                               const RRModeEntry *primaryMode,
                                                               const RRModeEntry *secondaryMode) {
    if (qev::OnRandR()) {
        // Outputs in the mask that are neither primary nor secondary have no
        // mode to set and stay out of the line; an output whose mode entry is
        // missing or unnamed is switched on with its preferred mode.
        auto on = [&](std::vector<std::string> &args, unsigned bit, const char *name) {
            const RRModeEntry *mode = nullptr;
            if (bit == primary)
                mode = primaryMode;
            else if (bit == secondary)
                mode = secondaryMode;
            else
                return;
            if (mode == nullptr || mode->name == nullptr || mode->name[0] == '\0') {
                args.insert(args.end(), {"--output", name, "--auto"});
                return;
            }
            args.insert(args.end(), {"--output", name, "--mode", mode->name, "--refresh", Refresh(mode->refresh)});
        };
        qev::RunXrandr(SwitchLine(mask, on));
        return 1;
    }
    if (qev::OnX())
        return SetDeviceActiveState(mask);
    return 0;
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_Device_GetSupportSAMMState(int *supported) {
    if (supported == nullptr)
        return 0;
    if (qev::OnRandR()) {
        *supported = 1;
        return 1;
    }
    if (qev::OnX())
        return GetDeviceSupportSAMMState(supported);
    return 0;
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_Device_GetDisplayMode(int *mode) {
    if (mode == nullptr)
        return 0;
    if (qev::OnRandR())
        return rrGetDisplayMode(mode);
    if (qev::OnX()) {
        int state = 0;
        if (!GetDeviceSAMMState(&state))
            return 0;
        if (state != 0) {
            *mode = QEV_DISPLAY_SAMM;
            return 1;
        }
        if (!GetDeviceGemelState(&state))
            return 0;
        *mode = state == 1 ? QEV_DISPLAY_CLONE : QEV_DISPLAY_SINGLE;
        return 1;
    }
    if (qev::OnFb()) {
        unsigned char block[QEV_DS_SIZE];
        if (!qev::ReadDeviceState(block))
            return 0;
        *mode = qev::GetLE16(block + QEV_DS_SAMM_FLAGS) == 1 ? QEV_DISPLAY_SAMM : QEV_DISPLAY_CLONE;
        return 1;
    }
    return 0;
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_Device_GetPanningState(int *state) {
    if (state == nullptr || !qev::OnX())
        return 0;
    return GetDevicePanningState(state);
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_Device_GetPrimaryDevice(unsigned *output) {
    if (output == nullptr)
        return 0;
    if (qev::OnRandR())
        return rrGetPrimaryDevice(output);
    if (qev::OnX())
        return GetPrimaryDevice(output);
    return 0;
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_Device_SetVideoDevice(int value) {
    if (qev::OnX())
        return 1;
    if (qev::OnFb())
        return qev::FbRequest(QEV_FB_WriteVideoDevice, &value) ? 1 : 0;
    return 0;
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_Device_GetVideoDevice(void *record) {
    if (qev::OnX())
        return 1;
    if (qev::OnFb() && record != nullptr)
        return qev::FbRequest(QEV_FB_ReadVideoDevice, record) ? 1 : 0;
    return 0;
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_Device_GetFbResolutionInfo(void *record) {
    if (qev::OnFb() && record != nullptr)
        return qev::FbRequest(QEV_FB_FbResolutionInfo, record) ? 1 : 0;
    return 0;
}
