#include "Display_page.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "qev/family.h"
#include "qev/outputs.h"
#include "support.h"

unsigned g_SelActiveDecice = 0;
unsigned g_SelectDevice = 0;
unsigned g_SelectSecDevice = 0;
int g_SelectMode = 0;
int g_count = 1;
int g_bOnlyforSAMM = 0;
int g_Display_SecDevice_List = 0;
int nPrimaryResolutionItemNum = 0, nSecondaryResolutionItemNum = 0;
int bPrimaryResolutionChanged = 0, bSecondaryResolutionChanged = 0;

namespace {

bool g_ModeHandlerConnected = false;

struct LabelRow {
    const char *label;
    unsigned device;
};

// Exact labels of both lists; "2. " labels of the second outputs exist only
// in the secondary list.
const LabelRow kLabels[] = {
    {"1. CRT", QEV_OUT_CRT},      {"2. CRT", QEV_OUT_CRT},     {"1. LCD", QEV_OUT_LCD},
    {"2. LCD", QEV_OUT_LCD},      {"1. TV", QEV_OUT_TV},       {"2. TV", QEV_OUT_TV},
    {"1. HDTV", QEV_OUT_HDTV},    {"2. HDTV", QEV_OUT_HDTV},   {"1. DVI", QEV_OUT_DVI},
    {"2. DVI", QEV_OUT_DVI},      {"1. DVI-2", QEV_OUT_DVI2},  {"2. DVI-2", QEV_OUT_DVI2},
    {"1. HDMI", QEV_OUT_HDMI},    {"2. HDMI", QEV_OUT_HDMI},   {"1. DP", QEV_OUT_DP},
    {"2. DP", QEV_OUT_DP},        {"1. DP-2", QEV_OUT_DP2},    {"2. DP-2", QEV_OUT_DP2},
    {"2. CRT_2", QEV_OUT_CRT2},   {"2. LCD_2", QEV_OUT_LCD2},  {"2. TV_2", QEV_OUT_TV2},
    {"2. HDTV_2", QEV_OUT_HDTV2}, {QEV_TEXT_NONE, 0},
};

// Primary-list label of an output that may be primary, else null.
const char *PrimaryLabel(unsigned device)
{
    switch (device) {
    case QEV_OUT_CRT: return "1. CRT";
    case QEV_OUT_LCD: return "1. LCD";
    case QEV_OUT_TV: return "1. TV";
    case QEV_OUT_DVI: return "1. DVI";
    case QEV_OUT_HDMI: return "1. HDMI";
    case QEV_OUT_HDTV: return "1. HDTV";
    case QEV_OUT_DVI2: return "1. DVI-2";
    case QEV_OUT_DP: return "1. DP";
    case QEV_OUT_DP2: return "1. DP-2";
    default: return nullptr;
    }
}

const char *SecondaryLabel(unsigned device)
{
    switch (device) {
    case QEV_OUT_CRT: return "2. CRT";
    case QEV_OUT_LCD: return "2. LCD";
    case QEV_OUT_TV: return "2. TV";
    case QEV_OUT_DVI: return "2. DVI";
    case QEV_OUT_HDMI: return "2. HDMI";
    case QEV_OUT_HDTV: return "2. HDTV";
    case QEV_OUT_DVI2: return "2. DVI-2";
    case QEV_OUT_DP: return "2. DP";
    case QEV_OUT_DP2: return "2. DP-2";
    case QEV_OUT_CRT2: return "2. CRT_2";
    case QEV_OUT_LCD2: return "2. LCD_2";
    case QEV_OUT_TV2: return "2. TV_2";
    case QEV_OUT_HDTV2: return "2. HDTV_2";
    default: return nullptr;
    }
}

bool Has(unsigned set, unsigned bit)
{
    return (set & bit) != 0;
}

}  // namespace

void ResetDisplayPageState(void)
{
    g_SelActiveDecice = 0;
    g_SelectDevice = 0;
    g_SelectSecDevice = 0;
    g_SelectMode = 0;
    g_count = 1;
    g_bOnlyforSAMM = 0;
    g_Display_SecDevice_List = 0;
    nPrimaryResolutionItemNum = nSecondaryResolutionItemNum = 0;
    bPrimaryResolutionChanged = bSecondaryResolutionChanged = 0;
    g_PrimaryDevice = 0;
    g_SecondaryDevice = 0;
    g_bDisplayPageHasInitial = 0;
    g_ModeHandlerConnected = false;
    InitDisplayPageOptionItems(&g_DisplayPageOptionItems);
    InitDisplayPageOptionItems(&g_TmpDisplayPageOptionItems);
}

// ---- labels, modes and records ------------------------------------------------

int MapTextToDevice(const char *label)
{
    if (!label)
        return QEV_OUT_CRT;
    for (const LabelRow &row : kLabels)
        if (strcmp(label, row.label) == 0)
            return static_cast<int>(row.device);
    return QEV_OUT_CRT;
}

int MapTextToMode(const char *text)
{
    if (!text)
        return 0;
    if (strcmp(text, QEV_MODE_TEXT_OFF) == 0)
        return QEV_DISPLAY_SINGLE;
    if (strcmp(text, QEV_MODE_TEXT_CLONE) == 0)
        return QEV_DISPLAY_CLONE;
    if (strcmp(text, QEV_MODE_TEXT_SAMM) == 0)
        return QEV_DISPLAY_SAMM;
    return 0;
}

int GetDeviceNum(unsigned set)
{
    return __builtin_popcount(set & QEV_OUT_ALL);
}

void InitDisplayPageOptionItems(DisplayPageOptionItems *record)
{
    for (int i = 0; i < QEV_OPT_COUNT; ++i)
        record->nItem[i] = i >= QEV_OPT_RESERVED ? -1 : 0;
}

