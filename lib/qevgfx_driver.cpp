// Driver information: name, version, function capabilities, engine sync.
#include <string>

#include "qev/commands.h"
#include "qev/fb.h"
#include "qev/protocol.h"
#include "qevgfx_internal.h"

namespace {

// Bytes of the framebuffer driver's module-name buffer.
constexpr size_t kFbNameBuffer = QEVGFX_DRIVER_NAME_SIZE;
constexpr char kModuleSuffix[] = ".ko";

// The driver's 32 bytes of text, ended at the first zero or after 32 bytes.
int GetDriverName(int component, std::string *name) {
    char text[QEV_DRIVER_NAME_BYTES];
    if (!InputCommand(QEV_CMD_GetDriverName_GROUP, QEV_CMD_GetDriverName_FN, 1, &component, QEV_CMD_GetDriverName_OUT,
                      reinterpret_cast<int *>(text)))
        return 0;
    *name = std::string(text, strnlen(text, sizeof text));
    return 1;
}

int GetDriverVersion(int component, int version[5]) {
    int out[QEV_CMD_GetDriverVersion_OUT];
    if (!InputCommand(QEV_CMD_GetDriverVersion_GROUP, QEV_CMD_GetDriverVersion_FN, 1, &component,
                      QEV_CMD_GetDriverVersion_OUT, out))
        return 0;
    for (int i = 0; i < 4; ++i)
        version[i] = out[i];
    version[4] = 0;
    return 1;
}

int QEVSync() { return InputCommand(QEV_CMD_QEVSync_GROUP, QEV_CMD_QEVSync_FN, 0, nullptr, 0, nullptr); }

int GetDriverFunctionCaps(int *caps) {
    int out[QEV_CMD_GetDriverFunctionCaps_OUT];
    if (!InputCommand(QEV_CMD_GetDriverFunctionCaps_GROUP, QEV_CMD_GetDriverFunctionCaps_FN, 0, nullptr,
                      QEV_CMD_GetDriverFunctionCaps_OUT, out))
        return 0;
    *caps = out[0];
    return 1;
}

} // namespace

extern "C" QEVGFX_API_EXPORT int QEVGFX_Info_GetDriverName(int component, char *name) {
    if (name == nullptr)
        return 0;
    std::string text;
    if (qev::OnX()) {
        if (!GetDriverName(component, &text))
            return 0;
    } else if (qev::OnFb()) {
        char buffer[kFbNameBuffer] = {};
        if (!qev::FbRequest(QEV_FB_DriverModuleName, buffer))
            return 0;
        // The module name keeps room for the suffix and the terminator.
        size_t room = kFbNameBuffer - sizeof kModuleSuffix;
        text.assign(buffer, strnlen(buffer, room));
        text += kModuleSuffix;
    } else {
        return 0;
    }
    std::memcpy(name, text.c_str(), text.size() + 1);
    return 1;
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_Info_GetDriverVersion(int component, int version[5]) {
    if (version == nullptr)
        return 0;
    if (qev::OnX())
        return GetDriverVersion(component, version);
    if (qev::OnFb()) {
        uint32_t w[4] = {};
        if (!qev::FbRequest(QEV_FB_DriverVersion, w))
            return 0;
        version[0] = int(w[0]);
        version[1] = int(w[3]);
        version[2] = int(w[2]);
        version[3] = 0;
        version[4] = int(w[1]);
        return 1;
    }
    return 0;
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_Info_GetFunctionCaps(int *caps) {
    return qev::RouteQuery(caps, GetDriverFunctionCaps,
                           [](int *out) { return qev::FbRequest(QEV_FB_FunctionCaps, out) ? 1 : 0; });
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_DrvSync(void) {
    if (qev::OnX()) {
        (void)QEVSync();
        return 1;
    }
    if (qev::OnFb()) {
        (void)qev::FbRequest(QEV_FB_EngineSync, nullptr);
        return 1;
    }
    return 0;
}
