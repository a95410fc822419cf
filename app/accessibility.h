/* Accessible ids and label relations for assistive technology (screen readers,
 * desktop automation). Each function does nothing while no ATK implementation
 * is loaded (GTK2 loads gail as a module, e.g. GTK_MODULES=gail:atk-bridge), so
 * that a program without one creates no accessible objects. */
#ifndef QEV_APP_ACCESSIBILITY_H
#define QEV_APP_ACCESSIBILITY_H

#include <gtk/gtk.h>

/* True when widgets get real accessibles, i.e. an ATK implementation has a
 * factory for GtkWidget. */
bool AccessibilityEnabled();

/* Gives the widget's accessible the id `name` (the name it is registered under). */
void SetAccessibleId(GtkWidget *widget, const char *name);

/* Marks `label` as the label of `control`: LABELLED_BY on the control,
 * LABEL_FOR on the label. Null arguments are ignored. */
void SetLabelledBy(GtkWidget *control, GtkWidget *label);

/* The same with the title of `frame` as the label (a control alone in a titled frame). */
void SetLabelledByFrame(GtkWidget *control, GtkWidget *frame);

#endif
