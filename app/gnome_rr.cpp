#include "gnome_rr.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xlib-xcb.h>
#include <X11/extensions/Xrandr.h>
#include <gdk/gdkx.h>
#include <xcb/randr.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "qevgfx_file.h"

struct GnomeRRScreen {
    GdkScreen *gdkScreen;
    GdkWindow *gdkRoot;
    Display *xdisplay;
    Window root;
    int eventBase;
    GnomeRRScreenChanged callback;
    gpointer data;
};

GQuark gnome_rr_error_quark(void)
{
    return g_quark_from_static_string("gnome-rr-error-quark");
}

namespace {

GdkFilterReturn ScreenEventFilter(GdkXEvent *xevent, GdkEvent *, gpointer data)
{
    auto *screen = static_cast<GnomeRRScreen *>(data);
    auto *event = static_cast<XEvent *>(xevent);
    if (event->type - screen->eventBase == RRScreenChangeNotify) {
        XRRUpdateConfiguration(event);
        if (screen->callback)
            screen->callback(screen, screen->data);
    }
    return GDK_FILTER_CONTINUE;
}

int RefreshOf(const XRRModeInfo &mode)
{
    double lines = mode.vTotal;
    if (mode.modeFlags & RR_DoubleScan)
        lines *= 2;
    if (mode.modeFlags & RR_Interlace)
        lines /= 2;
    if (!mode.hTotal || lines <= 0)
        return 0;
    return static_cast<int>(std::lround(mode.dotClock / (mode.hTotal * lines)));
}

const char *RotationName(int rotation)
{
    switch (rotation) {
    case RR_Rotate_90: return "left";
    case RR_Rotate_180: return "upside_down";
    case RR_Rotate_270: return "right";
    default: return "normal";
    }
}

std::string Hex(unsigned value, int digits)
{
    char buf[16];
    g_snprintf(buf, sizeof buf, "0x%0*x", digits, value);
    return buf;
}

std::string Valid(const std::string &text)
{
    gchar *valid = g_utf8_make_valid(text.c_str(), static_cast<gssize>(text.size()));
    std::string out = valid;
    g_free(valid);
    return out;
}

// The set of monitors a configuration is for: name and identity of each
// connected output, sorted.
std::string KeyOf(const GnomeRRConfig &config)
{
    std::vector<std::string> items;
    for (const GnomeRROutput &o : config.outputs)
        if (o.connected)
            items.push_back(Valid(o.name) + "|" + Valid(o.vendor) + "|" + Hex(o.product, 4) + "|" +
                            Hex(o.serial, 8));
    std::sort(items.begin(), items.end());
    std::string key;
    for (const std::string &item : items)
        key += item + "\n";
    return key;
}

std::string ChildText(xmlNode *parent, const char *name, bool *found)
{
    for (xmlNode *c = parent->children; c; c = c->next) {
        if (c->type != XML_ELEMENT_NODE || xmlStrcmp(c->name, BAD_CAST name) != 0)
            continue;
        *found = true;
        xmlChar *content = xmlNodeGetContent(c);
        std::string text = content ? reinterpret_cast<const char *>(content) : "";
        xmlFree(content);
        text.erase(0, text.find_first_not_of(" \t\r\n"));
        text.erase(text.find_last_not_of(" \t\r\n") + 1);
        return text;
    }
    return "";
}

std::string KeyOf(xmlNode *configuration)
{
    std::vector<std::string> items;
    for (xmlNode *o = configuration->children; o; o = o->next) {
        if (o->type != XML_ELEMENT_NODE || xmlStrcmp(o->name, BAD_CAST "output") != 0)
            continue;
        bool connected = false;
        std::string vendor = ChildText(o, "vendor", &connected);
        if (!connected)
            continue;
        bool found = false;
        xmlChar *name = xmlGetProp(o, BAD_CAST "name");
        items.push_back(std::string(name ? reinterpret_cast<const char *>(name) : "") + "|" + vendor + "|" +
                        ChildText(o, "product", &found) + "|" + ChildText(o, "serial", &found));
        xmlFree(name);
    }
    std::sort(items.begin(), items.end());
    std::string key;
    for (const std::string &item : items)
        key += item + "\n";
    return key;
}

void AddText(xmlNode *parent, const char *name, const std::string &text)
{
    xmlNewTextChild(parent, nullptr, BAD_CAST name, BAD_CAST Valid(text).c_str());
}

void AddConfiguration(xmlNode *root, const GnomeRRConfig &config)
{
    xmlNode *c = xmlNewChild(root, nullptr, BAD_CAST "configuration", nullptr);
    AddText(c, "clone", config.clone ? "yes" : "no");
    for (const GnomeRROutput &o : config.outputs) {
        xmlNode *out = xmlNewChild(c, nullptr, BAD_CAST "output", nullptr);
        xmlNewProp(out, BAD_CAST "name", BAD_CAST Valid(o.name).c_str());
        if (!o.connected)
            continue;
        AddText(out, "vendor", o.vendor);
        AddText(out, "product", Hex(o.product, 4));
        AddText(out, "serial", Hex(o.serial, 8));
        if (!o.on)
            continue;
        AddText(out, "width", std::to_string(o.width));
        AddText(out, "height", std::to_string(o.height));
        AddText(out, "rate", std::to_string(o.rate));
        AddText(out, "x", std::to_string(o.x));
        AddText(out, "y", std::to_string(o.y));
        AddText(out, "rotation", RotationName(o.rotation));
        AddText(out, "reflect_x", o.reflect_x ? "yes" : "no");
        AddText(out, "reflect_y", o.reflect_y ? "yes" : "no");
        AddText(out, "primary", o.primary ? "yes" : "no");
    }
}

void SetErrno(GError **error, int code, const char *what, const std::string &path, int err)
{
    g_set_error(error, GNOME_RR_ERROR, code, "%s %s: %s", what, path.c_str(),
                err ? g_strerror(err) : "input/output error");
}

}  // namespace

