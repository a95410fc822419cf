// Profile files (key=value lines), single keys and the xorg.conf Device options.
#include <bit>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

#include "model_internal.h"
#include "qev/family.h"

namespace qevsim {

std::string trim(const std::string &s) {
    size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos)
        return "";
    size_t e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

std::string lower(std::string s) {
    for (auto &c : s)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

void set_error(char *err, size_t errlen, const std::string &msg) {
    if (!err || errlen == 0)
        return;
    size_t n = std::min(msg.size(), errlen - 1);
    std::memcpy(err, msg.data(), n);
    err[n] = '\0';
}

namespace {

using Handler = std::function<std::string(State &, const std::string &)>;

std::vector<std::string> split(const std::string &v, char sep) {
    std::vector<std::string> out;
    std::string item;
    std::istringstream in(v);
    while (std::getline(in, item, sep))
        out.push_back(trim(item));
    if (!v.empty() && v.back() == sep)
        out.push_back("");
    return out;
}

bool parse_long(const std::string &text, long long *out) {
    std::string t = trim(text);
    if (t.empty())
        return false;
    errno = 0;
    char *end = nullptr;
    long long v = std::strtoll(t.c_str(), &end, 0);
    if (errno || *end)
        return false;
    *out = v;
    return true;
}

bool parse_int(const std::string &text, long long lo, long long hi, int32_t *out) {
    long long v;
    if (!parse_long(text, &v) || v < lo || v > hi)
        return false;
    *out = int32_t(v);
    return true;
}

std::string range_reason(long long lo, long long hi) {
    return "bad value: expected an integer " + std::to_string(lo) + ".." + std::to_string(hi);
}

// "a,b,c": exactly n integers in lo..hi.
std::string parse_ints(const std::string &v, int n, long long lo, long long hi, int32_t *out) {
    auto parts = split(v, ',');
    std::string want = "bad value: expected " + std::to_string(n) + " comma-separated integers " +
                       std::to_string(lo) + ".." + std::to_string(hi);
    if (int(parts.size()) != n)
        return want;
    for (int i = 0; i < n; i++)
        if (!parse_int(parts[i], lo, hi, &out[i]))
            return want;
    return "";
}

bool parse_bool(const std::string &v, int32_t *out) {
    std::string l = lower(trim(v));
    if (l == "1" || l == "yes" || l == "on" || l == "true") {
        *out = 1;
        return true;
    }
    if (l == "0" || l == "no" || l == "off" || l == "false") {
        *out = 0;
        return true;
    }
    return false;
}

struct Named {
    const char *name;
    uint32_t bit;
};
constexpr Named kStandards[] = {{"NTSC", QEV_TVSTD_NTSC},   {"PAL", QEV_TVSTD_PAL},     {"480P", QEV_TVSTD_480P},
                                {"576P", QEV_TVSTD_576P},   {"720P", QEV_TVSTD_720P},   {"1080I", QEV_TVSTD_1080I},
                                {"1080P", QEV_TVSTD_1080P}};
// Signal types: the four single connectors and the connector combinations
// the control panel knows.
constexpr Named kSignals[] = {{"Composite", 0x1},  {"SVideo", 0x2},  {"S-Video", 0x2},   {"RGB", 0x4},
                              {"YCbCr", 0x8},      {"SVideoComposite", 0x10}, {"RGBSVideoComposite", 0x80},
                              {"YCbCrSC", 0x100}};
constexpr Named kTuningItems[] = {{"FFilter", 0x1},    {"AFFilterValue", 0x2}, {"Brightness", 0x4},
                                  {"Contrast", 0x8},   {"Saturation", 0x10},   {"Tint", 0x20}};
constexpr Named kXvAttributes[] = {{"Hue", 0x1}, {"Saturation", 0x2}, {"Brightness", 0x4}, {"Contrast", 0x8}};
constexpr Named kSettingItems[] = {{"FFilter", 0x1}, {"AFFilter", 0x2}, {"DotCrawl", 0x4}, {"Aspect", 0x8}};

template <size_t N>
bool lookup(const Named (&table)[N], const std::string &name, uint32_t *bit) {
    std::string l = lower(trim(name));
    for (const auto &n : table)
        if (l == lower(n.name)) {
            *bit = n.bit;
            return true;
        }
    return false;
}

// A mask: a number within `limit`, or names joined by ',' or '|' that `bit_of`
// turns into bits (0 for an unknown name); "none" is 0.
template <typename BitOf>
std::string parse_mask(const std::string &v, uint32_t limit, BitOf bit_of, const std::string &numeric_error,
                       const char *noun, uint32_t *out) {
    long long num;
    if (parse_long(v, &num)) {
        if (num < 0 || (uint64_t(num) & ~uint64_t(limit)))
            return numeric_error;
        *out = uint32_t(num);
        return "";
    }
    if (lower(trim(v)) == "none") {
        *out = 0;
        return "";
    }
    std::string norm = v;
    for (auto &c : norm)
        if (c == '|')
            c = ',';
    uint32_t m = 0;
    for (const auto &part : split(norm, ',')) {
        uint32_t bit = bit_of(part);
        if (!bit)
            return std::string("bad value: unknown ") + noun + " '" + part + "'";
        m |= bit;
    }
    *out = m;
    return "";
}

template <size_t N>
std::string parse_named_mask(const Named (&table)[N], const std::string &v, uint32_t limit, uint32_t *out) {
    auto bit_of = [&](const std::string &name) {
        uint32_t bit = 0;
        return lookup(table, name, &bit) ? bit : 0u;
    };
    return parse_mask(v, limit, bit_of, "bad value: mask has bits outside " + std::to_string(limit), "name", out);
}

std::string parse_outputs(const std::string &v, uint32_t *out) {
    auto bit_of = [](const std::string &name) { return uint32_t(bit_from_name(name)); };
    return parse_mask(v, QEV_OUT_ALL, bit_of, "bad value: not an output mask", "output", out);
}

struct ChipName {
    const char *name;
    uint32_t id;
};
constexpr ChipName kChips[] = {{"A100", QEV_CHIP_A100}, {"A110", QEV_CHIP_A110}, {"A120", QEV_CHIP_A120},
                               {"A200", QEV_CHIP_A200}, {"A210", QEV_CHIP_A210}, {"A220", QEV_CHIP_A220},
                               {"M300", QEV_CHIP_M300}, {"M310", QEV_CHIP_M310}, {"M400", QEV_CHIP_M400},
                               {"M410", QEV_CHIP_M410}, {"M500", QEV_CHIP_M500}, {"M500E", QEV_CHIP_M500E}};

std::string parse_size(const std::string &v, int *w, int *h) {
    auto x = lower(trim(v)).find('x');
    int32_t a, b;
    if (x == std::string::npos || !parse_int(v.substr(0, x), 1, 8192, &a) || !parse_int(v.substr(x + 1), 1, 8192, &b))
        return "bad value: expected WIDTHxHEIGHT";
    *w = a;
    *h = b;
    return "";
}

const char *kTvGroupKeys[kTvGroupCount] = {"tv", "hdtv", "tv2", "hdtv2"};

void add_tv_keys(std::map<std::string, Handler> &k) {
    for (int gi = 0; gi < kTvGroupCount; gi++) {
        std::string p = std::string("tv.") + kTvGroupKeys[gi] + ".";
        auto grp = [gi](State &s) -> TvGroup & { return s.tv[gi]; };
        k[p + "standards"] = [grp](State &s, const std::string &v) {
            return parse_named_mask(kStandards, v, 0x7f, &grp(s).std_supported);
        };
        k[p + "standard"] = [grp](State &s, const std::string &v) -> std::string {
            uint32_t b;
            if (!lookup(kStandards, v, &b))
                return "bad value: expected one of NTSC PAL 480P 576P 720P 1080I 1080P";
            grp(s).standard = b;
            return "";
        };
        k[p + "signals"] = [grp](State &s, const std::string &v) {
            return parse_named_mask(kSignals, v, 0x19f, &grp(s).sig_supported);
        };
        k[p + "signal"] = [grp](State &s, const std::string &v) -> std::string {
            uint32_t b;
            if (!lookup(kSignals, v, &b))
                return "bad value: expected a signal type name";
            grp(s).signal = b;
            return "";
        };
        // Pairs of (horizontal, vertical); 65535 is reserved for "default".
        k[p + "size_max"] = [grp](State &s, const std::string &v) { return parse_ints(v, 2, 0, 65534, grp(s).size_max); };
        k[p + "size"] = [grp](State &s, const std::string &v) {
            std::string r = parse_ints(v, 2, 0, 65534, grp(s).size);
            if (r.empty())
                grp(s).size_level = grp(s).size[0] == grp(s).size[1] && grp(s).size[0] < 255 ? grp(s).size[0] : kLevelPair;
            return r;
        };
        k[p + "pos_max"] = [grp](State &s, const std::string &v) { return parse_ints(v, 2, 0, 65534, grp(s).pos_max); };
        k[p + "pos"] = [grp](State &s, const std::string &v) { return parse_ints(v, 2, 0, 65534, grp(s).pos); };
        k[p + "tuning"] = [grp](State &s, const std::string &v) {
            return parse_named_mask(kTuningItems, v, 0x3f, &grp(s).tuning_supported);
        };
        k[p + "settings"] = [grp](State &s, const std::string &v) {
            return parse_named_mask(kSettingItems, v, 0xf, &grp(s).setting_supported);
        };
        k[p + "ffilter"] = [grp](State &s, const std::string &v) -> std::string {
            std::string l = lower(trim(v));
            if (l == "ffon")
                grp(s).tuning[0] = 3;
            else if (l == "affon")
                grp(s).tuning[0] = 1;
            else if (l == "alloff")
                grp(s).tuning[0] = 0;
            else
                return "bad value: expected FFON, AFFON or ALLOFF";
            return "";
        };
        static constexpr const char *kItemKeys[] = {nullptr, "affilter", "brightness", "contrast", "saturation", "tint"};
        for (int i = 1; i < kTuningCount; i++) {
            k[p + kItemKeys[i]] = [grp, i](State &s, const std::string &v) -> std::string {
                return parse_int(v, 0, 65534, &grp(s).tuning[i]) ? "" : range_reason(0, 65534);
            };
            k[p + kItemKeys[i] + "_max"] = [grp, i](State &s, const std::string &v) -> std::string {
                return parse_int(v, 0, 65534, &grp(s).tuning_max[i]) ? "" : range_reason(0, 65534);
            };
        }
        k[p + "dotcrawl"] = [grp](State &s, const std::string &v) -> std::string {
            return parse_bool(v, &grp(s).dotcrawl) ? "" : "bad value: expected 0 or 1";
        };
        k[p + "aspect"] = [grp](State &s, const std::string &v) -> std::string {
            return parse_bool(v, &grp(s).aspect) ? "" : "bad value: expected 0 or 1";
        };
    }
}

void add_output_keys(std::map<std::string, Handler> &k) {
    for (int i = 0; i < kOutputCount; i++) {
        unsigned bit = 1u << i;
        std::string name = lower(option_name(bit));
        k["modes." + name] = [i](State &s, const std::string &v) -> std::string {
            std::vector<ModeDef> l;
            for (const auto &part : split(v, ',')) {
                auto at = part.find('@');
                int w, h;
                int32_t hz;
                if (at == std::string::npos || !parse_size(part.substr(0, at), &w, &h).empty() ||
                    !parse_int(part.substr(at + 1), 1, 240, &hz))
                    return "bad value: expected WIDTHxHEIGHT@HZ[,...]";
                l.push_back({w, h, hz});
            }
            if (l.empty() || l.size() > 64)
                return "bad value: expected 1 to 64 modes";
            s.modes[i] = l;
            s.modes_custom[i] = true;
            s.cur_w[i] = s.cur_h[i] = s.cur_mhz[i] = 0;
            return "";
        };
        if (!is_adjustable_output(bit))
            continue;
        std::string p = "adjust." + name + ".";
        k[p + "size_max"] = [i](State &s, const std::string &v) { return parse_ints(v, 2, 0, 65534, s.adjust[i].size_max); };
        k[p + "size"] = [i](State &s, const std::string &v) { return parse_ints(v, 2, 0, 65534, s.adjust[i].size); };
        k[p + "pos_max"] = [i](State &s, const std::string &v) { return parse_ints(v, 2, 0, 65534, s.adjust[i].pos_max); };
        k[p + "pos"] = [i](State &s, const std::string &v) { return parse_ints(v, 2, 0, 65534, s.adjust[i].pos); };
    }
}

void add_xv_keys(std::map<std::string, Handler> &k) {
    k["xv.attributes"] = [](State &s, const std::string &v) {
        return parse_named_mask(kXvAttributes, v, 0xf, &s.xv_offered);
    };
    for (int i = 0; i < kXvAttrCount; i++) {
        std::string p = std::string("xv.") + xv_key(i);
        k[p + "_range"] = [i](State &s, const std::string &v) -> std::string {
            int32_t r[2];
            std::string err = parse_ints(v, 2, -2147483647LL, 2147483647LL, r);
            if (err.empty() && r[0] > r[1])
                err = "bad value: minimum above maximum";
            if (err.empty()) {
                s.xv[i].min = r[0];
                s.xv[i].max = r[1];
            }
            return err;
        };
        k[p] = [i](State &s, const std::string &v) -> std::string {
            return parse_int(v, -2147483647LL, 2147483647LL, &s.xv[i].value) ? ""
                                                                               : range_reason(-2147483647LL, 2147483647LL);
        };
    }
}

Handler flag(int32_t State::*field) {
    return [field](State &s, const std::string &v) -> std::string {
        return parse_bool(v, &(s.*field)) ? "" : "bad value: expected 0 or 1";
    };
}

const std::map<std::string, Handler> &keys() {
    static const std::map<std::string, Handler> table = [] {
        std::map<std::string, Handler> k;
        k["chip"] = [](State &s, const std::string &v) -> std::string {
            std::string u = trim(v);
            for (auto &c : u)
                c = char(std::toupper(static_cast<unsigned char>(c)));
            for (const auto &c : kChips)
                if (u == c.name) {
                    s.chip_id = c.id;
                    return "";
                }
            int32_t id;
            if (!parse_int(v, 1, 0xffff, &id))
                return "bad value: expected a chip name (A100 .. M500E) or identifier 1..0xffff";
            s.chip_id = uint32_t(id);
            return "";
        };
        k["chip_index"] = [](State &s, const std::string &v) -> std::string {
            if (lower(trim(v)) == "auto") {
                s.chip_index = -1;
                return "";
            }
            return parse_int(v, 0, 255, &s.chip_index) ? "" : "bad value: expected auto or 0..255";
        };
        k["tv_encoder"] = [](State &s, const std::string &v) -> std::string {
            return parse_int(v, 0, 0xffff, &s.tv_encoder) ? "" : range_reason(0, 0xffff);
        };
        k["tv_encoder_slot"] = [](State &s, const std::string &v) -> std::string {
            return parse_int(v, 0, 255, &s.tv_slot) ? "" : range_reason(0, 255);
        };
        k["bios_version"] = [](State &s, const std::string &v) { return parse_ints(v, 2, 0, 255, s.bios_version); };
        k["bios_date"] = [](State &s, const std::string &v) -> std::string {
            int32_t d[3];
            std::string r = parse_ints(v, 3, 0, 9999, d);
            if (!r.empty() || d[0] < 1980 || d[1] < 1 || d[1] > 12 || d[2] < 1 || d[2] > 31)
                return "bad value: expected YEAR,MONTH,DAY";
            std::copy(d, d + 3, s.bios_date);
            return "";
        };
        k["memory_mb"] = [](State &s, const std::string &v) -> std::string {
            // The framebuffer reports the size in bytes as a 32-bit sum.
            return parse_int(v, 1, 4095, &s.memory_mb) ? "" : range_reason(1, 4095);
        };
        for (int c = 0; c < kComponentCount; c++) {
            std::string p = "driver." + std::to_string(c + 1) + ".";
            k[p + "name"] = [c](State &s, const std::string &v) -> std::string {
                if (v.empty() || v.size() > QEV_DRIVER_NAME_BYTES)
                    return "bad value: expected 1 to 32 bytes of text";
                s.driver[c].name = v;
                s.driver[c].present = true;
                return "";
            };
            k[p + "version"] = [c](State &s, const std::string &v) -> std::string {
                std::string r = parse_ints(v, 4, 0, 0x7fffffff, s.driver[c].version);
                if (r.empty())
                    s.driver[c].present = true;
                return r;
            };
            k[p + "present"] = [c](State &s, const std::string &v) -> std::string {
                int32_t b;
                if (!parse_bool(v, &b))
                    return "bad value: expected 0 or 1";
                s.driver[c].present = b;
                return "";
            };
        }
        k["fb_module"] = [](State &s, const std::string &v) -> std::string {
            // The library reads the name into 50 bytes and appends ".ko".
            if (v.empty() || v.size() > 45 || v.find('/') != std::string::npos)
                return "bad value: expected 1 to 45 characters without '/'";
            s.fb_module = v;
            return "";
        };
        k["fb_version"] = [](State &s, const std::string &v) { return parse_ints(v, 4, 0, 0x7fffffff, s.fb_version); };
        k["caps"] = [](State &s, const std::string &v) -> std::string {
            long long n;
            if (!parse_long(v, &n) || n < 0 || n > 0xffffffffLL)
                return "bad value: expected a 32-bit mask";
            s.caps[0] = uint32_t(n);
            return "";
        };
        k["supported"] = [](State &s, const std::string &v) { return parse_outputs(v, &s.supported); };
        k["connected"] = [](State &s, const std::string &v) { return parse_outputs(v, &s.connected); };
        k["active"] = [](State &s, const std::string &v) -> std::string {
            uint32_t m;
            std::string r = parse_outputs(v, &m);
            if (!r.empty())
                return r;
            s.active = m;
            // The first name given is the primary output.
            auto first = split(v, ',');
            unsigned p = first.empty() ? 0 : bit_from_name(first[0]);
            if (p)
                s.primary = p;
            return "";
        };
        k["primary"] = [](State &s, const std::string &v) -> std::string {
            unsigned b = bit_from_name(v);
            if (!b)
                return "bad value: expected one output name";
            s.primary = b;
            return "";
        };
        k["samm"] = flag(&State::samm);
        k["gemel"] = flag(&State::gemel);
        k["samm_supported"] = flag(&State::samm_supported);
        k["panning"] = flag(&State::panning);
        k["v3_on_iga"] = flag(&State::v3_on_iga);
        k["gamma_supported"] = flag(&State::gamma_supported);
        k["expansion_supported"] = flag(&State::expansion_supported);
        k["expansion"] = [](State &s, const std::string &v) -> std::string {
            std::string l = lower(trim(v));
            if (l == "expand" || l == "0")
                s.expansion = 0;
            else if (l == "center" || l == "1")
                s.expansion = 1;
            else
                return "bad value: expected Expand or Center";
            return "";
        };
        k["lcd.native"] = [](State &s, const std::string &v) { return parse_size(v, &s.panel_w[0], &s.panel_h[0]); };
        k["lcd2.native"] = [](State &s, const std::string &v) { return parse_size(v, &s.panel_w[1], &s.panel_h[1]); };
        k["rotations"] = [](State &s, const std::string &v) -> std::string {
            long long n;
            if (!parse_long(v, &n) || n < 1 || n > 0x3f || !(n & 1))
                return "bad value: expected RandR rotation bits 0x1..0x3f including 0x1";
            s.rotations = uint32_t(n);
            return "";
        };
        k["rotate_type"] = [](State &s, const std::string &v) -> std::string {
            std::string l = lower(trim(v));
            if (l == "sw")
                s.rotate_type = 1;
            else if (l == "hw")
                s.rotate_type = 2;
            else
                return "bad value: expected SW or HW";
            return "";
        };
        k["rotate"] = [](State &s, const std::string &v) -> std::string {
            std::string l = lower(trim(v));
            if (l == "normal")
                s.rotate_degree = 1;
            else if (l == "ccw")
                s.rotate_degree = 2;
            else if (l == "ud")
                s.rotate_degree = 4;
            else if (l == "cw")
                s.rotate_degree = 8;
            else
                return "bad value: expected normal, CW, UD or CCW";
            return "";
        };
        add_tv_keys(k);
        add_output_keys(k);
        add_xv_keys(k);
        return k;
    }();
    return table;
}

// Cross-key rules. A value given in this profile that breaks a rule is an
// error of its key; a value only inherited is brought into line instead.
struct Violation {
    std::string key, reason;
};

bool check_consistency(State &s, const std::map<std::string, int> &given, Violation *bad) {
    auto in = [&](const std::string &k) { return given.count(k) != 0; };
    auto fail = [&](const std::string &k, const std::string &r) {
        *bad = {k, r};
        return false;
    };
    if (in("connected") && (s.connected & ~s.supported))
        return fail("connected", "output not supported");
    if (in("active")) {
        if (s.active & ~(s.connected & s.supported))
            return fail("active", "output not connected");
        if (std::popcount(s.active) > 2)
            return fail("active", "more than two outputs");
        if ((s.active & (QEV_OUT_TV | QEV_OUT_HDTV)) == (QEV_OUT_TV | QEV_OUT_HDTV) ||
            (s.active & (QEV_OUT_TV2 | QEV_OUT_HDTV2)) == (QEV_OUT_TV2 | QEV_OUT_HDTV2))
            return fail("active", "TV and HDTV share one encoder");
    }
    if (in("primary") && !(s.primary & s.active & s.connected & s.supported))
        return fail("primary", "output not active");
    if (in("samm") && s.samm && std::popcount(s.active & s.connected & s.supported) != 2)
        return fail("samm", "needs two active outputs");
    normalise_outputs(s);
    if (in("active"))
        follow_active_tv(s, 0);

    auto pair_rule = [&](const std::string &val_key, const std::string &max_key, int32_t *val, const int32_t *max) {
        for (int i = 0; i < 2; i++) {
            if (val[i] <= max[i])
                continue;
            if (in(val_key))
                return fail(val_key, "exceeds " + max_key);
            val[i] = max[i];
        }
        return true;
    };
    for (int gi = 0; gi < kTvGroupCount; gi++) {
        TvGroup &g = s.tv[gi];
        std::string p = std::string("tv.") + kTvGroupKeys[gi] + ".";
        if (!(g.std_supported & g.standard)) {
            if (in(p + "standard"))
                return fail(p + "standard", "not in " + p + "standards");
            g.standard = g.std_supported & -g.std_supported;
        }
        if (!(g.sig_supported & g.signal)) {
            if (in(p + "signal"))
                return fail(p + "signal", "not in " + p + "signals");
            g.signal = g.sig_supported & -g.sig_supported;
        }
        if (!pair_rule(p + "size", p + "size_max", g.size, g.size_max) ||
            !pair_rule(p + "pos", p + "pos_max", g.pos, g.pos_max))
            return false;
        if (g.size_level != kLevelPair && (int32_t(g.size_level) != g.size[0] || g.size[0] != g.size[1]))
            g.size_level = kLevelPair;
        static constexpr const char *kItemKeys[] = {"ffilter", "affilter", "brightness", "contrast", "saturation", "tint"};
        for (int i = 1; i < kTuningCount; i++)
            if (g.tuning[i] > g.tuning_max[i]) {
                if (in(p + kItemKeys[i]))
                    return fail(p + kItemKeys[i], std::string("exceeds ") + p + kItemKeys[i] + "_max");
                g.tuning[i] = g.tuning_max[i];
            }
    }
    for (int i = 0; i < kXvAttrCount; i++) {
        XvAttr &a = s.xv[i];
        std::string key = std::string("xv.") + xv_key(i);
        if (a.value >= a.min && a.value <= a.max)
            continue;
        if (in(key))
            return fail(key, "not in " + key + "_range");
        a.value = a.value < a.min ? a.min : a.max;
    }
    for (int i = 0; i < kOutputCount; i++) {
        unsigned bit = 1u << i;
        if (!is_adjustable_output(bit))
            continue;
        std::string p = "adjust." + lower(option_name(bit)) + ".";
        if (!pair_rule(p + "size", p + "size_max", s.adjust[i].size, s.adjust[i].size_max) ||
            !pair_rule(p + "pos", p + "pos_max", s.adjust[i].pos, s.adjust[i].pos_max))
            return false;
    }
    return true;
}

using Lines = std::vector<std::tuple<std::string, std::string, int>>;

// Applies the (key, value, line) list to a state; on failure fills bad.
// Without strict, rules across keys only bring values into line (the
// defaults copy follows the current state's verdict).
bool apply_all(State &s, const Lines &lines, bool strict, Violation *bad, int *bad_line) {
    std::map<std::string, int> given;
    for (const auto &[key, value, line] : lines) {
        std::string r = keys().at(key)(s, value);
        if (!r.empty()) {
            *bad = {key, r};
            *bad_line = line;
            return false;
        }
        given[key] = line;
    }
    if (!strict)
        given.clear();
    if (!check_consistency(s, given, bad)) {
        *bad_line = given[bad->key];
        return false;
    }
    return true;
}

// Xorg compares option names without case, blanks and underscores.
std::string option_key(const std::string &k) {
    std::string out;
    for (char c : k)
        if (c != ' ' && c != '_' && c != '\t')
            out += char(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string squeeze(const std::string &v) {
    std::string out;
    for (char c : v)
        if (!std::isspace(static_cast<unsigned char>(c)))
            out += char(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// The TV side (0: TV/HDTV, 1: TV-2/HDTV-2) the TVType and TVOutput options address.
int option_tv_side(const State &s) {
    if (!(s.active & (QEV_OUT_TV | QEV_OUT_HDTV)) && (s.active & (QEV_OUT_TV2 | QEV_OUT_HDTV2)))
        return 1;
    return 0;
}

}  // namespace

std::string apply_key(State &s, const std::string &key, const std::string &value) {
    auto it = keys().find(key);
    if (it == keys().end())
        return "unknown key";
    return it->second(s, value);
}

bool is_known_key(const std::string &key) { return keys().count(key) != 0; }

}  // namespace qevsim

using namespace qevsim;

extern "C" int qevsim_model_load_profile(QevSimModel *m, const char *path, char *err, size_t errlen) {
    std::ifstream in(path ? path : "");
    std::string file = path ? path : "";
    if (!in) {
        set_error(err, errlen, file + ":0: key '': cannot open: " + std::strerror(errno));
        return 0;
    }
    Lines lines;
    std::map<std::string, int> seen;
    std::string raw;
    int n = 0;
    auto fail = [&](int line, const std::string &key, const std::string &reason) {
        set_error(err, errlen, file + ":" + std::to_string(line) + ": key '" + key + "': " + reason);
        return 0;
    };
    while (std::getline(in, raw)) {
        n++;
        std::string t = trim(raw);
        if (t.empty() || t[0] == '#')
            continue;
        auto eq = t.find('=');
        if (eq == std::string::npos)
            return fail(n, t, "missing '='");
        std::string key = trim(t.substr(0, eq)), value = trim(t.substr(eq + 1));
        if (key.empty())
            return fail(n, key, "missing key");
        if (!is_known_key(key))
            return fail(n, key, "unknown key");
        if (seen.count(key))
            return fail(n, key, "duplicate key (first given on line " + std::to_string(seen[key]) + ")");
        if (value.empty())
            return fail(n, key, "empty value");
        seen[key] = n;
        lines.emplace_back(key, value, n);
    }
    State cur = m->cur, def = m->def;
    Violation bad;
    int line = 0;
    if (!apply_all(cur, lines, true, &bad, &line) || !apply_all(def, lines, false, &bad, &line))
        return fail(line, bad.key, bad.reason);
    m->cur = cur;
    m->def = def;
    return 1;
}

extern "C" int qevsim_model_set_key(QevSimModel *m, const char *key, const char *value, char *err, size_t errlen) {
    std::string k = trim(key ? key : ""), v = trim(value ? value : "");
    if (!is_known_key(k)) {
        set_error(err, errlen, "key '" + k + "': unknown key");
        return 0;
    }
    if (v.empty()) {
        set_error(err, errlen, "key '" + k + "': empty value");
        return 0;
    }
    Lines lines = {{k, v, 0}};
    State cur = m->cur, def = m->def;
    Violation bad;
    int line = 0;
    if (!apply_all(cur, lines, true, &bad, &line) || !apply_all(def, lines, false, &bad, &line)) {
        set_error(err, errlen, "key '" + bad.key + "': " + bad.reason);
        return 0;
    }
    m->cur = cur;
    m->def = def;
    return 1;
}

extern "C" int qevsim_model_apply_option(QevSimModel *m, const char *key, const char *value, char *err,
                                         size_t errlen) {
    std::string k = option_key(key ? key : ""), v = value ? value : "";
    State s = m->cur;
    auto fail = [&](const std::string &msg) {
        set_error(err, errlen, "option \"" + std::string(key ? key : "") + "\": " + msg);
        return 0;
    };
    if (k == "activedevice") {
        auto names = split(v, ',');
        if (names.empty() || names.size() > 2)
            return fail("expected one or two output names");
        uint32_t mask = 0, first = 0;
        for (const auto &name : names) {
            unsigned bit = bit_from_name(name);
            // "TV" also names the HDTV output of the same encoder.
            // when the encoder runs an HDTV standard.
            unsigned usable = s.supported & s.connected;
            if (bit == QEV_OUT_TV && s.tv_hd[0] && (usable & QEV_OUT_HDTV))
                bit = QEV_OUT_HDTV;
            if (bit == QEV_OUT_TV2 && s.tv_hd[1] && (usable & QEV_OUT_HDTV2))
                bit = QEV_OUT_HDTV2;
            if (!bit)
                return fail("unknown output '" + name + "'");
            if (!(s.supported & bit))
                return fail("output '" + name + "' not supported");
            if (!(s.connected & bit))
                return fail("output '" + name + "' not connected");
            if (mask & bit)
                return fail("output '" + name + "' given twice");
            if (!first)
                first = bit;
            mask |= bit;
        }
        if (!set_active_mask(s, mask, first))
            return fail("outputs cannot be active together");
    } else if (k == "tvtype") {
        uint32_t bit;
        int side = option_tv_side(s);
        if (!lookup(kStandards, v, &bit))
            return fail("unknown TV standard '" + v + "'");
        if (!tv_view_set_standard(s, side, bit))
            return fail("TV standard '" + v + "' not supported");
    } else if (k == "tvoutput") {
        std::string sq = squeeze(v);
        static constexpr Named kOptionSignals[] = {
            {"composite", 0x1}, {"s-video", 0x2}, {"svideo", 0x2}, {"rgb", 0x4}, {"ycbcr", 0x8}, {"ycbcrsc", 0x100}};
        uint32_t bit;
        if (!lookup(kOptionSignals, sq, &bit))
            return fail("unknown TV output '" + v + "'");
        if (!tv_view_set_signal(s, option_tv_side(s), bit))
            return fail("TV output '" + v + "' not supported");
    } else if (k == "rotatetype") {
        std::string l = squeeze(v);
        if (l == "sw")
            s.rotate_type = 1;
        else if (l == "hw")
            s.rotate_type = 2;
        else
            return fail("expected SW or HW");
    } else if (k == "rotate") {
        std::string l = squeeze(v);
        static constexpr Named kDegrees[] = {{"cw", 8}, {"ud", 4}, {"ccw", 2}, {"normal", 1}};
        uint32_t deg;
        if (!lookup(kDegrees, l, &deg))
            return fail("expected CW, UD or CCW");
        if (!(s.rotations & deg))
            return fail("rotation not supported");
        s.rotate_degree = int32_t(deg);
    } else {
        return fail("unknown option");
    }
    m->cur = s;
    return 1;
}
