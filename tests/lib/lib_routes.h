// Tables shared by the route binaries of libqevgfx (lib_fb_test: no channel
// and framebuffer; lib_x_test: X without RandR; lib_randr_test: X with RandR):
// the same queries, each route with its own expected values.
#ifndef QEVGFX_TEST_LIB_ROUTES_H
#define QEVGFX_TEST_LIB_ROUTES_H

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <tuple>
#include <type_traits>
#include <vector>

#include "qev/protocol.h"
#include "qevgfx.h"

namespace qevtest {

constexpr int kSentinel = 0x5a5a5a5a;

// One query: its result and the words it writes (the rest stay kSentinel).
struct Query {
    const char *name;
    std::function<int(int *)> call;
    int result;
    std::vector<int> words;
};

inline void ExpectQueries(const std::vector<Query> &rows) {
    for (const Query &q : rows) {
        SCOPED_TRACE(q.name);
        int v[64]; // room for the largest record; the first eight words are compared
        for (int &w : v)
            w = kSentinel;
        EXPECT_EQ(q.result, q.call(v));
        std::vector<int> want = q.words;
        want.resize(8, kSentinel);
        EXPECT_EQ(want, std::vector<int>(v, v + 8));
    }
}

inline std::function<int(int *)> Mask(int (*fn)(unsigned *)) {
    return [fn](int *v) { return fn(reinterpret_cast<unsigned *>(v)); };
}

// Got(fn, args...): the value a getter writes when it succeeds; when it fails,
// kFailed if it left its output alone, else kTouched.
constexpr long kFailed = -0x7fff0001, kTouched = -0x7fff0002;
template <class R, class... P> auto LastParam(R (*)(P...)) -> std::tuple_element_t<sizeof...(P) - 1, std::tuple<P...>>;
template <class F, class... A> long Got(F fn, A... args) {
    std::remove_pointer_t<decltype(LastParam(fn))> v(kSentinel);
    if (fn(args..., &v))
        return long(v);
    return long(v) == long(decltype(v)(kSentinel)) ? kFailed : kTouched;
}
// A pair getter's two words, or {kFailed} (kTouched if it wrote anything).
inline std::vector<long> Got2(int (*fn)(unsigned, int *), unsigned output) {
    int s[2] = {kSentinel, kSentinel};
    if (fn(output, s))
        return {s[0], s[1]};
    return {s[0] == kSentinel && s[1] == kSentinel ? kFailed : kTouched};
}
using Longs = std::vector<long>;

// A chip-identifier command block (17/1) with its status and first output
// preset, for the raw exchange.
inline QevCommandBlock ChipBlock() {
    QevCommandBlock block;
    std::memset(&block, 0, sizeof block);
    block.group = 17;
    block.function = 1;
    block.status = block.output[0] = kSentinel;
    return block;
}

// The information and device queries every route answers.
inline std::vector<Query> Queries(std::vector<std::vector<int>> words, int result = 1) {
    const std::pair<const char *, std::function<int(int *)>> calls[] = {
        {"chip", QEVGFX_Info_GetChipID},
        {"tv chip", QEVGFX_Info_GetTVChipID},
        {"memory", QEVGFX_Info_GetVideoMemSize},
        {"caps", QEVGFX_Info_GetFunctionCaps},
        {"version", [](int *v) { return QEVGFX_Info_GetDriverVersion(1, v); }},
        {"supported", Mask(QEVGFX_Device_GetSupportCaps)},
        {"connected", Mask(QEVGFX_Device_GetConnectState)},
        {"active", Mask(QEVGFX_Device_GetActiveState)},
        {"display mode", QEVGFX_Device_GetDisplayMode},
    };
    std::vector<Query> rows;
    for (size_t i = 0; i < std::size(calls); ++i)
        rows.push_back({calls[i].first, calls[i].second, result, i < words.size() ? words[i] : std::vector<int>{}});
    return rows;
}

// The capability queries of the TV output and the panel (LCD).
inline std::vector<Query> FamilyQueries(std::vector<std::vector<int>> words) {
    using Fn = std::function<int(int *)>;
    auto u = [](int (*fn)(unsigned, unsigned *)) -> Fn {
        return [fn](int *v) { return fn(0x4, reinterpret_cast<unsigned *>(v)); };
    };
    auto pair = [](int (*fn)(unsigned, int *), unsigned output) -> Fn {
        return [fn, output](int *v) { return fn(output, v); };
    };
    auto max = [](unsigned item) -> Fn {
        return [item](int *v) { return QEVGFX_TV_GetTuningItemMaxValue(0x4, item, v); };
    };
    const std::pair<const char *, Fn> calls[] = {
        {"TV standards", u(QEVGFX_TV_GetSupportStandard)},
        {"TV signals", u(QEVGFX_TV_GetSupportSignalType)},
        {"TV tuning items", // OR'ed into the caller's value on the framebuffer
         [](int *v) {
             *v = 0;
             return QEVGFX_TV_GetSupportTuningCaps(0x4, reinterpret_cast<unsigned *>(v));
         }},
        {"TV setting items", u(QEVGFX_TV_GetSupportSettingCaps)},
        {"TV flicker filter maximum", max(0x1)},
        {"TV tint maximum", max(0x20)},
        {"TV maximum size", pair(QEVGFX_TV_GetMaxViewSize, 0x4)},
        {"TV maximum position", pair(QEVGFX_TV_GetMaxViewPosition, 0x4)},
        {"panel expansion", pair(QEVGFX_Panel_GetSupportExpandState, 0x2)},
        {"panel maximum size", pair(QEVGFX_Panel_GetMaxViewSize, 0x2)},
        {"panel maximum position", pair(QEVGFX_Panel_GetMaxViewPosition, 0x2)},
    };
    std::vector<Query> rows;
    for (size_t i = 0; i < std::size(calls) && i < words.size(); ++i)
        rows.push_back({calls[i].first, calls[i].second, words[i].empty() ? 0 : 1, words[i]});
    return rows;
}

// Every operation of the library fails and leaves its outputs alone: no
// channel, or a device whose every request fails (the sync result is then
// not looked at).
inline void ExpectEveryOperationFails(int syncResult = 0) {
    ExpectQueries(Queries({}, 0));
    char name[QEVGFX_DRIVER_NAME_SIZE] = "unchanged";
    EXPECT_EQ(0, QEVGFX_Info_GetDriverName(1, name));
    EXPECT_STREQ("unchanged", name);
    unsigned char record[128] = {};
    int v = kSentinel;
    for (auto [op, rc] : std::vector<std::pair<const char *, int>>{
             {"tv slot", QEVGFX_Info_GetTVChipOnSlot(&v)},
             {"bios", QEVGFX_Info_GetBiosVersion(&v)},
             {"bios date", QEVGFX_Info_GetBiosDate(&v)},
             {"set active", QEVGFX_Device_SetActiveState(0x3)},
             {"set active 2", QEVGFX_Device_SetActiveState2(0x3, 0x1, 0x2, nullptr, nullptr)},
             {"set video", QEVGFX_Device_SetVideoDevice(1)},
             {"command", InputCommand(17, 1, 0, nullptr, 1, &v)},
             {"sync", QEVGFX_DrvSync() - syncResult}})
        EXPECT_EQ(0, rc) << op;
    if (syncResult == 0) {
        for (auto [op, rc] : std::vector<std::pair<const char *, int>>{
                 {"samm", QEVGFX_Device_GetSupportSAMMState(&v)},
                 {"panning", QEVGFX_Device_GetPanningState(&v)},
                 {"primary", QEVGFX_Device_GetPrimaryDevice(reinterpret_cast<unsigned *>(&v))},
                 {"video", QEVGFX_Device_GetVideoDevice(record)},
                 {"resolution", QEVGFX_Device_GetFbResolutionInfo(record)},
                 {"save gamma", QEVGFX_SaveCurrentSetting(1)},
                 {"save overlay", QEVGFX_SaveCurrentSetting(0)}})
            EXPECT_EQ(0, rc) << op;
    }
    EXPECT_EQ(kSentinel, v);
}

// The per-output operations need RandR: on the other routes they fail and
// leave their outputs alone.
inline void ExpectPerOutputOperationsFail() {
    RRModeEntry mode{};
    int v = kSentinel, count = kSentinel;
    RRModeEntry *modes = nullptr;
    double scale[2] = {0, 0};
    const int results[] = {QEVGFX_DISPLAY_GetDevCurMode(0x1, &mode),
                           QEVGFX_DISPLAY_GetDevSupportMode(0x1, &count, &modes),
                           QEVGFX_DISPLAY_GetDevCurRotation(0x1, &v),
                           QEVGFX_DISPLAY_GetDevSupRotation(0x1, &v),
                           QEVGFX_DISPLAY_GetCurrentScale(0x1, scale),
                           QEVGFX_DISPLAY_SetDevRotationDeg(0x1, 2),
                           QEVGFX_DISPLAY_SetDevMode(0x1, "800x600", 800, 600, 60.0f),
                           QEVGFX_DISPLAY_SetScale(0x1, 1.25, 1.25),
                           QEVGFX_Device_GetRandRPrimary(reinterpret_cast<unsigned *>(&v)),
                           QEVGFX_Device_SetRandRPrimary(0x1)};
    EXPECT_EQ(std::vector<int>(std::size(results), 0), std::vector<int>(std::begin(results), std::end(results)));
    EXPECT_EQ(kSentinel, v);
    EXPECT_EQ(nullptr, modes);
}

} // namespace qevtest

#endif
