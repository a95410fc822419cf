/* Test stand-in for the desktop's settings daemon: owns
 * "org.gnome.SettingsDaemon" on the session bus and serves ApplyConfiguration
 * at "/org/gnome/SettingsDaemon/XRANDR". Each call received is appended to the
 * log file as one line "INTERFACE ARGS..." before it is answered; LOG.ready
 * appears once the name is owned.
 *
 *   settings_daemon_standin PERSONALITY LOG
 *
 * PERSONALITY: "both" (XRANDR_2 and XRANDR), "old" (XRANDR only), "none" (the
 * name without any object), "error" (both interfaces, every call refused),
 * "silent" (both interfaces, no call ever answered). */
#include <gio/gio.h>
#include <glib-unix.h>
#include <stdio.h>
#include <string.h>

static const char *g_personality;
static const char *g_log_path;
static GMainLoop *g_loop;

static const char k_xml[] =
    "<node>"
    " <interface name='org.gnome.SettingsDaemon.XRANDR_2'>"
    "  <method name='ApplyConfiguration'>"
    "   <arg type='x' name='parent_window_id' direction='in'/>"
    "   <arg type='x' name='timestamp' direction='in'/>"
    "  </method>"
    " </interface>"
    " <interface name='org.gnome.SettingsDaemon.XRANDR'>"
    "  <method name='ApplyConfiguration'/>"
    " </interface>"
    "</node>";

static void record(const char *line)
{
    FILE *f = fopen(g_log_path, "a");
    if (!f)
        return;
    fprintf(f, "%s\n", line);
    fclose(f);
}

static void on_call(GDBusConnection *connection, const gchar *sender, const gchar *path, const gchar *interface,
                    const gchar *method, GVariant *parameters, GDBusMethodInvocation *invocation, gpointer data)
{
    (void)connection;
    (void)sender;
    (void)path;
    (void)data;
    gchar *args = g_variant_print(parameters, FALSE);
    gchar *line = g_strdup_printf("%s %s %s", interface, method, args);
    record(line);
    g_free(line);
    g_free(args);
    if (strcmp(g_personality, "silent") == 0)
        g_object_ref(invocation); /* kept unanswered */
    else if (strcmp(g_personality, "error") == 0)
        g_dbus_method_invocation_return_dbus_error(invocation, "org.gnome.SettingsDaemon.XRANDR.Error.Failed",
                                                   "refused by the stand-in");
    else
        g_dbus_method_invocation_return_value(invocation, NULL);
}

static const GDBusInterfaceVTable k_vtable = {on_call, NULL, NULL, {0}};

static void on_bus(GDBusConnection *connection, const gchar *name, gpointer data)
{
    (void)name;
    GDBusNodeInfo *info = data;
    gboolean both = strcmp(g_personality, "both") == 0 || strcmp(g_personality, "error") == 0 ||
                    strcmp(g_personality, "silent") == 0;
    gboolean old = both || strcmp(g_personality, "old") == 0;
    if (both)
        g_dbus_connection_register_object(connection, "/org/gnome/SettingsDaemon/XRANDR", info->interfaces[0],
                                          &k_vtable, NULL, NULL, NULL);
    if (old)
        g_dbus_connection_register_object(connection, "/org/gnome/SettingsDaemon/XRANDR", info->interfaces[1],
                                          &k_vtable, NULL, NULL, NULL);
}

static void on_name(GDBusConnection *connection, const gchar *name, gpointer data)
{
    (void)connection;
    (void)name;
    (void)data;
    gchar *ready = g_strconcat(g_log_path, ".ready", NULL);
    g_file_set_contents(ready, "", 0, NULL);
    g_free(ready);
}

static void on_name_lost(GDBusConnection *connection, const gchar *name, gpointer data)
{
    (void)connection;
    (void)name;
    (void)data;
    g_main_loop_quit(g_loop);
}

static gboolean on_term(gpointer data)
{
    (void)data;
    g_main_loop_quit(g_loop);
    return G_SOURCE_REMOVE;
}

int main(int argc, char **argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: %s both|old|none|error|silent LOG\n", argv[0]);
        return 2;
    }
    g_personality = argv[1];
    g_log_path = argv[2];
    GDBusNodeInfo *info = g_dbus_node_info_new_for_xml(k_xml, NULL);
    g_loop = g_main_loop_new(NULL, FALSE);
    g_unix_signal_add(SIGTERM, on_term, NULL);
    guint owner = g_bus_own_name(G_BUS_TYPE_SESSION, "org.gnome.SettingsDaemon", G_BUS_NAME_OWNER_FLAGS_NONE,
                                 on_bus, on_name, on_name_lost, info, NULL);
    g_main_loop_run(g_loop);
    g_bus_unown_name(owner);
    g_dbus_node_info_unref(info);
    g_main_loop_unref(g_loop);
    return 0;
}
