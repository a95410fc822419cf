#include "Settings_page.h"

#include <cstring>

#include "Display_page.h"
#include "common.h"
#include "interface_settings_page.h"
#include "qevgfx.h"
#include "support.h"

namespace {

struct DegreeText {
    int nRotation;
    const char *text;
};
const DegreeText kDegrees[] = {
    {1, "Normal"},
    {8, "90 Degree (Clockwise)"},
    {2, "270 Degree (CounterClockwise)"},
    {4, "180 Degree (Inverted)"},
};

// Set while the page shows the current rotations: the handlers then leave the
// Apply button alone, so showing the page neither enables Apply nor takes it
// away from another page's pending change.
bool s_bRefreshing = false;

GtkWidget *PageWidget(const char *name)
{
    return g_pMainWindow ? lookup_widget(g_pMainWindow, name) : nullptr;
}

void SetComboText(const char *comboName, const char *text)
{
    GtkWidget *combo = PageWidget(comboName);
    if (combo)
        gtk_entry_set_text(GTK_ENTRY(GTK_COMBO(combo)->entry), text);
}

void SetSensitive(const char *name, gboolean sensitive)
{
    if (GtkWidget *w = PageWidget(name))
        gtk_widget_set_sensitive(w, sensitive);
}

void CopyText(char *dst, const char *src)
{
    g_strlcpy(dst, src ? src : "", QEV_ROTATION_TEXT_SIZE);
}

void SetApplyButton(gboolean sensitive)
{
    if (!s_bRefreshing && g_pMainWindow)
        UpdateApplyBtnState(g_pMainWindow, "Info_Apply_button", sensitive);
}

unsigned PrimaryOutput()
{
    if (g_PrimaryDevice == 0) {
        unsigned primary = 0;
        QEVGFX_Device_GetPrimaryDevice(&primary);
        g_PrimaryDevice = static_cast<int>(primary);
    }
    return static_cast<unsigned>(g_PrimaryDevice);
}

unsigned SecondaryOutput()
{
    if (g_SecondaryDevice == 0) {
        unsigned active = 0;
        QEVGFX_Device_GetActiveState(&active);
        g_SecondaryDevice = static_cast<int>(SettingsSecondaryFor(PrimaryOutput(), active));
    }
    return static_cast<unsigned>(g_SecondaryDevice);
}

int CurrentRotation(unsigned output)
{
    int rotation = 0;
    if (output)
        QEVGFX_DISPLAY_GetDevCurRotation(output, &rotation);
    return rotation;
}

// A degree combo's change: the pending text, then the changed flag and value
// of its screen when the rotation differs from the output's.
void DegreeChanged(GtkEditable *editable, unsigned output, int *pbChanged, int *pnRotation)
{
    const char *text = gtk_entry_get_text(GTK_ENTRY(editable));
    CopyText(g_NewScrnData.chRotationDegree, text);
    UpdateApplyBtnState_SettingsPage();
    int rotation = RotationFromDegreeText(text);
    if (!output || CurrentRotation(output) == rotation)
        return;
    *pbChanged = 1;
    *pnRotation = rotation;
    SetApplyButton(TRUE);
}

}  // namespace

/* ---- rules ------------------------------------------------------------------ */

int RotationFromDegreeText(const char *text)
{
    for (const DegreeText &d : kDegrees)
        if (text && std::strcmp(text, d.text) == 0)
            return d.nRotation;
    return 1;
}

const char *DegreeTextFromRotation(int rotation)
{
    for (const DegreeText &d : kDegrees)
        if (d.nRotation == rotation)
            return d.text;
    return kDegrees[0].text;
}

unsigned SettingsSecondaryFor(unsigned primary, unsigned active)
{
    if (GetDeviceNum(active) != 2 || !primary)
        return 0;
    unsigned rest = active & ~primary;
    return GetDeviceNum(rest) == 1 ? rest : 0;
}

bool SettingsApplySensitive(const SettingsScrnData &current, const SettingsScrnData &pending)
{
    return std::strncmp(current.chRotationType, pending.chRotationType, QEV_ROTATION_TEXT_SIZE) != 0 ||
           std::strncmp(current.chRotationDegree, pending.chRotationDegree, QEV_ROTATION_TEXT_SIZE) != 0;
}

