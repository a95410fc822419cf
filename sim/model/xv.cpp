// Xv overlay attributes and the overlay status.
#include <cstring>

#include "model_internal.h"

namespace qevsim {

namespace {
constexpr const char *kKeys[kXvAttrCount] = {"hue", "saturation", "brightness", "contrast"};
constexpr const char *kNames[kXvAttrCount] = {"XV_HUE", "XV_SATURATION", "XV_BRIGHTNESS", "XV_CONTRAST"};
}  // namespace

const char *xv_key(int index) { return index >= 0 && index < kXvAttrCount ? kKeys[index] : nullptr; }
const char *xv_name(int index) { return index >= 0 && index < kXvAttrCount ? kNames[index] : nullptr; }

}  // namespace qevsim

using namespace qevsim;

extern "C" int qevsim_model_xv_attribute(const QevSimModel *m, int index, QevSimXvAttribute *out) {
    if (!out || index < 0 || index >= kXvAttrCount)
        return 0;
    const XvAttr &a = m->cur.xv[index];
    out->name = kNames[index];
    out->offered = (m->cur.xv_offered >> index) & 1;
    out->min = a.min;
    out->max = a.max;
    out->value = a.value;
    return 1;
}

extern "C" int qevsim_model_xv_index(const char *name) {
    for (int i = 0; name && i < kXvAttrCount; i++)
        if (std::strcmp(name, kNames[i]) == 0)
            return i;
    return -1;
}

extern "C" int qevsim_model_xv_set(QevSimModel *m, int index, int value) {
    if (index < 0 || index >= kXvAttrCount || !((m->cur.xv_offered >> index) & 1))
        return 0;
    XvAttr &a = m->cur.xv[index];
    if (value < a.min || value > a.max)
        return 0;
    a.value = value;
    return 1;
}

extern "C" void qevsim_model_set_overlay_playing(QevSimModel *m, int ports) {
    m->cur.overlay_playing = ports > 0 ? ports : 0;
}

extern "C" void qevsim_model_force_overlay(QevSimModel *m, int mode) {
    m->cur.overlay_force = mode < 0 ? -1 : mode > 0 ? 1 : 0;
}

extern "C" int qevsim_model_overlay_forced(const QevSimModel *m) { return m->cur.overlay_force; }

extern "C" int qevsim_model_overlay_status(const QevSimModel *m) {
    if (m->cur.overlay_force >= 0)
        return m->cur.overlay_force;
    return m->cur.overlay_playing > 0 ? 1 : 0;
}
