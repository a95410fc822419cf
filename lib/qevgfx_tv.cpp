// TV encoder controls: standard, signal type, picture size and position,
// tuning and setting items, through RandR output properties, the commands of
// the TV groups, or the framebuffer device-state block.
#include <cstdint>
#include <cstring>
#include <initializer_list>

#include "qev/commands.h"
#include "qev/fb.h"
#include "qev/outputs.h"
#include "qevgfx_internal.h"

namespace {

// Property kinds of the RandR layer: 20 plus the TV function number.
constexpr int Kind(int function) { return 20 + function; }

// A value the control panel sends to ask the driver for its default.
constexpr uint32_t kDefaultRequest = 65535;
// View-size level that makes the driver apply the size pair.
constexpr uint32_t kSizeLevelPair = 255;

// ---- TV outputs --------------------------------------------------------------

// The RandR output of a TV bit: "TV" for TV and HDTV, "TV-2" for the second
// pair. Other values have no TV output.
bool IsTvOutput(unsigned tv) {
    return tv == QEV_OUT_TV || tv == QEV_OUT_HDTV || tv == QEV_OUT_TV2 || tv == QEV_OUT_HDTV2;
}

// ---- X channel ---------------------------------------------------------------

int TvCommand(unsigned tv, int function, unsigned nin, const int *in, unsigned nout, int *out) {
    return InputCommand(GetTVFunctionID(tv), function, nin, in, nout, out);
}

// ---- framebuffer -------------------------------------------------------------

// Tuning items and setting items: change bit and block word.
struct BlockItem {
    unsigned item;
    uint32_t change;
    size_t offset;
};
constexpr BlockItem kTuningItems[] = {
    {0x1, QEV_TVCHG_TUNING_400, QEV_DS_TV_TUNING + 0},   {0x2, QEV_TVCHG_TUNING_1000, QEV_DS_TV_TUNING + 4},
    {0x4, QEV_TVCHG_TUNING_10, QEV_DS_TV_TUNING + 8},    {0x8, QEV_TVCHG_TUNING_20, QEV_DS_TV_TUNING + 12},
    {0x10, QEV_TVCHG_TUNING_40, QEV_DS_TV_TUNING + 16},  {0x20, QEV_TVCHG_TUNING_80, QEV_DS_TV_TUNING + 20},
};
constexpr BlockItem kSettingItems[] = {
    {0x1, QEV_TVCHG_SETTING_200, QEV_DS_TV_SETTING_200},
    {0x2, QEV_TVCHG_SETTING_800, QEV_DS_TV_SETTING_800},
    {0x4, QEV_TVCHG_SETTING_8, QEV_DS_TV_SETTING_8},
};
template <size_t N> const BlockItem *FindItem(const BlockItem (&table)[N], unsigned item) {
    for (const BlockItem &b : table)
        if (b.item == item)
            return &b;
    return nullptr;
}

// Driver change bits of the tuning capability word, by library item.
struct CapBit {
    uint32_t change;
    unsigned item;
};
constexpr CapBit kTuningCaps[] = {
    {QEV_TVCHG_SETTING_200, 0x1}, {QEV_TVCHG_TUNING_400, 0x1}, {QEV_TVCHG_TUNING_1000, 0x2},
    {QEV_TVCHG_TUNING_10, 0x4},   {QEV_TVCHG_TUNING_20, 0x8},  {QEV_TVCHG_TUNING_40, 0x10},
    {QEV_TVCHG_TUNING_80, 0x20},
};

// One write: a zeroed block with the change bit and the given words.
struct Field {
    size_t offset;
    uint32_t value;
};
int FbWrite(uint32_t change, std::initializer_list<Field> fields) {
    unsigned char block[QEV_DS_SIZE] = {};
    qev::PutLE32(block + QEV_DS_TV_CHANGE, change);
    for (const Field &f : fields)
        qev::PutLE32(block + f.offset, f.value);
    return qev::FbRequest(QEV_FB_WriteDeviceState, block) ? 1 : 0;
}


// ---- RandR -------------------------------------------------------------------

// A property read of the TV output; fails for other outputs and when the
// output does not exist.
int RandRRead(unsigned tv, int kind, unsigned item, unsigned *value) {
    if (!IsTvOutput(tv))
        return 0;
    unsigned v = 0;
    if (rrGetOutputProperties(tv, kind, item, &v) == 0)
        return 0;
    *value = v;
    return 1;
}

int RandRPair(unsigned tv, int kind, int pair[2]) {
    unsigned v = 0;
    if (!RandRRead(tv, kind, 0, &v))
        return 0;
    pair[0] = int(v & 0xFFFFu);
    pair[1] = int(v >> 16);
    return 1;
}

int RandRWrite(unsigned tv, int kind, unsigned item, unsigned value) {
    if (!IsTvOutput(tv))
        return 0;
    rrSetOutputProperties(tv, kind, item, value);
    return 1;
}

// Packed pair of the RandR size and position properties.
unsigned Pack(int h, int v) { return (unsigned(h) & 0xFFFFu) | (unsigned(v) << 16); }

// ---- routes ------------------------------------------------------------------

// A one-word query of the three routes: RandR kind, TV function, and the
// framebuffer reader.
template <class FbRead> int QueryWord(unsigned tv, unsigned *out, int function, FbRead fb) {
    if (out == nullptr)
        return 0;
    if (qev::OnRandR())
        return RandRRead(tv, Kind(function), 0, out);
    if (qev::OnX())
        return TvCommand(tv, function, 0, nullptr, 1, reinterpret_cast<int *>(out));
    if (qev::OnFb()) {
        uint32_t w = 0;
        if (!fb(&w))
            return 0;
        *out = w;
        return 1;
    }
    return 0;
}

} // namespace

