// The qevsim Xorg driver in a real Xorg: RandR outputs, modes and properties
// from the model, RandR changes reaching the model (read back through the
// QEVGFX_API extension), extension changes reaching RandR, the wire rules of
// the extension and the Device options.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "qevtest/qevtest.h"
#include "raw_client.h"
#include "qev/commands.h"
#include "qev/outputs.h"
#include "qev/protocol.h"
#include "qevsim_model.h"

namespace {

using simdrv::RawClient;
using Server = qevtest::XServer;

struct OutputName {
    const char* name;
    unsigned bit;
};
constexpr OutputName kOutputs[] = {
#define SIMDRV_OUTPUT_(name, bit) {name, bit},
    QEV_RANDR_OUTPUT_TABLE(SIMDRV_OUTPUT_)
#undef SIMDRV_OUTPUT_
};

const char* name_of(unsigned bit)
{
    for (const auto& o : kOutputs)
        if (o.bit == bit)
            return o.name;
    return "";
}

// ---- xrandr output ----------------------------------------------------------

struct ModeLine {
    std::string name;
    std::vector<std::string> rates;  // as printed, with their * and + marks
};

struct OutputState {
    bool connected = false;
    bool lit = false;
    int width = 0, height = 0, x = 0, y = 0;
    std::string rotation = "normal";
    std::vector<ModeLine> modes;
};

struct Screen {
    int width = 0, height = 0;
    std::map<std::string, OutputState> outputs;
};

Screen parse_xrandr(const std::string& text)
{
    Screen s;
    std::istringstream in(text);
    std::string line;
    OutputState* cur = nullptr;
    while (std::getline(in, line)) {
        if (line.rfind("Screen ", 0) == 0) {
            auto at = line.find("current ");
            if (at != std::string::npos)
                std::sscanf(line.c_str() + at, "current %d x %d", &s.width, &s.height);
            continue;
        }
        std::istringstream words(line);
        std::vector<std::string> w;
        for (std::string t; words >> t;)
            w.push_back(t);
        if (w.empty())
            continue;
        if (line[0] != ' ' && w.size() >= 2) {
            cur = &s.outputs[w[0]];
            cur->connected = w[1] == "connected";
            for (size_t i = 2; i < w.size() && w[i][0] != '('; i++) {
                int a, b, c, d;
                if (std::sscanf(w[i].c_str(), "%dx%d+%d+%d", &a, &b, &c, &d) == 4) {
                    cur->lit = true;
                    cur->width = a, cur->height = b, cur->x = c, cur->y = d;
                } else if (w[i] == "left" || w[i] == "right" || w[i] == "inverted") {
                    cur->rotation = w[i];
                }
            }
            continue;
        }
        if (cur && line.rfind("   ", 0) == 0 && line.find(':') == std::string::npos) {
            ModeLine m;
            m.name = w[0];
            for (size_t i = 1; i < w.size(); i++) {
                if (w[i].find_first_not_of("*+") == std::string::npos && !m.rates.empty())
                    m.rates.back() += w[i];  // a mark printed apart from its rate
                else
                    m.rates.push_back(w[i]);
            }
            cur->modes.push_back(m);
        }
    }
    return s;
}

// xrandr prints rates with two decimals, computed from the modeline.
bool same_rate(const std::string& printed, int refresh_mhz)
{
    return std::fabs(std::atof(printed.c_str()) - refresh_mhz / 1000.0) < 0.0051;
}

std::string mode_name(const QevSimMode& m)
{
    return std::to_string(m.width) + "x" + std::to_string(m.height);
}

// The connected outputs that have modes, in table order.
std::vector<unsigned> outputs_with_modes(QevSimModel* model)
{
    unsigned connected = qevsim_model_connected(model);
    std::vector<unsigned> bits;
    for (const auto& o : kOutputs)
        if ((connected & o.bit) && qevsim_model_mode_count(model, o.bit) > 0)
            bits.push_back(o.bit);
    return bits;
}

// A command with one input word.
RawClient::Response one_input(RawClient& c, int major, int group, int function, int32_t input)
{
    QevCommandBlock block{};
    block.group = static_cast<uint32_t>(group);
    block.function = static_cast<uint32_t>(function);
    block.input[0] = input;
    return c.command(major, QEVGFX_MINOR_COMMAND, block);
}

// Runs a program against the server's display.
qevtest::RunResult run_on(const qevtest::XServer& server, const std::vector<std::string>& argv)
{
    qevtest::RunOptions options;
    options.env = {"DISPLAY=" + server.display()};
    return qevtest::run(argv, options);
}

// Options of a server with these Device options (and server arguments).
qevtest::XServerOptions with(std::vector<std::pair<std::string, std::string>> device_options,
                             std::vector<std::string> extra_args = {})
{
    qevtest::XServerOptions o;
    o.device_options = std::move(device_options);
    o.extra_args = std::move(extra_args);
    return o;
}

// ---- the shared server ------------------------------------------------------

class SimDriver : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        server_ = new Server;
        std::string error;
        ASSERT_TRUE(server_->start({}, &error)) << error;
        model_ = qevsim_model_new();
    }
    static void TearDownTestSuite()
    {
        delete server_;
        server_ = nullptr;
        qevsim_model_free(model_);
        model_ = nullptr;
    }
    void SetUp() override
    {
        ASSERT_NE(server_, nullptr);
        ASSERT_TRUE(client_.connect(server_->display_number(), false));
        major_ = client_.query_extension(QEVGFX_EXTENSION_NAME);
        ASSERT_NE(major_, 0);
    }

    static std::string xrandr(const std::vector<std::string>& args, int* status = nullptr)
    {
        std::vector<std::string> argv{"xrandr"};
        argv.insert(argv.end(), args.begin(), args.end());
        auto r = run_on(*server_, argv);
        if (status)
            *status = r.exit_code;
        return r.out;
    }
    static Screen screen() { return parse_xrandr(xrandr({})); }

    // Sends a command; returns the reply (ok false on an X error).
    RawClient::Response command(int group, int function, std::vector<int32_t> inputs = {})
    {
        QevCommandBlock block{};
        block.group = static_cast<uint32_t>(group);
        block.function = static_cast<uint32_t>(function);
        for (size_t i = 0; i < inputs.size(); i++)
            block.input[i] = inputs[i];
        return client_.command(major_, QEVGFX_MINOR_COMMAND, block);
    }
    uint32_t status(const RawClient::Response& r) { return client_.word(r, QEV_REPLY_STATUS_OFFSET); }
    uint32_t out(const RawClient::Response& r, int i) { return client_.word(r, QEV_REPLY_OUTPUT_OFFSET + 4 * i); }
    unsigned active_mask()
    {
        auto r = command(QEV_CMD_GetDeviceActiveState_GROUP, QEV_CMD_GetDeviceActiveState_FN);
        EXPECT_TRUE(r.ok);
        EXPECT_NE(status(r), 0u);
        return out(r, 0);
    }
    unsigned lit_mask()
    {
        unsigned mask = 0;
        for (const auto& [name, st] : screen().outputs)
            for (const auto& o : kOutputs)
                if (name == o.name && st.lit)
                    mask |= o.bit;
        return mask;
    }

    // Two connected outputs: the model's primary and another one.
    bool pick_pair(unsigned* first, unsigned* second)
    {
        unsigned connected = qevsim_model_connected(model_);
        *first = qevsim_model_primary(model_) & connected;
        if (!*first)
            for (const auto& o : kOutputs)
                if ((connected & o.bit) && !*first)
                    *first = o.bit;
        *second = 0;
        for (const auto& o : kOutputs)
            if ((connected & o.bit) && o.bit != *first && !*second && qevsim_model_mode_count(model_, o.bit) > 0)
                *second = o.bit;
        return *first && *second;
    }

    // Back to the initial state: only the first output lit, unrotated, unscaled.
    void reset_to(unsigned only)
    {
        std::vector<std::string> args;
        for (const auto& o : kOutputs) {
            if (!(qevsim_model_supported(model_) & o.bit))
                continue;
            args.insert(args.end(), {"--output", o.name});
            if (o.bit == only)
                args.insert(args.end(), {"--auto", "--pos", "0x0", "--rotate", "normal", "--scale", "1x1"});
            else
                args.push_back("--off");
        }
        int rc = 0;
        xrandr(args, &rc);
        ASSERT_EQ(rc, 0);
    }

    static Server* server_;
    static QevSimModel* model_;  // a model in the default profile: what the driver starts from
    RawClient client_;
    int major_ = 0;
};

