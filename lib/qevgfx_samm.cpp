// Multi-screen (SAMM) and clone (Gemel) operations.
//
// Multi-screen takes one of three routes: RandR (xrandr places the second
// output beside the first at once), the X configuration file when the server
// has no RandR 1.2 (a second Screen, Device and Monitor section joined by
// Xinerama, effective at the next server start), or the framebuffer driver.
// The file route edits a working copy in HOME and copies it over
// /etc/X11/xorg.conf; every edit is made in memory with the configuration
// editor and each file is replaced atomically, so the configuration is always
// either the old or the new text.
#include "qevgfx_samm.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>
#include <vector>

#include "qev/commands.h"
#include "qev/family.h"
#include "qev/fb.h"
#include "qev/outputs.h"
#include "qevgfx_file.h"
#include "qevgfx_internal.h"
#include "qevgfx_parser.h"
#include "qevgfx_spawn.h"

ScreenData g_ScreenData = {0, 0, 0};
int g_IsScreenDataInit = 0;
XConfigData g_XConfigData;
std::string g_chXFConfigFile;
const char XFCONFIGFILE[] = "/etc/X11/xorg.conf";
const char XFCONFIGFILEBK[] = "Z7UT_xorg.conf_BK";

namespace qev::samm {
namespace {

namespace xc = qev::xconfig;
namespace xm = qev::xconfig::mem;

constexpr char kWorkingCopy[] = ".Z7UtilityXFConfigTmp";
constexpr char kXF86Config[] = "/etc/X11/XF86Config";
constexpr std::string_view kLayout = "ServerLayout";

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

bool IEqual(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i]))
            return false;
    return true;
}

std::string Quoted(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}

// The text between the first and second double quote (the whole text when it
// has fewer quotes).
std::string FirstQuotedWord(std::string text) {
    xc::subString(text, 1, 2);
    return text;
}

// The text between the last two double quotes ("" with fewer than two).
std::string LastQuotedWord(std::string_view text) {
    const size_t close = text.rfind('"');
    if (close == std::string_view::npos || close == 0)
        return {};
    const size_t open = text.rfind('"', close - 1);
    return open == std::string_view::npos ? std::string() : std::string(text.substr(open + 1, close - open - 1));
}

// ---- in-memory edits: doc takes the result the editor produced ----

int SetString(std::string &doc, std::string_view sec, std::string_view id, std::string_view key, int index,
              std::string_view value) {
    std::string out;
    const int rc = xm::setString(doc, sec, id, key, index, value, out);
    if (rc == XCONFIG_DONE)
        doc.swap(out);
    return rc;
}

int SetEntry(std::string &doc, std::string_view sec, std::string_view id, std::string_view line) {
    std::string out;
    const int rc = xm::setEntry(doc, sec, id, line, out);
    if (rc == XCONFIG_DONE)
        doc.swap(out);
    return rc;
}

// A found section comes back in normal form even when nothing matched.
int DeleteEntry(std::string &doc, std::string_view sec, std::string_view id, std::string_view line) {
    std::string out;
    const int rc = xm::deleteEntry(doc, sec, id, line, out);
    if (rc == XCONFIG_DONE || !out.empty())
        doc.swap(out);
    return rc;
}

int CreateSection(std::string &doc, std::string_view sec, std::string_view id,
                  const std::string_view *screen = nullptr) {
    std::string out;
    const int rc = xm::createSection(doc, sec, id, screen, out);
    if (rc == XCONFIG_DONE)
        doc.swap(out);
    return rc;
}

int DeleteSection(std::string &doc, std::string_view sec, std::string_view id) {
    std::string out;
    const int rc = xm::deleteSection(doc, sec, id, out);
    if (rc == XCONFIG_DONE)
        doc.swap(out);
    return rc;
}

bool SectionExists(std::string_view doc, std::string_view sec, std::string_view id) {
    xc::SectionPos pos;
    return xm::findSection(doc, sec, id, pos) == XCONFIG_DONE;
}

bool LayoutId(std::string_view doc, std::string &id) {
    int count = 0;
    return xm::getSectionId(doc, kLayout, id, count) == XCONFIG_DONE;
}

// Every non-blank line of a found section, trimmed, from its Section line
// through its EndSection line, as the editor's lookups visit them.
template <class Visit>
bool ForSectionLines(std::string_view doc, std::string_view sec, std::string_view id, Visit visit) {
    xc::SectionPos pos;
    if (xm::findSection(doc, sec, id, pos) != XCONFIG_DONE)
        return false;
    size_t p = pos.start;
    while (p <= pos.end && p < doc.size()) {
        size_t next = 0;
        const std::string_view line = xc::trim(xc::physicalLine(doc, p, next));
        if (!line.empty())
            visit(line);
        p = next;
    }
    return true;
}

// Entries of the section (the lines XConfig_GetEntry numbers).
std::vector<std::string> EntryLines(std::string_view doc, std::string_view sec, std::string_view id) {
    std::vector<std::string> lines;
    ForSectionLines(doc, sec, id, [&](std::string_view line) {
        const int kind = xc::classify(xc::splitLine(line).key);
        if (kind != XCONFIG_LINE_SECTION && kind != XCONFIG_LINE_ENDSECTION)
            lines.emplace_back(line);
    });
    return lines;
}

// Values of the section's lines with that key, comments cut, in file order:
// element i is what XConfig_GetString reads with index i + 1.
std::vector<std::string> KeyValues(std::string_view doc, std::string_view sec, std::string_view id,
                                   std::string_view key) {
    std::vector<std::string> values;
    ForSectionLines(doc, sec, id, [&](std::string_view line) {
        xc::Split s = xc::splitLine(xc::cutRemark(line));
        if (IEqual(s.key, key))
            values.push_back(std::move(s.value));
    });
    return values;
}