int CheckDisplayPageOtionItemsChange(const DisplayPageOptionItems *applied, const DisplayPageOptionItems *pending)
{
    for (int i : {QEV_OPT_DEVICE_SET, QEV_OPT_TV_STANDARD, QEV_OPT_TV_SIGNAL, QEV_OPT_RESERVED, QEV_OPT_LCD_EXPANSION})
        if (applied->nItem[i] != pending->nItem[i])
            return 1;
    if (g_bSupportTwoTV) {
        for (int i : {QEV_OPT_TV2_STANDARD, QEV_OPT_TV2_SIGNAL})
            if (applied->nItem[i] != pending->nItem[i])
                return 1;
    }
    return 0;
}

// ---- device lists ----------------------------------------------------------------

unsigned ResolvePrimaryCandidate(unsigned candidate, bool building, unsigned active, unsigned libraryPrimary)
{
    if (candidate == 0 && building)
        candidate = GetDeviceNum(active) == 1 ? active : libraryPrimary;
    if (!Has(active, candidate)) {
        for (unsigned bit : {QEV_OUT_CRT, QEV_OUT_DVI, QEV_OUT_DVI2, QEV_OUT_LCD, QEV_OUT_TV, QEV_OUT_HDTV, QEV_OUT_HDMI,
                             QEV_OUT_DP, QEV_OUT_DP2}) {
            if (Has(active, bit))
                return bit;
        }
    }
    return candidate;
}

PrimaryList BuildPrimaryList(const DeviceSets &sets, unsigned candidate, unsigned selectDevice)
{
    PrimaryList out;
    out.selectDevice = selectDevice;
    auto place = [&](unsigned bit, bool always) {
        out.entries.emplace_back(PrimaryLabel(bit));
        if (always || Has(sets.active, bit)) {
            if (out.selectDevice == 0 || out.selectDevice == bit)
                out.selectDevice = bit;
            out.activeBits |= bit;
        }
    };
    const unsigned usable = sets.supported & sets.connected;
    if (PrimaryLabel(candidate)) {
        if (Has(usable, candidate)) {
            place(candidate, false);
            out.current = candidate;
        }
    } else {
        place(QEV_OUT_CRT, true);
        out.current = QEV_OUT_CRT;
    }
    for (unsigned bit : {QEV_OUT_CRT, QEV_OUT_TV, QEV_OUT_HDTV, QEV_OUT_DVI, QEV_OUT_DVI2, QEV_OUT_HDMI, QEV_OUT_DP,
                         QEV_OUT_DP2, QEV_OUT_LCD}) {
        if (bit != out.current && Has(usable, bit))
            place(bit, false);
    }
    return out;
}

SecondaryList BuildSecondaryList(const DeviceSets &sets, unsigned candidate, const std::string &primaryText)
{
    SecondaryList out;
    const unsigned usable = sets.supported & sets.connected;
    switch (candidate) {
    case 0: out.entries.emplace_back(QEV_TEXT_NONE); break;
    case QEV_OUT_CRT:
    case QEV_OUT_LCD:
    case QEV_OUT_TV:
    case QEV_OUT_HDTV:
    case QEV_OUT_DVI:
    case QEV_OUT_HDMI:
    case QEV_OUT_DP:
    case QEV_OUT_DP2:
        if (Has(usable, candidate) && primaryText != PrimaryLabel(candidate)) {
            out.entries.emplace_back(SecondaryLabel(candidate));
            out.entries.emplace_back(QEV_TEXT_NONE);
            out.current = candidate;
        }
        break;
    case QEV_OUT_CRT2:
    case QEV_OUT_LCD2:
    case QEV_OUT_DVI2:
    case QEV_OUT_TV2:
    case QEV_OUT_HDTV2:
        if (Has(usable, candidate)) {
            out.entries.emplace_back(SecondaryLabel(candidate));
            out.entries.emplace_back(QEV_TEXT_NONE);
            out.current = candidate;
        }
        break;
    default: break;
    }
    struct Row {
        unsigned bit;
        const char *excluded1, *excluded2;
    };
    static const Row kRows[] = {
        {QEV_OUT_CRT, "1. CRT", nullptr},   {QEV_OUT_TV, "1. TV", "1. HDTV"},  {QEV_OUT_HDTV, "1. HDTV", "1. TV"},
        {QEV_OUT_DVI, "1. DVI", nullptr},   {QEV_OUT_DVI2, "1. DVI-2", nullptr}, {QEV_OUT_HDMI, "1. HDMI", nullptr},
        {QEV_OUT_DP, "1. DP", nullptr},     {QEV_OUT_DP2, "1. DP-2", nullptr}, {QEV_OUT_LCD, "1. LCD", nullptr},
        {QEV_OUT_CRT2, nullptr, nullptr},   {QEV_OUT_TV2, nullptr, nullptr},   {QEV_OUT_HDTV2, nullptr, nullptr},
        {QEV_OUT_LCD2, nullptr, nullptr},
    };
    for (const Row &row : kRows) {
        if (row.bit == out.current || !Has(usable, row.bit))
            continue;
        if ((row.excluded1 && primaryText == row.excluded1) || (row.excluded2 && primaryText == row.excluded2))
            continue;
        out.entries.emplace_back(SecondaryLabel(row.bit));
    }
    return out;
}

bool IsPairedTVEncoder(int chipId, int tvChipId)
{
    return chipId == QEV_PAIRED_TV_CHIP && tvChipId == QEV_PAIRED_TV_ENCODER;
}

