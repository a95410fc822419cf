// Every write, fsync, close and rename of a rewrite fails in turn (through
// the preloaded interposer in faultinject.c): the configuration file is then
// byte for byte the old or the new version, no temporary file is left, and
// the operation reports failure exactly when the new version is not in place.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "fault_util.h"
#include "qevgfx_parser.h"
#include "qevtest/process.h"

namespace {

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
    qevtest::Interposer faults;
    if (!faults.loaded())
        GTEST_SKIP() << "fault interposer not preloaded";
    qevtest::TempDir dir("faults");
    const std::string path = dir.file("xorg.conf");
    for (const Edit &edit : kEdits) {
        SCOPED_TRACE(edit.name);
        ASSERT_TRUE(qevtest::write_file(path, kConfig));
        ASSERT_EQ(edit.run(path.c_str()), 0);
        const std::string fresh = *qevtest::read_file(path);
        ASSERT_NE(fresh, kConfig);
        qevtest::ExpectOldOrNew(
            faults, [&] { ASSERT_TRUE(qevtest::write_file(path, kConfig)); }, [&] { return edit.run(path.c_str()); },
            0, [&] { return qevtest::read_file(path).value_or("<missing>"); }, kConfig, fresh, [&] {
                std::set<std::string> left = qevtest::ListDir(dir.path());
                left.erase("xorg.conf");
                return left;
            });
    }
}

}  // namespace