extern "C" QEVGFX_API_EXPORT int GetTVFunctionID(unsigned tv) {
    switch (tv) {
    case QEV_OUT_HDTV: return QEV_TV_GROUP_HDTV;
    case QEV_OUT_TV2: return QEV_TV_GROUP_TV2;
    case QEV_OUT_HDTV2: return QEV_TV_GROUP_HDTV2;
    default: return QEV_TV_GROUP_TV;
    }
}

// ---- standard and signal type --------------------------------------------------

extern "C" QEVGFX_API_EXPORT int QEVGFX_TV_GetSupportStandard(unsigned tv, unsigned *mask) {
    return QueryWord(tv, mask, QEV_TVFN_GetTVSupportStandardState,
                     [](uint32_t *w) { return qev::FbWord(QEV_FB_TVStandardsSupported, w); });
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_TV_GetStandard(unsigned tv, unsigned *standard) {
    return QueryWord(tv, standard, QEV_TVFN_GetTVStandard,
                     [](uint32_t *w) { return qev::FbStateWord(QEV_DS_TV_STANDARD, w); });
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_TV_SetStandard(unsigned tv, unsigned standard) {
    if (qev::OnRandR())
        return RandRWrite(tv, Kind(QEV_TVFN_SetTVStandard), 0, standard);
    if (qev::OnX()) {
        int in = int(standard);
        return TvCommand(tv, QEV_TVFN_SetTVStandard, 1, &in, 0, nullptr);
    }
    if (qev::OnFb())
        return FbWrite(QEV_TVCHG_STANDARD, {{QEV_DS_TV_STANDARD, standard}});
    return 0;
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_TV_GetSupportSignalType(unsigned tv, unsigned *mask) {
    return QueryWord(tv, mask, QEV_TVFN_GetTVSupportSignalTypeState,
                     [](uint32_t *w) { return qev::FbWord(QEV_FB_TVSignalTypesSupported, w); });
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_TV_GetSignalType(unsigned tv, unsigned *type) {
    return QueryWord(tv, type, QEV_TVFN_GetTVSignalType, [](uint32_t *w) { return qev::FbStateWord(QEV_DS_TV_SIGNAL, w); });
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_TV_SetSignalType(unsigned tv, unsigned type) {
    if (qev::OnRandR())
        return RandRWrite(tv, Kind(QEV_TVFN_SetTVSignalType), 0, type);
    if (qev::OnX()) {
        int in = int(type);
        return TvCommand(tv, QEV_TVFN_SetTVSignalType, 1, &in, 0, nullptr);
    }
    if (qev::OnFb())
        return FbWrite(QEV_TVCHG_SIGNAL, {{QEV_DS_TV_SIGNAL, type}});
    return 0;
}

// ---- size and position -----------------------------------------------------------

extern "C" QEVGFX_API_EXPORT int QEVGFX_TV_GetMaxViewSize(unsigned tv, int size[2]) {
    if (size == nullptr)
        return 0;
    if (qev::OnRandR())
        return RandRPair(tv, Kind(QEV_TVFN_GetTVMaxViewSizeValue), size);
    if (qev::OnX())
        return TvCommand(tv, QEV_TVFN_GetTVMaxViewSizeValue, 0, nullptr, 2, size);
    if (qev::OnFb())
        return qev::FbPair(QEV_FB_TVMaxViewSize, size);
    return 0;
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_TV_GetViewSize(unsigned tv, int size[2]) {
    if (size == nullptr)
        return 0;
    if (qev::OnRandR())
        return RandRPair(tv, Kind(QEV_TVFN_GetTVViewSizeValue), size);
    if (qev::OnX())
        return TvCommand(tv, QEV_TVFN_GetTVViewSizeValue, 0, nullptr, 2, size);
    if (qev::OnFb()) {
        unsigned char block[QEV_DS_SIZE];
        if (!qev::ReadDeviceState(block))
            return 0;
        // Level 255: the pair holds the size; any other level is the size in
        // both directions.
        uint32_t level = qev::GetLE32(block + QEV_DS_TV_SIZE_LEVEL);
        if (level == kSizeLevelPair) {
            size[0] = int(qev::GetLE32(block + QEV_DS_TV_SIZE_H));
            size[1] = int(qev::GetLE32(block + QEV_DS_TV_SIZE_V));
        } else {
            size[0] = size[1] = int(level);
        }
        return 1;
    }
    return 0;
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_TV_SetViewSize(unsigned tv, int h, int v) {
    if (qev::OnRandR())
        return RandRWrite(tv, Kind(QEV_TVFN_SetTVViewSizeValue), 0, Pack(h, v));
    if (qev::OnX()) {
        int in[2] = {h, v};
        return TvCommand(tv, QEV_TVFN_SetTVViewSizeValue, 2, in, 0, nullptr);
    }
    if (qev::OnFb()) {
        // A level other than 255 sets both directions to it, so a size with
        // two different halves is sent as the pair under level 255.
        uint32_t level = h == v ? uint32_t(v) : kSizeLevelPair;
        return FbWrite(QEV_TVCHG_VIEW_SIZE,
                       {{QEV_DS_TV_SIZE_LEVEL, level}, {QEV_DS_TV_SIZE_H, uint32_t(h)}, {QEV_DS_TV_SIZE_V, uint32_t(v)}});
    }
    return 0;
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_TV_GetMaxViewPosition(unsigned tv, int pos[2]) {
    if (pos == nullptr)
        return 0;
    if (qev::OnRandR())
        return RandRPair(tv, Kind(QEV_TVFN_GetTVMaxViewPositionValue), pos);
    if (qev::OnX())
        return TvCommand(tv, QEV_TVFN_GetTVMaxViewPositionValue, 0, nullptr, 2, pos);
    if (qev::OnFb())
        return qev::FbPair(QEV_FB_TVMaxViewPosition, pos);
    return 0;
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_TV_GetViewPosition(unsigned tv, int pos[2]) {
    if (pos == nullptr)
        return 0;
    if (qev::OnRandR())
        return RandRPair(tv, Kind(QEV_TVFN_GetTVViewPositionValue), pos);
    if (qev::OnX())
        return TvCommand(tv, QEV_TVFN_GetTVViewPositionValue, 0, nullptr, 2, pos);
    if (qev::OnFb()) {
        unsigned char block[QEV_DS_SIZE];
        if (!qev::ReadDeviceState(block))
            return 0;
        pos[0] = int(qev::GetLE32(block + QEV_DS_TV_POS_H));
        pos[1] = int(qev::GetLE32(block + QEV_DS_TV_POS_V));
        return 1;
    }
    return 0;
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_TV_SetViewPosition(unsigned tv, int h, int v) {
    if (qev::OnRandR())
        return RandRWrite(tv, Kind(QEV_TVFN_SetTVViewPositionValue), 0, Pack(h, v));
    if (qev::OnX()) {
        int in[2] = {h, v};
        return TvCommand(tv, QEV_TVFN_SetTVViewPositionValue, 2, in, 0, nullptr);
    }
    if (qev::OnFb())
        return FbWrite(QEV_TVCHG_VIEW_POSITION, {{QEV_DS_TV_POS_H, uint32_t(h)}, {QEV_DS_TV_POS_V, uint32_t(v)}});
    return 0;
}

// ---- tuning items ----------------------------------------------------------------

extern "C" QEVGFX_API_EXPORT int QEVGFX_TV_GetSupportTuningCaps(unsigned tv, unsigned *items) {
    if (items == nullptr)
        return 0;
    if (qev::OnRandR())
        return RandRRead(tv, Kind(QEV_TVFN_GetTVSupportTuningState), 0, items);
    if (qev::OnX())
        return TvCommand(tv, QEV_TVFN_GetTVSupportTuningState, 0, nullptr, 1, reinterpret_cast<int *>(items));
    if (qev::OnFb()) {
        uint32_t changes = 0;
        if (!qev::FbWord(QEV_FB_TVTuningItemsSupported, &changes))
            return 0;
        for (const CapBit &c : kTuningCaps)
            if (changes & c.change)
                *items |= c.item;
        return 1;
    }
    return 0;
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_TV_GetTuningItemMaxValue(unsigned tv, unsigned item, int *max) {
    if (max == nullptr)
        return 0;
    if (qev::OnRandR())
        return RandRRead(tv, Kind(QEV_TVFN_GetTVTuningItemMaxValue), item, reinterpret_cast<unsigned *>(max));
    if (qev::OnX()) {
        int in = int(item);
        return TvCommand(tv, QEV_TVFN_GetTVTuningItemMaxValue, 1, &in, 1, max);
    }
    if (qev::OnFb()) {
        // The driver takes the item's change bit and answers its maximum in
        // the same word.
        const BlockItem *b = FindItem(kTuningItems, item);
        if (b == nullptr)
            return 0;
        uint32_t word = b->change;
        if (!qev::FbRequest(QEV_FB_TVTuningItemMax, &word))
            return 0;
        *max = int(word);
        return 1;
    }
    return 0;
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_TV_GetTuningItemValue(unsigned tv, unsigned item, int *value) {
    if (value == nullptr)
        return 0;
    if (qev::OnRandR())
        return RandRRead(tv, Kind(QEV_TVFN_GetTVTuningItemValue), item, reinterpret_cast<unsigned *>(value));
    if (qev::OnX()) {
        int in = int(item);
        return TvCommand(tv, QEV_TVFN_GetTVTuningItemValue, 1, &in, 1, value);
    }
    if (qev::OnFb()) {
        const BlockItem *b = FindItem(kTuningItems, item);
        uint32_t w = 0;
        if (b == nullptr || !qev::FbStateWord(b->offset, &w))
            return 0;
        *value = int(w);
        return 1;
    }
    return 0;
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_TV_SetTuningItemValue(unsigned tv, unsigned item, int value) {
    if (qev::OnRandR())
        return RandRWrite(tv, Kind(QEV_TVFN_SetTVTuningItemValue), item, unsigned(value));
    if (qev::OnX()) {
        int in[2] = {int(item), value};
        return TvCommand(tv, QEV_TVFN_SetTVTuningItemValue, 2, in, 0, nullptr);
    }
    if (qev::OnFb()) {
        const BlockItem *b = FindItem(kTuningItems, item);
        if (b == nullptr)
            return 0;
        return FbWrite(b->change, {{b->offset, uint32_t(value)}});
    }
    return 0;
}

// ---- setting items ---------------------------------------------------------------

extern "C" QEVGFX_API_EXPORT int QEVGFX_TV_GetSupportSettingCaps(unsigned tv, unsigned *items) {
    return QueryWord(tv, items, QEV_TVFN_GetTVSupportSettingState,
                     [](uint32_t *w) { return qev::FbWord(QEV_FB_TVSettingItemsSupported, w); });
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_TV_GetSettingItemState(unsigned tv, unsigned item, int *state) {
    if (state == nullptr)
        return 0;
    if (qev::OnRandR())
        return RandRRead(tv, Kind(QEV_TVFN_GetTVSettingItemState), item, reinterpret_cast<unsigned *>(state));
    if (qev::OnX()) {
        int in = int(item);
        return TvCommand(tv, QEV_TVFN_GetTVSettingItemState, 1, &in, 1, state);
    }
    if (qev::OnFb()) {
        const BlockItem *b = FindItem(kSettingItems, item);
        uint32_t w = 0;
        if (b == nullptr || !qev::FbStateWord(b->offset, &w))
            return 0;
        *state = int(w);
        return 1;
    }
    return 0;
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_TV_SetSettingItemState(unsigned tv, unsigned item, int state) {
    if (qev::OnRandR())
        return RandRWrite(tv, Kind(QEV_TVFN_SetTVSettingItemState), item, unsigned(state));
    if (qev::OnX()) {
        int in[2] = {int(item), state};
        return TvCommand(tv, QEV_TVFN_SetTVSettingItemState, 2, in, 0, nullptr);
    }
    if (qev::OnFb()) {
        const BlockItem *b = FindItem(kSettingItems, item);
        if (b == nullptr)
            return 0;
        // The flicker filter switch is on or off: other values write off,
        // except the request for the driver's default.
        uint32_t value = uint32_t(state);
        if (item == 0x1 && value > 1 && value != kDefaultRequest)
            value = 0;
        return FbWrite(b->change, {{b->offset, value}});
    }
    return 0;
}
