#include "accessibility.h"

bool AccessibilityEnabled()
{
    // Without an implementation the registry has no factory for any widget
    // type and every accessible would be an AtkNoOpObject.
    return atk_registry_get_factory_type(atk_get_default_registry(), GTK_TYPE_WIDGET) != G_TYPE_INVALID;
}

void SetAccessibleId(GtkWidget *widget, const char *name)
{
    if (widget && name && AccessibilityEnabled())
        atk_object_set_accessible_id(gtk_widget_get_accessible(widget), name);
}

void SetLabelledBy(GtkWidget *control, GtkWidget *label)
{
    if (!control || !label || !AccessibilityEnabled())
        return;
    AtkObject *controlObject = gtk_widget_get_accessible(control);
    AtkObject *labelObject = gtk_widget_get_accessible(label);
    atk_object_add_relationship(controlObject, ATK_RELATION_LABELLED_BY, labelObject);
    atk_object_add_relationship(labelObject, ATK_RELATION_LABEL_FOR, controlObject);
}

void SetLabelledByFrame(GtkWidget *control, GtkWidget *frame)
{
    if (frame && GTK_IS_FRAME(frame))
        SetLabelledBy(control, gtk_frame_get_label_widget(GTK_FRAME(frame)));
}
