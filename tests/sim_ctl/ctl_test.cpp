// qevsim-ctl against a running server: its error messages, the faults it
// injects into QEVGFX_API answers (seen by a raw client, with the
// server staying alive), the command log, the control request on the wire,
// and the Xv adaptors with qevsim-play. Hotplug is the replay test's.
// GoogleTest before the X headers, whose macros (None, Bool) clash with it.
#include "qevtest/qevtest.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xvlib.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <tuple>
#include <thread>
#include <vector>

#include "qev/commands.h"
#include "qev/outputs.h"
#include "wire_client.h"

extern char** environ;

namespace {

constexpr int kBadImplementation = 17;  // X error of the xerror fault

qevtest::RunResult ctl(const std::vector<std::string>& args, const std::vector<std::string>& env = {})
{
    std::vector<std::string> argv{QEVSIM_CTL};
    argv.insert(argv.end(), args.begin(), args.end());
    qevtest::RunOptions o;
    o.env = env;
    return qevtest::run(argv, o);
}

// Runs qevsim-ctl and expects it to succeed; returns its output.
std::string ctl_ok(const std::vector<std::string>& args)
{
    auto r = ctl(args);
    EXPECT_TRUE(r.ok()) << args[0] << ": " << r.err;
    EXPECT_EQ(r.err, "");
    return r.out;
}

// Polls cond for up to timeout_ms.
bool eventually(const std::function<bool()>& cond, int timeout_ms = 10000)
{
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (std::chrono::steady_clock::now() < end) {
        if (cond())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return cond();
}

struct DisplayCloser {
    void operator()(Display* d) const { XCloseDisplay(d); }
};
using DisplayPtr = std::unique_ptr<Display, DisplayCloser>;

// X errors of an Xlib connection, recorded instead of ending the process.
std::vector<int> g_x_errors;
int record_x_error(Display*, XErrorEvent* e)
{
    g_x_errors.push_back(e->error_code);
    return 0;
}

// A program started in the background, ended by its pid.
struct Background {
    pid_t pid = -1;
    explicit Background(std::vector<char*> argv)
    {
        argv.push_back(nullptr);
        if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
            pid = -1;
    }
    ~Background() { kill_and_wait(); }
    int kill_and_wait()
    {
        int status = -1;
        if (pid > 0 && kill(pid, SIGKILL) == 0)
            waitpid(pid, &status, 0);
        pid = -1;
        return status;
    }
};

class Ctl : public qevtest::XServerTest<Ctl> {
protected:
    void SetUp() override
    {
        qevtest::XServerTest<Ctl>::SetUp();
        if (HasFatalFailure())
            return;
        std::string error;
        ASSERT_TRUE(raw_.connect(server().display_number(), 'l', &error)) << error;
        major_ = raw_.major_opcode(QEVGFX_EXTENSION_NAME);
        ASSERT_NE(major_, 0);
        ctl_ok({"fault", "clear"});
    }
    void TearDown() override { ctl({"fault", "clear"}); }

    // One command on the raw connection; nullopt on an X error (its code in *code).
    std::optional<QevCommandReply> command(uint32_t group, uint32_t function,
                                           std::initializer_list<int32_t> in = {}, int* code = nullptr)
    {
        return raw_.command(major_, wire::make_block(group, function, in), code);
    }
    int32_t query(uint32_t group, uint32_t function)
    {
        auto r = command(group, function);
        EXPECT_TRUE(r && r->block.status) << group << "/" << function;
        return r ? r->block.output[0] : -1;
    }
    // The server still answers both of its extensions.
    void expect_alive()
    {
        EXPECT_EQ(query(QEV_CMD_GetDeviceSupportState_GROUP, QEV_CMD_GetDeviceSupportState_FN) & QEV_OUT_CRT,
                  QEV_OUT_CRT);
        EXPECT_EQ(ctl_ok({"state"}).rfind("{\"chip_id\":", 0), 0u);
    }

    wire::RawX raw_;
    uint8_t major_ = 0;
};

TEST_F(Ctl, ErrorsAreOneLineOnStandardErrorWithStatus1)
{
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const Case cases[] = {
        {{"frobnicate"}, "unknown command 'frobnicate'"},
        {{"plug", "VGA"}, "unknown output 'VGA'"},
        {{"unplug", "CRT-2"}, "output 'CRT-2' is not supported"},
        {{"plug"}, "usage: plug OUTPUT"},
        {{"fault", "status0", "19"}, "malformed fault '19'"},
        {{"fault", "xerror", "19/3x"}, "malformed fault '19/3x'"},
        {{"fault", "xerror", "/3"}, "malformed fault '/3'"},
        {{"fault", "shortreply", "19/3", "600"}, "malformed fault: shortreply units must be 0..509"},
        {{"fault", "longreply", "all", "12"}, "malformed fault: longreply units must be 511..65536"},
        {{"fault", "sometimes", "19/3"}, "unknown fault 'sometimes'"},
        {{"overlay", "maybe"}, "overlay wants on, off or auto"},
        {{"set", "no.such.key", "1"}, "key 'no.such.key': unknown key"},
        {{"set", "memory_mb", "0"}, "key 'memory_mb': bad value"},
        {{"log", "everything"}, "usage: log [clear]"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0] + " " + (c.args.size() > 1 ? c.args[1] : ""));
        auto r = ctl(c.args);
        EXPECT_EQ(r.exit_code, 1);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.rfind("qevsim-ctl: ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << "one line: " << r.err;
    }
    auto r = ctl({"restart"}, {"QEVSIM_CONTROL_DIR"});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.err.find("qevsim-run --restartable"), std::string::npos) << r.err;
    r = ctl({"state"}, {"DISPLAY=:77"});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.err.find("cannot open display ':77'"), std::string::npos) << r.err;
    EXPECT_EQ(ctl_ok({"fault"}), "") << "refused faults left nothing behind";
}