// The first value of a key in the section, comments cut ("" without one).
std::string FirstValue(std::string_view doc, std::string_view sec, std::string_view id, std::string_view key) {
    std::string value;
    xm::getString(doc, sec, id, key, 1, value);
    return value;
}

// Index (1-based) and value of the first line with key whose value contains
// text; 0 when there is none.
int FindValue(std::string_view doc, std::string_view sec, std::string_view id, std::string_view key,
              std::string_view text, std::string &value) {
    const std::vector<std::string> values = KeyValues(doc, sec, id, key);
    for (size_t i = 0; i < values.size(); ++i) {
        if (Mystrstr(values[i], text)) {
            value = values[i];
            return int(i + 1);
        }
    }
    value.clear();
    return 0;
}

// "%s-scrn%d" with the smallest N from 2 for which no section of that kind
// bears the name.
std::string FreshName(std::string_view doc, std::string_view sec, const std::string &base) {
    for (int n = 2;; ++n) {
        std::string name = base + "-scrn" + std::to_string(n);
        if (!SectionExists(doc, sec, name))
            return name;
    }
}

// Appends to section `to` every entry of section `from` but its Identifier
// line (a line that merely mentions the word, such as a Device line naming
// "Card identifier 2", is copied).
bool CopyEntries(std::string &doc, std::string_view sec, std::string_view from, std::string_view to) {
    for (const std::string &line : EntryLines(doc, sec, from)) {
        if (xc::classify(xc::splitLine(line).key) == XCONFIG_LINE_IDENTIFIER)
            continue;
        if (SetEntry(doc, sec, to, line) != XCONFIG_DONE)
            return false;
    }
    return true;
}

// A name Enable gives a secondary section: the primary's identifier, "-scrn"
// and a number (FreshName).
bool IsSecondaryName(std::string_view name, std::string_view primary) {
    constexpr std::string_view kTag = "-scrn";
    const size_t digits = primary.size() + kTag.size();
    if (primary.empty() || name.size() <= digits || !IEqual(name.substr(0, primary.size()), primary) ||
        !IEqual(name.substr(primary.size(), kTag.size()), kTag))
        return false;
    return name.find_first_not_of("0123456789", digits) == std::string_view::npos;
}

// ---- adapter values written into the Device sections ----

struct Name {
    unsigned value;
    const char *name;
};
constexpr Name kHdtvStandards[] = {{4, "480P"}, {8, "576P"}, {16, "720P"}, {32, "1080I"}, {64, "1080P"}};
constexpr Name kHdtvSignals[] = {{4, "RGB"}, {8, "YCbCr"}};
constexpr Name kTvStandards[] = {{1, "NTSC"}, {2, "PAL"}};
constexpr Name kTvSignals[] = {{1, "Composite"}, {2, "S-Video"}, {4, "RGB"}, {8, "YCbCr"}, {256, "YCbCrSC"}};

template <size_t N> const char *Lookup(const Name (&table)[N], unsigned value) {
    for (const Name &n : table)
        if (n.value == value)
            return n.name;
    return "";
}

const char *BusAddress(int chip) {
    switch (chip) {
#define QEV_ONBOARD_(id) case id:
        QEV_BUSID_ONBOARD_CHIPS(QEV_ONBOARD_)
#undef QEV_ONBOARD_
        return "PCI:0:1:0";
    default: return "PCI:1:0:0";
    }
}

int ModDeviceSecActiveDevice(std::string &doc, const ScreenData &layout, std::string_view dev, bool enable,
                             const DeviceFacts &facts) {
    if (GetSectionLineNum(doc, "Device", dev) == 0)
        return 0;
    auto modOption = [&](std::string_view word, const std::string &setValue, bool write) {
        std::string value;
        const int index = FindValue(doc, "Device", dev, "Option", word, value);
        if (enable) {
            if (!write)
                return true;
            if (index > 0)
                return SetString(doc, "Device", dev, "Option", index, setValue) == XCONFIG_DONE;
            return SetEntry(doc, "Device", dev, "Option " + setValue) == XCONFIG_DONE;
        }
        return index == 0 || DeleteEntry(doc, "Device", dev, "Option\t" + value) == XCONFIG_DONE;
    };

    const int primary = layout.nPrimaryDevice, secondary = layout.nSecondaryDevice;
    auto activeName = [](int output) { return output == QEV_OUT_HDTV ? "TV" : GetDeviceName(output); };
    const std::string pair =
        Quoted("ActiveDevice") + "\t\"" + activeName(primary) + ", " + activeName(secondary) + "\"";
    if (!modOption("ActiveDevice", pair, true))
        return 0;

    unsigned standard = 0, signal = 0;
    std::string standardName, signalName;
    if (primary == QEV_OUT_HDTV || secondary == QEV_OUT_HDTV) {
        standard = facts.hdtvStandard;
        signal = facts.hdtvSignal;
        standardName = Lookup(kHdtvStandards, standard);
        signalName = Lookup(kHdtvSignals, signal);
    }
    if (secondary == QEV_OUT_TV) {
        standard = facts.tvStandard;
        signal = facts.tvSignal;
        standardName = Lookup(kTvStandards, standard);
        signalName = Lookup(kTvSignals, signal);
    }
    if (!modOption("TVType", Quoted("TVType") + "\t" + Quoted(standardName), standard != 0))
        return 0;
    if (!modOption("TVOutput", Quoted("TVOutput") + "\t" + Quoted(signalName), signal != 0))
        return 0;
    return 1;
}

