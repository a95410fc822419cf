/* The Settings page: rotation of the primary and the secondary screen through
 * RandR. The rules live in plain functions (no GTK) below the page's state;
 * the handlers read widgets, call them and write widgets. */
#ifndef QEV_APP_SETTINGS_PAGE_H
#define QEV_APP_SETTINGS_PAGE_H

#include <gtk/gtk.h>

/* ---- rules ------------------------------------------------------------------ */

enum { QEV_ROTATION_TEXT_SIZE = 30 }; /* type and degree texts, NUL included */

/* RandR rotation value of a degree text: 1 "Normal", 8 "90 Degree (Clockwise)",
 * 2 "270 Degree (CounterClockwise)", 4 "180 Degree (Inverted)"; any other text
 * (or null) counts as 1. */
int RotationFromDegreeText(const char *text);
/* The degree text of a rotation value; any other value reads "Normal". */
const char *DegreeTextFromRotation(int rotation);

/* The secondary output to take when none is chosen: with exactly two active
 * outputs, the active one that is not the primary (0 otherwise). With more
 * than two connected outputs the connected set without the primary would name
 * several outputs; the active set names exactly one. */
unsigned SettingsSecondaryFor(unsigned primary, unsigned active);

/* The page's current and pending choices. */
struct SettingsScrnData {
    char chRotationType[QEV_ROTATION_TEXT_SIZE];
    char chRotationDegree[QEV_ROTATION_TEXT_SIZE];
};
/* The Apply button is sensitive when the pending texts differ from the
 * current ones. */
bool SettingsApplySensitive(const SettingsScrnData &current, const SettingsScrnData &pending);

/* The rotations an Apply makes: up to two (outputs, rotation) calls. */
struct RotationCall {
    unsigned nOutput;
    int nRotation;
};
struct RotationPlan {
    int nCount = 0;
    RotationCall calls[2] = {};
};
/* A changed primary rotation turns the primary and, outside multi-screen use,
 * the secondary with it (a clone or single screen turns as one); otherwise a
 * changed secondary rotation turns the secondary alone. Outputs of 0 are left
 * out. */
RotationPlan PlanRotationApply(bool bPriChanged, int nPriRot, bool bSecChanged, int nSecRot, unsigned primary,
                               unsigned secondary, bool bSAMM);

/* ---- state -------------------------------------------------------------------- */
extern int nPriRotDeg, nSecRotDeg;
extern int bPriRotDegChanged, bSecRotDegChanged;
extern SettingsScrnData g_CurScrnData, g_NewScrnData;

/* ---- the page ------------------------------------------------------------------ */
void AddRotationSettingFrame(void);
void UpdateRotationFrameItem(void);
void UpdateApplyBtnState_SettingsPage(void);
/* The page's Apply step; nothing before the page is built. */
void ApplySettingsPageChang(void);

void on_Settings_Rotation_Type_Combo_Entry_changed(GtkEditable *editable, gpointer user_data);
void on_Settings_HybridRotation_Combo_Entry_changed(GtkEditable *editable, gpointer user_data);
void on_Settings_HybridRotation_Combo_Entry2_changed(GtkEditable *editable, gpointer user_data);

#endif