Server* SimDriver::server_ = nullptr;
QevSimModel* SimDriver::model_ = nullptr;

TEST_F(SimDriver, ListsTheModelsOutputsModesAndExactRates)
{
    Screen s = screen();
    unsigned supported = qevsim_model_supported(model_), connected = qevsim_model_connected(model_);
    std::vector<std::string> order;
    for (const auto& o : kOutputs) {
        SCOPED_TRACE(o.name);
        ASSERT_EQ(s.outputs.count(o.name), (supported & o.bit) ? 1u : 0u);
        if (!(supported & o.bit))
            continue;
        const OutputState& st = s.outputs[o.name];
        EXPECT_EQ(st.connected, (connected & o.bit) != 0);
        if (!st.connected)
            continue;
        int n = qevsim_model_mode_count(model_, o.bit);
        ASSERT_GT(n, 0);
        QevSimMode pref{};
        ASSERT_TRUE(qevsim_model_mode_get(model_, o.bit, 0, &pref));
        ASSERT_FALSE(st.modes.empty());
        EXPECT_EQ(st.modes[0].name, mode_name(pref));
        EXPECT_NE(st.modes[0].rates.at(0).find('+'), std::string::npos) << "preferred mode listed first";
        // Every model mode is listed with its exact rate, and nothing else is.
        size_t listed = 0;
        for (const auto& m : st.modes)
            listed += m.rates.size();
        EXPECT_EQ(listed, static_cast<size_t>(n));
        for (int i = 0; i < n; i++) {
            QevSimMode m{};
            ASSERT_TRUE(qevsim_model_mode_get(model_, o.bit, i, &m));
            bool found = false;
            for (const auto& line : st.modes)
                if (line.name == mode_name(m))
                    for (const auto& r : line.rates)
                        found |= same_rate(r, m.refresh_mhz);
            EXPECT_TRUE(found) << mode_name(m) << " at " << m.refresh_mhz << " mHz";
        }
    }
    // RandR lights what the extension reports active.
    EXPECT_EQ(lit_mask(), active_mask());
    EXPECT_EQ(active_mask(), qevsim_model_active(model_) & connected);
}

