#include "saveconfig.h"

#include <X11/Xlib.h>
#include <dbus/dbus-glib-lowlevel.h>
#include <dbus/dbus.h>
#include <dlfcn.h>
#include <gdk/gdkx.h>
#include <libintl.h>

#include <string>
#include <type_traits>

#include "common.h"

App *app = nullptr;

namespace {

// dbus-glib (and with it libdbus and its own dependencies) is loaded by the
// first apply request, the only user of the session bus: the start-up does
// not map and relocate eight libraries it never calls.
struct DBusGlib {
    decltype(&dbus_g_bus_get) bus_get;
    decltype(&dbus_g_connection_get_connection) connection_get_connection;
    decltype(&dbus_g_connection_unref) connection_unref;
    decltype(&dbus_connection_set_exit_on_disconnect) set_exit_on_disconnect;
    decltype(&dbus_g_proxy_new_for_name) proxy_new_for_name;
    decltype(&dbus_g_proxy_begin_call) proxy_begin_call;
    decltype(&dbus_g_proxy_end_call) proxy_end_call;
    decltype(&dbus_g_error_quark) error_quark;
};
DBusGlib g_dbus = {};

// Loads dbus-glib once; on failure the reason, else null.
const char *LoadDBusGlib()
{
    static std::string failure;
    static bool tried = false;
    if (tried)
        return failure.empty() ? nullptr : failure.c_str();
    tried = true;
    void *lib = dlopen("libdbus-glib-1.so.2", RTLD_NOW | RTLD_LOCAL);  // kept for the rest of the run
    auto find = [lib](auto *slot, const char *name) {
        *slot = lib ? reinterpret_cast<std::remove_pointer_t<decltype(slot)>>(dlsym(lib, name)) : nullptr;
        return *slot != nullptr;
    };
    bool ok = find(&g_dbus.bus_get, "dbus_g_bus_get") &&
              find(&g_dbus.connection_get_connection, "dbus_g_connection_get_connection") &&
              find(&g_dbus.connection_unref, "dbus_g_connection_unref") &&
              find(&g_dbus.set_exit_on_disconnect, "dbus_connection_set_exit_on_disconnect") &&
              find(&g_dbus.proxy_new_for_name, "dbus_g_proxy_new_for_name") &&
              find(&g_dbus.proxy_begin_call, "dbus_g_proxy_begin_call") &&
              find(&g_dbus.proxy_end_call, "dbus_g_proxy_end_call") &&
              find(&g_dbus.error_quark, "dbus_g_error_quark");
    if (!ok) {
        const char *why = dlerror();
        failure = why ? why : "libdbus-glib-1.so.2 could not be loaded";
    }
    return failure.empty() ? nullptr : failure.c_str();
}

// A new GnomeRR screen for GDK's default screen into app->rr_screen; on
// failure the error dialog, and false.
bool MakeScreen(App *record)
{
    GError *error = nullptr;
    record->rr_screen = gnome_rr_screen_new(gdk_screen_get_default(), on_screen_changed, nullptr, &error);
    if (record->rr_screen)
        return true;
    error_message(record, gettext("Could not get screen information"), error ? error->message : "");
    if (error)
        g_error_free(error);
    return false;
}

void SetMainWindowSensitive(gboolean sensitive)
{
    if (g_pMainWindow)
        gtk_widget_set_sensitive(g_pMainWindow, sensitive);
}

void EndRequest(App *record)
{
    if (record->proxy) {
        g_signal_handlers_disconnect_matched(record->proxy, G_SIGNAL_MATCH_DATA, 0, 0, nullptr, nullptr, record);
        g_object_unref(record->proxy);
    }
    if (record->connection)
        g_dbus.connection_unref(record->connection);
    record->proxy = nullptr;
    record->connection = nullptr;
    record->proxy_call = nullptr;
    SetMainWindowSensitive(TRUE);
}

gboolean EndRequestIdle(gpointer data)
{
    EndRequest(static_cast<App *>(data));
    return G_SOURCE_REMOVE;
}

// dbus-glib destroys the proxies of a connection the bus closed, cancelling
// their calls without a reply: the request ends here instead.
void on_proxy_destroyed(DBusGProxy *, gpointer data)
{
    auto *record = static_cast<App *>(data);
    if (!record->proxy_call)
        return;
    record->proxy_call = nullptr;
    g_idle_add(EndRequestIdle, record);
}

DBusGProxy *NewProxy(App *record, const char *interface)
{
    DBusGProxy *proxy = g_dbus.proxy_new_for_name(record->connection, QEV_SETTINGS_DAEMON_SERVICE,
                                                  QEV_SETTINGS_DAEMON_PATH, interface);
    g_signal_connect(proxy, "destroy", G_CALLBACK(on_proxy_destroyed), record);
    return proxy;
}

void begin_version1_apply_configuration(App *record)
{
    record->proxy = NewProxy(record, QEV_SETTINGS_DAEMON_IFACE1);
    record->apply_version = 0;
    record->proxy_call = g_dbus.proxy_begin_call(record->proxy, "ApplyConfiguration", apply_configuration_returned_cb2,
                                                 record, nullptr, G_TYPE_INVALID);
}

void begin_version2_apply_configuration(App *record)
{
    if (record->connection || record->proxy || record->proxy_call)
        return;
    if (const char *failure = LoadDBusGlib()) {
        error_message(record, gettext("Could not get session bus while applying display configuration"), failure);
        return;
    }
    GError *error = nullptr;
    record->connection = g_dbus.bus_get(DBUS_BUS_SESSION, &error);
    if (!record->connection) {
        error_message(record, gettext("Could not get session bus while applying display configuration"),
                      error ? error->message : "");
        if (error)
            g_error_free(error);
        return;
    }
    // A session bus that goes away must end the request, not the program
    // (libdbus ends the process on a lost bus connection unless told not to).
    g_dbus.set_exit_on_disconnect(g_dbus.connection_get_connection(record->connection), FALSE);

    SetMainWindowSensitive(FALSE);
    gint64 window = 0;
    if (g_pMainWindow && g_pMainWindow->window)
        window = static_cast<gint64>(GDK_WINDOW_XID(g_pMainWindow->window));
    record->proxy = NewProxy(record, QEV_SETTINGS_DAEMON_IFACE2);
    record->apply_version = 1;
    record->proxy_call =
        g_dbus.proxy_begin_call(record->proxy, "ApplyConfiguration", apply_configuration_returned_cb2, record,
                                nullptr, G_TYPE_INT64, window, G_TYPE_INT64, static_cast<gint64>(0), G_TYPE_INVALID);
    if (!record->proxy_call)  // the connection is already closed
        EndRequest(record);
}

}  // namespace

