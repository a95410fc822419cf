#include "args.h"

#include <charconv>
#include <cmath>

#include "qev/outputs.h"

namespace qevcli {

namespace {

struct NamedBit {
    std::string_view name;
    unsigned bit;
};

#define QEV_CLI_ROW_(name, bit) {name, bit},
// The RandR outputs, then the HDTV outputs the TV family addresses.
constexpr NamedBit kOutputs[] = {QEV_RANDR_OUTPUT_TABLE(QEV_CLI_ROW_){"HDTV", QEV_OUT_HDTV},
                                 {"HDTV-2", QEV_OUT_HDTV2}};
#undef QEV_CLI_ROW_

bool AllDigits(std::string_view s) {
    if (s.empty())
        return false;
    for (char c : s)
        if (c < '0' || c > '9')
            return false;
    return true;
}

} // namespace

std::optional<unsigned> ParseOutput(std::string_view name) {
    for (const NamedBit &o : kOutputs)
        if (o.name == name)
            return o.bit;
    return std::nullopt;
}

std::optional<unsigned> ParseOutputList(std::string_view list) {
    unsigned mask = 0;
    for (;;) {
        size_t comma = list.find(',');
        std::optional<unsigned> bit = ParseOutput(list.substr(0, comma));
        if (!bit || (mask & *bit))
            return std::nullopt;
        mask |= *bit;
        if (comma == std::string_view::npos)
            return mask;
        list.remove_prefix(comma + 1);
    }
}

std::string OutputName(unsigned bit) {
    for (const NamedBit &o : kOutputs)
        if (o.bit == bit)
            return std::string(o.name);
    return {};
}

std::vector<std::string> OutputNames(unsigned mask) {
    std::vector<std::string> names;
    for (const NamedBit &o : kOutputs)
        if (mask & o.bit)
            names.emplace_back(o.name);
    return names;
}

std::optional<long> ParseInt(std::string_view text, long lo, long hi) {
    std::string_view digits = text;
    if (!digits.empty() && digits.front() == '-')
        digits.remove_prefix(1);
    if (!AllDigits(digits) || digits.size() > 9)
        return std::nullopt;
    long v = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size() || v < lo || v > hi)
        return std::nullopt;
    return v;
}

std::optional<double> ParseReal(std::string_view text, double lo, double hi) {
    size_t dot = text.find('.');
    std::string_view whole = text.substr(0, dot);
    if (!AllDigits(whole) || whole.size() > 6)
        return std::nullopt;
    if (dot != std::string_view::npos) {
        std::string_view frac = text.substr(dot + 1);
        if (!AllDigits(frac) || frac.size() > 6)
            return std::nullopt;
    }
    double v = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v, std::chars_format::fixed);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(v) || v < lo || v > hi)
        return std::nullopt;
    return v;
}

std::optional<std::pair<int, int>> ParsePair(std::string_view text, int lo, int hi) {
    size_t comma = text.find(',');
    if (comma == std::string_view::npos)
        return std::nullopt;
    auto h = ParseInt(text.substr(0, comma), lo, hi);
    auto v = ParseInt(text.substr(comma + 1), lo, hi);
    if (!h || !v)
        return std::nullopt;
    return std::make_pair(int(*h), int(*v));
}

std::optional<Mode> ParseMode(std::string_view text) {
    Mode m;
    size_t at = text.find('@');
    std::string_view size = text.substr(0, at);
    size_t x = size.find('x');
    if (x == std::string_view::npos)
        return std::nullopt;
    auto w = ParseInt(size.substr(0, x), 1, 16384);
    auto h = ParseInt(size.substr(x + 1), 1, 16384);
    if (!w || !h || size[0] == '-' || size[x + 1] == '-')
        return std::nullopt;
    m.width = unsigned(*w);
    m.height = unsigned(*h);
    if (at != std::string_view::npos) {
        auto r = ParseReal(text.substr(at + 1), 0.0, 1000.0);
        if (!r || *r <= 0.0)
            return std::nullopt;
        m.refresh = *r;
    }
    return m;
}

std::optional<int> ParseWord(std::string_view word, const std::vector<std::string_view> &words) {
    for (size_t i = 0; i < words.size(); ++i)
        if (words[i] == word)
            return int(i);
    return std::nullopt;
}

std::optional<int> ParseRotation(std::string_view word) {
    static const std::vector<std::string_view> kWords = {"normal", "left", "inverted", "right"};
    static const int kBits[] = {1, 2, 4, 8};
    auto i = ParseWord(word, kWords);
    return i ? std::optional<int>(kBits[*i]) : std::nullopt;
}

std::optional<int> ParsePosition(std::string_view word) {
    return ParseWord(word, {"right", "left", "above", "below"});
}

