// The QEVGFX_API extension of the simulated driver, exercised on the wire
// without the library: every command of the table, state round trips, both
// client byte orders, malformed requests and unknown codes.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cctype>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "qev/commands.h"
#include "qev/outputs.h"
#include "qev/protocol.h"
#include "qevtest/qevtest.h"
// After gtest: Xlib defines None as a macro.
#include <X11/Xlib.h>

#include "wire_client.h"

#ifdef QEV_WIRE_HAVE_MODEL
#include "qevsim_model.h"
#endif

namespace {

using wire::make_block;

struct Command {
    uint32_t group, fn;
    int in, out;
    const char* name;
    bool is_setter() const { return out == 0 && in > 0; }
};

#define FIXED_ROW(g, f, i, o, name) Command{g, f, i, o, #name},
const std::vector<Command> kFixedCommands = {QEV_COMMAND_TABLE(FIXED_ROW)};
#undef FIXED_ROW

std::vector<Command> tv_commands(uint32_t group) {
#define TV_ROW(f, i, o, name) Command{group, f, i, o, #name},
    return {QEV_TV_COMMAND_TABLE(TV_ROW)};
#undef TV_ROW
}

#define TV_GROUP_ITEM(g) g,
const std::vector<uint32_t> kTvGroups = {QEV_TV_GROUP_LIST(TV_GROUP_ITEM)};
#undef TV_GROUP_ITEM

bool is_tv_group(uint32_t g) { return std::find(kTvGroups.begin(), kTvGroups.end(), g) != kTvGroups.end(); }

constexpr int32_t kComponent = 1;  // the display driver's component
constexpr int32_t kPanel = QEV_OUT_LCD;
constexpr int kErrBadRequest = 1, kErrBadLength = 16;

std::string dump(const int32_t* w, int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += (i ? " " : "") + std::to_string(w[i]);
    return s;
}

// Common base: an Xlib connection and the extension's opcode.
template <class Derived>
class WireBase : public qevtest::XServerTest<Derived> {
protected:
    void SetUp() override {
        qevtest::XServerTest<Derived>::SetUp();
        if (this->HasFatalFailure()) return;
        dpy_.reset(XOpenDisplay(this->server().display().c_str()));
        ASSERT_NE(dpy_, nullptr) << "cannot open " << this->server().display();
        int first_event, first_error;
        ASSERT_TRUE(XQueryExtension(dpy_.get(), QEVGFX_EXTENSION_NAME, &major_, &first_event, &first_error))
            << "server lacks " << QEVGFX_EXTENSION_NAME << "\n"
            << this->server().log_tail(20);
    }

    // One exchange through Xlib; fails the test when no reply arrives.
    QevCommandReply send(const QevCommandBlock& b) {
        int err = 0;
        auto r = wire::xlib_command(dpy_.get(), major_, b, &err);
        EXPECT_TRUE(r.has_value()) << "command " << b.group << "/" << b.function << ": X error " << err;
        return r.value_or(QevCommandReply{});
    }
    QevCommandReply send(uint32_t g, uint32_t f, std::initializer_list<int32_t> in = {}) {
        return send(make_block(g, f, in));
    }