TEST_F(SimDriver, RotationReflectionAndScaling)
{
    unsigned a, b;
    if (!pick_pair(&a, &b))
        GTEST_SKIP();
    reset_to(a);
    Screen before = screen();
    const OutputState& st = before.outputs[name_of(a)];
    int rc = 0;

    xrandr({"--output", name_of(a), "--rotate", "left"}, &rc);
    ASSERT_EQ(rc, 0);
    Screen s = screen();
    EXPECT_EQ(s.outputs[name_of(a)].rotation, "left");
    EXPECT_EQ(s.width, st.height);
    EXPECT_EQ(s.height, st.width);
    auto rot = command(QEV_CMD_GetRotationInfo_GROUP, QEV_CMD_GetRotationInfo_FN);
    ASSERT_NE(status(rot), 0u);
    EXPECT_EQ(out(rot, 1), 2u) << "left is 90 degrees counter-clockwise";

    xrandr({"--output", name_of(a), "--rotate", "inverted", "--reflect", "x"}, &rc);
    EXPECT_EQ(rc, 0);
    rot = command(QEV_CMD_GetRotationInfo_GROUP, QEV_CMD_GetRotationInfo_FN);
    EXPECT_EQ(out(rot, 1) & 0xf, 4u);

    xrandr({"--output", name_of(a), "--rotate", "normal", "--reflect", "normal", "--scale", "1.25x1.25"}, &rc);
    ASSERT_EQ(rc, 0);
    s = screen();
    EXPECT_EQ(s.width, static_cast<int>(std::lround(st.width * 1.25)));
    EXPECT_EQ(s.height, static_cast<int>(std::lround(st.height * 1.25)));
    EXPECT_NE(xrandr({"--verbose"}).find("Transform:  1.250000"), std::string::npos);
    rot = command(QEV_CMD_GetRotationInfo_GROUP, QEV_CMD_GetRotationInfo_FN);
    EXPECT_EQ(out(rot, 1), 1u);

    reset_to(a);
    EXPECT_EQ(screen().width, st.width);
}

