/* C interface of the simulated adapter model. The model is plain C++ (no Xorg
 * headers); the Xorg driver glue (C) and the framebuffer stand-in reach it only
 * through these functions. One model per process; not thread-safe. */
#ifndef QEVSIM_MODEL_H
#define QEVSIM_MODEL_H

#include <stddef.h>
#include <stdint.h>

#include "qev/protocol.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct QevSimModel QevSimModel;

/* ---- life cycle ---------------------------------------------------------- */

/* A model in the built-in default profile. */
QevSimModel *qevsim_model_new(void);
void qevsim_model_free(QevSimModel *m);

/* Applies a profile file (key=value lines, see sim/README.md) on top of the
 * current state. Returns 1 on success; on failure returns 0 and writes one line
 * "FILE:LINE: key 'KEY': REASON" into err (always NUL-terminated). */
int qevsim_model_load_profile(QevSimModel *m, const char *path, char *err, size_t errlen);

/* Applies one key=value pair as a profile line would (for tests and control);
 * on failure err holds "key 'KEY': REASON". */
int qevsim_model_set_key(QevSimModel *m, const char *key, const char *value, char *err, size_t errlen);

/* ---- the extension ------------------------------------------------------- */

/* Carries out one command: reads group, function and inputs of the block,
 * writes status (0 for unknown or refused commands) and outputs. Outputs
 * beyond the command's count are left 0. */
void qevsim_model_command(QevSimModel *m, QevCommandBlock *block);

/* ---- outputs (bits of qev/outputs.h) -------------------------------------- */

unsigned qevsim_model_supported(const QevSimModel *m);
unsigned qevsim_model_connected(const QevSimModel *m);
unsigned qevsim_model_active(const QevSimModel *m);
unsigned qevsim_model_primary(const QevSimModel *m);
/* Plug or unplug an output; unplugging also makes it inactive. */
void qevsim_model_set_connected(QevSimModel *m, unsigned bit, int connected);
/* RandR switched an output on or off. The "TV" output (0x4) stands for its
 * encoder: while HDTV (0x40) is active, switching TV on keeps HDTV and switching
 * it off ends HDTV; the same holds for TV-2 (0x200) and HDTV-2 (0x400). The RandR
 * "TV" output is lit when the active mask holds 0x4 or 0x40. */
void qevsim_model_set_output_active(QevSimModel *m, unsigned bit, int active);
/* RandR's primary output: taken when it is one active output, else ignored. */
void qevsim_model_set_primary(QevSimModel *m, unsigned bit);
/* The multi-screen (SAMM) and clone (Gemel) flags, as the screen layout shows
 * them. With two active outputs the pair is either SAMM or a clone (gemel is
 * !samm); with fewer both flags are 0. */
void qevsim_model_set_layout(QevSimModel *m, int samm, int gemel);

/* Modes an output offers, preferred first. refresh_mhz: refresh in mHz. */
typedef struct QevSimMode {
    int width, height;
    int refresh_mhz;
} QevSimMode;
int qevsim_model_mode_count(const QevSimModel *m, unsigned bit);
int qevsim_model_mode_get(const QevSimModel *m, unsigned bit, int index, QevSimMode *out);
/* Exact timings of a mode of qevsim_model_mode_get (VESA/CEA timings where
 * they exist, CVT otherwise). flags use the values of Xorg's V_* mode flags. */
#define QEVSIM_MODE_PHSYNC 0x1
#define QEVSIM_MODE_NHSYNC 0x2
#define QEVSIM_MODE_PVSYNC 0x4
#define QEVSIM_MODE_NVSYNC 0x8
typedef struct QevSimModeTiming {
    int clock_khz;
    int hdisplay, hsync_start, hsync_end, htotal;
    int vdisplay, vsync_start, vsync_end, vtotal;
    unsigned flags;
} QevSimModeTiming;
/* Returns 1 and fills out for an existing mode; 0 otherwise. The mode's
 * refresh_mhz is clock_khz * 10^6 / (htotal * vtotal), rounded. */
int qevsim_model_mode_timing(const QevSimModel *m, unsigned bit, int index, QevSimModeTiming *out);
/* RandR set a mode on an output (also updates the current mode record). */
void qevsim_model_set_current_mode(QevSimModel *m, unsigned bit, int width, int height, int refresh_mhz);
/* RandR rotation bits (1, 2, 4, 8 plus reflections 16, 32) supported / current. */
int qevsim_model_rotations(const QevSimModel *m);
void qevsim_model_set_rotation(QevSimModel *m, int rr_rotation);

