// Round-trip counter for the benchmarks (rtcount.cpp).
#ifndef QEV_BENCH_RTCOUNT_H
#define QEV_BENCH_RTCOUNT_H

#include <X11/Xlib.h>

extern "C" {

struct QevRtCount {
    unsigned long round_trips;
    unsigned long output_info_requests;
};

// Counts of the n-th connection seen (1-based, in the order of first use).
QevRtCount qev_rtcount(int connection);
// Counts of a display's connection.
QevRtCount qev_rtcount_display(Display *d);
// Prints every connection's counts on standard error at SIGTERM, then ends.
void qev_rtcount_print_on_term(void);
}

#endif
