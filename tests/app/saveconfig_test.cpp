// The desktop's monitor configuration: monitors.xml against what xrandr
// --verbose shows (both parsed here), its merging and damaged or foreign
// files, and the settings daemon request on a private session bus with the
// stand-in daemon in each of its personalities.
#include <gtest/gtest.h>
#include <gdk/gdkx.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <chrono>
#include <cmath>
#include <map>
#include <sstream>
#include <thread>

#include "child.h"
#include "gnome_rr.h"
#include "qevtest/sim_ctl.h"
#include "saveconfig.h"
#include "session_bus.h"
#include "settings_env.h"
#include "support.h"

namespace {

// ---- monitors.xml, read here with libxml2 ------------------------------------

using Fields = std::map<std::string, std::string>;  // child element -> text
struct XmlConfig {
    std::string clone;
    std::map<std::string, Fields> outputs;  // by name
};

std::vector<XmlConfig> ReadMonitors(const std::string &text, std::string *version = nullptr)
{
    std::vector<XmlConfig> configs;
    xmlDoc *doc = xmlReadMemory(text.data(), static_cast<int>(text.size()), "m.xml", nullptr,
                                XML_PARSE_NOBLANKS | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    xmlNode *root = doc ? xmlDocGetRootElement(doc) : nullptr;
    if (root && version) {
        xmlChar *v = xmlGetProp(root, BAD_CAST "version");
        *version = v ? reinterpret_cast<char *>(v) : "";
        xmlFree(v);
    }
    auto text_of = [](xmlNode *n) {
        xmlChar *c = xmlNodeGetContent(n);
        std::string s = c ? reinterpret_cast<char *>(c) : "";
        xmlFree(c);
        return s;
    };
    for (xmlNode *c = root ? root->children : nullptr; c; c = c->next) {
        XmlConfig config;
        for (xmlNode *o = c->children; o; o = o->next) {
            if (xmlStrcmp(o->name, BAD_CAST "clone") == 0)
                config.clone = text_of(o);
            if (xmlStrcmp(o->name, BAD_CAST "output") != 0)
                continue;
            xmlChar *name = xmlGetProp(o, BAD_CAST "name");
            Fields &fields = config.outputs[name ? reinterpret_cast<char *>(name) : ""];
            xmlFree(name);
            for (xmlNode *f = o->children; f; f = f->next)
                fields[reinterpret_cast<const char *>(f->name)] = text_of(f);
        }
        configs.push_back(config);
    }
    xmlFreeDoc(doc);
    return configs;
}

// ---- xrandr --verbose, read here ---------------------------------------------------

// What monitors.xml should say of each output of the screen now.
std::map<std::string, Fields> XrandrView()
{
    std::map<std::string, Fields> view;
    std::istringstream in(qevtest::run({"xrandr", "--verbose"}).out);
    Fields *cur = nullptr;
    std::string line, edid;
    bool inCurrent = false, inEdid = false;
    auto finishEdid = [&]() {
        std::string hexText;
        hexText.swap(edid);
        if (!cur || hexText.size() < 256)
            return;
        unsigned char b[128];
        unsigned sum = 0;
        for (int i = 0; i < 128; ++i)
            sum += b[i] = static_cast<unsigned char>(std::stoul(hexText.substr(2 * i, 2), nullptr, 16));
        if (sum % 256 != 0 || b[0] != 0 || b[1] != 0xff)
            return;
        unsigned id = b[8] << 8 | b[9];
        char vendor[4] = {char('@' + (id >> 10 & 31)), char('@' + (id >> 5 & 31)), char('@' + (id & 31)), 0};
        char product[8], serial[12];
        snprintf(product, sizeof product, "0x%04x", b[10] | b[11] << 8);
        snprintf(serial, sizeof serial, "0x%08x", b[12] | b[13] << 8 | b[14] << 16 | unsigned(b[15]) << 24);
        (*cur)["vendor"] = vendor;
        (*cur)["product"] = product;
        (*cur)["serial"] = serial;
    };
    while (std::getline(in, line)) {
        if (inEdid) {
            size_t at = line.find_first_not_of(" \t");
            std::string hex = at == std::string::npos ? "" : line.substr(at);
            if (hex.size() == 32 && hex.find_first_not_of("0123456789abcdef") == std::string::npos) {
                edid += hex;
                continue;
            }
            finishEdid();
            inEdid = false;
        }
        if (line.empty() || line[0] == ' ' || line[0] == '\t') {
            if (line.find("EDID:") != std::string::npos) {
                inEdid = true;
                edid.clear();
            } else if (line.find("*current") != std::string::npos) {
                inCurrent = true;
            } else if (inCurrent && cur && line.find("h: width") != std::string::npos) {
                std::istringstream f(line.substr(line.find("width") + 5));
                int w = 0;
                f >> w;
                (*cur)["width"] = std::to_string(w);
            } else if (inCurrent && cur && line.find("v: height") != std::string::npos) {
                std::istringstream f(line.substr(line.find("height") + 6));
                int h = 0;
                f >> h;
                (*cur)["height"] = std::to_string(h);
                double hz = std::stod(line.substr(line.find("clock") + 5));
                (*cur)["rate"] = std::to_string(std::lround(hz));
                inCurrent = false;
            }
            continue;
        }
        std::istringstream words(line);
        std::string name, state, word;
        words >> name >> state;
        if (state != "connected" && state != "disconnected")
            continue;
        cur = &view[name];
        if (state != "connected")
            continue;
        bool primary = false;
        while (words >> word) {
            int w, h, x, y;
            if (word == "primary") {
                primary = true;
            } else if (sscanf(word.c_str(), "%dx%d+%d+%d", &w, &h, &x, &y) == 4) {
                (*cur)["primary"] = primary ? "yes" : "no";
                (*cur)["x"] = std::to_string(x);
                (*cur)["y"] = std::to_string(y);
                std::string id, rot;
                words >> id >> rot;
                static const std::map<std::string, std::string> kRot = {
                    {"normal", "normal"}, {"left", "left"}, {"inverted", "upside_down"}, {"right", "right"}};
                (*cur)["rotation"] = kRot.count(rot) ? kRot.at(rot) : "normal";
                (*cur)["reflect_x"] = (*cur)["reflect_y"] = "no";
                break;
            } else if (word[0] == '(') {
                break;
            }
        }
    }
    finishEdid();
    return view;
}

// Every field xrandr shows is in the configuration, and nothing more.
void ExpectDescribesScreen(const XmlConfig &config)
{
    std::map<std::string, Fields> view = XrandrView();
    ASSERT_FALSE(view.empty());
    EXPECT_EQ(view.size(), config.outputs.size());
    for (const auto &[name, fields] : view) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(config.outputs.count(name));
        EXPECT_EQ(fields, config.outputs.at(name));
    }
}

// Answers the error dialogs shown while it lives, recording their texts.
class DialogWatcher {
public:
    DialogWatcher() { id_ = g_timeout_add(20, &DialogWatcher::Tick, this); }
    ~DialogWatcher() { g_source_remove(id_); }
    std::vector<std::string> seen;

private:
    static gboolean Tick(gpointer self)
    {
        GList *windows = gtk_window_list_toplevels();
        for (GList *w = windows; w; w = w->next) {
            if (!GTK_IS_MESSAGE_DIALOG(w->data) || !GTK_WIDGET_VISIBLE(w->data))
                continue;
            gchar *text = nullptr, *secondary = nullptr;
            g_object_get(w->data, "text", &text, "secondary-text", &secondary, nullptr);
            static_cast<DialogWatcher *>(self)->seen.push_back(std::string(text ? text : "") + "|" +
                                                              (secondary ? secondary : ""));
            g_free(text);
            g_free(secondary);
            gtk_dialog_response(GTK_DIALOG(w->data), GTK_RESPONSE_CLOSE);
        }
        g_list_free(windows);
        return TRUE;
    }
    guint id_;
};

bool PumpUntilSensitive(GtkWidget *widget)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!GTK_WIDGET_SENSITIVE(widget) && std::chrono::steady_clock::now() < deadline) {
        while (g_main_context_iteration(nullptr, FALSE)) {
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return GTK_WIDGET_SENSITIVE(widget);
}

apptest::SessionBus &Bus()
{
    static apptest::SessionBus bus(std::string(getenv("QEVTEST_SCRATCH")) + "/session-bus");
    return bus;
}

class DesktopSave : public settingstest::MainWindowTest {
protected:
    static void SetUpTestSuite()
    {
        static bool started = !Bus().Start().empty();
        (void)started;
    }
    void SetUp() override
    {
        settingstest::MainWindowTest::SetUp();
        if (HasFatalFailure())
            return;
        ASSERT_NE(nullptr, getenv("DBUS_SESSION_BUS_ADDRESS"));
        createConfigFile();
        Pump();
    }
    void TearDown() override
    {
        qevtest::SimCtlOk({"unplug", "DVI"});
        settingstest::MainWindowTest::TearDown();
    }
    static void Pump() { apptest::Pump(); }
    std::string File(const char *name = "monitors.xml") { return ConfigDir() + "/" + name; }
    std::string Read(const char *name = "monitors.xml") { return qevtest::read_file(File(name)).value_or(""); }
    // Apply as the button does; true when the main window is sensitive again.
    bool Apply()
    {
        gtk_button_clicked(GTK_BUTTON(lookup_widget(g_pMainWindow, "Info_Apply_button")));
        return PumpUntilSensitive(g_pMainWindow);
    }
};

}  // namespace

