// The framebuffer device's requests. Records are little-endian byte layouts
// (qev/fb.h); the framebuffer driver has one TV state: the first encoder.
#include <bit>
#include <cerrno>
#include <cstring>

#include "model_internal.h"
#include "qev/fb.h"

using namespace qevsim;

namespace {

uint32_t get32(const void *p, size_t off) {
    const auto *b = static_cast<const uint8_t *>(p) + off;
    return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
}
uint16_t get16(const void *p, size_t off) {
    const auto *b = static_cast<const uint8_t *>(p) + off;
    return uint16_t(b[0] | b[1] << 8);
}
void put32(void *p, size_t off, uint32_t v) {
    auto *b = static_cast<uint8_t *>(p) + off;
    for (int i = 0; i < 4; i++)
        b[i] = uint8_t(v >> (8 * i));
}
void put16(void *p, size_t off, uint16_t v) {
    auto *b = static_cast<uint8_t *>(p) + off;
    b[0] = uint8_t(v);
    b[1] = uint8_t(v >> 8);
}

// Tuning items in block order: change bit and tuning slot (item bit 1 << slot).
struct TuningWord {
    uint32_t change;
    int slot;
};
constexpr TuningWord kTuningWords[kTuningCount] = {{QEV_TVCHG_TUNING_400, 0}, {QEV_TVCHG_TUNING_1000, 1},
                                                   {QEV_TVCHG_TUNING_10, 2},  {QEV_TVCHG_TUNING_20, 3},
                                                   {QEV_TVCHG_TUNING_40, 4},  {QEV_TVCHG_TUNING_80, 5}};
struct SettingWord {
    uint32_t change, item;
    size_t off;
};
constexpr SettingWord kSettingWords[] = {{QEV_TVCHG_SETTING_200, 0x1, QEV_DS_TV_SETTING_200},
                                         {QEV_TVCHG_SETTING_800, 0x2, QEV_DS_TV_SETTING_800},
                                         {QEV_TVCHG_SETTING_8, 0x4, QEV_DS_TV_SETTING_8}};
constexpr uint32_t kTvChangeAll = 0x1fff;

int fb_group(const State &s) { return (s.supported & QEV_OUT_TV) ? 0 : 1; }

int panel_info_word(const State &s) {
    if (s.supported & QEV_OUT_LCD)
        return panel_size_index(s.panel_w[0], s.panel_h[0]);
    if (s.supported & QEV_OUT_LCD2)
        return panel_size_index(s.panel_w[1], s.panel_h[1]);
    return 255;
}

void read_block(const State &s, uint8_t *b) {
    std::memset(b, 0, QEV_DS_SIZE);
    // Change flags read as 0, so a block read and written back changes
    // nothing but what the writer flags.
    put16(b, QEV_DS_ACTIVE_MASK, uint16_t(s.active));
    put16(b, QEV_DS_SAMM_FLAGS, s.samm ? 1 : 0);
    put32(b, QEV_DS_SAMM_LAYOUT, s.primary);
    const TvGroup &view = s.tv[tv_view_group(s, 0)];
    const TvGroup &g = s.tv[fb_group(s)];
    put32(b, QEV_DS_TV_STANDARD, view.standard);
    put32(b, QEV_DS_TV_SIZE_LEVEL, g.size_level);
    put32(b, QEV_DS_TV_SIGNAL, view.signal);
    for (int i = 0; i < kTuningCount; i++)
        put32(b, QEV_DS_TV_TUNING + 4 * size_t(i), uint32_t(g.tuning[kTuningWords[i].slot]));
    put32(b, QEV_DS_TV_POS_H, uint32_t(g.pos[0]));
    put32(b, QEV_DS_TV_POS_V, uint32_t(g.pos[1]));
    put32(b, QEV_DS_TV_SIZE_H, uint32_t(g.size[0]));
    put32(b, QEV_DS_TV_SIZE_V, uint32_t(g.size[1]));
    for (const auto &w : kSettingWords) {
        int32_t v = 0;
        tv_get_setting(g, w.item, &v);
        put32(b, w.off, uint32_t(v));
    }
    put32(b, QEV_DS_PANEL_INFO, uint32_t(panel_info_word(s)));
    put32(b, QEV_DS_PANEL_EXPAND, uint32_t(s.expansion));
}

bool write_tv(State &s, const State &def, const uint8_t *b, uint32_t change) {
    if (change & ~kTvChangeAll)
        return false;
    if (!(s.supported & (QEV_OUT_TV | QEV_OUT_HDTV)))
        return false;
    int gi = fb_group(s);
    const TvGroup &d = def.tv[gi];
    if (change & QEV_TVCHG_STANDARD) {
        uint32_t v = get32(b, QEV_DS_TV_STANDARD);
        if (v == uint32_t(kDefaultRequest))
            v = def.tv[tv_view_group(def, 0)].standard;
        if (!tv_view_set_standard(s, 0, v))
            return false;
    }
    if (change & QEV_TVCHG_SIGNAL) {
        uint32_t v = get32(b, QEV_DS_TV_SIGNAL);
        if (v == uint32_t(kDefaultRequest))
            v = def.tv[tv_view_group(def, 0)].signal;
        if (!tv_view_set_signal(s, 0, v))
            return false;
    }
    TvGroup &g = s.tv[gi];
    if (change & QEV_TVCHG_VIEW_SIZE) {
        // A level of 255 applies the stored pair; any other level is one
        // size for both directions.
        uint32_t level = get32(b, QEV_DS_TV_SIZE_LEVEL);
        if (level == kLevelPair) {
            if (!tv_set_size(g, d, int32_t(get32(b, QEV_DS_TV_SIZE_H)), int32_t(get32(b, QEV_DS_TV_SIZE_V))))
                return false;
        } else if (level == uint32_t(kDefaultRequest)) {
            std::memcpy(g.size, d.size, sizeof g.size);
            g.size_level = d.size_level;
        } else {
            if (level > 254 || !tv_set_size(g, d, int32_t(level), int32_t(level)))
                return false;
            g.size_level = level;
        }
    }
    if (change & QEV_TVCHG_VIEW_POSITION) {
        if (!tv_set_position(g, d, int32_t(get32(b, QEV_DS_TV_POS_H)), int32_t(get32(b, QEV_DS_TV_POS_V))))
            return false;
    }
    for (int i = 0; i < kTuningCount; i++)
        if ((change & kTuningWords[i].change) &&
            !tv_set_tuning(g, d, 1u << kTuningWords[i].slot, int32_t(get32(b, QEV_DS_TV_TUNING + 4 * size_t(i)))))
            return false;
    for (const auto &w : kSettingWords)
        if ((change & w.change) && !tv_set_setting(g, d, w.item, int32_t(get32(b, w.off))))
            return false;
    return true;
}

bool write_block(State &s, const State &def, const uint8_t *b) {
    if (get16(b, QEV_DS_OUTPUT_FLAGS) & 1) {
        if (!set_active_mask(s, get16(b, QEV_DS_ACTIVE_MASK)))
            return false;
    }
    switch (get16(b, QEV_DS_SAMM_FLAGS)) {
    case 0x81: {
        if (!s.samm_supported || std::popcount(s.active) != 2)
            return false;
        uint32_t primary = get32(b, QEV_DS_SAMM_LAYOUT);
        if (primary) {
            if (!(primary & s.active) || (primary & (primary - 1)))
                return false;
            s.primary = primary;
        }
        s.samm = 1;
        normalise_outputs(s);
        break;
    }
    case 0x80:
        s.samm = 0;
        normalise_outputs(s);
        break;
    default: break;  // 0, or the 1 of a block read back: no switch
    }
    if (get16(b, QEV_DS_PANEL_FLAGS) & 1) {
        int32_t v = int32_t(get32(b, QEV_DS_PANEL_EXPAND));
        if (v == kDefaultRequest)
            v = def.expansion;
        if (!s.expansion_supported || !(s.supported & (QEV_OUT_LCD | QEV_OUT_LCD2)) || (v != 0 && v != 1))
            return false;
        s.expansion = v;
    }
    uint32_t change = get32(b, QEV_DS_TV_CHANGE);
    return change == 0 || write_tv(s, def, b, change);
}

int fail(int e) {
    errno = e;
    return -1;
}

}  // namespace