TEST_F(Ctl, Status0FaultForOneCommandAndForEvery)
{
    const int32_t active = query(QEV_CMD_GetDeviceActiveState_GROUP, QEV_CMD_GetDeviceActiveState_FN);
    ctl_ok({"fault", "status0", "19/3"});
    ctl_ok({"fault", "status0", "19/4"});
    EXPECT_EQ(ctl_ok({"fault"}), "19/3 status0\n19/4 status0\n");
    // Status 0 is an ordinary reply, without outputs; a refused setting is not
    // carried out; other commands are answered.
    for (auto [group, fn, in] : {std::tuple{19, 3, 0}, std::tuple{19, 4, int(QEV_OUT_CRT)}, std::tuple{17, 1, 0}}) {
        if (group == 17)
            ctl_ok({"fault", "status0", "all"});
        auto r = command(group, fn, {in});
        ASSERT_TRUE(r) << group << "/" << fn;
        EXPECT_EQ(r->block.status, 0);
        EXPECT_EQ(r->block.output[0], 0);
        if (group == 19 && fn == 4) {
            EXPECT_NE(query(QEV_CMD_GetDeviceConnectState_GROUP, QEV_CMD_GetDeviceConnectState_FN), 0);
        }
    }
    ctl_ok({"fault", "clear"});
    EXPECT_EQ(ctl_ok({"fault"}), "");
    EXPECT_EQ(query(QEV_CMD_GetDeviceActiveState_GROUP, QEV_CMD_GetDeviceActiveState_FN), active);
    expect_alive();
}

TEST_F(Ctl, XErrorFaultReachesRawClients)
{
    ctl_ok({"fault", "xerror", "17/1"});
    int code = 0;
    EXPECT_FALSE(command(QEV_CMD_GetChipID_GROUP, QEV_CMD_GetChipID_FN, {}, &code));
    EXPECT_EQ(code, kBadImplementation);
    EXPECT_NE(query(QEV_CMD_GetBIOSVersion_GROUP, QEV_CMD_GetBIOSVersion_FN), 0) << "the connection goes on";

    // Through Xlib (a caller's connection, both sync modes) it is lib_x_test's
    // DriverFaultsDoNotDisturbLaterCalls.
    expect_alive();
}

