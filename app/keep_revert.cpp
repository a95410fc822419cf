#include "keep_revert.h"

#include <cstdlib>

#include "qev/outputs.h"
#include "qevgfx.h"

int g_KeepRevertSeconds = 15;
int g_bNoConfirm = 0;

DisplaySnapshot CaptureDisplaySnapshot(void)
{
    DisplaySnapshot snap;
    int randr = 0;
    if (!QEVGFX_IsRandR(&randr) || randr != 1)
        return snap;
    rrGetOutputInfo();
    if (!QEVGFX_Device_GetActiveState(&snap.active))
        return snap;
    rrGetPrimaryDevice(&snap.primary);
    QEVGFX_Device_GetRandRPrimary(&snap.randrPrimary);
    for (unsigned bit = QEV_OUT_CRT; bit & QEV_OUT_ALL; bit <<= 1) {
        if (!(snap.active & bit))
            continue;
        OutputSnapshot out;
        out.output = bit;
        RRModeEntry mode{};
        if (rrGetDevCurrentMode(bit, &mode) && mode.name != nullptr) {
            out.mode = mode.name;
            out.width = mode.width;
            out.height = mode.height;
            out.refresh = mode.refresh;
        }
        free(mode.name);
        rrGetDevCurPosition(bit, &out.x, &out.y);
        rrGetDevCurRotation(bit, &out.rotation);
        snap.outputs.push_back(out);
    }
    snap.valid = true;
    return snap;
}

namespace
{

/* Placement of `second` against `first` as RRSetScreenLayout takes it: 0 right,
 * 1 left, 2 above, 3 below; -1 when both start at the same corner (clone). */
int Placement(const OutputSnapshot &first, const OutputSnapshot &second)
{
    if (first.x == second.x && first.y == second.y)
        return -1;
    if (second.y == first.y)
        return second.x > first.x ? 0 : 1;
    if (second.x == first.x)
        return second.y < first.y ? 2 : 3;
    return second.x > first.x ? 0 : 1;
}

} // namespace

bool RestoreDisplaySnapshot(const DisplaySnapshot &snapshot)
{
    if (!snapshot.valid || snapshot.active == 0)
        return false;
    // An output unplugged since the capture cannot be lit again: the others
    // are restored all the same, and the result does not match.
    unsigned connected = 0;
    if (!QEVGFX_Device_GetConnectState(&connected))
        connected = ~0u;
    std::vector<OutputSnapshot> outs;
    for (const OutputSnapshot &o : snapshot.outputs)
        if (connected & o.output)
            outs.push_back(o);
    if (outs.empty())
        return false;
    // The primary's entry first, so the layout is placed around it.
    size_t first = 0;
    for (size_t i = 0; i < outs.size(); ++i)
        if (outs[i].output == snapshot.primary)
            first = i;
    const OutputSnapshot *a = &outs[first];
    const OutputSnapshot *b = nullptr;
    for (size_t i = 0; i < outs.size() && b == nullptr; ++i)
        if (i != first)
            b = &outs[i];
    RRModeEntry ma{const_cast<char *>(a->mode.c_str()), a->width, a->height, a->refresh}, mb{};
    if (b)
        mb = {const_cast<char *>(b->mode.c_str()), b->width, b->height, b->refresh};
    // Lights the snapshot's outputs (others off) with their modes and rates.
    QEVGFX_Device_SetActiveState2(snapshot.active & connected, a->output, b ? b->output : 0, &ma, b ? &mb : nullptr);
    for (const auto &o : outs) {
        if (&o != a && &o != b)
            QEVGFX_DISPLAY_SetDevMode(o.output, o.mode.c_str(), 0, 0, o.refresh);
        QEVGFX_DISPLAY_SetDevRotationDeg(o.output, o.rotation & 0xf);
    }
    if (b) {
        int placement = Placement(*a, *b);
        if (placement < 0)
            RRClearScreenLayout(int(a->output), int(b->output), 0);
        else
            RRSetScreenLayout(int(a->output), int(b->output), placement);
    }
    // Last: switching outputs may move RandR's primary.
    if (connected & snapshot.randrPrimary || snapshot.randrPrimary == 0)
        QEVGFX_Device_SetRandRPrimary(snapshot.randrPrimary);
    return CaptureDisplaySnapshot() == snapshot;
}

bool NeedsKeepQuestion(const DisplaySnapshot &before, const DisplaySnapshot &after)
{
    if (!before.valid || !after.valid)
        return false;
    if (before.active != after.active || before.outputs.size() != after.outputs.size())
        return true;
    for (size_t i = 0; i < before.outputs.size(); ++i) {
        const OutputSnapshot &p = before.outputs[i], &q = after.outputs[i];
        if (p.output != q.output || p.mode != q.mode || p.width != q.width || p.height != q.height ||
            p.refresh != q.refresh || p.x != q.x || p.y != q.y || p.rotation != q.rotation)
            return true;
    }
    return false;
}
