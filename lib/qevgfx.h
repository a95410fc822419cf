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
/* Outcome of the last QEVGFX_Open. The library never ends its caller: a server
 * without Xv leaves the session open without the overlay family, an X screen
 * number the display does not have leaves no session at all. */
#define QEVGFX_OPEN_OK 0
#define QEVGFX_OPEN_NO_XV 1          /* X channel open; Xv missing or its adaptors unreadable */
#define QEVGFX_OPEN_INVALID_SCREEN 2 /* no channel: the screen number is not the display's */
/* status: one of the values above. message (may be null): size bytes that
 * receive the condition as one line of text ending in a newline, or "" when
 * the open went well; the text is cut to fit and always terminated. Returns 1. */
QEVGFX_API_EXPORT int QEVGFX_GetOpenStatus(int *status, char *message, unsigned int size);
QEVGFX_API_EXPORT void QEVGFX_Close(void);
/* 1: X channel, 2: framebuffer channel; other values are ignored. */
QEVGFX_API_EXPORT void QEVGFX_SetType(int type);
/* The channel in use: 0 none, 1 X channel, 2 framebuffer channel. Returns 1. */
QEVGFX_API_EXPORT int QEVGFX_GetType(int *type);
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
                                                    const RRModeEntry *primaryMode, const RRModeEntry *secondaryMode);
QEVGFX_API_EXPORT int QEVGFX_Device_GetSupportSAMMState(int *supported);
/* 1 single output, 2 clone, 4 multi-screen. */
QEVGFX_API_EXPORT int QEVGFX_Device_GetDisplayMode(int *mode);
QEVGFX_API_EXPORT int QEVGFX_Device_GetPanningState(int *state);
QEVGFX_API_EXPORT int QEVGFX_Device_GetPrimaryDevice(unsigned int *output);

/* Several output answers from one read of every output (one round trip with
 * RandR): the supported, connected and active masks as the three queries
 * above give them, and for each output bit 1 << i in `modeOutputs` the list
 * QEVGFX_DISPLAY_GetDevSupportMode gives in modes[i] and modeCount[i] (owned
 * by the caller: rrFreeModeEntries). Other slots are NULL and 0. Returns 1
 * when the three masks were read. */
typedef struct QevOutputSummary {
    unsigned int supported;
    unsigned int connected;
    unsigned int active;
    int modeCount[32];
    RRModeEntry *modes[32];
} QevOutputSummary;
QEVGFX_API_EXPORT int QEVGFX_Device_GetOutputSummary(unsigned int modeOutputs, QevOutputSummary *summary);
/* RandR's own primary output (what `xrandr --primary` sets) as an output bit,
 * 0 for none; QEVGFX_Device_GetPrimaryDevice gives the first lit output under
 * RandR instead. Setting 0 clears it. Both return 0 without RandR; setting
 * also for a bit that names no output of the screen or that the server
 * refuses. */
QEVGFX_API_EXPORT int QEVGFX_Device_GetRandRPrimary(unsigned int *output);
QEVGFX_API_EXPORT int QEVGFX_Device_SetRandRPrimary(unsigned int output);
/* The records of the three calls below belong to the framebuffer driver. */
QEVGFX_API_EXPORT int QEVGFX_Device_SetVideoDevice(int value);
QEVGFX_API_EXPORT int QEVGFX_Device_GetVideoDevice(void *record);
QEVGFX_API_EXPORT int QEVGFX_Device_GetFbResolutionInfo(void *record);

/* ---- gamma lookup table -------------------------------------------------- */

/* 256 entries per colour, levels 0..255 (higher levels are taken as 255). The
 * library keeps a copy of the last table written or read, which
 * QEVGFX_SaveCurrentSetting(1) saves. Reading is X channel only. */
QEVGFX_API_EXPORT int QEVGFX_GAMMA_GetDeviceSupportState(int *supported);
QEVGFX_API_EXPORT int QEVGFX_GAMMA_SetLookUpTable(const unsigned short red[256], const unsigned short green[256],
                                                  const unsigned short blue[256]);
QEVGFX_API_EXPORT int QEVGFX_GAMMA_GetLookUpTable(unsigned short red[256], unsigned short green[256],
                                                  unsigned short blue[256]);

/* ---- video overlay colour (Xv) ------------------------------------------- */

/* index: 0 hue, 1 saturation, 2 brightness, 3 contrast; values on a 0..255
 * slider scale (128 is the driver's default). caps: 0x1 hue, 0x2 saturation,
 * 0x4 brightness, 0x8 contrast. InitializeAttribute returns 1 when the
 * overlay port offers at least one of the four. */
QEVGFX_API_EXPORT int QEVGFX_Overlay_InitializeAttribute(void);
QEVGFX_API_EXPORT int QEVGFX_Overlay_GetSupportAttributeCaps(int *caps);
/* SetAttribute: 0 off the X channel, for an index outside 0..3 and when the
 * driver refuses the value; an attribute the port does not offer is only
 * recorded. */
QEVGFX_API_EXPORT int QEVGFX_Overlay_SetAttribute(int index, int slider);
/* An index outside 0..3 returns 1 and leaves *slider alone; an attribute the
 * port does not offer reads 128. */
