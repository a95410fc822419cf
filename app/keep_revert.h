/* Keep or revert: the RandR state of the screen before an Apply, captured and
 * restored through the library, and the rule deciding whether an Apply asks
 * the user to keep what it did. Plain functions, no GTK. */
#ifndef QEV_APP_KEEP_REVERT_H
#define QEV_APP_KEEP_REVERT_H

#include <string>
#include <vector>

/* One lit output. rotation: RandR rotation bits (1, 2, 4, 8; reflections kept).
 */
struct OutputSnapshot {
    unsigned output = 0;
    std::string mode;
    unsigned width = 0, height = 0;
    float refresh = 0.0f;
    int x = 0, y = 0;
    int rotation = 1;
    bool operator==(const OutputSnapshot &) const = default;
};

struct DisplaySnapshot {
    bool valid = false; /* read through RandR */
    unsigned active = 0;
    unsigned primary = 0;      /* the library's primary: the first lit output */
    unsigned randrPrimary = 0; /* RandR's own primary flag (xrandr --primary), 0 for none */
    std::vector<OutputSnapshot> outputs; /* lit outputs, in output-bit order */
    bool operator==(const DisplaySnapshot &) const = default;
};

/* The RandR state of the session display; invalid without RandR. */
DisplaySnapshot CaptureDisplaySnapshot(void);
/* Puts the outputs, their modes and rates, rotations, the two-screen layout
 * and RandR's primary output back through the library, then reads the screen
 * again: true when it matches the snapshot. Outputs unplugged since the
 * capture are left out; the others are restored all the same. */
bool RestoreDisplaySnapshot(const DisplaySnapshot &snapshot);

/* 1 when an Apply that moved the screen from `before` to `after` asks
 * "Keep these display settings?": both read through RandR and the active
 * outputs, a mode, a position or a rotation differ. The file route (no
 * RandR) and picture adjustments leave the snapshot alone and never ask. */
bool NeedsKeepQuestion(const DisplaySnapshot &before, const DisplaySnapshot &after);

/* Seconds the question waits before it reverts on its own (tests shorten it).
 */
extern int g_KeepRevertSeconds;
/* Set by --no-confirm: Apply never asks. */
extern int g_bNoConfirm;

#endif