// BusID and screen number of a Device section. Lines that are not Enable's
// stay: an existing BusID is never changed (it may name another card, or the
// adapter's real address) and disable removes only the adapter's address;
// a screen number is set or removed only when it is 0 or 1. A line that
// cannot be removed (it carries a comment) stays too; that is not a failure.
int ModDeviceSecBusIDandScreen(std::string &doc, std::string_view dev, int screenNumber, bool enable,
                               const DeviceFacts &facts) {
    auto modLine = [&](std::string_view key, const std::string &setValue, bool own, bool reset) {
        std::vector<std::string> values = KeyValues(doc, "Device", dev, key);
        if (values.empty()) {
            if (enable)
                SetEntry(doc, "Device", dev, std::string(key) + " " + setValue);
        } else if (enable && reset) {
            SetString(doc, "Device", dev, key, 1, setValue);
        } else if (!enable && own) {
            DeleteEntry(doc, "Device", dev, std::string(key) + "\t" + values.front());
        }
    };
    const std::string address = Quoted(BusAddress(facts.chipId));
    const std::vector<std::string> busIds = KeyValues(doc, "Device", dev, "BusID");
    modLine("BusID", address, !busIds.empty() && QEVStrcmp(busIds.front(), address) == 0, false);
    const std::vector<std::string> screens = KeyValues(doc, "Device", dev, "Screen");
    const bool ownScreen = !screens.empty() && (screens.front() == "0" || screens.front() == "1");
    modLine("Screen", std::to_string(screenNumber), ownScreen, ownScreen);
    return 1;
}

// Enable writes or rewrites its own placed Screen line and refuses a layout
// that places a screen of someone else's; disable removes only its own line
// and then the bare Xinerama option.
int ModServerLayoutSection(std::string &doc, const ScreenData *layout, const XConfigData &data, bool enable) {
    std::string layoutId;
    if (!LayoutId(doc, layoutId))
        return 0;
    std::string placed, primary;
    int placedIndex = 0, primaryIndex = 0;
    GetScreenID(doc, layoutId, 2, placed, placedIndex);
    if (enable) {
        if (layout == nullptr || data.nPlacedLine == 2 || GetScreenID(doc, layoutId, 1, primary, primaryIndex) != 1)
            return 0;
        const std::string placement =
            Quoted(data.chSecScreenID) + " " + GetScreenOrient(layout->nPosition) + " " + Quoted(primary);
        if (data.nPlacedLine == 1) {
            if (SetString(doc, kLayout, layoutId, "Screen", placedIndex, placement) != XCONFIG_DONE)
                return 0;
        } else if (SetEntry(doc, kLayout, layoutId, "Screen\t" + placement) != XCONFIG_DONE) {
            return 0;
        }
        // Any Xinerama option gives way to a bare one. Only Option lines are
        // looked at: an identifier or screen name that contains the word
        // stays.
        for (const std::string &line : EntryLines(doc, kLayout, layoutId)) {
            if (IEqual(xc::splitLine(line).key, "Option") && Mystrstr(line, "Xinerama")) {
                if (DeleteEntry(doc, kLayout, layoutId, line) != XCONFIG_DONE)
                    return 0;
                break;
            }
        }
        return SetEntry(doc, kLayout, layoutId, "Option " + Quoted("Xinerama")) == XCONFIG_DONE ? 1 : 0;
    }
    if (data.nPlacedLine != 1)
        return 1;
    const std::vector<std::string> screens = KeyValues(doc, kLayout, layoutId, "Screen");
    if (DeleteEntry(doc, kLayout, layoutId, "Screen\t" + screens[size_t(placedIndex - 1)]) != XCONFIG_DONE)
        return 0;
    // Only a bare Xinerama option is removed; one with a second word makes
    // the disable fail.
    if (CheckXFConfigString(doc, kLayout, layoutId, "Option", "Xinerama") &&
        DeleteEntry(doc, kLayout, layoutId, "Option\t" + Quoted("Xinerama")) != XCONFIG_DONE)
        return 0;
    return 1;
}

int ModScreenSection(std::string &doc, const XConfigData &data, bool enable) {
    if (!enable)
        return !data.bSecScreenExist || DeleteSection(doc, "Screen", data.chSecScreenID) == XCONFIG_DONE;
    if (!data.bSecScreenExist) {
        if (CreateSection(doc, "Screen", data.chSecScreenID) != XCONFIG_DONE ||
            !CopyEntries(doc, "Screen", data.chScreenID, data.chSecScreenID))
            return 0;
    }
    if (SetString(doc, "Screen", data.chSecScreenID, "Device", 1, Quoted(data.chSecDeviceID)) != XCONFIG_DONE)
        return 0;
    return SetString(doc, "Screen", data.chSecScreenID, "Monitor", 1, Quoted(data.chSecMonitorID)) == XCONFIG_DONE;
}

int ModDeviceSection(std::string &doc, const ScreenData *layout, const XConfigData &data, bool enable,
                     const DeviceFacts &facts) {
    // The configuration never keeps a clone option beside a multi-screen one.
    auto dropGemel = [&] {
        return !CheckXFConfigString(doc, "Device", data.chDeviceID, "Option", "Gemel") ||
               DeleteEntry(doc, "Device", data.chDeviceID, "Option\t" + Quoted("Gemel")) == XCONFIG_DONE;
    };
    if (!enable) {
        if (!dropGemel())
            return 0;
        if (data.bSecDeviceExist && DeleteSection(doc, "Device", data.chSecDeviceID) != XCONFIG_DONE)
            return 0;
        // BusID and Screen lines are Enable's only while its layout is there.
        return data.nPlacedLine != 1 || ModDeviceSecBusIDandScreen(doc, data.chDeviceID, 0, false, facts);
    }
    if (layout == nullptr)
        return 0;
    if (!data.bSecDeviceExist) {
        if (CreateSection(doc, "Device", data.chSecDeviceID) != XCONFIG_DONE ||
            !CopyEntries(doc, "Device", data.chDeviceID, data.chSecDeviceID))
            return 0;
    }
    return dropGemel() && ModDeviceSecActiveDevice(doc, *layout, data.chSecDeviceID, true, facts) &&
           ModDeviceSecBusIDandScreen(doc, data.chSecDeviceID, 1, true, facts) &&
           ModDeviceSecActiveDevice(doc, *layout, data.chDeviceID, true, facts) &&
           ModDeviceSecBusIDandScreen(doc, data.chDeviceID, 0, true, facts);
}

