// Session state and helpers shared by the library's modules. Not installed.
#ifndef QEVGFX_INTERNAL_H
#define QEVGFX_INTERNAL_H

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "qev/fb.h"
#include "qevgfx.h"

// Channel in use.
enum { QEV_CHANNEL_NONE = 0, QEV_CHANNEL_X = 1, QEV_CHANNEL_FB = 2 };

// RandR output summary: active, connected and supported masks, in this order.
struct QevRRInfo {
    unsigned active;
    unsigned connected;
    unsigned supported;
};

extern int DriverType;
extern int OpenDev;
extern Display *dpy;
extern Display *mydisplay;
extern int RandRSupport;
extern int screen;
extern Window root;
struct _XExtensionInfo; // X11/extensions/extutil.h
extern _XExtensionInfo *qevgfx_info;
extern XRRScreenResources *res;
extern QevRRInfo qevRRInfo;

// Interns an atom on the session display.
Atom MakeAtom(const char *name, int onlyIfExists);

// ---- gamma lookup table and video overlay colour ---------------------------

// Library copy of the gamma table: the last one written or read.
extern unsigned short g_gamma_red[256];
extern unsigned short g_gamma_green[256];
extern unsigned short g_gamma_blue[256];
// Resets the library copy to the identity (session open).
void InitGammaLUT();
// Writes the library copy to the gamma rc file; 1 on success.
int SaveGammaLookUpTable();

// Xv ports of the session (-1 until found): selector 0 is the texture
// adaptor's port, selector 1 the overlay adaptor's.
extern int xv_port;
extern int xv_swov_port;
// Finds the two adaptors on mydisplay. When the server has no Xv extension or
// its adaptors cannot be listed, returns the line that says so (the ports stay
// -1); an empty string otherwise.
std::string XVInitForOverlayOnly();
// Writes the overlay rc file from the current driver values; 1 on success.
int SaveOverlayAttributes();

namespace qev {

// One colour attribute of the overlay adaptor: the driver's range and default
// against the control panel's fixed slider scale. Thirteen signed 32-bit
// fields in this order.
struct OverlayProperty {
    int32_t index;      // 0 hue, 1 saturation, 2 brightness, 3 contrast
    int32_t supported;  // the overlay port offers it
    int32_t drange;     // dmax - dmin
    int32_t srange;     // smax - smin
    int32_t ddef;       // driver default
    int32_t sdef;       // slider default
    int32_t slider;     // current slider value
    int32_t driver;     // current driver value
    int32_t dmin, dmax; // driver range
    int32_t smin, smax; // slider range
    int32_t atom;       // the attribute's atom, 0 while not offered
};
static_assert(sizeof(OverlayProperty) == 13 * 4);

enum { OVERLAY_HUE = 0, OVERLAY_SATURATION = 1, OVERLAY_BRIGHTNESS = 2, OVERLAY_CONTRAST = 3, OVERLAY_COUNT = 4 };

// Driver defaults and the record of an attribute nobody has found yet.
constexpr int32_t kOverlayDriverDefault[OVERLAY_COUNT] = {0, 10000, 5000, 10000};
constexpr OverlayProperty OverlayStartRecord(int index) {
    return OverlayProperty{index, 0, 255, 255, kOverlayDriverDefault[index], 128, 128, 0, 0, 255, 0, 255, 0};
}

// Slider to driver value. Brightness is mapped in two straight pieces through
// the default point, the others in one; the result lies in [dmin, dmax].
// Products are formed in 64 bits, so a wide driver range cannot overflow;
// division truncates toward zero.
inline int32_t UiToSys(const OverlayProperty &p, int32_t s) {
    if (s == p.sdef)
        return p.ddef;
    int64_t d;
    int64_t sv = s;
    if (p.index == OVERLAY_BRIGHTNESS) {
        if (sv <= p.sdef) {
            int64_t den = int64_t(p.sdef) - p.smin;
            d = den == 0 ? p.ddef : p.dmin + (sv - p.smin) * (int64_t(p.ddef) - p.dmin) / den;
        } else {
            int64_t den = int64_t(p.smax) - p.sdef;
            d = den == 0 ? p.ddef : p.ddef + (sv - p.sdef) * (int64_t(p.dmax) - p.ddef) / den;
        }
    } else {
        d = p.srange == 0 ? p.ddef : (sv - p.smin) * (int64_t(p.dmax) - p.dmin) / p.srange + p.dmin;
    }
    if (d < p.dmin)
        d = p.dmin;
    if (d > p.dmax)
        d = p.dmax;
    return int32_t(d);
}

// Driver to slider value. A driver range of 0 (or a default on the edge of the
// range that leaves a piece empty) gives the slider default.
inline int32_t SysToUi(const OverlayProperty &p, int32_t d) {
    if (d == p.ddef || p.dmax == p.dmin)
        return p.sdef;
    int64_t dv = d;
    if (dv < p.dmin)
        dv = p.dmin;
    if (dv > p.dmax)
        dv = p.dmax;
    int64_t num, den, base;
    if (p.index != OVERLAY_BRIGHTNESS) {
        num = (dv - p.dmin) * p.srange;
        den = int64_t(p.dmax) - p.dmin;
        base = p.smin;
    } else if (dv > p.ddef) {
        num = (dv - p.ddef) * (int64_t(p.smax) - p.sdef);
        den = int64_t(p.dmax) - p.ddef;
        base = p.sdef;
    } else {
        num = (dv - p.dmin) * (int64_t(p.sdef) - p.smin);
        den = int64_t(p.ddef) - p.dmin;
        base = p.smin;
    }
    if (den == 0)
        return p.sdef;
    return int32_t(num / den + base);
}

// Packed driver word of one gamma table entry: blue in bits 0-7, green in
// 8-15, red in 16-23. Levels above 255 are taken as 255.
inline uint32_t PackGammaEntry(unsigned red, unsigned green, unsigned blue) {
    auto level = [](unsigned v) { return v > 255u ? 255u : v; };
    return level(blue) | level(green) << 8 | level(red) << 16;
}

} // namespace qev