QEVGFX_API_EXPORT int QEVGFX_Overlay_GetAttribute(int index, int *slider);
/* 1 while a video overlay is shown. */
QEVGFX_API_EXPORT int QEVGFX_Overlay_IsOverlayOpened(void);

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
/* QEVGFX_Device_GetOutputSummary's RandR route. */
QEVGFX_API_EXPORT int rrGetOutputSummary(unsigned int modeOutputs, QevOutputSummary *summary);
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

/* ---- display modes, rotation and scaling (X channel only) ---------------- */

/* record: word 0 mode identifier (4095 past the end of the list), 1 width,
 * 2 height, 3 number N of refresh rates (at most 10), 4..3+N the rates in Hz. */
QEVGFX_API_EXPORT int QEVGFX_DISPLAY_EnumModes(int index, int record[14]);
QEVGFX_API_EXPORT int QEVGFX_DISPLAY_GetCurrentMode(int record[5]);
/* type: 1 SW, 2 HW; degree: 1 normal, 2 CCW, 4 UD, 8 CW. */
QEVGFX_API_EXPORT int QEVGFX_DISPLAY_GetRotateDegree(int *type, int *degree);
QEVGFX_API_EXPORT int QEVGFX_DISPLAY_GetRotateCaps(int selector, int *caps);
/* Writes the rotation as Device options of the X configuration; it takes
 * effect when the X server restarts. */
QEVGFX_API_EXPORT int QEVGFX_DISPLAY_SetRotateDegree(int type, int degree);
QEVGFX_API_EXPORT int SetRotationInfo(int type, int degree);
/* Per output, through RandR. mode->name receives a heap copy. */
QEVGFX_API_EXPORT int QEVGFX_DISPLAY_GetDevCurMode(unsigned int output, RRModeEntry *mode);
/* *modes: a malloc'ed array of *count entries owned by the caller
 * (rrFreeModeEntries); NULL and 0 when the output lists none. */
QEVGFX_API_EXPORT int QEVGFX_DISPLAY_GetDevSupportMode(unsigned int output, int *count, RRModeEntry **modes);
/* RandR rotation bits: 1 normal, 2 left, 4 inverted, 8 right (16, 32 reflections). */
QEVGFX_API_EXPORT int QEVGFX_DISPLAY_GetDevCurRotation(unsigned int output, int *rotation);
QEVGFX_API_EXPORT int QEVGFX_DISPLAY_GetDevSupRotation(unsigned int output, int *rotations);
QEVGFX_API_EXPORT int QEVGFX_DISPLAY_SetDevRotationDeg(unsigned int outputs, int degree);
/* width and height are not used; refresh 0 keeps xrandr's choice. */
QEVGFX_API_EXPORT int QEVGFX_DISPLAY_SetDevMode(unsigned int output, const char *modeName, int width, int height,
                                                float refresh);
QEVGFX_API_EXPORT int QEVGFX_DISPLAY_GetCurrentScale(unsigned int output, double scale[2]);
QEVGFX_API_EXPORT int QEVGFX_DISPLAY_SetScale(unsigned int output, double sx, double sy);

/* ---- flat panel ---------------------------------------------------------- */

/* panel: an output bit (the LCD is 0x2). Pairs are horizontal, vertical. */
QEVGFX_API_EXPORT int QEVGFX_Panel_GetInfo(unsigned int panel, int info[5]);
QEVGFX_API_EXPORT int QEVGFX_Panel_GetSupportExpandState(unsigned int panel, int *supported);
/* state: 0 expand, 1 centre. */
QEVGFX_API_EXPORT int QEVGFX_Panel_GetExpandState(unsigned int panel, int *state);
QEVGFX_API_EXPORT int QEVGFX_Panel_SetExpandState(unsigned int panel, int state);
QEVGFX_API_EXPORT int QEVGFX_Panel_GetMaxViewSize(unsigned int panel, int size[2]);
QEVGFX_API_EXPORT int QEVGFX_Panel_GetViewSize(unsigned int panel, int size[2]);
QEVGFX_API_EXPORT int QEVGFX_Panel_SetViewSize(unsigned int panel, int h, int v);
QEVGFX_API_EXPORT int QEVGFX_Panel_GetMaxViewPosition(unsigned int panel, int pos[2]);
QEVGFX_API_EXPORT int QEVGFX_Panel_GetViewPosition(unsigned int panel, int pos[2]);
QEVGFX_API_EXPORT int QEVGFX_Panel_SetViewPosition(unsigned int panel, int h, int v);

/* ---- TV encoder ---------------------------------------------------------- */

/* tv: 0x4 TV, 0x40 HDTV, 0x200 TV-2, 0x400 HDTV-2. Standards, signal types,
 * tuning items (0x1 flicker filter mode, 0x2 adaptive flicker filter level,
 * 0x4 brightness, 0x8 contrast, 0x10 saturation, 0x20 tint) and setting items
 * (0x1 flicker filter, 0x2 adaptive flicker filter, 0x4 dot crawl, 0x8 aspect)
 * are bits. A value of 65535 asks the driver for its default. */
