/* The Display page: which outputs drive the screen (primary, secondary, and how
 * the two are combined), their resolutions with RandR, and the TV standard and
 * signal choices that Apply sends to the encoder.
 *
 * The selection rules are plain functions over output sets and list texts; the
 * GTK handlers read the widgets, call them and write the widgets back. */
#ifndef QEV_APP_DISPLAY_PAGE_H
#define QEV_APP_DISPLAY_PAGE_H

#include <gtk/gtk.h>

#include <string>
#include <vector>

#include "common.h"
#include "qevgfx.h"

/* ---- page state ------------------------------------------------------------- */
extern unsigned g_SelActiveDecice;  /* pending active set; pending field 0 follows it */
extern unsigned g_SelectDevice;     /* primary found while the page is built */
extern unsigned g_SelectSecDevice;  /* active outputs other than the primary, at build */
extern int g_SelectMode;            /* mode shown first in the mode list */
extern int g_count;                 /* 1 while the page is built */
extern int g_bOnlyforSAMM;          /* multi-screen is the only secondary mode offered */
extern int g_Display_SecDevice_List; /* the secondary list built with the page was non-empty */
extern int nPrimaryResolutionItemNum, nSecondaryResolutionItemNum;
extern int bPrimaryResolutionChanged, bSecondaryResolutionChanged;

/* Puts the page's state back to its start values (the page is then built
 * again by AddDisplayPage). */
void ResetDisplayPageState(void);

/* ---- labels, modes and records ---------------------------------------------- */
/* Device bit of a "1. "/"2. " label; 0 for "None"; CRT for any other text. */
int MapTextToDevice(const char *label);
/* "Off" 1, "Clone" 2, "Desktop Expand(SAMM)" 4, anything else 0. */
int MapTextToMode(const char *text);
/* Number of the thirteen output bits set. */
int GetDeviceNum(unsigned set);
void InitDisplayPageOptionItems(DisplayPageOptionItems *record);
/* 1 when `pending` differs from `applied` (second-TV fields count only when
 * the adapter supports a second TV, g_bSupportTwoTV). */
int CheckDisplayPageOtionItemsChange(const DisplayPageOptionItems *applied, const DisplayPageOptionItems *pending);

#define QEV_MODE_TEXT_OFF "Off"
#define QEV_MODE_TEXT_CLONE "Clone"
#define QEV_MODE_TEXT_SAMM "Desktop Expand(SAMM)"
#define QEV_TEXT_NONE "None"

/* ---- device lists -------------------------------------------------------------- */
struct DeviceSets {
    unsigned supported = 0, connected = 0, active = 0;
};

/* The primary candidate at page build: 0 while building becomes the one
 * active output or else `libraryPrimary`; a candidate outside the active set
 * becomes the first active output of the fixed order (or stays when none is). */
unsigned ResolvePrimaryCandidate(unsigned candidate, bool building, unsigned active, unsigned libraryPrimary);

struct PrimaryList {
    std::vector<std::string> entries;
    unsigned current = 0;      /* output of the first entry; 0 when the list starts empty */
    unsigned selectDevice = 0; /* g_SelectDevice afterwards */
    unsigned activeBits = 0;   /* bits to add to the pending set and field 0 of both records */
};
PrimaryList BuildPrimaryList(const DeviceSets &sets, unsigned candidate, unsigned selectDevice);

struct SecondaryList {
    std::vector<std::string> entries;
    unsigned current = 0; /* output placed first; 0 when none */
};
/* The list built with the page; `primaryText` is what the primary combo shows. */
SecondaryList BuildSecondaryList(const DeviceSets &sets, unsigned candidate, const std::string &primaryText);
/* The list after a primary change: "None" and the outputs that may go with the
 * primary. `pairedTV`: the chip's TV encoder shares the CRT's path. */
std::vector<std::string> SimultaneousSecondaryList(const DeviceSets &sets, bool pairedTV,
                                                   const std::string &primaryText);
bool IsPairedTVEncoder(int chipId, int tvChipId);

/* ---- secondary mode list ------------------------------------------------------ */
struct ModeListInput {
    int connectedCount = 0;    /* K */
    int pendingCount = 0;      /* S */
    bool sammSupported = false;
    int currentMode = 0;       /* M */
    std::string secondaryText;
    bool secondaryChosen = false;
    bool randr = false;
    bool startedInSAMM = false; /* g_bSAMMMode */
    int count = 1;             /* g_count */
    bool onlyForSAMM = false;  /* g_bOnlyforSAMM */
};
struct ModeListResult {
    std::vector<std::string> entries;
    int shownMode = 0;
    int count = 1;
    bool onlyForSAMM = false;
    bool secDeviceInsensitive = false; /* multi-screen only: the secondary list is locked */
    int combosSensitive = -1;          /* the four device/resolution combos: -1 untouched */
    bool sammButtonSensitive = false;  /* made sensitive (never made insensitive here) */
};
ModeListResult BuildModeList(const ModeListInput &in);

