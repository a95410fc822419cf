// libqevgfx benchmark, run against the simulated adapter's X server (DISPLAY).
//
// 1. One extension command round trip (QEVGFXCommand, command 17/1) against a
//    bare XSync on the same connection. Beside it: the same exchange built
//    from qev/protocol.h without the library (what the wire and the driver
//    cost), and the library's own session call (QEVGFX_Info_GetChipID), whose
//    display is internal to the library, against XSync on a second connection.
// 2. An in-process read of the supported, connected and active outputs plus
//    every supported output's mode list against one `xrandr --query` process:
//    once through the separate queries, once through the one-pass summary.
//    Beside each read, its round trips (counted, rtcount.cpp) and its time in
//    round trips (against XSync measured in the same rounds), which with
//    profiles of 1, 6 and 11 outputs gives the growth per added output.
//
// Prints the figures and the ratios with their goals. Goals are not gated: the
// exit status is 0 unless a measurement could not be made.
#include <X11/Xlib.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bench_util.h"
#include "rtcount.h"
#include "qev/commands.h"
#include "qev/protocol.h"
#include "qevgfx.h"

// Xlib's internals for the raw exchange; last, as they define min and max.
#include <X11/Xlibint.h>
#undef min
#undef max

extern char **environ;

namespace {

using qevbench::Figure;
using qevbench::Op;
using qevbench::DisplayCloser;
using qevbench::FileActions;

// Runs `xrandr --query` with its output discarded and waits for it.
bool RunXrandrQuery() {
    FileActions fa;
    posix_spawn_file_actions_addopen(fa.get(), STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(fa.get(), STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<std::string> args = {"xrandr", "--query"};
    std::vector<char *> argv;
    for (auto &a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, "xrandr", fa.get(), nullptr, argv.data(), environ) != 0)
        return false;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR)
            return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// One QEVGFX_API exchange of command 17/1 written directly against Xlib.
bool RawExchange(Display *d, int major) {
    QevCommandReply rep;
    LockDisplay(d);
    auto *req = static_cast<QevCommandReq *>(_XGetRequest(d, uint8_t(major), QEV_REQ_BYTES));
    std::memset(&req->unused, 0, QEV_REQ_BYTES - offsetof(QevCommandReq, unused));
    req->minor = QEVGFX_MINOR_COMMAND;
    req->length = QEV_REQ_UNITS;
    req->block.group = QEV_CMD_GetChipID_GROUP;
    req->block.function = QEV_CMD_GetChipID_FN;
    Status ok = _XReply(d, reinterpret_cast<xReply *>(&rep), QEV_REPLY_EXTRA_UNITS, xFalse);
    if (ok && rep.length > QEV_REPLY_EXTRA_UNITS)
        _XEatDataWords(d, rep.length - QEV_REPLY_EXTRA_UNITS);
    UnlockDisplay(d);
    if (d->synchandler)
        d->synchandler(d);
    return ok && rep.length == QEV_REPLY_EXTRA_UNITS && rep.block.status != 0;
}

using DisplayModesFn = int (*)(unsigned, int *, RRModeEntry **);

// The mode list of one output: the DISPLAY family's call when the library
// has it, otherwise the RandR layer's.
bool ReadModes(DisplayModesFn display_fn, unsigned output, int *count) {
    RRModeEntry *modes = nullptr;
    *count = 0;
    if (display_fn != nullptr) {
        if (!display_fn(output, count, &modes))
            return false;
    } else {
        modes = rrGetDevSupportMode(output, count);
    }
    rrFreeModeEntries(modes, *count);
    return true;
}

// One in-process read; *outputs and *modes receive what it found.
bool ReadOutputs(DisplayModesFn display_fn, int *outputs, int *modes) {
    unsigned supported = 0, connected = 0, active = 0;
    if (!QEVGFX_Device_GetSupportCaps(&supported) || !QEVGFX_Device_GetConnectState(&connected) ||
        !QEVGFX_Device_GetActiveState(&active))
        return false;
    *outputs = 0;
    *modes = 0;
    for (unsigned bit = 1; bit != 0; bit <<= 1) {
        if (!(supported & bit))
            continue;
        int count = 0;
        if (!ReadModes(display_fn, bit, &count))
            return false;
        ++*outputs;
        *modes += count;
    }
    return true;
}

// The same read in one pass: the three masks and the mode lists of `outputs`.
bool ReadSummary(unsigned outputs, int *modes) {
    QevOutputSummary s;
    if (!QEVGFX_Device_GetOutputSummary(outputs, &s))
        return false;
    *modes = 0;
    for (int i = 0; i < 32; ++i) {
        *modes += s.modeCount[i];
        rrFreeModeEntries(s.modes[i], s.modeCount[i]);
    }
    return true;
}

// Round trips on the library's connection (the first one opened) taken by `op`.
template <class F> unsigned long RoundTrips(F op) {
    unsigned long before = qev_rtcount(1).round_trips;
    op();
    return qev_rtcount(1).round_trips - before;
}

void Usage() {
    std::fprintf(stderr, "usage: qev_lib_bench [--rounds N] [--batch N]\n"
                         "  needs DISPLAY naming a server with the simulated QEV driver\n");
}

} // namespace

int main(int argc, char **argv) {
    int rounds = 15;
    int batch = 200;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if ((a == "--rounds" || a == "--batch") && i + 1 < argc) {
            int v = qevbench::IntArg(argv[++i], -1);
            if (v < 0) {
                Usage();
                return 2;
            }
            (a == "--rounds" ? rounds : batch) = v;
        } else {
            Usage();
            return 2;
        }
    }