TEST_F(Ctl, ShortAndLongRepliesKeepTheStreamInStep)
{
    struct Case {
        std::vector<std::string> fault;
        uint32_t units;
    };
    const Case cases[] = {{{"shortreply", "19/3"}, 255},
                          {{"shortreply", "19/3", "0"}, 0},
                          {{"longreply", "19/3"}, 520},
                          {{"longreply", "all", "1000"}, 1000}};
    const int32_t active = query(QEV_CMD_GetDeviceActiveState_GROUP, QEV_CMD_GetDeviceActiveState_FN);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault[0] + " " + std::to_string(c.units));
        std::vector<std::string> args{"fault"};
        args.insert(args.end(), c.fault.begin(), c.fault.end());
        ctl_ok(args);
        ASSERT_TRUE(raw_.send_request(raw_.command_request(
            major_, wire::make_block(QEV_CMD_GetDeviceActiveState_GROUP, QEV_CMD_GetDeviceActiveState_FN))));
        auto p = raw_.next();
        ASSERT_TRUE(p);
        ASSERT_EQ(p->type(), 1);
        EXPECT_EQ(raw_.u32(p->bytes.data() + 4), c.units);
        EXPECT_EQ(p->bytes.size(), 32 + 4 * size_t(c.units));
        EXPECT_EQ(raw_.decode_reply(*p).has_value(), false) << "not a well-formed command reply";
        if (c.units > QEV_REPLY_EXTRA_UNITS) {
            // The block itself is intact; the rest is padding.
            uint32_t status = raw_.u32(p->bytes.data() + QEV_REPLY_STATUS_OFFSET);
            uint32_t word0 = raw_.u32(p->bytes.data() + QEV_REPLY_OUTPUT_OFFSET);
            EXPECT_NE(status, 0u);
            EXPECT_EQ(word0, static_cast<uint32_t>(active));
        }
        ctl_ok({"fault", "clear"});
        // The next exchange on the same connection is in step.
        EXPECT_EQ(query(QEV_CMD_GetDeviceActiveState_GROUP, QEV_CMD_GetDeviceActiveState_FN), active);
    }
    expect_alive();
}

TEST_F(Ctl, LogRecordsEveryCommandWithItsInputs)
{
    ctl_ok({"log", "clear"});
    EXPECT_EQ(ctl_ok({"log"}), "");
    command(QEV_CMD_GetPanelViewSizeValue_GROUP, QEV_CMD_GetPanelViewSizeValue_FN, {QEV_OUT_LCD});
    command(QEV_TV_GROUP_TV, 16, {0x4, 60});
    ctl_ok({"fault", "status0", "19/3"});
    command(QEV_CMD_GetDeviceActiveState_GROUP, QEV_CMD_GetDeviceActiveState_FN);
    ctl_ok({"fault", "xerror", "99/7"});
    command(99, 7, {1, 2, 3});
    std::ostringstream want;
    want << QEV_CMD_GetPanelViewSizeValue_GROUP << "/" << QEV_CMD_GetPanelViewSizeValue_FN
         << " status=1 inputs=" << QEV_OUT_LCD << "\n"
         << QEV_TV_GROUP_TV << "/16 status=1 inputs=4,60\n"
         << "19/3 status=0 inputs= fault=status0\n"
         << "99/7 status=0 inputs=1,2,3,0,0,0,0,0 fault=xerror\n";
    EXPECT_EQ(ctl_ok({"log"}), want.str());
    ctl_ok({"log", "clear"});
    EXPECT_EQ(ctl_ok({"log"}), "");
}

