// Session, the QEVGFX_API command channel and the RandR output layer.
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Xlib's internal header defines min and max as macros.
#include <X11/Xlibint.h>
#undef min
#undef max
#include <X11/Xatom.h>
#include <X11/Xlib-xcb.h>
#include <xcb/randr.h>
#include <X11/extensions/Xext.h>
extern "C" { // extutil.h has no C++ linkage block of its own
#include <X11/extensions/extutil.h>
}

#include "qev/commands.h"
#include "qev/fb.h"
#include "qev/outputs.h"
#include "qev/protocol.h"
#include "qevgfx_internal.h"
#include "qevgfx_spawn.h"

int DriverType = QEV_CHANNEL_NONE;
int OpenDev = -1;
Display *dpy = nullptr;
Display *mydisplay = nullptr;
int RandRSupport = 0;
int screen = -1;
Window root = 0;
XExtensionInfo *qevgfx_info = nullptr;
XRRScreenResources *res = nullptr;
QevRRInfo qevRRInfo = {0, 0, 0};

namespace {

// ---------------------------------------------------------------------------
// Extension record

char qevgfx_extension_name[] = QEVGFX_EXTENSION_NAME;

int close_display(Display *d, XExtCodes *) { return XextRemoveDisplay(qevgfx_info, d); }

XExtensionHooks qevgfx_extension_hooks = {
    nullptr,       // create_gc
    nullptr,       // copy_gc
    nullptr,       // flush_gc
    nullptr,       // free_gc
    nullptr,       // create_font
    nullptr,       // free_font
    close_display, // close_display
    nullptr,       // wire_to_event
    nullptr,       // event_to_wire
    nullptr,       // error
    nullptr,       // error_string
};

XExtDisplayInfo *find_display(Display *d) {
    if (qevgfx_info == nullptr) {
        qevgfx_info = XextCreateExtension();
        if (qevgfx_info == nullptr)
            return nullptr;
    }
    XExtDisplayInfo *info = XextFindDisplay(qevgfx_info, d);
    if (info == nullptr)
        info = XextAddDisplay(qevgfx_info, d, qevgfx_extension_name, &qevgfx_extension_hooks, 0, nullptr);
    return info;
}

// ---------------------------------------------------------------------------
// X errors raised by one exchange are caught here instead of ending the
// process; errors of other requests go to the handler that was installed.

struct ExchangeErrorTrap {
    static inline Display *display = nullptr;
    static inline unsigned long serial = 0;
    static inline bool failed = false;
    static inline XErrorHandler previous = nullptr;

    static int Handler(Display *d, XErrorEvent *ev) {
        if (d == display && ev->serial == serial) {
            failed = true;
            return 0;
        }
        return previous ? previous(d, ev) : 0;
    }

    explicit ExchangeErrorTrap(Display *d) {
        display = d;
        serial = 0;
        failed = false;
        previous = XSetErrorHandler(Handler);
    }
    ~ExchangeErrorTrap() {
        XSetErrorHandler(previous);
        display = nullptr;
    }
    ExchangeErrorTrap(const ExchangeErrorTrap &) = delete;
    ExchangeErrorTrap &operator=(const ExchangeErrorTrap &) = delete;
};

// Xlib's SyncHandle() names a variable `dpy`; this one takes the display.
void RunSyncHandler(Display *d) {
    if (d->synchandler)
        d->synchandler(d);
}

} // namespace

// ---------------------------------------------------------------------------
// Command channel

extern "C" QEVGFX_API_EXPORT int QEVGFXCommand(Display *display, QevCommandBlock *block) {
    if (display == nullptr || block == nullptr)
        return 0;
    XExtDisplayInfo *info = find_display(display);
    if (!XextHasExtension(info)) {
        XMissingExtension(display, qevgfx_extension_name);
        return 0;
    }

    ExchangeErrorTrap trap(display);
    LockDisplay(display);
    // _XGetRequest flushes the buffer when the request does not fit, and
    // takes the connection back from xcb when xcb has used it (Xlib then
    // shows an empty buffer, so its bounds say nothing before this call);
    // it gives null for a request larger than the whole buffer.
    auto *req = static_cast<QevCommandReq *>(_XGetRequest(display, info->codes->major_opcode, QEV_REQ_BYTES));
    if (req == nullptr) {
        UnlockDisplay(display);
        return 0;
    }
    std::memset(&req->unused, 0, QEV_REQ_BYTES - offsetof(QevCommandReq, unused));
    req->minor = QEVGFX_MINOR_COMMAND;
    req->length = QEV_REQ_UNITS;
    req->block.group = block->group;
    req->block.function = block->function;
    req->block.reserved = 0;
    std::memcpy(req->block.input, block->input, sizeof block->input);
    trap.serial = NextRequest(display) - 1;

    // The reply buffer takes the whole reply; Xlib copies no more than the
    // server sent, and the remainder of a longer reply is discarded below.
    QevCommandReply rep;
    std::memset(&rep, 0, sizeof rep);
    Status ok = _XReply(display, reinterpret_cast<xReply *>(&rep), QEV_REPLY_EXTRA_UNITS, xFalse);
    if (ok && rep.length > QEV_REPLY_EXTRA_UNITS)
        _XEatDataWords(display, rep.length - QEV_REPLY_EXTRA_UNITS);
    if (!ok || trap.failed || rep.length != QEV_REPLY_EXTRA_UNITS) {
        UnlockDisplay(display);
        RunSyncHandler(display);
        return 0;
    }

    block->status = rep.block.status;
    if (rep.block.status != 0)
        std::memcpy(block->output, rep.block.output, sizeof block->output);
    UnlockDisplay(display);
    RunSyncHandler(display);
    // _XReply has sent everything queued up to the request, so only what the
    // synchronisation handler queued can wait in the buffer. XFlush on an
    // empty buffer sends nothing but still polls the connection for events,
    // two needless reads on every exchange.
    LockDisplay(display);
    bool queued = display->bufptr != display->buffer;
    UnlockDisplay(display);
    if (queued)
        XFlush(display);
    return block->status;
}

