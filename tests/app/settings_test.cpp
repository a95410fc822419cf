// The Settings page and the desktop's monitor configuration on the simulated
// adapter with RandR: rotations checked with xrandr, monitors.xml against
// xrandr --verbose (both read here), the settings daemon request against the
// stand-in daemon on a private session bus.
#include <gtest/gtest.h>
#include <libxml/parser.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <regex>
#include <sstream>

#include "Settings_page.h"
#include "child.h"
#include "common.h"
#include "gui.h"
#include "interface.h"
#include "qev/outputs.h"
#include "qevgfx.h"
#include "qevtest/qevtest.h"
#include "qevtest/sim_ctl.h"
#include "saveconfig.h"
#include "support.h"

#include <gdk/gdkx.h>  // last: Xlib's macros

TEST(SettingsRules, TextsSecondaryAndApplyPlan)
{
    const std::pair<const char *, int> texts[] = {{"Normal", 1}, {"90 Degree (Clockwise)", 8},
                                                  {"270 Degree (CounterClockwise)", 2}, {"180 Degree (Inverted)", 4}};
    for (const auto &[text, rotation] : texts) {
        EXPECT_EQ(rotation, RotationFromDegreeText(text));
        EXPECT_STREQ(text, DegreeTextFromRotation(rotation));
    }
    EXPECT_EQ(1, RotationFromDegreeText("normal"));
    EXPECT_STREQ("Normal", DegreeTextFromRotation(0));  // a failed query
    // The active output beside the primary, only with exactly two active.
    EXPECT_EQ(QEV_OUT_LCD, SettingsSecondaryFor(QEV_OUT_CRT, QEV_OUT_CRT | QEV_OUT_LCD));
    EXPECT_EQ(0u, SettingsSecondaryFor(QEV_OUT_CRT, QEV_OUT_CRT | QEV_OUT_LCD | QEV_OUT_DVI));
    EXPECT_EQ(0u, SettingsSecondaryFor(QEV_OUT_DVI, QEV_OUT_CRT | QEV_OUT_LCD));

    const unsigned P = QEV_OUT_CRT, S = QEV_OUT_LCD;
    const struct { bool pri, sec, samm; unsigned secondary; std::vector<std::pair<unsigned, int>> calls; } plans[] = {
        {true, true, false, S, {{P, 8}, {S, 8}}},  // clone or single: both turn with the primary
        {true, true, true, S, {{P, 8}}},           // multi-screen: each on its own
        {false, true, false, S, {{S, 4}}},
        {true, false, false, 0, {{P, 8}}},
        {false, false, false, S, {}},
    };
    for (const auto &c : plans) {
        RotationPlan plan = PlanRotationApply(c.pri, 8, c.sec, 4, P, c.secondary, c.samm);
        std::vector<std::pair<unsigned, int>> calls;
        for (int i = 0; i < plan.nCount; ++i)
            calls.emplace_back(plan.calls[i].nOutput, plan.calls[i].nRotation);
        EXPECT_EQ(c.calls, calls) << c.pri << c.sec << c.samm;
    }
}