RotationPlan PlanRotationApply(bool bPriChanged, int nPriRot, bool bSecChanged, int nSecRot, unsigned primary,
                               unsigned secondary, bool bSAMM)
{
    RotationPlan plan;
    auto add = [&plan](unsigned output, int rotation) {
        if (output)
            plan.calls[plan.nCount++] = {output, rotation};
    };
    if (bPriChanged) {
        add(primary, nPriRot);
        if (!bSAMM)
            add(secondary, nPriRot);
    } else if (bSecChanged) {
        add(secondary, nSecRot);
    }
    return plan;
}

/* ---- state -------------------------------------------------------------------- */

int nPriRotDeg = 1, nSecRotDeg = 1;
int bPriRotDegChanged = 0, bSecRotDegChanged = 0;
SettingsScrnData g_CurScrnData = {}, g_NewScrnData = {};

/* ---- the page ------------------------------------------------------------------ */

void AddRotationSettingFrame(void)
{
    GtkWidget *page = PageWidget("PropertySheet_Settings");
    if (!page)
        return;
    CreateScreenHybridRotationFrame(g_pMainWindow, page);
    UpdateRotationFrameItem();
    unsigned connected = 0, active = 0;
    QevOutputSummary outputs;
    if (g_bRandRMode && QEVGFX_Device_GetOutputSummary(0, &outputs)) { // one read of the outputs
        active = outputs.active;
    } else {
        QEVGFX_Device_GetConnectState(&connected);
        QEVGFX_Device_GetActiveState(&active);
    }
    if (GetDeviceNum(active) <= 1) {
        SetSensitive("HWRotationComboBox2", FALSE);
        SetSensitive("HWRotationTypeComboBox2", FALSE);
    }
}

void UpdateRotationFrameItem(void)
{
    unsigned primary = PrimaryOutput();
    unsigned secondary = SecondaryOutput();
    int priRotation = CurrentRotation(primary);
    int secRotation = CurrentRotation(secondary);

    s_bRefreshing = true;
    CopyText(g_CurScrnData.chRotationType, "None");
    CopyText(g_NewScrnData.chRotationType, "None");
    SetComboText("HWRotationTypeComboBox", "None");
    SetSensitive("HWRotationTypeComboBox", FALSE);
    SetSensitive("HWRotationTypeComboBox2", FALSE);

    const char *priText = DegreeTextFromRotation(priRotation);
    CopyText(g_CurScrnData.chRotationDegree, priText);
    CopyText(g_NewScrnData.chRotationDegree, priText);
    SetComboText("HWRotationComboBox", priText);
    const char *secText = DegreeTextFromRotation(secRotation);
    CopyText(g_CurScrnData.chRotationDegree, secText);
    CopyText(g_NewScrnData.chRotationDegree, secText);
    SetComboText("HWRotationComboBox2", secText);
    s_bRefreshing = false;
}

void UpdateApplyBtnState_SettingsPage(void)
{
    SetApplyButton(SettingsApplySensitive(g_CurScrnData, g_NewScrnData) ? TRUE : FALSE);
}

void on_Settings_Rotation_Type_Combo_Entry_changed(GtkEditable *editable, gpointer)
{
    CopyText(g_NewScrnData.chRotationType, gtk_entry_get_text(GTK_ENTRY(editable)));
    UpdateApplyBtnState_SettingsPage();
}

void on_Settings_HybridRotation_Combo_Entry_changed(GtkEditable *editable, gpointer)
{
    DegreeChanged(editable, PrimaryOutput(), &bPriRotDegChanged, &nPriRotDeg);
}

void on_Settings_HybridRotation_Combo_Entry2_changed(GtkEditable *editable, gpointer)
{
    DegreeChanged(editable, SecondaryOutput(), &bSecRotDegChanged, &nSecRotDeg);
}

void ApplySettingsPageChang(void)
{
    if (!g_bSettingsPageHasInitial)
        return;
    RotationPlan plan = PlanRotationApply(bPriRotDegChanged, nPriRotDeg, bSecRotDegChanged, nSecRotDeg,
                                          PrimaryOutput(), SecondaryOutput(), g_bSAMMMode != 0);
    if (bPriRotDegChanged && !g_bSAMMMode && g_SecondaryDevice)
        nSecRotDeg = nPriRotDeg;
    for (int i = 0; i < plan.nCount; ++i)
        QEVGFX_DISPLAY_SetDevRotationDeg(plan.calls[i].nOutput, plan.calls[i].nRotation);
    bPriRotDegChanged = 0;
    bSecRotDegChanged = 0;
}
