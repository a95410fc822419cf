// qevgfx: the adapter's families from the command line. Every value is
// checked before the session opens; exit status 0 success, 1 the adapter
// refused or the operation failed, 2 usage error, with one line on standard
// error for 1 and 2.
#include <fcntl.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "args.h"
#include "gamma_ramp.h"
#include "qev/family.h"
#include "qev/outputs.h"
#include "qevgfx.h"
#include "report.h"

namespace qevcli {
namespace {

enum { EXIT_OK = 0, EXIT_FAILED = 1, EXIT_USAGE = 2 };

// A failed command: its exit status and the line for standard error.
struct Failure {
    int status;
    std::string message;
};
struct Result {
    int status = EXIT_OK;
    std::string message;
    Object report;
};

Result Usage(std::string message) { return {EXIT_USAGE, std::move(message), {}}; }
Result Failed(std::string message) { return {EXIT_FAILED, std::move(message), {}}; }

// Opens the session once the values are known good; "" or why it failed.
std::string OpenSession() {
    // The library and Xlib note on standard error what the server lacks
    // (RandR, Xv); the tool's one line says what matters to its command.
    int saved = dup(STDERR_FILENO);
    int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (saved >= 0 && null >= 0)
        dup2(null, STDERR_FILENO);
    QEVGFX_Open();
    std::fflush(stderr);
    if (saved >= 0) {
        dup2(saved, STDERR_FILENO);
        close(saved);
    }
    if (null >= 0)
        close(null);
    int status = QEVGFX_OPEN_OK, type = 0;
    char message[256] = "";
    QEVGFX_GetOpenStatus(&status, message, sizeof message);
    QEVGFX_GetType(&type);
    if (status == QEVGFX_OPEN_INVALID_SCREEN) {
        std::string m = message;
        if (!m.empty() && m.back() == '\n')
            m.pop_back();
        return m;
    }
    if (type == 0)
        return "no X display and no framebuffer device";
    return {};
}

bool RandR() {
    int randr = 0;
    QEVGFX_IsRandR(&randr);
    return randr == 1;
}

std::string Hex(unsigned v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%x", v);
    return buf;
}

Value Names(unsigned mask) {
    Array a;
    for (const std::string &n : OutputNames(mask))
        a.emplace_back(n);
    return a;
}

Value Pair(bool ok, const int v[2]) { return ok ? Value(Array{v[0], v[1]}) : Value(); }

const char *ChipName(int id) {
    switch (id) {
#define QEV_CLI_CHIP_(chip, name) \
    case chip:                    \
        return name;
        QEV_CHIP_NAME_TABLE(QEV_CLI_CHIP_)
#undef QEV_CLI_CHIP_
    default: return "";
    }
}

const char *RotationWord(int bit) {
    switch (bit & 0xf) {
    case 1: return "normal";
    case 2: return "left";
    case 4: return "inverted";
    case 8: return "right";
    default: return "";
    }
}

// ---- info, outputs --------------------------------------------------------

Result Info(const Invocation &) {
    Result r;
    int type = 0, id = 0, tvChip = 0, slot = 0, bios[2] = {0, 0}, date[3] = {0, 0, 0}, mem = 0, caps[32] = {};
    int major = 0, minor = 0;
    QEVGFX_GetType(&type);
    bool any = false;
    auto ok = [&](int rc) { any |= rc == 1; return rc == 1; };
    r.report.emplace_back("channel", type == 1 ? (RandR() ? "x-randr" : "x") : "framebuffer");
    bool chip = ok(QEVGFX_Info_GetChipID(&id));
    r.report.emplace_back("chip", chip ? Value(Hex(unsigned(id))) : Value());
    r.report.emplace_back("chip_name", chip ? Value(ChipName(id)) : Value());
    r.report.emplace_back("bios_version", ok(QEVGFX_Info_GetBiosVersion(bios))
                                              ? Value(std::to_string(bios[0]) + "." + std::to_string(bios[1]))
                                              : Value());
    r.report.emplace_back("bios_date", ok(QEVGFX_Info_GetBiosDate(date)) ? Value(Array{date[0], date[1], date[2]})
                                                                         : Value());
    r.report.emplace_back("video_memory_mb", ok(QEVGFX_Info_GetVideoMemSize(&mem)) ? Value(mem) : Value());
    r.report.emplace_back("tv_chip", ok(QEVGFX_Info_GetTVChipID(&tvChip)) ? Value(Hex(unsigned(tvChip))) : Value());
    r.report.emplace_back("tv_chip_slot", ok(QEVGFX_Info_GetTVChipOnSlot(&slot)) ? Value(slot) : Value());
    r.report.emplace_back("function_caps", ok(QEVGFX_Info_GetFunctionCaps(caps)) ? Value(Hex(unsigned(caps[0])))
                                                                                 : Value());
    r.report.emplace_back("api_version", ok(QEVGFX_Info_GetUtilityAPIVersion(&major, &minor))
                                             ? Value(std::to_string(major) + "." + std::to_string(minor))
                                             : Value());
    Array drivers;
    for (int component = 1; component <= 4; ++component) {
        char name[QEVGFX_DRIVER_NAME_SIZE] = {};
        int version[5] = {};
        if (!ok(QEVGFX_Info_GetDriverName(component, name)))
            continue;
        name[QEVGFX_DRIVER_NAME_SIZE - 1] = '\0';
        Array v;
        if (QEVGFX_Info_GetDriverVersion(component, version))
            v = Array{version[0], version[1], version[2], version[3]};
        drivers.emplace_back(Object{{"component", component}, {"name", std::string(name)}, {"version", v}});
    }
    r.report.emplace_back("drivers", drivers);
    if (!any)
        return Failed("the adapter answered none of the information queries");
    return r;
}

Result Outputs(const Invocation &) {
    Result r;
    unsigned supported = 0, connected = 0, active = 0, primary = 0;
    int mode = 0;
    if (!QEVGFX_Device_GetSupportCaps(&supported))
        return Failed("the adapter did not report its outputs");
    QEVGFX_Device_GetConnectState(&connected);
    QEVGFX_Device_GetActiveState(&active);
    QEVGFX_Device_GetDisplayMode(&mode);
    bool hasPrimary = QEVGFX_Device_GetPrimaryDevice(&primary);
    r.report.emplace_back("supported", Names(supported));
    r.report.emplace_back("connected", Names(connected));
    r.report.emplace_back("active", Names(active));
    r.report.emplace_back("display_mode", mode == QEV_DISPLAY_SINGLE  ? "single"
                                          : mode == QEV_DISPLAY_CLONE ? "clone"
                                          : mode == QEV_DISPLAY_SAMM  ? "samm"
                                                                      : "");
    r.report.emplace_back("primary", hasPrimary ? Value(OutputName(primary)) : Value());
    r.report.emplace_back("randr", RandR());
    if (!RandR())
        return r;
    Array list;
    for (const std::string &name : OutputNames(supported & ~unsigned(QEV_OUT_HDTV | QEV_OUT_HDTV2))) {
        unsigned bit = *ParseOutput(name);
        RRModeEntry current{};
        bool hasCurrent = QEVGFX_DISPLAY_GetDevCurMode(bit, &current) && current.name != nullptr;
        int count = 0;
        RRModeEntry *modes = nullptr;
        Array modeList;
        if (QEVGFX_DISPLAY_GetDevSupportMode(bit, &count, &modes)) {
            for (int i = 0; i < count; ++i) {
                char text[64];
                std::snprintf(text, sizeof text, "%ux%u@%.2f", modes[i].width, modes[i].height,
                              double(modes[i].refresh));
                bool isCurrent = hasCurrent && modes[i].width == current.width &&
                                 modes[i].height == current.height && std::string(modes[i].name) == current.name &&
                                 std::abs(modes[i].refresh - current.refresh) < 0.01f;
                modeList.emplace_back(std::string(text) + (isCurrent ? "*" : ""));
            }
            rrFreeModeEntries(modes, count);
        }
        std::string currentText;
        if (hasCurrent && current.width > 0)
            currentText = std::to_string(current.width) + "x" + std::to_string(current.height);
        std::free(current.name);
        int rotation = 0, x = 0, y = 0;
        bool hasRotation = QEVGFX_DISPLAY_GetDevCurRotation(bit, &rotation);
        bool hasPosition = rrGetDevCurPosition(bit, &x, &y);
        list.emplace_back(Object{{"name", name},
                                 {"connected", (connected & bit) != 0},
                                 {"active", (active & bit) != 0},
                                 {"mode", currentText},
                                 {"rotation", hasRotation ? Value(RotationWord(rotation)) : Value()},
                                 {"position", hasPosition ? Value(Array{x, y}) : Value()},
                                 {"modes", modeList}});
    }
    r.report.emplace_back("outputs", list);
    return r;
}

// ---- changes of outputs ---------------------------------------------------

Result Activate(const Invocation &inv, bool check) {
    auto mask = ParseOutputList(inv.args[0]);
    if (!mask)
        return Usage("not a list of output names: '" + inv.args[0] + "'");
    if (check)
        return {};
    unsigned supported = 0;
    if (QEVGFX_Device_GetSupportCaps(&supported) && (*mask & ~supported))
        return Failed("the adapter has no output " + OutputNames(*mask & ~supported)[0]);
    if (!QEVGFX_Device_SetActiveState(*mask))
        return Failed("the adapter refused the active outputs");
    Result r;
    r.report.emplace_back("active", Names(*mask));
    return r;
}

Result ModeCmd(const Invocation &inv, bool check) {
    auto bit = ParseOutput(inv.args[0]);
    if (!bit)
        return Usage("unknown output '" + inv.args[0] + "'");
    auto mode = ParseMode(inv.args[1]);
    if (!mode)
        return Usage("not a mode WxH[@RATE]: '" + inv.args[1] + "'");
    if (check)
        return {};
    if (!RandR())
        return Failed("modes are set through RandR, which the server does not offer");
    int count = 0;
    RRModeEntry *modes = nullptr;
    QEVGFX_DISPLAY_GetDevSupportMode(*bit, &count, &modes);
    int found = -1;
    for (int i = 0; i < count && found < 0; ++i)
        if (modes[i].width == mode->width && modes[i].height == mode->height &&
            (mode->refresh == 0 || std::abs(double(modes[i].refresh) - mode->refresh) < 0.5))
            found = i;
    Result r;
    if (found < 0) {
        r = Failed(inv.args[0] + " has no mode " + inv.args[1]);
    } else if (!QEVGFX_DISPLAY_SetDevMode(*bit, modes[found].name, int(mode->width), int(mode->height),
                                          mode->refresh == 0 ? 0.0f : modes[found].refresh)) {
        r = Failed("the mode could not be set");
    } else {
        r.report = {{"output", inv.args[0]}, {"mode", std::string(modes[found].name)}};
    }
    rrFreeModeEntries(modes, count);
    return r;
}

Result Rotate(const Invocation &inv, bool check) {
    auto bit = ParseOutput(inv.args[0]);
    if (!bit)
        return Usage("unknown output '" + inv.args[0] + "'");
    auto degree = ParseRotation(inv.args[1]);
    if (!degree)
        return Usage("not a rotation (normal, left, right, inverted): '" + inv.args[1] + "'");
    if (check)
        return {};
    Result r;
    if (RandR()) {
        if (!QEVGFX_DISPLAY_SetDevRotationDeg(*bit, *degree))
            return Failed("the rotation could not be set");
        r.report = {{"output", inv.args[0]}, {"rotation", inv.args[1]}, {"restart_needed", false}};
        return r;
    }
    int type = 1, current = 0;
    QEVGFX_DISPLAY_GetRotateDegree(&type, &current);
    if (!QEVGFX_DISPLAY_SetRotateDegree(type == 2 ? 2 : 1, *degree))
        return Failed("the rotation could not be written to the X configuration");
    r.report = {{"output", inv.args[0]}, {"rotation", inv.args[1]}, {"restart_needed", true}};
    return r;
}

Result Scale(const Invocation &inv, bool check) {
    auto bit = ParseOutput(inv.args[0]);
    if (!bit)
        return Usage("unknown output '" + inv.args[0] + "'");
    auto h = ParseReal(inv.args[1], 0.1, 10.0), v = ParseReal(inv.args[2], 0.1, 10.0);
    if (!h || !v)
        return Usage("scale factors are numbers from 0.1 to 10");
    if (check)
        return {};
    if (!RandR())
        return Failed("scaling is done through RandR, which the server does not offer");
    if (!QEVGFX_DISPLAY_SetScale(*bit, *h, *v))
        return Failed("the scale could not be set");
    Result r;
    r.report = {{"output", inv.args[0]}, {"scale", Array{*h, *v}}};
    return r;
}

// ---- gamma ----------------------------------------------------------------

Value Table(const unsigned short t[256], bool full) {
    Array a;
    for (int i = 0; i < 256; ++i)
        if (full || i % 64 == 0 || i == 255) // text: a few entries
            a.emplace_back(int(t[i]));
    return a;
}

Result Gamma(const Invocation &inv, bool check) {
    const std::string action = inv.args.empty() ? "show" : inv.args[0];
    if (action != "show" && action != "set" && action != "reset")
        return Usage("gamma takes show, set or reset");
    if (action != "set" && !inv.opts.empty())
        return Usage("gamma " + action + " takes no options");
    int channels = 7;
    float params[3] = {1.0f, 1.0f, 1.0f};
    if (auto c = inv.opts.find("channel"); c != inv.opts.end()) {
        auto i = ParseWord(c->second, {"all", "red", "green", "blue"});
        if (!i)
            return Usage("--channel is all, red, green or blue");
        channels = *i == 0 ? 7 : 1 << (*i - 1);
    }
    const char *names[3] = {"gamma", "brightness", "contrast"};
    for (int k = 0; k < 3; ++k) {
        if (auto o = inv.opts.find(names[k]); o != inv.opts.end()) {
            auto v = ParseReal(o->second, 0.1, 2.0);
            if (!v)
                return Usage(std::string("--") + names[k] + " is a number from 0.1 to 2.0");
            params[k] = float(*v);
        }
    }
    if (check)
        return {};
    int supported = 0;
    if (!QEVGFX_GAMMA_GetDeviceSupportState(&supported))
        return Failed("the adapter did not say whether it has a gamma table");
    Result r;
    unsigned short rgb[3][256];
    bool read = QEVGFX_GAMMA_GetLookUpTable(rgb[0], rgb[1], rgb[2]);
    if (!read) // the framebuffer channel cannot read the table: start from the identity
        for (auto &ch : rgb)
            for (int i = 0; i < 256; ++i)
                ch[i] = static_cast<unsigned short>(i);
    if (action == "show") {
        if (!read)
            return Failed("the gamma table cannot be read on this channel");
        r.report = {{"supported", supported != 0},
                    {"red", Table(rgb[0], inv.json)},
                    {"green", Table(rgb[1], inv.json)},
                    {"blue", Table(rgb[2], inv.json)}};
        return r;
    }
    if (!supported)
        return Failed("the adapter has no gamma table");
    for (int c = 0; c < 3; ++c) {
        if (action == "reset")
            for (int i = 0; i < 256; ++i)
                rgb[c][i] = static_cast<unsigned short>(i);
        else if (channels & (1 << c))
            CalcOneRamp(rgb[c], params[0], params[1], params[2]);
    }
    if (!QEVGFX_GAMMA_SetLookUpTable(rgb[0], rgb[1], rgb[2]))
        return Failed("the adapter refused the gamma table");
    r.report = {{"red", Table(rgb[0], inv.json)}, {"green", Table(rgb[1], inv.json)},
                {"blue", Table(rgb[2], inv.json)}};
    return r;
}

// ---- TV, panel, overlay ---------------------------------------------------

const std::vector<std::string_view> kStandards = {"NTSC", "PAL", "480P", "576P", "720P", "1080I", "1080P"};
const std::vector<std::string_view> kSignals = {"composite", "svideo", "rgb", "ycbcr"};
const std::vector<std::string_view> kTuning = {"ffmode", "afflevel", "brightness", "contrast", "saturation", "tint"};
const std::vector<std::string_view> kSettings = {"ff", "aff", "dotcrawl", "aspect"};

Value Words(unsigned mask, const std::vector<std::string_view> &words) {
    Array a;
    for (size_t i = 0; i < words.size(); ++i)
        if (mask & (1u << i))
            a.emplace_back(std::string(words[i]));
    return a;
}

// "ITEM=VALUE" with ITEM one of words: its bit and the value text.
std::optional<std::pair<unsigned, std::string>> ItemValue(const std::string &text,
                                                          const std::vector<std::string_view> &words) {
    size_t eq = text.find('=');
    if (eq == std::string::npos)
        return std::nullopt;
    auto i = ParseWord(std::string_view(text).substr(0, eq), words);
    if (!i)
        return std::nullopt;
    return std::make_pair(1u << *i, text.substr(eq + 1));
}

std::optional<std::string> Opt(const Invocation &inv, const char *name) {
    auto o = inv.opts.find(name);
    return o == inv.opts.end() ? std::nullopt : std::optional<std::string>(o->second);
}

Result Tv(const Invocation &inv, bool check) {
    auto tv = ParseOutput(inv.args[0]);
    if (!tv || !(*tv & (QEV_OUT_TV | QEV_OUT_TV2 | QEV_OUT_HDTV | QEV_OUT_HDTV2)))
        return Usage("not a TV output (TV, TV-2, HDTV, HDTV-2): '" + inv.args[0] + "'");
    std::optional<int> standard, signal;
    std::optional<std::pair<int, int>> position, size;
    std::optional<std::pair<unsigned, std::string>> tuning, setting;
    std::optional<long> tuningValue;
    int settingState = 0;
    if (auto s = Opt(inv, "standard"); s && !(standard = ParseWord(*s, kStandards)))
        return Usage("unknown TV standard '" + *s + "'");
    if (auto s = Opt(inv, "signal"); s && !(signal = ParseWord(*s, kSignals)))
        return Usage("unknown TV signal '" + *s + "'");
    if (auto s = Opt(inv, "position"); s && !(position = ParsePair(*s, 0, 65535)))
        return Usage("--position is H,V");
    if (auto s = Opt(inv, "size"); s && !(size = ParsePair(*s, 0, 65535)))
        return Usage("--size is H,V");
    if (auto s = Opt(inv, "tuning")) {
        tuning = ItemValue(*s, kTuning);
        if (!tuning || !(tuningValue = ParseInt(tuning->second, 0, 65535)))
            return Usage("--tuning is ITEM=N");
    }
    if (auto s = Opt(inv, "setting")) {
        setting = ItemValue(*s, kSettings);
        if (!setting || (setting->second != "on" && setting->second != "off"))
            return Usage("--setting is ITEM=on|off");
        settingState = setting->second == "on";
    }
    if (check)
        return {};
    unsigned stdMask = 0, sigMask = 0, tuningCaps = 0, settingCaps = 0;
    QEVGFX_TV_GetSupportStandard(*tv, &stdMask);
    QEVGFX_TV_GetSupportSignalType(*tv, &sigMask);
    QEVGFX_TV_GetSupportTuningCaps(*tv, &tuningCaps);
    QEVGFX_TV_GetSupportSettingCaps(*tv, &settingCaps);
    int maxSize[2] = {0, 0}, maxPos[2] = {0, 0};
    bool hasMaxSize = QEVGFX_TV_GetMaxViewSize(*tv, maxSize), hasMaxPos = QEVGFX_TV_GetMaxViewPosition(*tv, maxPos);
    // Values the adapter does not offer are refused before anything is sent.
    if (standard && !(stdMask & (1u << *standard)))
        return Usage(inv.args[0] + " does not offer the standard " + std::string(kStandards[size_t(*standard)]));
    if (signal && !(sigMask & (1u << *signal)))
        return Usage(inv.args[0] + " does not offer the signal " + std::string(kSignals[size_t(*signal)]));
    if (size && hasMaxSize && (size->first > maxSize[0] || size->second > maxSize[1]))
        return Usage("--size is beyond " + std::to_string(maxSize[0]) + "," + std::to_string(maxSize[1]));
    if (position && hasMaxPos && (position->first > maxPos[0] || position->second > maxPos[1]))
        return Usage("--position is beyond " + std::to_string(maxPos[0]) + "," + std::to_string(maxPos[1]));
    if (tuning) {
        int max = 0;
        if (!(tuningCaps & tuning->first))
            return Usage(inv.args[0] + " does not offer that tuning item");
        if (QEVGFX_TV_GetTuningItemMaxValue(*tv, tuning->first, &max) && *tuningValue > max)
            return Usage("--tuning value is beyond " + std::to_string(max));
    }
    if (setting && !(settingCaps & setting->first))
        return Usage(inv.args[0] + " does not offer that setting item");

    if (standard && !QEVGFX_TV_SetStandard(*tv, 1u << *standard))
        return Failed("the adapter refused the TV standard");
    if (signal && !QEVGFX_TV_SetSignalType(*tv, 1u << *signal))
        return Failed("the adapter refused the TV signal");
    if (size && !QEVGFX_TV_SetViewSize(*tv, size->first, size->second))
        return Failed("the adapter refused the TV view size");
    if (position && !QEVGFX_TV_SetViewPosition(*tv, position->first, position->second))
        return Failed("the adapter refused the TV view position");
    if (tuning && !QEVGFX_TV_SetTuningItemValue(*tv, tuning->first, int(*tuningValue)))
        return Failed("the adapter refused the tuning value");
    if (setting && !QEVGFX_TV_SetSettingItemState(*tv, setting->first, settingState))
        return Failed("the adapter refused the setting");

    Result r;
    unsigned cur = 0, sig = 0;
    int view[2] = {0, 0}, pos[2] = {0, 0};
    bool hasStd = QEVGFX_TV_GetStandard(*tv, &cur), hasSig = QEVGFX_TV_GetSignalType(*tv, &sig);
    bool hasView = QEVGFX_TV_GetViewSize(*tv, view), hasPos = QEVGFX_TV_GetViewPosition(*tv, pos);
    Object tuningValues, settingValues;
    for (size_t i = 0; i < kTuning.size(); ++i) {
        int v = 0;
        if ((tuningCaps & (1u << i)) && QEVGFX_TV_GetTuningItemValue(*tv, 1u << i, &v))
            tuningValues.emplace_back(std::string(kTuning[i]), v);
    }
    for (size_t i = 0; i < kSettings.size(); ++i) {
        int v = 0;
        if ((settingCaps & (1u << i)) && QEVGFX_TV_GetSettingItemState(*tv, 1u << i, &v))
            settingValues.emplace_back(std::string(kSettings[i]), v != 0);
    }
    std::string curName;
    for (size_t i = 0; i < kStandards.size(); ++i)
        if (cur == (1u << i))
            curName = kStandards[i];
    r.report = {{"output", inv.args[0]},
                {"standard", hasStd ? Value(curName) : Value()},
                {"standards", Words(stdMask, kStandards)},
                {"signal", hasSig ? Words(sig, kSignals) : Value()},
                {"signals", Words(sigMask, kSignals)},
                {"size", Pair(hasView, view)},
                {"max_size", Pair(hasMaxSize, maxSize)},
                {"position", Pair(hasPos, pos)},
                {"max_position", Pair(hasMaxPos, maxPos)},
                {"tuning", tuningValues},
                {"settings", settingValues}};
    return r;
}

Result Panel(const Invocation &inv, bool check) {
    std::string name = inv.args.empty() ? "LCD" : inv.args[0];
    auto panel = ParseOutput(name);
    if (!panel)
        return Usage("unknown output '" + name + "'");
    std::optional<int> expand;
    std::optional<std::pair<int, int>> size, position;
    if (auto s = Opt(inv, "expand"); s && !(expand = ParseWord(*s, {"expand", "center"})))
        return Usage("--expand is expand or center");
    if (auto s = Opt(inv, "size"); s && !(size = ParsePair(*s, 0, 65535)))
        return Usage("--size is H,V");
    if (auto s = Opt(inv, "position"); s && !(position = ParsePair(*s, 0, 65535)))
        return Usage("--position is H,V");
    if (check)
        return {};
    int maxSize[2] = {0, 0}, maxPos[2] = {0, 0}, canExpand = 0;
    bool hasMaxSize = QEVGFX_Panel_GetMaxViewSize(*panel, maxSize);
    bool hasMaxPos = QEVGFX_Panel_GetMaxViewPosition(*panel, maxPos);
    bool hasCanExpand = QEVGFX_Panel_GetSupportExpandState(*panel, &canExpand);
    if (expand && hasCanExpand && !canExpand)
        return Usage(name + " does not offer expansion");
    if (size && hasMaxSize && (size->first > maxSize[0] || size->second > maxSize[1]))
        return Usage("--size is beyond " + std::to_string(maxSize[0]) + "," + std::to_string(maxSize[1]));
    if (position && hasMaxPos && (position->first > maxPos[0] || position->second > maxPos[1]))
        return Usage("--position is beyond " + std::to_string(maxPos[0]) + "," + std::to_string(maxPos[1]));
    if (expand && !QEVGFX_Panel_SetExpandState(*panel, *expand))
        return Failed("the adapter refused the expansion");
    if (size && !QEVGFX_Panel_SetViewSize(*panel, size->first, size->second))
        return Failed("the adapter refused the view size");
    if (position && !QEVGFX_Panel_SetViewPosition(*panel, position->first, position->second))
        return Failed("the adapter refused the view position");
    int state = 0, view[2] = {0, 0}, pos[2] = {0, 0};
    bool hasState = QEVGFX_Panel_GetExpandState(*panel, &state);
    bool hasView = QEVGFX_Panel_GetViewSize(*panel, view), hasPos = QEVGFX_Panel_GetViewPosition(*panel, pos);
    Result r;
    r.report = {{"output", name},
                {"expansion_supported", hasCanExpand ? Value(canExpand != 0) : Value()},
                {"expansion", hasState ? Value(state == 0 ? "expand" : "center") : Value()},
                {"size", Pair(hasView, view)},
                {"max_size", Pair(hasMaxSize, maxSize)},
                {"position", Pair(hasPos, pos)},
                {"max_position", Pair(hasMaxPos, maxPos)}};
    return r;
}

Result Overlay(const Invocation &inv, bool check) {
    const char *names[4] = {"hue", "saturation", "brightness", "contrast"};
    std::optional<long> values[4];
    for (int i = 0; i < 4; ++i)
        if (auto s = Opt(inv, names[i]); s && !(values[i] = ParseInt(*s, 0, 255)))
            return Usage(std::string("--") + names[i] + " is a whole number from 0 to 255");
    if (check)
        return {};
    QEVGFX_Overlay_InitializeAttribute();
    int caps = 0;
    QEVGFX_Overlay_GetSupportAttributeCaps(&caps);
    for (int i = 0; i < 4; ++i)
        if (values[i] && !(caps & (1 << i)))
            return Failed(std::string("the overlay does not offer ") + names[i]);
    for (int i = 0; i < 4; ++i)
        if (values[i] && !QEVGFX_Overlay_SetAttribute(i, int(*values[i])))
            return Failed(std::string("the adapter refused the ") + names[i]);
    Result r;
    for (int i = 0; i < 4; ++i) {
        int v = 0;
        bool offered = caps & (1 << i);
        r.report.emplace_back(names[i], offered && QEVGFX_Overlay_GetAttribute(i, &v) ? Value(v) : Value());
    }
    r.report.emplace_back("overlay_shown", QEVGFX_Overlay_IsOverlayOpened() == 1);
    return r;
}

// ---- multi-screen and clone -----------------------------------------------

Result Samm(const Invocation &inv, bool check) {
    const std::string &action = inv.args[0];
    std::optional<unsigned> primary, secondary;
    std::optional<int> position;
    if (action == "enable") {
        if (inv.args.size() != 4)
            return Usage("usage: qevgfx samm enable PRIMARY SECONDARY right|left|above|below");
        primary = ParseOutput(inv.args[1]);
        secondary = ParseOutput(inv.args[2]);
        position = ParsePosition(inv.args[3]);
        if (!primary || !secondary || *primary == *secondary)
            return Usage("samm enable takes two different outputs");
        if (!position)
            return Usage("the position is right, left, above or below");
    } else if (action == "disable" || action == "layout") {
        if (inv.args.size() != 1)
            return Usage("samm " + action + " takes nothing more");
    } else {
        return Usage("samm takes enable, disable or layout");
    }
    if (check)
        return {};
    int layout[3] = {0, 0, 255};
    bool hasLayout = QEVGFX_SAMM_GetScreenLayout(layout);
    if (action == "enable" && !QEVGFX_SAMM_Enable(int(*primary), int(*secondary), *position))
        return Failed("the multi-screen layout could not be made");
    if (action == "disable" && !QEVGFX_SAMM_Disable(layout[0], layout[1], layout[2]))
        return Failed("the multi-screen layout could not be undone");
    Result r;
    if (action == "layout") {
        if (!hasLayout)
            return Failed("the adapter did not report a layout");
        static const char *kPos[] = {"right", "left", "above", "below"};
        r.report = {{"primary", OutputName(unsigned(layout[0]))},
                    {"secondary", OutputName(unsigned(layout[1]))},
                    {"position", layout[2] >= 0 && layout[2] < 4 ? Value(kPos[layout[2]]) : Value()}};
    } else {
        r.report = {{"samm", action == "enable"}, {"restart_needed", !RandR()}};
    }
    return r;
}

Result Clone(const Invocation &inv, bool check) {
    if (inv.args[0] != "video")
        return Usage("usage: qevgfx clone video [OUTPUT]");
    std::optional<unsigned> output;
    if (inv.args.size() == 2 && !(output = ParseOutput(inv.args[1])))
        return Usage("unknown output '" + inv.args[1] + "'");
    if (check)
        return {};
    if (output && !QEVGFX_Gemel_SetVideoOutputDevice(int(*output)))
        return Failed("the video output could not be set");
    int current = 0, count = 0;
    bool hasCurrent = QEVGFX_Gemel_GetVideoOutputDevice(&current);
    bool hasCount = QEVGFX_Gemel_GetMaxVideoOutput(&count);
    if (!output && !hasCurrent)
        return Failed("the adapter did not report the video output");
    Result r;
    r.report = {{"video_output", hasCurrent ? Value(OutputName(unsigned(current))) : Value()},
                {"video_outputs_max", hasCount ? Value(count) : Value()}};
    return r;
}

using Handler = Result (*)(const Invocation &, bool check);
struct Entry {
    const char *name;
    Handler run;
};
Result InfoH(const Invocation &i, bool check) { return check ? Result{} : Info(i); }
Result OutputsH(const Invocation &i, bool check) { return check ? Result{} : Outputs(i); }
const Entry kHandlers[] = {{"info", InfoH},      {"outputs", OutputsH}, {"activate", Activate}, {"mode", ModeCmd},
                           {"rotate", Rotate},   {"scale", Scale},      {"gamma", Gamma},       {"tv", Tv},
                           {"panel", Panel},     {"overlay", Overlay},  {"samm", Samm},         {"clone", Clone}};

std::string Help(const CommandInfo *info) {
    if (info != nullptr)
        return "usage: qevgfx [--json] " + std::string(info->usage) + "\n\n" + std::string(info->help) + "\n";
    std::string text = "usage: qevgfx [--json] COMMAND [ARGS...]\n       qevgfx COMMAND --help\n\nCommands:\n";
    for (const CommandInfo &c : Commands())
        text += "  " + std::string(c.usage.substr(0, c.usage.find('\n'))) + "\n";
    text += "\nExit status: 0 success, 1 the adapter refused or the operation failed, 2 usage error.\n";
    return text;
}

} // namespace

int Main(const std::vector<std::string> &words) {
    std::string error;
    std::optional<Invocation> inv = ParseCommandLine(words, &error);
    if (!inv) {
        std::fprintf(stderr, "qevgfx: %s\n", error.c_str());
        return EXIT_USAGE;
    }
    if (inv->help) {
        std::fputs(Help(FindCommand(inv->command)).c_str(), stdout);
        return EXIT_OK;
    }
    Handler handler = nullptr;
    for (const Entry &e : kHandlers)
        if (inv->command == e.name)
            handler = e.run;
    Result r = handler(*inv, true);
    if (r.status == EXIT_OK) {
        if (std::string why = OpenSession(); !why.empty())
            r = Failed(why);
        else
            r = handler(*inv, false);
        QEVGFX_Close();
    }
    if (r.status != EXIT_OK) {
        std::fprintf(stderr, "qevgfx: %s\n", r.message.c_str());
        return r.status;
    }
    std::string out = inv->json ? ToJson(Value(r.report)) + "\n" : ToText(r.report);
    std::fputs(out.c_str(), stdout);
    return EXIT_OK;
}

} // namespace qevcli

int main(int argc, char *argv[]) {
    std::vector<std::string> words(argv + 1, argv + argc);
    return qevcli::Main(words);
}