    struct DisplayCloser {
        void operator()(Display* d) const { XCloseDisplay(d); }
    };
    std::unique_ptr<Display, DisplayCloser> dpy_;
    int major_ = 0;
};

// Inputs that make sense for a command in the current state: getters get
// the component, panel, index or item they need; setters get the value the
// matching getter reports, so that the whole sweep changes nothing.
template <class Send>
QevCommandBlock sensible_block(const Command& c, Send&& send) {
    QevCommandBlock b = make_block(c.group, c.fn);
    auto out = [&](uint32_t fn, std::initializer_list<int32_t> in = {}) { return send(make_block(c.group, fn, in)); };
    auto copy = [&](const QevCommandReply& r, int n, int at = 0) {
        for (int i = 0; i < n; ++i) b.input[at + i] = r.block.output[i];
    };
    auto lowest = [](int32_t mask) { return mask & -mask; };
    if (is_tv_group(c.group)) {
        switch (c.fn) {
        case QEV_TVFN_SetTVStandard: copy(out(QEV_TVFN_GetTVStandard), 1); break;
        case QEV_TVFN_SetTVSignalType: copy(out(QEV_TVFN_GetTVSignalType), 1); break;
        case QEV_TVFN_SetTVViewSizeValue: copy(out(QEV_TVFN_GetTVViewSizeValue), 2); break;
        case QEV_TVFN_SetTVViewPositionValue: copy(out(QEV_TVFN_GetTVViewPositionValue), 2); break;
        case QEV_TVFN_GetTVTuningItemMaxValue:
        case QEV_TVFN_GetTVTuningItemValue:
        case QEV_TVFN_SetTVTuningItemValue: {
            int32_t item = lowest(out(QEV_TVFN_GetTVSupportTuningState).block.output[0]);
            b.input[0] = item;
            if (c.fn == QEV_TVFN_SetTVTuningItemValue)
                b.input[1] = out(QEV_TVFN_GetTVTuningItemValue, {item}).block.output[0];
            break;
        }
        case QEV_TVFN_GetTVSettingItemState:
        case QEV_TVFN_SetTVSettingItemState: {
            int32_t item = lowest(out(QEV_TVFN_GetTVSupportSettingState).block.output[0]);
            b.input[0] = item;
            if (c.fn == QEV_TVFN_SetTVSettingItemState)
                b.input[1] = out(QEV_TVFN_GetTVSettingItemState, {item}).block.output[0];
            break;
        }
        default: break;
        }
        return b;
    }
    auto cmd = [&](int g, int f, std::initializer_list<int32_t> in = {}) { return send(make_block(g, f, in)); };
    switch (c.group * 100 + c.fn) {
    case 1801:
    case 1802: b.input[0] = kComponent; break;
    case 1904: copy(cmd(19, 3), 1); break;
    case 1909: copy(cmd(19, 10), 1); break;
    case 2002:
    case 2006:
    case 2007:
    case 2009:
    case 2010: b.input[0] = kPanel; break;
    case 2004:  // words 0-2 unused, panel, state
        b.input[3] = kPanel;
        b.input[4] = cmd(20, 3).block.output[0];
        break;
    case 2008:  // h, v, panel
        copy(cmd(20, 7, {kPanel}), 2);
        b.input[2] = kPanel;
        break;
    case 2011:
        copy(cmd(20, 10, {kPanel}), 2);
        b.input[2] = kPanel;
        break;
    case 2203: copy(cmd(22, 2), QEV_CMD_INPUTS); break;
    case 2401: b.input[0] = 0; break;
    case 2403: b.input[0] = QEV_OUT_CRT; break;
    case 2405: copy(cmd(24, 4), 2); break;
    default: break;
    }
    return b;
}

// ---------------------------------------------------------------------------
// The default profile: every command answers, with well-formed replies.

std::vector<Command> all_commands() {
    std::vector<Command> all = kFixedCommands;
    for (uint32_t g : kTvGroups) {
        auto tv = tv_commands(g);
        all.insert(all.end(), tv.begin(), tv.end());
    }
    return all;
}

// The output bit a TV group serves.
uint32_t tv_group_output(uint32_t group) {
    switch (group) {
    case QEV_TV_GROUP_HDTV: return QEV_OUT_HDTV;
    case QEV_TV_GROUP_TV2: return QEV_OUT_TV2;
    case QEV_TV_GROUP_HDTV2: return QEV_OUT_HDTV2;
    default: return QEV_OUT_TV;
    }
}

// A server started with one of the profiles in sim/profiles.
template <class Derived>
class WireProfile : public WireBase<Derived> {
public:
    static qevtest::XServerOptions server_options() {
        qevtest::XServerOptions o;
        o.profile = qevtest::profile_path(Derived::kProfile);
        return o;
    }

protected:
    // Sends every command of the table, setters with the values their getters
    // report. Every reply is well formed; TV groups answer exactly when their
    // output is supported, every other command always.
    void sweep() {
        uint32_t supported = this->send(19, 1).block.output[0];
        auto live = [&](const QevCommandBlock& b) { return this->send(b); };
        for (const Command& c : all_commands()) {
            SCOPED_TRACE(std::to_string(c.group) + "/" + std::to_string(c.fn) + " " + c.name);
            QevCommandBlock b = sensible_block(c, live);
            QevCommandReply r = this->send(b);
            ASSERT_FALSE(this->HasFailure());
            EXPECT_EQ(r.type, 1);
            EXPECT_EQ(r.length, uint32_t(QEV_REPLY_EXTRA_UNITS));
            // Nothing beyond the command's outputs, and nothing at all on refusal.
            int from = r.block.status ? c.out : 0;
            for (int i = from; i < QEV_CMD_OUTPUTS; ++i) {
                ASSERT_EQ(r.block.output[i], 0) << "stray output word " << i;
            }
            bool answers = !is_tv_group(c.group) || (supported & tv_group_output(c.group));
            EXPECT_EQ(r.block.status != 0, answers) << "inputs " << dump(b.input, std::max(c.in, 1));
        }
    }

#ifdef QEV_WIRE_HAVE_MODEL
    // What travels on the wire is what the model, loaded with the same
    // profile, computes for the same block. Answers that follow RandR's view
    // of the screen (groups 19 and 24) and the sync counter are left out.
    void compare_with_model() {
        std::unique_ptr<QevSimModel, void (*)(QevSimModel*)> model(qevsim_model_new(), qevsim_model_free);
        char err[256] = "";
        ASSERT_TRUE(qevsim_model_load_profile(model.get(), qevtest::profile_path(Derived::kProfile).c_str(), err,
                                              sizeof err))
            << err;
        auto local = [&](const QevCommandBlock& in) {
            QevCommandReply r{};
            r.block = in;
            qevsim_model_command(model.get(), &r.block);
            return r;
        };
        for (const Command& c : all_commands()) {
            if (c.is_setter() || c.group == 19 || c.group == 24 || (c.group == 18 && c.fn == 3)) continue;
            SCOPED_TRACE(std::to_string(c.group) + "/" + std::to_string(c.fn) + " " + c.name);
            QevCommandBlock b = sensible_block(c, local);
            QevCommandReply want = local(b), got = this->send(b);
            EXPECT_EQ(got.block.status != 0, want.block.status != 0);
            EXPECT_EQ(dump(got.block.output, c.out), dump(want.block.output, c.out));
        }
    }
#endif
};

class WireCommandTable : public WireProfile<WireCommandTable> {
public:
    static constexpr const char* kProfile = "default.conf";
};

TEST_F(WireCommandTable, EveryCommandAnswersWithWellFormedReply) { sweep(); }

TEST_F(WireCommandTable, AdapterInformationIsPlausible) {
    EXPECT_NE(send(17, 1).block.output[0], 0) << "chip identifier";
    auto bios = send(17, 2);
    EXPECT_TRUE(bios.block.output[0] || bios.block.output[1]) << "BIOS version";
    EXPECT_GT(send(17, 4).block.output[0], 0) << "video memory in MB";

    // The driver name is text that ends within its 32 bytes.
    auto name = send(18, 1, {kComponent});
    ASSERT_NE(name.block.status, 0);
    const char* text = reinterpret_cast<const char*>(name.block.output);
    size_t len = strnlen(text, QEV_DRIVER_NAME_BYTES);
    EXPECT_LT(len, size_t(QEV_DRIVER_NAME_BYTES)) << "name not terminated within 32 bytes";
    EXPECT_GT(len, 0u);
    for (size_t i = 0; i < len; ++i) EXPECT_TRUE(isprint(static_cast<unsigned char>(text[i]))) << "byte " << i;
}

TEST_F(WireCommandTable, OutputMasksAreConsistent) {
    uint32_t supported = send(19, 1).block.output[0];
    uint32_t connected = send(19, 2).block.output[0];
    uint32_t active = send(19, 3).block.output[0];
    uint32_t primary = send(19, 13).block.output[0];
    EXPECT_EQ(supported & ~uint32_t(QEV_OUT_ALL), 0u);
    EXPECT_NE(supported, 0u);
    EXPECT_EQ(connected & ~supported, 0u) << "connected outside supported";
    EXPECT_EQ(active & ~connected, 0u) << "active outside connected";
    EXPECT_GE(std::popcount(active), 1);
    EXPECT_LE(std::popcount(active), 2);
    EXPECT_EQ(std::popcount(primary), 1);
    EXPECT_NE(primary & active, 0u) << "primary not active";
    // Clone and multi-screen are flags, and never both.
    int32_t samm = send(19, 5).block.output[0], gemel = send(19, 11).block.output[0];
    EXPECT_FALSE(samm && gemel);
}

TEST_F(WireCommandTable, ModeListEndsAndCurrentModeIsListed) {
    auto cur = send(24, 2);
    ASSERT_NE(cur.block.status, 0);
    bool found_current = false;
    int index = 0;
    for (; index < 200; ++index) {
        auto m = send(24, 1, {index});
        ASSERT_NE(m.block.status, 0) << "index " << index;
        if (m.block.output[0] == 4095) break;
        int32_t w = m.block.output[1], h = m.block.output[2], rates = m.block.output[3];
        EXPECT_GT(w, 0);
        EXPECT_GT(h, 0);
        EXPECT_GE(rates, 1);
        EXPECT_LE(rates, 10) << "index " << index;
        for (int i = 0; i < rates && i < 10; ++i) EXPECT_GT(m.block.output[4 + i], 0);
        for (int i = 4 + std::max(rates, 0); i < 14; ++i) EXPECT_EQ(m.block.output[i], 0);
        if (w == cur.block.output[0] && h == cur.block.output[1]) found_current = true;
    }
    EXPECT_GT(index, 0) << "no modes";
    EXPECT_LT(index, 200) << "mode list does not end with 4095";
    EXPECT_TRUE(found_current) << "current mode " << dump(cur.block.output, 5) << " not listed";
}

TEST_F(WireCommandTable, GammaTableHasAllEntries) {
    ASSERT_NE(send(22, 1).block.output[0], 0) << "default adapter supports gamma";
    auto t = send(22, 2);
    ASSERT_NE(t.block.status, 0);
    // Entries are 0x00RRGGBB and rise from black to white.
    for (int i = 1; i < 256; ++i) EXPECT_GE(t.block.output[i] & 0xff, t.block.output[i - 1] & 0xff) << i;
    EXPECT_EQ(t.block.output[0] & 0xffffff, 0);
    EXPECT_EQ(t.block.output[255] & 0xffffff, 0xffffff);
}

TEST_F(WireCommandTable, TvGroupsReportTheirEncoders) {
    for (uint32_t g : {uint32_t(QEV_TV_GROUP_TV), uint32_t(QEV_TV_GROUP_HDTV)}) {
        SCOPED_TRACE("group " + std::to_string(g));
        uint32_t standards = send(g, QEV_TVFN_GetTVSupportStandardState).block.output[0];
        uint32_t standard = send(g, QEV_TVFN_GetTVStandard).block.output[0];
        uint32_t signals = send(g, QEV_TVFN_GetTVSupportSignalTypeState).block.output[0];
        uint32_t signal = send(g, QEV_TVFN_GetTVSignalType).block.output[0];
        EXPECT_NE(standards, 0u);
        EXPECT_EQ(std::popcount(standard), 1);
        EXPECT_NE(standard & standards, 0u);
        EXPECT_EQ(std::popcount(signal), 1);
        EXPECT_NE(signal & signals, 0u);
        auto max = send(g, QEV_TVFN_GetTVMaxViewSizeValue), size = send(g, QEV_TVFN_GetTVViewSizeValue);
        for (int i = 0; i < 2; ++i) {
            EXPECT_GE(size.block.output[i], 0);
            EXPECT_LE(size.block.output[i], max.block.output[i]);
        }
    }
    // SD standards on the TV encoder, HD standards on the HDTV one.
    uint32_t sd = QEV_TVSTD_NTSC | QEV_TVSTD_PAL;
    EXPECT_EQ(send(QEV_TV_GROUP_TV, QEV_TVFN_GetTVSupportStandardState).block.output[0] & ~sd, 0u);
    EXPECT_EQ(send(QEV_TV_GROUP_HDTV, QEV_TVFN_GetTVSupportStandardState).block.output[0] & sd, 0u);
}

#ifdef QEV_WIRE_HAVE_MODEL
TEST_F(WireCommandTable, RepliesCarryTheModelsAnswers) { compare_with_model(); }
#endif

// Every output of the family present: the second TV encoders answer too.
class WireAllOutputs : public WireProfile<WireAllOutputs> {
public:
    static constexpr const char* kProfile = "all-outputs.conf";
};

TEST_F(WireAllOutputs, EveryCommandAnswersWithWellFormedReply) {
    uint32_t supported = send(19, 1).block.output[0];
    EXPECT_EQ(supported & (QEV_OUT_TV2 | QEV_OUT_HDTV2), uint32_t(QEV_OUT_TV2 | QEV_OUT_HDTV2));
    sweep();
}

#ifdef QEV_WIRE_HAVE_MODEL
TEST_F(WireAllOutputs, RepliesCarryTheModelsAnswers) { compare_with_model(); }
#endif

// A name that fills all 32 bytes: exactly those bytes travel, nothing after.
class WireLongDriverName : public WireProfile<WireLongDriverName> {
public:
    static constexpr const char* kProfile = "long-driver-name.conf";
};

TEST_F(WireLongDriverName, NameFillsThirtyTwoBytesAndNoMore) {
    auto r = send(18, 1, {kComponent});
    ASSERT_NE(r.block.status, 0);
    const char* text = reinterpret_cast<const char*>(r.block.output);
    EXPECT_EQ(std::string(text, QEV_DRIVER_NAME_BYTES), "qevsim_display_driver_module.so0");
    for (int i = QEV_DRIVER_NAME_BYTES / 4; i < QEV_CMD_OUTPUTS; ++i) ASSERT_EQ(r.block.output[i], 0) << i;
}

// The Device option that leaves the extension out: clients find no extension,
// RandR stays.
class WireExtensionDisabled : public qevtest::XServerTest<WireExtensionDisabled> {
public:
    static qevtest::XServerOptions server_options() {
        qevtest::XServerOptions o;
        o.device_options = {{"DisableExtension", "true"}};
        return o;
    }
};

TEST_F(WireExtensionDisabled, ExtensionIsAbsent) {
    std::unique_ptr<Display, int (*)(Display*)> dpy(XOpenDisplay(server().display().c_str()), XCloseDisplay);
    ASSERT_NE(dpy, nullptr);
    int major, event, error;
    EXPECT_FALSE(XQueryExtension(dpy.get(), QEVGFX_EXTENSION_NAME, &major, &event, &error));
    EXPECT_TRUE(XQueryExtension(dpy.get(), "RANDR", &major, &event, &error));
    wire::RawX raw;
    std::string err;
    ASSERT_TRUE(raw.connect(server().display_number(), 'l', &err)) << err;
    EXPECT_EQ(raw.major_opcode(QEVGFX_EXTENSION_NAME), 0);
}

// ---------------------------------------------------------------------------
// State changes: set, read back, restore. Refused values change nothing.

class WireState : public WireBase<WireState> {};

TEST_F(WireState, ActiveOutputsFollowSetAndRefuseUnconnected) {
    uint32_t connected = send(19, 2).block.output[0];
    uint32_t before = send(19, 3).block.output[0];
    // A single connected output other than the current set.
    uint32_t single = 0;
    for (uint32_t bit = 1; bit <= QEV_OUT_ALL; bit <<= 1)
        if ((connected & bit) && bit != before) {
            single = bit;
            break;
        }
    ASSERT_NE(single, 0u) << "default profile connects more than one output";
    EXPECT_NE(send(19, 4, {int32_t(single)}).block.status, 0);
    EXPECT_EQ(uint32_t(send(19, 3).block.output[0]), single);
    EXPECT_EQ(uint32_t(send(19, 13).block.output[0]), single) << "primary follows the only output";

    // Unsupported or unconnected outputs, nothing, or three outputs: refused.
    uint32_t unconnected = QEV_OUT_ALL & ~connected;
    uint32_t lowest_unconnected = unconnected & -unconnected;
    for (uint32_t bad : {0u, lowest_unconnected, single | lowest_unconnected, 0x8000u}) {
        SCOPED_TRACE("mask " + std::to_string(bad));
        EXPECT_EQ(send(19, 4, {int32_t(bad)}).block.status, 0);
        EXPECT_EQ(uint32_t(send(19, 3).block.output[0]), single);
    }

    EXPECT_NE(send(19, 4, {int32_t(before)}).block.status, 0);
    EXPECT_EQ(uint32_t(send(19, 3).block.output[0]), before);
}

TEST_F(WireState, TvStandardSetAndGet) {
    for (uint32_t g : {uint32_t(QEV_TV_GROUP_TV), uint32_t(QEV_TV_GROUP_HDTV)}) {
        SCOPED_TRACE("group " + std::to_string(g));
        uint32_t supported = send(g, QEV_TVFN_GetTVSupportStandardState).block.output[0];
        uint32_t before = send(g, QEV_TVFN_GetTVStandard).block.output[0];
        uint32_t other = supported & ~before;
        other &= -other;
        ASSERT_NE(other, 0u) << "only one standard supported";
        EXPECT_NE(send(g, QEV_TVFN_SetTVStandard, {int32_t(other)}).block.status, 0);
        EXPECT_EQ(uint32_t(send(g, QEV_TVFN_GetTVStandard).block.output[0]), other);

        uint32_t unsupported = ~supported & 0x7f;
        unsupported &= -unsupported;
        EXPECT_EQ(send(g, QEV_TVFN_SetTVStandard, {int32_t(unsupported)}).block.status, 0);
        EXPECT_EQ(uint32_t(send(g, QEV_TVFN_GetTVStandard).block.output[0]), other);

        EXPECT_NE(send(g, QEV_TVFN_SetTVStandard, {int32_t(before)}).block.status, 0);
        EXPECT_EQ(uint32_t(send(g, QEV_TVFN_GetTVStandard).block.output[0]), before);
    }
}

TEST_F(WireState, GammaTableSetAndGet) {
    auto before = send(22, 2);
    ASSERT_NE(before.block.status, 0);
    QevCommandBlock set = make_block(22, 3);
    for (int i = 0; i < 256; ++i) set.input[i] = (255 - i) * 0x010101;  // inverted ramp
    EXPECT_NE(send(set).block.status, 0);
    auto after = send(22, 2);
    EXPECT_EQ(dump(after.block.output, 256), dump(set.input, 256));

    QevCommandBlock restore = make_block(22, 3);
    memcpy(restore.input, before.block.output, sizeof restore.input);
    EXPECT_NE(send(restore).block.status, 0);
    EXPECT_EQ(dump(send(22, 2).block.output, 256), dump(before.block.output, 256));
}

TEST_F(WireState, RotationSetAndGet) {
    auto before = send(24, 4);
    ASSERT_NE(before.block.status, 0);
    int32_t type = before.block.output[0] ? before.block.output[0] : 2;
    int32_t degree = before.block.output[1] == 4 ? 8 : 4;
    EXPECT_NE(send(24, 5, {type, degree}).block.status, 0);
    auto after = send(24, 4);
    EXPECT_EQ(after.block.output[0], type);
    EXPECT_EQ(after.block.output[1], degree);
    EXPECT_NE(send(24, 5, {before.block.output[0], before.block.output[1]}).block.status, 0);
    EXPECT_EQ(dump(send(24, 4).block.output, 2), dump(before.block.output, 2));
}

TEST_F(WireState, PanelViewSizeSetAndGetWithinMaximum) {
    auto max = send(20, 6, {kPanel});
    auto before = send(20, 7, {kPanel});
    ASSERT_NE(max.block.status, 0);
    ASSERT_NE(before.block.status, 0);
    int32_t h = before.block.output[0] > 0 ? before.block.output[0] - 1 : 1;
    int32_t v = before.block.output[1] > 0 ? before.block.output[1] - 1 : 1;
    ASSERT_LE(h, max.block.output[0]);
    EXPECT_NE(send(20, 8, {h, v, kPanel}).block.status, 0);
    auto after = send(20, 7, {kPanel});
    EXPECT_EQ(after.block.output[0], h);
    EXPECT_EQ(after.block.output[1], v);

    // Beyond the maximum, or negative: refused and unchanged.
    EXPECT_EQ(send(20, 8, {max.block.output[0] + 1, v, kPanel}).block.status, 0);
    EXPECT_EQ(send(20, 8, {h, -2, kPanel}).block.status, 0);
    EXPECT_EQ(dump(send(20, 7, {kPanel}).block.output, 2), dump(after.block.output, 2));

    EXPECT_NE(send(20, 8, {before.block.output[0], before.block.output[1], kPanel}).block.status, 0);
    EXPECT_EQ(dump(send(20, 7, {kPanel}).block.output, 2), dump(before.block.output, 2));
}

// ---------------------------------------------------------------------------
// Raw connections: the other byte order, malformed requests, unknown codes.

class WireRaw : public WireBase<WireRaw> {
protected:
    std::unique_ptr<wire::RawX> raw(char order) {
        auto c = std::make_unique<wire::RawX>();
        std::string err;
        EXPECT_TRUE(c->connect(server().display_number(), order, &err)) << err;
        return c;
    }
    static char opposite_order() { return std::endian::native == std::endian::little ? 'B' : 'l'; }
    static char native_order() { return std::endian::native == std::endian::little ? 'l' : 'B'; }
};

TEST_F(WireRaw, SwappedClientGetsTheSameAnswers) {
    auto swapped = raw(opposite_order());
    ASSERT_TRUE(swapped->swapped());
    uint8_t opcode = swapped->major_opcode(QEVGFX_EXTENSION_NAME);
    ASSERT_EQ(opcode, major_);

    std::vector<Command> getters;
    for (const Command& c : kFixedCommands)
        if (!c.is_setter() && !(c.group == 18 && c.fn == 3)) getters.push_back(c);
    for (uint32_t g : kTvGroups)
        for (const Command& c : tv_commands(g))
            if (!c.is_setter()) getters.push_back(c);
    auto native = [&](const QevCommandBlock& b) { return send(b); };
    for (const Command& c : getters) {
        SCOPED_TRACE(std::to_string(c.group) + "/" + std::to_string(c.fn) + " " + c.name);
        QevCommandBlock b = sensible_block(c, native);
        QevCommandReply want = send(b);
        int err = 0;
        auto got = swapped->command(opcode, b, &err);
        ASSERT_TRUE(got.has_value()) << "X error " << err;
        EXPECT_EQ(got->length, uint32_t(QEV_REPLY_EXTRA_UNITS));
        EXPECT_EQ(got->sequence, swapped->last_sequence());
        EXPECT_EQ(got->block.status, want.block.status);
        if (c.group == 18 && c.fn == 1) {
            // Text travels as bytes, in no byte order.
            EXPECT_EQ(memcmp(swapped->raw_output(*got), want.block.output, QEV_DRIVER_NAME_BYTES), 0)
                << "driver name bytes differ";
        } else {
            EXPECT_EQ(dump(got->block.output, c.out), dump(want.block.output, c.out));
        }
    }
}

TEST_F(WireRaw, SwappedClientInputsAreDecoded) {
    auto swapped = raw(opposite_order());
    uint8_t opcode = swapped->major_opcode(QEVGFX_EXTENSION_NAME);
    ASSERT_NE(opcode, 0);
    auto before = send(20, 7, {kPanel});
    int32_t h = before.block.output[0] > 0 ? before.block.output[0] - 1 : 1;
    int32_t v = before.block.output[1] > 0 ? before.block.output[1] - 1 : 1;
    auto r = swapped->command(opcode, make_block(20, 8, {h, v, kPanel}));
    ASSERT_TRUE(r.has_value());
    EXPECT_NE(r->block.status, 0);
    auto after = send(20, 7, {kPanel});
    EXPECT_EQ(after.block.output[0], h);
    EXPECT_EQ(after.block.output[1], v);
    r = swapped->command(opcode, make_block(20, 8, {before.block.output[0], before.block.output[1], kPanel}));
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(dump(send(20, 7, {kPanel}).block.output, 2), dump(before.block.output, 2));

    // A 256-word input arrives whole: the gamma table.
    auto table = send(22, 2);
    QevCommandBlock set = make_block(22, 3);
    for (int i = 0; i < 256; ++i) set.input[i] = i * 0x010000 + (255 - i);
    ASSERT_TRUE(swapped->command(opcode, set).has_value());
    EXPECT_EQ(dump(send(22, 2).block.output, 256), dump(set.input, 256));
    memcpy(set.input, table.block.output, sizeof set.input);
    ASSERT_TRUE(swapped->command(opcode, set).has_value());
}

TEST_F(WireRaw, MalformedRequestsGetErrorsAndTheConnectionSurvives) {
    for (char order : {native_order(), opposite_order()}) {
        SCOPED_TRACE(std::string("byte order ") + order);
        auto c = raw(order);
        uint8_t opcode = c->major_opcode(QEVGFX_EXTENSION_NAME);
        ASSERT_NE(opcode, 0);
        QevCommandBlock b = make_block(17, 1);
        struct Bad {
            const char* what;
            uint8_t minor;
            uint16_t units;
            size_t bytes;
            int error;
        };
        const Bad cases[] = {
            {"one unit short", QEVGFX_MINOR_COMMAND, QEV_REQ_UNITS - 1, QEV_REQ_BYTES - 4, kErrBadLength},
            {"one unit long", QEVGFX_MINOR_COMMAND, QEV_REQ_UNITS + 1, QEV_REQ_BYTES + 4, kErrBadLength},
            {"header only", QEVGFX_MINOR_COMMAND, 2, 8, kErrBadLength},
            {"minor 2", 2, QEV_REQ_UNITS, QEV_REQ_BYTES, kErrBadRequest},
            {"minor 0", 0, QEV_REQ_UNITS, QEV_REQ_BYTES, kErrBadRequest},
            {"minor 2, header only", 2, 1, 4, kErrBadRequest},
        };
        for (const Bad& bad : cases) {
            SCOPED_TRACE(bad.what);
            ASSERT_TRUE(c->send_request(c->command_request(opcode, b, bad.minor, bad.units, bad.bytes)));
            auto p = c->next();
            ASSERT_TRUE(p.has_value()) << "no answer; connection lost?";
            ASSERT_EQ(p->type(), 0) << "expected an error";
            EXPECT_EQ(p->code(), bad.error);
            EXPECT_EQ(c->u16(p->bytes.data() + 2), c->last_sequence());
            EXPECT_EQ(p->bytes[10], opcode) << "major opcode of the error";
            // The next good request is answered normally.
            auto ok = c->command(opcode, b);
            ASSERT_TRUE(ok.has_value()) << "connection did not survive";
            EXPECT_NE(ok->block.status, 0);
        }
    }
}

TEST_F(WireRaw, UnknownCodesAnswerStatusZero) {
    auto c = raw(native_order());
    uint8_t opcode = c->major_opcode(QEVGFX_EXTENSION_NAME);
    ASSERT_NE(opcode, 0);
    const std::pair<uint32_t, uint32_t> unknown[] = {
        {0, 0},   {0, 1},  {16, 1}, {17, 0},  {17, 6}, {18, 5},  {19, 0},  {19, 6},
        {19, 7},  {19, 14}, {20, 1}, {20, 12}, {21, 0}, {21, 20}, {22, 4}, {23, 99},
        {24, 0},  {24, 6}, {25, 20}, {26, 0}, {27, 1}, {255, 1}, {0xffffffffu, 1}, {17, 0xffffffffu},
    };
    for (auto [g, f] : unknown) {
        SCOPED_TRACE(std::to_string(g) + "/" + std::to_string(f));
        QevCommandBlock b = make_block(g, f, {1, 2, 3});
        auto r = c->command(opcode, b);
        ASSERT_TRUE(r.has_value());
        EXPECT_EQ(r->block.status, 0);
        for (int i = 0; i < QEV_CMD_OUTPUTS; ++i) ASSERT_EQ(r->block.output[i], 0) << "output " << i;
    }
    // Stale status or outputs in the request are not echoed back.
    QevCommandBlock b = make_block(27, 1);
    b.status = 1;
    for (int i = 0; i < QEV_CMD_OUTPUTS; ++i) b.output[i] = 0x5a5a5a5a;
    auto r = c->command(opcode, b);
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(r->block.status, 0);
    EXPECT_EQ(r->block.output[0], 0);
    EXPECT_EQ(r->block.output[255], 0);
}

}  // namespace