int ModMonitorSection(std::string &doc, const XConfigData &data, bool enable) {
    if (!enable)
        return !data.bSecMonitorExist || DeleteSection(doc, "Monitor", data.chSecMonitorID) == XCONFIG_DONE;
    if (data.bSecMonitorExist)
        return 1;
    return CreateSection(doc, "Monitor", data.chSecMonitorID) == XCONFIG_DONE &&
           CopyEntries(doc, "Monitor", data.chMonitorID, data.chSecMonitorID);
}

// HOME/<name>; false when HOME is unset or empty.
bool HomeFile(const char *name, std::string &path) {
    const char *home = std::getenv("HOME");
    path.clear();
    if (home == nullptr || *home == '\0')
        return false;
    path = home;
    if (path.back() != '/')
        path += '/';
    path += name;
    return true;
}

} // namespace

// The configuration the device-option editors and the Xinerama query use.
std::string XConfigPath() {
    if (file::exists(kXF86Config))
        return kXF86Config;
    if (file::exists(XFCONFIGFILE))
        return XFCONFIGFILE;
    return {};
}

bool Mystrstr(std::string_view text, std::string_view pattern) {
    if (pattern.size() > text.size())
        return false;
    for (size_t i = 0; i + pattern.size() <= text.size(); ++i)
        if (IEqual(text.substr(i, pattern.size()), pattern))
            return true;
    return false;
}

int QEVStrcmp(std::string_view a, std::string_view b) {
    auto fold = [](std::string_view s) {
        std::string out;
        for (char c : s)
            if (c != ' ' && c != '\t')
                out += Lower(c);
        return out;
    };
    return fold(a).compare(fold(b));
}

const char *GetDeviceName(int output) {
    switch (output) {
    case QEV_OUT_CRT: return "CRT";
    case QEV_OUT_LCD: return "LCD";
    case QEV_OUT_TV: return "TV";
    case QEV_OUT_DVI: return "DVI";
    case QEV_OUT_HDMI: return "HDMI";
    case QEV_OUT_CRT2: return "CRT2";
    case QEV_OUT_HDTV: return "HDTV";
    case QEV_OUT_LCD2: return "LCD2";
    case QEV_OUT_DVI2: return "DVI2";
    case QEV_OUT_TV2:
    case QEV_OUT_HDTV2: return "TV2";
    case QEV_OUT_DP: return "DP";
    case QEV_OUT_DP2: return "DP2";
    default: return "";
    }
}

const char *GetScreenOrient(int position) {
    switch (position) {
    case 1: return "LeftOf";
    case 2: return "Above";
    case 3: return "Below";
    default: return "RightOf";
    }
}

int GetSectionLineNum(std::string_view doc, std::string_view section, std::string_view id) {
    return int(EntryLines(doc, section, id).size());
}

int CheckXFConfigString(std::string_view doc, std::string_view section, std::string_view id, std::string_view key,
                        std::string_view text) {
    std::string value;
    return FindValue(doc, section, id, key, text, value) > 0 ? 1 : 0;
}

int GetScreenID(std::string_view doc, std::string_view layoutId, int kind, std::string &screenId, int &index) {
    static constexpr std::string_view kPlacements[] = {"RightOf", "LeftOf", "Above", "Below", "Absolute"};
    const std::vector<std::string> screens = KeyValues(doc, kLayout, layoutId, "Screen");
    const size_t limit = std::min(screens.size(), size_t(GetSectionLineNum(doc, kLayout, layoutId)));
    for (size_t i = 0; i < limit; ++i) {
        bool placed = false;
        for (std::string_view word : kPlacements)
            placed = placed || Mystrstr(screens[i], word);
        if (placed == (kind == 2)) {
            screenId = FirstQuotedWord(screens[i]);
            index = int(i + 1);
            return 1;
        }
    }
    return 0;
}

bool CompleteXConfig(std::string &doc, XConfigData &data) {
    bool changed = false;
    std::string layoutId, primary;
    int index = 0;
    if (!LayoutId(doc, layoutId)) {
        int count = 0;
        xm::getSectionId(doc, "Screen", primary, count);
        // A layout naming no screen would stop the X server from starting.
        if (primary.empty())
            return false;
        const std::string_view screen(primary);
        if (CreateSection(doc, kLayout, Quoted("QEV Layout"), &screen) != XCONFIG_DONE)
            return false;
        changed = true;
    } else if (GetScreenID(doc, layoutId, 1, primary, index) != 1) {
        return false;
    }
    data.chScreenID = primary;
    // The primary screen gets a monitor when the file has none or the screen
    // names none (the second screen is made from it).
    std::string monitorId;
    int count = 0;
    if (xm::getSectionId(doc, "Monitor", monitorId, count) != XCONFIG_DONE ||
        KeyValues(doc, "Screen", primary, "Monitor").empty()) {
        const std::string_view unknown = "Unknown Monitor";
        if (SetEntry(doc, "Screen", primary, "Monitor\t" + Quoted(unknown)) != XCONFIG_DONE)
            return changed;
        changed = true;
        if (!SectionExists(doc, "Monitor", unknown))
            CreateSection(doc, "Monitor", unknown);
    }
    return changed;
}