namespace {

using Fields = std::map<std::string, std::string>;
using Outputs = std::map<std::string, Fields>;  // by output name

// monitors.xml's configurations: clone flag under "", output fields by name.
std::vector<Outputs> ReadMonitors(const std::string &text, std::string *version = nullptr)
{
    std::vector<Outputs> configs;
    xmlDoc *doc = xmlReadMemory(text.data(), int(text.size()), "m", nullptr, XML_PARSE_NOBLANKS | XML_PARSE_NOERROR);
    xmlNode *root = doc ? xmlDocGetRootElement(doc) : nullptr;
    auto get = [](xmlChar *s) { std::string r = s ? (char *)s : ""; xmlFree(s); return r; };
    if (root && version)
        *version = get(xmlGetProp(root, BAD_CAST "version"));
    for (xmlNode *c = root ? root->children : nullptr; c; c = c->next) {
        Outputs &config = configs.emplace_back();
        for (xmlNode *o = c->children; o; o = o->next) {
            if (xmlStrcmp(o->name, BAD_CAST "clone") == 0)
                config[""]["clone"] = get(xmlNodeGetContent(o));
            for (xmlNode *f = o->children; f && f->type == XML_ELEMENT_NODE; f = f->next)
                config[get(xmlGetProp(o, BAD_CAST "name"))][(const char *)f->name] = get(xmlNodeGetContent(f));
            if (!o->children && xmlStrcmp(o->name, BAD_CAST "output") == 0)
                config[get(xmlGetProp(o, BAD_CAST "name"))];
        }
    }
    xmlFreeDoc(doc);
    return configs;
}

// What monitors.xml should say of each output, from xrandr --verbose.
Outputs XrandrView()
{
    static const std::regex header(R"(^(\S+) (dis)?connected( primary)?(?: \d+x\d+\+(\d+)\+(\d+) \(\S+\) (\w+))?)");
    static const std::regex hex(R"(^\s+([0-9a-f]{32})$)"), width(R"(h: width +(\d+))"),
        height(R"(v: height +(\d+).* clock +([\d.]+)Hz)");
    static const std::map<std::string, std::string> kRotation = {
        {"normal", "normal"}, {"left", "left"}, {"inverted", "upside_down"}, {"right", "right"}};
    Outputs view;
    std::map<std::string, std::string> edids;
    std::istringstream in(qevtest::run({"xrandr", "--verbose"}).out);
    std::string name;
    bool current = false;
    std::smatch m;
    for (std::string line; std::getline(in, line);) {
        if (std::regex_search(line, m, header)) {
            name = m[1];
            Fields &f = view[name];
            if (m[6].matched)
                f = {{"primary", m[3].matched ? "yes" : "no"}, {"x", m[4]}, {"y", m[5]},
                     {"rotation", kRotation.at(m[6])}, {"reflect_x", "no"}, {"reflect_y", "no"}};
            if (m[2].matched)
                name.clear();  // disconnected: no fields at all
        } else if (name.empty()) {
        } else if (std::regex_search(line, m, hex)) {
            edids[name] += m[1];
        } else if (line.find("*current") != std::string::npos) {
            current = true;
        } else if (current && std::regex_search(line, m, width)) {
            view[name]["width"] = m[1];
        } else if (current && std::regex_search(line, m, height)) {
            view[name]["height"] = m[1];
            view[name]["rate"] = std::to_string(std::lround(std::stod(m[2])));
            current = false;
        }
    }
    for (const auto &[output, text] : edids) {  // identity from a valid EDID block
        unsigned char b[128] = {};
        unsigned sum = 0;
        for (size_t i = 0; i < 128 && 2 * i + 2 <= text.size(); ++i)
            sum += b[i] = (unsigned char)std::stoul(text.substr(2 * i, 2), nullptr, 16);
        if (sum % 256 != 0 || b[1] != 0xff)
            continue;
        unsigned id = b[8] << 8 | b[9];
        char buf[40];
        snprintf(buf, sizeof buf, "%c%c%c 0x%04x 0x%08x", '@' + (id >> 10 & 31), '@' + (id >> 5 & 31),
                 '@' + (id & 31), b[10] | b[11] << 8, b[12] | b[13] << 8 | b[14] << 16 | unsigned(b[15]) << 24);
        std::istringstream ids(buf);
        ids >> view[output]["vendor"] >> view[output]["product"] >> view[output]["serial"];
    }
    return view;
}

// Answers the error dialogs shown while it lives, keeping "primary|secondary\n".
struct DialogWatcher {
    DialogWatcher()
    {
        auto tick = [](gpointer me) -> gboolean {
            return static_cast<DialogWatcher *>(me)->seen += apptest::TakeMessages(), TRUE;
        };
        id = g_timeout_add(20, tick, this);
    }
    ~DialogWatcher() { g_source_remove(id); }
    guint id;
    std::string seen;
};
using apptest::PumpUntil;

// The binary's session bus: dbus-daemon at a fixed socket, so that a bus
// stopped and started again has the address libdbus keeps for the process.
std::unique_ptr<apptest::Child> g_bus;
bool StartBus()
{
    std::string socket = std::string(getenv("QEVTEST_SCRATCH")) + "/session-bus";
    unlink(socket.c_str());
    setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + socket).c_str(), 1);
    g_bus = std::make_unique<apptest::Child>(std::vector<std::string>{
        "/usr/bin/dbus-daemon", "--session", "--nofork", "--address=unix:path=" + socket});
    return PumpUntil([&] { return qevtest::file_exists(socket); });
}