TEST_F(SimDriver, ModeAndRefreshChoice)
{
    unsigned a, b;
    if (!pick_pair(&a, &b))
        GTEST_SKIP();
    reset_to(a);
    // A mode other than the preferred one.
    QevSimMode pref{}, other{};
    ASSERT_TRUE(qevsim_model_mode_get(model_, a, 0, &pref));
    bool found = false;
    for (int i = 1; i < qevsim_model_mode_count(model_, a) && !found; i++)
        found = qevsim_model_mode_get(model_, a, i, &other) &&
                (other.width != pref.width || other.height != pref.height);
    if (!found)
        GTEST_SKIP() << "one size only";
    char rate[32];
    std::snprintf(rate, sizeof rate, "%.1f", other.refresh_mhz / 1000.0);
    int rc = 0;
    xrandr({"--output", name_of(a), "--mode", mode_name(other), "--refresh", rate}, &rc);
    ASSERT_EQ(rc, 0);
    Screen s = screen();
    EXPECT_EQ(s.outputs[name_of(a)].width, other.width);
    EXPECT_EQ(s.outputs[name_of(a)].height, other.height);
    EXPECT_EQ(s.width, other.width);
    bool current = false;
    for (const auto& m : s.outputs[name_of(a)].modes)
        if (m.name == mode_name(other))
            for (const auto& r : m.rates)
                current |= same_rate(r, other.refresh_mhz) && r.find('*') != std::string::npos;
    EXPECT_TRUE(current);
    reset_to(a);
}

TEST_F(SimDriver, ExtensionSwitchesRandrOutputs)
{
    unsigned a, b;
    if (!pick_pair(&a, &b))
        GTEST_SKIP();
    reset_to(a);
    auto r = command(QEV_CMD_SetDeviceActiveState_GROUP, QEV_CMD_SetDeviceActiveState_FN,
                     {static_cast<int32_t>(a | b)});
    ASSERT_TRUE(r.ok);
    ASSERT_NE(status(r), 0u);
    EXPECT_EQ(lit_mask(), a | b);
    EXPECT_EQ(active_mask(), a | b);

    r = command(QEV_CMD_SetDeviceActiveState_GROUP, QEV_CMD_SetDeviceActiveState_FN, {static_cast<int32_t>(b)});
    ASSERT_NE(status(r), 0u);
    Screen s = screen();
    EXPECT_FALSE(s.outputs[name_of(a)].lit);
    EXPECT_TRUE(s.outputs[name_of(b)].lit);
    EXPECT_EQ(s.width, s.outputs[name_of(b)].width) << "the screen follows the remaining output";
    EXPECT_EQ(active_mask(), b);
    reset_to(a);
    EXPECT_EQ(active_mask(), a);
}

TEST_F(SimDriver, ExtensionRotationTurnsTheLitCrtcs)
{
    unsigned a, b;
    if (!pick_pair(&a, &b))
        GTEST_SKIP();
    reset_to(a);
    const int width = screen().width, height = screen().height;
    auto r = command(QEV_CMD_SetRotationInfo_GROUP, QEV_CMD_SetRotationInfo_FN, {2, 8});
    if (!status(r))
        GTEST_SKIP() << "the model refuses rotation commands";
    Screen s = screen();
    EXPECT_EQ(s.outputs[name_of(a)].rotation, "right");
    EXPECT_EQ(s.width, height);
    EXPECT_EQ(s.height, width);
    // A query afterwards leaves RandR alone.
    xrandr({"--output", name_of(a), "--rotate", "inverted"});
    command(QEV_CMD_GetRotationInfo_GROUP, QEV_CMD_GetRotationInfo_FN);
    EXPECT_EQ(screen().outputs[name_of(a)].rotation, "inverted");
    reset_to(a);
}

TEST_F(SimDriver, OutputPropertiesMirrorTheModel)
{
    const std::string verbose = xrandr({"--verbose"});
    int checked = 0;
    for (const auto& o : kOutputs) {
        if (!(qevsim_model_supported(model_) & o.bit))
            continue;
        for (int i = 0; i < qevsim_model_property_count(model_, o.bit); i++) {
            QevSimProperty p{};
            ASSERT_TRUE(qevsim_model_property_get(model_, o.bit, i, &p));
            SCOPED_TRACE(std::string(o.name) + " " + p.name);
            EXPECT_NE(verbose.find(std::string("\t") + p.name + ": "), std::string::npos);
            if (p.is_atom || checked)
                continue;
            // An integer property inside its range is taken, one outside is refused.
            int rc = 0;
            int v = p.value == p.max ? p.min : p.max;
            xrandr({"--output", o.name, "--set", p.name, std::to_string(v)}, &rc);
            EXPECT_EQ(rc, 0);
            EXPECT_NE(xrandr({"--verbose"}).find(std::string(p.name) + ": " + std::to_string(v)), std::string::npos);
            xrandr({"--output", o.name, "--set", p.name, std::to_string(p.max + 1)}, &rc);
            EXPECT_NE(rc, 0);
            xrandr({"--output", o.name, "--set", p.name, std::to_string(p.value)}, &rc);
            EXPECT_EQ(rc, 0);
            checked++;
        }
    }
    if (!checked)
        GTEST_SKIP() << "the default profile has no integer output property";
}