/* ---- driver output properties (RandR) --------------------------------------
 * The properties an output carries: TV outputs "Type", "Signal", "ScaleH",
 * "ScaleV", "PosH", "PosV", "FFilter", "AFFilterValue", "Brightness",
 * "Contrast", "Saturation", "Tint", "DotCrawl"; LCD outputs "Feature" and the
 * scale and position integers. Atom properties give their allowed names; the
 * value of an atom property is an index into them. */
typedef struct QevSimProperty {
    const char *name;
    int is_atom;            /* 1: atom property, 0: 32-bit integer */
    int min, max;           /* integer range */
    const char *atoms[16];  /* allowed atom names (is_atom) */
    int natoms;
    int value;              /* integer value, or index into atoms */
} QevSimProperty;
int qevsim_model_property_count(const QevSimModel *m, unsigned bit);
int qevsim_model_property_get(const QevSimModel *m, unsigned bit, int index, QevSimProperty *out);
/* Returns 1 when the value was taken, 0 when refused (unknown or out of range). */
int qevsim_model_property_set(QevSimModel *m, unsigned bit, const char *name, int value);

/* ---- xorg.conf Device options --------------------------------------------- */

/* "ActiveDevice", "TVType", "TVOutput", "RotateType", "Rotate". Returns 1 when
 * understood; 0 with a message in err otherwise. */
int qevsim_model_apply_option(QevSimModel *m, const char *key, const char *value, char *err, size_t errlen);

/* ---- framebuffer device ("/dev/fb0") --------------------------------------- */

/* Carries out one framebuffer request 0x514556nn (qev/fb.h) on arg. Returns 0
 * on success; -1 with errno ENOTTY for an unknown request, EFAULT for a null
 * argument, EINVAL for a refused one (state unchanged). Records of requests
 * the library passes through (see sim/README.md): 0x05 four u32 words (width,
 * height, bits per pixel, refresh Hz of the primary output); 0x27 reads one
 * u32 (the video device); 0x28 writes that u32 back; 0x29 four u32 words
 * (secondary output bit, width, height, refresh Hz). */
int qevsim_model_fb_ioctl(QevSimModel *m, unsigned long request, void *arg);

/* ---- Xv overlay ------------------------------------------------------------
 * The colour attributes of the overlay adaptor ("XV_SWOV") and the overlay
 * status that the texture adaptor reports as "XV_OVERLAYSTATUS". Ranges and
 * values come from the profile keys xv.attributes and xv.NAME_range / xv.NAME. */
#define QEVSIM_XV_HUE 0
#define QEVSIM_XV_SATURATION 1
#define QEVSIM_XV_BRIGHTNESS 2
#define QEVSIM_XV_CONTRAST 3
#define QEVSIM_XV_COUNT 4
typedef struct QevSimXvAttribute {
    const char *name; /* "XV_HUE", "XV_SATURATION", "XV_BRIGHTNESS", "XV_CONTRAST" */
    int offered;      /* the overlay adaptor lists it */
    int min, max, value;
} QevSimXvAttribute;
/* Returns 1 and fills out for index 0..QEVSIM_XV_COUNT-1, else 0. */
int qevsim_model_xv_attribute(const QevSimModel *m, int index, QevSimXvAttribute *out);
/* Index of an attribute name (exact Xv name), or -1. */
int qevsim_model_xv_index(const char *name);
/* Returns 1 when taken; 0 when the attribute is not offered or value lies
 * outside its range (state unchanged). */
int qevsim_model_xv_set(QevSimModel *m, int index, int value);
/* The number of overlay ports showing video now (the driver's count). */
void qevsim_model_set_overlay_playing(QevSimModel *m, int ports);
/* -1: the status follows the ports showing video; 0: forced off; 1: forced on. */
void qevsim_model_force_overlay(QevSimModel *m, int mode);
int qevsim_model_overlay_forced(const QevSimModel *m);
/* 1 while a video overlay is shown (or forced on), else 0. */
int qevsim_model_overlay_status(const QevSimModel *m);

/* ---- inspection ----------------------------------------------------------- */

/* The whole state as JSON (stable key order); caller frees with free(). */
char *qevsim_model_dump_json(const QevSimModel *m);

#ifdef __cplusplus
}
#endif

#endif /* QEVSIM_MODEL_H */