std::vector<std::string> SimultaneousSecondaryList(const DeviceSets &sets, bool pairedTV, const std::string &primaryText)
{
    auto is = [&](const char *label) { return primaryText == label; };
    const unsigned c = sets.connected;
    const unsigned usable = sets.supported & sets.connected;
    std::vector<std::string> list{QEV_TEXT_NONE};
    auto add = [&](bool condition, unsigned bit) {
        if (condition)
            list.emplace_back(SecondaryLabel(bit));
    };
    add(Has(c, QEV_OUT_CRT) && !is("1. CRT") && !(pairedTV && (is("1. TV") || is("1. HDTV"))), QEV_OUT_CRT);
    add(Has(c, QEV_OUT_TV) && !is("1. TV") && !is("1. HDTV") && !(pairedTV && is("1. CRT")), QEV_OUT_TV);
    add(Has(c, QEV_OUT_HDTV) && !is("1. HDTV") && !is("1. TV") && !(pairedTV && is("1. CRT")), QEV_OUT_HDTV);
    add(Has(c, QEV_OUT_DVI) && !is("1. DVI") && !is("1. HDMI"), QEV_OUT_DVI);
    add(Has(c, QEV_OUT_HDMI) && !is("1. HDMI") && !is("1. LCD") && !is("1. DVI"), QEV_OUT_HDMI);
    add(Has(c, QEV_OUT_DP) && !is("1. DP") && !is("1. DVI"), QEV_OUT_DP);
    add(Has(c, QEV_OUT_DP2) && !is("1. DP-2") && !is("1. DVI"), QEV_OUT_DP2);
    add(Has(c, QEV_OUT_LCD) && !is("1. LCD") && !is("1. HDMI"), QEV_OUT_LCD);
    add(Has(usable, QEV_OUT_CRT2), QEV_OUT_CRT2);
    add(Has(usable, QEV_OUT_TV2), QEV_OUT_TV2);
    add(Has(usable, QEV_OUT_HDTV2), QEV_OUT_HDTV2);
    add(Has(usable, QEV_OUT_DVI2) && !is("1. DVI-2"), QEV_OUT_DVI2);
    add(Has(usable, QEV_OUT_LCD2), QEV_OUT_LCD2);
    return list;
}

// ---- secondary mode list -----------------------------------------------------------

ModeListResult BuildModeList(const ModeListInput &in)
{
    ModeListResult out;
    out.count = in.count;
    out.onlyForSAMM = in.onlyForSAMM;
    const int K = in.connectedCount;
    if (in.secondaryText == QEV_TEXT_NONE) {
        ++out.count;
        out.entries = {QEV_MODE_TEXT_OFF};
        out.shownMode = QEV_DISPLAY_SINGLE;
    } else if (in.count == 1) {
        out.shownMode = in.currentMode;
        if (in.currentMode == QEV_DISPLAY_SAMM)
            out.onlyForSAMM = true;
        out.count = 2;
        if (in.currentMode == QEV_DISPLAY_CLONE)
            out.entries = {QEV_MODE_TEXT_CLONE};
        else if (in.currentMode == QEV_DISPLAY_SAMM)
            out.entries = {QEV_MODE_TEXT_SAMM};
        else if (in.currentMode == QEV_DISPLAY_SINGLE)
            out.entries = {QEV_MODE_TEXT_OFF};
    } else {
        ++out.count;
        out.entries = {QEV_MODE_TEXT_CLONE};
        out.shownMode = QEV_DISPLAY_CLONE;
    }
    if (out.onlyForSAMM) {
        out.entries = {QEV_MODE_TEXT_SAMM};
        out.shownMode = QEV_DISPLAY_SAMM;
        out.secDeviceInsensitive = true;
    }
    switch (out.shownMode) {
    case QEV_DISPLAY_SINGLE: break;
    case QEV_DISPLAY_CLONE:
        if (!(K > 1 && in.secondaryChosen && in.sammSupported))
            out.entries.emplace_back(QEV_MODE_TEXT_OFF);
        if (in.currentMode != QEV_DISPLAY_SAMM)
            out.combosSensitive = 1;
        break;
    case QEV_DISPLAY_SAMM:
        if (K > 1)
            out.entries.emplace_back(QEV_MODE_TEXT_CLONE);
        out.combosSensitive = in.randr ? 1 : 0;
        out.sammButtonSensitive = true;
        return out;
    default:
        if (K <= 1 || !in.secondaryChosen || !in.sammSupported)
            out.entries.emplace_back(QEV_MODE_TEXT_OFF);
        if (K > 1)
            out.entries.emplace_back(QEV_MODE_TEXT_CLONE);
        break;
    }
    if ((in.pendingCount == 2 && K >= 2 && in.sammSupported) || in.startedInSAMM)
        out.entries.emplace_back(QEV_MODE_TEXT_SAMM);
    return out;
}

ModeChoiceEffect ModeChoice(const std::string &text, int currentMode, bool randr)
{
    ModeChoiceEffect e;
    switch (MapTextToMode(text.c_str())) {
    case QEV_DISPLAY_CLONE:
        e.onlyForSAMM = 0;
        if (currentMode == QEV_DISPLAY_CLONE) {
            e.combosSensitive = 1;
            e.sammButton = 0;
            e.apply = 0;
        } else {
            e.apply = 1;
        }
        break;
    case QEV_DISPLAY_SAMM:
        e.sammButton = 1;
        if (!randr)
            e.combosSensitive = 0;
        e.onlyForSAMM = 1;
        if (currentMode != QEV_DISPLAY_SAMM)
            e.apply = 1;
        return e;
    case QEV_DISPLAY_SINGLE:
        e.onlyForSAMM = 0;
        if (currentMode == QEV_DISPLAY_SINGLE) {
            e.sammButton = 0;
            e.apply = 0;
        } else {
            e.apply = 1;
        }
        break;
    default: return e;
    }
    if (currentMode == QEV_DISPLAY_SAMM) {
        e.sammButton = 0;
        e.apply = 1;
    }
    return e;
}

// ---- resolution lists ------------------------------------------------------------

std::vector<std::string> ResolutionEntries(const RRModeEntry *modes, int count)
{
    std::vector<std::string> out;
    for (int i = 0; modes && i < count && i < QEV_RESOLUTION_MAX_ENTRIES; ++i) {
        char slot[QEV_RESOLUTION_ENTRY_SIZE];
        snprintf(slot, sizeof slot, "%s %.1fHz", modes[i].name ? modes[i].name : "", modes[i].refresh);
        out.emplace_back(slot);
    }
    return out;
}