TEST_F(DesktopSave, FileFollowsTheScreen)
{
    std::vector<XmlConfig> configs = ReadMonitors(Read());
    ASSERT_EQ(1u, configs.size()) << "saved at start-up";
    EXPECT_EQ("no", configs[0].clone) << "one place, two sizes";
    ExpectDescribesScreen(configs[0]);
    EXPECT_EQ("QEV", configs[0].outputs["CRT"]["vendor"]);
    EXPECT_NE(configs[0].outputs["CRT"]["serial"], configs[0].outputs["LCD"]["serial"]);

    ASSERT_TRUE(qevtest::run({"xrandr", "--output", "CRT", "--mode", "1024x768", "--output", "LCD", "--mode",
                              "1024x768", "--same-as", "CRT"})
                    .ok());
    ASSERT_TRUE(Apply());
    configs = ReadMonitors(Read());
    ASSERT_EQ(1u, configs.size());
    EXPECT_EQ("yes", configs[0].clone);
    ExpectDescribesScreen(configs[0]);

    ASSERT_TRUE(qevtest::run({"xrandr", "--output", "LCD", "--rotate", "left", "--right-of", "CRT"}).ok());
    std::string before = Read();
    ASSERT_TRUE(Apply());
    configs = ReadMonitors(Read());
    ASSERT_EQ(1u, configs.size()) << "the same monitors: replaced";
    EXPECT_EQ("no", configs[0].clone);
    ExpectDescribesScreen(configs[0]);
    EXPECT_EQ(before, Read("monitors.xml.backup"));

    // Another set of monitors gets a configuration of its own.
    ASSERT_TRUE(qevtest::SimCtlOk({"plug", "DVI"}));
    ASSERT_TRUE(Apply());
    std::vector<XmlConfig> both = ReadMonitors(Read());
    ASSERT_EQ(2u, both.size());
    EXPECT_EQ(configs[0].outputs, both[0].outputs);
    ExpectDescribesScreen(both[1]);
    EXPECT_EQ(0u, both[1].outputs["DVI"].count("width")) << "connected, off";
    EXPECT_EQ(1u, both[1].outputs["DVI"].count("vendor"));
}

