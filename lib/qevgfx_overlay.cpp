// Video overlay colour attributes through the Xv adaptors of the X driver:
// port discovery at session open, the attribute table, slider conversions,
// overlay status and the overlay rc file.
#include <X11/Xlib.h>
#include <X11/extensions/Xvlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "qevgfx_file.h"
#include "qevgfx_internal.h"

int xv_port = -1;
int xv_swov_port = -1;

qev::OverlayProperty g_OverlayProperty[qev::OVERLAY_COUNT] = {
    qev::OverlayStartRecord(0),
    qev::OverlayStartRecord(1),
    qev::OverlayStartRecord(2),
    qev::OverlayStartRecord(3),
};

namespace {

const std::string kOverlayRcPath = std::string("/etc/X11") + "/.QEVOVERLAYRC";
constexpr const char *kAttributeNames[qev::OVERLAY_COUNT] = {"XV_HUE", "XV_SATURATION", "XV_BRIGHTNESS",
                                                             "XV_CONTRAST"};
constexpr const char *kOverlayStatusName = "XV_OVERLAYSTATUS";

// Adaptors looked for at discovery, by port selector.
struct AdaptorRow {
    const char *name;
    int *port;
};
const AdaptorRow kAdaptors[] = {{"XV_TEXTURE", &xv_port}, {"XV_SWOV", &xv_swov_port}};

enum { SELECTOR_TEXTURE = 0, SELECTOR_OVERLAY = 1 };

int PortOf(int selector) {
    if (selector == SELECTOR_TEXTURE)
        return xv_port;
    if (selector == SELECTOR_OVERLAY)
        return xv_swov_port;
    return -1;
}

// X errors raised by the Xv requests made while it lives (a value outside the
// attribute's range, an attribute the port lacks) are recorded instead of
// ending the process; errors of earlier requests and other displays go to
// the handler that was installed.
class XvErrorTrap {
public:
    explicit XvErrorTrap(Display *d) : display_(d) {
        s_display = d;
        s_first = NextRequest(d);
        s_failed = false;
        s_previous = XSetErrorHandler(Handler);
    }
    ~XvErrorTrap() {
        if (NextRequest(display_) != synced_)
            XSync(display_, False);
        XSetErrorHandler(s_previous);
        s_display = nullptr;
        s_previous = nullptr;
    }
    XvErrorTrap(const XvErrorTrap &) = delete;
    XvErrorTrap &operator=(const XvErrorTrap &) = delete;

    // Waits until the server has answered the requests so far.
    bool Failed() {
        XSync(display_, False);
        synced_ = NextRequest(display_);
        return s_failed;
    }

private:
    static int Handler(Display *d, XErrorEvent *ev) {
        if (d == s_display && ev->serial >= s_first) {
            s_failed = true;
            return 0;
        }
        return s_previous ? s_previous(d, ev) : 0;
    }

    Display *display_;
    unsigned long synced_ = 0; // next request serial at the last sync
    static inline Display *s_display = nullptr;
    static inline unsigned long s_first = 0;
    static inline bool s_failed = false;
    static inline XErrorHandler s_previous = nullptr;
};

// The selector's port attribute list (XFree it), nullptr when the port is not
// known or the query failed.
XvAttribute *xvQueryPortAttributes(int *count, int selector) {
    *count = 0;
    const int port = PortOf(selector);
    if (port < 0 || mydisplay == nullptr)
        return nullptr;
    XvErrorTrap trap(mydisplay);
    XLockDisplay(mydisplay);
    XvAttribute *list = XvQueryPortAttributes(mydisplay, XvPortID(port), count);
    XUnlockDisplay(mydisplay);
    if (trap.Failed()) {
        if (list != nullptr)
            XFree(list);
        *count = 0;
        return nullptr;
    }
    return list;
}

// False when the port is not known or the driver refused the value.
bool xvSetPortAttribute(Atom atom, int value, int selector) {
    const int port = PortOf(selector);
    if (port < 0 || mydisplay == nullptr)
        return false;
    XvErrorTrap trap(mydisplay);
    XLockDisplay(mydisplay);
    XvSetPortAttribute(mydisplay, XvPortID(port), atom, value);
    XUnlockDisplay(mydisplay);
    return !trap.Failed();
}

// *value is written only when the read succeeds.
bool xvGetPortAttribute(Atom atom, int *value, int selector) {
    const int port = PortOf(selector);
    if (port < 0 || mydisplay == nullptr)
        return false;
    XvErrorTrap trap(mydisplay);
    int v = 0;
    const int rc = XvGetPortAttribute(mydisplay, XvPortID(port), atom, &v);
    if (trap.Failed() || rc != Success)
        return false;
    *value = v;
    return true;
}

int CheckAdaptorsCapbility() {
    for (int i = 0; i < qev::OVERLAY_COUNT; ++i)
        g_OverlayProperty[i] = qev::OverlayStartRecord(i);
    int count = 0;
    XvAttribute *list = xvQueryPortAttributes(&count, SELECTOR_OVERLAY);
    if (list == nullptr)
        return 0;
    int found = 0;
    bool matched[qev::OVERLAY_COUNT] = {};
    for (int a = 0; a < count; ++a) {
        const XvAttribute &attr = list[a];
        if (!(attr.flags & XvSettable) || !(attr.flags & XvGettable) || attr.name == nullptr)
            continue;
        for (int i = 0; i < qev::OVERLAY_COUNT; ++i) {
            if (std::string_view(attr.name) != kAttributeNames[i])
                continue;
            qev::OverlayProperty &p = g_OverlayProperty[i];
            p.supported = 1;
            p.dmin = attr.min_value;
            p.dmax = attr.max_value;
            p.drange = static_cast<int32_t>(int64_t(attr.max_value) - attr.min_value);
            p.srange = 255;
            p.ddef = qev::kOverlayDriverDefault[i];
            p.sdef = 128;
            p.smin = 0;
            p.smax = 255;
            matched[i] = true;
            ++found;
        }
    }
    XFree(list);
    // The attributes' atoms, interned in one round trip.
    char *names[qev::OVERLAY_COUNT];
    int index[qev::OVERLAY_COUNT];
    int n = 0;
    for (int i = 0; i < qev::OVERLAY_COUNT; ++i)
        if (matched[i]) {
            names[n] = const_cast<char *>(kAttributeNames[i]);
            index[n++] = i;
        }
    Atom atoms[qev::OVERLAY_COUNT] = {};
    if (n > 0)
        XInternAtoms(mydisplay, names, n, False, atoms); // None for any it could not intern, as one by one
    for (int k = 0; k < n; ++k)
        g_OverlayProperty[index[k]].atom = static_cast<int32_t>(atoms[k]);
    return found != 0 ? 1 : 0;
}

bool ValidIndex(int index) { return index >= 0 && index < qev::OVERLAY_COUNT; }

} // namespace