bool CollectXConfigData(std::string_view doc, XConfigData &data) {
    data = XConfigData{};
    std::string layoutId;
    std::string word;
    int index = 0;
    if (!LayoutId(doc, layoutId) || GetScreenID(doc, layoutId, 1, word, index) != 1)
        return false;
    data.chScreenID = word;
    data.chDeviceID = FirstQuotedWord(FirstValue(doc, "Screen", data.chScreenID, "Device"));
    data.chMonitorID = FirstQuotedWord(FirstValue(doc, "Screen", data.chScreenID, "Monitor"));

    if (GetScreenID(doc, layoutId, 2, word, index) == 1)
        data.nPlacedLine = IsSecondaryName(word, data.chScreenID) ? 1 : 2;
    if (data.nPlacedLine == 1) {
        data.bSecScreenExist = SectionExists(doc, "Screen", word) ? 1 : 0;
        data.chSecScreenID = word;
    } else {
        data.chSecScreenID = FreshName(doc, "Screen", data.chScreenID);
    }

    // The secondary screen's Device and Monitor sections when they exist and
    // bear Enable's names, else fresh names.
    auto secondary = [&](std::string_view kind, const std::string &primaryId, int &exists, std::string &id) {
        if (data.bSecScreenExist) {
            std::string named = FirstQuotedWord(FirstValue(doc, "Screen", data.chSecScreenID, kind));
            if (IsSecondaryName(named, primaryId) && SectionExists(doc, kind, named)) {
                exists = 1;
                id = named;
                return;
            }
        }
        exists = 0;
        id = FreshName(doc, kind, primaryId);
    };
    secondary("Device", data.chDeviceID, data.bSecDeviceExist, data.chSecDeviceID);
    secondary("Monitor", data.chMonitorID, data.bSecMonitorExist, data.chSecMonitorID);
    return true;
}

std::map<std::string, int> DanglingReferences(std::string_view doc) {
    static constexpr std::string_view kPlacements[] = {"RightOf", "LeftOf", "Above", "Below"};
    std::map<std::string, int> dangling;
    auto refer = [&](std::string_view kind, const std::string &name) {
        if (name.empty() || !SectionExists(doc, kind, name)) {
            std::string key(kind);
            key += ' ';
            for (char c : name)
                key += Lower(c);
            ++dangling[key];
        }
    };
    std::string section;
    size_t p = 0;
    while (p < doc.size()) {
        size_t next = 0;
        const xc::Split s = xc::splitLine(xc::cutRemark(xc::physicalLine(doc, p, next)));
        p = next;
        switch (xc::classify(s.key)) {
        case XCONFIG_LINE_SECTION: section = s.value; break;
        case XCONFIG_LINE_ENDSECTION: section.clear(); break;
        default:
            if (IEqual(section, kLayout) && IEqual(s.key, "Screen")) {
                refer("Screen", FirstQuotedWord(s.value));
                for (std::string_view word : kPlacements) {
                    if (Mystrstr(s.value, word)) {
                        refer("Screen", LastQuotedWord(s.value));
                        break;
                    }
                }
            } else if (IEqual(section, "Screen") && (IEqual(s.key, "Device") || IEqual(s.key, "Monitor"))) {
                refer(IEqual(s.key, "Device") ? "Device" : "Monitor", FirstQuotedWord(s.value));
            }
            break;
        }
    }
    return dangling;
}

int ModXFConfigText(std::string &doc, const ScreenData *layout, int enable, const DeviceFacts &facts,
                    const XConfigData &data) {
    const bool on = enable != 0;
    return ModServerLayoutSection(doc, layout, data, on) && ModScreenSection(doc, data, on) &&
                   ModDeviceSection(doc, layout, data, on, facts) && ModMonitorSection(doc, data, on)
               ? 1
               : 0;
}

int ModXFConfig(std::string_view before, std::string &after, const ScreenData *layout, int enable,
                const DeviceFacts &facts, XConfigData &data) {
    after.clear();
    std::string doc(before);
    if (enable)
        CompleteXConfig(doc, data);
    if (!CollectXConfigData(doc, data)) {
        if (enable)
            return 0;
        after = before;
        return 1;
    }
    if (!ModXFConfigText(doc, layout, enable, facts, data))
        return 0;
    // No line may come to name a section that does not exist.
    const std::map<std::string, int> was = DanglingReferences(before);
    for (const auto &[ref, count] : DanglingReferences(doc)) {
        const auto old = was.find(ref);
        if (old == was.end() || old->second < count)
            return 0;
    }
    after = std::move(doc);
    return 1;
}

void DetectDeviceOrderOnSAMM(std::string_view doc, ScreenData &layout, unsigned active) {
    constexpr int kTV = -1; // the TV output when active, else the HDTV output when active
    struct Row {
        const char *text;
        int primary, secondary;
    };
    static constexpr Row kRows[] = {
        {"CRT, TV", QEV_OUT_CRT, kTV},
        {"TV, CRT", kTV, QEV_OUT_CRT},
        {"CRT, LCD", QEV_OUT_CRT, QEV_OUT_LCD},
        {"LCD, CRT", QEV_OUT_LCD, QEV_OUT_CRT},
        {"TV, LCD", kTV, QEV_OUT_LCD},
        {"LCD, TV", QEV_OUT_LCD, kTV},
        {"CRT, DFP", QEV_OUT_CRT, QEV_OUT_DVI},
        {"CRT, DVI", QEV_OUT_CRT, QEV_OUT_DVI},
        {"DFP, CRT", QEV_OUT_DVI, QEV_OUT_CRT},
        {"DVI, CRT", QEV_OUT_DVI, QEV_OUT_CRT},
        {"DFP, TV", QEV_OUT_DVI, kTV},
        {"DVI, TV", QEV_OUT_DVI, kTV},
        {"TV, DFP", kTV, QEV_OUT_DVI},
        {"TV, DVI", kTV, QEV_OUT_DVI},
        {"DFP, LCD", QEV_OUT_DVI, QEV_OUT_LCD},
        {"DVI, LCD", QEV_OUT_DVI, QEV_OUT_LCD},
        {"LCD, DFP", QEV_OUT_LCD, QEV_OUT_DVI},
        {"LCD, DVI", QEV_OUT_LCD, QEV_OUT_DVI},
        {"CRT, HDMI", QEV_OUT_CRT, QEV_OUT_HDMI},
        {"HDMI, CRT", QEV_OUT_HDMI, QEV_OUT_CRT},
        {"LCD, HDMI", QEV_OUT_LCD, QEV_OUT_HDMI},
        {"HDMI, LCD", QEV_OUT_HDMI, QEV_OUT_LCD},
        {"TV, HDMI", kTV, QEV_OUT_HDMI},
        {"HDMI, TV", QEV_OUT_HDMI, kTV},
        {"CRT, CRT2", QEV_OUT_CRT, QEV_OUT_CRT2},
        {"CRT2, CRT", QEV_OUT_CRT, QEV_OUT_CRT2},
        {"LCD, LCD2", QEV_OUT_LCD, QEV_OUT_LCD2},
        {"LCD2, LCD", QEV_OUT_LCD, QEV_OUT_LCD2},
    };
    std::string layoutId, screenId;
    int index = 0;
    if (!LayoutId(doc, layoutId) || GetScreenID(doc, layoutId, 1, screenId, index) != 1)
        return;
    const std::string device = FirstQuotedWord(FirstValue(doc, "Screen", screenId, "Device"));
    std::string value;
    if (FindValue(doc, "Device", device, "Option", "ActiveDevice", value) == 0)
        return;
    if (xc::subString(value, 3, 4) != XCONFIG_DONE)
        return;
    auto assign = [active](int side, int &out) {
        if (side != kTV)
            out = side;
        else if (active & QEV_OUT_TV)
            out = QEV_OUT_TV;
        else if (active & QEV_OUT_HDTV)
            out = QEV_OUT_HDTV;
    };
    for (const Row &row : kRows) {
        if (QEVStrcmp(value, row.text) == 0) {
            assign(row.primary, layout.nPrimaryDevice);
            assign(row.secondary, layout.nSecondaryDevice);
            return;
        }
    }
}

