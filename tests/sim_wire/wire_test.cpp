// The QEVGFX_API extension of the simulated driver on the wire, spoken by raw
// clients of both byte orders (no library): every command of the table
// answers as the model does, setters reach the model, malformed requests get
// X errors and unknown codes status 0.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "qev/commands.h"
#include "qev/outputs.h"
#include "qev/protocol.h"
#include "qevtest/qevtest.h"
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

#define TV_GROUP_ITEM(g) g,
const std::vector<uint32_t> kTvGroups = {QEV_TV_GROUP_LIST(TV_GROUP_ITEM)};
#undef TV_GROUP_ITEM

bool is_tv_group(uint32_t g) { return std::find(kTvGroups.begin(), kTvGroups.end(), g) != kTvGroups.end(); }

// The fixed commands and the TV commands of every TV group.
std::vector<Command> all_commands() {
#define FIXED_ROW(g, f, i, o, name) Command{g, f, i, o, #name},
    std::vector<Command> all = {QEV_COMMAND_TABLE(FIXED_ROW)};
#undef FIXED_ROW
    for (uint32_t group : kTvGroups) {
#define TV_ROW(f, i, o, name) Command{group, f, i, o, #name},
        all.insert(all.end(), {QEV_TV_COMMAND_TABLE(TV_ROW)});
#undef TV_ROW
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

constexpr int32_t kComponent = 1;  // the display driver's component
constexpr int32_t kPanel = QEV_OUT_LCD;
constexpr int kErrBadRequest = 1, kErrBadLength = 16;

std::string dump(const int32_t* w, int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += (i ? " " : "") + std::to_string(w[i]);
    return s;
}

uint32_t lowest(uint32_t mask) { return mask & -mask; }

// Inputs that make sense for a command in the current state: getters get
// the component, panel, index or item they need; setters get the value the
// matching getter reports, so that the whole sweep changes nothing.
template <class Send>
QevCommandBlock sensible_block(const Command& c, Send&& send) {
    QevCommandBlock b = make_block(c.group, c.fn);
    auto cmd = [&](uint32_t g, uint32_t fn, std::initializer_list<int32_t> in = {}) {
        return send(make_block(g, fn, in));
    };
    auto copy = [&](const QevCommandReply& r, int n) {
        for (int i = 0; i < n; ++i) b.input[i] = r.block.output[i];
    };
    const uint32_t g = c.group;
    if (is_tv_group(g)) {
        switch (c.fn) {
        case QEV_TVFN_SetTVStandard:
        case QEV_TVFN_SetTVSignalType: copy(cmd(g, c.fn - 1), 1); break;
        case QEV_TVFN_SetTVViewSizeValue:
        case QEV_TVFN_SetTVViewPositionValue: copy(cmd(g, c.fn - 1), 2); break;
        case QEV_TVFN_GetTVTuningItemMaxValue:
        case QEV_TVFN_GetTVTuningItemValue:
        case QEV_TVFN_SetTVTuningItemValue:
            b.input[0] = int32_t(lowest(cmd(g, QEV_TVFN_GetTVSupportTuningState).block.output[0]));
            if (c.fn == QEV_TVFN_SetTVTuningItemValue)
                b.input[1] = cmd(g, QEV_TVFN_GetTVTuningItemValue, {b.input[0]}).block.output[0];
            break;
        case QEV_TVFN_GetTVSettingItemState:
        case QEV_TVFN_SetTVSettingItemState:
            b.input[0] = int32_t(lowest(cmd(g, QEV_TVFN_GetTVSupportSettingState).block.output[0]));
            if (c.fn == QEV_TVFN_SetTVSettingItemState)
                b.input[1] = cmd(g, QEV_TVFN_GetTVSettingItemState, {b.input[0]}).block.output[0];
            break;
        default: break;
        }
        return b;
    }
    switch (g * 100 + c.fn) {
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
    case 2011:
        copy(cmd(20, c.fn - 1, {kPanel}), 2);
        b.input[2] = kPanel;
        break;
    case 2203: copy(cmd(22, 2), QEV_CMD_INPUTS); break;
    case 2403: b.input[0] = QEV_OUT_CRT; break;
    case 2405: copy(cmd(24, 4), 2); break;
    default: break;
    }
    return b;
}

char native_order() { return std::endian::native == std::endian::little ? 'l' : 'B'; }
char opposite_order() { return std::endian::native == std::endian::little ? 'B' : 'l'; }

// A server started with a profile of sim/profiles; a raw client in this
// host's byte order and one in the other.
template <class Derived>
class Wire : public qevtest::XServerTest<Derived> {
public:
    static qevtest::XServerOptions server_options() {
        qevtest::XServerOptions o;
        o.profile = qevtest::profile_path(Derived::kProfile);
        return o;
    }

protected:
    void SetUp() override {
        qevtest::XServerTest<Derived>::SetUp();
        if (this->HasFatalFailure()) return;
        native_ = connect(native_order());
        swapped_ = connect(opposite_order());
        ASSERT_TRUE(swapped_->swapped());
        major_ = native_->major_opcode(QEVGFX_EXTENSION_NAME);
        ASSERT_NE(major_, 0) << this->server().log_tail(20);
        ASSERT_EQ(swapped_->major_opcode(QEVGFX_EXTENSION_NAME), major_);
    }
    std::unique_ptr<wire::RawX> connect(char order) {
        auto c = std::make_unique<wire::RawX>();
        std::string err;
        EXPECT_TRUE(c->connect(this->server().display_number(), order, &err)) << err;
        return c;
    }

    // One exchange; fails the test when no reply arrives.
    QevCommandReply send(const QevCommandBlock& b, wire::RawX* c = nullptr) {
        int err = 0;
        auto r = (c ? c : native_.get())->command(major_, b, &err);
        EXPECT_TRUE(r.has_value()) << "command " << b.group << "/" << b.function << ": X error " << err;
        return r.value_or(QevCommandReply{});
    }
    QevCommandReply send(uint32_t g, uint32_t f, std::initializer_list<int32_t> in = {}) {
        return send(make_block(g, f, in));
    }

    // Sends every command of the table, setters with the values their getters
    // report. Every reply is well formed; TV groups answer exactly when their
    // output is supported, every other command always. The client of the
    // other byte order gets the same answers (the driver name as bytes).
    void sweep() {
        uint32_t supported = send(19, 1).block.output[0];
        auto live = [&](const QevCommandBlock& b) { return send(b); };
        for (const Command& c : all_commands()) {
            SCOPED_TRACE(std::to_string(c.group) + "/" + std::to_string(c.fn) + " " + c.name);
            QevCommandBlock b = sensible_block(c, live);
            QevCommandReply r = send(b);
            ASSERT_FALSE(this->HasFailure());
            EXPECT_EQ(r.length, uint32_t(QEV_REPLY_EXTRA_UNITS));
            EXPECT_EQ(r.sequence, native_->last_sequence());
            // Nothing beyond the command's outputs, and nothing at all on refusal.
            for (int i = r.block.status ? c.out : 0; i < QEV_CMD_OUTPUTS; ++i)
                ASSERT_EQ(r.block.output[i], 0) << "stray output word " << i;
            bool answers = !is_tv_group(c.group) || (supported & tv_group_output(c.group));
            EXPECT_EQ(r.block.status != 0, answers) << "inputs " << dump(b.input, std::max(c.in, 1));
            if (c.group == 18 && c.fn == 3) continue;  // the sync counter moves
            QevCommandReply got = send(b, swapped_.get());
            EXPECT_EQ(got.sequence, swapped_->last_sequence());
            EXPECT_EQ(got.block.status, r.block.status);
            if (c.group == 18 && c.fn == 1)
                EXPECT_EQ(swapped_->raw_output_bytes(got), native_->raw_output_bytes(r)) << "name bytes";
            else
                EXPECT_EQ(dump(got.block.output, c.out), dump(r.block.output, c.out));
        }
    }

#ifdef QEV_WIRE_HAVE_MODEL
    // What travels on the wire is what the model, loaded with the same
    // profile, computes for the same block. Answers that follow RandR's view
    // of the screen (group 19, the current mode and rotation) and the sync
    // counter are left out.
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
            if (c.is_setter() || c.group == 19 || (c.group == 24 && c.fn != 1) || (c.group == 18 && c.fn == 3))
                continue;
            SCOPED_TRACE(std::to_string(c.group) + "/" + std::to_string(c.fn) + " " + c.name);
            QevCommandBlock b = sensible_block(c, local);
            QevCommandReply want = local(b), got = send(b);
            EXPECT_EQ(got.block.status != 0, want.block.status != 0);
            EXPECT_EQ(dump(got.block.output, c.out), dump(want.block.output, c.out));
        }
    }
#else
    void compare_with_model() {}
#endif

    std::unique_ptr<wire::RawX> native_, swapped_;
    uint8_t major_ = 0;
};

