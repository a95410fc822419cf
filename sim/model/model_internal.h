// Internal state of the simulated adapter model, shared by the model's
// source files. Plain C++; the C interface is qevsim_model.h.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "qev/outputs.h"
#include "qevsim_model.h"

namespace qevsim {

constexpr int kOutputCount = 13;  // bits 0x1 .. 0x1000
constexpr int kTvGroupCount = 4;  // TV, HDTV, TV-2, HDTV-2
constexpr int kComponentCount = 4;
constexpr int kTuningCount = 6;   // item bits 0x1 .. 0x20
constexpr int32_t kDefaultRequest = 65535;  // "use the driver's default"
constexpr uint32_t kLevelPair = 255;        // TV view size is the stored pair

// Index of a single output bit, or -1.
int bit_index(unsigned bit);
// Output names as the configuration options and profiles spell them.
const char *option_name(unsigned bit);
unsigned bit_from_name(const std::string &name);  // case-insensitive; 0 unknown

// TV encoder state of one command group.
struct TvGroup {
    uint32_t std_supported = 0, standard = 0;
    uint32_t sig_supported = 0, signal = 0;
    int32_t size_max[2] = {7, 7}, size[2] = {3, 3};
    uint32_t size_level = 3;  // framebuffer view-size level; 255: the pair holds
    int32_t pos_max[2] = {30, 30}, pos[2] = {15, 15};
    uint32_t tuning_supported = 0x3f;  // item bits
    // tuning[0]: flicker filter mode (3 FFON, 1 AFFON, 0 ALLOFF); its maximum is 3.
    int32_t tuning_max[kTuningCount] = {3, 7, 100, 100, 100, 100};
    int32_t tuning[kTuningCount] = {3, 3, 50, 50, 50, 50};
    uint32_t setting_supported = 0xf;  // 0x1 FF, 0x2 AFF, 0x4 dot crawl, 0x8 aspect
    int32_t dotcrawl = 0, aspect = 0;
};

// View size and position of a non-TV output (panel window / HDMI window).
struct Adjust {
    int32_t size_max[2] = {10, 10}, size[2] = {10, 10};
    int32_t pos_max[2] = {20, 20}, pos[2] = {10, 10};
};

struct Component {
    std::string name;  // at most 32 bytes
    bool present = false;
    int32_t version[4] = {0, 0, 0, 0};
};

// Colour attributes of the Xv overlay adaptor, in the order hue, saturation,
// brightness, contrast (the QEVSIM_XV_* indices of qevsim_model.h).
constexpr int kXvAttrCount = 4;
struct XvAttr {
    int32_t min, max, value;
};

struct ModeDef {
    int w, h, hz;
};

struct State {
    uint32_t chip_id = 0;
    int32_t chip_index = -1;  // framebuffer chip index; -1: from the chip id
    int32_t tv_encoder = 0, tv_slot = 0;
    int32_t bios_version[2] = {0, 0};
    int32_t bios_date[3] = {0, 0, 0};
    int32_t memory_mb = 0;
    Component driver[kComponentCount];
    std::string fb_module;
    int32_t fb_version[4] = {0, 0, 0, 0};  // major, minor, patch, build
    uint32_t caps[32] = {};

    uint32_t supported = 0, connected = 0, active = 0, primary = 0;
    int32_t samm = 0, gemel = 0, samm_supported = 1, panning = 0, v3_on_iga = 0;

    int32_t gamma_supported = 1;
    uint32_t gamma[256] = {};

    int32_t expansion_supported = 1, expansion = 0;  // 0 expand, 1 centre
    int32_t panel_w[2] = {1280, 1280}, panel_h[2] = {800, 800};  // LCD, LCD-2
    Adjust adjust[kOutputCount];

    TvGroup tv[kTvGroupCount];
    bool tv_hd[2] = {false, false};  // RandR "TV" / "TV-2" shows the HDTV group

    bool modes_custom[kOutputCount] = {};
    std::vector<ModeDef> modes[kOutputCount];  // used when modes_custom
    int32_t cur_w[kOutputCount] = {}, cur_h[kOutputCount] = {}, cur_mhz[kOutputCount] = {};

    uint32_t rotations = 0x3f;  // RandR rotation and reflection bits
    int32_t rotate_type = 2, rotate_degree = 1, reflect = 0;

    uint32_t video_device = 0;
    uint32_t sync_count = 0;

