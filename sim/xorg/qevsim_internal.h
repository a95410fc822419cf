/* Internal interface of the qevsim Xorg driver: what the screen glue, the
 * RandR layer and the extensions share. C11, Xorg server headers. */
#ifndef QEVSIM_INTERNAL_H
#define QEVSIM_INTERNAL_H

#include <xorg-server.h>
#include <xf86.h>
#include <xf86Crtc.h>

#include "qevsim_model.h"

#define QEVSIM_DRIVER_NAME "qevsim"
#define QEVSIM_NUM_CRTCS 2
#define QEVSIM_MAX_SCREENS 2

/* ---- the process-wide model (one per server, shared by every screen) ---- */

/* The model, created on first use. */
QevSimModel *qevsim_model(void);

/* ---- screens ------------------------------------------------------------- */

typedef struct QevSimScreen {
    ScrnInfoPtr scrn;
    OptionInfoPtr options;
    unsigned outputs_mask;  /* model outputs this screen owns */
    void *fb;               /* the framebuffer, 32 bpp */
    int fb_pitch;           /* bytes per line */
    CloseScreenProcPtr close_screen;
    CreateScreenResourcesProcPtr create_resources;
    Bool xv_adaptors;       /* Device option "Xv" is not off/empty */
    Bool applying;          /* pushing model state into RandR: no echo back */
} QevSimScreen;

#define QEVSIM_PRIV(scrn) ((QevSimScreen *)((scrn)->driverPrivate))

/* Screens of this driver that finished ScreenInit, in screen order. */
int qevsim_screen_count(void);
QevSimScreen *qevsim_screen(int index);

/* True when a Device section asked for the QEVGFX_API extension to be left out. */
Bool qevsim_extension_disabled(void);

/* ---- RandR layer (qevsim_randr.c) ---------------------------------------- */

/* Creates the CRTCs and one output per model output in mask, named as RandR
 * names them; sets the initial configuration from the model's active outputs. */
Bool qevsim_randr_preinit(ScrnInfoPtr scrn, unsigned mask);
/* After xf86CrtcScreenInit: rotations, transforms. */
void qevsim_randr_screen_init(ScreenPtr screen);
/* Resizes the screen pixmap (also the xf86CrtcConfig resize hook). */
Bool qevsim_resize_fb(ScrnInfoPtr scrn, int width, int height);
/* The model changed behind RandR's back (an extension command, run-time
 * control): bring outputs, CRTCs and output properties up to date and tell
 * RandR clients. */
void qevsim_model_changed(void);
/* Copies the RandR state of one screen into the model. */
void qevsim_sync_model_from_randr(ScrnInfoPtr scrn);
/* The model's primary output from RandR's (set by clients without a hook). */
void qevsim_sync_primary_from_randr(void);
/* RandR's objects exist: RandR's primary becomes the model's. */
void qevsim_randr_resources_ready(ScrnInfoPtr scrn);

/* ---- QEVGFX_API extension (qevsim_ext.c) --------------------------------- */

void qevsim_ext_init(void); /* extension init proc, registered at module setup */

/* Faults the run-time control injects into the answers of QEVGFX_API. */
typedef enum {
    QEVSIM_FAULT_NONE,
    QEVSIM_FAULT_STATUS0,    /* status 0, the command is not carried out */
    QEVSIM_FAULT_XERROR,     /* an X error (BadImplementation) instead of a reply */
    QEVSIM_FAULT_SHORTREPLY, /* a reply with fewer than 510 extra units */
    QEVSIM_FAULT_LONGREPLY,  /* a reply with more than 510 extra units */
} QevSimFaultKind;
typedef struct QevSimFault {
    QevSimFaultKind kind;
    int units; /* extra units of a short or long reply */
} QevSimFault;
/* The fault for a command: one set for its code, else one set for all. */
QevSimFault qevsim_fault_find(uint32_t group, uint32_t function);
const char *qevsim_fault_name(int kind);
/* TRUE when `fault modeset WxH` makes the CRTCs refuse a mode of that size. */
Bool qevsim_fault_modeset(int width, int height);

/* The request log: every command the extension received, oldest first. */
#define QEVSIM_LOG_INPUTS 8
typedef struct QevSimLogEntry {
    uint32_t group, function;
    int32_t status;
    int ninputs;                       /* inputs kept (at most QEVSIM_LOG_INPUTS) */
    int32_t input[QEVSIM_LOG_INPUTS];
    int fault;                         /* QevSimFaultKind that shaped the answer */
} QevSimLogEntry;
int qevsim_log_count(void);
const QevSimLogEntry *qevsim_log_get(int index);
void qevsim_log_clear(void);

/* Runs one command block through the model, logs it and reflects model
 * changes into RandR (used by every extension that carries commands). */
void qevsim_run_command(QevCommandBlock *block);

/* ---- QEVSIM_CONTROL extension (qevsim_ctl.c) ----------------------------- */

void qevsim_ctl_init(void); /* extension init proc, registered at module setup */

/* ---- Xv adaptors (qevsim_xv.c) ------------------------------------------- */

Bool qevsim_xv_screen_init(ScreenPtr screen);

#endif /* QEVSIM_INTERNAL_H */
