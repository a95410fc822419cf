/* Applying the Display page (outputs, TV settings, resolutions, multi-screen),
 * the SAMM position and clone video-output windows, and the restart window. */
#ifndef QEV_APP_SAMMSETTING_H
#define QEV_APP_SAMMSETTING_H

#include <gtk/gtk.h>

#include <string>

extern GtkWidget *_pSAMMSettingDlg;
extern GtkWidget *_pGemelSettingDlg;
extern GtkWidget *g_pRestartXWnd;
extern int g_RelativePositionBackup;
extern int g_bIsSAMMScrnPosChanged;
extern int g_nVideoOutputDev;
extern int g_bIsGemelVideoPosChanged;

/* ---- plain rules -------------------------------------------------------------- */
/* The multi-screen change test: `chosen` is 1 when the mode list shows
 * multi-screen; `initState` follows the last applied choice. */
int SAMMChoiceChanged(int chosen, int *initState, int posChanged);
/* Names of the SAMM window's device labels ("Unknow" for anything unnamed). */
const char *SAMMDeviceName(int bit);
/* Names of the clone window's device labels; null when the output is not named. */
const char *GemelDeviceName(int bit);
/* The SAMM window's pair: DVI primary with LCD secondary is shown LCD first. */
void SAMMDialogPair(int primary, int secondary, int *shownPrimary, int *shownSecondary);
/* The clone window's main output of an active set and the rest of the set. */
void GemelSplit(unsigned active, unsigned *main, unsigned *rest);
/* The output that shows video for a clone window choice (index 1: the
 * secondary), from the Display page's primary and secondary. */
int GemelVideoOutputFor(int index, int primary, int secondary);
/* 1 when the clone video output may be sent to the library. */
int IsGemelVideoOutput(int output);
/* The restart window's text. */
std::string RestartText(bool onlyForSAMM);
/* Writes the restart marker's text to `path`, replacing any file there
 * atomically. 0 with `error` set on failure. */
int WriteRestartMarker(const std::string &path, std::string *error);

/* ---- Apply ---------------------------------------------------------------------- */
void ApplyDisplayPageChang(void);
void ApplySAMMSetting(void);
int IsSAMMSettingsChanged(void);

/* ---- windows -------------------------------------------------------------------- */
GtkWidget *create_SAMM_Setting_Window(void);
GtkWidget *create_Gemel_Setting_Window(void);
GtkWidget *create_SAMM_Restart_X_Window(void);
void InitSAMMSettingsDlg(GtkWidget *window, int layout[3]);
void InitGemelSettingsDlg(GtkWidget *window, unsigned activeSet);
void ApplyGemelSetting(void);

void on_Display_Device_SAMM_Setting_Btn_clicked(GtkButton *button, gpointer user_data);
void on_Display_Device_Gemel_Setting_Btn_clicked(GtkButton *button, gpointer user_data);
gboolean on_SAMM_Setting_Window_delete_event(GtkWidget *widget, GdkEvent *event, gpointer user_data);
void on_SAMM_Setting_OK_Button_clicked(GtkButton *button, gpointer user_data);
void on_SAMM_Setting_Cancel_Button_clicked(GtkButton *button, gpointer user_data);
void on_SAMM_Setting_RelativePos_Combo_Entry_changed(GtkEditable *editable, gpointer user_data);
gboolean on_Gemel_Setting_Window_delete_event(GtkWidget *widget, GdkEvent *event, gpointer user_data);
void on_Gemel_Setting_OK_Button_clicked(GtkButton *button, gpointer user_data);
void on_Gemel_Setting_Cancel_Button_clicked(GtkButton *button, gpointer user_data);
void on_Gemel_Setting_RelativePos_Combo_Entry_changed(GtkEditable *editable, gpointer user_data);
void on_Restart_X_OK_button_clicked(GtkButton *button, gpointer user_data);
gboolean on_SAMM_Restart_X_Window_delete_event(GtkWidget *widget, GdkEvent *event, gpointer user_data);

#endif
