/* Process-wide state of the program and the helpers every page shares:
 * image and theme directories, message box, Apply button state, list and file
 * helpers, the driver-information record and the single-instance count. */
#ifndef QEV_APP_COMMON_H
#define QEV_APP_COMMON_H

#include <gtk/gtk.h>

/* ---- state set at start-up and read by the pages -------------------------- */
extern GtkWidget *g_pMainWindow;
extern GtkWidget *g_pTVAdjustmentWnd;     /* open TV adjustment window or null */
extern GtkWidget *g_pPanelAdjustmentWnd;  /* open panel adjustment window or null */
extern int g_bRandRMode;
extern int g_bSAMMMode;
extern int g_bSAMMModeChkBtnInitState;
extern int g_bSupportTwoLCD;
extern int g_bSupportTwoTV;
extern int g_sFuncCaps[32]; /* the driver's 128-byte capability record; word 0 is the mask */
extern guint g_TimeoutID;
extern int _ulPageIndex;    /* notebook index of the page shown last */
extern int g_bDisplayPageHasInitial;
extern int g_bGammaPageHasInitial;
extern int g_bOverlayPageHasInitial;
extern int g_bSettingsPageHasInitial;

/* ---- Display page choices, shared with the adjustment and settings windows -- */
/* Fields of the option-item record: applied (g_DisplayPageOptionItems) and
 * pending (g_TmpDisplayPageOptionItems) choices. */
enum {
    QEV_OPT_DEVICE_SET = 0,     /* the outputs chosen to be active */
    QEV_OPT_TV_STANDARD = 1,    /* first TV output (TV or HDTV) */
    QEV_OPT_TV_SIGNAL = 2,
    QEV_OPT_TV2_STANDARD = 3,   /* second TV output (TV2 or HDTV2) */
    QEV_OPT_TV2_SIGNAL = 4,
    QEV_OPT_RESERVED = 5,       /* stays -1 */
    QEV_OPT_LCD_EXPANSION = 6,  /* panel expansion choice */
    QEV_OPT_COUNT = 7
};
struct DisplayPageOptionItems {
    gint32 nItem[QEV_OPT_COUNT];
};
extern DisplayPageOptionItems g_DisplayPageOptionItems;
extern DisplayPageOptionItems g_TmpDisplayPageOptionItems;
extern int g_PrimaryDevice;   /* output bit chosen in the primary list */
extern int g_SecondaryDevice; /* output bit chosen in the secondary list, 0 for "None" */
/* Multi-screen layout: primary bit, secondary bit, relative position 0 to 3. */
struct ScreenLayout {
    int nPrimary;
    int nSecondary;
    int nPosition;
};
extern ScreenLayout g_ScreenLayout;

/* ---- fixed names ------------------------------------------------------------ */
#define QEV_PROGRAM_NAME "QEVDisplayUtility"
#define QEV_UTILITY_VERSION "2.002.2010.0820.87a"
#ifndef QEV_SHARE_DIR /* the build names the installed share directory */
#define QEV_SHARE_DIR "/usr/local/share/QEVDisplayUtility"
#endif
#define QEV_THEME_DIR QEV_SHARE_DIR "/gtkthemes"
#define QEV_PIXMAP_DIR QEV_SHARE_DIR "/pixmaps"
#define QEV_THEME_FILE "gtkrc"
#define QEV_X11_DIR "/etc/X11/"
#define QEV_RESTART_MARKER_NAME ".XWindowNeedtobeRestart"
#define QEV_DRIVER_INFO_FILE "/etc/X11" "/.Z7UtilityINFO"
#define QEV_MESSAGE_TITLE "QEV Display Utility Message"

/* ---- the driver-information record ---------------------------------------- */
enum { QEV_INFO_SLOT_COUNT = 7, QEV_INFO_SLOT_SIZE = 100 };
enum {
    QEV_INFO_SLOT_CHIP = 0,
    QEV_INFO_SLOT_BIOS = 1,
    QEV_INFO_SLOT_MEMORY = 2,
    QEV_INFO_SLOT_DRIVER1 = 3 /* components 1 to 4 in slots 3 to 6 */
};
struct DriverInfoRecord {
    char chText[QEV_INFO_SLOT_COUNT][QEV_INFO_SLOT_SIZE];
};
static_assert(sizeof(DriverInfoRecord) == 700, "the driver-information file is 700 raw bytes");
extern DriverInfoRecord g_DriverInfoRec;

/* Clears `record` and fills it from the driver-information file (a shorter
 * file fills only its own length). Every slot stays NUL-terminated whatever
 * the file holds. 0 when the file cannot be opened. */
int LoadDriverInfoFromFile(DriverInfoRecord *record);

/* ---- image and theme directories ------------------------------------------ */
/* Puts a copy of `directory` at the head of the theme list (searched for the
 * theme file and by LoadPixmapFromFile). */
void AddPixmapDirectory(const gchar *directory);
/* directory + "/" + file when that names a regular file (g_free it), else null. */
gchar *CheckFileExists(const gchar *directory, const gchar *file);
/* The first "gtkrc" of the theme list, or null. g_free it. */
gchar *FindThemeFile(void);
/* Loads `file` from the theme list into an existing picture widget and shows
 * it. 0, leaving the widget unchanged, when the name is empty, the file is in
 * no directory or does not load. */
int LoadPixmapFromFile(GtkWidget *pixmap, const gchar *file);

/* ---- dialogs and window state --------------------------------------------- */
/* Shows a modal message with an OK button that destroys it; returns at once. */
void MessageBox(const gchar *text);
void UpdateApplyBtnState(GtkWidget *window, const gchar *buttonName, gboolean state);
/* Brings the open adjustment window (TV first, then panel) or else the main
 * window to the front and flushes drawing. */
void DisplayWindow(void);

/* ---- lists ------------------------------------------------------------------ */
/* Position of the first selected item, or -1. `pbLast`, when given, is set to 1
 * when that item is the last one, else 0. */
int GetSelListItemNumber(GtkList *list, int *pbLast);
/* 0 when a list item's label reads `text`, 1 when none does. */
int CheckTextNew(GList *items, const gchar *text);

/* ---- files and processes ---------------------------------------------------- */
int IsFileCanWrite(const char *path);
int IIsFileExist(const char *path);
/* Number of running processes whose executable path contains `name`. */
int GetProcessCount(const char *name);
/* The same count, leaving out processes running the executable `except`. */
int CountProcessesExcept(const char *name, const char *except);

#endif