extern "C" int qevsim_model_fb_ioctl(QevSimModel *m, unsigned long request, void *arg) {
    if ((request & ~0xffUL) != QEV_FB_REQUEST(0))
        return fail(ENOTTY);
    State &s = m->cur;
    const uint32_t req = uint32_t(request);
    auto *b = static_cast<uint8_t *>(arg);
    if (!b && req != uint32_t(QEV_FB_EngineSync)) {
        switch (req) {
#define QEV_KNOWN_(nn, name) case uint32_t(QEV_FB_##name):
            QEV_FB_REQUEST_TABLE(QEV_KNOWN_)
#undef QEV_KNOWN_
            return fail(EFAULT);
        default: return fail(ENOTTY);
        }
    }
    const TvGroup &g = s.tv[fb_group(s)];
    switch (req) {
    case QEV_FB_FbResolutionInfo: {
        int w, h, mhz;
        current_mode(s, s.primary, &w, &h, &mhz);
        put32(b, 0, uint32_t(w));
        put32(b, 4, uint32_t(h));
        put32(b, 8, 32);
        put32(b, 12, uint32_t((mhz + 500) / 1000));
        return 0;
    }
    case QEV_FB_MemoryInfo: {
        // Words 1 and 2: the visible framebuffer and the rest of video memory.
        uint32_t bytes = uint32_t(s.memory_mb) << 20;
        uint32_t visible = std::min<uint32_t>(bytes, 16u << 20);
        put32(b, 0, 0);
        put32(b, 4, visible);
        put32(b, 8, bytes - visible);
        put32(b, 12, 0);
        return 0;
    }
    case QEV_FB_DriverVersion:
        // The framebuffer driver's own order: major, build, patch, minor.
        put32(b, 0, uint32_t(s.fb_version[0]));
        put32(b, 4, uint32_t(s.fb_version[3]));
        put32(b, 8, uint32_t(s.fb_version[2]));
        put32(b, 12, uint32_t(s.fb_version[1]));
        return 0;
    case QEV_FB_ChipInfo:
        std::memset(b, 0, QEV_CHIPINFO_SIZE);
        put32(b, QEV_CHIPINFO_INDEX, chip_index_of(s));
        put32(b, QEV_CHIPINFO_TVCHIP, uint32_t(s.tv_encoder));
        put32(b, QEV_CHIPINFO_TVSLOT, uint32_t(s.tv_slot));
        return 0;
    case QEV_FB_WriteDeviceState: {
        State next = s;
        if (!write_block(next, m->def, b))
            return fail(EINVAL);
        s = next;
        return 0;
    }
    case QEV_FB_ReadDeviceState: read_block(s, b); return 0;
    case QEV_FB_SupportedOutputs: put32(b, 0, s.supported); return 0;
    case QEV_FB_ConnectedOutputs: put32(b, 0, s.connected); return 0;
    case QEV_FB_PanelExpandSupported: put32(b, 0, uint32_t(s.expansion_supported)); return 0;
    case QEV_FB_TVSignalTypesSupported: put32(b, 0, tv_view_sig_supported(s, 0)); return 0;
    case QEV_FB_TVStandardsSupported: put32(b, 0, tv_view_std_supported(s, 0)); return 0;
    case QEV_FB_TVMaxViewSize:
        put32(b, 0, uint32_t(g.size_max[0]));
        put32(b, 4, uint32_t(g.size_max[1]));
        return 0;
    case QEV_FB_TVMaxViewPosition:
        put32(b, 0, uint32_t(g.pos_max[0]));
        put32(b, 4, uint32_t(g.pos_max[1]));
        return 0;
    case QEV_FB_TVTuningItemsSupported: {
        uint32_t bits = 0;
        for (const auto &w : kTuningWords)
            if (g.tuning_supported & (1u << w.slot))
                bits |= w.change;
        put32(b, 0, bits);
        return 0;
    }
    case QEV_FB_TVTuningItemMax: {
        uint32_t change = get32(b, 0);
        for (const auto &w : kTuningWords)
            if (change == w.change && (g.tuning_supported & (1u << w.slot))) {
                put32(b, 0, uint32_t(g.tuning_max[w.slot]));
                return 0;
            }
        return fail(EINVAL);
    }
    case QEV_FB_TVSettingItemsSupported:
        // The aspect item (0x8) has no word in the device-state block.
        put32(b, 0, g.setting_supported & 0x7);
        return 0;
    case QEV_FB_DriverModuleName:
        std::memcpy(b, s.fb_module.c_str(), s.fb_module.size() + 1);
        return 0;
    case QEV_FB_WriteGammaTable: {
        if (!s.gamma_supported)
            return fail(EINVAL);
        uint32_t t[256];
        for (int i = 0; i < 256; i++) {
            t[i] = get32(b, 4 * size_t(i));
            if (t[i] & 0xff000000u)
                return fail(EINVAL);
        }
        std::memcpy(s.gamma, t, sizeof t);
        return 0;
    }
    case QEV_FB_GammaSupported: put32(b, 0, uint32_t(s.gamma_supported)); return 0;
    case QEV_FB_WriteVideoDevice: s.video_device = get32(b, 0); return 0;
    case QEV_FB_ReadVideoDevice: put32(b, 0, s.video_device); return 0;
    case QEV_FB_SammSecondMode: {
        uint32_t second = s.active & ~s.primary;
        second &= -second;
        int w = 0, h = 0, mhz = 0;
        if (second)
            current_mode(s, second, &w, &h, &mhz);
        put32(b, 0, second);
        put32(b, 4, uint32_t(w));
        put32(b, 8, uint32_t(h));
        put32(b, 12, uint32_t((mhz + 500) / 1000));
        return 0;
    }
    case QEV_FB_EngineSync: s.sync_count++; return 0;
    case QEV_FB_FunctionCaps:
        for (int i = 0; i < 32; i++)
            put32(b, 4 * size_t(i), s.caps[i]);
        return 0;
    case QEV_FB_PanelMaxViewSize:
    case QEV_FB_PanelMaxViewPosition:
    case QEV_FB_WritePanelViewSize:
    case QEV_FB_WritePanelViewPosition:
    case QEV_FB_ReadPanelViewPosition:
    case QEV_FB_ReadPanelViewSize: {
        uint32_t bit = get32(b, 0);
        if (!is_adjustable_output(bit) || !(s.supported & bit))
            return fail(EINVAL);
        int i = bit_index(bit);
        Adjust &a = s.adjust[i];
        const Adjust &d = m->def.adjust[i];
        int32_t h = int32_t(get32(b, 4)), v = int32_t(get32(b, 8));
        const int32_t *src = nullptr;
        switch (req) {
        case QEV_FB_PanelMaxViewSize: src = a.size_max; break;
        case QEV_FB_PanelMaxViewPosition: src = a.pos_max; break;
        case QEV_FB_ReadPanelViewSize: src = a.size; break;
        case QEV_FB_ReadPanelViewPosition: src = a.pos; break;
        case QEV_FB_WritePanelViewSize: return adjust_set(a.size, a.size_max, d.size, h, v) ? 0 : fail(EINVAL);
        default: return adjust_set(a.pos, a.pos_max, d.pos, h, v) ? 0 : fail(EINVAL);
        }
        put32(b, 4, uint32_t(src[0]));
        put32(b, 8, uint32_t(src[1]));
        return 0;
    }
    default: return fail(ENOTTY);
    }
}