// The control request on the wire: malformed requests are X errors and leave
// the server alive; a client of the other byte order gets its answer in its
// own order.
TEST_F(Ctl, ControlRequestsOnTheWire)
{
    for (char order : {'l', 'B'}) {
        SCOPED_TRACE(order);
        wire::RawX x;
        std::string error;
        ASSERT_TRUE(x.connect(server().display_number(), order, &error)) << error;
        uint8_t major = x.major_opcode("QEVSIM_CONTROL");
        ASSERT_NE(major, 0);
        // words: the command's words with their zero bytes; n: the count written.
        auto request = [&](const std::string& words, uint32_t n, uint8_t minor = 1) {
            std::vector<uint8_t> req(8 + ((words.size() + 3) & ~size_t{3}), 0);
            req[0] = major;
            req[1] = minor;
            x.put16(req.data() + 2, uint16_t(req.size() / 4));
            x.put32(req.data() + 4, n);
            std::memcpy(req.data() + 8, words.data(), words.size());
            EXPECT_TRUE(x.send_request(req));
            auto p = x.next();
            EXPECT_TRUE(p);
            return p ? *p : wire::Packet{};
        };
        const std::string overlay("overlay\0", 8), bad_output("plug\0VGA\0", 9);
        auto p = request(overlay, 8);
        ASSERT_EQ(p.type(), 1);
        EXPECT_EQ(p.bytes[1], 0) << "done";
        ASSERT_EQ(x.u32(p.bytes.data() + 8), 7u);
        EXPECT_EQ(x.u32(p.bytes.data() + 4), 2u);
        EXPECT_EQ(std::string(p.bytes.begin() + 32, p.bytes.begin() + 39), "0 auto\n");
        p = request(bad_output, 9);
        ASSERT_EQ(p.type(), 1) << "error " << int(p.code());
        EXPECT_EQ(p.bytes[1], 1) << "refused";
        EXPECT_EQ(std::string(p.bytes.begin() + 32, p.bytes.begin() + 32 + x.u32(p.bytes.data() + 8)),
                  "unknown output 'VGA'");
        EXPECT_EQ(request(overlay, 4).code(), BadLength) << "n and the length disagree";
        EXPECT_EQ(request(overlay, 0xfffffff0u).code(), BadLength);
        EXPECT_EQ(request(std::string("overlay"), 7).code(), BadLength) << "the last word is not ended";
        EXPECT_EQ(request(overlay, 8, 2).code(), BadRequest);
        std::string many;
        for (int i = 0; i < 17; i++)
            many += std::string("a\0", 2);
        EXPECT_EQ(request(many, uint32_t(many.size())).code(), BadValue);
        EXPECT_EQ(request("", 0).bytes[1], 1) << "no command: refused, not an error";
    }
    expect_alive();
}

// ---- Xv --------------------------------------------------------------------------

class CtlXv : public Ctl {
protected:
    void SetUp() override
    {
        Ctl::SetUp();
        if (HasFatalFailure())
            return;
        dpy_.reset(XOpenDisplay(server().display().c_str()));
        ASSERT_TRUE(dpy_);
        unsigned count = 0;
        XvAdaptorInfo* info = nullptr;
        ASSERT_EQ(XvQueryAdaptors(dpy_.get(), DefaultRootWindow(dpy_.get()), &count, &info), Success);
        for (unsigned i = 0; i < count; i++) {
            if (std::strcmp(info[i].name, "XV_TEXTURE") == 0 && !texture_)
                texture_ = info[i].base_id;
            if (std::strcmp(info[i].name, "XV_SWOV") == 0 && !swov_)
                swov_ = info[i].base_id;
        }
        XvFreeAdaptorInfo(info);
        ASSERT_NE(texture_, 0u);
        ASSERT_NE(swov_, 0u);
        ctl_ok({"overlay", "auto"});
    }
    void TearDown() override
    {
        ctl({"overlay", "auto"});
        Ctl::TearDown();
    }
    // get: the attribute's value, or the X error code negated; set: 0, or
    // the X error code.
    int xv(XvPortID port, const char* name, const int* value = nullptr)
    {
        g_x_errors.clear();
        auto* old = XSetErrorHandler(record_x_error);
        int got = 0;
        if (value)
            XvSetPortAttribute(dpy_.get(), port, XInternAtom(dpy_.get(), name, False), *value);
        else
            XvGetPortAttribute(dpy_.get(), port, XInternAtom(dpy_.get(), name, False), &got);
        XSync(dpy_.get(), False);
        XSetErrorHandler(old);
        return g_x_errors.empty() ? got : value ? g_x_errors.front() : -g_x_errors.front();
    }
    int get(XvPortID port, const char* name) { return xv(port, name); }
    int set(XvPortID port, const char* name, int value) { return xv(port, name, &value); }
    int overlay_status() { return get(texture_, "XV_OVERLAYSTATUS"); }

    DisplayPtr dpy_;
    XvPortID texture_ = 0, swov_ = 0;
};

