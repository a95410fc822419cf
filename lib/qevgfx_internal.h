// Session state and helpers shared by the library's modules. Not installed.
#ifndef QEVGFX_INTERNAL_H
#define QEVGFX_INTERNAL_H

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <cstdint>
#include <cstring>

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