std::string XVInitForOverlayOnly() {
    xv_port = -1;
    xv_swov_port = -1;
    unsigned version, release, request, event, error;
    if (mydisplay == nullptr ||
        XvQueryExtension(mydisplay, &version, &release, &request, &event, &error) != Success) {
        return "Xv: Server has no Xvideo extention support\n";
    }
    unsigned count = 0;
    XvAdaptorInfo *adaptors = nullptr;
    if (XvQueryAdaptors(mydisplay, RootWindow(mydisplay, DefaultScreen(mydisplay)), &count, &adaptors) != Success)
        return "Xv: XvQueryAdaptors failed\n";
    for (unsigned i = 0; i < count; ++i) {
        if (adaptors[i].name == nullptr)
            continue;
        for (const AdaptorRow &row : kAdaptors)
            if (*row.port == -1 && std::string_view(adaptors[i].name) == row.name)
                *row.port = static_cast<int>(adaptors[i].base_id);
    }
    if (adaptors != nullptr)
        XvFreeAdaptorInfo(adaptors);
    return {};
}

int SaveOverlayAttributes() {
    // 4-byte header (kept from an existing file), then a scheme record: a
    // 256-byte empty name and 256 bytes holding the current driver values.
    std::string data(4 + 512, '\0');
    if (qev::file::exists(kOverlayRcPath)) {
        std::string old;
        if (!qev::file::read(kOverlayRcPath, old, true))
            return 0;
        data.replace(0, std::min<size_t>(4, old.size()), old, 0, 4);
    }
    const std::string text = "HU:" + std::to_string(g_OverlayProperty[qev::OVERLAY_HUE].driver) +
                             " SA:" + std::to_string(g_OverlayProperty[qev::OVERLAY_SATURATION].driver) +
                             " BR:" + std::to_string(g_OverlayProperty[qev::OVERLAY_BRIGHTNESS].driver) +
                             " CO:" + std::to_string(g_OverlayProperty[qev::OVERLAY_CONTRAST].driver);
    data.replace(4 + 256, text.size(), text); // at most 59 characters; the rest stays 0
    return qev::file::replace(kOverlayRcPath, data) ? 1 : 0;
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_Overlay_InitializeAttribute(void) {
    if (!qev::OnX())
        return 0;
    return CheckAdaptorsCapbility();
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_Overlay_GetSupportAttributeCaps(int *caps) {
    if (caps == nullptr)
        return 0;
    int bits = 0;
    for (int i = 0; i < qev::OVERLAY_COUNT; ++i)
        if (g_OverlayProperty[i].atom != 0)
            bits |= 1 << i;
    *caps = bits;
    return 1;
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_Overlay_SetAttribute(int index, int slider) {
    if (!qev::OnX() || !ValidIndex(index))
        return 0;
    qev::OverlayProperty &p = g_OverlayProperty[index];
    int32_t d = qev::UiToSys(p, slider);
    if (p.atom != 0) {
        if (d < p.dmin || d > p.dmax)
            d = static_cast<int32_t>((int64_t(p.dmin) + p.dmax) >> 1);
        if (!xvSetPortAttribute(Atom(uint32_t(p.atom)), d, SELECTOR_OVERLAY))
            return 0;
        p.slider = qev::SysToUi(p, d);
    }
    p.driver = d;
    return 1;
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_Overlay_GetAttribute(int index, int *slider) {
    if (!ValidIndex(index))
        return 1;
    if (slider == nullptr)
        return 0;
    const qev::OverlayProperty &p = g_OverlayProperty[index];
    if (p.atom == 0) {
        *slider = p.sdef;
        return 1;
    }
    int d = 0;
    if (!xvGetPortAttribute(Atom(uint32_t(p.atom)), &d, SELECTOR_OVERLAY))
        return 0;
    *slider = qev::SysToUi(p, d);
    return 1;
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_Overlay_IsOverlayOpened(void) {
    if (!qev::OnX())
        return 0;
    int value = 0;
    xvGetPortAttribute(MakeAtom(kOverlayStatusName, 0), &value, SELECTOR_TEXTURE);
    return value != 0 ? 1 : 0;
}
