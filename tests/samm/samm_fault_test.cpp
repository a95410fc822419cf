// The multi-screen rewrite under failing system calls: every write, fsync,
// close and rename of an enable or disable fails in turn (the preloaded
// interposer of tests/parser), and /etc/X11 or HOME is a tiny full tmpfs.
// /etc/X11/xorg.conf must then be byte for byte the version before or the
// version after the operation, the operation reports success exactly when the
// final version is in place, and no temporary file is left behind.
#include <gtest/gtest.h>

#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <set>
#include <string>

#include "../parser/fault_util.h"
#include "qev/outputs.h"
#include "samm_test_util.h"

namespace {

using namespace sammtest;
using qevtest::ListDir;
namespace ss = qev::samm;

// Files other than the configuration and the backup copy.
std::set<std::string> Leftovers() {
    std::set<std::string> left;
    for (const std::string &n : ListDir("/etc/X11"))
        if (n != "xorg.conf" && n != "xorg.conf.d")
            left.insert("/etc/X11/" + n);
    for (const std::string &n : ListDir(std::getenv("HOME")))
        if (n != "Z7UT_xorg.conf_BK")
            left.insert("~/" + n);
    return left;
}

struct Operation {
    std::string name;
    std::string before;
    std::function<int()> run;
    bool mayRefuse = false; // a refused operation leaves the file as it was
};

const std::string kNoLayout = "Section \"Device\"\n\tIdentifier \"Card0\"\nEndSection\n\n"
                              "Section \"Monitor\"\n\tIdentifier \"Monitor0\"\nEndSection\n\n"
                              "Section \"Screen\"\n\tIdentifier \"Screen0\"\n\tDevice \"Card0\"\n"
                              "\tMonitor \"Monitor0\"\nEndSection\n";

std::vector<Operation> Operations() {
    return {
        {"enable", kExample, [] { return ss::FileRouteEnable(QEV_OUT_CRT, QEV_OUT_LCD, 0, PlainChip()); }},
        {"enable, layout added first", kNoLayout,
         [] { return ss::FileRouteEnable(QEV_OUT_CRT, QEV_OUT_LCD, 1, PlainChip()); }},
        {"disable", "", [] { return ss::FileRouteDisable(PlainChip()); }},
    };
}

// An enable of every configuration of the corpus (tests/samm/corpus).
void AddCorpus(std::vector<Operation> &ops) {
    const std::string dir = qevtest::source_dir() + "/tests/samm/corpus/";
    for (const std::string &name : ListDir(dir))
        ops.push_back({"enable " + name, qevtest::read_file(dir + name).value_or(""),
                       [] { return ss::FileRouteEnable(QEV_OUT_LCD, QEV_OUT_CRT, 2, PlainChip()); }, true});
}

TEST(SammFaults, EveryFailingCallLeavesAKnownVersion) {
    qevtest::Interposer faults;
    if (!faults.loaded())
        GTEST_SKIP() << "fault interposer not preloaded";
    std::vector<Operation> ops = Operations();
    // The disable starts from the enabled example.
    ResetGlobals();
    ASSERT_TRUE(qevtest::write_file(kConfigPath, kExample));
    ASSERT_EQ(1, ops[0].run());
    ops[2].before = ReadConfig();
    AddCorpus(ops);
    ASSERT_GT(ops.size(), 15u);

    for (const Operation &op : ops) {
        SCOPED_TRACE(op.name);
        auto reset = [&] {
            ResetGlobals();
            ASSERT_TRUE(qevtest::write_file(kConfigPath, op.before));
        };
        reset();
        const int result = op.run();
        if (result != 1 && op.mayRefuse) {
            EXPECT_EQ(op.before, ReadConfig());
            continue;
        }
        ASSERT_EQ(1, result);
        const std::string after = ReadConfig();
        ASSERT_NE(op.before, after);
        qevtest::ExpectOldOrNew(faults, reset, op.run, 1, ReadConfig, op.before, after, Leftovers);
    }
}

// A tmpfs of a few kilobytes mounted over dir (the test runs in its own mount
// namespace), unmounted at the end.
class TinyFs {
  public:
    explicit TinyFs(std::string dir) : dir_(std::move(dir)) {
        mounted_ = ::mount("tmpfs", dir_.c_str(), "tmpfs", 0, "size=8k,nr_inodes=16") == 0;
    }
    ~TinyFs() {
        if (mounted_)
            ::umount2(dir_.c_str(), MNT_DETACH);
    }
    bool mounted() const { return mounted_; }

  private:
    std::string dir_;
    bool mounted_ = false;
};

TEST(SammFaults, FullFileSystems) {
    const std::string configDir = "/etc/X11";
    for (const std::string &dir : {configDir, std::string(std::getenv("HOME"))}) {
        SCOPED_TRACE(dir);
        ResetGlobals();
        TinyFs fs(dir);
        ASSERT_TRUE(fs.mounted()) << std::strerror(errno);
        ASSERT_TRUE(qevtest::write_file(kConfigPath, kExample));
        ASSERT_TRUE(qevtest::FillUp(dir + "/filler"));
        EXPECT_EQ(0, ss::FileRouteEnable(QEV_OUT_CRT, QEV_OUT_LCD, 0, PlainChip()));
        EXPECT_EQ(kExample, ReadConfig());
        for (const std::string &n : ListDir(dir))
            EXPECT_TRUE(n == "xorg.conf" || n == "filler" || n == "Z7UT_xorg.conf_BK") << n;
    }
}

} // namespace