int ShownResolutionIndex(const RRModeEntry *modes, int count, const RRModeEntry &current)
{
    int shown = 0;
    const int currentRate = static_cast<int>(current.refresh);
    for (int i = 0; modes && current.name && i < count && i < QEV_RESOLUTION_MAX_ENTRIES; ++i) {
        if (modes[i].name && strcmp(modes[i].name, current.name) == 0 &&
            std::abs(static_cast<int>(modes[i].refresh) - currentRate) <= 1)
            shown = i;
    }
    return shown;
}

// ---- advanced buttons ----------------------------------------------------------

AdvancedButtons AdvancedButtonRule(unsigned output, unsigned caps, bool randr, unsigned active, bool changeRule)
{
    AdvancedButtons b;
    auto allInsensitive = [&] { b.lcdSensitive = b.generalSensitive = b.tvSensitive = 0; };
    switch (output) {
    case QEV_OUT_CRT:
    case QEV_OUT_DVI:
    case QEV_OUT_CRT2:
    case QEV_OUT_DVI2:
    case QEV_OUT_DP:
    case QEV_OUT_DP2:
    case QEV_OUT_HDMI:
        if (changeRule && output != QEV_OUT_HDMI) {
            allInsensitive();
            break;
        }
        b.tvShow = b.lcdShow = 0;
        b.generalShow = 1;
        if (changeRule)
            b.generalSensitive = Has(caps, 0x10) && Has(active, QEV_OUT_HDMI);
        else
            b.generalSensitive = Has(caps, 0x10) || randr;
        break;
    case QEV_OUT_LCD:
    case QEV_OUT_LCD2:
        b.tvShow = b.generalShow = 0;
        b.lcdShow = 1;
        if (changeRule)
            b.lcdSensitive = Has(caps, 0x02 | 0x80) && Has(active, QEV_OUT_LCD | QEV_OUT_LCD2);
        else
            b.lcdSensitive = Has(caps, 0x02 | 0x80) || randr;
        break;
    case QEV_OUT_TV:
    case QEV_OUT_HDTV:
    case QEV_OUT_TV2:
    case QEV_OUT_HDTV2:
        b.lcdShow = b.generalShow = 0;
        b.tvShow = 1;
        b.tvSensitive = 1;
        break;
    default: allInsensitive(); break;
    }
    return b;
}

// ---- TV standard and signal -----------------------------------------------------

namespace {

struct ValueText {
    const char *text;
    int value;
};
const ValueText kStandards[] = {{"NTSC", 1}, {"PAL", 2}, {"480P", 4}, {"576P", 8}, {"720P", 16}, {"1080I", 32},
                                {"1080P", 64}};
const ValueText kSignals[] = {{"Composite", 1},
                              {"S-Video", 2},
                              {"RGB(SCART)", 4},
                              {"Component", 8},
                              {"S-Video Composite", 16},
                              {"RGB(SCART) S-Video Composite", 128},
                              {"Component S-Video Composite", 256}};

}  // namespace

int GetComboEntryItemValue(const char *text)
{
    if (!text)
        return -1;
    for (const ValueText &v : kStandards)
        if (strcmp(text, v.text) == 0)
            return v.value;
    for (const ValueText &v : kSignals)
        if (strcmp(text, v.text) == 0)
            return v.value;
    if (strcmp(text, "TV") == 0)
        return QEV_OUT_TV;
    if (strcmp(text, "TV2") == 0)
        return QEV_OUT_TV2;
    return -1;
}

const char *TVValueText(int kind, int value)
{
    if (kind == 0 || kind == 2) {
        for (const ValueText &v : kStandards)
            if (v.value == value)
                return v.text;
    } else {
        for (const ValueText &v : kSignals)
            if (v.value == value)
                return v.text;
    }
    return "";
}

std::vector<std::string> TVListEntries(int kind, unsigned supported, bool randr)
{
    static const char *const kSdStandards[] = {"NTSC", "PAL", "480P", "576P", "720P", "1080I", "1080P"};
    static const char *const kSdSignals[] = {"Composite",         "S-Video",
                                             "RGB(SCART)",        "Component",
                                             "S-Video Composite", "Component S-Video Composite",
                                             "RGB(SCART) S-Video Composite"};
    static const char *const kHdStandards[] = {"480P", "576P", "720P", "1080I", "1080P"};
    static const char *const kHdSignals[] = {"RGB(SCART)", "Component"};
    std::vector<std::string> out;
    auto take = [&](const char *const *texts, size_t n) {
        for (size_t i = 0; i < n; ++i) {
            int value = GetComboEntryItemValue(texts[i]);
            if (supported & static_cast<unsigned>(value))
                out.emplace_back(texts[i]);
        }
    };
    switch (kind) {
    case 0: take(kSdStandards, randr ? 7 : 2); break;
    case 1: take(kSdSignals, G_N_ELEMENTS(kSdSignals)); break;
    case 2: take(kHdStandards, G_N_ELEMENTS(kHdStandards)); break;
    case 3: take(kHdSignals, G_N_ELEMENTS(kHdSignals)); break;
    default: break;
    }
    return out;
}

int TVOptionStandardField(unsigned primary, unsigned secondary)
{
    auto first = [](unsigned d) { return d == QEV_OUT_TV || d == QEV_OUT_HDTV; };
    if (first(primary) || first(secondary))
        return QEV_OPT_TV_STANDARD;
    if (secondary == QEV_OUT_TV2 || secondary == QEV_OUT_HDTV2)
        return QEV_OPT_TV2_STANDARD;
    return -1;
}

unsigned ActiveTVForAdjustment(unsigned active)
{
    return active == (QEV_OUT_HDTV | QEV_OUT_TV2) ? QEV_OUT_TV2 : QEV_OUT_TV;
}

