// The qevgfx tool against the simulated adapter on the library's three routes
// (X with RandR, X without RandR, framebuffer through the stand-in), each
// command's --json document read by jq, the adapter's state read from
// outside: qevsim-ctl state and xrandr on X, the stand-in's request log on
// the framebuffer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "qevtest/qevtest.h"
#include "qevtest/sim_ctl.h"

namespace {

enum Route { RANDR = 1, NO_RANDR = 2, FB = 4, X = RANDR | NO_RANDR, ALL = X | FB };

// args: after "qevgfx"; jq: run on the tool's --json output, giving `want`; state: on X, jq on
// `qevsim-ctl state` giving `stateWant`, or "xrandr:TEXT" found in xrandr --verbose; on FB, a request
// code that must be in the stand-in's log.
struct Row { int routes; std::vector<std::string> args; int exit; std::string jq, want, state, stateWant; };

// clang-format off
const Row kRows[] = {
    {ALL, {"info"}, 0, ".chip + \" \" + .chip_name", "0x7a0a QEV Meridian M400", "", ""},
    {X, {"info"}, 0, ".drivers[0].name", "qevsim_drv.so", "", ""},
    {ALL, {"outputs"}, 0, ".active | join(\",\")", "CRT,LCD", "", ""},
    {RANDR, {"outputs"}, 0, ".outputs[0].modes[0]", "1280x1024@60.02*", "", ""},
    {X, {"activate", "CRT,LCD"}, 0, ".active | join(\",\")", "CRT,LCD", ".active", "3"},
    {X, {"clone", "video", "LCD"}, 0, ".video_output", "LCD", ".v3_on_iga", "1"},
    {RANDR, {"samm", "enable", "CRT", "LCD", "below"}, 0, ".restart_needed", "false", "xrandr:LCD connected 1280x800+0+1024", ""},
    {RANDR, {"samm", "layout"}, 0, ".position", "below", "", ""},
    {RANDR, {"samm", "disable"}, 0, ".samm", "false", "", ""},
    {X, {"activate", "CRT"}, 0, ".active | join(\",\")", "CRT", ".active", "1"},
    {FB, {"activate", "CRT"}, 0, ".active | join(\",\")", "CRT", "0x51455614", ""},
    {RANDR, {"mode", "CRT", "1024x768@75"}, 0, ".mode", "1024x768", ".outputs.CRT.current_mode[0:2] | join(\"x\")", "1024x768"},
    {NO_RANDR | FB, {"mode", "CRT", "1024x768"}, 1, "", "", "", ""},
    {RANDR, {"rotate", "CRT", "left"}, 0, ".restart_needed", "false", "xrandr:CRT connected primary 768x1024", ""},
    {NO_RANDR, {"rotate", "CRT", "inverted"}, 0, ".restart_needed", "true", "", ""},
    {RANDR, {"scale", "CRT", "1.5", "2"}, 0, ".scale | join(\",\")", "1.5,2", "", ""},
    {X, {"gamma", "set", "--channel", "green", "--gamma", "1.5"}, 0, ".green[128]", "180", ".gamma[128]", "8434816"},
    {FB, {"gamma", "set", "--gamma", "1.5"}, 0, ".red[128]", "180", "0x51455625", ""},
    {X, {"gamma"}, 0, ".green[128]", "180", "", ""},
    {X, {"gamma", "reset"}, 0, ".green[128]", "128", ".gamma[128]", "8421504"},
    {X, {"tv", "TV", "--standard", "PAL", "--size", "5,4"}, 0, ".standard + \" \" + (.size | join(\",\"))", "PAL 5,4", ".tv.tv.standard", "2"},
    {FB, {"tv", "TV", "--standard", "PAL", "--size", "5,4"}, 0, ".standard + \" \" + (.size | join(\",\"))", "PAL 5,4", "0x51455614", ""},
    {X, {"panel", "--expand", "center"}, 0, ".expansion", "center", ".expansion", "1"},
    {FB, {"panel", "--expand", "center"}, 0, ".expansion", "center", "0x51455614", ""},
    // 200 goes to the driver as 7834 and reads back as 199 (the library's slider scale).
    {X, {"overlay", "--brightness", "200"}, 0, ".brightness", "199", ".xv.brightness.value", "7834"},
    {FB, {"overlay", "--brightness", "200"}, 1, "", "", "", ""},
    {FB, {"clone", "video"}, 1, "", "", "", ""},
    // Bad input: status 2 and nothing reaches the adapter.
    {ALL, {"mode", "CRT", "1024x"}, 2, "", "", "", ""},
    {ALL, {"mode", "CRT", "x768@"}, 2, "", "", "", ""},
    {ALL, {"mode", "CRT", "99999x99999"}, 2, "", "", "", ""},
    {ALL, {"activate", "CRT,VGA"}, 2, "", "", "", ""},
    {ALL, {"scale", "CRT", "0", "1"}, 2, "", "", "", ""},
    {ALL, {"gamma", "set", "--gamma", "2.5"}, 2, "", "", "", ""},
    {X, {"tv", "TV", "--size", "8,8"}, 2, "", "", ".tv.tv.size | join(\",\")", "5,4"}, // beyond the adapter's 7,7
    {ALL, {"samm", "enable", "CRT", "CRT", "left"}, 2, "", "", "", ""},
    {ALL, {"frobnicate"}, 2, "", "", "", ""},
};
// clang-format on

std::string Tool() { return qevtest::build_dir() + "/cli/qevgfx"; }

std::string Jq(const std::string &expr, const std::string &json) {
    qevtest::RunOptions o;
    o.input = json;
    auto r = qevtest::run({"jq", "-r", expr}, o);
    EXPECT_TRUE(r.ok()) << "jq " << expr << ": " << r.err << "\n" << json;
    return r.out.empty() ? r.out : r.out.substr(0, r.out.size() - 1);
}

// Runs every row of the route; env reaches the tool, fbLog is the stand-in's
// request log (FB only).
void RunRows(int route, const std::vector<std::string> &env, const std::string &fbLog) {
    for (const Row &row : kRows) {
        if (!(row.routes & route))
            continue;
        std::string line;
        for (const std::string &a : row.args)
            line += " " + a;
        SCOPED_TRACE((route == RANDR ? "randr:" : route == NO_RANDR ? "no-randr:" : "fb:") + line);
        if (route == FB)
            qevtest::write_file(fbLog, "");
        else
            qevtest::SimLogClear();
        std::vector<std::string> argv = {Tool(), "--json"};
        argv.insert(argv.end(), row.args.begin(), row.args.end());
        qevtest::RunOptions o;
        o.env = env;
        auto r = qevtest::run(argv, o);
        ASSERT_FALSE(r.timed_out || r.signal) << r.err;
        EXPECT_EQ(row.exit, r.exit_code) << r.out << r.err;
        if (row.exit != 0) {
            // One line on standard error, nothing on standard output.
            EXPECT_EQ("", r.out);
            EXPECT_EQ(1u, qevtest::lines(r.err).size()) << r.err;
            EXPECT_EQ(0u, r.err.rfind("qevgfx: ", 0)) << r.err;
        }
        if (row.exit == 2 && row.state.empty()) { // refused before the session opened
            if (route == FB)
                EXPECT_EQ("", qevtest::read_file(fbLog).value_or("?"));
            else
                EXPECT_TRUE(qevtest::SimLog().empty());
        }
        if (!row.jq.empty()) {
            EXPECT_EQ(row.want, Jq(row.jq, r.out));
        }
        if (row.state.empty())
            continue;
        if (route == FB) {
            EXPECT_NE(std::string::npos, qevtest::read_file(fbLog).value_or("").find(" " + row.state + " "));
        } else if (row.state.rfind("xrandr:", 0) == 0) {
            auto x = qevtest::run({"xrandr", "--verbose"});
            EXPECT_NE(std::string::npos, x.out.find(row.state.substr(7))) << x.out;
        } else {
            EXPECT_EQ(row.stateWant, Jq(row.state, qevtest::SimCtl({"state"})));
        }
    }
}

void RunOnServer(int route) {
    qevtest::XServerOptions o;
    o.no_randr = route == NO_RANDR;
    qevtest::XServer server;
    std::string error;
    ASSERT_TRUE(server.start(o, &error)) << error;
    setenv("DISPLAY", server.display().c_str(), 1);
    RunRows(route, {"DISPLAY=" + server.display()}, "");
    unsetenv("DISPLAY");
    server.stop();
}

TEST(Qevgfx, EveryCommandOnEveryRoute) {
    ASSERT_TRUE(qevtest::HaveSimCtl());
    RunOnServer(RANDR);
    RunOnServer(NO_RANDR);
    qevtest::TempDir dir("qevgfx-fb");
    const std::string profile = dir.file("fb.profile");
    ASSERT_TRUE(qevtest::write_file(profile, ""));
    RunRows(FB,
            {"DISPLAY", "LD_PRELOAD=" QEVTEST_FB_STANDIN, "QEVSIM_PROFILE=" + profile,
             "QEVSIM_FB_LOG=" + dir.file("fb.log"), "ASAN_OPTIONS=verify_asan_link_order=0"},
            dir.file("fb.log"));

    // Neither a display nor a framebuffer device.
    qevtest::RunOptions none;
    none.env = {"DISPLAY"};
    auto r = qevtest::run({Tool(), "outputs"}, none);
    EXPECT_EQ(1, r.exit_code);
    EXPECT_EQ("qevgfx: no X display and no framebuffer device\n", r.err);
}

} // namespace
