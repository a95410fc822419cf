/* Start-up steps taken once the main window is built: what the adapter can do
 * goes into the flags the pages read, and the pages it cannot serve leave the
 * notebook. */
#ifndef QEV_APP_STARTUP_H
#define QEV_APP_STARTUP_H

#include <gtk/gtk.h>

#include <string>

/* Display mode, overlay attributes, gamma support, output caps and the
 * function-capability record, in that order. Without overlay attributes the
 * Video page is removed; with gamma reported unsupported, the Gamma page (a
 * failed gamma query keeps it). Call with the notebook still as built. */
void ReadAdapterCapabilities(GtkWidget *mainWindow);

/* The library reports what its session open found instead of ending the
 * process; the program keeps its start-up behaviour: without Xv it ends with
 * status 255, with an X screen the display lacks with status 1, each after
 * the library's line on standard error. -1: the program goes on. */
int OpenFailureExitStatus(int openStatus);
void EndOnFailedOpen();

/* The share directory of the program whose executable is exePath: the
 * executable's directory joined with `relative` when that is a directory
 * (an install under any prefix), `fallback` otherwise. */
std::string ShareDirFor(const std::string &exePath, const std::string &relative, const std::string &fallback);

/* The single-instance decision: true when another copy runs. In a usable
 * runtime directory ($XDG_RUNTIME_DIR: a directory of this user) the exclusive
 * lock on "<name>.lock" decides among copies started at the same moment; it
 * is held until the process ends. The copy that holds it still yields to a
 * process of another executable whose path contains `name`. Without the
 * directory the /proc count decides (2 or more: this process counts itself). */
bool AnotherInstanceRuns(const char *name);

#endif