// Three adapters: the default one; every output of the family (the second TV
// encoders answer too); a driver name filling all 32 bytes (exactly those
// bytes travel, nothing after).
class WireDefault : public Wire<WireDefault> {
public:
    static constexpr const char* kProfile = "default.conf";
};
class WireAllOutputs : public Wire<WireAllOutputs> {
public:
    static constexpr const char* kProfile = "all-outputs.conf";
};
class WireLongDriverName : public Wire<WireLongDriverName> {
public:
    static constexpr const char* kProfile = "long-driver-name.conf";
};

TEST_F(WireDefault, EveryCommandAnswersAsTheModelInBothByteOrders) {
    sweep();
    compare_with_model();
}

TEST_F(WireAllOutputs, EveryCommandAnswersAsTheModelInBothByteOrders) {
    EXPECT_EQ(send(19, 1).block.output[0] & (QEV_OUT_TV2 | QEV_OUT_HDTV2), uint32_t(QEV_OUT_TV2 | QEV_OUT_HDTV2));
    sweep();
    compare_with_model();
}

TEST_F(WireLongDriverName, EveryCommandAnswersAsTheModelInBothByteOrders) {
    auto r = send(18, 1, {kComponent});
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(r.block.output), QEV_DRIVER_NAME_BYTES),
              "qevsim_display_driver_module.so0");
    sweep();
    compare_with_model();
}