TVApplyPlan PlanTVApply(const TVApplyInput &in)
{
    TVApplyPlan plan;
    const bool hd = in.device == QEV_OUT_HDTV || in.device == QEV_OUT_HDTV2;
    // A pending 0 means no choice was made for this output (its adjustment
    // window was never filled): the output keeps what it has, or takes a
    // default when it is being switched on. 0 is never sent to the encoder.
    unsigned standard = static_cast<unsigned>(in.pendingStandard);
    unsigned signal = static_cast<unsigned>(in.pendingSignal);
    if (in.pendingStandard <= 0)
        standard = in.currentStandard;
    if (in.pendingSignal <= 0)
        signal = in.currentSignal;
    if (hd) {
        if (in.currentStandard == 0 && in.setChanging) {
            standard = QEV_TVSTD_480P;
            for (unsigned bit : {QEV_TVSTD_480P, QEV_TVSTD_576P, QEV_TVSTD_720P, QEV_TVSTD_1080I}) {
                if (in.supportedStandards & bit) {
                    standard = bit;
                    break;
                }
            }
        }
        if (in.pendingSignal <= 0 && in.setChanging)
            signal = QEV_TVSIG_YCBCR;
    } else if (in.setChanging) {
        if (standard == 0)
            standard = QEV_TVSTD_NTSC;
        if (signal == 0)
            signal = QEV_TVSIG_COMPOSITE;
    }
    plan.standard = standard;
    plan.signal = signal;
    plan.setStandard = standard != 0 && standard != in.currentStandard;
    plan.setSignal = signal != 0 && signal != in.currentSignal;
    return plan;
}

std::vector<unsigned> TVOutputsToApply(unsigned pendingSet)
{
    std::vector<unsigned> outputs;
    if (pendingSet & QEV_OUT_HDTV)
        outputs.push_back(QEV_OUT_HDTV);
    else if (pendingSet & QEV_OUT_TV)
        outputs.push_back(QEV_OUT_TV);
    if (pendingSet & QEV_OUT_HDTV2)
        outputs.push_back(QEV_OUT_HDTV2);
    else if (pendingSet & QEV_OUT_TV2)
        outputs.push_back(QEV_OUT_TV2);
    return outputs;
}

// ---- GTK side ----------------------------------------------------------------------

namespace {

const char *const kPrimaryCombo = "Display_Device_Combo";
const char *const kPrimaryResolution = "Display_Resolution_Combo";
const char *const kSecondaryCombo = "Display_SecDevice_Combo";
const char *const kModeCombo = "Display_SecMode_Combo";
const char *const kSecondaryResolution = "Display_SecResolution_Combo";
const char *const kSAMMButton = "Display_SecDevice_SAMM_Setting_Btn";
const char *const kApplyButton = "Info_Apply_button";

GtkWidget *Widget(const char *name)
{
    return g_pMainWindow ? lookup_widget(g_pMainWindow, name) : nullptr;
}

void SetSensitive(const char *name, bool sensitive)
{
    if (GtkWidget *w = Widget(name))
        gtk_widget_set_sensitive(w, sensitive);
}

std::string ComboText(const char *comboName)
{
    GtkWidget *combo = Widget(comboName);
    return combo ? gtk_entry_get_text(GTK_ENTRY(GTK_COMBO(combo)->entry)) : std::string();
}

// Gives the combo its list; the entry shows the first entry, and its
// "changed" handlers run even when that text was already shown.
void SetComboList(const char *comboName, const std::vector<std::string> &entries)
{
    GtkWidget *combo = Widget(comboName);
    if (!combo)
        return;
    GtkWidget *entry = GTK_COMBO(combo)->entry;
    std::string before = gtk_entry_get_text(GTK_ENTRY(entry));
    if (entries.empty()) {
        gtk_list_clear_items(GTK_LIST(GTK_COMBO(combo)->list), 0, -1);
        gtk_entry_set_text(GTK_ENTRY(entry), "");
        return;
    }
    GList *items = nullptr;
    for (const std::string &e : entries)
        items = g_list_append(items, const_cast<char *>(e.c_str()));
    gtk_combo_set_popdown_strings(GTK_COMBO(combo), items);
    g_list_free(items);
    if (before == entries.front())
        g_signal_emit_by_name(entry, "changed");
}

void ConnectEntry(const char *comboName, GCallback handler)
{
    if (GtkWidget *combo = Widget(comboName))
        g_signal_connect(GTK_COMBO(combo)->entry, "changed", handler, nullptr);
}

void SetFourCombos(bool sensitive)
{
    for (const char *name : {kPrimaryCombo, kPrimaryResolution, kSecondaryCombo, kSecondaryResolution})
        SetSensitive(name, sensitive);
}

// One read of the outputs for a page build or a list change: the three masks
// and every output's mode list from one pass (one round trip with RandR),
// taken on first use and shared by everything asked until the outermost pass
// ends. Nothing in that time changes the outputs, so every answer is the one
// a query of its own would give. Without RandR, or when the read fails, each
// question stays its own query.
class OutputPass
{
public:
    OutputPass() : outer_(s_current) { s_current = outer_ ? outer_ : this; }
    ~OutputPass()
    {
        if (s_current == this)
            s_current = nullptr;
        if (read_)
            for (int i = 0; i < 32; ++i)
                rrFreeModeEntries(summary_.modes[i], summary_.modeCount[i]);
    }
    OutputPass(const OutputPass &) = delete;
    OutputPass &operator=(const OutputPass &) = delete;

