// The model's life cycle, the QEVGFX_API commands and the RandR-side calls.
#include <bit>
#include <cstring>

#include "model_internal.h"
#include "qev/commands.h"

using namespace qevsim;

namespace {

bool is_single(uint32_t v) { return v != 0 && (v & (v - 1)) == 0; }

constexpr uint32_t kPanels = QEV_OUT_LCD | QEV_OUT_LCD2;

// Panel the expansion and information commands address: LCD or LCD-2.
int panel_slot(const State &s, uint32_t bit) {
    if (!(s.supported & bit & kPanels) || !is_single(bit))
        return -1;
    return bit == QEV_OUT_LCD ? 0 : 1;
}

bool adjustable(const State &s, uint32_t bit) { return is_adjustable_output(bit) && (s.supported & bit); }

bool cmd_info(QevSimModel *m, uint32_t fn, const int32_t *in, int32_t *out) {
    State &s = m->cur;
    switch (fn) {
    case 1: out[0] = int32_t(s.chip_id); return true;
    case 2: out[0] = s.bios_version[0]; out[1] = s.bios_version[1]; return true;
    case 3: std::memcpy(out, s.bios_date, sizeof s.bios_date); return true;
    case 4: out[0] = s.memory_mb; return true;
    case 5: out[0] = s.tv_encoder; return true;
    default: (void)in; return false;
    }
}

bool cmd_driver(QevSimModel *m, uint32_t fn, const int32_t *in, int32_t *out) {
    State &s = m->cur;
    auto component = [&]() -> const Component * {
        if (in[0] < 1 || in[0] > kComponentCount || !s.driver[in[0] - 1].present)
            return nullptr;
        return &s.driver[in[0] - 1];
    };
    switch (fn) {
    case 1: {
        // The name travels as raw bytes in the first eight output words; a
        // 32-byte name has no terminating zero.
        const Component *c = component();
        if (!c)
            return false;
        std::memcpy(out, c->name.data(), std::min<size_t>(c->name.size(), QEV_DRIVER_NAME_BYTES));
        return true;
    }
    case 2: {
        const Component *c = component();
        if (!c)
            return false;
        std::memcpy(out, c->version, sizeof c->version);
        return true;
    }
    case 3: s.sync_count++; return true;
    case 4: std::memcpy(out, s.caps, sizeof s.caps); return true;
    default: return false;
    }
}

bool cmd_device(QevSimModel *m, uint32_t fn, const int32_t *in, int32_t *out) {
    State &s = m->cur;
    switch (fn) {
    case 1: out[0] = int32_t(s.supported); return true;
    case 2: out[0] = int32_t(s.connected); return true;
    case 3: out[0] = int32_t(s.active); return true;
    case 4: return set_active_mask(s, uint32_t(in[0]));
    case 5: out[0] = s.samm; return true;
    case 8: out[0] = s.samm_supported; return true;
    case 9:
        // Which output of the clone pair shows the video overlay: 0 main, 1 other.
        if (in[0] != 0 && in[0] != 1)
            return false;
        s.v3_on_iga = in[0];
        return true;
    case 10: out[0] = s.v3_on_iga; return true;
    case 11: out[0] = s.gemel; return true;
    case 12: out[0] = s.panning; return true;
    case 13: out[0] = int32_t(s.primary); return true;
    default: return false;
    }
}

bool cmd_panel(QevSimModel *m, uint32_t fn, const int32_t *in, int32_t *out) {
    State &s = m->cur;
    const State &d = m->def;
    switch (fn) {
    case 2: {
        int p = panel_slot(s, uint32_t(in[0]));
        if (p < 0)
            return false;
        out[0] = panel_size_index(s.panel_w[p], s.panel_h[p]);
        out[1] = s.panel_w[p];
        out[2] = s.panel_h[p];
        out[3] = 60;  // refresh, Hz
        out[4] = 24;  // bits per pixel of the panel link
        return true;
    }
    case 3:
        if (!(s.supported & kPanels))
            return false;
        out[0] = s.expansion;
        return true;
    case 4: {
        // Inputs 0-2 carry nothing; input 3 is the panel (or a set of outputs
        // holding it), input 4 the state.
        int32_t v = in[4] == kDefaultRequest ? d.expansion : in[4];
        if (!s.expansion_supported || !(uint32_t(in[3]) & s.supported & kPanels) || (v != 0 && v != 1))
            return false;
        s.expansion = v;
        return true;
    }
    case 5:
        if (!(s.supported & kPanels))
            return false;
        out[0] = s.expansion_supported;
        return true;
    case 6: case 7: case 9: case 10: {
        uint32_t bit = uint32_t(in[0]);
        if (!adjustable(s, bit))
            return false;
        const Adjust &a = s.adjust[bit_index(bit)];
        const int32_t *src = fn == 6 ? a.size_max : fn == 7 ? a.size : fn == 9 ? a.pos_max : a.pos;
        out[0] = src[0];
        out[1] = src[1];
        return true;
    }
    case 8: case 11: {
        uint32_t bit = uint32_t(in[2]);
        if (!adjustable(s, bit))
            return false;
        int i = bit_index(bit);
        Adjust &a = s.adjust[i];
        if (fn == 8)
            return adjust_set(a.size, a.size_max, d.adjust[i].size, in[0], in[1]);
        return adjust_set(a.pos, a.pos_max, d.adjust[i].pos, in[0], in[1]);
    }
    default: return false;
    }
}

bool cmd_tv(QevSimModel *m, int gi, uint32_t fn, const int32_t *in, int32_t *out) {
    State &s = m->cur;
    if (!(s.supported & tv_group_bit(gi)))
        return false;
    TvGroup &g = s.tv[gi];
    const TvGroup &d = m->def.tv[gi];
    switch (fn) {
    case 1: out[0] = int32_t(g.std_supported); return true;
    case 2: out[0] = int32_t(g.standard); return true;
    case 3: return tv_set_standard(g, d, uint32_t(in[0]));
    case 4: out[0] = int32_t(g.sig_supported); return true;
    case 5: out[0] = int32_t(g.signal); return true;
    case 6: return tv_set_signal(g, d, uint32_t(in[0]));
    case 7: out[0] = g.size_max[0]; out[1] = g.size_max[1]; return true;
    case 8: out[0] = g.size[0]; out[1] = g.size[1]; return true;
    case 9: return tv_set_size(g, d, in[0], in[1]);
    case 10: out[0] = g.pos_max[0]; out[1] = g.pos_max[1]; return true;
    case 11: out[0] = g.pos[0]; out[1] = g.pos[1]; return true;
    case 12: return tv_set_position(g, d, in[0], in[1]);
    case 13: out[0] = int32_t(g.tuning_supported); return true;
    case 14: case 15: {
        int i = tuning_slot(uint32_t(in[0]));
        if (i < 0 || !(g.tuning_supported & uint32_t(in[0])))
            return false;
        out[0] = fn == 14 ? g.tuning_max[i] : g.tuning[i];
        return true;
    }
    case 16: return tv_set_tuning(g, d, uint32_t(in[0]), in[1]);
    case 17: out[0] = int32_t(g.setting_supported); return true;
    case 18: return tv_get_setting(g, uint32_t(in[0]), &out[0]);
    case 19: return tv_set_setting(g, d, uint32_t(in[0]), in[1]);
    default: return false;
    }
}

bool cmd_gamma(QevSimModel *m, uint32_t fn, const int32_t *in, int32_t *out) {
    State &s = m->cur;
    switch (fn) {
    case 1: out[0] = s.gamma_supported; return true;
    case 2:
        if (!s.gamma_supported)
            return false;
        std::memcpy(out, s.gamma, sizeof s.gamma);
        return true;
    case 3:
        if (!s.gamma_supported)
            return false;
        // Entries are blue | green << 8 | red << 16; anything above is a
        // level out of range.
        for (int i = 0; i < 256; i++)
            if (uint32_t(in[i]) & 0xff000000u)
                return false;
        std::memcpy(s.gamma, in, sizeof s.gamma);
        return true;
    default: return false;
    }
}

bool cmd_display(QevSimModel *m, uint32_t fn, const int32_t *in, int32_t *out) {
    State &s = m->cur;
    switch (fn) {
    case 1: {
        auto modes = mode_union(s);
        if (in[0] < 0 || size_t(in[0]) >= modes.size()) {
            out[0] = 4095;  // end of the list
            return true;
        }
        const UnionMode &u = modes[size_t(in[0])];
        out[0] = in[0] + 1;
        out[1] = u.w;
        out[2] = u.h;
        out[3] = int32_t(u.rates.size());
        for (size_t i = 0; i < u.rates.size(); i++)
            out[4 + i] = u.rates[i];
        return true;
    }
    case 2: {
        int w, h, mhz;
        current_mode(s, s.primary, &w, &h, &mhz);
        out[0] = w;
        out[1] = h;
        out[2] = (mhz + 500) / 1000;
        out[3] = 24;  // colour depth
        out[4] = 4095;
        auto modes = mode_union(s);
        for (size_t i = 0; i < modes.size(); i++)
            if (modes[i].w == w && modes[i].h == h)
                out[4] = int32_t(i) + 1;
        return true;
    }
    case 3: {
        uint32_t sel = uint32_t(in[0]);
        if (sel != 0 && (bit_index(sel) < 0 || !(s.supported & sel)))
            return false;
        out[0] = int32_t(s.rotations & 0xf);
        return true;
    }
    case 4: out[0] = s.rotate_type; out[1] = s.rotate_degree; return true;
    case 5:
        if ((in[0] != 1 && in[0] != 2) || !is_single(uint32_t(in[1])) || !(uint32_t(in[1]) & s.rotations & 0xf))
            return false;
        rotation_set(s, in[0], in[1]);
        return true;
    default: return false;
    }
}

}  // namespace

