/* Builders of the TV, panel and HDMI adjustment windows, and the arrow pads and
 * position preview the three windows share. */
#ifndef QEV_APP_INTERFACE_ADJUSTMENT_H
#define QEV_APP_INTERFACE_ADJUSTMENT_H

#include <gtk/gtk.h>

#include <string>

#include "Adjustment_rules.h"

/* The ten arrows of the size and position pads, in this order. */
enum { PAD_ARROW_COUNT = 10 };
struct PadArrow {
    const char *role;  /* "Size_Left": widgets are PREFIX_Size_Left_eventbox and _pixmap */
    int code;          /* PadCode */
    bool sizePad;
    const char *normal, *disabled, *pressed; /* disabled is null for the Center boxes */
};
extern const PadArrow kPadArrows[PAD_ARROW_COUNT];

/* Press and release handlers of the ten pad event boxes, in kPadArrows order. */
/* The ten arrow-pad roles of both windows, in pad order: X(role, index). */
#define QEV_PAD_ROLES(X)                                                                                  \
    X(Size_Left, 0) X(Size_Up, 1) X(Size_Right, 2) X(Size_Down, 3) X(Size_Center, 4) X(Position_Left, 5) \
        X(Position_Up, 6) X(Position_Right, 7) X(Position_Down, 8) X(Position_Center, 9)

struct PadHandlers {
    GCallback press[PAD_ARROW_COUNT];
    GCallback release[PAD_ARROW_COUNT];
};

GtkWidget *create_TV_Adjustment_Window(void);
GtkWidget *create_Panel_Adjustment_Window(void);
GtkWidget *create_HDMI_Adjustment_Window(void);

/* PREFIX_ROLE_SUFFIX, e.g. "HDMI_Adjustment" "Size_Left" "eventbox". */
std::string PadWidgetName(const char *prefix, const char *role, const char *suffix);
/* Shows one of the arrow's pictures in its picture widget. */
enum PadPicture { PAD_PICTURE_NORMAL, PAD_PICTURE_DISABLED, PAD_PICTURE_PRESSED };
void ShowPadPicture(GtkWidget *window, const char *prefix, int arrow, PadPicture picture);
/* Draws the preview into the window's monitor picture `monitorName`: the
 * screen black, the sample picture placed by the position. */
void DrawPositionCalibrateImage(GtkWidget *window, const char *monitorName, AdjustPair position,
                                AdjustPair maximum);
/* Busy (watch) or normal cursor on a realized window; flushes. */
void SetWindowBusyCursor(GtkWidget *window, bool busy);

/* Microseconds an adjustment window waits after it appears, before it reads
 * the output's settings (one second; the tests shorten it). */
extern gulong g_AdjustmentOpenDelayUs;

#endif
