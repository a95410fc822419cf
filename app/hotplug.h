/* The Display page following outputs plugged in or out while the program
 * runs: RandR output-change events on the program's display, no polling. */
#ifndef QEV_APP_HOTPLUG_H
#define QEV_APP_HOTPLUG_H

#include <string>

/* "Outputs changed: DVI connected, TV disconnected. Apply or reopen the page
 * to refresh" for the connected sets before and after; "" when equal. */
std::string HotplugNotice(unsigned before, unsigned after);

/* Starts listening on GDK's display for the main window (nothing without
 * RandR); again for a new main window, once for the same one. */
void InstallHotplugListener(void);
/* The page's view of the outputs is out of date (a notice is shown): builds it
 * again. Called after Apply and when the page is shown again. */
void RefreshDisplayPageAfterHotplug(void);

#endif