// Attribute table of the overlay port, by index.
extern qev::OverlayProperty g_OverlayProperty[qev::OVERLAY_COUNT];

namespace qev {

inline bool OnX() { return DriverType == QEV_CHANNEL_X && dpy != nullptr; }
inline bool OnRandR() { return OnX() && RandRSupport == 1 && res != nullptr; }
inline bool OnFb() { return DriverType == QEV_CHANNEL_FB && OpenDev >= 0; }

// One framebuffer request; true when the driver returned 0.
bool FbRequest(int request, void *arg);

// Little-endian fields of the framebuffer records.
inline uint32_t GetLE32(const unsigned char *p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline uint16_t GetLE16(const unsigned char *p) { return uint16_t(p[0] | p[1] << 8); }
inline void PutLE16(unsigned char *p, uint16_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}

// A command whose only output is one word, cleared before sending.
int QueryWord(int group, int function, int *out);

// A one-word framebuffer request; *out is written only on success.
int FbWord(int request, uint32_t *out);
// A two-word framebuffer request into pair; written only on success.
int FbPair(int request, int pair[2]);
// The framebuffer device-state block, zeroed before the request.
bool ReadDeviceState(unsigned char *block);
// One little-endian word at offset of a size-byte record that request reads
// (zeroed first); *out only on success.
int FbRecordWord(int request, size_t size, size_t offset, uint32_t *out);
// One little-endian word of the device-state block; *out only on success.
inline int FbStateWord(size_t offset, uint32_t *out) {
    return FbRecordWord(QEV_FB_ReadDeviceState, QEV_DS_SIZE, offset, out);
}

// A query with one out-parameter on its two channel routes: 0 for a null
// out-parameter or without a channel.
template <class T, class XRoute, class FbRoute> int RouteQuery(T *out, XRoute onX, FbRoute onFb) {
    if (out == nullptr)
        return 0;
    if (OnX())
        return onX(out);
    if (OnFb())
        return onFb(out);
    return 0;
}

} // namespace qev

// ---- picture adjustment and display families (display, panel, TV) ----------

#include "qev/outputs.h"

namespace qev {

// RandR name of the output a single output bit addresses; the HDTV outputs are
// driven through "TV" and "TV-2". nullptr for 0, sets and unknown bits.
inline const char *RandROutputName(unsigned bit) {
    if (bit == QEV_OUT_HDTV)
        bit = QEV_OUT_TV;
    else if (bit == QEV_OUT_HDTV2)
        bit = QEV_OUT_TV2;
#define QEV_RANDR_NAME_ROW_(name, b) \
    if (bit == unsigned(b))          \
        return name;
    QEV_RANDR_OUTPUT_TABLE(QEV_RANDR_NAME_ROW_)
#undef QEV_RANDR_NAME_ROW_
    return nullptr;
}

// Little-endian u32 store into a framebuffer record.
inline void PutLE32(unsigned char *p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}

} // namespace qev

#endif
