// The multi-screen rewrite under failing system calls: every write, fsync,
// close and rename of an enable or disable fails in turn (the preloaded
// interposer of tests/parser), and /etc/X11 or HOME is a tiny full tmpfs.
// /etc/X11/xorg.conf must then be byte for byte the version before or the
// version after the operation, the operation reports success exactly when the
// final version is in place, and no temporary file is left behind.
#include <gtest/gtest.h>

#include <dirent.h>
#include <dlfcn.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <set>
#include <string>

#include "qev/outputs.h"
#include "samm_test_util.h"

namespace {

using namespace sammtest;
namespace ss = qev::samm;

enum { FAULT_WRITE, FAULT_FSYNC, FAULT_CLOSE, FAULT_RENAME };

struct Interposer {
    void (*arm)(int, long, int) = nullptr;
    void (*disarm)() = nullptr;
    long (*calls)(int) = nullptr;

    Interposer() {
        arm = reinterpret_cast<void (*)(int, long, int)>(dlsym(RTLD_DEFAULT, "qev_fault_arm"));
        disarm = reinterpret_cast<void (*)()>(dlsym(RTLD_DEFAULT, "qev_fault_disarm"));
        calls = reinterpret_cast<long (*)(int)>(dlsym(RTLD_DEFAULT, "qev_fault_calls"));
    }
    bool loaded() const { return arm && disarm && calls; }
};

std::set<std::string> ListDir(const std::string &dir) {
    std::set<std::string> names;
    if (DIR *d = opendir(dir.c_str())) {
        while (dirent *e = readdir(d))
            if (std::string(e->d_name) != "." && std::string(e->d_name) != "..")
                names.insert(e->d_name);
        closedir(d);
    }
    return names;
}

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

// Before and after of each operation, found by running it without faults.
struct Versions {
    std::string before, after;
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
    Interposer faults;
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
        Versions v;
        v.before = op.before;
        ResetGlobals();
        ASSERT_TRUE(qevtest::write_file(kConfigPath, v.before));
        const int result = op.run();
        if (result != 1 && op.mayRefuse) {
            EXPECT_EQ(v.before, ReadConfig()) << op.name;
            continue;
        }
        ASSERT_EQ(1, result) << op.name;
        v.after = ReadConfig();
        ASSERT_NE(v.before, v.after);

        for (int kind : {FAULT_WRITE, FAULT_FSYNC, FAULT_CLOSE, FAULT_RENAME}) {
            int failures = 0;
            for (long nth = 1;; ++nth) {
                ResetGlobals();
                ASSERT_TRUE(qevtest::write_file(kConfigPath, v.before));
                faults.arm(kind, nth, kind == FAULT_WRITE ? ENOSPC : EIO);
                const int rc = op.run();
                faults.disarm();
                const long calls = faults.calls(kind);
                const std::string now = ReadConfig();
                SCOPED_TRACE(op.name + ": call " + std::to_string(nth) + " of kind " +
                             std::to_string(kind));
                EXPECT_TRUE(now == v.before || now == v.after) << now;
                EXPECT_EQ(rc == 1, now == v.after) << "result " << rc;
                EXPECT_EQ(std::set<std::string>{}, Leftovers());
                if (nth > calls)
                    break; // this call did not fail: every call of this kind has had its turn
                failures += rc != 1;
            }
            EXPECT_GE(failures, 1) << op.name << " kind " << kind;
        }
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
    // Fills the file system up with one file.
    bool Fill() {
        FILE *f = std::fopen((dir_ + "/filler").c_str(), "w");
        if (!f)
            return false;
        const std::string block(512, 'x');
        size_t written = 0;
        while (std::fwrite(block.data(), 1, block.size(), f) == block.size() && std::fflush(f) == 0)
            written += block.size();
        std::fclose(f);
        return written > 0;
    }

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
        ASSERT_TRUE(fs.Fill());
        EXPECT_EQ(0, ss::FileRouteEnable(QEV_OUT_CRT, QEV_OUT_LCD, 0, PlainChip()));
        EXPECT_EQ(kExample, ReadConfig());
        for (const std::string &n : ListDir(dir))
            EXPECT_TRUE(n == "xorg.conf" || n == "filler" || n == "Z7UT_xorg.conf_BK") << n;
    }
}

} // namespace
