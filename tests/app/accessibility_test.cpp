// The program as assistive technology sees it: started as a child with GTK2's
// accessibility modules and the AT-SPI bridge on a private bus (its own
// dbus-daemon and registry, both stopped by pid), its controls found through
// AT-SPI by accessible id, with their roles and labels.
#include <atspi/atspi.h>
#include <dbus/dbus.h>
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>

#include "child.h"
#include "qevtest/qevtest.h"

namespace {

const char kProgramName[] = "QEVDisplayUtility";

struct Unref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
using Accessible = std::unique_ptr<AtspiAccessible, Unref>;

// Polls `done` every 20 ms for at most 20 s.
bool WaitUntil(const std::function<bool()> &done)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// True when the bus at `address` takes a connection and, for a non-empty
// `name`, that name has an owner.
bool BusServes(const std::string &address, const char *name)
{
    DBusError error;
    dbus_error_init(&error);
    DBusConnection *bus = dbus_connection_open_private(address.c_str(), &error);
    bool ok = bus && dbus_bus_register(bus, &error) && (!*name || dbus_bus_name_has_owner(bus, name, &error));
    dbus_error_free(&error);
    if (bus) {
        dbus_connection_close(bus);
        dbus_connection_unref(bus);
    }
    return ok;
}

// A bus that activates nothing: every process on it is started by the test.
std::string BusConfig(const std::string &socket)
{
    return "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
           " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
           "<busconfig><type>session</type><listen>unix:path=" + socket + "</listen><auth>EXTERNAL</auth>"
           "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
           "<allow own=\"*\"/></policy></busconfig>\n";
}

std::string Take(gchar *text)
{
    std::string s = text ? text : "";
    g_free(text);
    return s;
}

// The application's top-level accessible on the registry's desktop, or null.
Accessible FindApplication(const char *name)
{
    Accessible desktop(atspi_get_desktop(0));
    atspi_accessible_clear_cache(desktop.get());
    gint count = atspi_accessible_get_child_count(desktop.get(), nullptr);
    for (gint i = 0; i < count; ++i) {
        Accessible app(atspi_accessible_get_child_at_index(desktop.get(), i, nullptr));
        if (app && Take(atspi_accessible_get_name(app.get(), nullptr)) == name)
            return app;
    }
    return nullptr;
}

using IdMap = std::map<std::string, Accessible>;

// Every accessible below `node` that has an id, the first one of each id.
void CollectIds(AtspiAccessible *node, IdMap *ids)
{
    std::string id = Take(atspi_accessible_get_accessible_id(node, nullptr));
    if (!id.empty() && !ids->count(id))
        (*ids)[id].reset(static_cast<AtspiAccessible *>(g_object_ref(node)));
    gint count = atspi_accessible_get_child_count(node, nullptr);
    for (gint i = 0; i < count; ++i) {
        if (Accessible child{atspi_accessible_get_child_at_index(node, i, nullptr)})
            CollectIds(child.get(), ids);
    }
}

// The application's tree read afresh.
IdMap Ids(AtspiAccessible *app)
{
    atspi_accessible_clear_cache(app);
    IdMap ids;
    CollectIds(app, &ids);
    return ids;
}

// The target of the control's labelled-by relation, or null.
Accessible LabelOf(AtspiAccessible *control)
{
    Accessible label;
    GArray *relations = atspi_accessible_get_relation_set(control, nullptr);
    for (guint i = 0; relations && i < relations->len; ++i) {
        AtspiRelation *relation = g_array_index(relations, AtspiRelation *, i);
        if (!label && atspi_relation_get_relation_type(relation) == ATSPI_RELATION_LABELLED_BY &&
            atspi_relation_get_n_targets(relation) > 0)
            label.reset(atspi_relation_get_target(relation, 0));
        g_object_unref(relation);
    }
    if (relations)
        g_array_free(relations, TRUE);
    return label;
}

class Accessibility : public qevtest::XServerTest<Accessibility> {};

}  // namespace