/* ---- the parts, without a server ----------------------------------------------- */

bool gnome_rr_parse_edid(const unsigned char *edid, size_t length, std::string *vendor, unsigned *product,
                         unsigned *serial)
{
    static const unsigned char kHeader[8] = {0x00, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0x00};
    if (!edid || length < 128 || std::memcmp(edid, kHeader, sizeof kHeader) != 0)
        return false;
    unsigned sum = 0;
    for (size_t i = 0; i < 128; ++i)
        sum += edid[i];
    if (sum % 256 != 0)
        return false;
    unsigned id = (edid[8] << 8) | edid[9];
    char code[4] = {static_cast<char>('A' + ((id >> 10) & 0x1f) - 1), static_cast<char>('A' + ((id >> 5) & 0x1f) - 1),
                    static_cast<char>('A' + (id & 0x1f) - 1), 0};
    *vendor = code;
    *product = edid[10] | (edid[11] << 8);
    *serial = edid[12] | (edid[13] << 8) | (edid[14] << 16) | (static_cast<unsigned>(edid[15]) << 24);
    return true;
}

int gnome_rr_merge_monitors_xml(const GnomeRRConfig &config, const std::string *existing, std::string *out)
{
    xmlDoc *old = nullptr;
    xmlNode *oldRoot = nullptr;
    int result = 0;
    if (existing) {
        old = xmlReadMemory(existing->data(), static_cast<int>(existing->size()), "monitors.xml", nullptr,
                            XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_NOBLANKS);
        oldRoot = old ? xmlDocGetRootElement(old) : nullptr;
        if (!oldRoot || xmlStrcmp(oldRoot->name, BAD_CAST "monitors") != 0) {
            result = 1;
            oldRoot = nullptr;
        } else {
            xmlChar *version = xmlGetProp(oldRoot, BAD_CAST "version");
            bool one = version && xmlStrcmp(version, BAD_CAST "1") == 0;
            xmlFree(version);
            if (!one) {
                xmlFreeDoc(old);
                return 2;
            }
        }
    }

    xmlDoc *doc = xmlNewDoc(BAD_CAST "1.0");
    xmlNode *root = xmlNewNode(nullptr, BAD_CAST "monitors");
    xmlDocSetRootElement(doc, root);
    xmlNewProp(root, BAD_CAST "version", BAD_CAST "1");
    const std::string key = KeyOf(config);
    for (xmlNode *c = oldRoot ? oldRoot->children : nullptr; c; c = c->next)
        if (c->type == XML_ELEMENT_NODE && xmlStrcmp(c->name, BAD_CAST "configuration") == 0 && KeyOf(c) != key)
            xmlAddChild(root, xmlDocCopyNode(c, doc, 1));
    AddConfiguration(root, config);

    xmlChar *text = nullptr;
    int size = 0;
    xmlDocDumpFormatMemoryEnc(doc, &text, &size, "UTF-8", 1);
    out->assign(text ? reinterpret_cast<const char *>(text) : "", text ? static_cast<size_t>(size) : 0);
    xmlFree(text);
    xmlFreeDoc(doc);
    if (old)
        xmlFreeDoc(old);
    return result;
}

std::string gnome_rr_config_dir(void)
{
    const char *xdg = getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/')
        return xdg;
    const char *home = getenv("HOME");
    return std::string(home && home[0] ? home : g_get_home_dir()) + "/.config";
}

/* ---- the screen ------------------------------------------------------------------ */