TEST_F(SimDriver, TvStandardSetThroughTheExtensionShowsInRandr)
{
    if (!(qevsim_model_supported(model_) & QEV_OUT_TV) || qevsim_model_property_count(model_, QEV_OUT_TV) == 0)
        GTEST_SKIP() << "no TV output";
    static const std::pair<unsigned, const char*> kStandards[] = {
        {QEV_TVSTD_NTSC, "NTSC"}, {QEV_TVSTD_PAL, "PAL"},   {QEV_TVSTD_480P, "480P"},  {QEV_TVSTD_576P, "576P"},
        {QEV_TVSTD_720P, "720P"}, {QEV_TVSTD_1080I, "1080I"}, {QEV_TVSTD_1080P, "1080P"},
    };
    auto sup = command(QEV_TV_GROUP_TV, QEV_TVFN_GetTVSupportStandardState);
    auto cur = command(QEV_TV_GROUP_TV, QEV_TVFN_GetTVStandard);
    if (!status(sup) || !status(cur))
        GTEST_SKIP() << "TV standards are not served";
    for (const auto& [bit, name] : kStandards) {
        if (!(out(sup, 0) & bit) || bit == out(cur, 0))
            continue;
        auto set = command(QEV_TV_GROUP_TV, QEV_TVFN_SetTVStandard, {static_cast<int32_t>(bit)});
        ASSERT_NE(status(set), 0u);
        EXPECT_NE(xrandr({"--verbose"}).find(std::string("Type: ") + name), std::string::npos);
        command(QEV_TV_GROUP_TV, QEV_TVFN_SetTVStandard, {static_cast<int32_t>(out(cur, 0))});
        return;
    }
    GTEST_SKIP() << "only one TV standard";
}

// ---- servers with their own configuration -----------------------------------

TEST(SimDriverConfig, MalformedProfileStopsTheServerWithOneClearLine)
{
    qevtest::TempDir dir("simdrv");
    const std::string path = dir.file("broken.profile");
    ASSERT_TRUE(qevtest::write_file(path, "# a profile\nno_such_key_at_all = 12\n"));
    Server server;
    EXPECT_FALSE(server.start(with({{"Profile", path}})));
    const std::string log = server.log();
    EXPECT_NE(log.find(path + ":2"), std::string::npos) << log;
    EXPECT_NE(log.find("no_such_key_at_all"), std::string::npos);
}

TEST(SimDriverConfig, DisableExtensionOptionLeavesOnlyRandr)
{
    Server server;
    ASSERT_TRUE(server.start(with({{"DisableExtension", "true"}}))) << server.log();
    RawClient c;
    ASSERT_TRUE(c.connect(server.display_number(), false));
    EXPECT_EQ(c.query_extension(QEVGFX_EXTENSION_NAME), 0);
    EXPECT_NE(c.query_extension("RANDR"), 0);
}

TEST(SimDriverConfig, ActiveDeviceAndRotateOptionsDecideTheStart)
{
    std::unique_ptr<QevSimModel, void (*)(QevSimModel*)> model(qevsim_model_new(), qevsim_model_free);
    unsigned connected = qevsim_model_connected(model.get());
    std::vector<unsigned> bits = outputs_with_modes(model.get());
    if (bits.size() < 2)
        GTEST_SKIP();
    // The second and first connected outputs, in that order: primary first.
    const std::string value = std::string(name_of(bits[1])) + ", " + name_of(bits[0]);
    char err[256] = "";
    ASSERT_TRUE(qevsim_model_apply_option(model.get(), "ActiveDevice", value.c_str(), err, sizeof err)) << err;
    Server server;
    ASSERT_TRUE(server.start(with({{"ActiveDevice", value}, {"RotateType", "HW"}, {"Rotate", "CW"}}))) << server.log();
    std::string text = run_on(server, {"xrandr"}).out;
    Screen s = parse_xrandr(text);
    unsigned lit = 0;
    for (const auto& o : kOutputs)
        if (s.outputs.count(o.name) && s.outputs[o.name].lit)
            lit |= o.bit;
    EXPECT_EQ(lit, qevsim_model_active(model.get()) & connected);
    EXPECT_TRUE(lit & bits[1]);
    EXPECT_EQ(s.outputs[name_of(bits[1])].rotation, "right") << "CW is RandR's right";
}

