#include "TV_lists.h"

#include <cstring>

#include "Adjustment_rules.h"
#include "TV_Adjustment.h"
#include "qev/outputs.h"
#include "qevgfx.h"
#include "support.h"

namespace {

struct TextValue {
    const char *text;
    int value;
};

const TextValue kStandards[] = {{"NTSC", 1}, {"PAL", 2},    {"480P", 4},   {"576P", 8},
                                {"720P", 16}, {"1080I", 32}, {"1080P", 64}};
const TextValue kSignals[] = {{"Composite", 1},
                              {"S-Video", 2},
                              {"RGB(SCART)", 4},
                              {"Component", 8},
                              {"S-Video Composite", 16},
                              {"RGB(SCART) S-Video Composite", 128},
                              {"Component S-Video Composite", 256}};
const TextValue kDevices[] = {{"TV", QEV_OUT_TV}, {"TV2", QEV_OUT_TV2}};

// List contents per kind, in list order (values; texts from the tables).
const int kSDStandardList[] = {1, 2, 4, 8, 16, 32, 64};
const int kSDSignalList[] = {1, 2, 4, 8, 16, 256, 128};
const int kHDStandardList[] = {4, 8, 16, 32, 64};
const int kHDSignalList[] = {4, 8};

template <size_t N>
const char *Find(const TextValue (&table)[N], int value)
{
    for (const TextValue &t : table)
        if (t.value == value)
            return t.text;
    return nullptr;
}

void ShowValue(GtkEntry *entry, bool signal, int value)
{
    if (!entry)
        return;
    if (const char *text = TVValueText(signal, value))
        gtk_entry_set_text(entry, text);
}

void StoreBoth(int field, int value)
{
    g_DisplayPageOptionItems.nItem[field] = value;
    g_TmpDisplayPageOptionItems.nItem[field] = value;
}

int ReadStandard(unsigned device)
{
    unsigned value = 0;
    QEVGFX_TV_GetStandard(device, &value);
    return static_cast<int>(value);
}

int ReadSignal(unsigned device)
{
    unsigned value = 0;
    QEVGFX_TV_GetSignalType(device, &value);
    return static_cast<int>(value);
}

bool IsFirstTV(int device)
{
    return device == QEV_OUT_TV || device == QEV_OUT_HDTV;
}

bool IsSecondTV(int device)
{
    return device == QEV_OUT_TV2 || device == QEV_OUT_HDTV2;
}

}  // namespace

int GetComboEntryItemValue(const char *text)
{
    if (!text)
        return -1;
    for (const TextValue &t : kStandards)
        if (strcmp(t.text, text) == 0)
            return t.value;
    for (const TextValue &t : kSignals)
        if (strcmp(t.text, text) == 0)
            return t.value;
    for (const TextValue &t : kDevices)
        if (strcmp(t.text, text) == 0)
            return t.value;
    return -1;
}

const char *TVValueText(bool signal, int value)
{
    return signal ? Find(kSignals, value) : Find(kStandards, value);
}

std::vector<const char *> TVListEntries(int kind, unsigned supported, bool randr)
{
    const int *values = nullptr;
    size_t count = 0;
    bool signal = false;
    switch (kind) {
    case TV_LIST_SD_STANDARD:
        values = kSDStandardList;
        count = randr ? G_N_ELEMENTS(kSDStandardList) : 2;  // NTSC and PAL only
        break;
    case TV_LIST_SD_SIGNAL:
        values = kSDSignalList;
        count = G_N_ELEMENTS(kSDSignalList);
        signal = true;
        break;
    case TV_LIST_HD_STANDARD:
        values = kHDStandardList;
        count = G_N_ELEMENTS(kHDStandardList);
        break;
    case TV_LIST_HD_SIGNAL:
        values = kHDSignalList;
        count = G_N_ELEMENTS(kHDSignalList);
        signal = true;
        break;
    default: break;
    }
    std::vector<const char *> entries;
    for (size_t i = 0; i < count; ++i)
        if (supported & static_cast<unsigned>(values[i]))
            entries.push_back(TVValueText(signal, values[i]));
    return entries;
}

int CheckDisplayPageOtionItemsChange(const DisplayPageOptionItems *applied, const DisplayPageOptionItems *pending)
{
    for (int field : {QEV_OPT_DEVICE_SET, QEV_OPT_TV_STANDARD, QEV_OPT_TV_SIGNAL, QEV_OPT_RESERVED,
                      QEV_OPT_LCD_EXPANSION})
        if (applied->nItem[field] != pending->nItem[field])
            return 1;
    if (g_bSupportTwoTV && (applied->nItem[QEV_OPT_TV2_STANDARD] != pending->nItem[QEV_OPT_TV2_STANDARD] ||
                            applied->nItem[QEV_OPT_TV2_SIGNAL] != pending->nItem[QEV_OPT_TV2_SIGNAL]))
        return 1;
    return 0;
}