void error_message(App *record, const char *primary, const char *secondary)
{
    GtkWidget *dialog = gtk_message_dialog_new(record && record->parent_window ? GTK_WINDOW(record->parent_window)
                                                                                : nullptr,
                                               GTK_DIALOG_DESTROY_WITH_PARENT, GTK_MESSAGE_ERROR, GTK_BUTTONS_CLOSE,
                                               "%s", primary);
    gtk_message_dialog_format_secondary_text(GTK_MESSAGE_DIALOG(dialog), "%s", secondary ? secondary : "");
    gtk_dialog_run(GTK_DIALOG(dialog));
    gtk_widget_destroy(dialog);
}

void on_screen_changed(GnomeRRScreen *, gpointer) {}

void on_screen_changed2(GnomeRRScreen *, App *record)
{
    if (record->current_config)
        gnome_rr_config_free(record->current_config);
    record->current_config = gnome_rr_config_new_current(record->rr_screen);
    record->selected_output = nullptr;
}

void createConfigFile(void)
{
    if (app) {  // called again (tests): the previous record goes first
        gnome_rr_config_free(app->current_config);
        gnome_rr_screen_destroy(app->rr_screen);
        g_free(app);
    }
    app = g_new0(App, 1);
    if (!MakeScreen(app))
        return;
    on_screen_changed2(app->rr_screen, app);

    if (GnomeRRScreen *temporary = gnome_rr_screen_new(gdk_screen_get_default(), nullptr, nullptr, nullptr)) {
        if (GnomeRRConfig *config = gnome_rr_config_new_current(temporary)) {
            gnome_rr_config_save(config, nullptr);
            gnome_rr_config_free(config);
        }
        gnome_rr_screen_destroy(temporary);
    }

    GError *error = nullptr;
    if (!gnome_rr_config_save(app->current_config, &error)) {
        error_message(app, gettext("Could not save the monitor configuration"), error ? error->message : "");
        if (error)
            g_error_free(error);
    }
}

void saveConfigFile(void)
{
    if (!app)
        return;
    XSync(GDK_DISPLAY_XDISPLAY(gdk_display_get_default()), False);
    if (app->rr_screen)
        gnome_rr_screen_destroy(app->rr_screen);
    app->rr_screen = nullptr;
    if (!MakeScreen(app))
        return;
    on_screen_changed2(app->rr_screen, app);
    gnome_rr_config_sanitize(app->current_config);

    GError *error = nullptr;
    if (!gnome_rr_config_save(app->current_config, &error)) {
        error_message(app, gettext("Could not save the monitor configuration"), error ? error->message : "");
        if (error)
            g_error_free(error);
        return;
    }
    begin_version2_apply_configuration(app);
}

void apply_configuration_returned_cb2(DBusGProxy *proxy, DBusGProxyCall *call, void *data)
{
    auto *record = static_cast<App *>(data);
    if (call != record->proxy_call)
        return;
    GError *error = nullptr;
    if (!g_dbus.proxy_end_call(proxy, call, &error, G_TYPE_INVALID)) {
        bool retry =
            record->apply_version == 1 && g_error_matches(error, g_dbus.error_quark(), DBUS_GERROR_UNKNOWN_METHOD);
        g_error_free(error);
        if (retry) {
            g_signal_handlers_disconnect_matched(record->proxy, G_SIGNAL_MATCH_DATA, 0, 0, nullptr, nullptr, record);
            g_object_unref(record->proxy);
            begin_version1_apply_configuration(record);
            if (record->proxy_call)
                return;
        }
    }
    EndRequest(record);
}
