/* The Info page: utility version, chip, BIOS, video memory and display driver,
 * each falling back to the text cached in the driver-information record when
 * the driver does not answer. */
#ifndef QEV_APP_INFO_PAGE_H
#define QEV_APP_INFO_PAGE_H

#include <gtk/gtk.h>

#include <string>

/* Fills the whole page of g_pMainWindow; called once at start-up. */
void InitInfoPage(const char *versionText);

void SetupUtilityVersionStr(GtkWidget *window, const char *text);
void SetupChipNameStr(GtkWidget *window);
void SetupBIOSVersionStr(GtkWidget *window);
void SetupVideoMemoryStr(GtkWidget *window);
/* Driver component 1 to 4 into the label `labelName`. */
void SetupDriverInfoStr(GtkWidget *window, int component, const char *labelName);

/* Queries the chip identifier and copies its display name into `buffer`
 * (at least 100 bytes). 0 when the query fails or the chip is not in the table. */
int GetChipName(char *buffer);

/* Text building, shared with the tests. Every text holds at most 99 characters. */
const char *ChipNameForId(int id);
std::string FormatBiosText(const int version[2], const int date[3]);
std::string FormatMemoryText(int megabytes);
std::string FormatDriverText(int component, const char *name, const int version[4], int build);
/* The caching rule: the slot's text replaces a live text whose query gave only
 * zeros when the slot is non-empty; the shown text is then stored in the slot
 * (when there is one). Returns the shown text. */
std::string ApplyCachedText(const std::string &live, bool liveIsZero, char *slot);

#endif