QEVGFX_API_EXPORT int QEVGFX_TV_GetSupportStandard(unsigned int tv, unsigned int *mask);
QEVGFX_API_EXPORT int QEVGFX_TV_GetStandard(unsigned int tv, unsigned int *standard);
QEVGFX_API_EXPORT int QEVGFX_TV_SetStandard(unsigned int tv, unsigned int standard);
QEVGFX_API_EXPORT int QEVGFX_TV_GetSupportSignalType(unsigned int tv, unsigned int *mask);
QEVGFX_API_EXPORT int QEVGFX_TV_GetSignalType(unsigned int tv, unsigned int *type);
QEVGFX_API_EXPORT int QEVGFX_TV_SetSignalType(unsigned int tv, unsigned int type);
QEVGFX_API_EXPORT int QEVGFX_TV_GetMaxViewSize(unsigned int tv, int size[2]);
QEVGFX_API_EXPORT int QEVGFX_TV_GetViewSize(unsigned int tv, int size[2]);
QEVGFX_API_EXPORT int QEVGFX_TV_SetViewSize(unsigned int tv, int h, int v);
QEVGFX_API_EXPORT int QEVGFX_TV_GetMaxViewPosition(unsigned int tv, int pos[2]);
QEVGFX_API_EXPORT int QEVGFX_TV_GetViewPosition(unsigned int tv, int pos[2]);
QEVGFX_API_EXPORT int QEVGFX_TV_SetViewPosition(unsigned int tv, int h, int v);
/* items: OR'ed into the caller's word, which the caller clears. */
QEVGFX_API_EXPORT int QEVGFX_TV_GetSupportTuningCaps(unsigned int tv, unsigned int *items);
QEVGFX_API_EXPORT int QEVGFX_TV_GetTuningItemMaxValue(unsigned int tv, unsigned int item, int *max);
QEVGFX_API_EXPORT int QEVGFX_TV_GetTuningItemValue(unsigned int tv, unsigned int item, int *value);
QEVGFX_API_EXPORT int QEVGFX_TV_SetTuningItemValue(unsigned int tv, unsigned int item, int value);
QEVGFX_API_EXPORT int QEVGFX_TV_GetSupportSettingCaps(unsigned int tv, unsigned int *items);
QEVGFX_API_EXPORT int QEVGFX_TV_GetSettingItemState(unsigned int tv, unsigned int item, int *state);
QEVGFX_API_EXPORT int QEVGFX_TV_SetSettingItemState(unsigned int tv, unsigned int item, int state);
/* Command group of the TV functions for a TV output: 23 HDTV, 25 TV-2,
 * 26 HDTV-2, 21 otherwise. */
QEVGFX_API_EXPORT int GetTVFunctionID(unsigned int tv);

/* ---- multi-screen (SAMM) and clone (Gemel) ------------------------------ */

/* Output bits of the two screens; position of the secondary: 0 right of the
 * primary, 1 left, 2 above, 3 below. With RandR the layout is made at once;
 * without it the X configuration is rewritten (effective when the X server
 * restarts); on the framebuffer channel the driver is told. */
QEVGFX_API_EXPORT int QEVGFX_SAMM_Enable(int primary, int secondary, int position);
QEVGFX_API_EXPORT int QEVGFX_SAMM_Disable(int primary, int secondary, int position);
/* layout: primary bit, secondary bit, position (255: none of the four). */
QEVGFX_API_EXPORT int QEVGFX_SAMM_GetScreenLayout(int layout[3]);
/* Framebuffer channel only: the driver fills the caller's record (four
 * 32-bit words each). */
QEVGFX_API_EXPORT int QEVGFX_SAMM_GetFbSammInfo(void *record);
QEVGFX_API_EXPORT int QEVGFX_SAMM_Second_Mode(void *record);
/* The RandR route of enable and disable (position ignored by the second);
 * both return 1, and do nothing without RandR. */
QEVGFX_API_EXPORT int RRSetScreenLayout(int primary, int secondary, int position);
QEVGFX_API_EXPORT int RRClearScreenLayout(int primary, int secondary, int position);
/* The output of the clone pair that shows the video overlay (X channel). */
QEVGFX_API_EXPORT int QEVGFX_Gemel_GetVideoOutputDevice(int *output);
QEVGFX_API_EXPORT int QEVGFX_Gemel_SetVideoOutputDevice(int output);
/* 1 or 2: outputs of a clone pair that can show video. */
QEVGFX_API_EXPORT int QEVGFX_Gemel_GetMaxVideoOutput(int *count);
/* The X configuration (/etc/X11/XF86Config, else /etc/X11/xorg.conf): 1 when
 * its layout turns Xinerama on; Option lines of its first Device section. */
QEVGFX_API_EXPORT int IsXineramaExist(void);
QEVGFX_API_EXPORT int InsertNewDeviceOption(const char *name, const char *value);
QEVGFX_API_EXPORT int DeleteDeviceOption(const char *name);

/* ---- end of multi-screen and clone --------------------------------------- */

#ifdef __cplusplus
}
#endif

#endif /* QEVGFX_H */