// The main window shown, CRT and LCD cloned and unrotated, the page state
// cleared, $XDG_CONFIG_HOME fresh and the start-up save made.
class Settings : public apptest::GuiTest {
protected:
    static void SetUpTestSuite() { StartBus(); }
    void SetUp() override
    {
        apptest::GuiTest::SetUp();
        if (HasFatalFailure())
            return;
        ASSERT_TRUE(qevtest::run({"xrandr", "--output", "CRT", "--auto", "--rotate", "normal", "--pos", "0x0",
                                  "--output", "LCD", "--auto", "--rotate", "normal", "--same-as", "CRT"})
                        .ok());
        setenv("XDG_CONFIG_HOME", dir_.path().c_str(), 1);
        QEVGFX_Open();
        QEVGFX_IsRandR(&g_bRandRMode);
        g_bSAMMMode = g_PrimaryDevice = g_SecondaryDevice = g_bSettingsPageHasInitial = 0;
        bPriRotDegChanged = bSecRotDegChanged = 0;
        g_pMainWindow = create_MainWindow();
        gtk_widget_show(g_pMainWindow);
        createConfigFile();
        apptest::Pump();
    }
    void TearDown() override
    {
        qevtest::SimCtlOk({"unplug", "DVI"});
        if (g_pMainWindow)
            gtk_widget_destroy(g_pMainWindow);
        g_pMainWindow = nullptr;
        QEVGFX_Close();
    }
    GtkWidget *W(const char *name) { return lookup_widget(g_pMainWindow, name); }
    void ShowSettings()
    {
        gtk_notebook_set_current_page(GTK_NOTEBOOK(W("Info_notebook")), QEV_PAGE_SETTINGS);
        apptest::Pump();
    }
    void Choose(const char *combo, const char *text)
    {
        gtk_entry_set_text(GTK_ENTRY(GTK_COMBO(W(combo))->entry), text);
    }
    // Apply as the button does; true once the main window is sensitive again.
    bool Apply()
    {
        gtk_button_clicked(GTK_BUTTON(W("Info_Apply_button")));
        return PumpUntil([] { return GTK_WIDGET_SENSITIVE(g_pMainWindow); });
    }
    std::string File(const char *name = "monitors.xml") { return dir_.file(name); }
    std::string Read(const char *name = "monitors.xml") { return qevtest::read_file(File(name)).value_or(""); }

    qevtest::TempDir dir_{"xdg"};
};

}  // namespace

TEST_F(Settings, RotationTurnsBothClonedOutputs)
{
    ASSERT_TRUE(qevtest::SimCtlOk({"fault", "status0", "24/3"}));  // no rotation capability: empty page
    ShowSettings();
    EXPECT_TRUE(qevtest::SimCtlOk({"fault", "clear"}));
    EXPECT_EQ(QEV_PAGE_SETTINGS, _ulPageIndex);
    EXPECT_EQ(nullptr, gtk_container_get_children(GTK_CONTAINER(W("PropertySheet_Settings"))));
    gtk_notebook_set_current_page(GTK_NOTEBOOK(W("Info_notebook")), QEV_PAGE_INFO);
    ShowSettings();
    ASSERT_EQ(1, g_bSettingsPageHasInitial);
    EXPECT_EQ(QEV_OUT_LCD, g_SecondaryDevice);
    EXPECT_STREQ("Normal", gtk_entry_get_text(GTK_ENTRY(W("HWRotationComboEntry"))));
    EXPECT_FALSE(GTK_WIDGET_SENSITIVE(W("HWRotationComboBox2"))) << "not multi-screen";
    Choose("HWRotationComboBox", "Normal");  // the rotation it has
    EXPECT_FALSE(GTK_WIDGET_SENSITIVE(W("Info_Apply_button")));
    Choose("HWRotationComboBox", "90 Degree (Clockwise)");
    ASSERT_TRUE(Apply());  // cloned: both turn
    Outputs view = XrandrView();
    EXPECT_EQ("right right", view["CRT"]["rotation"] + " " + view["LCD"]["rotation"]);
    ShowSettings();
    EXPECT_STREQ("90 Degree (Clockwise)", gtk_entry_get_text(GTK_ENTRY(W("HWRotationComboEntry"))));
}

TEST_F(Settings, MonitorsFileFollowsTheScreen)
{
    const char *const clone[] = {"xrandr", "--output", "CRT", "--mode", "1024x768", "--output", "LCD", "--mode",
                                 "1024x768", "--same-as", "CRT"};
    // change: xrandr or qevsim-ctl before Apply
    const struct { const char *what; std::vector<std::string> change; const char *clone; size_t configs; } steps[] = {
        {"start-up", {}, "no", 1},
        {"clone", {std::begin(clone), std::end(clone)}, "yes", 1},
        {"side by side", {"xrandr", "--output", "LCD", "--rotate", "left", "--right-of", "CRT"}, "no", 1},
        {"another monitor set", {qevtest::SimCtlPath(), "plug", "DVI"}, "no", 2},
    };
    Outputs previous;
    for (const auto &s : steps) {
        SCOPED_TRACE(s.what);
        std::string before = Read();
        if (!s.change.empty()) {
            ASSERT_TRUE(qevtest::run(s.change).ok());
            ASSERT_TRUE(Apply());
            EXPECT_EQ(before, Read("monitors.xml.backup"));
        }
        std::vector<Outputs> configs = ReadMonitors(Read());
        ASSERT_EQ(s.configs, configs.size());
        Outputs now = configs.back();
        EXPECT_EQ(s.clone, now[""]["clone"]);
        now.erase("");
        EXPECT_EQ(XrandrView(), now);
        if (s.configs == 2) {
            EXPECT_EQ(previous, configs[0]) << "the other monitor set's configuration stays";
        }
        previous = configs.back();
    }
    EXPECT_EQ("QEV", previous["DVI"]["vendor"]);
    EXPECT_EQ(0u, previous["DVI"].count("width")) << "connected, off";
}

