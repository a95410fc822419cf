// Driver output properties of the RandR outputs. They read and write the same
// state as the extension commands and the framebuffer requests.
#include <cstring>

#include "model_internal.h"

using namespace qevsim;

namespace {

struct Prop {
    const char *name;
    bool atom;
    int min, max;
    std::vector<const char *> atoms;
    int value;
};

struct NamedBit {
    const char *name;
    uint32_t bit;
};
constexpr NamedBit kTypeAtoms[] = {{"NTSC", QEV_TVSTD_NTSC},   {"PAL", QEV_TVSTD_PAL},   {"480P", QEV_TVSTD_480P},
                                   {"576P", QEV_TVSTD_576P},   {"720P", QEV_TVSTD_720P}, {"1080I", QEV_TVSTD_1080I},
                                   {"1080P", QEV_TVSTD_1080P}};
constexpr NamedBit kSignalAtoms[] = {{"Composite", QEV_TVSIG_COMPOSITE},
                                     {"SVideo", QEV_TVSIG_SVIDEO},
                                     {"RGB", QEV_TVSIG_RGB},
                                     {"YCbCr", QEV_TVSIG_YCBCR}};
// FFilter atoms and the flicker filter modes (tuning item 0x1) they stand for.
constexpr const char *kFFilterAtoms[] = {"FFON", "AFFON", "ALLOFF"};
constexpr int32_t kFFilterModes[] = {3, 1, 0};
constexpr const char *kTuningNames[] = {nullptr, "AFFilterValue", "Brightness", "Contrast", "Saturation", "Tint"};

// TV side (0 "TV", 1 "TV-2") an output bit addresses, or -1.
int tv_side(unsigned bit) {
    if (bit == QEV_OUT_TV || bit == QEV_OUT_HDTV)
        return 0;
    if (bit == QEV_OUT_TV2 || bit == QEV_OUT_HDTV2)
        return 1;
    return -1;
}

// The group whose picture controls the TV output shows: the SD group, or the
// HDTV group on an adapter whose encoder has no SD output.
int tv_base_group(const State &s, int side) {
    return (s.supported & tv_group_bit(side * 2)) ? side * 2 : side * 2 + 1;
}

bool tv_present(const State &s, int side) {
    return (s.supported & (tv_group_bit(side * 2) | tv_group_bit(side * 2 + 1))) != 0;
}

Prop range(const char *name, int max, int value) { return {name, false, 0, max, {}, value}; }

std::vector<Prop> build(const State &s, unsigned bit) {
    std::vector<Prop> p;
    int side = tv_side(bit);
    if (side >= 0) {
        if (!tv_present(s, side))
            return p;
        const TvGroup &view = s.tv[tv_view_group(s, side)];
        const TvGroup &g = s.tv[tv_base_group(s, side)];
        Prop type{"Type", true, 0, 0, {}, 0};
        uint32_t stds = tv_view_std_supported(s, side);
        for (const auto &a : kTypeAtoms)
            if (stds & a.bit) {
                if (view.standard == a.bit)
                    type.value = int(type.atoms.size());
                type.atoms.push_back(a.name);
            }
        p.push_back(type);
        Prop sig{"Signal", true, 0, 0, {}, 0};
        uint32_t sigs = 0;
        for (int gi = side * 2; gi < side * 2 + 2; gi++)
            if (s.supported & tv_group_bit(gi))
                sigs |= s.tv[gi].sig_supported;
        for (const auto &a : kSignalAtoms)
            if (sigs & a.bit) {
                // A combination of connectors shows as its first entry (Composite).
                if (view.signal == a.bit)
                    sig.value = int(sig.atoms.size());
                sig.atoms.push_back(a.name);
            }
        p.push_back(sig);
        p.push_back(range("ScaleH", g.size_max[0], g.size[0]));
        p.push_back(range("ScaleV", g.size_max[1], g.size[1]));
        p.push_back(range("PosH", g.pos_max[0], g.pos[0]));
        p.push_back(range("PosV", g.pos_max[1], g.pos[1]));
        if ((g.tuning_supported & 0x1) || (g.setting_supported & 0x3)) {
            Prop ff{"FFilter", true, 0, 0, {std::begin(kFFilterAtoms), std::end(kFFilterAtoms)}, 2};
            for (int i = 0; i < 3; i++)
                if (g.tuning[0] == kFFilterModes[i])
                    ff.value = i;
            p.push_back(ff);
        }
        for (int i = 1; i < kTuningCount; i++)
            if (g.tuning_supported & (1u << i))
                p.push_back(range(kTuningNames[i], g.tuning_max[i], g.tuning[i]));
        if (g.setting_supported & 0x4)
            p.push_back({"DotCrawl", true, 0, 0, {"On", "Off"}, g.dotcrawl ? 0 : 1});
        return p;
    }
    if (!is_adjustable_output(bit) || !(s.supported & bit))
        return p;
    if ((bit == QEV_OUT_LCD || bit == QEV_OUT_LCD2) && s.expansion_supported)
        p.push_back({"Feature", true, 0, 0, {"Expand", "Center"}, s.expansion});
    const Adjust &a = s.adjust[bit_index(bit)];
    p.push_back(range("ScaleH", a.size_max[0], a.size[0]));
    p.push_back(range("ScaleV", a.size_max[1], a.size[1]));
    p.push_back(range("PosH", a.pos_max[0], a.pos[0]));
    p.push_back(range("PosV", a.pos_max[1], a.pos[1]));
    return p;
}

bool set_tv(QevSimModel *m, int side, const Prop &p, int value) {
    State &s = m->cur;
    int gi = tv_base_group(s, side);
    TvGroup &g = s.tv[gi];
    const TvGroup &d = m->def.tv[gi];
    std::string n = p.name;
    if (p.atom && (value < 0 || value >= int(p.atoms.size())))
        return false;
    if (n == "Type") {
        for (const auto &a : kTypeAtoms)
            if (!std::strcmp(a.name, p.atoms[size_t(value)]))
                return tv_view_set_standard(s, side, a.bit);
        return false;
    }
    if (n == "Signal") {
        for (const auto &a : kSignalAtoms)
            if (!std::strcmp(a.name, p.atoms[size_t(value)]))
                return tv_view_set_signal(s, side, a.bit);
        return false;
    }
    if (n == "FFilter") {
        g.tuning[0] = kFFilterModes[value];
        return true;
    }
    if (n == "DotCrawl") {
        g.dotcrawl = value == 0;
        return true;
    }
    if (value == kDefaultRequest)
        return false;  // a property value is always explicit
    if (n == "ScaleH")
        return tv_set_size(g, d, value, g.size[1]);
    if (n == "ScaleV")
        return tv_set_size(g, d, g.size[0], value);
    if (n == "PosH")
        return tv_set_position(g, d, value, g.pos[1]);
    if (n == "PosV")
        return tv_set_position(g, d, g.pos[0], value);
    for (int i = 1; i < kTuningCount; i++)
        if (n == kTuningNames[i])
            return tv_set_tuning(g, d, 1u << i, value);
    return false;
}

bool set_output(QevSimModel *m, unsigned bit, const Prop &p, int value) {
    State &s = m->cur;
    std::string n = p.name;
    if (n == "Feature") {
        if (value != 0 && value != 1)
            return false;
        s.expansion = value;
        return true;
    }
    if (value < p.min || value > p.max)
        return false;
    Adjust &a = s.adjust[bit_index(bit)];
    if (n == "ScaleH")
        a.size[0] = value;
    else if (n == "ScaleV")
        a.size[1] = value;
    else if (n == "PosH")
        a.pos[0] = value;
    else if (n == "PosV")
        a.pos[1] = value;
    else
        return false;
    return true;
}

}  // namespace