void GetScrn2ToScrn1Pos(std::string_view doc, ScreenData &layout) {
    static constexpr struct {
        const char *word;
        int position;
    } kWords[] = {{"RightOf", 0}, {"LeftOf", 1}, {"Above", 2}, {"Below", 3}, {"Absolute", 0}};
    layout.nPosition = 0;
    std::string layoutId;
    if (!LayoutId(doc, layoutId))
        return;
    const std::vector<std::string> screens = KeyValues(doc, kLayout, layoutId, "Screen");
    const size_t limit = std::min(screens.size(), size_t(GetSectionLineNum(doc, kLayout, layoutId)));
    for (size_t i = 0; i < limit; ++i) {
        for (const auto &w : kWords) {
            if (Mystrstr(screens[i], w.word)) {
                layout.nPosition = w.position;
                return;
            }
        }
    }
}

bool CopyZ7XFConfig() {
    std::string backup;
    if (!HomeFile(kWorkingCopy, g_chXFConfigFile) || !HomeFile(XFCONFIGFILEBK, backup))
        return false;
    return file::copy(XFCONFIGFILE, g_chXFConfigFile) && file::copy(XFCONFIGFILE, backup);
}

void DelZ7XFConfig() {
    if (!g_chXFConfigFile.empty())
        ::unlink(g_chXFConfigFile.c_str());
}

namespace {

// The working copy is edited in memory; it is rewritten and copied over the
// configuration only when the whole edit succeeded, so a failed operation
// leaves the configuration as it was.
int EditAndInstall(const ScreenData *layout, int enable, const DeviceFacts &facts) {
    std::string before, after;
    if (g_chXFConfigFile.empty() || !file::read(g_chXFConfigFile, before))
        return 0;
    if (!ModXFConfig(before, after, layout, enable, facts, g_XConfigData))
        return 0;
    if (after == before)
        return 1;
    return file::replace(g_chXFConfigFile, after) && file::copy(g_chXFConfigFile, XFCONFIGFILE) ? 1 : 0;
}

// Makes the working copy unless a layout query left one to reuse.
bool PrepareWorkingCopy() {
    if (g_IsScreenDataInit && !g_chXFConfigFile.empty() && file::exists(g_chXFConfigFile))
        return true;
    return CopyZ7XFConfig();
}

} // namespace

int EnableSAMM(const ScreenData &layout, const DeviceFacts &facts) {
    return EditAndInstall(&layout, 1, facts);
}

int DisableSAMM(const DeviceFacts &facts) {
    return EditAndInstall(nullptr, 0, facts);
}

int FileRouteEnable(int primary, int secondary, int position, const DeviceFacts &facts) {
    int rc = 0;
    if (PrepareWorkingCopy()) {
        g_ScreenData = ScreenData{primary, secondary, position};
        rc = EnableSAMM(g_ScreenData, facts);
    }
    DelZ7XFConfig();
    return rc;
}

int FileRouteDisable(const DeviceFacts &facts) {
    int rc = 0;
    if (PrepareWorkingCopy())
        rc = DisableSAMM(facts);
    DelZ7XFConfig();
    return rc;
}

int FileRouteLayout(int layout[3], unsigned active) {
    std::string doc;
    if (!CopyZ7XFConfig() || !file::read(g_chXFConfigFile, doc))
        return 0;
    DetectDeviceOrderOnSAMM(doc, g_ScreenData, active);
    layout[0] = g_ScreenData.nPrimaryDevice;
    layout[1] = g_ScreenData.nSecondaryDevice;
    GetScrn2ToScrn1Pos(doc, g_ScreenData);
    layout[2] = g_ScreenData.nPosition;
    g_IsScreenDataInit = 1;
    return 1;
}

int InsertDeviceOptionIn(const std::string &path, std::string_view name, std::string_view value) {
    std::string doc, id;
    int count = 0;
    if (!file::read(path, doc) || xm::getSectionId(doc, "Device", id, count) != XCONFIG_DONE ||
        GetSectionLineNum(doc, "Device", id) == 0)
        return 0;
    const std::string line = "Option\t" + Quoted(name) + "\t" + Quoted(value);
    return xc::setEntry(path, "Device", id, line) == XCONFIG_DONE ? 1 : 0;
}

