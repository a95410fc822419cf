/* Keeping the desktop's stored monitor configuration in step with the screen:
 * saved at start-up and after every Apply, and after Apply the desktop's
 * settings daemon is asked over the session bus to apply it. RandR only. */
#ifndef QEV_APP_SAVECONFIG_H
#define QEV_APP_SAVECONFIG_H

#include <dbus/dbus-glib.h>
#include <gtk/gtk.h>

#include "gnome_rr.h"

#define QEV_SETTINGS_DAEMON_SERVICE "org.gnome.SettingsDaemon"
#define QEV_SETTINGS_DAEMON_PATH "/org/gnome/SettingsDaemon/XRANDR"
#define QEV_SETTINGS_DAEMON_IFACE2 "org.gnome.SettingsDaemon.XRANDR_2"
#define QEV_SETTINGS_DAEMON_IFACE1 "org.gnome.SettingsDaemon.XRANDR"

/* The desktop-configuration record, allocated by createConfigFile. */
struct App {
    GnomeRRScreen *rr_screen;
    GnomeRRConfig *current_config;
    gpointer unused1;
    gpointer selected_output;  /* cleared whenever current_config is re-read */
    GtkWidget *parent_window;  /* parent of the error dialogs; never set */
    gpointer unused2[3];
    DBusGConnection *connection;  /* while an apply request is under way */
    DBusGProxy *proxy;
    DBusGProxyCall *proxy_call;
    int apply_version;  /* 1: the request goes to XRANDR_2, 0: to XRANDR */
};
extern App *app;

/* Start-up: records the desktop's configuration. */
void createConfigFile(void);
/* After Apply: records the configuration again and asks the settings daemon
 * to apply it; the main window is insensitive until the reply arrives. */
void saveConfigFile(void);

void error_message(App *app, const char *primary, const char *secondary);
void on_screen_changed(GnomeRRScreen *screen, gpointer data);
void on_screen_changed2(GnomeRRScreen *screen, App *app);
void apply_configuration_returned_cb2(DBusGProxy *proxy, DBusGProxyCall *call, void *data);

#endif