extern "C" {

int qevsim_model_property_count(const QevSimModel *m, unsigned bit) { return int(build(m->cur, bit).size()); }

int qevsim_model_property_get(const QevSimModel *m, unsigned bit, int index, QevSimProperty *out) {
    auto props = build(m->cur, bit);
    if (index < 0 || size_t(index) >= props.size())
        return 0;
    const Prop &p = props[size_t(index)];
    std::memset(out, 0, sizeof *out);
    out->name = p.name;
    out->is_atom = p.atom;
    out->min = p.min;
    out->max = p.max;
    out->natoms = int(p.atoms.size());
    for (size_t i = 0; i < p.atoms.size() && i < 16; i++)
        out->atoms[i] = p.atoms[i];
    out->value = p.value;
    return 1;
}

int qevsim_model_property_set(QevSimModel *m, unsigned bit, const char *name, int value) {
    if (!name)
        return 0;
    for (const Prop &p : build(m->cur, bit)) {
        if (std::strcmp(p.name, name))
            continue;
        int side = tv_side(bit);
        State saved = m->cur;
        bool ok = side >= 0 ? set_tv(m, side, p, value) : set_output(m, bit, p, value);
        if (!ok)
            m->cur = saved;
        return ok;
    }
    return 0;
}

}  // extern "C"