TEST_F(Settings, ForeignDamagedAndUnwritableFiles)
{
    const std::string v2 = "<monitors version=\"2\">\n<configuration><logicalmonitor/></configuration>\n</monitors>\n";
    const std::string damaged = "<monitors version=\"1\">\n  <configuration>\n    <clo";
    // contents: monitors.xml before; startUp: saved by start-up (twice over) instead of Apply
    const struct { const char *what; std::string contents; bool badDir, saved, startUp; } cases[] = {
        {"version 2", v2, false, false, false},
        {"damaged, Apply", damaged, false, true, false},
        {"damaged, start-up", damaged, false, true, true},
        {"directory cannot be made", "", true, false, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(qevtest::write_file(File(), c.contents));
        setenv("XDG_CONFIG_HOME", (c.badDir ? File() + "/sub" : dir_.path()).c_str(), 1);  // under a file
        DialogWatcher dialogs;
        if (c.startUp)
            createConfigFile();
        else
            ASSERT_TRUE(Apply());
        setenv("XDG_CONFIG_HOME", dir_.path().c_str(), 1);
        std::string version;
        if (c.saved) {
            EXPECT_TRUE(dialogs.seen.empty());
            EXPECT_EQ(c.contents, Read("monitors.xml.backup")) << "kept aside";
            EXPECT_EQ(1u, ReadMonitors(Read(), &version).size());
            EXPECT_EQ("1", version);
        } else {
            EXPECT_EQ(0u, dialogs.seen.find("Could not save the monitor configuration|")) << dialogs.seen;
            EXPECT_EQ(1, std::count(dialogs.seen.begin(), dialogs.seen.end(), '\n'));
            EXPECT_GT(dialogs.seen.size(), 46u) << "with the reason";
            EXPECT_EQ(c.contents, Read()) << "left byte for byte";
        }
    }
}

TEST(MonitorsXml, SpecialCharactersEscaped)
{
    GnomeRRConfig config;
    GnomeRROutput &out = config.outputs.emplace_back();
    out.name = out.vendor = "A<&>\"'B";
    out.connected = out.on = true;
    std::string text;
    ASSERT_EQ(0, gnome_rr_merge_monitors_xml(config, nullptr, &text));
    EXPECT_EQ(out.vendor, ReadMonitors(text).at(0)[out.name]["vendor"]);
}

TEST_F(Settings, OneDaemonRequestPerApply)
{
    const std::string v2 = "org.gnome.SettingsDaemon.XRANDR_2 ApplyConfiguration (" +
                           std::to_string(GDK_WINDOW_XID(g_pMainWindow->window)) + ", 0)";
    const struct { const char *personality; std::vector<std::string> calls; } cases[] = {
        {"both", {v2}},
        {"old", {"org.gnome.SettingsDaemon.XRANDR ApplyConfiguration ()"}},  // the retry, without arguments
        {"error", {v2}},                                                     // refused: no retry
        {"none", {}},
        {"", {}},        // no daemon
        {"silent", {v2}},  // the bus goes away mid-request
    };
    const std::string log = dir_.file("calls.log");
    for (const auto &c : cases) {  // the stand-in in each personality ("": none runs)
        SCOPED_TRACE(c.personality);
        std::remove(log.c_str());
        std::remove((log + ".ready").c_str());
        std::unique_ptr<apptest::Child> daemon;
        if (*c.personality) {
            daemon = std::make_unique<apptest::Child>(std::vector<std::string>{
                qevtest::build_dir() + "/tests/app/settings_daemon_standin", c.personality, log});
            EXPECT_TRUE(PumpUntil([&] { return qevtest::file_exists(log + ".ready"); }));
        }
        DialogWatcher dialogs;
        gtk_button_clicked(GTK_BUTTON(W("Info_Apply_button")));
        EXPECT_FALSE(GTK_WIDGET_SENSITIVE(g_pMainWindow)) << "request under way";
        if (c.personality == std::string("silent")) {
            EXPECT_TRUE(PumpUntil([&] { return qevtest::file_exists(log); }));
            g_bus.reset();
        }
        EXPECT_TRUE(PumpUntil([] { return GTK_WIDGET_SENSITIVE(g_pMainWindow); }));
        EXPECT_EQ(nullptr, app->proxy_call);
        EXPECT_TRUE(dialogs.seen.empty());
        std::vector<std::string> calls;
        std::istringstream in(qevtest::read_file(log).value_or(""));
        for (std::string line; std::getline(in, line);)
            calls.push_back(line);
        EXPECT_EQ(c.calls, calls);
    }
    EXPECT_TRUE(StartBus());
}
