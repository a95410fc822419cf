/* The panel and HDMI adjustment windows: view position and size (or, under
 * RandR, the scale) of a non-TV output, and the panel expansion switch. One
 * set of handlers serves both windows; each works on the widget of the same
 * role in the window that belongs to the output being adjusted. */
#ifndef QEV_APP_PANEL_ADJUSTMENT_H
#define QEV_APP_PANEL_ADJUSTMENT_H

#include <gtk/gtk.h>

#include "interface_adjustment.h"

/* Fields of the record of values found at opening. */
enum {
    PANEL_REC_RECORDING = 0,
    PANEL_REC_SIZE_H = 1,
    PANEL_REC_SIZE_V = 2,
    PANEL_REC_POS_H = 3,
    PANEL_REC_POS_V = 4,
    PANEL_REC_COUNT = 7
};

extern unsigned g_DeviceSelect; /* the output being adjusted */
extern guint32 g_PANELAdjustData[PANEL_REC_COUNT];
extern int Panel_dwPositionLeft, Panel_dwPositionRight, Panel_dwPositionUp, Panel_dwPositionDown;
extern int Panel_dwSizeLeft, Panel_dwSizeRight, Panel_dwSizeUp, Panel_dwSizeDown;
extern double setScale[2]; /* horizontal and vertical scale sent under RandR */
extern const PadHandlers kPanelPadHandlers;

/* Openers: the HDMI window for the primary and the secondary output, and the
 * panel window for the same. */
void on_Device_Setting_Advanced_Button_clicked(GtkButton *button, gpointer user_data);
void on_SecDevice_Setting_Advanced_Button_clicked(GtkButton *button, gpointer user_data);
void on_Device_Setting_LCD_Advanced_Button_clicked(GtkButton *button, gpointer user_data);
void on_SecDevice_Setting_LCD_Advanced_Button_clicked(GtkButton *button, gpointer user_data);

void InitPanelAdjustmentWnd(unsigned output);
void InitPanelSizePixmapState(void);
void InitPanelPositionPixmapState(void);
void DrawPanelPositionCalibrateImage(void);
void ClickPanelPositionButton(int code);
void ClickPanelSizeButton(int code);
void AbortPanelChange(const guint32 *data);
/* Name of the widget of role `role` ("Apply_button") in the window of g_DeviceSelect. */
const char *PanelWidgetName(const char *role);

void on_Panel_Adjustment_Default_Button_clicked(GtkButton *button, gpointer user_data);
void on_Panel_Adjustment_OK_button_clicked(GtkButton *button, gpointer user_data);
void on_Panel_Adjustment_Cancel_button_clicked(GtkButton *button, gpointer user_data);
void on_Panel_Adjustment_Apply_button_clicked(GtkButton *button, gpointer user_data);
void on_Device_Setting_LCD_Expansion_checkbtn_clicked(GtkButton *button, gpointer user_data);
gboolean on_Create_Panel_Adjustment_Window_delete_event(GtkWidget *widget, GdkEvent *event, gpointer user_data);

#endif
