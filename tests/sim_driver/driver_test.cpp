// The qevsim Xorg driver in a real Xorg: RandR outputs, modes and properties
// from the model, and the Device options and server configurations the driver
// starts from. RandR and extension changes reaching each other are the replay
// test's (tests/sim_ctl), the wire rules the wire tests' (tests/sim_wire), a
// server without RandR switching outputs and rotation tests/lib's (XRoute).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "qev/commands.h"
#include "qev/outputs.h"
#include "qev/protocol.h"
#include "qevsim_model.h"
#include "qevtest/qevtest.h"
#include "wire_client.h"

namespace {

using Server = qevtest::XServer;
using ModelPtr = std::unique_ptr<QevSimModel, void (*)(QevSimModel*)>;

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

struct OutputState {
    bool connected = false, lit = false;
    std::string rotation = "normal";
    std::vector<std::pair<std::string, std::vector<std::string>>> modes;  // name, rates with their marks
};

std::map<std::string, OutputState> parse_xrandr(const std::string& text)
{
    std::map<std::string, OutputState> outputs;
    std::istringstream in(text);
    OutputState* cur = nullptr;
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        std::vector<std::string> w;
        for (std::string t; words >> t;)
            w.push_back(t);
        if (w.size() < 2 || line.rfind("Screen ", 0) == 0)
            continue;
        if (line[0] != ' ') {
            cur = &outputs[w[0]];
            cur->connected = w[1] == "connected";
            for (size_t i = 2; i < w.size() && w[i][0] != '('; i++) {
                int a, b, c, d;
                if (std::sscanf(w[i].c_str(), "%dx%d+%d+%d", &a, &b, &c, &d) == 4)
                    cur->lit = true;
                else if (w[i] == "left" || w[i] == "right" || w[i] == "inverted")
                    cur->rotation = w[i];
            }
        } else if (cur && line.rfind("   ", 0) == 0 && line.find(':') == std::string::npos) {
            cur->modes.push_back({w[0], {}});
            auto& rates = cur->modes.back().second;
            for (size_t i = 1; i < w.size(); i++) {
                if (w[i].find_first_not_of("*+") == std::string::npos && !rates.empty())
                    rates.back() += w[i];  // a mark printed apart from its rate
                else
                    rates.push_back(w[i]);
            }
        }
    }
    return outputs;
}

unsigned lit_mask(std::map<std::string, OutputState>& outputs)
{
    unsigned mask = 0;
    for (const auto& o : kOutputs)
        if (outputs.count(o.name) && outputs[o.name].lit)
            mask |= o.bit;
    return mask;
}

std::string mode_name(const QevSimMode& m)
{
    return std::to_string(m.width) + "x" + std::to_string(m.height);
}

// The connected outputs that have modes, in table order.
std::vector<unsigned> outputs_with_modes(QevSimModel* model)
{
    std::vector<unsigned> bits;
    for (const auto& o : kOutputs)
        if ((qevsim_model_connected(model) & o.bit) && qevsim_model_mode_count(model, o.bit) > 0)
            bits.push_back(o.bit);
    return bits;
}

qevtest::RunResult run_on(const Server& server, const std::vector<std::string>& argv)
{
    qevtest::RunOptions options;
    options.env = {"DISPLAY=" + server.display()};
    return qevtest::run(argv, options);
}

// Options of a server with these Device options.
qevtest::XServerOptions with(std::vector<std::pair<std::string, std::string>> device_options)
{
    qevtest::XServerOptions o;
    o.device_options = std::move(device_options);
    return o;
}

