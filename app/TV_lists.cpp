#include "TV_lists.h"

#include <string>
#include <vector>

#include "TV_Adjustment.h"
#include "qev/outputs.h"
#include "qevgfx.h"
#include "support.h"

namespace {

void ShowValue(GtkEntry *entry, int kind, int value)
{
    const char *text = TVValueText(kind, value);
    if (entry && *text)  // a value without a text (a failed read) leaves the first entry shown
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

}  // namespace

void SetTVComboBoxListItems(int kind, const char *comboName, unsigned supported)
{
    GtkWidget *combo = g_pTVAdjustmentWnd ? lookup_widget(g_pTVAdjustmentWnd, comboName) : nullptr;
    if (!combo || !GTK_IS_COMBO(combo))
        return;
    GtkEntry *entry = GTK_ENTRY(GTK_COMBO(combo)->entry);
    std::vector<std::string> entries = TVListEntries(kind, supported, g_bRandRMode != 0);
    GList *strings = nullptr;
    for (const std::string &text : entries)
        strings = g_list_append(strings, const_cast<char *>(text.c_str()));
    if (strings) {
        gtk_combo_set_popdown_strings(GTK_COMBO(combo), strings);
        g_list_free(strings);
    } else {
        gtk_list_clear_items(GTK_LIST(GTK_COMBO(combo)->list), 0, -1);
        gtk_entry_set_text(entry, "");
    }
    const bool signal = kind == TV_LIST_SD_SIGNAL || kind == TV_LIST_HD_SIGNAL;
    const int first = entries.empty() ? 0 : GetComboEntryItemValue(entries.front().c_str());
    const int firstField = signal ? QEV_OPT_TV_SIGNAL : QEV_OPT_TV_STANDARD;
    const int secondField = signal ? QEV_OPT_TV2_SIGNAL : QEV_OPT_TV2_STANDARD;

    unsigned active = 0;
    QEVGFX_Device_GetActiveState(&active);

    if (kind == TV_LIST_SD_STANDARD || kind == TV_LIST_SD_SIGNAL) {
        if (active & QEV_OUT_TV) {
            int value = signal ? ReadSignal(QEV_OUT_TV) : ReadStandard(QEV_OUT_TV);
            StoreBoth(firstField, value);
            ShowValue(entry, kind, value);
        } else if (!g_bSupportTwoTV) {
            StoreBoth(firstField, first);
        }
    } else {
        if (active & QEV_OUT_HDTV) {
            int value = signal ? ReadSignal(QEV_OUT_HDTV) : ReadStandard(QEV_OUT_HDTV);
            StoreBoth(firstField, value);
            ShowValue(entry, kind, value);
        } else if (!g_bSupportTwoTV) {
            StoreBoth(firstField, first);
        }
    }

    if (active & (QEV_OUT_TV2 | QEV_OUT_HDTV2)) {
        unsigned device = (active & QEV_OUT_TV2) ? QEV_OUT_TV2 : QEV_OUT_HDTV2;
        int value = signal ? ReadSignal(device) : ReadStandard(device);
        bool chosenSecond = g_TVSelect == QEV_OUT_TV2 || g_TVSelect == QEV_OUT_HDTV2;
        if (chosenSecond && !(active & g_TVSelect))
            value = g_TVSelect == QEV_OUT_TV2 ? 1 : 4;
        if (chosenSecond)
            ShowValue(entry, kind, value);
        StoreBoth(secondField, value);
    }
}

void CheckComboEntryItemsChange(int kind, GtkEntry *entry)
{
    // An empty list leaves an empty text, which is no choice.
    int value = GetComboEntryItemValue(gtk_entry_get_text(entry));
    if (value >= 0) {
        int standardField = TVOptionStandardField(static_cast<unsigned>(g_PrimaryDevice),
                                                  static_cast<unsigned>(g_SecondaryDevice));
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
    return ActiveTVForAdjustment(active);
}
