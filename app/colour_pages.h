/* What the Gamma and Video pages share: loading their scheme file at page
 * start and checking a name typed into a Save window. */
#ifndef QEV_APP_COLOUR_PAGES_H
#define QEV_APP_COLOUR_PAGES_H

#include <gtk/gtk.h>

#include <string>
#include <vector>

#include "scheme_file.h"

/* Reads the page's scheme file and settles whether it may be written this
 * run. True with the contents when it is usable. False when the page starts
 * from its defaults: no file; a file that cannot be read (the user is told,
 * and nothing is written over it); a damaged file (the user is told once and
 * it is renamed aside; a later save starts a good file). */
bool LoadSchemeFileForPage(SchemeFile &file, SchemeContents &contents);

/* True when `name` may be saved: not empty, not an item of `list` (else the
 * warning window opens) and short enough for a record (else a message). */
bool CheckSchemeName(GtkList *list, const char *name);

/* Scheme lists: the combo's items replaced, one appended, the selected one
 * removed. The caller holds its page's flag that keeps the combo's change
 * handler aside. */
void SetSchemeListNames(GtkWidget *combo, const std::vector<std::string> &names);
void AppendSchemeListName(GtkWidget *combo, const char *name);
void RemoveSelectedSchemeName(GtkWidget *combo);
void SelectComboListItem(GtkWidget *combo, int index);
int SelectedComboListItem(GtkWidget *combo);

/* Sets a scrollbar's adjustment to `value` and lets it redraw, without the
 * release logic. */
void MoveScrollbar(GtkWidget *scrollbar, double value);

/* Choose: the record named `name` from the file, made the active record.
 * False when there is none to show: an empty name (Delete goes insensitive),
 * a file that cannot be read, or a name not in the file (the user is told). */
bool ChooseShownScheme(const SchemeFile &file, const char *name, GtkWidget *deleteButton, std::string &record);

/* Delete: removes the scheme the file's active record names and, on success,
 * the selected item of `combo` (with `*flag` set so the change handler stands
 * aside); the entry empties and `deleteButton` goes insensitive. Nothing when
 * the entry is empty. */
void DeleteShownScheme(const SchemeFile &file, GtkWidget *combo, GtkWidget *deleteButton, int *flag);

/* ---- builders shared by the two pages' windows ---- */
void PutSizedWidget(GtkWidget *window, GtkWidget *fixed, const char *name, GtkWidget *widget, gint x, gint y,
                    gint width, gint height);
/* A modal, fixed-size top-level window with a fixed container registered as `fixedName`. */
GtkWidget *CreateModalWindow(const char *name, const char *title, gint width, gint height, const char *fixedName,
                             GtkWidget **fixed);
/* A wrapping label whose text starts at its top-left corner. */
GtkWidget *CreateWrappedLabel(GtkWidget *window, GtkWidget *fixed, const char *name, const char *text, gint x,
                              gint y, gint width, gint height);

/* A 320 x 110 save window: label, entry (with the focus), OK and Cancel. */
struct SaveWindowLayout {
    const char *window, *title, *fixed;
    const char *label, *labelText, *entry, *ok, *cancel;
    GCallback onOk, onCancel, onDelete;
};
GtkWidget *CreateSaveSchemeWindow(const SaveWindowLayout &layout);

#endif
