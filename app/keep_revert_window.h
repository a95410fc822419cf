/* The "Keep these display settings?" window and the Display page rebuild it
 * uses after a revert. */
#ifndef QEV_APP_KEEP_REVERT_WINDOW_H
#define QEV_APP_KEEP_REVERT_WINDOW_H

#include <gtk/gtk.h>

#include "keep_revert.h"

/* The open question, or null. */
extern GtkWidget *g_pKeepRevertWnd;

/* Shows the question for the screen change that `before` undoes. The window
 * counts g_KeepRevertSeconds down; Revert, Escape, the close box and the end
 * of the count restore `before`. */
void ShowKeepRevertWindow(const DisplaySnapshot &before);
/* The countdown text for `seconds` left. */
std::string KeepRevertCountdownText(int seconds);
/* Builds the Display page again as at its first showing, when it was built. */
void RebuildDisplayPage(void);

#endif
