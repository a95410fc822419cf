/* Test stand-in for the desktop's settings daemon (not installed): owns
 * "org.gnome.SettingsDaemon" on the session bus and serves ApplyConfiguration
 * at "/org/gnome/SettingsDaemon/XRANDR", appending each call received to LOG
 * as "INTERFACE METHOD ARGS" before answering; LOG.ready appears once the name
 * is owned. Usage: settings_daemon_standin PERSONALITY LOG, with PERSONALITY
 * "both" (XRANDR_2 and XRANDR), "old" (XRANDR only), "none" (no object),
 * "error" (both, every call refused) or "silent" (both, never answered). */
#include <gio/gio.h>
#include <glib-unix.h>
#include <stdio.h>
#include <string.h>

static const char *g_personality, *g_log_path;
static GDBusNodeInfo *g_node;

static void on_call(GDBusConnection *c, const gchar *sender, const gchar *path, const gchar *interface,
                    const gchar *method, GVariant *args, GDBusMethodInvocation *invocation, gpointer data)
{
    (void)c, (void)sender, (void)path, (void)data;
    gchar *text = g_variant_print(args, FALSE);
    FILE *log = fopen(g_log_path, "a");
    if (log) {
        fprintf(log, "%s %s %s\n", interface, method, text);
        fclose(log);
    }
    g_free(text);
    if (strcmp(g_personality, "error") == 0)
        g_dbus_method_invocation_return_dbus_error(invocation, "org.gnome.SettingsDaemon.Error.Failed", "refused");
    else if (strcmp(g_personality, "silent") != 0)
        g_dbus_method_invocation_return_value(invocation, NULL);
}

static void on_bus(GDBusConnection *connection, const gchar *name, gpointer data)
{
    static const GDBusInterfaceVTable vtable = {on_call, NULL, NULL, {0}};
    (void)name, (void)data;
    for (int i = 0; i < 2; i++) /* 0: XRANDR_2, 1: XRANDR */
        if (strcmp(g_personality, "none") != 0 && (i == 1 || strcmp(g_personality, "old") != 0))
            g_dbus_connection_register_object(connection, "/org/gnome/SettingsDaemon/XRANDR", g_node->interfaces[i],
                                              &vtable, NULL, NULL, NULL);
}

static void on_name(GDBusConnection *connection, const gchar *name, gpointer data)
{
    (void)connection, (void)name, (void)data;
    gchar *ready = g_strconcat(g_log_path, ".ready", NULL);
    g_file_set_contents(ready, "", 0, NULL);
    g_free(ready);
}

static gboolean on_end(gpointer loop)
{
    g_main_loop_quit(loop);
    return G_SOURCE_REMOVE;
}

static void on_lost(GDBusConnection *connection, const gchar *name, gpointer loop)
{
    (void)connection, (void)name;
    on_end(loop);
}

int main(int argc, char **argv)
{
    static const char xml[] =
        "<node><interface name='org.gnome.SettingsDaemon.XRANDR_2'><method name='ApplyConfiguration'>"
        "<arg type='x' direction='in'/><arg type='x' direction='in'/></method></interface>"
        "<interface name='org.gnome.SettingsDaemon.XRANDR'><method name='ApplyConfiguration'/></interface></node>";
    if (argc != 3)
        return 2;
    g_personality = argv[1];
    g_log_path = argv[2];
    g_node = g_dbus_node_info_new_for_xml(xml, NULL);
    GMainLoop *loop = g_main_loop_new(NULL, FALSE); /* both live as long as the process */
    g_unix_signal_add(SIGTERM, on_end, loop);
    g_bus_own_name(G_BUS_TYPE_SESSION, "org.gnome.SettingsDaemon", G_BUS_NAME_OWNER_FLAGS_NONE, on_bus, on_name,
                   on_lost, loop, NULL);
    g_main_loop_run(loop);
    return 0;
}
