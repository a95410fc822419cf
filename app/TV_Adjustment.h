/* The TV adjustment window: view position and size of a TV output, its
 * picture tuning, flicker filters, dot crawl and aspect lock, and the TV
 * standard and signal type. Everything but the standard and signal type
 * reaches the encoder at once; Cancel sends back what was found at opening. */
#ifndef QEV_APP_TV_ADJUSTMENT_H
#define QEV_APP_TV_ADJUSTMENT_H

#include <gtk/gtk.h>

#include "interface_adjustment.h"

/* Fields of the record of values found at opening. */
enum {
    TV_REC_RECORDING = 0,     /* 1 while the window is being filled */
    TV_REC_SIZE_H = 1,
    TV_REC_SIZE_V = 2,
    TV_REC_POS_H = 3,
    TV_REC_POS_V = 4,
    TV_REC_SETTING_MASK = 5,  /* setting items recorded (4, 8) */
    TV_REC_DOT_CRAWL = 6,
    TV_REC_ASPECT = 7,
    TV_REC_TUNING_MASK = 8,   /* tuning items recorded (1 .. 32) */
    TV_REC_FLICKER = 9,       /* value of item 1 or 2, whichever was recorded */
    TV_REC_BRIGHTNESS = 10,
    TV_REC_CONTRAST = 11,
    TV_REC_COLOR = 12,
    TV_REC_TINT = 13,
    TV_REC_COUNT = 14
};

/* Setting and tuning item codes of the encoder. */
enum { TV_SETTING_FFILTER = 1, TV_SETTING_AFFILTER = 2, TV_SETTING_DOT_CRAWL = 4, TV_SETTING_ASPECT = 8 };
enum {
    TV_TUNING_FFILTER = 1,
    TV_TUNING_AFFILTER = 2,
    TV_TUNING_BRIGHTNESS = 4,
    TV_TUNING_CONTRAST = 8,
    TV_TUNING_COLOR = 16,
    TV_TUNING_TINT = 32
};

extern unsigned g_TVSelect;  /* the TV output being adjusted */
extern guint32 g_TVAdjustData[TV_REC_COUNT];
extern int TV_dwPositionLeft, TV_dwPositionRight, TV_dwPositionUp, TV_dwPositionDown;
extern int TV_dwSizeLeft, TV_dwSizeRight, TV_dwSizeUp, TV_dwSizeDown;
extern int g_FlickerFilterItem;      /* filter found on at the last read: 0 none, 1 plain, 2 adaptive */
extern int _FlickerFilterTuningItem; /* tuning item the flicker slider drives (0 none) */
extern const PadHandlers kTVPadHandlers;

/* Openers: the primary and the secondary list's TV "Advanced..." buttons. */
void on_Device_Setting_TV_Advanced_Button_clicked(GtkButton *button, gpointer user_data);
void on_SecDevice_Setting_TV_Advanced_Button_clicked(GtkButton *button, gpointer user_data);

void InitTVAdjustData(guint32 *data);
void InitTVAdjustmentWnd(void);
void InitTVSizePixmapState(void);
void InitTVPositionPixmapState(void);
void DrawTVPositionCalibrateImage(void);
void ClickTVPositionButton(int code);
void ClickTVSizeButton(int code);
void InitTVSupportSettingItem(void);
void InitTVSupportTuningItem(void);
/* Sends a released slider's value (reset = 0) or the driver default (reset = 1,
 * then the window's items are read again). */
void SetTuningValueIntoDriver(GtkWidget *slider, unsigned item, int reset);
void AbortTVChange(const guint32 *data);

void on_TV_Adjustment_Dot_Crawl_Checkbtn_clicked(GtkButton *button, gpointer user_data);
void on_TV_Adjustment_Aspect_Ratio_Lock_Checkbtn_clicked(GtkButton *button, gpointer user_data);
void on_TV_Adjustment_Flicker_Filter_Off_radiobtn_clicked(GtkButton *button, gpointer user_data);
void on_TV_Adjustment_Flicker_Filter_FFilter_radiobtn_clicked(GtkButton *button, gpointer user_data);
void on_TV_Adjustment_Flicker_Filter_Adaptive_FFilter_radiobtn_clicked(GtkButton *button, gpointer user_data);
gboolean on_TV_Adjustment_Flicker_Filter_hscrollbar_button_release_event(GtkWidget *widget, GdkEventButton *event,
                                                                          gpointer user_data);
gboolean on_TV_Adjustment_Brightness_hscrollbar_button_release_event(GtkWidget *widget, GdkEventButton *event,
                                                                      gpointer user_data);
gboolean on_TV_Adjustment_Contrast_hscrollbar_button_release_event(GtkWidget *widget, GdkEventButton *event,
                                                                    gpointer user_data);
gboolean on_TV_Adjustment_Color_hscrollbar_button_release_event(GtkWidget *widget, GdkEventButton *event,
                                                                 gpointer user_data);
gboolean on_TV_Adjustment_Tint_hscrollbar_button_release_event(GtkWidget *widget, GdkEventButton *event,
                                                                gpointer user_data);
void on_TV_Adjustment_Default_Button_clicked(GtkButton *button, gpointer user_data);
void on_TV_Adjustment_OK_button_clicked(GtkButton *button, gpointer user_data);
void on_TV_Adjustment_Cancel_button_clicked(GtkButton *button, gpointer user_data);
void on_TV_Adjustment_Apply_button_clicked(GtkButton *button, gpointer user_data);
void on_Display_Device_TV_Type_Combo_Entry_changed(GtkEditable *editable, gpointer user_data);
void on_Display_Device_TV_Output_Combo_Entry_changed(GtkEditable *editable, gpointer user_data);
gboolean on_TV_Adjustment_Window_delete_event(GtkWidget *widget, GdkEvent *event, gpointer user_data);

#endif