// A setter from either client changes the model (read back with its getter),
// then the old value is set again: inputs of both byte orders are decoded,
// the 256 words of a gamma table included.
TEST_F(WireDefault, SettersReachTheModelFromBothByteOrders) {
    struct Row {
        uint32_t set_g, set_f, get_g, get_f;
        std::vector<int32_t> get_in, tail;  // getter inputs; setter inputs after the values
        int n;                              // values: getter outputs = setter inputs
    };
    const Row rows[] = {
        {20, 8, 20, 7, {kPanel}, {kPanel}, 2},
        {QEV_TV_GROUP_TV, QEV_TVFN_SetTVStandard, QEV_TV_GROUP_TV, QEV_TVFN_GetTVStandard, {}, {}, 1},
        {22, 3, 22, 2, {}, {}, 256},
        {24, 5, 24, 4, {}, {}, 2},
        {19, 4, 19, 3, {}, {}, 1},
    };
    for (wire::RawX* c : {native_.get(), swapped_.get()}) {
        for (const Row& row : rows) {
            SCOPED_TRACE(std::to_string(row.set_g) + "/" + std::to_string(row.set_f) +
                         (c->swapped() ? " swapped" : " native"));
            QevCommandBlock get = make_block(row.get_g, row.get_f);
            std::copy(row.get_in.begin(), row.get_in.end(), get.input);
            QevCommandReply before = send(get);
            ASSERT_NE(before.block.status, 0);
            std::vector<int32_t> want(before.block.output, before.block.output + row.n);
            switch (row.set_g) {
            case 20: want = {std::max(want[0] - 1, 1), std::max(want[1] - 1, 1)}; break;
            case 22:
                for (int i = 0; i < 256; ++i) want[size_t(i)] = i * 0x010000 + (255 - i);
                break;
            case 24: want = {want[0] ? want[0] : 2, want[1] == 4 ? 8 : 4}; break;
            case 19: {  // a single connected output other than the current set
                uint32_t connected = send(19, 2).block.output[0], pick = lowest(connected);
                want = {int32_t(pick == uint32_t(want[0]) ? lowest(connected & ~pick) : pick)};
                break;
            }
            default:
                want = {int32_t(lowest(send(row.get_g, QEV_TVFN_GetTVSupportStandardState).block.output[0] &
                                       ~uint32_t(want[0])))};
            }
            ASSERT_NE(want[0], 0);
            std::vector<int32_t> old(before.block.output, before.block.output + row.n);
            for (const std::vector<int32_t>* values : {&want, &old}) {
                const int32_t* v = values->data();
                QevCommandBlock set = make_block(row.set_g, row.set_f);
                std::copy(v, v + row.n, set.input);
                std::copy(row.tail.begin(), row.tail.end(), set.input + row.n);
                EXPECT_NE(send(set, c).block.status, 0);
                EXPECT_EQ(dump(send(get).block.output, row.n), dump(v, row.n));
            }
        }
    }
}