GnomeRRScreen *gnome_rr_screen_new(GdkScreen *screen, GnomeRRScreenChanged callback, gpointer data, GError **error)
{
    Display *dpy = GDK_SCREEN_XDISPLAY(screen);
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    if (!XRRQueryExtension(dpy, &eventBase, &errorBase) || !XRRQueryVersion(dpy, &major, &minor) ||
        major < 1 || (major == 1 && minor < 2)) {
        g_set_error(error, GNOME_RR_ERROR, GNOME_RR_ERROR_NO_RANDR, "RANDR extension is not present or too old");
        return nullptr;
    }
    auto *rr = g_new0(GnomeRRScreen, 1);
    rr->gdkScreen = screen;
    rr->gdkRoot = gdk_screen_get_root_window(screen);
    rr->xdisplay = dpy;
    rr->root = GDK_WINDOW_XID(rr->gdkRoot);
    rr->eventBase = eventBase;
    rr->callback = callback;
    rr->data = data;
    XRRSelectInput(dpy, rr->root, RRScreenChangeNotifyMask);
    gdk_window_add_filter(rr->gdkRoot, ScreenEventFilter, rr);
    return rr;
}

void gnome_rr_screen_destroy(GnomeRRScreen *screen)
{
    if (!screen)
        return;
    // The event selection stays: GDK selects the same screen changes itself.
    gdk_window_remove_filter(screen->gdkRoot, ScreenEventFilter, screen);
    g_free(screen);
}

GnomeRRConfig *gnome_rr_config_new_current(GnomeRRScreen *screen)
{
    if (!screen)
        return nullptr;
    Display *dpy = screen->xdisplay;
    gdk_error_trap_push();
    XRRScreenResources *res = XRRGetScreenResourcesCurrent(dpy, screen->root);
    if (!res) {
        gdk_error_trap_pop();
        return nullptr;
    }
    // The outputs, then their monitors' EDID and their CRTCs, each asked for
    // in one batch: three waits for the server instead of two per output. A
    // request that fails (an output gone meanwhile) leaves its reply empty.
    xcb_connection_t *c = XGetXCBConnection(dpy);
    const xcb_timestamp_t stamp = static_cast<xcb_timestamp_t>(res->configTimestamp);
    xcb_randr_get_output_primary_cookie_t primaryCookie = xcb_randr_get_output_primary(c, screen->root);
    std::vector<xcb_randr_get_output_info_cookie_t> infoCookies;
    for (int i = 0; i < res->noutput; ++i)
        infoCookies.push_back(xcb_randr_get_output_info(c, res->outputs[i], stamp));
    RROutput primary = None;
    if (auto *reply = xcb_randr_get_output_primary_reply(c, primaryCookie, nullptr)) {
        primary = reply->output;
        free(reply);
    }
    std::vector<xcb_randr_get_output_info_reply_t *> infos;
    for (const auto &cookie : infoCookies) {
        xcb_generic_error_t *failure = nullptr;
        infos.push_back(xcb_randr_get_output_info_reply(c, cookie, &failure));
        free(failure);
    }
    bool anyConnected = false;
    for (const auto *info : infos)
        anyConnected = anyConnected || (info && info->connection == XCB_RANDR_CONNECTION_CONNECTED);
    const Atom edidAtom = anyConnected ? XInternAtom(dpy, "EDID", True) : None;
    std::vector<xcb_randr_get_output_property_cookie_t> edidCookies(infos.size());
    std::vector<xcb_randr_get_crtc_info_cookie_t> crtcCookies(infos.size());
    for (size_t i = 0; i < infos.size(); ++i) {
        const xcb_randr_get_output_info_reply_t *info = infos[i];
        if (!info)
            continue;
        if (info->connection == XCB_RANDR_CONNECTION_CONNECTED && edidAtom != None)
            edidCookies[i] = xcb_randr_get_output_property(c, res->outputs[i], edidAtom, XCB_ATOM_ANY, 0, 128, 0, 0);
        if (info->crtc)
            crtcCookies[i] = xcb_randr_get_crtc_info(c, info->crtc, stamp);
    }
    auto *config = new GnomeRRConfig;
    for (size_t i = 0; i < infos.size(); ++i) {
        xcb_randr_get_output_info_reply_t *info = infos[i];
        if (!info)
            continue;
        GnomeRROutput out;
        out.name.assign(reinterpret_cast<const char *>(xcb_randr_get_output_info_name(info)),
                        static_cast<size_t>(xcb_randr_get_output_info_name_length(info)));
        out.connected = info->connection == XCB_RANDR_CONNECTION_CONNECTED;
        out.primary = res->outputs[i] == primary;
        xcb_generic_error_t *failure = nullptr;
        if (edidCookies[i].sequence) {
            if (auto *edid = xcb_randr_get_output_property_reply(c, edidCookies[i], &failure)) {
                if (edid->format == 8)
                    gnome_rr_parse_edid(xcb_randr_get_output_property_data(edid),
                                        static_cast<size_t>(edid->num_items), &out.vendor, &out.product, &out.serial);
                free(edid);
            }
            free(failure);
            failure = nullptr;
        }
        xcb_randr_get_crtc_info_reply_t *crtc =
            info->crtc ? xcb_randr_get_crtc_info_reply(c, crtcCookies[i], &failure) : nullptr;
        free(failure);
        if (crtc && crtc->mode != None) {
            for (int m = 0; m < res->nmode; ++m) {
                if (res->modes[m].id != crtc->mode)
                    continue;
                out.on = true;
                out.width = static_cast<int>(res->modes[m].width);
                out.height = static_cast<int>(res->modes[m].height);
                out.rate = RefreshOf(res->modes[m]);
            }
            out.x = crtc->x;
            out.y = crtc->y;
            out.rotation = crtc->rotation & (RR_Rotate_0 | RR_Rotate_90 | RR_Rotate_180 | RR_Rotate_270);
            out.reflect_x = (crtc->rotation & RR_Reflect_X) != 0;
            out.reflect_y = (crtc->rotation & RR_Reflect_Y) != 0;
        }
        free(crtc);
        free(info);
        config->outputs.push_back(out);
    }
    XRRFreeScreenResources(res);
    gdk_flush();
    gdk_error_trap_pop();
    // Read as it is, the configuration is already a clone when it shows one.
    std::vector<const GnomeRROutput *> lit;
    for (const GnomeRROutput &o : config->outputs)
        if (o.on)
            lit.push_back(&o);
    config->clone = lit.size() > 1;
    for (const GnomeRROutput *o : lit)
        config->clone = config->clone && o->x == lit[0]->x && o->y == lit[0]->y && o->width == lit[0]->width &&
                        o->height == lit[0]->height;
    return config;
}

