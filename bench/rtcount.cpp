// Round-trip counter for the benchmarks. Stands in front of Xlib's and xcb's
// reply waits (symbol interposition: linked into an executable that exports
// its symbols, or preloaded as a module) and counts, per connection:
//   - round trips: each Xlib reply wait (_XReply always flushes and blocks),
//     each connection set-up, and each xcb reply wait whose reply had not
//     arrived yet, unless its request went out before the wait that was last
//     counted (a pipelined batch: the RandR output and CRTC requests sent
//     together are one round trip however many replies are still on the way);
//   - RandR GetOutputInfo requests, through Xlib or xcb.
// Preloaded into a program, it prints the counts on standard error when the
// program receives SIGTERM (it then ends at once).
#include "rtcount.h"

#include <X11/Xlib-xcb.h>
#include <X11/Xlibint.h>
#include <X11/extensions/Xrandr.h>
#include <dlfcn.h>
#include <signal.h>
#include <unistd.h>
#include <xcb/randr.h>
#include <xcb/xcb.h>
#include <xcb/xcbext.h>

#include <cstdio>
#include <cstring>

namespace {

constexpr int kMaxConnections = 8;
xcb_connection_t *g_conn[kMaxConnections];
QevRtCount g_count[kMaxConnections];
unsigned g_issued[kMaxConnections];  // last pipelined request seen
unsigned g_covered[kMaxConnections]; // requests up to here were in flight at the last counted wait
int g_nconn = 0;

int IndexOf(xcb_connection_t *c) {
    for (int i = 0; i < g_nconn; ++i)
        if (g_conn[i] == c)
            return i;
    if (g_nconn == kMaxConnections)
        return kMaxConnections - 1;
    g_conn[g_nconn] = c;
    return g_nconn++;
}

QevRtCount *CountOf(xcb_connection_t *c) { return &g_count[IndexOf(c)]; }

// Sequence comparison that survives the 32-bit wrap.
bool NotAfter(unsigned a, unsigned b) { return int(a - b) <= 0; }

template <class F> F Next(const char *name) { return reinterpret_cast<F>(dlsym(RTLD_NEXT, name)); }

void PrintAndExit(int) {
    char line[160];
    for (int i = 0; i < g_nconn; ++i) {
        int n = std::snprintf(line, sizeof line, "rtcount: connection %d: %lu round trips, %lu GetOutputInfo\n",
                              i + 1, g_count[i].round_trips, g_count[i].output_info_requests);
        ssize_t w = write(STDERR_FILENO, line, size_t(n));
        (void)w;
    }
    _exit(0);
}

} // namespace

extern "C" {

QevRtCount qev_rtcount(int connection) {
    return connection >= 1 && connection <= g_nconn ? g_count[connection - 1] : QevRtCount{};
}

QevRtCount qev_rtcount_display(Display *d) { return d ? *CountOf(XGetXCBConnection(d)) : QevRtCount{}; }

void qev_rtcount_print_on_term(void) { signal(SIGTERM, PrintAndExit); }

xcb_connection_t *xcb_connect(const char *name, int *screen) {
    static auto real = Next<xcb_connection_t *(*)(const char *, int *)>("xcb_connect");
    xcb_connection_t *c = real(name, screen);
    if (c)
        CountOf(c)->round_trips++;
    return c;
}

Status _XReply(Display *d, xReply *rep, int extra, Bool discard) {
    static auto real = Next<Status (*)(Display *, xReply *, int, Bool)>("_XReply");
    CountOf(XGetXCBConnection(d))->round_trips++;
    return real(d, rep, extra, discard);
}

void *xcb_wait_for_reply(xcb_connection_t *c, unsigned int request, xcb_generic_error_t **e) {
    static auto real = Next<void *(*)(xcb_connection_t *, unsigned int, xcb_generic_error_t **)>("xcb_wait_for_reply");
    void *reply = nullptr;
    xcb_generic_error_t *error = nullptr;
    if (xcb_poll_for_reply(c, request, &reply, &error)) { // already read: no wait
        if (e)
            *e = error;
        else
            std::free(error);
        return reply;
    }
    int i = IndexOf(c);
    if (!(g_covered[i] != 0 && NotAfter(request, g_covered[i]))) {
        g_count[i].round_trips++;
        g_covered[i] = NotAfter(request, g_issued[i]) ? g_issued[i] : request;
    }
    return real(c, request, e);
}

xcb_randr_get_output_info_cookie_t xcb_randr_get_output_info(xcb_connection_t *c, xcb_randr_output_t output,
                                                             xcb_timestamp_t t) {
    static auto real = Next<xcb_randr_get_output_info_cookie_t (*)(xcb_connection_t *, xcb_randr_output_t,
                                                                   xcb_timestamp_t)>("xcb_randr_get_output_info");
    int i = IndexOf(c);
    g_count[i].output_info_requests++;
    xcb_randr_get_output_info_cookie_t cookie = real(c, output, t);
    g_issued[i] = cookie.sequence;
    return cookie;
}

xcb_randr_get_crtc_info_cookie_t xcb_randr_get_crtc_info(xcb_connection_t *c, xcb_randr_crtc_t crtc,
                                                         xcb_timestamp_t t) {
    static auto real = Next<xcb_randr_get_crtc_info_cookie_t (*)(xcb_connection_t *, xcb_randr_crtc_t,
                                                                 xcb_timestamp_t)>("xcb_randr_get_crtc_info");
    xcb_randr_get_crtc_info_cookie_t cookie = real(c, crtc, t);
    g_issued[IndexOf(c)] = cookie.sequence;
    return cookie;
}

XRROutputInfo *XRRGetOutputInfo(Display *d, XRRScreenResources *r, RROutput output) {
    static auto real = Next<XRROutputInfo *(*)(Display *, XRRScreenResources *, RROutput)>("XRRGetOutputInfo");
    CountOf(XGetXCBConnection(d))->output_info_requests++;
    return real(d, r, output);
}

} // extern "C"

namespace {
// Preloaded into a program (QEV_RTCOUNT_ON_TERM set): report on SIGTERM.
[[gnu::constructor]] void InstallFromEnvironment() {
    if (std::getenv("QEV_RTCOUNT_ON_TERM"))
        qev_rtcount_print_on_term();
}
} // namespace
