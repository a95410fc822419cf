// The whole model state as JSON, keys in a fixed order.
#include <cstdlib>
#include <cstring>
#include <string>

#include "model_internal.h"

using namespace qevsim;

namespace {

class Json {
public:
    void open(const char *key, char bracket) {
        sep(key);
        out_ += bracket;
        first_ = true;
    }
    void close(char bracket) {
        out_ += bracket;
        first_ = false;
    }
    void num(const char *key, long long v) {
        sep(key);
        out_ += std::to_string(v);
    }
    void str(const char *key, const std::string &v) {
        sep(key);
        out_ += '"';
        for (unsigned char c : v) {
            if (c == '"' || c == '\\') {
                out_ += '\\';
                out_ += char(c);
            } else if (c < 0x20) {
                static const char hex[] = "0123456789abcdef";
                out_ += "\\u00";
                out_ += hex[c >> 4];
                out_ += hex[c & 0xf];
            } else {
                out_ += char(c);
            }
        }
        out_ += '"';
    }
    template <typename T>
    void nums(const char *key, const T *v, size_t n) {
        open(key, '[');
        for (size_t i = 0; i < n; i++)
            num(nullptr, (long long)v[i]);
        close(']');
    }
    const std::string &text() const { return out_; }

private:
    void sep(const char *key) {
        if (!first_)
            out_ += ',';
        first_ = false;
        if (key) {
            out_ += '"';
            out_ += key;
            out_ += "\":";
        }
    }
    std::string out_;
    bool first_ = true;
};

void dump_tv(Json &j, const char *key, const TvGroup &g) {
    j.open(key, '{');
    j.num("std_supported", g.std_supported);
    j.num("standard", g.standard);
    j.num("sig_supported", g.sig_supported);
    j.num("signal", g.signal);
    j.nums("size_max", g.size_max, 2);
    j.nums("size", g.size, 2);
    j.num("size_level", g.size_level);
    j.nums("pos_max", g.pos_max, 2);
    j.nums("pos", g.pos, 2);
    j.num("tuning_supported", g.tuning_supported);
    j.nums("tuning_max", g.tuning_max, kTuningCount);
    j.nums("tuning", g.tuning, kTuningCount);
    j.num("setting_supported", g.setting_supported);
    j.num("dotcrawl", g.dotcrawl);
    j.num("aspect", g.aspect);
    j.close('}');
}

}  // namespace

extern "C" char *qevsim_model_dump_json(const QevSimModel *m) {
    const State &s = m->cur;
    Json j;
    j.open(nullptr, '{');
    j.num("chip_id", s.chip_id);
    j.num("chip_index", chip_index_of(s));
    j.num("tv_encoder", s.tv_encoder);
    j.num("tv_encoder_slot", s.tv_slot);
    j.nums("bios_version", s.bios_version, 2);
    j.nums("bios_date", s.bios_date, 3);
    j.num("memory_mb", s.memory_mb);
    j.open("drivers", '[');
    for (const auto &c : s.driver) {
        j.open(nullptr, '{');
        j.num("present", c.present);
        j.str("name", c.name);
        j.nums("version", c.version, 4);
        j.close('}');
    }
    j.close(']');
    j.str("fb_module", s.fb_module);
    j.nums("fb_version", s.fb_version, 4);
    j.nums("caps", s.caps, 32);
    j.num("supported", s.supported);
    j.num("connected", s.connected);
    j.num("active", s.active);
    j.num("primary", s.primary);
    j.num("samm", s.samm);
    j.num("gemel", s.gemel);
    j.num("samm_supported", s.samm_supported);
    j.num("panning", s.panning);
    j.num("v3_on_iga", s.v3_on_iga);
    j.num("gamma_supported", s.gamma_supported);
    j.nums("gamma", s.gamma, 256);
    j.num("expansion_supported", s.expansion_supported);
    j.num("expansion", s.expansion);
    j.open("panels", '[');
    for (int p = 0; p < 2; p++) {
        j.open(nullptr, '{');
        j.num("width", s.panel_w[p]);
        j.num("height", s.panel_h[p]);
        j.close('}');
    }
    j.close(']');
    j.open("outputs", '{');
    for (int i = 0; i < kOutputCount; i++) {
        unsigned bit = 1u << i;
        j.open(option_name(bit), '{');
        if (is_adjustable_output(bit)) {
            const Adjust &a = s.adjust[i];
            j.nums("size_max", a.size_max, 2);
            j.nums("size", a.size, 2);
            j.nums("pos_max", a.pos_max, 2);
            j.nums("pos", a.pos, 2);
        }
        int w, h, mhz;
        current_mode(s, bit, &w, &h, &mhz);
        const int cur[3] = {w, h, mhz};
        j.nums("current_mode", cur, 3);
        j.open("modes", '[');
        for (const auto &md : mode_list(s, bit)) {
            const int v[3] = {md.w, md.h, md.hz};
            j.nums(nullptr, v, 3);
        }
        j.close(']');
        j.close('}');
    }
    j.close('}');
    static const char *kGroups[kTvGroupCount] = {"tv", "hdtv", "tv2", "hdtv2"};
    j.open("tv", '{');
    for (int g = 0; g < kTvGroupCount; g++)
        dump_tv(j, kGroups[g], s.tv[g]);
    j.close('}');
    const int hd[2] = {s.tv_hd[0], s.tv_hd[1]};
    j.nums("tv_hd", hd, 2);
    j.num("rotations", s.rotations);
    j.num("rotate_type", s.rotate_type);
    j.num("rotate_degree", s.rotate_degree);
    j.num("reflect", s.reflect);
    j.open("xv", '{');
    for (int i = 0; i < kXvAttrCount; i++) {
        j.open(xv_key(i), '{');
        j.num("offered", (s.xv_offered >> i) & 1);
        j.num("min", s.xv[i].min);
        j.num("max", s.xv[i].max);
        j.num("value", s.xv[i].value);
        j.close('}');
    }
    j.close('}');
    j.open("overlay", '{');
    j.num("status", qevsim_model_overlay_status(m));
    j.num("forced", s.overlay_force);
    j.num("ports_playing", s.overlay_playing);
    j.close('}');
    j.num("video_device", s.video_device);
    j.num("sync_count", s.sync_count);
    j.close('}');
    char *out = static_cast<char *>(std::malloc(j.text().size() + 1));
    if (out)
        std::memcpy(out, j.text().c_str(), j.text().size() + 1);
    return out;
}
