// Fault injection shared by the parser's and the multi-screen tests: the
// interposer preloaded from faultinject.c makes the n-th write, fsync, close
// or rename fail; ExpectOldOrNew makes each call of each kind fail in turn.
#ifndef QEV_TEST_FAULT_UTIL_H
#define QEV_TEST_FAULT_UTIL_H

#include <dirent.h>
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <functional>
#include <set>
#include <string>

namespace qevtest {

enum { FAULT_WRITE, FAULT_FSYNC, FAULT_CLOSE, FAULT_RENAME };

struct Interposer {
    void (*arm)(int, long, int) = reinterpret_cast<void (*)(int, long, int)>(dlsym(RTLD_DEFAULT, "qev_fault_arm"));
    void (*disarm)() = reinterpret_cast<void (*)()>(dlsym(RTLD_DEFAULT, "qev_fault_disarm"));
    long (*calls)(int) = reinterpret_cast<long (*)(int)>(dlsym(RTLD_DEFAULT, "qev_fault_calls"));
    bool loaded() const { return arm && disarm && calls; }
};

inline std::set<std::string> ListDir(const std::string &dir) {
    std::set<std::string> names;
    if (DIR *d = opendir(dir.c_str())) {
        while (dirent *e = readdir(d))
            if (std::string(e->d_name) != "." && std::string(e->d_name) != "..")
                names.insert(e->d_name);
        closedir(d);
    }
    return names;
}

// Fills the file system holding `path` up with that one file; false if
// nothing fit.
inline bool FillUp(const std::string &path) {
    FILE *f = std::fopen(path.c_str(), "w");
    if (!f)
        return false;
    std::setvbuf(f, nullptr, _IONBF, 0);
    const std::string block(512, 'x');
    size_t written = 0;
    while (std::fwrite(block.data(), 1, block.size(), f) == block.size())
        written += block.size();
    std::fclose(f);
    return written > 0;
}

// Runs `run` once per call of each kind, that call failing, after `reset`
// put the old version back: the file read by `now` is then the old or the
// new version, `run` reports `success` exactly when it is the new one, and
// `leftovers` finds nothing. Every kind must make the operation fail at least
// once (the data write, the file's fsync and close, the rename).
inline void ExpectOldOrNew(const Interposer &faults, const std::function<void()> &reset,
                           const std::function<int()> &run, int success, const std::function<std::string()> &now,
                           const std::string &before, const std::string &after,
                           const std::function<std::set<std::string>()> &leftovers) {
    for (int kind : {FAULT_WRITE, FAULT_FSYNC, FAULT_CLOSE, FAULT_RENAME}) {
        int failures = 0;
        for (long nth = 1;; ++nth) {
            reset();
            faults.arm(kind, nth, kind == FAULT_WRITE ? ENOSPC : EIO);
            const int rc = run();
            faults.disarm();
            const long calls = faults.calls(kind);
            const std::string text = now();
            SCOPED_TRACE("call " + std::to_string(nth) + " of kind " + std::to_string(kind));
            EXPECT_TRUE(text == before || text == after) << text;
            EXPECT_EQ(rc == success, text == after) << "result " << rc;
            EXPECT_EQ(std::set<std::string>{}, leftovers());
            if (nth > calls)
                break; // this call did not fail: every call of this kind has had its turn
            failures += rc != success;
        }
        EXPECT_GE(failures, 1) << "kind " << kind;
    }
}

} // namespace qevtest

#endif