    const char *display_name = std::getenv("DISPLAY");
    if (display_name == nullptr || *display_name == '\0') {
        std::fprintf(stderr, "qev_lib_bench: DISPLAY is not set\n");
        return 1;
    }
    QEVGFX_Open();
    int randr = 0;
    QEVGFX_IsRandR(&randr);
    int chip = 0;
    if (!QEVGFX_Info_GetChipID(&chip)) {
        std::fprintf(stderr, "qev_lib_bench: no QEVGFX_API session on %s\n", display_name);
        return 1;
    }
    std::unique_ptr<Display, DisplayCloser> own(XOpenDisplay(nullptr));
    if (!own) {
        std::fprintf(stderr, "qev_lib_bench: cannot open %s\n", display_name);
        return 1;
    }
    int major = 0, first_event = 0, first_error = 0;
    if (!XQueryExtension(own.get(), QEVGFX_EXTENSION_NAME, &major, &first_event, &first_error)) {
        std::fprintf(stderr, "qev_lib_bench: %s has no %s extension\n", display_name, QEVGFX_EXTENSION_NAME);
        return 1;
    }
    auto display_fn = reinterpret_cast<DisplayModesFn>(dlsym(RTLD_DEFAULT, "QEVGFX_DISPLAY_GetDevSupportMode"));

    std::printf("libqevgfx benchmark on %s (chip 0x%x, RandR in use: %s), %d rounds\n", display_name, chip,
                randr ? "yes" : "no", rounds);
    bool complete = true;
    std::string failed;

