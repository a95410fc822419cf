// Display modes, rotation and scaling: the driver's mode list, current mode
// and rotation (commands of group 24, rotation options of the X
// configuration), and per-output modes, rotations and scaling through RandR.
#include <charconv>
#include <cmath>
#include <string>
#include <vector>

#include "qev/commands.h"
#include "qev/outputs.h"
#include "qevgfx_internal.h"
#include "qevgfx_spawn.h"


namespace {

constexpr int kModeRecordWords = 14;
constexpr int kModeFixedWords = 4;
constexpr int kMaxRates = 10;
constexpr int kCurrentModeWords = 5;

int EnumDisplayModes(int index, int record[kModeRecordWords]) {
    int out[kModeRecordWords] = {};
    if (!InputCommand(QEV_CMD_EnumDisplayModes_GROUP, QEV_CMD_EnumDisplayModes_FN, 1, &index, kModeRecordWords, out))
        return 0;
    // The fixed words, then as many rates as word 3 announces (never more
    // than the record holds).
    int rates = out[3] < 0 ? 0 : (out[3] > kMaxRates ? kMaxRates : out[3]);
    for (int i = 0; i < kModeFixedWords + rates; ++i)
        record[i] = out[i];
    return 1;
}

int GetCurrentMode(int record[kCurrentModeWords]) {
    return InputCommand(QEV_CMD_GetCurrentMode_GROUP, QEV_CMD_GetCurrentMode_FN, 0, nullptr, kCurrentModeWords,
                        record);
}

int GetRotationInfo(int *type, int *degree) {
    int out[2];
    if (!InputCommand(QEV_CMD_GetRotationInfo_GROUP, QEV_CMD_GetRotationInfo_FN, 0, nullptr, 2, out))
        return 0;
    *type = out[0];
    *degree = out[1];
    return 1;
}

int GetRotationCaps(int selector, int *caps) {
    return InputCommand(QEV_CMD_GetRotationCaps_GROUP, QEV_CMD_GetRotationCaps_FN, 1, &selector, 1, caps);
}

// RandR rotation bits and their xrandr words.
const char *RotationWord(int degree) {
    switch (degree) {
    case 1: return "normal";
    case 2: return "left";
    case 4: return "inverted";
    case 8: return "right";
    default: return nullptr;
    }
}

// Decimal text of a double with a fixed number of digits after the point,
// independent of the process locale (xrandr reads C-locale numbers).
std::string Fixed(double v, int precision) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, precision);
    return r.ec == std::errc() ? std::string(buf, r.ptr) : std::string();
}

// X channel with RandR in use: the per-output operations need both.
bool RandR() { return qev::OnRandR(); }

} // namespace

