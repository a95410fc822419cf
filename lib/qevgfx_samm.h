// Multi-screen (SAMM) and clone (Gemel) operations: the X configuration file
// route and its helpers. Internal to the library; the exported operations are
// declared in qevgfx.h.
#ifndef QEVGFX_SAMM_H
#define QEVGFX_SAMM_H

#include <map>
#include <string>
#include <string_view>

// The multi-screen layout: output bits of the two screens and the position
// code of the secondary (0 right of the primary, 1 left, 2 above, 3 below,
// 255 none of these).
struct ScreenData {
    int nPrimaryDevice;
    int nSecondaryDevice;
    int nPosition;
};

// Identifiers of the sections that make up the two screens, as found in (or
// chosen for) the working copy of the configuration. The secondary sections
// count as existing only when they bear the names Enable gives them (the
// primary's identifier, "-scrn" and a number): sections of other names are
// the user's and are never reused, changed or deleted.
struct XConfigData {
    std::string chScreenID;
    std::string chDeviceID;
    std::string chMonitorID;
    int bSecScreenExist = 0;
    int bSecDeviceExist = 0;
    int bSecMonitorExist = 0;
    std::string chSecScreenID;
    std::string chSecDeviceID;
    std::string chSecMonitorID;
    // The layout's first placed Screen line: 0 none, 1 one Enable wrote
    // (it places a screen of Enable's naming), 2 someone else's.
    int nPlacedLine = 0;
};

extern ScreenData g_ScreenData;
extern int g_IsScreenDataInit; // 1 once a file-route layout query made the working copy
extern XConfigData g_XConfigData;
extern std::string g_chXFConfigFile; // path of the working copy
extern const char XFCONFIGFILE[];    // "/etc/X11/xorg.conf"
extern const char XFCONFIGFILEBK[];  // name of the backup copy in HOME

namespace qev::samm {

// Everything the configuration edits need from the adapter, read before the
// edit starts.
struct DeviceFacts {
    int chipId = 0;
    unsigned tvStandard = 0; // TV output (0x4)
    unsigned tvSignal = 0;
    unsigned hdtvStandard = 0; // HDTV output (0x40)
    unsigned hdtvSignal = 0;
};

// ---- text helpers ----
bool Mystrstr(std::string_view text, std::string_view pattern); // substring, any case
int QEVStrcmp(std::string_view a, std::string_view b);          // 0 when equal without blanks and case
const char *GetDeviceName(int output);                          // "CRT", "LCD", ...; "" for others
const char *GetScreenOrient(int position);                      // "RightOf", "LeftOf", "Above", "Below"

// ---- lookups on configuration text ----
// Number of entries of the section (0 when it does not exist).
int GetSectionLineNum(std::string_view doc, std::string_view section, std::string_view id);
// 1 when a line of the section with that key has a value containing text.
int CheckXFConfigString(std::string_view doc, std::string_view section, std::string_view id, std::string_view key,
                        std::string_view text);
// kind 1: first Screen line of the layout without a placement word; kind 2:
// the first with one. 1 and the screen's identifier and Screen index when
// found, else 0.
int GetScreenID(std::string_view doc, std::string_view layoutId, int kind, std::string &screenId, int &index);

// ---- the file route ----
// Adds a missing ServerLayout section (naming the first Screen section; none
// is added when the file has no Screen section with an identifier) and a
// Monitor section and line for a primary screen without a Monitor line.
// True when doc changed.
bool CompleteXConfig(std::string &doc, XConfigData &data);
// Fills data (from scratch) from a configuration whose layout names a
// primary screen; false without one.
bool CollectXConfigData(std::string_view doc, XConfigData &data);
// The four section editors in order; 1 done, 0 at the first failure (doc then
// holds the partial edit). layout is needed only to enable.
int ModXFConfigText(std::string &doc, const ScreenData *layout, int enable, const DeviceFacts &facts,
                    const XConfigData &data);
// The whole edit as one transaction on the text: completion (enable only),
// collection, the section editors and a final check that no line names a
// section that does not exist unless such a line was there before. 1 with
// the new text in after; 0 with after empty. A disable of a configuration
// without a layout of its own has nothing to undo: 1, after == before.
int ModXFConfig(std::string_view before, std::string &after, const ScreenData *layout, int enable,
                const DeviceFacts &facts, XConfigData &data);
// References to missing sections: layout Screen lines (screen and the screen
// it is placed against) and Screen sections' Device and Monitor lines, as
// "kind name" (name in lower case) with their number of lines.
std::map<std::string, int> DanglingReferences(std::string_view doc);
// Outputs of the layout from the primary screen's ActiveDevice option.
void DetectDeviceOrderOnSAMM(std::string_view doc, ScreenData &layout, unsigned active);
// Position code from the layout's placed Screen line (0 without one).
void GetScrn2ToScrn1Pos(std::string_view doc, ScreenData &layout);

// Working and backup copies in HOME. False when HOME is unset or a copy fails.
bool CopyZ7XFConfig();
void DelZ7XFConfig();
// Edit the working copy and, when every step succeeded, install it over
// XFCONFIGFILE (atomically); 1 done, 0 failed with XFCONFIGFILE untouched.
int EnableSAMM(const ScreenData &layout, const DeviceFacts &facts);
int DisableSAMM(const DeviceFacts &facts);

// Whole file-route operations, given the adapter facts (and active outputs).
int FileRouteEnable(int primary, int secondary, int position, const DeviceFacts &facts);
int FileRouteDisable(const DeviceFacts &facts);
int FileRouteLayout(int layout[3], unsigned active);

// Device-option editors and the Xinerama query on a given configuration file;
// XConfigPath is the file they use (XF86Config before xorg.conf, "" for none).
std::string XConfigPath();
int InsertDeviceOptionIn(const std::string &path, std::string_view name, std::string_view value);
int DeleteDeviceOptionIn(const std::string &path, std::string_view name);
int IsXineramaIn(std::string_view doc);

} // namespace qev::samm

#endif
