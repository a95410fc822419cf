/* libqevgfx: control of the QEV graphics adapter through its X driver
 * (extension "QEVGFX_API" and RandR) or its framebuffer driver ("/dev/fb0").
 *
 * Every operation returns 1 on success and 0 on failure and passes its results
 * through out-parameters, which are written only on success unless a function
 * says otherwise. Output sets are bit masks of the outputs (qev/outputs.h:
 * 0x1 CRT, 0x2 LCD, 0x4 TV, ...). Single-threaded. C and C++. */
#ifndef QEVGFX_H
#define QEVGFX_H

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#if defined(__GNUC__)
#define QEVGFX_API_EXPORT __attribute__((visibility("default")))
#else
#define QEVGFX_API_EXPORT
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Size of the caller's buffer for QEVGFX_Info_GetDriverName, terminator included. */
#define QEVGFX_DRIVER_NAME_SIZE 50

/* A display mode as RandR reports it. `name` is a heap copy (malloc) owned by
 * whoever receives the entry; it holds the mode's whole name. */
typedef struct RRModeEntry {
    char *name;
    unsigned int width;
    unsigned int height;
    float refresh; /* Hz */
} RRModeEntry;

/* ---- session ------------------------------------------------------------- */

QEVGFX_API_EXPORT void QEVGFX_Open(void);
QEVGFX_API_EXPORT void QEVGFX_Close(void);
/* 1: X channel, 2: framebuffer channel; other values are ignored. */
QEVGFX_API_EXPORT void QEVGFX_SetType(int type);
QEVGFX_API_EXPORT int QEVGFX_IsRandR(int *randr);
/* 1: gamma lookup table, 0: overlay colour attributes; X channel only. */
QEVGFX_API_EXPORT int QEVGFX_SaveCurrentSetting(int which);
QEVGFX_API_EXPORT int QEVGFX_DrvSync(void);

/* ---- adapter information ------------------------------------------------- */

/* name: at least QEVGFX_DRIVER_NAME_SIZE bytes. */
QEVGFX_API_EXPORT int QEVGFX_Info_GetDriverName(int component, char *name);
QEVGFX_API_EXPORT int QEVGFX_Info_GetDriverVersion(int component, int version[5]);
/* caps: on the framebuffer channel the driver fills a 128-byte record whose
 * first word is the capability mask. */
QEVGFX_API_EXPORT int QEVGFX_Info_GetFunctionCaps(int *caps);
QEVGFX_API_EXPORT int QEVGFX_Info_GetChipID(int *id);
QEVGFX_API_EXPORT int QEVGFX_Info_GetTVChipID(int *id);
QEVGFX_API_EXPORT int QEVGFX_Info_GetTVChipOnSlot(int *slot);
QEVGFX_API_EXPORT int QEVGFX_Info_GetBiosVersion(int version[2]);
QEVGFX_API_EXPORT int QEVGFX_Info_GetBiosDate(int date[3]);
QEVGFX_API_EXPORT int QEVGFX_Info_GetVideoMemSize(int *megabytes);
QEVGFX_API_EXPORT int QEVGFX_Info_GetUtilityAPIVersion(int *major, int *minor);

/* ---- output devices ------------------------------------------------------ */

QEVGFX_API_EXPORT int QEVGFX_Device_GetSupportCaps(unsigned int *mask);
QEVGFX_API_EXPORT int QEVGFX_Device_GetConnectState(unsigned int *mask);
QEVGFX_API_EXPORT int QEVGFX_Device_GetActiveState(unsigned int *mask);
QEVGFX_API_EXPORT int QEVGFX_Device_SetActiveState(unsigned int mask);
QEVGFX_API_EXPORT int QEVGFX_Device_SetActiveState2(unsigned int mask, unsigned int primary, unsigned int secondary,
                                                    const RRModeEntry *primaryMode,
                                                    const RRModeEntry *secondaryMode);
QEVGFX_API_EXPORT int QEVGFX_Device_GetSupportSAMMState(int *supported);
/* 1 single output, 2 clone, 4 multi-screen. */
QEVGFX_API_EXPORT int QEVGFX_Device_GetDisplayMode(int *mode);
QEVGFX_API_EXPORT int QEVGFX_Device_GetPanningState(int *state);
QEVGFX_API_EXPORT int QEVGFX_Device_GetPrimaryDevice(unsigned int *output);
/* The records of the three calls below belong to the framebuffer driver. */
QEVGFX_API_EXPORT int QEVGFX_Device_SetVideoDevice(int value);
QEVGFX_API_EXPORT int QEVGFX_Device_GetVideoDevice(void *record);
QEVGFX_API_EXPORT int QEVGFX_Device_GetFbResolutionInfo(void *record);

/* ---- driver command channel ---------------------------------------------- */

struct QevCommandBlock; /* qev/protocol.h */
/* One exchange on `display`; returns the driver's status (0 without reply). */
QEVGFX_API_EXPORT int QEVGFXCommand(Display *display, struct QevCommandBlock *block);
/* Sends one command on the session display; returns 1 when the driver's
 * status is non-zero. Outputs are written only then: 32 bytes for the driver
 * name (18/1), otherwise outputCount words. Counts above 256 are refused. */
QEVGFX_API_EXPORT int InputCommand(int group, int function, unsigned int inputCount, const int *inputs,
                                   unsigned int outputCount, int *outputs);

/* ---- RandR layer (valid while QEVGFX_IsRandR reports 1) ------------------ */

QEVGFX_API_EXPORT int rrCheckVersion(Display *display);
QEVGFX_API_EXPORT int rrGetScreen(void);
/* Refreshes the active, connected and supported masks; returns the number of outputs. */
QEVGFX_API_EXPORT int rrGetOutputInfo(void);
QEVGFX_API_EXPORT unsigned int rrDeviceMapping(const char *name);
QEVGFX_API_EXPORT int rrGetDevTransform(unsigned int output, int matrix[9]);
QEVGFX_API_EXPORT int rrGetDevSupRotation(unsigned int output, int *rotations);
QEVGFX_API_EXPORT int rrGetDevCurRotation(unsigned int output, int *rotation);
QEVGFX_API_EXPORT int rrGetDevCurPosition(unsigned int output, int *x, int *y);
/* mode->name receives a new heap copy; the previous pointer is not freed. */
QEVGFX_API_EXPORT int rrGetDevCurrentMode(unsigned int output, RRModeEntry *mode);
/* A malloc'ed array of *count entries (NULL and 0 on failure or without
 * modes); free it with rrFreeModeEntries or free() of each name and the array. */
QEVGFX_API_EXPORT RRModeEntry *rrGetDevSupportMode(unsigned int output, int *count);
QEVGFX_API_EXPORT int rrFindMode(RRModeEntry *entry, RRMode id);
QEVGFX_API_EXPORT void rrFreeModeEntries(RRModeEntry *entries, int count);
QEVGFX_API_EXPORT int rrGetCrtcInfo(void);
QEVGFX_API_EXPORT int rrGetDisplayMode(int *mode);
QEVGFX_API_EXPORT int rrGetPrimaryDevice(unsigned int *output);
/* Returns the number of properties of the output (0 when it does not exist). */
QEVGFX_API_EXPORT int rrGetOutputProperties(unsigned int output, int kind, unsigned int item, unsigned int *value);
QEVGFX_API_EXPORT void rrSetOutputProperties(unsigned int output, int kind, unsigned int item, unsigned int value);

#ifdef __cplusplus
}
#endif

#endif /* QEVGFX_H */
