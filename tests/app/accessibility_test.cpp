// The program as assistive technology sees it: started with GTK2's
// accessibility modules on a private accessibility bus (a dbus-daemon that
// activates nothing and at-spi2-registryd, both stopped by pid), its controls
// found through AT-SPI by accessible id, with their roles and labels.
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

struct Unref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
using Accessible = std::unique_ptr<AtspiAccessible, Unref>;
using IdMap = std::map<std::string, Accessible>;

// Polls `done` every 20 ms for at most 20 s.
bool WaitUntil(const std::function<bool()> &done)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!done() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return done();
}

// True when the bus at `address` takes a client and `name` (if any) has an owner.
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

std::string Take(gchar *text)
{
    std::unique_ptr<gchar, decltype(&g_free)> owned(text, g_free);
    return text ? text : "";
}

// Every accessible below `node` that has an id, the first one of each id.
void CollectIds(AtspiAccessible *node, IdMap *ids)
{
    std::string id = Take(atspi_accessible_get_accessible_id(node, nullptr));
    if (!id.empty() && !ids->count(id))
        (*ids)[id].reset(static_cast<AtspiAccessible *>(g_object_ref(node)));
    gint count = atspi_accessible_get_child_count(node, nullptr);
    for (gint i = 0; i < count; ++i)
        if (Accessible child{atspi_accessible_get_child_at_index(node, i, nullptr)})
            CollectIds(child.get(), ids);
}

// The ids of every application on the bus, read afresh.
IdMap Ids()
{
    Accessible desktop(atspi_get_desktop(0));
    atspi_accessible_clear_cache(desktop.get());
    IdMap ids;
    CollectIds(desktop.get(), &ids);
    return ids;
}

// The first target of the control's labelled-by relation, or null.
Accessible LabelOf(AtspiAccessible *control)
{
    Accessible label;
    GArray *relations = atspi_accessible_get_relation_set(control, nullptr);
    for (guint i = 0; relations && i < relations->len; ++i) {
        AtspiRelation *relation = g_array_index(relations, AtspiRelation *, i);
        if (!label && atspi_relation_get_relation_type(relation) == ATSPI_RELATION_LABELLED_BY)
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
    const std::string address = "unix:path=" + socket;
    ASSERT_TRUE(qevtest::write_file(socket + ".conf",
                                    "<busconfig><type>session</type><listen>" + address +
                                        "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
                                        "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
                                        "<allow own=\"*\"/></policy></busconfig>\n"));
    const std::vector<std::string> env = {"AT_SPI_BUS_ADDRESS=" + address, "DBUS_SESSION_BUS_ADDRESS=" + address,
                                          "DISPLAY=" + server().display()};
    apptest::Child bus({"/usr/bin/dbus-daemon", "--config-file=" + socket + ".conf", "--nofork"});
    ASSERT_TRUE(WaitUntil([&] { return BusServes(address, ""); })) << "the private bus did not start";
    apptest::Child registry({"/usr/libexec/at-spi2-registryd"}, env);
    ASSERT_TRUE(WaitUntil([&] { return BusServes(address, "org.a11y.atspi.Registry"); })) << "no registry";

    // In a PID namespace of its own, so that copies elsewhere on this machine
    // do not count as instances.
    std::vector<std::string> programEnv = env;
    programEnv.insert(programEnv.end(), {"GTK_MODULES=gail:atk-bridge", "NO_AT_BRIDGE", "ASAN_OPTIONS=detect_leaks=0"});
    apptest::Child program({"/usr/bin/unshare", "--pid", "--fork", "--mount-proc", "--kill-child",
                            qevtest::build_dir() + "/app/QEVDisplayUtility"},
                           programEnv);
    setenv("AT_SPI_BUS_ADDRESS", address.c_str(), 1);
    setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
    ASSERT_EQ(0, atspi_init());

    // Pages are built when first shown: automation shows the Display and
    // Gamma pages through the notebook's selection.
    IdMap ids;
    ASSERT_TRUE(WaitUntil([&] { return (ids = Ids()).count("Info_notebook") > 0; })) << "the program is not on the bus";
    AtspiSelection *tabs = atspi_accessible_get_selection_iface(ids["Info_notebook"].get());
    ASSERT_NE(nullptr, tabs);
    for (auto [page, control] : {std::pair{1, "Display_Device_Combo"}, {2, "Gamma_Contrast_Hscrollbar"}}) {
        EXPECT_TRUE(atspi_selection_select_child(tabs, page, nullptr));
        EXPECT_TRUE(WaitUntil([&] { return (ids = Ids()).count(control) > 0; })) << control;
    }
    g_object_unref(tabs);

    // labelText null: no label; labelId "": a label registered under no name
    struct Case { const char *id; AtspiRole role; const char *labelText, *labelId; } const cases[] = {
        {"MainWindow", ATSPI_ROLE_FRAME, nullptr, nullptr},
        {"Info_Apply_button", ATSPI_ROLE_PUSH_BUTTON, nullptr, nullptr},
        {"Display_Device_Combo", ATSPI_ROLE_COMBO_BOX, "Device :", "Display_Device_Combo_label"},
        {"Display_SecMode_Combo", ATSPI_ROLE_COMBO_BOX, "TwinScreen Mode :", "Display_SecMode_Combo_label"},
        {"Gamma_Contrast_Hscrollbar", ATSPI_ROLE_SCROLL_BAR, "Contrast : ", "Gamma_Contrast_Label"},
        {"Gamma_Scheme_Combo", ATSPI_ROLE_COMBO_BOX, "Schemes : ", ""},  // the frame's title
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.id);
        auto it = ids.find(c.id);
        ASSERT_NE(ids.end(), it);
        EXPECT_EQ(c.role, atspi_accessible_get_role(it->second.get(), nullptr));
        Accessible label = LabelOf(it->second.get());
        ASSERT_EQ(c.labelText != nullptr, label != nullptr);
        if (label) {
            EXPECT_EQ(c.labelText, Take(atspi_accessible_get_name(label.get(), nullptr)));
            EXPECT_EQ(c.labelId, Take(atspi_accessible_get_accessible_id(label.get(), nullptr)));
        }
    }
    ids.clear();
    atspi_exit();
}
