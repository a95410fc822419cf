/* The TV adjustment window's side of the TV standard and signal choices: the
 * standard and signal combos filled from the Display page's lists, a combo
 * choice recorded in the page's pending option items, and the TV output the
 * window adjusts. The lists, texts and Apply live with the Display page. */
#ifndef QEV_APP_TV_LISTS_H
#define QEV_APP_TV_LISTS_H

#include <gtk/gtk.h>

#include "Display_page.h"

/* Fills the named combo of the open TV window with the entries of `kind`
 * allowed by `supported`, shows the choice in force and initialises the
 * matching option-item fields of both records. */
void SetTVComboBoxListItems(int kind, const char *comboName, unsigned supported);
/* Records the text of a standard (kind 0) or signal (kind 1) combo entry in the
 * pending option items and sets the TV window's Apply by the records. */
void CheckComboEntryItemsChange(int kind, GtkEntry *entry);
/* The TV output the TV window adjusts, from the active outputs. */
unsigned GetActiveTVRadioBtnState(void);

#endif