int DeleteDeviceOptionIn(const std::string &path, std::string_view name) {
    std::string doc, id, value;
    int count = 0;
    if (!file::read(path, doc) || xm::getSectionId(doc, "Device", id, count) != XCONFIG_DONE)
        return 0;
    if (FindValue(doc, "Device", id, "Option", name, value) == 0)
        return 1;
    return xc::deleteEntry(path, "Device", id, "Option\t" + value) == XCONFIG_DONE ? 1 : 0;
}

int IsXineramaIn(std::string_view doc) {
    std::string layoutId, value;
    if (!LayoutId(doc, layoutId) || FindValue(doc, kLayout, layoutId, "Option", "Xinerama", value) == 0)
        return 0;
    return Mystrstr(value, "off") ? 0 : 1;
}

} // namespace qev::samm

// ---------------------------------------------------------------------------
// Exported operations

namespace {

namespace ss = qev::samm;

constexpr char kCloneMarker[] = "/etc/X11/.QEVGemel";

void PutLE32(unsigned char *p, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = uint8_t(v >> (8 * i));
}

int GetDeviceV3OnIGAState(int *state) {
    return InputCommand(QEV_CMD_GetDeviceV3OnIGAState_GROUP, QEV_CMD_GetDeviceV3OnIGAState_FN, 0, nullptr, 1, state);
}

int SetDeviceV3OnIGAState(int *state) {
    return InputCommand(QEV_CMD_SetDeviceV3OnIGAState_GROUP, QEV_CMD_SetDeviceV3OnIGAState_FN, 1, state, 0, nullptr);
}

// One word of a TV group (the standard or signal type of that encoder).
unsigned TVWord(int group, int function) {
    int value = 0;
    return InputCommand(group, function, 0, nullptr, 1, &value) ? unsigned(value) : 0;
}

// What the configuration edits need from the adapter.
ss::DeviceFacts ReadFacts(int primary, int secondary) {
    ss::DeviceFacts facts;
    int chip = 0;
    if (QEVGFX_Info_GetChipID(&chip))
        facts.chipId = chip;
    if (primary == QEV_OUT_HDTV || secondary == QEV_OUT_HDTV) {
        facts.hdtvStandard = TVWord(QEV_TV_GROUP_HDTV, QEV_TVFN_GetTVStandard);
        facts.hdtvSignal = TVWord(QEV_TV_GROUP_HDTV, QEV_TVFN_GetTVSignalType);
    }
    if (secondary == QEV_OUT_TV) {
        facts.tvStandard = TVWord(QEV_TV_GROUP_TV, QEV_TVFN_GetTVStandard);
        facts.tvSignal = TVWord(QEV_TV_GROUP_TV, QEV_TVFN_GetTVSignalType);
    }
    return facts;
}

// Multi-screen on the framebuffer channel: on with both outputs active and
// the primary named, or off.
int FbSamm(bool on, int primary, int secondary) {
    unsigned char block[QEV_DS_SIZE] = {};
    if (on) {
        qev::PutLE16(block + QEV_DS_OUTPUT_FLAGS, 1);
        qev::PutLE16(block + QEV_DS_ACTIVE_MASK, uint16_t(primary | secondary));
        qev::PutLE16(block + QEV_DS_SAMM_FLAGS, 0x81);
        PutLE32(block + QEV_DS_SAMM_LAYOUT, uint32_t(primary));
    } else {
        qev::PutLE16(block + QEV_DS_SAMM_FLAGS, 0x80);
    }
    return qev::FbRequest(QEV_FB_WriteDeviceState, block) ? 1 : 0;
}

// The main output of a clone pair and the other one.
void SplitClonePair(unsigned mask, unsigned &main, unsigned &other) {
    main = other = 0;
    if (mask == (QEV_OUT_LCD | QEV_OUT_DVI)) {
        main = QEV_OUT_LCD;
        other = QEV_OUT_DVI;
        return;
    }
    for (unsigned bit : {QEV_OUT_CRT, QEV_OUT_DVI, QEV_OUT_HDMI, QEV_OUT_TV, QEV_OUT_HDTV, QEV_OUT_CRT2}) {
        if (mask & bit) {
            main = bit;
            other = mask & ~bit;
            return;
        }
    }
}

} // namespace

extern "C" QEVGFX_API_EXPORT int RRSetScreenLayout(int primary, int secondary, int position) {
    if (RandRSupport != 1)
        return 1;
    std::vector<std::string> args;
    if (const char *name = qev::RandROutputName(unsigned(secondary)))
        args.insert(args.end(), {"--output", name});
    static constexpr const char *kPlacements[] = {"--right-of", "--left-of", "--above", "--below"};
    if (position >= 0 && position <= 3)
        args.emplace_back(kPlacements[position]);
    if (const char *name = qev::RandROutputName(unsigned(primary)))
        args.emplace_back(name);
    qev::RunXrandr(args);
    return 1;
}