TEST_F(CtlXv, AttributesAreRangeCheckedAndBelongToTheirAdaptor)
{
    EXPECT_EQ(get(swov_, "XV_SATURATION"), 10000);
    EXPECT_EQ(set(swov_, "XV_HUE", 181), BadValue);
    EXPECT_EQ(set(swov_, "XV_HUE", -181), BadValue);
    EXPECT_EQ(set(swov_, "XV_HUE", -45), 0);
    EXPECT_EQ(get(swov_, "XV_HUE"), -45);
    EXPECT_NE(ctl_ok({"state"}).find("\"hue\":{\"offered\":1,\"min\":-180,\"max\":180,\"value\":-45}"),
              std::string::npos);
    EXPECT_EQ(set(swov_, "XV_HUE", 0), 0);

    // Each adaptor refuses the other's attributes; the status is read-only.
    EXPECT_EQ(set(texture_, "XV_BRIGHTNESS", 100), BadMatch);
    EXPECT_EQ(get(texture_, "XV_CONTRAST"), -BadMatch);
    EXPECT_EQ(set(texture_, "XV_OVERLAYSTATUS", 1), BadMatch);
    EXPECT_EQ(get(swov_, "XV_OVERLAYSTATUS"), -BadMatch);
    EXPECT_EQ(set(swov_, "XV_COLORKEY", 1), BadMatch);
}

TEST_F(CtlXv, OverlayStatusWhileQevsimPlayShowsVideo)
{
    ASSERT_EQ(overlay_status(), 0);
    {
        Background player({const_cast<char*>(QEVSIM_PLAY)});
        ASSERT_GT(player.pid, 0);
        EXPECT_TRUE(eventually([&] { return overlay_status() == 1; })) << "non-zero while playing";
        EXPECT_EQ(ctl_ok({"overlay"}), "1 auto\n");
        // Forcing wins over the ports, auto gives control back.
        ctl_ok({"overlay", "off"});
        EXPECT_EQ(overlay_status(), 0);
        ctl_ok({"overlay", "auto"});
        EXPECT_EQ(overlay_status(), 1);
        int status = player.kill_and_wait();
        EXPECT_TRUE(WIFSIGNALED(status));
        EXPECT_TRUE(eventually([&] { return overlay_status() == 0; })) << "0 once the player is killed";
    }
    // A player that ends by itself stops its video.
    auto r = qevtest::run({QEVSIM_PLAY, "0.3"});
    EXPECT_TRUE(r.ok()) << r.err;
    EXPECT_EQ(r.out, "playing " + std::to_string(swov_) + "\n");
    EXPECT_EQ(overlay_status(), 0);

    ctl_ok({"overlay", "on"});
    EXPECT_EQ(overlay_status(), 1) << "forced on without video";
    EXPECT_EQ(ctl_ok({"overlay"}), "1 on\n");
}

// ---- QEVGFX_API disabled -----------------------------------------------------------

class CtlWithoutApi : public qevtest::XServerTest<CtlWithoutApi> {
public:
    static qevtest::XServerOptions server_options()
    {
        qevtest::XServerOptions o;
        o.device_options = {{"DisableExtension", "true"}};
        return o;
    }
};

TEST_F(CtlWithoutApi, ControlStillWorks)
{
    wire::RawX raw;
    std::string error;
    ASSERT_TRUE(raw.connect(server().display_number(), 'B', &error)) << error;
    EXPECT_EQ(raw.major_opcode(QEVGFX_EXTENSION_NAME), 0);
    EXPECT_NE(raw.major_opcode("QEVSIM_CONTROL"), 0);
    EXPECT_NE(raw.major_opcode("RANDR"), 0);
    EXPECT_EQ(ctl_ok({"state"}).rfind("{\"chip_id\":", 0), 0u);
    ctl_ok({"unplug", "TV"});
    EXPECT_NE(qevtest::run({"xrandr"}).out.find("\nTV disconnected"), std::string::npos);
    ctl_ok({"plug", "TV"});
    ctl_ok({"fault", "status0", "all"});
    EXPECT_EQ(ctl_ok({"fault"}), "all status0\n");
}

}  // namespace