void gnome_rr_config_free(GnomeRRConfig *config)
{
    delete config;
}

void gnome_rr_config_sanitize(GnomeRRConfig *config)
{
    if (!config)
        return;
    int minX = G_MAXINT, minY = G_MAXINT;
    for (const GnomeRROutput &o : config->outputs)
        if (o.on) {
            minX = std::min(minX, o.x);
            minY = std::min(minY, o.y);
        }
    if (minX == G_MAXINT)
        return;
    const GnomeRROutput *first = nullptr;
    bool clone = true;
    int lit = 0;
    for (GnomeRROutput &o : config->outputs) {
        if (!o.on)
            continue;
        o.x -= minX;
        o.y -= minY;
        if (!first)
            first = &o;
        clone = clone && o.x == first->x && o.y == first->y && o.width == first->width && o.height == first->height;
        ++lit;
    }
    config->clone = clone && lit > 1;
}

gboolean gnome_rr_config_save(GnomeRRConfig *config, GError **error)
{
    if (!config) {
        g_set_error(error, GNOME_RR_ERROR, GNOME_RR_ERROR_RANDR_ERROR, "no configuration to save");
        return FALSE;
    }
    // A missing configuration directory is made, private to the user, as the
    // XDG base directory rules ask; one that cannot be made is reported.
    const std::string dir = gnome_rr_config_dir();
    if (g_mkdir_with_parents(dir.c_str(), 0700) != 0) {
        SetErrno(error, GNOME_RR_ERROR_WRITE, "Could not create", dir, errno);
        return FALSE;
    }
    const std::string path = dir + "/monitors.xml";
    const std::string backup = path + ".backup";
    std::string old;
    struct stat st {};
    const bool had = ::stat(path.c_str(), &st) == 0;
    if (had && !qev::file::read(path, old)) {
        SetErrno(error, GNOME_RR_ERROR_WRITE, "Could not read", path, errno);
        return FALSE;
    }
    std::string text;
    if (gnome_rr_merge_monitors_xml(*config, had ? &old : nullptr, &text) == 2) {
        g_set_error(error, GNOME_RR_ERROR, GNOME_RR_ERROR_FOREIGN_FORMAT,
                    "%s is in a format other than version 1 and was left unchanged", path.c_str());
        return FALSE;
    }
    // The same text again changes nothing: the file and, above all, its backup
    // stay (start-up saves twice, and the second save must not turn the
    // backup of the user's previous file into a copy of the first).
    if (had && text == old)
        return TRUE;
    errno = 0;
    if (had && !qev::file::replace(backup, old)) {
        SetErrno(error, GNOME_RR_ERROR_WRITE, "Could not write", backup, errno);
        return FALSE;
    }
    errno = 0;
    if (!qev::file::replace(path, text)) {
        SetErrno(error, GNOME_RR_ERROR_WRITE, "Could not write", path, errno);
        return FALSE;
    }
    return TRUE;
}