extern "C" QEVGFX_API_EXPORT int SetRotationInfo(int type, int degree) {
    if (!qev::OnX())
        return 0;
    int in[2] = {type, degree};
    return InputCommand(QEV_CMD_SetRotationInfo_GROUP, QEV_CMD_SetRotationInfo_FN, 2, in, 0, nullptr);
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_DISPLAY_EnumModes(int index, int record[14]) {
    if (!qev::OnX() || record == nullptr)
        return 0;
    return EnumDisplayModes(index, record);
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_DISPLAY_GetCurrentMode(int record[5]) {
    if (!qev::OnX() || record == nullptr)
        return 0;
    return GetCurrentMode(record);
}

// The two queries below report success also when the driver does not answer;
// the caller's presets then stand.
extern "C" QEVGFX_API_EXPORT int QEVGFX_DISPLAY_GetRotateDegree(int *type, int *degree) {
    if (!qev::OnX() || type == nullptr || degree == nullptr)
        return 0;
    GetRotationInfo(type, degree);
    return 1;
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_DISPLAY_GetRotateCaps(int selector, int *caps) {
    if (!qev::OnX() || caps == nullptr)
        return 0;
    GetRotationCaps(selector, caps);
    return 1;
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_DISPLAY_SetRotateDegree(int type, int degree) {
    if (!qev::OnX())
        return 0;
    int curType = 0, curDegree = 0;
    GetRotationInfo(&curType, &curDegree); // asked as the driver expects; not used

    // "Rotate" also matches a "RotateType" line, so the type goes first.
    if (!DeleteDeviceOption("RotateType") || !DeleteDeviceOption("Rotate"))
        return 0;
    const char *typeWord = type == 2 ? "HW" : type == 1 ? "SW" : nullptr;
    const char *degreeWord = degree == 8 ? "CW" : degree == 4 ? "UD" : degree == 2 ? "CCW" : nullptr;
    if (typeWord == nullptr || degreeWord == nullptr)
        return 1; // normal orientation: the options stay deleted
    if (!InsertNewDeviceOption("RotateType", typeWord) || !InsertNewDeviceOption("Rotate", degreeWord))
        return 0;
    return 1;
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_DISPLAY_GetDevCurMode(unsigned output, RRModeEntry *mode) {
    if (!RandR() || mode == nullptr)
        return 0;
    return rrGetDevCurrentMode(output, mode);
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_DISPLAY_GetDevSupportMode(unsigned output, int *count, RRModeEntry **modes) {
    if (!RandR() || count == nullptr || modes == nullptr)
        return 0;
    *modes = rrGetDevSupportMode(output, count);
    return 1;
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_DISPLAY_GetDevCurRotation(unsigned output, int *rotation) {
    if (!RandR() || rotation == nullptr)
        return 0;
    return rrGetDevCurRotation(output, rotation);
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_DISPLAY_GetDevSupRotation(unsigned output, int *rotations) {
    if (!RandR() || rotations == nullptr)
        return 0;
    return rrGetDevSupRotation(output, rotations);
}

// xrandr --output A --rotate R [--output B --rotate R ...] for the supported
// outputs among `outputs`, in the fixed output order.
extern "C" QEVGFX_API_EXPORT int QEVGFX_DISPLAY_SetDevRotationDeg(unsigned outputs, int degree) {
    if (!RandR())
        return 0;
    const char *word = RotationWord(degree);
    if (word == nullptr)
        return 0; // no rotation to ask for: nothing is run
    std::vector<std::string> args;
    const unsigned wanted = outputs & qevRRInfo.supported;
#define QEV_ROTATE_ROW_(name, bit) \
    if (wanted & unsigned(bit))    \
        args.insert(args.end(), {"--output", name, "--rotate", word});
    QEV_RANDR_OUTPUT_TABLE(QEV_ROTATE_ROW_)
#undef QEV_ROTATE_ROW_
    qev::RunXrandr(args);
    return 1;
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_DISPLAY_SetDevMode(unsigned output, const char *modeName, int, int,
                                                           float refresh) {
    if (!RandR())
        return 0;
    if (output == 0)
        return 1;
    std::vector<std::string> args;
#define QEV_MODE_ROW_(name, bit)                                        \
    if (output == unsigned(bit) && (qevRRInfo.supported & unsigned(bit))) { \
        args.insert(args.end(), {"--output", name});                    \
        if (modeName != nullptr && modeName[0] != '\0')                 \
            args.insert(args.end(), {"--mode", std::string(modeName)}); \
    }
    QEV_RANDR_OUTPUT_TABLE(QEV_MODE_ROW_)
#undef QEV_MODE_ROW_
    if (refresh != 0.0f)
        args.insert(args.end(), {"--refresh", Fixed(double(refresh), 1)});
    qev::RunXrandr(args);
    return 1;
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_DISPLAY_GetCurrentScale(unsigned output, double scale[2]) {
    if (!RandR() || scale == nullptr)
        return 0;
    int m[9];
    if (!rrGetDevTransform(output, m))
        return 0;
    // Signed 16.16 fixed point.
    scale[0] = double(m[0]) / 65536.0;
    scale[1] = double(m[4]) / 65536.0;
    return 1;
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_DISPLAY_SetScale(unsigned output, double sx, double sy) {
    if (!RandR())
        return 0;
    const char *name = qev::RandROutputName(output);
    if (name == nullptr)
        return 0;
    // xrandr takes positive finite factors only; anything else is not sent.
    if (!std::isfinite(sx) || !std::isfinite(sy) || sx <= 0.0 || sy <= 0.0)
        return 0;
    qev::RunXrandr({"--output", name, "--scale", Fixed(sx, 6) + "x" + Fixed(sy, 6)});
    return 1;
}
