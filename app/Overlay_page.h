/* The Video page: overlay colour sliders, named schemes in
 * /etc/X11/.Z7UtilityOverlaySchemeFile, the overlay poll and its dialogs. */
#ifndef QEV_APP_OVERLAY_PAGE_H
#define QEV_APP_OVERLAY_PAGE_H

#include <gtk/gtk.h>

#include "overlay_scheme.h"
#include "scheme_file.h"

#define QEV_OVERLAY_SCHEME_FILE ".Z7UtilityOverlaySchemeFile"
#define QEV_OVERLAY_SCHEME_BACKUP ".Z7UtilityOverlaySchemeFileBK"

extern int g_CurrentAttributeValue[OVERLAY_COUNT];
extern OverlaySchemeRecord g_CurrentOverlayScheme;
extern OverlaySchemeRecord g_OKOverlayScheme;
extern int *g_lpZ7OVRState; /* [1]: the slider being released */
extern int g_bVideoIsOpen;
extern int g_bOverlaySaveOrDelAction;
extern SchemeFile g_OverlaySchemeFile;

/* Window builders (interface_overlay_page.cpp). */
void Create_Overlay_Page_Widget(GtkWidget *window, GtkWidget *page);
GtkWidget *create_Overlay_NoYUVData_Dialog(void);
GtkWidget *create_Overlay_Detail_Dialog(void);
GtkWidget *create_Overlay_Save_Scheme_Dialog(void);

void AddOverlayPage(GtkWidget *page);
void InitOverlayScheme(void);
void InstallPollingOverlayStatus(void);
gboolean CheckOverlayStatus(gpointer data);
void ApplyOverlayScheme(void);
void CancelOverlayScheme(void);
void FreeOverlayGlobal(void);

void on_Overlay_Page_map(GtkWidget *page);
gboolean on_Overlay_Brightness_Hscrollbar_button_release_event(GtkWidget *widget, GdkEventButton *event,
                                                               gpointer data);
gboolean on_Overlay_Contrast_Hscrollbar_button_release_event(GtkWidget *widget, GdkEventButton *event,
                                                             gpointer data);
gboolean on_Overlay_Saturation_Hscrollbar_button_release_event(GtkWidget *widget, GdkEventButton *event,
                                                               gpointer data);
gboolean on_Overlay_Hue_Hscrollbar_button_release_event(GtkWidget *widget, GdkEventButton *event, gpointer data);
void on_Overlay_Scheme_Combo_Entry_changed(GtkEditable *editable, gpointer data);
void on_Overlay_Scheme_SaveAs_Button_clicked(GtkButton *button, gpointer data);
void on_Overlay_Scheme_Delete_Button_clicked(GtkButton *button, gpointer data);
void on_Overlay_Scheme_Default_Button_clicked(GtkButton *button, gpointer data);
void on_Overlay_NoYUVData_OK_button_clicked(GtkButton *button, gpointer data);
gboolean on_Overlay_NoYUVData_Dialog_delete_event(GtkWidget *widget, GdkEvent *event, gpointer data);
void on_Overlay_NoYUVData_Details_button_clicked(GtkButton *button, gpointer data);
void on_Overlay_Detail_Dialog_OK_Button_clicked(GtkButton *button, gpointer data);
void on_Overlay_Save_Scheme_OK_Button_clicked(GtkButton *button, gpointer data);
void on_Overlay_Save_Scheme_Cancel_Button_clicked(GtkButton *button, gpointer data);
gboolean on_Overlay_Save_Scheme_Dialog_delete_event(GtkWidget *widget, GdkEvent *event, gpointer data);

#endif