    static const QevOutputSummary *Current()
    {
        if (!s_current || !g_bRandRMode)
            return nullptr;
        OutputPass *p = s_current;
        if (!p->read_) {
            p->read_ = true;
            p->summary_ = QevOutputSummary{};
            p->ok_ = QEVGFX_Device_GetOutputSummary(~0u, &p->summary_) != 0;
        }
        return p->ok_ ? &p->summary_ : nullptr;
    }

private:
    static OutputPass *s_current;
    OutputPass *outer_;
    bool read_ = false, ok_ = false;
    QevOutputSummary summary_ = {};
};
OutputPass *OutputPass::s_current = nullptr;

// Slot of a one-output mask in the summary's mode lists, -1 for other masks.
int ModeSlot(unsigned device)
{
    if (device == 0 || (device & (device - 1)) != 0)
        return -1;
    int slot = 0;
    while (!(device & 1u)) {
        device >>= 1;
        ++slot;
    }
    return slot;
}

DeviceSets ReadSets()
{
    DeviceSets s;
    if (const QevOutputSummary *pass = OutputPass::Current()) {
        s.supported = pass->supported;
        s.connected = pass->connected;
        s.active = pass->active;
        return s;
    }
    QEVGFX_Device_GetSupportCaps(&s.supported);
    QEVGFX_Device_GetConnectState(&s.connected);
    QEVGFX_Device_GetActiveState(&s.active);
    return s;
}

unsigned ReadActive()
{
    if (const QevOutputSummary *pass = OutputPass::Current())
        return pass->active;
    unsigned active = 0;
    QEVGFX_Device_GetActiveState(&active);
    return active;
}

unsigned ReadConnected()
{
    if (const QevOutputSummary *pass = OutputPass::Current())
        return pass->connected;
    unsigned connected = 0;
    QEVGFX_Device_GetConnectState(&connected);
    return connected;
}

void SetPendingDeviceSet(unsigned set)
{
    g_SelActiveDecice = set;
    g_TmpDisplayPageOptionItems.nItem[QEV_OPT_DEVICE_SET] = static_cast<gint32>(set);
}

void UpdateApplyFromRecords()
{
    if (g_pMainWindow)
        UpdateApplyBtnState(g_pMainWindow, kApplyButton,
                            CheckDisplayPageOtionItemsChange(&g_DisplayPageOptionItems, &g_TmpDisplayPageOptionItems));
}

void EnableApply(bool enable)
{
    if (g_pMainWindow)
        UpdateApplyBtnState(g_pMainWindow, kApplyButton, enable);
}

// Fills a resolution combo with the output's modes; returns the index shown
// (the current mode's entry when `showCurrent`, else the first).
int FillResolutionCombo(const char *comboName, unsigned device, bool showCurrent)
{
    int count = 0;
    RRModeEntry *modes = nullptr;
    const QevOutputSummary *pass = OutputPass::Current();
    const int slot = ModeSlot(device);
    const bool shared = pass && slot >= 0;
    if (shared) {
        count = pass->modeCount[slot];
        modes = pass->modes[slot];
    } else {
        QEVGFX_DISPLAY_GetDevSupportMode(device, &count, &modes);
    }
    int shown = 0;
    if (showCurrent && modes) {
        RRModeEntry current = {};
        if (QEVGFX_DISPLAY_GetDevCurMode(device, &current))
            shown = ShownResolutionIndex(modes, count, current);
        free(current.name);
    }
    SetComboList(comboName, ResolutionEntries(modes, count));
    if (shown > 0)
        if (GtkWidget *combo = Widget(comboName))
            gtk_list_select_item(GTK_LIST(GTK_COMBO(combo)->list), shown);
    if (modes && !shared)
        rrFreeModeEntries(modes, count);
    return shown;
}

// The mode record at `index` of the output's list; false when there is none.
bool ModeAt(unsigned device, int index, RRModeEntry *mode)
{
    int count = 0;
    RRModeEntry *modes = nullptr;
    QEVGFX_DISPLAY_GetDevSupportMode(device, &count, &modes);
    bool found = modes && index >= 0 && index < count;
    if (found) {
        *mode = modes[index];
        mode->name = strdup(modes[index].name ? modes[index].name : "");
    }
    if (modes)
        rrFreeModeEntries(modes, count);
    return found;
}

void ResolutionChanged(const char *comboName, int *stored, int *changed)
{
    GtkWidget *combo = Widget(comboName);
    if (!combo)
        return;
    int index = GetSelListItemNumber(GTK_LIST(GTK_COMBO(combo)->list), nullptr);
    if (index == *stored)
        return;
    *stored = index;
    *changed = 1;
    EnableApply(true);
}

void Show(const char *name, int show, int sensitive)
{
    GtkWidget *w = Widget(name);
    if (!w)
        return;
    if (show == 0)
        gtk_widget_hide(w);
    else if (show == 1)
        gtk_widget_show(w);
    if (sensitive >= 0)
        gtk_widget_set_sensitive(w, sensitive);
}

}  // namespace

void SetAdvancedButtons(bool secondary, unsigned output, bool changeRule)
{
    unsigned active = changeRule ? ReadActive() : 0;
    AdvancedButtons b =
        AdvancedButtonRule(output, static_cast<unsigned>(g_sFuncCaps[0]), g_bRandRMode != 0, active, changeRule);
    if (secondary) {
        Show("Display_SecDevice_LCD_Advanced_Button", b.lcdShow, b.lcdSensitive);
        Show("Display_SecDevice_Advanced_Button", b.generalShow, b.generalSensitive);
        Show("Display_SecDevice_TV_Advanced_Button", b.tvShow, b.tvSensitive);
    } else {
        Show("Display_Device_LCD_Advanced_Button", b.lcdShow, b.lcdSensitive);
        Show("Display_Device_Advanced_Button", b.generalShow, b.generalSensitive);
        Show("Display_Device_TV_Advanced_Button", b.tvShow, b.tvSensitive);
    }
}

int AddDisplayPage(void)
{
    OutputPass pass;
    InitDisplayPageOptionItems(&g_DisplayPageOptionItems);
    InitDisplayPageOptionItems(&g_TmpDisplayPageOptionItems);
    create_Display_Page(g_pMainWindow);
    InitDisplayPrimaryDeviceListFrame(g_pMainWindow, static_cast<unsigned>(g_PrimaryDevice));
    InitDisplaySecondaryDeviceListFrame(g_pMainWindow, static_cast<unsigned>(g_SecondaryDevice));
    return 1;
}

