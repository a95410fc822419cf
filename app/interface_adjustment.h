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

/* The ten arrow-pad roles of both windows, in pad order (kPadArrows order): X(window, role, index). */
#define QEV_PAD_ROLES(X, w)                                                                                 \
    X(w, Size_Left, 0) X(w, Size_Up, 1) X(w, Size_Right, 2) X(w, Size_Down, 3) X(w, Size_Center, 4)         \
        X(w, Position_Left, 5) X(w, Position_Up, 6) X(w, Position_Right, 7) X(w, Position_Down, 8)         \
            X(w, Position_Center, 9)

/* Press and release handlers of the ten pad event boxes, in kPadArrows order. */
struct PadHandlers {
    GCallback press[PAD_ARROW_COUNT];
    GCallback release[PAD_ARROW_COUNT];
};

/* Defines a window's twenty pad handlers on_<window>_<role>_eventbox_button_{press,release}_event,
 * which call the defining file's PadPress/PadRelease with the pad index, and `table` listing them. */
#define QEV_PAD_HANDLER_PAIR(window, role, index)                                                           \
    gboolean on_##window##_##role##_eventbox_button_press_event(GtkWidget *, GdkEventButton *, gpointer)    \
    {                                                                                                       \
        return PadPress(index);                                                                             \
    }                                                                                                       \
    gboolean on_##window##_##role##_eventbox_button_release_event(GtkWidget *, GdkEventButton *, gpointer)  \
    {                                                                                                       \
        return PadRelease(index);                                                                           \
    }
#define QEV_PAD_PRESS_ENTRY(window, role, index) G_CALLBACK(on_##window##_##role##_eventbox_button_press_event),
#define QEV_PAD_RELEASE_ENTRY(window, role, index) G_CALLBACK(on_##window##_##role##_eventbox_button_release_event),
#define QEV_DEFINE_PAD_HANDLERS(window, table)                                                              \
    QEV_PAD_ROLES(QEV_PAD_HANDLER_PAIR, window)                                                             \
    const PadHandlers table = {{QEV_PAD_ROLES(QEV_PAD_PRESS_ENTRY, window)},                                \
                               {QEV_PAD_ROLES(QEV_PAD_RELEASE_ENTRY, window)}};

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
