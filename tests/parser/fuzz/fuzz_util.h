// Pieces the libFuzzer targets share: a failed check aborts (libFuzzer keeps
// the input), a work file in a private temporary directory (under /dev/shm
// when writable) removed at exit and after a finding, and CR LF line ends.
#ifndef QEV_FUZZ_UTIL_H
#define QEV_FUZZ_UTIL_H

#include <sanitizer/common_interface_defs.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#define CHECK(cond)                                                                                                    \
    do {                                                                                                               \
        if (!(cond)) {                                                                                                 \
            fprintf(stderr, "check failed at line %d: %s\n", __LINE__, #cond);                                         \
            abort();                                                                                                   \
        }                                                                                                              \
    } while (0)

namespace fuzzutil {

inline std::string g_dir;

inline void RemoveDir() {
    if (!g_dir.empty()) {
        unlink((g_dir + "/work").c_str());
        rmdir(g_dir.c_str());
    }
}

inline const std::string &WorkFile(const char *prefix) {
    static const std::string path = [prefix] {
        const char *tmp = getenv("TMPDIR");
        const char *base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : (tmp ? tmp : "/tmp");
        std::string tmpl = std::string(base) + "/" + prefix + ".XXXXXX";
        if (!mkdtemp(tmpl.data()))
            abort();
        g_dir = tmpl;
        atexit(RemoveDir);
        __sanitizer_set_death_callback(RemoveDir);
        return tmpl + "/work";
    }();
    return path;
}

inline std::string WithCrLf(std::string_view lf) {
    std::string out;
    for (char c : lf) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

} // namespace fuzzutil

#endif