extern "C" QEVGFX_API_EXPORT int InputCommand(int group, int function, unsigned inputCount, const int *inputs,
                                              unsigned outputCount, int *outputs) {
    if (dpy == nullptr || inputCount > QEV_CMD_INPUTS || outputCount > QEV_CMD_OUTPUTS)
        return 0;
    if (inputCount > 0 && inputs == nullptr)
        return 0;
    QevCommandBlock block;
    std::memset(&block, 0, sizeof block);
    block.group = uint32_t(group);
    block.function = uint32_t(function);
    if (inputCount > 0)
        std::memcpy(block.input, inputs, inputCount * sizeof(int));
    if (QEVGFXCommand(dpy, &block) == 0)
        return 0;

    size_t bytes = outputCount * sizeof(int);
    if (group == QEV_CMD_GetDriverName_GROUP && function == QEV_CMD_GetDriverName_FN)
        bytes = QEV_DRIVER_NAME_BYTES;
    if (bytes > 0) {
        if (outputs == nullptr)
            return 0;
        std::memcpy(outputs, block.output, bytes);
    }
    return 1;
}

namespace qev {

bool FbRequest(int request, void *arg) {
    return OpenDev >= 0 && ioctl(OpenDev, (unsigned long)(unsigned)request, arg) == 0;
}

int QueryWord(int group, int function, int *out) {
    *out = 0;
    return InputCommand(group, function, 0, nullptr, 1, out);
}

int FbWord(int request, uint32_t *out) {
    uint32_t word = 0;
    if (!FbRequest(request, &word))
        return 0;
    *out = word;
    return 1;
}

int FbPair(int request, int pair[2]) {
    uint32_t words[2] = {0, 0};
    if (!FbRequest(request, words))
        return 0;
    pair[0] = int(words[0]);
    pair[1] = int(words[1]);
    return 1;
}

bool ReadDeviceState(unsigned char *block) {
    std::memset(block, 0, QEV_DS_SIZE);
    return FbRequest(QEV_FB_ReadDeviceState, block);
}

int FbRecordWord(int request, size_t size, size_t offset, uint32_t *out) {
    std::vector<unsigned char> record(size, 0);
    if (!FbRequest(request, record.data()))
        return 0;
    *out = GetLE32(record.data() + offset);
    return 1;
}

} // namespace qev

Atom MakeAtom(const char *name, int onlyIfExists) {
    return mydisplay ? XInternAtom(mydisplay, name, onlyIfExists ? True : False) : None;
}

// ---------------------------------------------------------------------------
// Session

namespace {
// What the last QEVGFX_Open found (QEVGFX_GetOpenStatus).
int g_openStatus = QEVGFX_OPEN_OK;
std::string g_openMessage;
} // namespace