TEST_F(Accessibility, ControlsAreFoundByTheirNamesAndLabelled)
{
    const std::string socket = std::string(getenv("QEVTEST_SCRATCH")) + "/a11y-bus";
    const std::string config = std::string(getenv("QEVTEST_SCRATCH")) + "/a11y-bus.conf";
    const std::string address = "unix:path=" + socket;
    ASSERT_TRUE(qevtest::write_file(config, BusConfig(socket)));
    const std::vector<std::string> busEnv = {"AT_SPI_BUS_ADDRESS=" + address, "DBUS_SESSION_BUS_ADDRESS=" + address,
                                             "DISPLAY=" + server().display()};

    apptest::Child bus({"/usr/bin/dbus-daemon", "--config-file=" + config, "--nofork"});
    ASSERT_TRUE(WaitUntil([&] { return BusServes(address, ""); })) << "the private bus did not start";
    apptest::Child registry({"/usr/libexec/at-spi2-registryd"}, busEnv);
    ASSERT_TRUE(WaitUntil([&] { return BusServes(address, "org.a11y.atspi.Registry"); }))
        << "the registry did not start";

    // The program in a PID namespace of its own: copies run elsewhere on this
    // machine do not count as instances.
    std::vector<std::string> programEnv = busEnv;
    programEnv.insert(programEnv.end(), {"GTK_MODULES=gail:atk-bridge", "NO_AT_BRIDGE", "ASAN_OPTIONS=detect_leaks=0"});
    apptest::Child program({"/usr/bin/unshare", "--pid", "--fork", "--mount-proc", "--kill-child",
                            qevtest::build_dir() + "/app/QEVDisplayUtility"},
                           programEnv);
    ASSERT_TRUE(program.started());

    setenv("AT_SPI_BUS_ADDRESS", address.c_str(), 1);
    setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
    ASSERT_EQ(0, atspi_init());
    Accessible app;
    ASSERT_TRUE(WaitUntil([&] { return (app = FindApplication(kProgramName)) != nullptr; }))
        << "the program did not appear on the accessibility bus";

    // Pages are built when first shown: show the Display and Gamma pages as
    // automation does, through the notebook's selection.
    IdMap ids;
    ASSERT_TRUE(WaitUntil([&] { return (ids = Ids(app.get())).count("Info_notebook") > 0; }));
    AtspiSelection *tabs = atspi_accessible_get_selection_iface(ids["Info_notebook"].get());
    ASSERT_NE(nullptr, tabs);
    for (auto [page, control] : {std::pair{1, "Display_Device_Combo"}, {2, "Gamma_Contrast_Hscrollbar"}}) {
        EXPECT_TRUE(atspi_selection_select_child(tabs, page, nullptr));
        EXPECT_TRUE(WaitUntil([&] { return (ids = Ids(app.get())).count(control) > 0; })) << control;
    }
    g_object_unref(tabs);

    struct Case {
        const char *id;
        AtspiRole role;
        const char *labelId;  // null: labelled by a label without a name of its own
        const char *labelText;
    };
    const Case cases[] = {
        {"MainWindow", ATSPI_ROLE_FRAME, nullptr, nullptr},
        {"Info_Apply_button", ATSPI_ROLE_PUSH_BUTTON, nullptr, nullptr},
        {"Display_Device_Combo", ATSPI_ROLE_COMBO_BOX, "Display_Device_Combo_label", "Device :"},
        {"Display_SecMode_Combo", ATSPI_ROLE_COMBO_BOX, "Display_SecMode_Combo_label", "TwinScreen Mode :"},
        {"Gamma_Contrast_Hscrollbar", ATSPI_ROLE_SCROLL_BAR, "Gamma_Contrast_Label", "Contrast : "},
        {"Gamma_Scheme_Combo", ATSPI_ROLE_COMBO_BOX, nullptr, "Schemes : "},  // the frame's title
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.id);
        auto it = ids.find(c.id);
        ASSERT_NE(ids.end(), it);
        EXPECT_EQ(c.role, atspi_accessible_get_role(it->second.get(), nullptr));
        Accessible label = LabelOf(it->second.get());
        if (!c.labelText) {
            EXPECT_EQ(nullptr, label);
            continue;
        }
        ASSERT_NE(nullptr, label);
        EXPECT_EQ(c.labelText, Take(atspi_accessible_get_name(label.get(), nullptr)));
        EXPECT_EQ(c.labelId ? c.labelId : "", Take(atspi_accessible_get_accessible_id(label.get(), nullptr)));
    }
    ids.clear();
    app.reset();
    atspi_exit();
}
