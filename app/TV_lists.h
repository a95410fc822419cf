/* TV standard and signal-type choices of the TV adjustment window: the list
 * texts and values, the lists each kind of output offers, how a choice is
 * recorded in the Display page's option items and how Apply sends it.
 * Kept in one unit so that it can be merged with the Display page's own. */
#ifndef QEV_APP_TV_LISTS_H
#define QEV_APP_TV_LISTS_H

#include <gtk/gtk.h>

#include <vector>

#include "common.h"

/* ---- plain functions ------------------------------------------------------- */
/* List kinds: standard and signal type of a standard-definition TV, standard
 * and signal type of an HDTV output. */
enum { TV_LIST_SD_STANDARD = 0, TV_LIST_SD_SIGNAL = 1, TV_LIST_HD_STANDARD = 2, TV_LIST_HD_SIGNAL = 3 };

/* Value of a list text (also "TV" 4 and "TV2" 512); -1 for any other text. */
int GetComboEntryItemValue(const char *text);
/* Text of a standard (signal = false) or signal-type value; null when none. */
const char *TVValueText(bool signal, int value);
/* The entries of a list kind allowed by `supported`, in list order. The SD
 * standard list offers the HDTV formats only under RandR. */
std::vector<const char *> TVListEntries(int kind, unsigned supported, bool randr);
/* 1 when the pending record differs from the applied one: fields 0, 1, 2, 5
 * and 6, and 3 and 4 only when the adapter has a second TV. */
int CheckDisplayPageOtionItemsChange(const DisplayPageOptionItems *applied, const DisplayPageOptionItems *pending);

/* ---- on the TV adjustment window and the library ------------------------- */
/* Fills the named combo of the open TV window with the entries of `kind`
 * allowed by `supported`, shows the choice in force and initialises the
 * matching option-item fields of both records. */
void SetTVComboBoxListItems(int kind, const char *comboName, unsigned supported);
/* Records the text of a standard (kind 0) or signal (kind 1) combo entry in the
 * pending option items and sets the TV window's Apply by the records. */
void CheckComboEntryItemsChange(int kind, GtkEntry *entry);
/* The TV output the TV window adjusts, from the active outputs. */
unsigned GetActiveTVRadioBtnState(void);
/* Sends the pending standard and signal type of one TV output and records
 * them as applied. */
void ApplyTVSetting(unsigned device);

#endif