    // Xv overlay: the attributes the overlay adaptor offers (bits 1 << index),
    // their ranges and values; the overlay status is forced (0 off, 1 on) or
    // follows the ports showing video (-1).
    uint32_t xv_offered = 0xf;
    XvAttr xv[kXvAttrCount] = {{-180, 180, 0}, {0, 20000, 10000}, {0, 10000, 5000}, {0, 20000, 10000}};
    int32_t overlay_force = -1;
    int32_t overlay_playing = 0;
};

// ---- state.cpp -------------------------------------------------------------
State default_state();
// Brings derived facts in line after a change of masks: active within
// connected, primary within active, SAMM/clone flags within two outputs.
void normalise_outputs(State &s);
// Applies a new active mask (at most two connected, supported outputs; not TV
// with HDTV on the same encoder). Returns false and changes nothing otherwise.
bool set_active_mask(State &s, uint32_t mask, uint32_t primary_first = 0);
// The TV side shows the HDTV group once its HDTV output is switched on, and
// the SD group again when its TV output is switched on.
void follow_active_tv(State &s, uint32_t old_active);
// After a standard change: the active TV bit of that side follows the group
// (TV <-> HDTV) when the other output of the encoder is connected.
void follow_tv_side(State &s, int side);
int panel_size_index(int w, int h);
uint32_t chip_index_of(const State &s);
// TV group index for a command group (21, 23, 25, 26), or -1.
int tv_group_index(uint32_t group);
// Output bit a TV group serves.
unsigned tv_group_bit(int g);
// The group that the "TV" (side 0) or "TV-2" (side 1) output shows now.
int tv_view_group(const State &s, int side);
uint32_t tv_view_std_supported(const State &s, int side);
uint32_t tv_view_sig_supported(const State &s, int side);
// Sets the standard / signal of the TV view; HDTV standards drive the HDTV group.
bool tv_view_set_standard(State &s, int side, uint32_t standard);
bool tv_view_set_signal(State &s, int side, uint32_t signal);
// Single-item setters shared by commands, properties and framebuffer writes.
// `def` supplies the default for the value 65535.
bool tv_set_standard(TvGroup &g, const TvGroup &def, uint32_t v);
bool tv_set_signal(TvGroup &g, const TvGroup &def, uint32_t v);
bool tv_set_size(TvGroup &g, const TvGroup &def, int32_t h, int32_t v);
bool tv_set_position(TvGroup &g, const TvGroup &def, int32_t h, int32_t v);
int tuning_slot(uint32_t item);  // item bit -> 0..5, or -1
bool tv_set_tuning(TvGroup &g, const TvGroup &def, uint32_t item, int32_t v);
bool tv_get_setting(const TvGroup &g, uint32_t item, int32_t *out);
bool tv_set_setting(TvGroup &g, const TvGroup &def, uint32_t item, int32_t v);
bool adjust_set(int32_t cur[2], const int32_t max[2], const int32_t def[2], int32_t h, int32_t v);
bool is_adjustable_output(unsigned bit);  // not a TV/HDTV output
void rotation_set(State &s, int32_t type, int32_t degree);

// ---- modes.cpp -------------------------------------------------------------
std::vector<ModeDef> mode_list(const State &s, unsigned bit);
bool mode_timing(int w, int h, int hz, QevSimModeTiming *out);
int timing_refresh_mhz(const QevSimModeTiming &t);
// Union of the modes of the supported outputs, ascending, rates in Hz.
struct UnionMode {
    int w, h;
    std::vector<int> rates;
};
std::vector<UnionMode> mode_union(const State &s);
// Current mode of an output (its preferred mode until one is set).
void current_mode(const State &s, unsigned bit, int *w, int *h, int *mhz);

// ---- xv.cpp ----------------------------------------------------------------
// Profile key stem of an attribute ("hue" .. "contrast") and its Xv name.
const char *xv_key(int index);
const char *xv_name(int index);

// ---- profile.cpp -----------------------------------------------------------
// Parses and applies one profile value. Returns "" or the reason of a refusal.
std::string apply_key(State &s, const std::string &key, const std::string &value);
bool is_known_key(const std::string &key);
std::string trim(const std::string &s);
std::string lower(std::string s);
void set_error(char *err, size_t errlen, const std::string &msg);

}  // namespace qevsim

struct QevSimModel {
    qevsim::State cur;  // what the adapter does now
    qevsim::State def;  // the profile's values: what 65535 asks for
};