void InitDisplayPrimaryDeviceListFrame(GtkWidget *, unsigned candidate)
{
    OutputPass pass;
    DeviceSets sets = ReadSets();
    if (g_bSAMMMode) {
        int layout[3] = {0, 0, 0};
        QEVGFX_SAMM_GetScreenLayout(layout);
        g_ScreenLayout = {layout[0], layout[1], layout[2]};
        candidate = g_SelectDevice = static_cast<unsigned>(layout[0]);
    }
    if (!g_bRandRMode)
        Show(kPrimaryResolution, 0, -1);
    const bool building = g_count == 1;
    unsigned libraryPrimary = 0;
    if (candidate == 0 && building && GetDeviceNum(sets.active) != 1)
        QEVGFX_Device_GetPrimaryDevice(&libraryPrimary);
    candidate = ResolvePrimaryCandidate(candidate, building, sets.active, libraryPrimary);

    PrimaryList list = BuildPrimaryList(sets, candidate, g_SelectDevice);
    g_SelectDevice = list.selectDevice;
    g_SelActiveDecice |= list.activeBits;
    g_DisplayPageOptionItems.nItem[QEV_OPT_DEVICE_SET] |= static_cast<gint32>(list.activeBits);
    g_TmpDisplayPageOptionItems.nItem[QEV_OPT_DEVICE_SET] |= static_cast<gint32>(list.activeBits);

    if (g_bRandRMode)
        nPrimaryResolutionItemNum = FillResolutionCombo(kPrimaryResolution, list.current, true);
    if (building)
        g_PrimaryDevice = static_cast<int>(g_SelectDevice);
    SetAdvancedButtons(false, static_cast<unsigned>(g_PrimaryDevice), false);
    SetComboList(kPrimaryCombo, list.entries);
    ConnectEntry(kPrimaryCombo, G_CALLBACK(on_Display_Device_Combo_Entry_changed));
    ConnectEntry(kPrimaryResolution, G_CALLBACK(on_Display_Device_Resolution_Combo_Entry_changed));
}

void InitDisplaySecondaryDeviceListFrame(GtkWidget *, unsigned candidate)
{
    OutputPass pass;
    DeviceSets sets = ReadSets();
    if (GetDeviceNum(sets.connected) < 2) {
        for (const char *name : {kSecondaryCombo, kModeCombo, kSecondaryResolution})
            SetSensitive(name, false);
    }
    if (!g_bRandRMode)
        Show(kSecondaryResolution, 0, -1);
    if (GetDeviceNum(sets.active) == 2)
        candidate = sets.active & ~static_cast<unsigned>(g_PrimaryDevice);

    SecondaryList list = BuildSecondaryList(sets, candidate, ComboText(kPrimaryCombo));
    // A second output (CRT_2, LCD_2, TV_2, HDTV_2) never appears in the
    // primary list: when it is the active secondary it joins the pending set
    // here, so that Apply keeps it on.
    if (list.current && (sets.active & list.current)) {
        g_SelActiveDecice |= list.current;
        g_DisplayPageOptionItems.nItem[QEV_OPT_DEVICE_SET] |= static_cast<gint32>(list.current);
        g_TmpDisplayPageOptionItems.nItem[QEV_OPT_DEVICE_SET] |= static_cast<gint32>(list.current);
    }
    g_SelectSecDevice = g_SelActiveDecice & ~static_cast<unsigned>(g_PrimaryDevice);
    g_Display_SecDevice_List = !list.entries.empty();
    if (list.current && g_bRandRMode)
        nSecondaryResolutionItemNum = FillResolutionCombo(kSecondaryResolution, list.current, true);
    if (g_count == 1)
        g_SecondaryDevice = static_cast<int>(g_SelectSecDevice);
    SetAdvancedButtons(true, static_cast<unsigned>(g_SecondaryDevice), false);
    SetComboList(kSecondaryCombo, list.entries);
    UpdateDeviceModeList();
    ConnectEntry(kSecondaryCombo, G_CALLBACK(on_Display_SecDevice_Combo_Entry_changed));
    ConnectEntry(kSecondaryResolution, G_CALLBACK(on_Display_SecDevice_Resolution_Combo_Entry_changed));
}

void UpdateDeviceModeList(void)
{
    OutputPass pass;
    unsigned connected = ReadConnected();
    int sammSupported = 0, mode = 0;
    QEVGFX_Device_GetSupportSAMMState(&sammSupported);
    QEVGFX_Device_GetDisplayMode(&mode);

    ModeListInput in;
    in.connectedCount = GetDeviceNum(connected);
    in.pendingCount = GetDeviceNum(g_SelActiveDecice);
    in.sammSupported = sammSupported != 0;
    in.currentMode = mode;
    in.secondaryText = ComboText(kSecondaryCombo);
    in.secondaryChosen = g_SecondaryDevice != 0;
    in.randr = g_bRandRMode != 0;
    in.startedInSAMM = g_bSAMMMode != 0;
    in.count = g_count;
    in.onlyForSAMM = g_bOnlyforSAMM != 0;
    ModeListResult r = BuildModeList(in);

    g_count = r.count;
    g_bOnlyforSAMM = r.onlyForSAMM;
    g_SelectMode = r.shownMode;
    if (r.secDeviceInsensitive)
        SetSensitive(kSecondaryCombo, false);
    if (r.combosSensitive >= 0)
        SetFourCombos(r.combosSensitive != 0);
    if (r.sammButtonSensitive)
        SetSensitive(kSAMMButton, true);
    SetComboList(kModeCombo, r.entries);
    if (!g_ModeHandlerConnected) {
        ConnectEntry(kModeCombo, G_CALLBACK(on_Display_SecDevice_Mode_Combo_Entry_changed));
        g_ModeHandlerConnected = true;
    }
}

