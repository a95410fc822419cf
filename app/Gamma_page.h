/* The Gamma page: sliders, channel and preview lists, named schemes in
 * /etc/X11/.Z7UtilityGammaSchemeFile, and its Apply and Exit steps. */
#ifndef QEV_APP_GAMMA_PAGE_H
#define QEV_APP_GAMMA_PAGE_H

#include <gtk/gtk.h>

#include "gamma_ramp.h"
#include "scheme_file.h"

#define QEV_GAMMA_SCHEME_FILE ".Z7UtilityGammaSchemeFile"
#define QEV_GAMMA_SCHEME_BACKUP ".Z7UtilityGammaSchemeFileBK"

extern GammaPageState *g_lpZ7GState;
extern SchemeRecord *g_CurrentSchemeRecord;
extern SchemeRecord *g_OKSchemeRecord;
extern int g_bSaveOrDelAction;
extern GtkWidget *g_pGammaSaveSchemeWnd;
extern GtkWidget *g_pSchemeWarningWnd;
extern SchemeFile g_GammaSchemeFile;

/* Window builders (interface_gamma_page.cpp). */
void Create_Gamma_Page_Widget(GtkWidget *window, GtkWidget *page);
GtkWidget *create_Gamma_Save_Scheme_Window(void);
GtkWidget *create_Save_Scheme_Warning(void);

void AllocGammaGlobal(void);
void FreeGammaGlobal(void);
void AddGammaPage(GtkWidget *page);
void InitGammaPage(void);
void ApplyGammaPageChang(void);
void CancelGammaPageChange(void);

void SetScreenGamma(void);
void DrawCalibrateImage(int index);
void DoDrawGammaCurves(void);
void UpdateGBCwidget(const SchemeRecord *record);
void SetToDefaultGamma(void);

gboolean on_Gamma_Gamma_Hscrollbar_button_release_event(GtkWidget *widget, GdkEventButton *event, gpointer data);
gboolean on_Gamma_Brightness_Hscrollbar_button_release_event(GtkWidget *widget, GdkEventButton *event,
                                                             gpointer data);
gboolean on_Gamma_Contrast_Hscrollbar_button_release_event(GtkWidget *widget, GdkEventButton *event, gpointer data);
void on_Gamma_Calibrate_ChangeType_Combo_Entry_changed(GtkEditable *editable, gpointer data);
void on_Gamma_Calibrate_Combo_Entry_changed(GtkEditable *editable, gpointer data);
void on_Gamma_Scheme_Default_Button_clicked(GtkButton *button, gpointer data);
void on_Gamma_Scheme_Combo_Entry_changed(GtkEditable *editable, gpointer data);
void on_Gamma_Scheme_SaveAs_Button_clicked(GtkButton *button, gpointer data);
void on_Gamma_Scheme_Delete_Button_clicked(GtkButton *button, gpointer data);
void on_Gamma_Save_Scheme_OK_button_clicked(GtkButton *button, gpointer data);
void on_Gamma_Save_Scheme_Cancel_button_clicked(GtkButton *button, gpointer data);
gboolean on_Gamma_Save_Scheme_window_delete_event(GtkWidget *widget, GdkEvent *event, gpointer data);
void on_Save_Scheme_Warning_OK_button_clicked(GtkButton *button, gpointer data);
gboolean on_Save_Scheme_Warning_Window_delete_event(GtkWidget *widget, GdkEvent *event, gpointer data);

#endif