const std::vector<CommandInfo> &Commands() {
    static const std::vector<CommandInfo> kCommands = {
        {"info", {}, 0, 0, "info", "Chip, BIOS version and date, video memory, drivers and capabilities."},
        {"outputs", {}, 0, 0, "outputs",
         "Supported, connected and active outputs, the display mode and the primary output; with RandR, per\n"
         "output its modes (the current one marked with *), rotation and position."},
        {"activate", {}, 1, 1, "activate OUTPUT[,OUTPUT]", "Makes exactly these outputs active."},
        {"mode", {}, 2, 2, "mode OUTPUT WxH[@RATE]", "Sets one of the output's modes (RandR)."},
        {"rotate", {}, 2, 2, "rotate OUTPUT normal|left|right|inverted",
         "Rotates the output (RandR); without RandR the rotation is written to the X configuration\n"
         "and takes effect when the X server restarts."},
        {"scale", {}, 3, 3, "scale OUTPUT H V", "Scales the output's picture by H and V (0.1 to 10, RandR)."},
        {"gamma",
         {"channel", "gamma", "brightness", "contrast"},
         0,
         1,
         "gamma [show | set [--channel all|red|green|blue] [--gamma G] [--brightness B] [--contrast C] | reset]",
         "Shows the gamma lookup table, sets the ramps of the chosen channels (values 0.1 to 2.0, 1.0\n"
         "when not given; other channels keep their ramps), or puts the identity table back."},
        {"tv",
         {"standard", "signal", "position", "size", "tuning", "setting"},
         1,
         1,
         "tv OUTPUT [--standard NAME] [--signal NAME] [--position H,V] [--size H,V] [--tuning ITEM=N]\n"
         "          [--setting ITEM=on|off]",
         "Shows the TV encoder's state for TV, TV-2, HDTV or HDTV-2, or changes it. Standards: NTSC PAL\n"
         "480P 576P 720P 1080I 1080P; signals: composite svideo rgb ycbcr; tuning items: ffmode afflevel\n"
         "brightness contrast saturation tint; setting items: ff aff dotcrawl aspect."},
        {"panel",
         {"expand", "size", "position"},
         0,
         1,
         "panel [OUTPUT] [--expand expand|center] [--size H,V] [--position H,V]",
         "Shows or changes the flat panel's expansion, view size and position (LCD when not named)."},
        {"overlay",
         {"hue", "saturation", "brightness", "contrast"},
         0,
         0,
         "overlay [--hue N] [--saturation N] [--brightness N] [--contrast N]",
         "Shows or changes the video overlay's colour attributes (0 to 255, 128 the driver's default)."},
        {"samm", {}, 1, 4, "samm enable PRIMARY SECONDARY right|left|above|below | samm disable | samm layout",
         "Turns the multi-screen layout on or off, or shows it."},
        {"clone", {}, 1, 2, "clone video [OUTPUT]",
         "Shows or sets the output of the clone pair that shows the video overlay."},
    };
    return kCommands;
}

const CommandInfo *FindCommand(std::string_view name) {
    for (const CommandInfo &c : Commands())
        if (c.name == name)
            return &c;
    return nullptr;
}

std::optional<Invocation> ParseCommandLine(const std::vector<std::string> &words, std::string *error) {
    Invocation inv;
    const CommandInfo *info = nullptr;
    bool endOfOptions = false;
    for (size_t i = 0; i < words.size(); ++i) {
        std::string_view w = words[i];
        if (!endOfOptions && w == "--") {
            endOfOptions = true;
            continue;
        }
        if (!endOfOptions && w.size() > 2 && w.substr(0, 2) == "--") {
            std::string_view name = w.substr(2);
            std::optional<std::string_view> value;
            if (size_t eq = name.find('='); eq != std::string_view::npos) {
                value = name.substr(eq + 1);
                name = name.substr(0, eq);
            }
            if (name == "json" || name == "help") {
                if (value) {
                    *error = "--" + std::string(name) + " takes no value";
                    return std::nullopt;
                }
                (name == "json" ? inv.json : inv.help) = true;
                continue;
            }
            if (info == nullptr || !ParseWord(name, info->options)) {
                *error = "unknown option --" + std::string(name);
                return std::nullopt;
            }
            if (!value) {
                if (i + 1 >= words.size()) {
                    *error = "--" + std::string(name) + " needs a value";
                    return std::nullopt;
                }
                value = words[++i];
            }
            if (!inv.opts.emplace(std::string(name), std::string(*value)).second) {
                *error = "--" + std::string(name) + " given twice";
                return std::nullopt;
            }
            continue;
        }
        if (info == nullptr) {
            info = FindCommand(w);
            if (info == nullptr) {
                *error = "unknown command '" + std::string(w) + "'";
                return std::nullopt;
            }
            inv.command = std::string(w);
            continue;
        }
        inv.args.emplace_back(w);
    }
    if (inv.help)
        return inv;
    if (info == nullptr) {
        *error = "no command given";
        return std::nullopt;
    }
    if (int(inv.args.size()) < info->minArgs || int(inv.args.size()) > info->maxArgs) {
        *error = "usage: qevgfx " + std::string(info->usage.substr(0, info->usage.find('\n')));
        return std::nullopt;
    }
    return inv;
}

} // namespace qevcli