TEST_F(DesktopSave, ForeignDamagedAndUnwritableFiles)
{
    const std::string v2 = "<monitors version=\"2\">\n  <configuration><logicalmonitor/></configuration>\n</monitors>\n";
    const std::string damaged = "<monitors version=\"1\">\n  <configuration>\n    <clo";
    struct Case {
        const char *what;
        std::string contents;  // of monitors.xml before Apply
        bool badDir, saved, startUp;  // saved by start-up (twice over) instead of Apply
    } cases[] = {
        {"version 2", v2, false, false, false},
        {"damaged, Apply", damaged, false, true, false},
        {"damaged, start-up", damaged, false, true, true},
        {"configuration directory cannot be made", "", true, false, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(qevtest::write_file(File(), c.contents));
        std::string dir = c.badDir ? File() + "/sub" : ConfigDir();  // under a file: cannot be made
        setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
        DialogWatcher dialogs;
        if (c.startUp)
            createConfigFile();
        else
            ASSERT_TRUE(Apply());
        setenv("XDG_CONFIG_HOME", ConfigDir().c_str(), 1);
        if (c.saved) {
            EXPECT_TRUE(dialogs.seen.empty());
            EXPECT_EQ(c.contents, Read("monitors.xml.backup")) << "kept aside";
            std::string version;
            EXPECT_EQ(1u, ReadMonitors(Read(), &version).size());
            EXPECT_EQ("1", version);
        } else {
            ASSERT_EQ(1u, dialogs.seen.size());
            EXPECT_EQ(0u, dialogs.seen[0].find("Could not save the monitor configuration|"));
            EXPECT_GT(dialogs.seen[0].size(), 45u) << "with the reason";
            EXPECT_EQ(c.contents, Read()) << "left byte for byte";
        }
    }
}

// The simulated monitors look real to a desktop tool: autorandr tells them
// by their EDIDs and puts a saved layout back.
TEST_F(DesktopSave, AutorandrRestoresTheLayout)
{
    qevtest::RunOptions options;
    options.env = {"XDG_CONFIG_HOME=" + ConfigDir(), "PYTHONWARNINGS=ignore"};
    auto layout = [] {
        std::istringstream in(qevtest::run({"xrandr"}).out);
        std::string lines;
        for (std::string line; std::getline(in, line);)
            if (line.find(" connected") != std::string::npos)
                lines += line + "\n";
        return lines;
    };
    const std::string before = layout();
    ASSERT_TRUE(qevtest::run({"autorandr", "--save", "qev"}, options).ok());
    ASSERT_TRUE(qevtest::run({"xrandr", "--output", "LCD", "--rotate", "left", "--right-of", "CRT"}).ok());
    ASSERT_NE(before, layout());
    EXPECT_EQ("qev\n", qevtest::run({"autorandr", "--detected"}, options).out);
    ASSERT_TRUE(qevtest::run({"autorandr", "--load", "qev"}, options).ok());
    EXPECT_EQ(before, layout());
}

TEST(MonitorsXml, EscapedAndMerged)
{
    GnomeRRConfig config;
    GnomeRROutput out;
    out.name = "A<&>\"'B";
    out.connected = out.on = true;
    out.vendor = "<&>";
    out.width = 640;
    out.height = 480;
    out.rate = 60;
    out.rotation = 8;
    config.outputs.push_back(out);
    std::string text;
    ASSERT_EQ(0, gnome_rr_merge_monitors_xml(config, nullptr, &text));
    std::vector<XmlConfig> one = ReadMonitors(text);
    ASSERT_EQ(1u, one.size());
    ASSERT_EQ(1u, one[0].outputs.count(out.name));
    EXPECT_EQ("<&>", one[0].outputs[out.name]["vendor"]);
    EXPECT_EQ("right", one[0].outputs[out.name]["rotation"]);

    // The same monitors replace their configuration; others stay.
    std::string merged;
    ASSERT_EQ(0, gnome_rr_merge_monitors_xml(config, &text, &merged));
    EXPECT_EQ(1u, ReadMonitors(merged).size());
    config.outputs[0].serial = 7;
    ASSERT_EQ(0, gnome_rr_merge_monitors_xml(config, &text, &merged));
    EXPECT_EQ(2u, ReadMonitors(merged).size());

    const std::string other = "<monitors version=\"2\"/>", broken = "<monitors";
    EXPECT_EQ(2, gnome_rr_merge_monitors_xml(config, &other, &merged));
    EXPECT_EQ(1, gnome_rr_merge_monitors_xml(config, &broken, &merged));
    EXPECT_EQ(1u, ReadMonitors(merged).size());

    unsigned char edid[128] = {0, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0, 0x44, 0xb6, 0x10, 0x51, 1, 2, 3, 4};
    unsigned sum = 0;
    for (unsigned char b : edid)
        sum += b;
    edid[127] = static_cast<unsigned char>(256 - sum % 256);
    std::string vendor;
    unsigned product = 0, serial = 0;
    ASSERT_TRUE(gnome_rr_parse_edid(edid, sizeof edid, &vendor, &product, &serial));
    EXPECT_EQ("QEV", vendor);
    EXPECT_EQ(0x5110u, product);
    EXPECT_EQ(0x04030201u, serial);
    edid[127] ^= 1;
    EXPECT_FALSE(gnome_rr_parse_edid(edid, sizeof edid, &vendor, &product, &serial));
}

// ---- the settings daemon -------------------------------------------------------------

namespace {

class SettingsDaemon : public DesktopSave {
protected:
    // The stand-in's log after one Apply with it in `personality` ("" runs
    // none); the window must be insensitive while the request is under way.
    std::vector<std::string> ApplyWith(const std::string &personality, bool *dialogShown)
    {
        std::string log = ConfigDir() + "/calls.log";
        std::unique_ptr<apptest::Child> daemon;
        if (!personality.empty()) {
            daemon = std::make_unique<apptest::Child>(
                std::vector<std::string>{qevtest::build_dir() + "/tests/app/settings_daemon_standin", personality,
                                         log});
            auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            while (!qevtest::file_exists(log + ".ready") && std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            EXPECT_TRUE(qevtest::file_exists(log + ".ready"));
        }
        DialogWatcher dialogs;
        gtk_button_clicked(GTK_BUTTON(lookup_widget(g_pMainWindow, "Info_Apply_button")));
        EXPECT_FALSE(GTK_WIDGET_SENSITIVE(g_pMainWindow)) << "request under way";
        EXPECT_TRUE(PumpUntilSensitive(g_pMainWindow));
        *dialogShown = !dialogs.seen.empty();
        std::vector<std::string> lines;
        std::istringstream in(qevtest::read_file(log).value_or(""));
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }
};

using Lines = std::vector<std::string>;

}  // namespace

TEST_F(SettingsDaemon, OneRequestPerApply)
{
    const std::string wid = std::to_string(GDK_WINDOW_XID(g_pMainWindow->window));
    const struct {
        const char *personality;
        Lines calls;
    } cases[] = {
        {"both", {"org.gnome.SettingsDaemon.XRANDR_2 ApplyConfiguration (" + wid + ", 0)"}},
        {"old", {"org.gnome.SettingsDaemon.XRANDR ApplyConfiguration ()"}},  // the retry, without arguments
        {"error", {"org.gnome.SettingsDaemon.XRANDR_2 ApplyConfiguration (" + wid + ", 0)"}},  // no retry
        {"none", {}},
        {"", {}},  // no daemon
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.personality);
        std::remove((ConfigDir() + "/calls.log").c_str());
        std::remove((ConfigDir() + "/calls.log.ready").c_str());
        bool dialog = true;
        EXPECT_EQ(c.calls, ApplyWith(c.personality, &dialog));
        EXPECT_FALSE(dialog);
        EXPECT_EQ(nullptr, app->proxy_call);
    }
}

TEST_F(SettingsDaemon, BusGoneMidRequest)
{
    std::string log = ConfigDir() + "/calls.log";
    apptest::Child daemon({qevtest::build_dir() + "/tests/app/settings_daemon_standin", "silent", log});
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!qevtest::file_exists(log + ".ready") && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(qevtest::file_exists(log + ".ready"));
    gtk_button_clicked(GTK_BUTTON(lookup_widget(g_pMainWindow, "Info_Apply_button")));
    deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!qevtest::file_exists(log) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    Pump();
    EXPECT_FALSE(GTK_WIDGET_SENSITIVE(g_pMainWindow)) << "no answer yet";
    Bus().Stop();
    EXPECT_TRUE(PumpUntilSensitive(g_pMainWindow));
    daemon.Stop();
    EXPECT_FALSE(Bus().Start().empty());  // for the tests after this one
}