// A raw client of the extension on a server.
struct Api {
    wire::RawX x;
    uint8_t major = 0;
    explicit Api(const Server& server)
    {
        EXPECT_TRUE(x.connect(server.display_number(), 'l', nullptr));
        major = x.major_opcode(QEVGFX_EXTENSION_NAME);
        EXPECT_NE(major, 0);
    }
    // The command's status and first output word; {0, 0} on an X error.
    std::pair<int32_t, uint32_t> operator()(uint32_t group, uint32_t function, std::initializer_list<int32_t> in = {})
    {
        auto r = x.command(major, wire::make_block(group, function, in));
        EXPECT_TRUE(r.has_value()) << group << "/" << function;
        return r ? std::pair<int32_t, uint32_t>(r->block.status, uint32_t(r->block.output[0]))
                 : std::pair<int32_t, uint32_t>(0, 0);
    }
    uint32_t active() { return (*this)(QEV_CMD_GetDeviceActiveState_GROUP, QEV_CMD_GetDeviceActiveState_FN).second; }
};

// ---- the default server -----------------------------------------------------

class SimDriver : public qevtest::XServerTest<SimDriver> {
protected:
    std::string xrandr(const std::vector<std::string>& args = {})
    {
        std::vector<std::string> argv{"xrandr"};
        argv.insert(argv.end(), args.begin(), args.end());
        return run_on(server(), argv).out;
    }
    ModelPtr model_{qevsim_model_new(), qevsim_model_free};  // the default profile the driver starts from
};

TEST_F(SimDriver, ListsTheModelsOutputsModesAndExactRates)
{
    auto outputs = parse_xrandr(xrandr());
    QevSimModel* model = model_.get();
    unsigned supported = qevsim_model_supported(model), connected = qevsim_model_connected(model);
    for (const auto& o : kOutputs) {
        SCOPED_TRACE(o.name);
        ASSERT_EQ(outputs.count(o.name), (supported & o.bit) ? 1u : 0u);
        if (!(supported & o.bit))
            continue;
        const OutputState& st = outputs[o.name];
        EXPECT_EQ(st.connected, (connected & o.bit) != 0);
        if (!st.connected)
            continue;
        int n = qevsim_model_mode_count(model, o.bit);
        QevSimMode pref{};
        ASSERT_TRUE(qevsim_model_mode_get(model, o.bit, 0, &pref));
        ASSERT_FALSE(st.modes.empty());
        EXPECT_EQ(st.modes[0].first, mode_name(pref));
        EXPECT_NE(st.modes[0].second.at(0).find('+'), std::string::npos) << "preferred mode listed first";
        // Every model mode is listed with its exact rate (two decimals from
        // the modeline), and nothing else is.
        size_t listed = 0;
        for (const auto& m : st.modes)
            listed += m.second.size();
        EXPECT_EQ(listed, static_cast<size_t>(n));
        for (int i = 0; i < n; i++) {
            QevSimMode m{};
            ASSERT_TRUE(qevsim_model_mode_get(model, o.bit, i, &m));
            bool found = false;
            for (const auto& [name, rates] : st.modes)
                for (const auto& r : rates)
                    found |= name == mode_name(m) && std::fabs(std::atof(r.c_str()) - m.refresh_mhz / 1000.0) < 0.0051;
            EXPECT_TRUE(found) << mode_name(m) << " at " << m.refresh_mhz << " mHz";
        }
    }
    Api api(server());
    EXPECT_EQ(lit_mask(outputs), api.active()) << "RandR lights what the extension reports active";
    EXPECT_EQ(api.active(), qevsim_model_active(model) & connected);
}

