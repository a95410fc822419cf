// Scheme file changes under injected I/O faults (each write, fsync, close and
// rename failing in turn, through tests/parser's preloaded interposer) and on
// a full tmpfs: the file is always the old or the new version, no temporary
// file stays, and the operation fails exactly when the new version is not in
// place.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <sys/mount.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>

#include "qevtest/process.h"
#include "scheme_file.h"

namespace {

enum { FAULT_WRITE, FAULT_FSYNC, FAULT_CLOSE, FAULT_RENAME };

template <typename F>
F Symbol(const char *name)
{
    return reinterpret_cast<F>(dlsym(RTLD_DEFAULT, name));
}

std::string Record(const SchemeLayout &layout, const char *name)
{
    std::string r(layout.recordSize, '\0');
    memcpy(r.data(), name, strlen(name));
    return r;
}

// A file with schemes "A" and "B", "A" active.
std::string TwoSchemes(const SchemeLayout &layout)
{
    return SerializeSchemeFile(layout, {Record(layout, "A"), {Record(layout, "A"), Record(layout, "B")}});
}

struct Change {
    const char *name;
    SchemeLayout layout;
    std::function<bool(const SchemeFile &)> run;
};
const Change kChanges[] = {
    {"add gamma", kGammaSchemeLayout, [](const SchemeFile &f) { return AddSchemeRecord(f, Record(f.layout, "C")); }},
    {"add overlay", kOverlaySchemeLayout,
     [](const SchemeFile &f) { return AddSchemeRecord(f, Record(f.layout, "C")); }},
    {"delete", kGammaSchemeLayout, [](const SchemeFile &f) { return DeleteActiveSchemeRecord(f); }},
    {"active record", kOverlaySchemeLayout,
     [](const SchemeFile &f) { return WriteActiveSchemeRecord(f, Record(f.layout, "B"), false); }},
};

TEST(SchemeFileFaults, EveryFailingCallLeavesOldOrNewFile)
{
    auto arm = Symbol<void (*)(int, long, int)>("qev_fault_arm");
    auto disarm = Symbol<void (*)()>("qev_fault_disarm");
    auto calls = Symbol<long (*)(int)>("qev_fault_calls");
    if (!arm || !disarm || !calls)
        GTEST_SKIP() << "fault interposer not preloaded";
    qevtest::TempDir dir("scheme-faults");
    for (const Change &change : kChanges) {
        SchemeFile file{dir.file("schemes"), "", change.layout, true};
        const std::string old = TwoSchemes(change.layout);
        ASSERT_TRUE(qevtest::write_file(file.path, old));
        ASSERT_TRUE(change.run(file)) << change.name;
        const std::string fresh = *qevtest::read_file(file.path);
        for (int op : {FAULT_WRITE, FAULT_FSYNC, FAULT_CLOSE, FAULT_RENAME}) {
            int failures = 0;
            for (long nth = 1;; ++nth) {
                ASSERT_TRUE(qevtest::write_file(file.path, old));
                arm(op, nth, op == FAULT_WRITE ? ENOSPC : EIO);
                const bool ok = change.run(file);
                disarm();
                SCOPED_TRACE(std::string(change.name) + " op " + std::to_string(op) + " call " + std::to_string(nth));
                const std::string now = qevtest::read_file(file.path).value_or("<missing>");
                EXPECT_TRUE(now == old || now == fresh);
                EXPECT_EQ(ok, now == fresh);
                EXPECT_EQ(1, std::distance(std::filesystem::directory_iterator(dir.path()), {}));
                if (nth > calls(op))
                    break;
                failures += !ok;
            }
            EXPECT_GE(failures, 1) << change.name << " op " << op;
        }
    }
}

TEST(SchemeFileFaults, FullFileSystem)
{
    qevtest::TempDir dir("scheme-full");
    ASSERT_EQ(0, mount("tmpfs", dir.path().c_str(), "tmpfs", 0, "size=16k")) << strerror(errno);
    SchemeFile file{dir.file("schemes"), "", kGammaSchemeLayout, true};
    const std::string old = TwoSchemes(file.layout);
    ASSERT_TRUE(qevtest::write_file(file.path, old));
    for (int k = 0; qevtest::write_file(dir.file("filler" + std::to_string(k)), std::string(4096, 'f')); ++k) {
    }
    for (const Change &change : kChanges) {
        if (change.layout.recordSize != file.layout.recordSize)
            continue;
        EXPECT_FALSE(change.run(file)) << change.name;
        EXPECT_EQ(old, qevtest::read_file(file.path).value_or("<missing>")) << change.name;
    }
    EXPECT_EQ(0, umount2(dir.path().c_str(), MNT_DETACH));
}

}  // namespace