extern "C" QEVGFX_API_EXPORT void QEVGFX_Open(void) {
    RandRSupport = 0;
    qevRRInfo = QevRRInfo{0, 0, 0};
    g_openStatus = QEVGFX_OPEN_OK;
    g_openMessage.clear();
    OpenDev = open(QEV_FB_DEVICE, O_RDONLY | O_CLOEXEC);
    dpy = XOpenDisplay("");
    if (dpy != nullptr) {
        rrCheckVersion(dpy);
        if (screen < 0)
            screen = DefaultScreen(dpy);
        if (screen >= ScreenCount(dpy)) {
            // No session: the caller decides whether that ends it.
            g_openStatus = QEVGFX_OPEN_INVALID_SCREEN;
            g_openMessage = "Invalid screen number " + std::to_string(screen) + " (display has " +
                            std::to_string(ScreenCount(dpy)) + ")\n";
            XCloseDisplay(dpy);
            dpy = nullptr;
            RandRSupport = 0;
            if (OpenDev >= 0) {
                close(OpenDev);
                OpenDev = -1;
            }
            DriverType = QEV_CHANNEL_NONE;
            InitGammaLUT();
            return;
        }
        root = RootWindow(dpy, screen);
        if (RandRSupport == 1) {
            rrGetScreen();
            rrGetOutputInfo();
        }
        if (OpenDev >= 0) {
            close(OpenDev);
            OpenDev = -1;
        }
        DriverType = QEV_CHANNEL_X;
        mydisplay = dpy;
        g_openMessage = XVInitForOverlayOnly();
        if (!g_openMessage.empty())
            g_openStatus = QEVGFX_OPEN_NO_XV;
    } else {
        DriverType = OpenDev >= 0 ? QEV_CHANNEL_FB : QEV_CHANNEL_NONE;
    }
    InitGammaLUT();
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_GetOpenStatus(int *status, char *message, unsigned size) {
    if (status != nullptr)
        *status = g_openStatus;
    if (message != nullptr && size > 0) {
        size_t n = std::min<size_t>(g_openMessage.size(), size - 1);
        std::memcpy(message, g_openMessage.data(), n);
        message[n] = '\0';
    }
    return 1;
}

extern "C" QEVGFX_API_EXPORT void QEVGFX_Close(void) {
    if (DriverType == QEV_CHANNEL_FB && OpenDev >= 0) {
        close(OpenDev);
        OpenDev = -1;
    }
    DriverType = QEV_CHANNEL_NONE;
}

extern "C" QEVGFX_API_EXPORT void QEVGFX_SetType(int type) {
    if (type == QEV_CHANNEL_X || type == QEV_CHANNEL_FB)
        DriverType = type;
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_GetType(int *type) {
    if (type != nullptr)
        *type = DriverType;
    return 1;
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_IsRandR(int *randr) {
    if (randr != nullptr)
        *randr = RandRSupport;
    return 1;
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_SaveCurrentSetting(int which) {
    if (!qev::OnX())
        return 0;
    if (which == 1)
        return SaveGammaLookUpTable();
    if (which == 0)
        return SaveOverlayAttributes();
    return 0;
}

// ---------------------------------------------------------------------------
// RandR output layer

namespace {

struct XFreeDeleter {
    void operator()(void *p) const {
        if (p)
            XFree(p);
    }
};
struct OutputInfoDeleter {
    void operator()(XRROutputInfo *p) const { XRRFreeOutputInfo(p); }
};
struct CrtcInfoDeleter {
    void operator()(XRRCrtcInfo *p) const { XRRFreeCrtcInfo(p); }
};
using OutputInfoPtr = std::unique_ptr<XRROutputInfo, OutputInfoDeleter>;
using CrtcInfoPtr = std::unique_ptr<XRRCrtcInfo, CrtcInfoDeleter>;
template <class T> using XPtr = std::unique_ptr<T, XFreeDeleter>;

OutputInfoPtr GetOutput(RROutput id) { return OutputInfoPtr(XRRGetOutputInfo(dpy, res, id)); }

// What the layer takes from an output's information.
struct OutputState {
    std::string name;
    int connection;
    RRCrtc crtc;
    std::vector<RRMode> modes; // the output's own order, preferred first
};

OutputState StateOf(const XRROutputInfo &oi) {
    return {std::string(oi.name, size_t(oi.nameLen)), oi.connection, oi.crtc,
            std::vector<RRMode>(oi.modes, oi.modes + std::max(oi.nmode, 0))};
}

OutputState StateOf(const xcb_randr_get_output_info_reply_t &r) {
    const auto *name = reinterpret_cast<const char *>(xcb_randr_get_output_info_name(&r));
    const xcb_randr_mode_t *modes = xcb_randr_get_output_info_modes(&r);
    return {std::string(name, size_t(xcb_randr_get_output_info_name_length(&r))), r.connection, RRCrtc(r.crtc),
            std::vector<RRMode>(modes, modes + std::max(xcb_randr_get_output_info_modes_length(&r), 0))};
}

struct MallocDeleter {
    void operator()(void *p) const { std::free(p); }
};
using OutputReplyPtr = std::unique_ptr<xcb_randr_get_output_info_reply_t, MallocDeleter>;
using CrtcReplyPtr = std::unique_ptr<xcb_randr_get_crtc_info_reply_t, MallocDeleter>;

// The information of outputs [first, first + count) of the snapshot, read
// anew through xcb on the session's connection. All requests go out before
// the first reply is awaited, so the read costs one round trip however many
// outputs it covers, and xcb reads a reply without Xlib's extra polls for
// events. An output whose reply failed is read again through Xlib when it is
// asked for, so that its error reaches the installed error handler as any
// Xlib read's would.
class OutputReads {
public:
    // `crtcs`: CRTCs whose information goes out in the same batch.
    OutputReads(size_t first, size_t count, std::vector<RRCrtc> crtcs = {})
        : first_(first), replies_(count), crtcs_(std::move(crtcs)), crtcReplies_(crtcs_.size()) {
        xcb_connection_t *c = XGetXCBConnection(dpy);
        const xcb_query_extension_reply_t *ext = c ? xcb_get_extension_data(c, &xcb_randr_id) : nullptr;
        if (ext == nullptr || !ext->present)
            return; // every output and CRTC falls back to Xlib
        std::vector<xcb_randr_get_output_info_cookie_t> cookies;
        cookies.reserve(count);
        for (size_t i = first; i < first + count; ++i)
            cookies.push_back(xcb_randr_get_output_info(c, xcb_randr_output_t(res->outputs[i]),
                                                        xcb_timestamp_t(res->configTimestamp)));
        std::vector<xcb_randr_get_crtc_info_cookie_t> crtcCookies;
        crtcCookies.reserve(crtcs_.size());
        for (RRCrtc crtc : crtcs_)
            crtcCookies.push_back(
                xcb_randr_get_crtc_info(c, xcb_randr_crtc_t(crtc), xcb_timestamp_t(res->configTimestamp)));
        for (size_t i = 0; i < cookies.size(); ++i) {
            xcb_generic_error_t *error = nullptr;
            replies_[i].reset(xcb_randr_get_output_info_reply(c, cookies[i], &error));
            std::free(error);
        }
        for (size_t k = 0; k < crtcCookies.size(); ++k) {
            xcb_generic_error_t *error = nullptr;
            crtcReplies_[k].reset(xcb_randr_get_crtc_info_reply(c, crtcCookies[k], &error));
            std::free(error);
        }
    }

    // Position of the k-th CRTC of the batch, read again through Xlib when
    // the pipelined read failed; nullopt when that fails too.
    std::optional<std::pair<int, int>> crtcPosition(size_t k) const {
        if (const xcb_randr_get_crtc_info_reply_t *r = crtcReplies_[k].get())
            return std::pair<int, int>(r->x, r->y);
        if (CrtcInfoPtr ci{XRRGetCrtcInfo(dpy, res, crtcs_[k])})
            return std::pair<int, int>(ci->x, ci->y);
        return std::nullopt;
    }

    // The information of output i (an index of the snapshot) as the
    // pipelined read returned it.
    std::optional<OutputState> replied(size_t i) const {
        if (const xcb_randr_get_output_info_reply_t *r = replies_[i - first_].get())
            return StateOf(*r);
        return std::nullopt;
    }

    // The same, read again through Xlib when the pipelined read failed;
    // nullopt when that fails too.
    std::optional<OutputState> at(size_t i) const {
        if (std::optional<OutputState> o = replied(i))
            return o;
        if (OutputInfoPtr oi = GetOutput(res->outputs[i]))
            return StateOf(*oi);
        return std::nullopt;
    }

private:
    size_t first_;
    std::vector<OutputReplyPtr> replies_;
    std::vector<RRCrtc> crtcs_;
    std::vector<CrtcReplyPtr> crtcReplies_;
};

// Every output of the snapshot.
class AllOutputs : public OutputReads {
public:
    explicit AllOutputs(std::vector<RRCrtc> crtcs = {}) : OutputReads(0, size_t(res->noutput), std::move(crtcs)) {}
    size_t size() const { return size_t(res->noutput); }
};

// Output names of the snapshot, index for index with its outputs. An
// output's name never changes, so it is kept from the first read that
// returned it until the snapshot is replaced; outputs are still found in
// the snapshot's order, and only the output found is read afresh.
struct NameCache {
    const XRRScreenResources *snapshot = nullptr;
    bool complete = false; // every output has been asked for once
    std::vector<std::optional<std::string>> names;
};
NameCache g_names;

NameCache &Names() {
    if (g_names.snapshot != res || g_names.names.size() != size_t(res->noutput)) {
        g_names = NameCache{};
        g_names.snapshot = res;
        g_names.names.resize(size_t(res->noutput));
    }
    return g_names;
}

void RememberName(size_t i, std::string_view name) {
    NameCache &cache = Names();
    if (!cache.names[i])
        cache.names[i] = std::string(name);
}

// The first output of the snapshot with the name the bit addresses, with its
// information read now.
bool FindOutput(unsigned bit, RROutput *id, OutputState *info) {
    const char *name = qev::RandROutputName(bit);
    if (name == nullptr || dpy == nullptr || res == nullptr)
        return false;
    if (!Names().complete) {
        // Outputs whose reply failed stay unnamed; the walk reads them.
        AllOutputs all;
        for (size_t i = 0; i < all.size(); ++i)
            if (std::optional<OutputState> o = all.replied(i))
                RememberName(i, o->name);
        Names().complete = true;
    }
    for (size_t i = 0; i < size_t(res->noutput); ++i) {
        if (const std::optional<std::string> &known = Names().names[i]; known && *known != name)
            continue;
        // A name seen before that matches, or an output whose name is not
        // known yet: read it now.
        std::optional<OutputState> oi = OutputReads(i, 1).at(i);
        if (!oi)
            continue;
        RememberName(i, oi->name);
        if (oi->name == name) {
            *id = res->outputs[i];
            *info = std::move(*oi);
            return true;
        }
    }
    return false;
}

// The CRTC of the output the bit addresses; false without output or CRTC.
bool FindCrtc(unsigned bit, CrtcInfoPtr *crtc, RRCrtc *crtcId = nullptr) {
    RROutput id;
    OutputState oi;
    if (!FindOutput(bit, &id, &oi) || oi.crtc == None)
        return false;
    CrtcInfoPtr ci(XRRGetCrtcInfo(dpy, res, oi.crtc));
    if (!ci)
        return false;
    if (crtcId)
        *crtcId = oi.crtc;
    *crtc = std::move(ci);
    return true;
}

char *CopyName(std::string_view s) {
    char *p = static_cast<char *>(std::malloc(s.size() + 1));
    if (p) {
        std::memcpy(p, s.data(), s.size());
        p[s.size()] = '\0';
    }
    return p;
}

// Every output of one pass, in the snapshot's order (nullopt where even the
// Xlib read failed); the names are remembered for later lookups.
std::vector<std::optional<OutputState>> ReadAll(const AllOutputs &all) {
    std::vector<std::optional<OutputState>> states(all.size());
    for (size_t i = 0; i < all.size(); ++i) {
        states[i] = all.at(i);
        if (states[i])
            RememberName(i, states[i]->name);
    }
    Names().complete = true;
    return states;
}

// Folds one pass into the output summary masks.
void Summarise(const std::vector<std::optional<OutputState>> &states) {
    for (const std::optional<OutputState> &oi : states) {
        if (!oi)
            continue;
        unsigned bit = rrDeviceMapping(oi->name.c_str());
        qevRRInfo.supported |= bit;
        if (oi->connection == RR_Connected) {
            qevRRInfo.connected |= bit;
            if (oi->crtc != None)
                qevRRInfo.active |= bit;
            else
                qevRRInfo.active &= ~bit;
        } else if (oi->connection == RR_Disconnected) {
            // An unplugged output is no longer connected; the supported
            // mask keeps every output seen in the session.
            qevRRInfo.connected &= ~bit;
            if (oi->crtc != None)
                qevRRInfo.active |= bit;
        }
    }
}

// The output's mode list as rrGetDevSupportMode returns it.
RRModeEntry *ModeEntries(const OutputState &oi, int *count) {
    *count = 0;
    if (oi.modes.empty())
        return nullptr;
    auto *entries = static_cast<RRModeEntry *>(std::calloc(oi.modes.size(), sizeof(RRModeEntry)));
    if (entries == nullptr)
        return nullptr;
    for (size_t i = 0; i < oi.modes.size(); ++i)
        rrFindMode(&entries[i], oi.modes[i]);
    *count = int(oi.modes.size());
    return entries;
}

// ---- property kinds ---------------------------------------------------------

struct NameValue {
    const char *name;
    unsigned value;
};

constexpr NameValue kTvStandards[] = {{"NTSC", QEV_TVSTD_NTSC},  {"PAL", QEV_TVSTD_PAL},   {"480P", QEV_TVSTD_480P},
                                      {"576P", QEV_TVSTD_576P},  {"720P", QEV_TVSTD_720P}, {"1080I", QEV_TVSTD_1080I},
                                      {"1080P", QEV_TVSTD_1080P}};
constexpr NameValue kTvSignals[] = {{"Composite", QEV_TVSIG_COMPOSITE},
                                    {"SVideo", QEV_TVSIG_SVIDEO},
                                    {"RGB", QEV_TVSIG_RGB},
                                    {"YCbCr", QEV_TVSIG_YCBCR}};
constexpr NameValue kFeature[] = {{"Expand", 0}, {"Center", 1}};
constexpr NameValue kFFilterSupport[] = {{"FFON", 3}, {"AFFON", 1}};
constexpr NameValue kFFilterValue[] = {{"FFON", 3}, {"AFFON", 1}, {"ALLOFF", 0}};
constexpr NameValue kFFilterOn[] = {{"FFON", 1}};
constexpr NameValue kAFFilterOn[] = {{"AFFON", 1}};
constexpr NameValue kDotCrawl[] = {{"On", 1}, {"Off", 0}};

template <size_t N> constexpr std::pair<const NameValue *, size_t> Map(const NameValue (&a)[N]) { return {a, N}; }

// Atom properties read by kind. `allowed`: OR the values of the allowed
// names; otherwise translate the current value.
struct AtomRule {
    int kind;
    unsigned item; // 0: any item
    const char *property;
    bool allowed;
    std::pair<const NameValue *, size_t> map;
};
// clang-format off
const AtomRule kAtomRules[] = {
    {1, 0, "Feature", false, Map(kFeature)},
    {21, 0, "Type", true, Map(kTvStandards)},
    {22, 0, "Type", false, Map(kTvStandards)},
    {24, 0, "Signal", true, Map(kTvSignals)},
    {25, 0, "Signal", false, Map(kTvSignals)},
    {34, 1, "FFilter", true, Map(kFFilterSupport)},
    {35, 1, "FFilter", false, Map(kFFilterValue)},
    {38, 1, "FFilter", false, Map(kFFilterOn)},
    {38, 2, "FFilter", false, Map(kAFFilterOn)},
    {38, 4, "DotCrawl", false, Map(kDotCrawl)},
};
// clang-format on

// Integer properties read by kind: the range's upper bound or the current
// value; `shift` >= 0 packs 16 bits at that position (both halves OR'ed).
struct IntRule {
    int kind;
    unsigned item;
    const char *property;
    bool upper;
    int shift;
};
// clang-format off
const IntRule kIntRules[] = {
    {27, 0, "ScaleH", true, 0},
    {27, 0, "ScaleV", true, 16},
    {28, 0, "ScaleH", false, 0},
    {28, 0, "ScaleV", false, 16},
    {30, 0, "PosH", true, 0},
    {30, 0, "PosV", true, 16},
    {31, 0, "PosH", false, 0},
    {31, 0, "PosV", false, 16},
    {34, 2, "AFFilterValue", true, -1},
    {34, 4, "Brightness", true, -1},
    {34, 8, "Contrast", true, -1},
    {34, 16, "Saturation", true, -1},
    {34, 32, "Tint", true, -1},
    {35, 2, "AFFilterValue", false, -1},
    {35, 4, "Brightness", false, -1},
    {35, 8, "Contrast", false, -1},
    {35, 16, "Saturation", false, -1},
    {35, 32, "Tint", false, -1},
};
// clang-format on

bool ItemMatches(unsigned ruleItem, unsigned item) { return ruleItem == 0 || ruleItem == item; }

const NameValue *Lookup(std::pair<const NameValue *, size_t> map, std::string_view name) {
    for (size_t i = 0; i < map.second; ++i)
        if (name == map.first[i].name)
            return &map.first[i];
    return nullptr;
}

std::string AtomName(Atom a) {
    XPtr<char> n(XGetAtomName(dpy, a));
    return n ? std::string(n.get()) : std::string();
}

struct PropertyView {
    std::string name;
    const long *data;
    unsigned long nitems;
    const XRRPropertyInfo *info;
};

void ReadIntProperty(int kind, unsigned item, const PropertyView &p, unsigned *value) {
    if (kind == 33) {
        *value |= 0xF;
        if (p.name == "Saturation")
            *value |= 0x10;
        if (p.name == "Tint")
            *value |= 0x20;
        return;
    }
    for (const IntRule &r : kIntRules) {
        if (r.kind != kind || !ItemMatches(r.item, item) || p.name != r.property)
            continue;
        long v;
        if (r.upper) {
            if (p.info == nullptr || p.info->num_values < 2)
                continue;
            v = p.info->values[1];
        } else {
            if (p.nitems < 1)
                continue;
            v = p.data[0];
        }
        if (r.shift >= 0)
            *value |= (unsigned(v) & 0xFFFFu) << r.shift;
        else
            *value = unsigned(v);
    }
}

void ReadAtomProperty(int kind, unsigned item, const PropertyView &p, unsigned *value) {
    if (kind == 37) {
        *value |= 0x3;
        if (p.name == "DotCrawl" && p.nitems == 1)
            *value |= 0x4;
        return;
    }
    for (const AtomRule &r : kAtomRules) {
        if (r.kind != kind || !ItemMatches(r.item, item) || p.name != r.property || p.nitems != 1)
            continue;
        if (r.allowed) {
            if (p.info == nullptr || p.info->range || p.info->num_values < 1)
                continue;
            for (int i = 0; i < p.info->num_values; ++i)
                if (const NameValue *nv = Lookup(r.map, AtomName(Atom(p.info->values[i]))))
                    *value |= nv->value;
        } else if (const NameValue *nv = Lookup(r.map, AtomName(Atom(p.data[0])))) {
            *value = nv->value;
        }
    }
}

// ---- property writes --------------------------------------------------------

struct SetRule {
    int kind;
    unsigned item; // 0: any item
    unsigned value;
    const char *piece;
};
// clang-format off
const SetRule kSetRules[] = {
    {1, 0, 0, "--set Feature Expand"},
    {1, 0, 1, "--set Feature Center"},
    {23, 0, 0x1, "--set Type NTSC"},
    {23, 0, 0x2, "--set Type PAL"},
    {23, 0, 0x4, "--set Type 480P"},
    {23, 0, 0x8, "--set Type 576P"},
    {23, 0, 0x10, "--set Type 720P"},
    {23, 0, 0x20, "--set Type 1080I"},
    {23, 0, 0x40, "--set Type 1080P"},
    {26, 0, 0x1, "--set Signal Composite"},
    {26, 0, 0x2, "--set Signal SVideo"},
    {26, 0, 0x4, "--set Signal RGB"},
    {26, 0, 0x8, "--set Signal YCbCr"},
    {36, 1, 1, "--set FFilter AFFON"},
    {36, 1, 3, "--set FFilter FFON"},
    {36, 1, 0, "--set FFilter ALLOFF"},
    {39, 1, 1, "--set FFilter FFON"},
    {39, 1, 0, "--set FFilter ALLOFF"},
    {39, 2, 1, "--set FFilter AFFON"},
    {39, 2, 0, "--set FFilter ALLOFF"},
    {39, 4, 1, "--set DotCrawl On"},
    {39, 4, 0, "--set DotCrawl Off"},
};
// clang-format on

// Tuning items written with a number (kind 36).
struct TuningItem {
    unsigned item;
    const char *piece;
};
const TuningItem kTuningItems[] = {{2, "--set AFFilterValue"},
                                   {4, "--set Brightness"},
                                   {8, "--set Contrast"},
                                   {16, "--set Saturation"},
                                   {32, "--set Tint"}};

} // namespace

extern "C" QEVGFX_API_EXPORT int rrCheckVersion(Display *display) {
    int major = 0, minor = 0;
    // xcb keeps its own record of the extension, which the output reads
    // need; asked for now, it comes back with the version's round trip.
    if (xcb_connection_t *c = display ? XGetXCBConnection(display) : nullptr)
        xcb_prefetch_extension_data(c, &xcb_randr_id);
    if (display == nullptr || !XRRQueryVersion(display, &major, &minor)) {
        std::fputs("RandR extension missing\n", stderr);
        return RandRSupport;
    }
    if (major <= 0 || minor <= 1) {
        std::fputs("Server RandR version before 1.2\n", stderr);
        return RandRSupport;
    }
    RandRSupport = 1;
    return RandRSupport;
}

extern "C" QEVGFX_API_EXPORT int rrGetScreen(void) {
    if (dpy == nullptr)
        return 0;
    // The size range is asked for, but its answer is not kept: nothing waits
    // for it (an error still reaches the error handler, as the request is
    // unchecked).
    xcb_connection_t *c = XGetXCBConnection(dpy);
    const xcb_query_extension_reply_t *ext = c ? xcb_get_extension_data(c, &xcb_randr_id) : nullptr;
    if (ext != nullptr && ext->present) {
        xcb_discard_reply(c, xcb_randr_get_screen_size_range_unchecked(c, xcb_window_t(root)).sequence);
    } else {
        int minW, minH, maxW, maxH;
        XRRGetScreenSizeRange(dpy, root, &minW, &minH, &maxW, &maxH);
    }
    if (res != nullptr)
        XRRFreeScreenResources(res);
    res = XRRGetScreenResources(dpy, root);
    g_names = NameCache{}; // names belong to the snapshot they were read in
    return res != nullptr ? 1 : 0;
}

extern "C" QEVGFX_API_EXPORT int rrGetOutputInfo(void) {
    if (dpy == nullptr || res == nullptr)
        return 0;
    Summarise(ReadAll(AllOutputs()));
    return res->noutput;
}

extern "C" QEVGFX_API_EXPORT int rrGetOutputSummary(unsigned modeOutputs, QevOutputSummary *summary) {
    if (summary == nullptr || dpy == nullptr || res == nullptr)
        return 0;
    std::vector<std::optional<OutputState>> states = ReadAll(AllOutputs());
    Summarise(states);
    summary->supported = qevRRInfo.supported;
    summary->connected = qevRRInfo.connected;
    summary->active = qevRRInfo.active;
    for (unsigned i = 0; i < 32; ++i) {
        summary->modeCount[i] = 0;
        summary->modes[i] = nullptr;
        const char *name = qev::RandROutputName(1u << i);
        if (!(modeOutputs & (1u << i)) || name == nullptr)
            continue;
        // The first output of that name, as every per-output query finds it.
        for (const std::optional<OutputState> &oi : states) {
            if (oi && oi->name == name) {
                summary->modes[i] = ModeEntries(*oi, &summary->modeCount[i]);
                break;
            }
        }
    }
    return 1;
}

extern "C" QEVGFX_API_EXPORT unsigned rrDeviceMapping(const char *name) {
    static constexpr NameValue kNames[] = {
        {"CRT", QEV_OUT_CRT},    {"LCD", QEV_OUT_LCD},    {"TV", QEV_OUT_TV},      {"DVI", QEV_OUT_DVI},
        {"HDMI", QEV_OUT_HDMI},  {"CRT-2", QEV_OUT_CRT2}, {"LCD-2", QEV_OUT_LCD2}, {"TV-2", QEV_OUT_TV2},
        {"DVI-2", QEV_OUT_DVI2}, {"DP", QEV_OUT_DP},      {"DP-2", QEV_OUT_DP2},
    };
    if (name == nullptr)
        return 0;
    const NameValue *nv = Lookup(Map(kNames), name);
    return nv ? nv->value : 0;
}

extern "C" QEVGFX_API_EXPORT int rrGetDevTransform(unsigned output, int matrix[9]) {
    RRCrtc crtcId;
    CrtcInfoPtr ci;
    if (matrix == nullptr || !FindCrtc(output, &ci, &crtcId))
        return 0;
    XRRCrtcTransformAttributes *attr = nullptr;
    if (!XRRGetCrtcTransform(dpy, crtcId, &attr) || attr == nullptr)
        return 0;
    XPtr<XRRCrtcTransformAttributes> owner(attr);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            matrix[r * 3 + c] = int(attr->currentTransform.matrix[r][c]);
    return 1;
}

extern "C" QEVGFX_API_EXPORT int rrGetDevSupRotation(unsigned output, int *rotations) {
    CrtcInfoPtr ci;
    if (rotations == nullptr || !FindCrtc(output, &ci))
        return 0;
    *rotations = int(ci->rotations);
    return 1;
}

extern "C" QEVGFX_API_EXPORT int rrGetDevCurRotation(unsigned output, int *rotation) {
    RROutput id;
    OutputState oi;
    if (rotation == nullptr || !FindOutput(output, &id, &oi))
        return 0;
    if (oi.crtc == None) {
        *rotation = RR_Rotate_0;
        return 1;
    }
    CrtcInfoPtr ci(XRRGetCrtcInfo(dpy, res, oi.crtc));
    if (!ci)
        return 0;
    *rotation = int(ci->rotation);
    return 1;
}

extern "C" QEVGFX_API_EXPORT int rrGetDevCurPosition(unsigned output, int *x, int *y) {
    CrtcInfoPtr ci;
    if (x == nullptr || y == nullptr || !FindCrtc(output, &ci))
        return 0;
    *x = ci->x;
    *y = ci->y;
    return 1;
}

extern "C" QEVGFX_API_EXPORT int rrFindMode(RRModeEntry *entry, RRMode id) {
    if (entry == nullptr)
        return 0;
    entry->width = entry->height = 0;
    entry->refresh = 0.0f;
    if (res != nullptr) {
        for (int i = 0; i < res->nmode; ++i) {
            const XRRModeInfo &m = res->modes[i];
            if (m.id != id)
                continue;
            entry->width = m.width;
            entry->height = m.height;
            double total = double(m.hTotal) * double(m.vTotal);
            entry->refresh = total > 0 ? float(double(m.dotClock) / total) : 0.0f;
            entry->name = CopyName(std::string_view(m.name ? m.name : "", m.name ? m.nameLength : 0));
            return 1;
        }
    }
    entry->name = CopyName("");
    return 0;
}

extern "C" QEVGFX_API_EXPORT void rrFreeModeEntries(RRModeEntry *entries, int count) {
    if (entries == nullptr)
        return;
    for (int i = 0; i < count; ++i)
        std::free(entries[i].name);
    std::free(entries);
}

extern "C" QEVGFX_API_EXPORT int rrGetDevCurrentMode(unsigned output, RRModeEntry *mode) {
    CrtcInfoPtr ci;
    if (mode == nullptr || !FindCrtc(output, &ci))
        return 0;
    rrFindMode(mode, ci->mode);
    return 1;
}

extern "C" QEVGFX_API_EXPORT RRModeEntry *rrGetDevSupportMode(unsigned output, int *count) {
    if (count == nullptr)
        return nullptr;
    *count = 0;
    RROutput id;
    OutputState oi;
    if (!FindOutput(output, &id, &oi))
        return nullptr;
    return ModeEntries(oi, count);
}

extern "C" QEVGFX_API_EXPORT int rrGetCrtcInfo(void) {
    if (dpy == nullptr || res == nullptr)
        return 0;
    for (int i = 0; i < res->ncrtc; ++i) {
        CrtcInfoPtr ci(XRRGetCrtcInfo(dpy, res, res->crtcs[i]));
        if (!ci)
            continue;
        RRModeEntry entry{};
        rrFindMode(&entry, ci->mode);
        std::free(entry.name);
    }
    return 1;
}

extern "C" QEVGFX_API_EXPORT int rrGetDisplayMode(int *mode) {
    if (mode == nullptr || dpy == nullptr || res == nullptr)
        return 0;
    // With two CRTCs their positions may be needed: they go out in the same
    // batch as the outputs.
    const bool twoCrtcs = res->ncrtc == 2;
    AllOutputs all(twoCrtcs ? std::vector<RRCrtc>{res->crtcs[0], res->crtcs[1]} : std::vector<RRCrtc>{});
    Summarise(ReadAll(all));
    if (res->ncrtc == 1) {
        *mode = QEV_DISPLAY_SINGLE;
    } else if (twoCrtcs) {
        if (__builtin_popcount(qevRRInfo.active & QEV_OUT_ALL) == 1) {
            *mode = QEV_DISPLAY_SINGLE;
        } else {
            bool offset = false;
            for (size_t i = 0; i < 2; ++i) {
                std::optional<std::pair<int, int>> at = all.crtcPosition(i);
                if (at && (at->first != 0 || at->second != 0))
                    offset = true;
            }
            *mode = offset ? QEV_DISPLAY_SAMM : QEV_DISPLAY_CLONE;
        }
    }
    return 1;
}

extern "C" QEVGFX_API_EXPORT int rrGetPrimaryDevice(unsigned *output) {
    if (output == nullptr || dpy == nullptr || res == nullptr)
        return 0;
    AllOutputs all;
    for (size_t i = 0; i < all.size(); ++i) {
        std::optional<OutputState> oi = all.at(i);
        if (oi && oi->connection == RR_Connected && oi->crtc != None) {
            *output = rrDeviceMapping(oi->name.c_str());
            break;
        }
    }
    return 1;
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_Device_GetRandRPrimary(unsigned *output) {
    if (output == nullptr || !qev::OnRandR())
        return 0;
    const RROutput id = XRRGetOutputPrimary(dpy, root);
    if (id == None) {
        *output = 0;
        return 1;
    }
    for (size_t i = 0; i < size_t(res->noutput); ++i) {
        if (res->outputs[i] != id)
            continue;
        std::optional<OutputState> oi = OutputReads(i, 1).at(i);
        if (!oi)
            return 0;
        *output = rrDeviceMapping(oi->name.c_str());
        return 1;
    }
    return 0; // an output the screen resources read at open do not list
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_Device_SetRandRPrimary(unsigned output) {
    if (!qev::OnRandR())
        return 0;
    RROutput id = None;
    OutputState oi;
    if (output != 0 && !FindOutput(output, &id, &oi))
        return 0;
    // A refusal (an output of another screen) reaches the trap, not the
    // caller's error handler.
    ExchangeErrorTrap trap(dpy);
    trap.serial = NextRequest(dpy);
    XRRSetOutputPrimary(dpy, root, id);
    XSync(dpy, False);
    return trap.failed ? 0 : 1;
}

extern "C" QEVGFX_API_EXPORT int rrGetOutputProperties(unsigned output, int kind, unsigned item, unsigned *value) {
    if (value == nullptr)
        return 0;
    *value = 0;
    RROutput id;
    OutputState oi;
    if (!FindOutput(output, &id, &oi))
        return 0;
    int nprop = 0;
    XPtr<Atom> props(XRRListOutputProperties(dpy, id, &nprop));
    for (int i = 0; i < nprop; ++i) {
        Atom actualType = None;
        int format = 0;
        unsigned long nitems = 0, after = 0;
        unsigned char *raw = nullptr;
        if (XRRGetOutputProperty(dpy, id, props.get()[i], 0, 100, False, False, AnyPropertyType, &actualType, &format,
                                 &nitems, &after, &raw) != Success) {
            continue;
        }
        XPtr<unsigned char> data(raw);
        XPtr<XRRPropertyInfo> info(XRRQueryOutputProperty(dpy, id, props.get()[i]));
        if (format != 32 || (actualType != XA_INTEGER && actualType != XA_ATOM))
            continue;
        PropertyView view{AtomName(props.get()[i]), reinterpret_cast<const long *>(data.get()), nitems, info.get()};
        if (actualType == XA_INTEGER)
            ReadIntProperty(kind, item, view, value);
        else
            ReadAtomProperty(kind, item, view, value);
    }
    return nprop;
}

extern "C" QEVGFX_API_EXPORT void rrSetOutputProperties(unsigned output, int kind, unsigned item, unsigned value) {
    const char *name = qev::RandROutputName(output);
    if (name == nullptr)
        return;
    std::vector<std::string> args{"--output", name};
    bool matched = false;
    for (const SetRule &r : kSetRules) {
        if (r.kind == kind && ItemMatches(r.item, item) && r.value == value) {
            qev::AppendWords(args, r.piece);
            matched = true;
            break;
        }
    }
    if (!matched) {
        if (kind == 29 || kind == 32) {
            const char *h = kind == 29 ? "ScaleH" : "PosH";
            const char *v = kind == 29 ? "ScaleV" : "PosV";
            args.insert(args.end(),
                        {"--set", h, std::to_string(value & 0xFFFFu), "--set", v, std::to_string(value >> 16)});
        } else if (kind == 36) {
            for (const TuningItem &t : kTuningItems) {
                if (t.item == item) {
                    qev::AppendWords(args, t.piece);
                    args.push_back(std::to_string(int(value)));
                }
            }
        } else if (kind == 1) {
            std::fputs("Set expansion:wrong value\n", stderr);
        }
    }
    qev::RunXrandr(args);
}
