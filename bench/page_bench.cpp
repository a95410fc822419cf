// Display page benchmark, run against the simulated adapter's X server
// (DISPLAY): the program's main window built in-process as at start-up, the
// Display tab shown, then two operations sampled in turn:
//
// - page build: the Display page rebuilt (RebuildDisplayPage, as a hotplug or
//   a kept display change does it: old widgets destroyed, lists read and
//   filled again);
// - primary change: the other item of the primary output list selected, as a
//   click in the open list does (the combo's handler reads the outputs, fills
//   the secondary list and the resolution list).
//
// Per operation: library round trips (counted on the library's connection,
// rtcount.cpp), round trips of GTK's connection, wall time and thread CPU
// time. Pending GTK events are run after each call, outside the timing.
#include <gtk/gtk.h>
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "Display_page.h"
#include "bench_util.h"
#include "common.h"
#include "interface.h"
#include "keep_revert_window.h"
#include "qevgfx.h"
#include "rtcount.h"
#include "startup.h"
#include "support.h"

namespace {

using qevbench::Median;

double ThreadCpuUs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e6 + double(ts.tv_nsec) / 1e3;
}

void Pump() {
    while (gtk_events_pending())
        gtk_main_iteration_do(FALSE);
}

struct Sampled {
    const char *name;
    std::vector<double> wall, cpu;
    std::vector<unsigned long> libTrips, gdkTrips;
};

// The library opened first (as the program does), so it is connection 1.
template <class F> void Sample(Sampled *s, F op) {
    unsigned long lib0 = qev_rtcount(1).round_trips, gdk0 = qev_rtcount(2).round_trips;
    double c0 = ThreadCpuUs();
    auto t0 = qevbench::Clock::now();
    op();
    s->wall.push_back(qevbench::ElapsedUs(t0, qevbench::Clock::now()));
    s->cpu.push_back(ThreadCpuUs() - c0);
    s->libTrips.push_back(qev_rtcount(1).round_trips - lib0);
    s->gdkTrips.push_back(qev_rtcount(2).round_trips - gdk0);
    Pump();
}

void Print(const Sampled &s) {
    std::vector<double> lib(s.libTrips.begin(), s.libTrips.end()), gdk(s.gdkTrips.begin(), s.gdkTrips.end());
    std::printf("  %-16s library round trips %4.1f (min %lu, max %lu)  GTK round trips %4.1f  "
                "wall median %8.1f us (min %.1f)  CPU median %8.1f us (min %.1f)\n",
                s.name, Median(lib), *std::min_element(s.libTrips.begin(), s.libTrips.end()),
                *std::max_element(s.libTrips.begin(), s.libTrips.end()), Median(gdk), Median(s.wall),
                *std::min_element(s.wall.begin(), s.wall.end()), Median(s.cpu),
                *std::min_element(s.cpu.begin(), s.cpu.end()));
}

GtkWidget *W(const char *name) { return lookup_widget(g_pMainWindow, name); }

std::vector<std::string> Entries(const char *combo) {
    std::vector<std::string> out;
    GtkWidget *list = GTK_COMBO(W(combo))->list;
    for (GList *n = GTK_LIST(list)->children; n; n = n->next)
        out.emplace_back(gtk_label_get_text(GTK_LABEL(gtk_bin_get_child(GTK_BIN(n->data)))));
    return out;
}

} // namespace

int main(int argc, char *argv[]) {
    int rounds = 15;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--rounds" && i + 1 < argc) {
            rounds = qevbench::IntArg(argv[++i], 15);
        } else {
            std::fprintf(stderr, "usage: qev_page_bench [--rounds N]\n"
                                 "  needs DISPLAY naming a server with the simulated QEV driver\n");
            return 2;
        }
    }
    QEVGFX_Open();
    QEVGFX_IsRandR(&g_bRandRMode);
    add_pixmap_directory(QEV_BENCH_SOURCE_DIR "/pixmaps");
    gtk_init(&argc, &argv);
    g_pMainWindow = create_MainWindow();
    ReadAdapterCapabilities(g_pMainWindow);
    gtk_widget_show(g_pMainWindow);
    Pump();
    gtk_notebook_set_current_page(GTK_NOTEBOOK(W("Info_notebook")), QEV_PAGE_DISPLAY);
    Pump();
    if (!g_bDisplayPageHasInitial) {
        std::fprintf(stderr, "qev_page_bench: the Display page was not built\n");
        return 1;
    }
    const std::vector<std::string> primaries = Entries("Display_Device_Combo");
    if (primaries.size() < 2) {
        std::fprintf(stderr, "qev_page_bench: the primary list has %zu entries, two are needed\n", primaries.size());
        return 1;
    }
    std::printf("Display page, RandR %s, primary list:", g_bRandRMode ? "yes" : "no");
    for (const std::string &e : primaries)
        std::printf(" \"%s\"", e.c_str());
    std::printf("\n");

    Sampled build{"page build", {}, {}, {}, {}}, change{"primary change", {}, {}, {}, {}};
    int item = 0;
    auto selectOther = [&item] {
        item = 1 - item;
        gtk_list_select_item(GTK_LIST(GTK_COMBO(W("Display_Device_Combo"))->list), item);
    };
    // Warm-up, then the two operations in turn, round by round.
    RebuildDisplayPage();
    Pump();
    selectOther();
    Pump();
    selectOther();
    Pump();
    for (int r = 0; r < rounds; ++r) {
        Sample(&build, [] { RebuildDisplayPage(); });
        item = 0; // a rebuilt page shows its first entry
        Sample(&change, selectOther);
        Sample(&change, selectOther);
    }
    std::printf("%d rounds (two primary changes each):\n", rounds);
    Print(build);
    Print(change);
    gtk_widget_destroy(g_pMainWindow);
    Pump();
    QEVGFX_Close();
    return 0;
}