extern "C" {

QevSimModel *qevsim_model_new(void) {
    auto *m = new QevSimModel;
    m->cur = default_state();
    m->def = m->cur;
    return m;
}

void qevsim_model_free(QevSimModel *m) { delete m; }

void qevsim_model_command(QevSimModel *m, QevCommandBlock *block) {
    std::memset(block->output, 0, sizeof block->output);
    const int32_t *in = block->input;
    int32_t *out = block->output;
    uint32_t fn = block->function;
    bool ok = false;
    switch (block->group) {
    case 17: ok = cmd_info(m, fn, in, out); break;
    case 18: ok = cmd_driver(m, fn, in, out); break;
    case 19: ok = cmd_device(m, fn, in, out); break;
    case 20: ok = cmd_panel(m, fn, in, out); break;
    case 22: ok = cmd_gamma(m, fn, in, out); break;
    case 24: ok = cmd_display(m, fn, in, out); break;
    default: {
        int gi = tv_group_index(block->group);
        ok = gi >= 0 && cmd_tv(m, gi, fn, in, out);
    }
    }
    if (!ok)
        std::memset(block->output, 0, sizeof block->output);
    block->status = ok ? 1 : 0;
}

unsigned qevsim_model_supported(const QevSimModel *m) { return m->cur.supported; }
unsigned qevsim_model_connected(const QevSimModel *m) { return m->cur.connected; }
unsigned qevsim_model_active(const QevSimModel *m) { return m->cur.active; }
unsigned qevsim_model_primary(const QevSimModel *m) { return m->cur.primary; }

void qevsim_model_set_connected(QevSimModel *m, unsigned bit, int connected) {
    State &s = m->cur;
    if (bit_index(bit) < 0 || !(s.supported & bit))
        return;
    if (connected) {
        s.connected |= bit;
    } else {
        s.connected &= ~bit;
        s.active &= ~bit;
    }
    normalise_outputs(s);
}

void qevsim_model_set_output_active(QevSimModel *m, unsigned bit, int active) {
    State &s = m->cur;
    if (bit_index(bit) < 0 || !(s.connected & bit))
        return;
    uint32_t old = s.active;
    // The RandR "TV" / "TV-2" output stands for its whole encoder: lighting it
    // while the encoder drives HDTV keeps HDTV, switching it off ends both.
    uint32_t hd = bit == QEV_OUT_TV ? QEV_OUT_HDTV : bit == QEV_OUT_TV2 ? QEV_OUT_HDTV2 : 0;
    if (active && !(s.active & hd))
        s.active |= bit;
    else if (!active)
        s.active &= ~(bit | hd);
    normalise_outputs(s);
    follow_active_tv(s, old);
}

void qevsim_model_set_primary(QevSimModel *m, unsigned bit) {
    if (bit_index(bit) >= 0 && (m->cur.active & bit))
        m->cur.primary = bit;
}

void qevsim_model_set_layout(QevSimModel *m, int samm, int gemel) {
    m->cur.samm = samm ? 1 : 0;
    m->cur.gemel = gemel ? 1 : 0;
    normalise_outputs(m->cur);
}

int qevsim_model_mode_count(const QevSimModel *m, unsigned bit) { return int(mode_list(m->cur, bit).size()); }

int qevsim_model_mode_get(const QevSimModel *m, unsigned bit, int index, QevSimMode *out) {
    QevSimModeTiming t;
    if (!qevsim_model_mode_timing(m, bit, index, &t))
        return 0;
    out->width = t.hdisplay;
    out->height = t.vdisplay;
    out->refresh_mhz = timing_refresh_mhz(t);
    return 1;
}

int qevsim_model_mode_timing(const QevSimModel *m, unsigned bit, int index, QevSimModeTiming *out) {
    auto l = mode_list(m->cur, bit);
    if (index < 0 || size_t(index) >= l.size())
        return 0;
    const ModeDef &d = l[size_t(index)];
    if (!mode_timing(d.w, d.h, d.hz, out))
        return 0;
    out->hdisplay = d.w;  // CVT rounds the width to whole cells; keep the mode's own
    return 1;
}

void qevsim_model_set_current_mode(QevSimModel *m, unsigned bit, int width, int height, int refresh_mhz) {
    int i = bit_index(bit);
    if (i < 0 || width <= 0 || height <= 0)
        return;
    m->cur.cur_w[i] = width;
    m->cur.cur_h[i] = height;
    m->cur.cur_mhz[i] = refresh_mhz;
}

int qevsim_model_rotations(const QevSimModel *m) { return int(m->cur.rotations); }

void qevsim_model_set_rotation(QevSimModel *m, int rr_rotation) {
    State &s = m->cur;
    uint32_t deg = uint32_t(rr_rotation) & 0xf, refl = uint32_t(rr_rotation) & 0x30;
    if (!is_single(deg) || (uint32_t(rr_rotation) & ~s.rotations))
        return;
    s.rotate_degree = int32_t(deg);
    s.reflect = int32_t(refl);
}

}  // extern "C"