extern "C" QEVGFX_API_EXPORT int RRClearScreenLayout(int primary, int secondary, int /*position*/) {
    if (RandRSupport != 1 || primary == 0 || secondary == 0)
        return 1;
    std::vector<std::string> args;
    if (const char *name = qev::RandROutputName(unsigned(secondary)))
        args.insert(args.end(), {"--output", name});
    args.emplace_back("--same-as");
    if (const char *name = qev::RandROutputName(unsigned(primary)))
        args.emplace_back(name);
    qev::RunXrandr(args);
    return 1;
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_SAMM_Enable(int primary, int secondary, int position) {
    if (qev::OnRandR())
        return RRSetScreenLayout(primary, secondary, position);
    if (qev::OnX())
        return ss::FileRouteEnable(primary, secondary, position, ReadFacts(primary, secondary));
    if (qev::OnFb())
        return FbSamm(true, primary, secondary);
    return 0;
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_SAMM_Disable(int primary, int secondary, int position) {
    if (qev::OnRandR())
        return RRClearScreenLayout(primary, secondary, position);
    if (qev::OnX())
        return ss::FileRouteDisable(ReadFacts(0, 0));
    if (qev::OnFb())
        return FbSamm(false, primary, secondary);
    return 0;
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_SAMM_GetScreenLayout(int layout[3]) {
    if (layout == nullptr)
        return 0;
    if (qev::OnRandR()) {
        unsigned active = 0;
        QEVGFX_Device_GetActiveState(&active);
        unsigned outputs[2] = {0, 0};
        int found = 0;
        for (unsigned bit = QEV_OUT_CRT; bit <= QEV_OUT_DVI2 && found < 2; bit <<= 1)
            if (active & bit)
                outputs[found++] = bit;
        int x[2] = {0, 0}, y[2] = {0, 0};
        for (int i = 0; i < found; ++i)
            rrGetDevCurPosition(outputs[i], &x[i], &y[i]);
        layout[0] = int(outputs[0]);
        layout[1] = int(outputs[1]);
        const unsigned x1 = unsigned(x[0]), y1 = unsigned(y[0]), x2 = unsigned(x[1]), y2 = unsigned(y[1]);
        layout[2] = 255;
        if (y2 == y1 && x2 != x1)
            layout[2] = x2 < x1 ? 1 : 0;
        else if (x2 == x1 && y2 != y1)
            layout[2] = y2 < y1 ? 2 : 3;
        return 1;
    }
    if (qev::OnX()) {
        int mode = 0;
        if (!QEVGFX_Device_GetDisplayMode(&mode) || mode != QEV_DISPLAY_SAMM)
            return 0;
        unsigned active = 0;
        QEVGFX_Device_GetActiveState(&active);
        return ss::FileRouteLayout(layout, active);
    }
    if (qev::OnFb()) {
        unsigned char block[QEV_DS_SIZE] = {};
        if (!qev::FbRequest(QEV_FB_ReadDeviceState, block))
            return 0;
        const uint32_t primary = qev::GetLE32(block + QEV_DS_SAMM_LAYOUT);
        switch (primary) {
        case QEV_OUT_CRT:
        case QEV_OUT_LCD:
        case QEV_OUT_TV:
        case QEV_OUT_DVI:
        case QEV_OUT_HDMI:
        case QEV_OUT_LCD2: layout[0] = int(primary); break;
        default: break;
        }
        const unsigned rest = qev::GetLE16(block + QEV_DS_ACTIVE_MASK) & ~primary;
        for (unsigned bit :
             {QEV_OUT_CRT, QEV_OUT_DVI, QEV_OUT_HDMI, QEV_OUT_TV, QEV_OUT_HDTV, QEV_OUT_LCD, QEV_OUT_LCD2}) {
            if (rest & bit) {
                layout[1] = int(bit);
                break;
            }
        }
        return 1;
    }
    return 0;
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_SAMM_GetFbSammInfo(void *record) {
    if (!qev::OnFb() || record == nullptr)
        return 0;
    return qev::FbRequest(QEV_FB_MemoryInfo, record) ? 1 : 0;
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_SAMM_Second_Mode(void *record) {
    if (!qev::OnFb() || record == nullptr)
        return 0;
    if (!qev::FbRequest(QEV_FB_SammSecondMode, record)) {
        std::fputs("Fail QEVGFX_SAMM_Second_Mode\n", stderr);
        return 0;
    }
    return 1;
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_Gemel_GetVideoOutputDevice(int *output) {
    if (output == nullptr || !qev::OnX())
        return 0;
    unsigned active = 0;
    for (int attempt = 1;; ++attempt) {
        if (QEVGFX_Device_GetActiveState(&active))
            break;
        if (attempt == 6) {
            active = 0;
            break;
        }
        sleep(1);
    }
    unsigned main = 0, other = 0;
    SplitClonePair(active, main, other);
    int state = 0;
    *output = int(GetDeviceV3OnIGAState(&state) && state != 0 ? other : main);
    return 1;
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_Gemel_SetVideoOutputDevice(int output) {
    if (!qev::OnX())
        return 0;
    unsigned active = 0, main = 0, other = 0;
    QEVGFX_Device_GetActiveState(&active);
    SplitClonePair(active, main, other);
    int state = unsigned(output) != main ? 1 : 0;
    if (!SetDeviceV3OnIGAState(&state))
        return 0;
    // The display driver reads the choice from the marker.
    return qev::file::replace(kCloneMarker, std::to_string(state) + "\n") ? 1 : 0;
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_Gemel_GetMaxVideoOutput(int *count) {
    int chip = 0;
    if (count == nullptr || !qev::OnX() || !QEVGFX_Info_GetChipID(&chip))
        return 0;
    switch (chip) {
#define QEV_SINGLE_(id) case id:
        QEV_SINGLE_VIDEO_OUTPUT_CHIPS(QEV_SINGLE_)
#undef QEV_SINGLE_
        *count = 1;
        break;
    default: *count = 2; break;
    }
    return 1;
}

extern "C" QEVGFX_API_EXPORT int IsXineramaExist(void) {
    const std::string path = ss::XConfigPath();
    std::string doc;
    if (path.empty() || !qev::file::read(path, doc))
        return 0;
    return ss::IsXineramaIn(doc);
}

extern "C" QEVGFX_API_EXPORT int InsertNewDeviceOption(const char *name, const char *value) {
    const std::string path = ss::XConfigPath();
    if (name == nullptr || value == nullptr || path.empty())
        return 0;
    return ss::InsertDeviceOptionIn(path, name, value);
}

extern "C" QEVGFX_API_EXPORT int DeleteDeviceOption(const char *name) {
    const std::string path = ss::XConfigPath();
    if (name == nullptr || path.empty())
        return 0;
    return ss::DeleteDeviceOptionIn(path, name);
}