TEST_F(WireDefault, MalformedRequestsGetErrorsAndTheConnectionSurvives) {
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
    QevCommandBlock b = make_block(17, 1);
    for (wire::RawX* c : {native_.get(), swapped_.get()}) {
        for (const Bad& bad : cases) {
            SCOPED_TRACE(std::string(bad.what) + (c->swapped() ? " swapped" : " native"));
            ASSERT_TRUE(c->send_request(c->command_request(major_, b, bad.minor, bad.units, bad.bytes)));
            auto p = c->next();
            ASSERT_TRUE(p.has_value()) << "no answer; connection lost?";
            ASSERT_EQ(p->type(), 0) << "expected an error";
            EXPECT_EQ(p->code(), bad.error);
            EXPECT_EQ(c->u16(p->bytes.data() + 2), c->last_sequence());
            EXPECT_EQ(p->bytes[10], major_) << "major opcode of the error";
            // The next good request is answered normally.
            EXPECT_NE(send(b, c).block.status, 0) << "connection did not survive";
        }
    }
}

TEST_F(WireDefault, UnknownCodesAnswerStatusZero) {
    const std::pair<uint32_t, uint32_t> unknown[] = {
        {0, 0},  {16, 1}, {17, 0},  {17, 6}, {18, 5},  {19, 7},  {19, 14}, {20, 1},        {20, 12},
        {21, 0}, {21, 20}, {22, 4}, {24, 6}, {25, 20}, {27, 1},  {255, 1}, {0xffffffffu, 1}, {17, 0xffffffffu},
    };
    for (auto [g, f] : unknown) {
        SCOPED_TRACE(std::to_string(g) + "/" + std::to_string(f));
        auto r = send(make_block(g, f, {1, 2, 3}));
        EXPECT_EQ(r.block.status, 0);
        for (int i = 0; i < QEV_CMD_OUTPUTS; ++i) ASSERT_EQ(r.block.output[i], 0) << "output " << i;
    }
    // Stale status or outputs in the request are not echoed back.
    QevCommandBlock b = make_block(27, 1);
    b.status = 1;
    for (int i = 0; i < QEV_CMD_OUTPUTS; ++i) b.output[i] = 0x5a5a5a5a;
    auto r = send(b, swapped_.get());
    EXPECT_EQ(r.block.status, 0);
    EXPECT_EQ(r.block.output[0], 0);
    EXPECT_EQ(r.block.output[255], 0);
}

}  // namespace