void CheckDeviceSimultaneousRule(void)
{
    if (!g_Display_SecDevice_List)
        return;
    OutputPass pass;
    DeviceSets sets;
    if (const QevOutputSummary *read = OutputPass::Current()) {
        sets.supported = read->supported;
        sets.connected = read->connected;
    } else {
        QEVGFX_Device_GetSupportCaps(&sets.supported);
        QEVGFX_Device_GetConnectState(&sets.connected);
    }
    int chip = 0, tvChip = 0;
    QEVGFX_Info_GetChipID(&chip);
    QEVGFX_Info_GetTVChipID(&tvChip);
    SetComboList(kSecondaryCombo,
                 SimultaneousSecondaryList(sets, IsPairedTVEncoder(chip, tvChip), ComboText(kPrimaryCombo)));
}

void on_Display_Device_Combo_Entry_changed(GtkEditable *, gpointer)
{
    OutputPass pass;
    unsigned device = static_cast<unsigned>(MapTextToDevice(ComboText(kPrimaryCombo).c_str()));
    if (device != static_cast<unsigned>(g_PrimaryDevice)) {
        SetPendingDeviceSet((g_SelActiveDecice & ~static_cast<unsigned>(g_PrimaryDevice)) | device);
        g_PrimaryDevice = static_cast<int>(device);
        CheckDeviceSimultaneousRule();
    }
    SetAdvancedButtons(false, static_cast<unsigned>(g_PrimaryDevice), true);
    if (g_bRandRMode && g_PrimaryDevice)
        FillResolutionCombo(kPrimaryResolution, static_cast<unsigned>(g_PrimaryDevice), false);
    UpdateApplyFromRecords();
}

void on_Display_SecDevice_Combo_Entry_changed(GtkEditable *, gpointer)
{
    OutputPass pass;
    const std::string text = ComboText(kSecondaryCombo);
    unsigned device = static_cast<unsigned>(MapTextToDevice(text.c_str()));
    unsigned set = g_SelActiveDecice;
    const unsigned old = static_cast<unsigned>(g_SecondaryDevice);
    switch (device) {
    case QEV_OUT_CRT2:
    case QEV_OUT_LCD2:
    case QEV_OUT_DVI2:
    case QEV_OUT_TV2:
    case QEV_OUT_HDTV2: set &= ~old; break;
    default:
        if (old != static_cast<unsigned>(g_PrimaryDevice))
            set &= ~old;
        break;
    }
    SetPendingDeviceSet(set | device);
    g_SecondaryDevice = static_cast<int>(device);
    if (text == QEV_TEXT_NONE) {
        g_bOnlyforSAMM = 0;
        SetSensitive(kSAMMButton, false);
    }
    UpdateDeviceModeList();
    SetAdvancedButtons(true, device, true);
    if (g_bRandRMode && device)
        FillResolutionCombo(kSecondaryResolution, device, false);
    UpdateApplyFromRecords();
}

void on_Display_SecDevice_Mode_Combo_Entry_changed(GtkEditable *, gpointer)
{
    int mode = 0;
    QEVGFX_Device_GetDisplayMode(&mode);
    ModeChoiceEffect e = ModeChoice(ComboText(kModeCombo), mode, g_bRandRMode != 0);
    if (e.onlyForSAMM >= 0)
        g_bOnlyforSAMM = e.onlyForSAMM;
    if (e.combosSensitive >= 0)
        SetFourCombos(e.combosSensitive != 0);
    if (e.sammButton >= 0)
        SetSensitive(kSAMMButton, e.sammButton != 0);
    if (e.apply >= 0)
        EnableApply(e.apply != 0);
}

void on_Display_Device_Resolution_Combo_Entry_changed(GtkEditable *, gpointer)
{
    ResolutionChanged(kPrimaryResolution, &nPrimaryResolutionItemNum, &bPrimaryResolutionChanged);
}

void on_Display_SecDevice_Resolution_Combo_Entry_changed(GtkEditable *, gpointer)
{
    ResolutionChanged(kSecondaryResolution, &nSecondaryResolutionItemNum, &bSecondaryResolutionChanged);
}

void ApplyTVSetting(unsigned device)
{
    int standardField = 0;
    switch (device) {
    case QEV_OUT_TV:
    case QEV_OUT_HDTV: standardField = QEV_OPT_TV_STANDARD; break;
    case QEV_OUT_TV2:
    case QEV_OUT_HDTV2: standardField = QEV_OPT_TV2_STANDARD; break;
    default: return;
    }
    TVApplyInput in;
    in.device = device;
    unsigned active = ReadActive();
    QEVGFX_TV_GetStandard(device, &in.currentStandard);
    QEVGFX_TV_GetSignalType(device, &in.currentSignal);
    in.pendingStandard = g_TmpDisplayPageOptionItems.nItem[standardField];
    in.pendingSignal = g_TmpDisplayPageOptionItems.nItem[standardField + 1];
    g_DisplayPageOptionItems.nItem[standardField] = in.pendingStandard;
    g_DisplayPageOptionItems.nItem[standardField + 1] = in.pendingSignal;
    in.setChanging = static_cast<unsigned>(g_TmpDisplayPageOptionItems.nItem[QEV_OPT_DEVICE_SET]) != active;
    if (device == QEV_OUT_HDTV || device == QEV_OUT_HDTV2)
        QEVGFX_TV_GetSupportStandard(device, &in.supportedStandards);
    TVApplyPlan plan = PlanTVApply(in);
    if (plan.setStandard)
        QEVGFX_TV_SetStandard(device, plan.standard);
    if (plan.setSignal)
        QEVGFX_TV_SetSignalType(device, plan.signal);
}

// Exposed for the Apply step.
bool DisplayModeRecord(unsigned device, int index, RRModeEntry *mode)
{
    return ModeAt(device, index, mode);
}
