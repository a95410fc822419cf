// Every write, fsync, close and rename of a rewrite fails in turn (through
// the preloaded interposer in faultinject.c): the configuration file is then
// byte for byte the old or the new version, no temporary file is left, and
// the operation reports failure exactly when the new version is not in place.
#include <gtest/gtest.h>

#include <dirent.h>
#include <dlfcn.h>

#include <cerrno>
#include <functional>
#include <set>
#include <string>

#include "qevgfx_parser.h"
#include "qevtest/process.h"

namespace {

enum { FAULT_WRITE, FAULT_FSYNC, FAULT_CLOSE, FAULT_RENAME };

struct Interposer {
    void (*arm)(int, long, int) = nullptr;
    void (*disarm)() = nullptr;
    long (*calls)(int) = nullptr;

    Interposer()
    {
        arm = reinterpret_cast<void (*)(int, long, int)>(dlsym(RTLD_DEFAULT, "qev_fault_arm"));
        disarm = reinterpret_cast<void (*)()>(dlsym(RTLD_DEFAULT, "qev_fault_disarm"));
        calls = reinterpret_cast<long (*)(int)>(dlsym(RTLD_DEFAULT, "qev_fault_calls"));
    }
    bool loaded() const { return arm && disarm && calls; }
};

std::set<std::string> listDir(const std::string &dir)
{
    std::set<std::string> names;
    if (DIR *d = opendir(dir.c_str())) {
        while (dirent *e = readdir(d))
            if (std::string(e->d_name) != "." && std::string(e->d_name) != "..")
                names.insert(e->d_name);
        closedir(d);
    }
    return names;
}

const char kConfig[] =
    "Section \"Device\"\n\tIdentifier \"Card0\"\n\tDriver \"qevsim\"\n\tOption \"Xinerama\"\nEndSection\n\n"
    "Section \"Monitor\"\n\tIdentifier \"Monitor0\"\nEndSection\n";

struct Edit {
    const char *name;
    std::function<int(const char *)> run;
};

const Edit kEdits[] = {
    {"SetString", [](const char *p) { return XConfig_SetString(p, "Device", "Card0", "Driver", 1, "\"x\""); }},
    {"SetEntry", [](const char *p) { return XConfig_SetEntry(p, "Device", "Card0", "BusID \"PCI:1:0:0\""); }},
    {"DeleteEntry", [](const char *p) { return XConfig_DeleteEntry(p, "Device", "Card0", "Option \"Xinerama\""); }},
    {"CreateSection", [](const char *p) { return XConfig_CreateSection(p, "Screen", "Screen0"); }},
    {"CreateServerLayoutSection",
     [](const char *p) { return XConfig_CreateServerLayoutSection(p, "ServerLayout", "L", "Screen0"); }},
    {"DeleteSection", [](const char *p) { return XConfig_DeleteSection(p, "Monitor", "Monitor0"); }},
};

TEST(ParserFaults, EveryFailingCallLeavesOldOrNewFile)
{
    Interposer faults;
    if (!faults.loaded())
        GTEST_SKIP() << "fault interposer not preloaded";
    qevtest::TempDir dir("faults");
    const std::string path = dir.file("xorg.conf");
    const std::set<std::string> onlyConfig{"xorg.conf"};

    for (const Edit &edit : kEdits) {
        ASSERT_TRUE(qevtest::write_file(path, kConfig));
        ASSERT_EQ(edit.run(path.c_str()), 0) << edit.name;
        const std::string fresh = *qevtest::read_file(path);
        ASSERT_NE(fresh, kConfig) << edit.name;

        for (int op : {FAULT_WRITE, FAULT_FSYNC, FAULT_CLOSE, FAULT_RENAME}) {
            int failures = 0;
            for (long nth = 1;; ++nth) {
                ASSERT_TRUE(qevtest::write_file(path, kConfig));
                faults.arm(op, nth, op == FAULT_WRITE ? ENOSPC : EIO);
                const int rc = edit.run(path.c_str());
                faults.disarm();
                const long calls = faults.calls(op);
                const std::string now = qevtest::read_file(path).value_or("<missing>");
                SCOPED_TRACE(std::string(edit.name) + " op " + std::to_string(op) + " call " + std::to_string(nth));
                EXPECT_TRUE(now == kConfig || now == fresh);
                EXPECT_EQ(rc == 0, now == fresh) << "result " << rc;
                EXPECT_EQ(listDir(dir.path()), onlyConfig);
                if (nth > calls)
                    break;  // no call failed: every call of this kind has had its turn
                failures += rc != 0;
            }
            // The data write, the file's fsync and close, and the rename are
            // all checked.
            EXPECT_GE(failures, 1) << edit.name << " op " << op;
        }
    }
}

}  // namespace