TEST(SimDriverConfig, WithoutRandrTheExtensionStillSwitchesOutputs)
{
    std::unique_ptr<QevSimModel, void (*)(QevSimModel*)> model(qevsim_model_new(), qevsim_model_free);
    std::vector<unsigned> bits = outputs_with_modes(model.get());
    if (bits.size() < 2)
        GTEST_SKIP();
    Server server;
    ASSERT_TRUE(server.start(with({}, {"-extension", "RANDR"}))) << server.log();
    RawClient c;
    ASSERT_TRUE(c.connect(server.display_number(), false));
    EXPECT_EQ(c.query_extension("RANDR"), 0);
    int major = c.query_extension(QEVGFX_EXTENSION_NAME);
    ASSERT_NE(major, 0);
    auto ask = [&](int group, int function, int32_t input) { return one_input(c, major, group, function, input); };
    for (unsigned mask : {bits[0], bits[1], bits[0] | bits[1], bits[0]}) {
        auto r = ask(QEV_CMD_SetDeviceActiveState_GROUP, QEV_CMD_SetDeviceActiveState_FN, static_cast<int32_t>(mask));
        ASSERT_TRUE(r.ok);
        EXPECT_NE(c.word(r, QEV_REPLY_STATUS_OFFSET), 0u);
        r = ask(QEV_CMD_GetDeviceActiveState_GROUP, QEV_CMD_GetDeviceActiveState_FN, 0);
        ASSERT_TRUE(r.ok) << "the server survives";
        EXPECT_EQ(c.word(r, QEV_REPLY_OUTPUT_OFFSET), mask);
    }
    auto r = ask(QEV_CMD_SetRotationInfo_GROUP, QEV_CMD_SetRotationInfo_FN, 2);
    ASSERT_TRUE(r.ok);
}

TEST(SimDriverConfig, ProfileWithAnActiveHdtvLightsTheTvOutput)
{
    qevtest::TempDir dir("simdrv");
    const std::string path = dir.file("hdtv.profile");
    const std::string text = "supported = CRT,LCD,TV,HDTV\nconnected = CRT,LCD,TV,HDTV\nactive = CRT,HDTV\n";
    ASSERT_TRUE(qevtest::write_file(path, text));
    std::unique_ptr<QevSimModel, void (*)(QevSimModel*)> model(qevsim_model_new(), qevsim_model_free);
    char err[256] = "";
    ASSERT_TRUE(qevsim_model_load_profile(model.get(), path.c_str(), err, sizeof err)) << err;

    Server server;
    ASSERT_TRUE(server.start(with({{"Profile", path}}))) << server.log();
    std::string out = run_on(server, {"xrandr"}).out;
    Screen s = parse_xrandr(out);
    ASSERT_TRUE(s.outputs.count("TV"));
    EXPECT_TRUE(s.outputs["TV"].lit);
    QevSimMode hd{};
    ASSERT_TRUE(qevsim_model_mode_get(model.get(), QEV_OUT_HDTV, 0, &hd));
    ASSERT_FALSE(s.outputs["TV"].modes.empty());
    EXPECT_EQ(s.outputs["TV"].modes[0].name, mode_name(hd)) << "the TV output shows the HDTV modes";

    RawClient c;
    ASSERT_TRUE(c.connect(server.display_number(), false));
    int major = c.query_extension(QEVGFX_EXTENSION_NAME);
    QevCommandBlock block{};
    block.group = QEV_CMD_GetDeviceActiveState_GROUP;
    block.function = QEV_CMD_GetDeviceActiveState_FN;
    auto r = c.command(major, QEVGFX_MINOR_COMMAND, block);
    EXPECT_EQ(c.word(r, QEV_REPLY_OUTPUT_OFFSET), unsigned(QEV_OUT_CRT | QEV_OUT_HDTV));
    // Switching the TV output off through RandR switches the HDTV output off.
    EXPECT_TRUE(run_on(server, {"xrandr", "--output", "TV", "--off"}).ok());
    r = c.command(major, QEVGFX_MINOR_COMMAND, block);
    EXPECT_EQ(c.word(r, QEV_REPLY_OUTPUT_OFFSET), unsigned(QEV_OUT_CRT));
}