/* What a mode choice does, by its text and the current display mode. */
struct ModeChoiceEffect {
    int combosSensitive = -1; /* -1 untouched */
    int sammButton = -1;      /* -1 untouched, 0 insensitive, 1 sensitive */
    int apply = -1;           /* -1 untouched, 0 disable, 1 enable */
    int onlyForSAMM = -1;     /* -1 untouched, 0 clear, 1 set */
};
ModeChoiceEffect ModeChoice(const std::string &text, int currentMode, bool randr);

/* ---- resolution lists ------------------------------------------------------- */
enum { QEV_RESOLUTION_MAX_ENTRIES = 50, QEV_RESOLUTION_ENTRY_SIZE = 50 };
std::vector<std::string> ResolutionEntries(const RRModeEntry *modes, int count);
/* Index of the entry shown at build: the last with the current mode's name and
 * a whole refresh within 1 Hz of it, else 0. */
int ShownResolutionIndex(const RRModeEntry *modes, int count, const RRModeEntry &current);

/* ---- advanced buttons --------------------------------------------------------- */
/* Per button (LCD, general, TV): visibility and sensitivity, -1 untouched. */
struct AdvancedButtons {
    int lcdShow = -1, lcdSensitive = -1;
    int generalShow = -1, generalSensitive = -1;
    int tvShow = -1, tvSensitive = -1;
};
/* `changeRule`: after a combo change (else at build and after Apply). */
AdvancedButtons AdvancedButtonRule(unsigned output, unsigned caps, bool randr, unsigned active, bool changeRule);

/* ---- TV standard and signal --------------------------------------------------- */
/* Value of a TV list text ("NTSC" 1 ... "Component S-Video Composite" 256,
 * "TV" 4, "TV2" 512); -1 for any other text. */
int GetComboEntryItemValue(const char *text);
/* Text of a standard (kind 0, 2) or signal (kind 1, 3) value; "" for none. */
const char *TVValueText(int kind, int value);
enum { TV_LIST_SD_STANDARD = 0, TV_LIST_SD_SIGNAL = 1, TV_LIST_HD_STANDARD = 2, TV_LIST_HD_SIGNAL = 3 };
/* Entries of a TV list: kind 0 SD standard, 1 SD signal, 2 HDTV standard,
 * 3 HDTV signal; only those whose bit is in `supported`. */
std::vector<std::string> TVListEntries(int kind, unsigned supported, bool randr);
/* Option-item field of the standard (signal = +1) a TV window choice goes to:
 * the first TV's when the primary or else the secondary is TV/HDTV, the
 * second's for TV2/HDTV2; -1 when neither output is a TV. */
int TVOptionStandardField(unsigned primary, unsigned secondary);
/* The TV output the adjustment window works on. */
unsigned ActiveTVForAdjustment(unsigned active);

struct TVApplyInput {
    unsigned device = 0;
    int pendingStandard = 0, pendingSignal = 0;
    unsigned currentStandard = 0, currentSignal = 0; /* 0 when the read failed */
    bool setChanging = false;  /* the pending set differs from the active one */
    unsigned supportedStandards = 0;
};
struct TVApplyPlan {
    bool setStandard = false, setSignal = false;
    unsigned standard = 0, signal = 0;
};
/* What ApplyTVSetting sends (the standard always before the signal). */
TVApplyPlan PlanTVApply(const TVApplyInput &in);
/* TV outputs whose pending standard and signal an Apply sends, in order: HDTV
 * or else TV, then second HDTV or else second TV. */
std::vector<unsigned> TVOutputsToApply(unsigned pendingSet);

/* ---- GTK side --------------------------------------------------------------- */
int AddDisplayPage(void);
void InitDisplayPrimaryDeviceListFrame(GtkWidget *window, unsigned primary);
void InitDisplaySecondaryDeviceListFrame(GtkWidget *window, unsigned secondary);
void UpdateDeviceModeList(void);
void CheckDeviceSimultaneousRule(void);
/* Shows and sensitises a frame's advanced buttons (`secondary`: the
 * secondary frame's) by the build or the change rule. */
void SetAdvancedButtons(bool secondary, unsigned output, bool changeRule);
/* The mode record at `index` of the output's RandR list (name is a heap copy
 * to free); false when there is none. */
bool DisplayModeRecord(unsigned device, int index, RRModeEntry *mode);
/* Sends the pending standard and signal of one TV output to the encoder. */
void ApplyTVSetting(unsigned device);

void on_Display_Device_Combo_Entry_changed(GtkEditable *editable, gpointer user_data);
void on_Display_SecDevice_Combo_Entry_changed(GtkEditable *editable, gpointer user_data);
void on_Display_SecDevice_Mode_Combo_Entry_changed(GtkEditable *editable, gpointer user_data);
void on_Display_Device_Resolution_Combo_Entry_changed(GtkEditable *editable, gpointer user_data);
void on_Display_SecDevice_Resolution_Combo_Entry_changed(GtkEditable *editable, gpointer user_data);

/* Builds the page's widgets into "PropertySheet_Display" (interface_display_page.cpp). */
void create_Display_Page(GtkWidget *window);

#endif
