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

#endif
