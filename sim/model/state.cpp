// The adapter's state rules: defaults, output masks, TV encoder values.
#include <bit>
#include <cctype>
#include <cstring>

#include "model_internal.h"
#include "qev/commands.h"
#include "qev/family.h"

namespace qevsim {

namespace {

struct OutputName {
    unsigned bit;
    const char *name;
};
// Spellings of the configuration file's ActiveDevice option; "DFP" is an
// older name of the DVI output.
constexpr OutputName kOutputNames[] = {
    {QEV_OUT_CRT, "CRT"},   {QEV_OUT_LCD, "LCD"},   {QEV_OUT_TV, "TV"},     {QEV_OUT_DVI, "DVI"},
    {QEV_OUT_HDMI, "HDMI"}, {QEV_OUT_CRT2, "CRT2"}, {QEV_OUT_HDTV, "HDTV"}, {QEV_OUT_LCD2, "LCD2"},
    {QEV_OUT_DVI2, "DVI2"}, {QEV_OUT_TV2, "TV2"},   {QEV_OUT_HDTV2, "HDTV2"}, {QEV_OUT_DP, "DP"},
    {QEV_OUT_DP2, "DP2"},   {QEV_OUT_DVI, "DFP"},
};

bool single_bit(uint32_t v) { return v != 0 && (v & (v - 1)) == 0; }

}  // namespace

int bit_index(unsigned bit) {
    if (!single_bit(bit) || (bit & ~unsigned(QEV_OUT_ALL)))
        return -1;
    return std::countr_zero(bit);
}

const char *option_name(unsigned bit) {
    for (const auto &n : kOutputNames)
        if (n.bit == bit)
            return n.name;
    return "";
}

unsigned bit_from_name(const std::string &name) {
    std::string l = lower(trim(name));
    for (const auto &n : kOutputNames)
        if (l == lower(n.name))
            return n.bit;
    return 0;
}

State default_state() {
    State s;
    s.chip_id = QEV_CHIP_M400;
    s.tv_encoder = 0x11;
    s.tv_slot = 1;
    s.bios_version[0] = 1;
    s.bios_version[1] = 10;
    s.bios_date[0] = 2026;
    s.bios_date[1] = 3;
    s.bios_date[2] = 17;
    s.memory_mb = 256;
    s.driver[0] = {"qevsim_drv.so", true, {1, 4, 2, 17}};
    s.driver[1] = {"qevsim_dri.so", true, {255, 255, 255, 255}};  // not installed
    s.fb_module = "qevfb";
    s.fb_version[0] = 2;
    s.fb_version[1] = 1;
    s.fb_version[2] = 0;
    s.fb_version[3] = 5;
    s.caps[0] = 0x10 | 0x2 | 0x80;

    s.supported = QEV_OUT_CRT | QEV_OUT_LCD | QEV_OUT_TV | QEV_OUT_HDTV | QEV_OUT_DVI | QEV_OUT_HDMI | QEV_OUT_DP;
    s.connected = QEV_OUT_CRT | QEV_OUT_LCD | QEV_OUT_TV;
    s.active = QEV_OUT_CRT | QEV_OUT_LCD;
    s.primary = QEV_OUT_CRT;
    s.gemel = 1;

    for (int i = 0; i < 256; i++)
        s.gamma[i] = uint32_t(i) | uint32_t(i) << 8 | uint32_t(i) << 16;

    for (int g = 0; g < kTvGroupCount; g++) {
        TvGroup &t = s.tv[g];
        bool hd = g == 1 || g == 3;
        if (hd) {
            t.std_supported = QEV_TVSTD_480P | QEV_TVSTD_576P | QEV_TVSTD_720P | QEV_TVSTD_1080I | QEV_TVSTD_1080P;
            t.standard = QEV_TVSTD_720P;
            t.sig_supported = QEV_TVSIG_RGB | QEV_TVSIG_YCBCR;
            t.signal = QEV_TVSIG_YCBCR;
            // Progressive and component outputs have no flicker filter.
            t.tuning_supported = 0x4 | 0x8 | 0x10 | 0x20;
            t.tuning[0] = 0;
            t.setting_supported = 0x8;
        } else {
            t.std_supported = QEV_TVSTD_NTSC | QEV_TVSTD_PAL;
            t.standard = QEV_TVSTD_NTSC;
            t.sig_supported = QEV_TVSIG_COMPOSITE | QEV_TVSIG_SVIDEO | QEV_TVSIG_RGB | QEV_TVSIG_YCBCR;
            t.signal = QEV_TVSIG_COMPOSITE;
        }
    }
    return s;
}

void normalise_outputs(State &s) {
    s.supported &= QEV_OUT_ALL;
    s.connected &= s.supported;
    s.active &= s.connected;
    if (!(s.active & s.primary) || !single_bit(s.primary))
        s.primary = s.active & -s.active;
    // Two active outputs are either separate screens (SAMM) or a clone pair.
    if (std::popcount(s.active) != 2) {
        s.samm = 0;
        s.gemel = 0;
    } else {
        s.samm = s.samm ? 1 : 0;
        s.gemel = !s.samm;
    }
}

void follow_active_tv(State &s, uint32_t old_active) {
    for (int side = 0; side < 2; side++) {
        unsigned sd = side ? QEV_OUT_TV2 : QEV_OUT_TV, hd = side ? QEV_OUT_HDTV2 : QEV_OUT_HDTV;
        if (s.active & hd)
            s.tv_hd[side] = true;
        else if ((s.active & sd) && !(old_active & sd))
            s.tv_hd[side] = false;
    }
}

void follow_tv_side(State &s, int side) {
    unsigned sd = side ? QEV_OUT_TV2 : QEV_OUT_TV, hd = side ? QEV_OUT_HDTV2 : QEV_OUT_HDTV;
    unsigned want = s.tv_hd[side] ? hd : sd, other = s.tv_hd[side] ? sd : hd;
    if ((s.active & other) && (s.supported & s.connected & want)) {
        if (s.primary == other)
            s.primary = want;
        s.active = (s.active & ~other) | want;
    }
}

bool set_active_mask(State &s, uint32_t mask, uint32_t primary_first) {
    if (mask == 0 || (mask & ~(s.connected & s.supported)) || std::popcount(mask) > 2)
        return false;
    // One encoder drives either its TV or its HDTV output.
    if ((mask & (QEV_OUT_TV | QEV_OUT_HDTV)) == (QEV_OUT_TV | QEV_OUT_HDTV) ||
        (mask & (QEV_OUT_TV2 | QEV_OUT_HDTV2)) == (QEV_OUT_TV2 | QEV_OUT_HDTV2))
        return false;
    uint32_t old = s.active;
    s.active = mask;
    if (primary_first && (mask & primary_first))
        s.primary = primary_first;
    normalise_outputs(s);
    follow_active_tv(s, old);
    return true;
}

int panel_size_index(int w, int h) {
    struct Size {
        int w, h;
    };
    // The framebuffer driver's panel-size indices (the first of each size).
    static constexpr Size kSizes[] = {{640, 480},   {800, 600},   {1024, 768}, {1280, 768}, {1280, 1024},
                                      {1400, 1050}, {1600, 1200}, {1366, 768}, {1024, 600}, {1280, 800}};
    for (int i = 0; i < int(std::size(kSizes)); i++)
        if (kSizes[i].w == w && kSizes[i].h == h)
            return i;
    return 255;
}

uint32_t chip_index_of(const State &s) {
    if (s.chip_index >= 0)
        return uint32_t(s.chip_index);
#define QEV_ROW_(idx, id) \
    if (s.chip_id == uint32_t(id)) return idx;
    QEV_CHIP_INDEX_TABLE(QEV_ROW_)
#undef QEV_ROW_
    if (s.chip_id == QEV_CHIP_M500E)
        return 12;
    return 0;
}

int tv_group_index(uint32_t group) {
    switch (group) {
    case QEV_TV_GROUP_TV: return 0;
    case QEV_TV_GROUP_HDTV: return 1;
    case QEV_TV_GROUP_TV2: return 2;
    case QEV_TV_GROUP_HDTV2: return 3;
    default: return -1;
    }
}

unsigned tv_group_bit(int g) {
    static constexpr unsigned kBits[] = {QEV_OUT_TV, QEV_OUT_HDTV, QEV_OUT_TV2, QEV_OUT_HDTV2};
    return kBits[g];
}

int tv_view_group(const State &s, int side) { return side * 2 + (s.tv_hd[side] ? 1 : 0); }

uint32_t tv_view_std_supported(const State &s, int side) {
    uint32_t m = 0;
    for (int g = side * 2; g < side * 2 + 2; g++)
        if (s.supported & tv_group_bit(g))
            m |= s.tv[g].std_supported;
    return m;
}

uint32_t tv_view_sig_supported(const State &s, int side) {
    int g = tv_view_group(s, side);
    return (s.supported & tv_group_bit(g)) ? s.tv[g].sig_supported : 0;
}

bool tv_view_set_standard(State &s, int side, uint32_t standard) {
    // An HDTV standard moves the output to the HDTV group; an SD one back.
    for (int g = side * 2; g < side * 2 + 2; g++) {
        if (!(s.supported & tv_group_bit(g)) || !single_bit(standard) || !(s.tv[g].std_supported & standard))
            continue;
        TvGroup &t = s.tv[g];
        t.standard = standard;
        s.tv_hd[side] = (g & 1) != 0;
        follow_tv_side(s, side);
        return true;
    }
    return false;
}

bool tv_view_set_signal(State &s, int side, uint32_t signal) {
    int g = tv_view_group(s, side);
    if (!(s.supported & tv_group_bit(g)) || !single_bit(signal) || !(s.tv[g].sig_supported & signal))
        return false;
    s.tv[g].signal = signal;
    return true;
}

bool tv_set_standard(TvGroup &g, const TvGroup &def, uint32_t v) {
    if (v == uint32_t(kDefaultRequest))
        v = def.standard;
    if (!single_bit(v) || !(g.std_supported & v))
        return false;
    g.standard = v;
    return true;
}

bool tv_set_signal(TvGroup &g, const TvGroup &def, uint32_t v) {
    if (v == uint32_t(kDefaultRequest))
        v = def.signal;
    if (!single_bit(v) || !(g.sig_supported & v))
        return false;
    g.signal = v;
    return true;
}

bool adjust_set(int32_t cur[2], const int32_t max[2], const int32_t def[2], int32_t h, int32_t v) {
    int32_t val[2] = {h, v};
    for (int i = 0; i < 2; i++) {
        if (val[i] == kDefaultRequest)
            val[i] = def[i];
        if (val[i] < 0 || val[i] > max[i])
            return false;
    }
    cur[0] = val[0];
    cur[1] = val[1];
    return true;
}

bool tv_set_size(TvGroup &g, const TvGroup &def, int32_t h, int32_t v) {
    if (!adjust_set(g.size, g.size_max, def.size, h, v))
        return false;
    g.size_level = kLevelPair;
    return true;
}

bool tv_set_position(TvGroup &g, const TvGroup &def, int32_t h, int32_t v) {
    return adjust_set(g.pos, g.pos_max, def.pos, h, v);
}

int tuning_slot(uint32_t item) {
    if (!single_bit(item) || item > 0x20)
        return -1;
    return std::countr_zero(item);
}

bool tv_set_tuning(TvGroup &g, const TvGroup &def, uint32_t item, int32_t v) {
    int i = tuning_slot(item);
    if (i < 0 || !(g.tuning_supported & item))
        return false;
    if (v == kDefaultRequest)
        v = def.tuning[i];
    if (v < 0 || v > g.tuning_max[i] || (i == 0 && v == 2))
        return false;  // flicker filter modes are 0, 1 and 3
    g.tuning[i] = v;
    return true;
}

bool tv_get_setting(const TvGroup &g, uint32_t item, int32_t *out) {
    if (!single_bit(item) || !(g.setting_supported & item))
        return false;
    switch (item) {
    case 0x1: *out = g.tuning[0] == 3; return true;
    case 0x2: *out = g.tuning[0] == 1; return true;
    case 0x4: *out = g.dotcrawl; return true;
    case 0x8: *out = g.aspect; return true;
    default: return false;
    }
}

bool tv_set_setting(TvGroup &g, const TvGroup &def, uint32_t item, int32_t v) {
    int32_t dummy;
    if (!tv_get_setting(g, item, &dummy))
        return false;
    if (v == kDefaultRequest) {
        if (!tv_get_setting(def, item, &v))
            v = 0;
    }
    if (v != 0 && v != 1)
        return false;
    // Setting items 0x1 and 0x2 switch the flicker filter mode (tuning item 0x1).
    switch (item) {
    case 0x1:
        if (v)
            g.tuning[0] = 3;
        else if (g.tuning[0] == 3)
            g.tuning[0] = 0;
        break;
    case 0x2:
        if (v)
            g.tuning[0] = 1;
        else if (g.tuning[0] == 1)
            g.tuning[0] = 0;
        break;
    case 0x4: g.dotcrawl = v; break;
    case 0x8: g.aspect = v; break;
    }
    return true;
}

bool is_adjustable_output(unsigned bit) {
    return bit_index(bit) >= 0 && !(bit & (QEV_OUT_TV | QEV_OUT_HDTV | QEV_OUT_TV2 | QEV_OUT_HDTV2));
}

void rotation_set(State &s, int32_t type, int32_t degree) {
    s.rotate_type = type;
    s.rotate_degree = degree;
}

}  // namespace qevsim