void SetTVComboBoxListItems(int kind, const char *comboName, unsigned supported)
{
    GtkWidget *combo = g_pTVAdjustmentWnd ? lookup_widget(g_pTVAdjustmentWnd, comboName) : nullptr;
    if (!combo || !GTK_IS_COMBO(combo))
        return;
    GtkEntry *entry = GTK_ENTRY(GTK_COMBO(combo)->entry);
    std::vector<const char *> entries = TVListEntries(kind, supported, g_bRandRMode != 0);
    GList *strings = nullptr;
    for (const char *text : entries)
        strings = g_list_append(strings, const_cast<char *>(text));
    if (strings) {
        gtk_combo_set_popdown_strings(GTK_COMBO(combo), strings);
        g_list_free(strings);
    } else {
        gtk_list_clear_items(GTK_LIST(GTK_COMBO(combo)->list), 0, -1);
        gtk_entry_set_text(entry, "");
    }
    const bool signal = kind == TV_LIST_SD_SIGNAL || kind == TV_LIST_HD_SIGNAL;
    const int first = entries.empty() ? 0 : GetComboEntryItemValue(entries.front());
    const int firstField = signal ? QEV_OPT_TV_SIGNAL : QEV_OPT_TV_STANDARD;
    const int secondField = signal ? QEV_OPT_TV2_SIGNAL : QEV_OPT_TV2_STANDARD;

    unsigned active = 0;
    QEVGFX_Device_GetActiveState(&active);

    if (kind == TV_LIST_SD_STANDARD || kind == TV_LIST_SD_SIGNAL) {
        if (active & QEV_OUT_TV) {
            int value = signal ? ReadSignal(QEV_OUT_TV) : ReadStandard(QEV_OUT_TV);
            StoreBoth(firstField, value);
            ShowValue(entry, signal, value);
        } else if (!g_bSupportTwoTV) {
            StoreBoth(firstField, first);
        }
    } else {
        if (active & QEV_OUT_HDTV) {
            int value = signal ? ReadSignal(QEV_OUT_HDTV) : ReadStandard(QEV_OUT_HDTV);
            StoreBoth(firstField, value);
            ShowValue(entry, signal, value);
        } else if (!g_bSupportTwoTV) {
            StoreBoth(firstField, first);
        }
    }

    if (active & (QEV_OUT_TV2 | QEV_OUT_HDTV2)) {
        unsigned device = (active & QEV_OUT_TV2) ? QEV_OUT_TV2 : QEV_OUT_HDTV2;
        int value = signal ? ReadSignal(device) : ReadStandard(device);
        bool chosenSecond = IsSecondTV(static_cast<int>(g_TVSelect));
        if (chosenSecond && !(active & g_TVSelect))
            value = g_TVSelect == QEV_OUT_TV2 ? 1 : 4;
        if (chosenSecond)
            ShowValue(entry, signal, value);
        StoreBoth(secondField, value);
    }
}

void CheckComboEntryItemsChange(int kind, GtkEntry *entry)
{
    // An empty list leaves an empty text, which is no choice.
    int value = GetComboEntryItemValue(gtk_entry_get_text(entry));
    if (value >= 0) {
        int standardField = -1;
        if (IsFirstTV(g_PrimaryDevice) || IsFirstTV(g_SecondaryDevice))
            standardField = QEV_OPT_TV_STANDARD;
        else if (IsSecondTV(g_SecondaryDevice))
            standardField = QEV_OPT_TV2_STANDARD;
        if (standardField >= 0)
            g_TmpDisplayPageOptionItems.nItem[standardField + (kind == 0 ? 0 : 1)] = value;
    }
    if (g_pTVAdjustmentWnd)
        UpdateApplyBtnState(g_pTVAdjustmentWnd, "TV_Adjustment_Apply_button",
                            CheckDisplayPageOtionItemsChange(&g_DisplayPageOptionItems, &g_TmpDisplayPageOptionItems));
}

unsigned GetActiveTVRadioBtnState(void)
{
    unsigned active = 0;
    QEVGFX_Device_GetActiveState(&active);
    return ChooseTVOutput(active);
}

void ApplyTVSetting(unsigned device)
{
    unsigned active = 0, standard = 0, signal = 0;
    QEVGFX_Device_GetActiveState(&active);
    QEVGFX_TV_GetStandard(device, &standard);
    QEVGFX_TV_GetSignalType(device, &signal);

    int standardField;
    if (IsFirstTV(static_cast<int>(device)))
        standardField = QEV_OPT_TV_STANDARD;
    else if (IsSecondTV(static_cast<int>(device)))
        standardField = QEV_OPT_TV2_STANDARD;
    else
        return;
    int newStandard = g_TmpDisplayPageOptionItems.nItem[standardField];
    int newSignal = g_TmpDisplayPageOptionItems.nItem[standardField + 1];
    g_DisplayPageOptionItems.nItem[standardField] = newStandard;
    g_DisplayPageOptionItems.nItem[standardField + 1] = newSignal;

    bool setChanges = static_cast<unsigned>(g_TmpDisplayPageOptionItems.nItem[QEV_OPT_DEVICE_SET]) != active;
    if (device == QEV_OUT_TV || device == QEV_OUT_TV2) {
        if (newStandard == 0 && setChanges)
            newStandard = static_cast<int>(standard) ? static_cast<int>(standard) : QEV_TVSTD_NTSC;
        if (newSignal == 0 && setChanges)
            newSignal = static_cast<int>(signal) ? static_cast<int>(signal) : QEV_TVSIG_COMPOSITE;
    } else {
        if (standard == 0 && setChanges) {
            unsigned supported = 0;
            QEVGFX_TV_GetSupportStandard(device, &supported);
            newStandard = QEV_TVSTD_480P;
            for (unsigned bit : {QEV_TVSTD_480P, QEV_TVSTD_576P, QEV_TVSTD_720P, QEV_TVSTD_1080I})
                if (supported & bit) {
                    newStandard = static_cast<int>(bit);
                    break;
                }
        }
        if (newSignal == 0 && setChanges)
            newSignal = QEV_TVSIG_YCBCR;
    }
    // A value of 0 (or the -1 of an unknown text) is no standard: nothing is sent.
    if (newStandard > 0 && static_cast<unsigned>(newStandard) != standard)
        QEVGFX_TV_SetStandard(device, static_cast<unsigned>(newStandard));
    if (newSignal > 0 && static_cast<unsigned>(newSignal) != signal)
        QEVGFX_TV_SetSignalType(device, static_cast<unsigned>(newSignal));
}