    // ---- extension round trip against XSync --------------------------------
    Display *d = own.get();
    QevCommandBlock block;
    std::vector<Op> rt = {
        {"XSync, bench connection", batch, [d] { return XSync(d, False), true; }},
        {"QEVGFXCommand 17/1, bench connection", batch,
         [d, &block] {
             std::memset(&block, 0, sizeof block);
             block.group = QEV_CMD_GetChipID_GROUP;
             block.function = QEV_CMD_GetChipID_FN;
             return QEVGFXCommand(d, &block) != 0;
         }},
        {"raw exchange 17/1, bench connection", batch, [d, major] { return RawExchange(d, major); }},
        {"QEVGFX_Info_GetChipID, library session", batch,
         [] {
             int id = 0;
             return QEVGFX_Info_GetChipID(&id) != 0;
         }},
    };
    std::vector<Figure> f;
    std::printf("\nExtension round trip (mean of %d calls per sample)\n", batch);
    if (qevbench::MeasureInterleaved(rt, rounds, batch / 4 + 1, &f, &failed)) {
        for (const Figure &x : f)
            qevbench::PrintFigure(x);
        qevbench::PrintRatio("extension command / raw exchange without the library", f[1], f[2], 1.05, true);
        qevbench::PrintRatio("extension command / XSync, same connection", f[1], f[0], 1.2, true);
        std::printf("raw exchange without the library / XSync, same connection (reference): %.2fx; "
                    "ratio of minima %.2fx\n",
                    f[2].median_us / f[0].median_us, f[2].min_us / f[0].min_us);
        qevbench::PrintRatio("GetChipID (library session) / XSync (second connection)", f[3], f[0], 1.2, true);
    } else {
        std::printf("  failed: %s\n", failed.c_str());
        complete = false;
    }

    // ---- in-process output read against xrandr --query ---------------------
    int outputs = 0, modes = 0, summary_modes = 0;
    unsigned supported = 0;
    if (!ReadOutputs(display_fn, &outputs, &modes) || !QEVGFX_Device_GetSupportCaps(&supported) ||
        !ReadSummary(supported, &summary_modes)) {
        std::printf("\nOutput read: the in-process read fails\n");
        return 1;
    }
    int randr_outputs = randr ? rrGetOutputInfo() : 0;
    unsigned long rt_separate = RoundTrips([&] {
        int o = 0, m = 0;
        ReadOutputs(display_fn, &o, &m);
    });
    unsigned long rt_summary = RoundTrips([&] {
        int m = 0;
        ReadSummary(supported, &m);
    });
    std::string what = "3 masks + " + std::to_string(outputs) + " mode lists (" + std::to_string(modes) + " modes)";
    Display *lib_sync = own.get();
    std::vector<Op> rd = {
        {"XSync, bench connection", batch, [lib_sync] { return XSync(lib_sync, False), true; }},
        {"separate queries: " + what, 20,
         [display_fn] {
             int o = 0, m = 0;
             return ReadOutputs(display_fn, &o, &m);
         }},
        {"one-pass summary: " + what, 20,
         [supported] {
             int m = 0;
             return ReadSummary(supported, &m);
         }},
        {"xrandr --query process", 1, [] { return RunXrandrQuery(); }},
    };
    std::printf("\nOutput read, %d RandR outputs (mode lists through %s)\n", randr_outputs,
                display_fn ? "QEVGFX_DISPLAY_GetDevSupportMode" : "rrGetDevSupportMode");
    if (summary_modes != modes)
        std::printf("  the summary found %d modes, the separate queries %d\n", summary_modes, modes);
    if (qevbench::MeasureInterleaved(rd, rounds, 2, &f, &failed)) {
        for (const Figure &x : f)
            qevbench::PrintFigure(x);
        std::printf("round trips per read: separate queries %lu, one-pass summary %lu\n", rt_separate, rt_summary);
        std::printf("read time in XSync round trips (median of same-round ratios): separate queries %.2f, "
                    "one-pass summary %.2f\n",
                    qevbench::RoundRatio(f[1], f[0]), qevbench::RoundRatio(f[2], f[0]));
        qevbench::PrintRatio("xrandr --query / in-process read, separate queries", f[3], f[1], 40.0, false);
        qevbench::PrintRatio("xrandr --query / in-process read, one-pass summary", f[3], f[2], 40.0, false);
    } else {
        std::printf("  failed: %s\n", failed.c_str());
        complete = false;
    }

    QEVGFX_Close();
    return complete ? 0 : 1;
}