TEST(SimDriverConfig, TwoScreensUnderXineramaShareOneModel)
{
    std::unique_ptr<QevSimModel, void (*)(QevSimModel*)> model(qevsim_model_new(), qevsim_model_free);
    std::vector<unsigned> bits = outputs_with_modes(model.get());
    if (bits.size() < 2)
        GTEST_SKIP();
    const std::string active = std::string(name_of(bits[0])) + ", " + name_of(bits[1]);
    std::string conf =
        "Section \"ServerFlags\"\n  Option \"AutoAddDevices\" \"false\"\nEndSection\n"
        "Section \"ServerLayout\"\n  Identifier \"layout\"\n  Screen 0 \"scr0\"\n"
        "  Screen 1 \"scr1\" RightOf \"scr0\"\n  Option \"Xinerama\" \"true\"\nEndSection\n";
    for (int i = 0; i < 2; i++) {
        const std::string n = std::to_string(i);
        // The Device sections as the configuration editor writes them.
        conf += "Section \"Device\"\n  Identifier \"qev" + n + "\"\n  Driver \"qevsim\"\n  BusID \"PCI:0:2:0\"\n"
                "  Screen " + n + "\n  Option \"ActiveDevice\" \"" + active + "\"\nEndSection\n"
                "Section \"Screen\"\n  Identifier \"scr" + n + "\"\n  Device \"qev" + n +
                "\"\n  DefaultDepth 24\nEndSection\n";
    }
    qevtest::XServerOptions options;
    options.full_conf = conf;
    Server server;
    ASSERT_TRUE(server.start(options)) << server.log();

    std::string text = run_on(server, {"xdpyinfo", "-ext", "XINERAMA"}).out;
    std::vector<std::string> heads;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (auto at = line.find("head #"); at != std::string::npos)
            heads.push_back(line.substr(line.find(':', at) + 2));
    QevSimMode m0{}, m1{};
    ASSERT_TRUE(qevsim_model_mode_get(model.get(), bits[0], 0, &m0));
    ASSERT_TRUE(qevsim_model_mode_get(model.get(), bits[1], 0, &m1));
    ASSERT_EQ(heads.size(), 2u) << text;
    EXPECT_EQ(heads[0], mode_name(m0) + " @ 0,0");
    EXPECT_EQ(heads[1], mode_name(m1) + " @ " + std::to_string(m0.width) + ",0");

    RawClient c;
    ASSERT_TRUE(c.connect(server.display_number(), false));
    int major = c.query_extension(QEVGFX_EXTENSION_NAME);
    ASSERT_NE(major, 0);
    auto ask = [&](int group, int function, int32_t input) { return one_input(c, major, group, function, input); };
    auto r = ask(QEV_CMD_GetDeviceActiveState_GROUP, QEV_CMD_GetDeviceActiveState_FN, 0);
    EXPECT_EQ(c.word(r, QEV_REPLY_OUTPUT_OFFSET), bits[0] | bits[1]);
    r = ask(QEV_CMD_GetDeviceSAMMState_GROUP, QEV_CMD_GetDeviceSAMMState_FN, 0);
    EXPECT_NE(c.word(r, QEV_REPLY_OUTPUT_OFFSET), 0u) << "two screens are a multi-screen layout";
    // Switching the second screen's output off goes through its screen.
    r = ask(QEV_CMD_SetDeviceActiveState_GROUP, QEV_CMD_SetDeviceActiveState_FN, static_cast<int32_t>(bits[0]));
    ASSERT_NE(c.word(r, QEV_REPLY_STATUS_OFFSET), 0u);
    r = ask(QEV_CMD_GetDeviceActiveState_GROUP, QEV_CMD_GetDeviceActiveState_FN, 0);
    EXPECT_EQ(c.word(r, QEV_REPLY_OUTPUT_OFFSET), bits[0]);
}

}  // namespace
