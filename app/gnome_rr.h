/* The desktop's stored monitor configuration: the part of GNOME's RandR
 * configuration interface the program uses. A screen object follows RandR
 * screen changes; a configuration is read from it, sanitised and saved as the
 * desktop's "monitors.xml" (format version 1) under $XDG_CONFIG_HOME (default
 * ~/.config), keeping the file's configurations for other sets of monitors. */
#ifndef QEV_APP_GNOME_RR_H
#define QEV_APP_GNOME_RR_H

#include <gdk/gdk.h>
#include <glib.h>

#include <string>
#include <vector>

typedef struct GnomeRRScreen GnomeRRScreen;
typedef struct GnomeRRConfig GnomeRRConfig;
typedef void (*GnomeRRScreenChanged)(GnomeRRScreen *screen, gpointer data);

#define GNOME_RR_ERROR (gnome_rr_error_quark())
GQuark gnome_rr_error_quark(void);
enum GnomeRRError {
    GNOME_RR_ERROR_NO_RANDR,        /* the server has no RandR 1.2 */
    GNOME_RR_ERROR_RANDR_ERROR,     /* the screen could not be read */
    GNOME_RR_ERROR_FOREIGN_FORMAT,  /* an existing file in another format */
    GNOME_RR_ERROR_WRITE            /* the file or its backup could not be written */
};

/* A screen object for `screen`; `callback` (may be null) runs after each RandR
 * screen change. Null with `error` set when the server lacks RandR 1.2. */
GnomeRRScreen *gnome_rr_screen_new(GdkScreen *screen, GnomeRRScreenChanged callback, gpointer data,
                                   GError **error);
void gnome_rr_screen_destroy(GnomeRRScreen *screen);

/* The screen's configuration as RandR shows it now (null when it cannot be
 * read). */
GnomeRRConfig *gnome_rr_config_new_current(GnomeRRScreen *screen);
void gnome_rr_config_free(GnomeRRConfig *config);
/* Moves the lit outputs so that the top-left one sits at 0,0, and marks the
 * configuration a clone when every lit output shares one position and size. */
void gnome_rr_config_sanitize(GnomeRRConfig *config);
/* Saves the configuration into monitors.xml (its directory made when missing):
 * the previous file is kept as
 * monitors.xml.backup, a configuration for the same monitors is replaced and
 * the others stay; the file is replaced atomically. A damaged file (not XML,
 * not a monitors file) is kept aside as the backup. A file in another format
 * version is left untouched and reported. */
gboolean gnome_rr_config_save(GnomeRRConfig *config, GError **error);

/* ---- the parts, without a server ----------------------------------------------- */

struct GnomeRROutput {
    std::string name;
    bool connected = false;
    bool on = false;                 /* has a CRTC with a mode */
    std::string vendor = "???";      /* monitor identity from the EDID */
    unsigned product = 0, serial = 0;
    int width = 0, height = 0, rate = 0;  /* the mode, unrotated */
    int x = 0, y = 0;
    int rotation = 1;                /* RandR bit: 1 normal, 2 left, 4 inverted, 8 right */
    bool reflect_x = false, reflect_y = false;
    bool primary = false;
};
struct GnomeRRConfig {
    bool clone = false;
    std::vector<GnomeRROutput> outputs;
};

/* Vendor code, product and serial of a 128-byte (or longer) EDID block with a
 * valid header and checksum; false otherwise. */
bool gnome_rr_parse_edid(const unsigned char *edid, size_t length, std::string *vendor, unsigned *product,
                         unsigned *serial);

/* The file text for `config` merged into `existing` (the previous file's bytes;
 * null when there is none). Returns 0 on success; 1 when the existing text is
 * damaged (the new text holds only `config`); 2 when it is a monitors file of
 * another version (`out` untouched). */
int gnome_rr_merge_monitors_xml(const GnomeRRConfig &config, const std::string *existing, std::string *out);

/* monitors.xml's directory: $XDG_CONFIG_HOME when set to an absolute path,
 * else $HOME/.config. */
std::string gnome_rr_config_dir(void);

#endif
