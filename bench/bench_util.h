// Timing helpers shared by the benchmark programs: a monotonic clock, medians
// and one-line figures. Header only.
#ifndef QEV_BENCH_UTIL_H
#define QEV_BENCH_UTIL_H

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include <X11/Xlib.h>
#include <spawn.h>

namespace qevbench {

using Clock = std::chrono::steady_clock;

struct DisplayCloser {
    void operator()(Display *d) const { XCloseDisplay(d); }
};

// posix_spawn file actions, destroyed with the object.
class FileActions {
public:
    FileActions() { posix_spawn_file_actions_init(&actions_); }
    ~FileActions() { posix_spawn_file_actions_destroy(&actions_); }
    FileActions(const FileActions &) = delete;
    FileActions &operator=(const FileActions &) = delete;
    posix_spawn_file_actions_t *get() { return &actions_; }

private:
    posix_spawn_file_actions_t actions_;
};

inline double ElapsedUs(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::micro>(to - from).count();
}

inline double Median(std::vector<double> v) {
    if (v.empty())
        return 0.0;
    std::sort(v.begin(), v.end());
    size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2.0;
}

// Figures of one measured operation: the median of `rounds` samples, each
// sample the mean time of `batch` back-to-back calls, in microseconds.
struct Figure {
    std::string name;
    double median_us = 0;
    double min_us = 0;
    double max_us = 0;
    std::vector<double> samples_us; // in round order
};

// The median of the ratios num / den of samples taken in the same round:
// both were measured within moments of each other, under the same load.
inline double RoundRatio(const Figure &num, const Figure &den) {
    std::vector<double> r;
    for (size_t i = 0; i < num.samples_us.size() && i < den.samples_us.size(); ++i)
        if (den.samples_us[i] > 0)
            r.push_back(num.samples_us[i] / den.samples_us[i]);
    return Median(r);
}

// One operation under measurement: `op` returns false on failure. A sample
// is the mean time of `batch` back-to-back calls.
struct Op {
    std::string name;
    int batch = 1;
    std::function<bool()> op;
};

// Takes `rounds` samples of every operation, interleaved round by round so
// that drift of the machine's load affects all of them alike, after `warmup`
// calls of each. Returns false when a call fails; `*failed` names it.
inline bool MeasureInterleaved(const std::vector<Op> &ops, int rounds, int warmup, std::vector<Figure> *out,
                               std::string *failed) {
    for (const Op &o : ops)
        for (int i = 0; i < warmup; ++i)
            if (!o.op()) {
                *failed = o.name;
                return false;
            }
    std::vector<std::vector<double>> samples(ops.size());
    for (int r = 0; r < rounds; ++r)
        for (size_t k = 0; k < ops.size(); ++k) {
            auto t0 = Clock::now();
            for (int i = 0; i < ops[k].batch; ++i)
                if (!ops[k].op()) {
                    *failed = ops[k].name;
                    return false;
                }
            samples[k].push_back(ElapsedUs(t0, Clock::now()) / ops[k].batch);
        }
    out->clear();
    for (size_t k = 0; k < ops.size(); ++k) {
        Figure f;
        f.name = ops[k].name;
        f.median_us = Median(samples[k]);
        f.min_us = *std::min_element(samples[k].begin(), samples[k].end());
        f.max_us = *std::max_element(samples[k].begin(), samples[k].end());
        f.samples_us = samples[k];
        out->push_back(f);
    }
    return true;
}

inline void PrintFigure(const Figure &f) {
    std::printf("  %-46s median %10.1f us  (min %.1f, max %.1f)\n", f.name.c_str(), f.median_us, f.min_us,
                f.max_us);
}

// Prints "LABEL: RATIO x (goal ...: met|missed)" for the medians of `num` and
// `den`, and the ratio of their minima, which a busy machine disturbs least.
// `at_most` selects the direction of the goal.
inline bool PrintRatio(const char *label, const Figure &num, const Figure &den, double goal, bool at_most) {
    double ratio = num.median_us / den.median_us;
    bool met = at_most ? ratio <= goal : ratio >= goal;
    std::printf("%s: %.2fx (goal %s %.2fx: %s); median of same-round ratios %.2fx; ratio of minima %.2fx\n", label,
                ratio, at_most ? "<=" : ">=", goal, met ? "met" : "missed", RoundRatio(num, den),
                num.min_us / den.min_us);
    return met;
}

// Positive integer option value, or `fallback` when absent or malformed.
inline int IntArg(const char *text, int fallback) {
    if (text == nullptr)
        return fallback;
    char *end = nullptr;
    long v = std::strtol(text, &end, 10);
    return (end != text && *end == '\0' && v > 0 && v < 1000000) ? int(v) : fallback;
}

} // namespace qevbench

#endif