// A TV standard set through the extension is published as RandR's Type.
TEST_F(SimDriver, TvStandardSetThroughTheExtensionShowsInRandr)
{
    Api api(server());
    auto [ok, before] = api(QEV_TV_GROUP_TV, QEV_TVFN_GetTVStandard);
    ASSERT_NE(ok, 0);
    ASSERT_NE(xrandr({"--verbose"}).find("Type: NTSC"), std::string::npos);
    ASSERT_NE(api(QEV_TV_GROUP_TV, QEV_TVFN_SetTVStandard, {QEV_TVSTD_PAL}).first, 0);
    EXPECT_NE(xrandr({"--verbose"}).find("Type: PAL"), std::string::npos);
    api(QEV_TV_GROUP_TV, QEV_TVFN_SetTVStandard, {int32_t(before)});
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

TEST(SimDriverConfig, ActiveDeviceAndRotateOptionsDecideTheStart)
{
    ModelPtr model(qevsim_model_new(), qevsim_model_free);
    std::vector<unsigned> bits = outputs_with_modes(model.get());
    ASSERT_GE(bits.size(), 2u);
    // The second and first connected outputs, in that order: primary first.
    const std::string value = std::string(name_of(bits[1])) + ", " + name_of(bits[0]);
    char err[256] = "";
    ASSERT_TRUE(qevsim_model_apply_option(model.get(), "ActiveDevice", value.c_str(), err, sizeof err)) << err;
    Server server;
    ASSERT_TRUE(server.start(with({{"ActiveDevice", value}, {"RotateType", "HW"}, {"Rotate", "CW"}}))) << server.log();
    auto outputs = parse_xrandr(run_on(server, {"xrandr"}).out);
    EXPECT_EQ(lit_mask(outputs), qevsim_model_active(model.get()) & qevsim_model_connected(model.get()));
    EXPECT_TRUE(lit_mask(outputs) & bits[1]);
    EXPECT_EQ(outputs[name_of(bits[1])].rotation, "right") << "CW is RandR's right";
}

TEST(SimDriverConfig, ProfileWithAnActiveHdtvLightsTheTvOutput)
{
    qevtest::TempDir dir("simdrv");
    const std::string path = dir.file("hdtv.profile");
    ASSERT_TRUE(qevtest::write_file(path, "supported = CRT,LCD,TV,HDTV\nconnected = CRT,LCD,TV,HDTV\nactive = CRT,HDTV\n"));
    ModelPtr model(qevsim_model_new(), qevsim_model_free);
    char err[256] = "";
    ASSERT_TRUE(qevsim_model_load_profile(model.get(), path.c_str(), err, sizeof err)) << err;

    Server server;
    ASSERT_TRUE(server.start(with({{"Profile", path}}))) << server.log();
    auto outputs = parse_xrandr(run_on(server, {"xrandr"}).out);
    EXPECT_TRUE(outputs["TV"].lit);
    QevSimMode hd{};
    ASSERT_TRUE(qevsim_model_mode_get(model.get(), QEV_OUT_HDTV, 0, &hd));
    ASSERT_FALSE(outputs["TV"].modes.empty());
    EXPECT_EQ(outputs["TV"].modes[0].first, mode_name(hd)) << "the TV output shows the HDTV modes";

    Api api(server);
    EXPECT_EQ(api.active(), unsigned(QEV_OUT_CRT | QEV_OUT_HDTV));
    // Switching the TV output off through RandR switches the HDTV output off.
    EXPECT_TRUE(run_on(server, {"xrandr", "--output", "TV", "--off"}).ok());
    EXPECT_EQ(api.active(), unsigned(QEV_OUT_CRT));
}

TEST(SimDriverConfig, TwoScreensUnderXineramaShareOneModel)
{
    ModelPtr model(qevsim_model_new(), qevsim_model_free);
    std::vector<unsigned> bits = outputs_with_modes(model.get());
    ASSERT_GE(bits.size(), 2u);
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

    // The heads' layout of this configuration is tests/samm's (SammNoRandR).
    EXPECT_NE(run_on(server, {"xvinfo"}).out.find("\"XV_SWOV\""), std::string::npos) << "Xv serves the joined screen";

    Api api(server);
    EXPECT_EQ(api.active(), bits[0] | bits[1]);
    EXPECT_NE(api(QEV_CMD_GetDeviceSAMMState_GROUP, QEV_CMD_GetDeviceSAMMState_FN).second, 0u)
        << "two screens are a multi-screen layout";
    // Switching the second screen's output off goes through its screen.
    ASSERT_NE(api(QEV_CMD_SetDeviceActiveState_GROUP, QEV_CMD_SetDeviceActiveState_FN, {int32_t(bits[0])}).first, 0);
    EXPECT_EQ(api.active(), bits[0]);
}

}  // namespace
