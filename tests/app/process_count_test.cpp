// The single-instance count over /proc: executable paths of any length.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "child.h"
#include "common.h"
#include "qevtest/process.h"

namespace fs = std::filesystem;

namespace {

// A copy of sleep(1) at `path` (directories created), so a process with that
// executable path can be started.
void InstallSleeper(const fs::path &path)
{
    fs::create_directories(path.parent_path());
    fs::copy_file("/bin/sleep", path, fs::copy_options::overwrite_existing);
    fs::permissions(path, fs::perms::owner_all);
}

// Waits until the count for `name` reaches `expected` (the child needs a moment
// to exec).
int CountSettled(const std::string &name, int expected)
{
    int count = -1;
    for (int i = 0; i < 100; ++i) {
        count = GetProcessCount(name.c_str());
        if (count == expected)
            break;
        usleep(20 * 1000);
    }
    return count;
}

std::string UniqueToken(const char *what)
{
    return std::string("qevcount_") + what + "_" + std::to_string(getpid());
}

}  // namespace

TEST(GetProcessCount, CountsEveryProcessWhoseExecutablePathContainsTheName)
{
    qevtest::TempDir dir("count");
    std::string token = UniqueToken("plain");
    // One process named by the token, one inside a directory named by it.
    fs::path named = fs::path(dir.path()) / token;
    fs::path inDir = fs::path(dir.path()) / (token + "_dir") / "worker";
    InstallSleeper(named);
    InstallSleeper(inDir);

    EXPECT_EQ(0, GetProcessCount(token.c_str()));
    apptest::Child a({named.string(), "30"});
    apptest::Child b({inDir.string(), "30"});
    ASSERT_TRUE(a.started() && b.started());
    EXPECT_EQ(2, CountSettled(token, 2));
    EXPECT_EQ(1, GetProcessCount((token + "_dir").c_str()));
    // Case matters.
    std::string upper = token;
    upper[0] = 'Q';
    EXPECT_EQ(0, GetProcessCount(upper.c_str()));

    a.Stop();
    EXPECT_EQ(1, CountSettled(token, 1));
}

TEST(GetProcessCount, MatchesNamesFarInsideLongExecutablePaths)
{
    qevtest::TempDir dir("count");
    std::string token = UniqueToken("long");
    // Well past any small fixed buffer: about 1200 bytes of directories, the
    // name in the last component.
    fs::path path = dir.path();
    for (int i = 0; i < 6; ++i)
        path /= std::string(190, static_cast<char>('a' + i));
    fs::path exe = path / (token + "_tail");
    ASSERT_GT(exe.string().size(), 1200u);
    InstallSleeper(exe);

    apptest::Child child({exe.string(), "30"});
    ASSERT_TRUE(child.started());
    EXPECT_EQ(1, CountSettled(token, 1));
    EXPECT_EQ(1, GetProcessCount((token + "_tail").c_str()));
    // A name that only appears when the path is cut short matches nothing.
    EXPECT_EQ(0, GetProcessCount((std::string(190, 'f') + "/" + token + "_tailx").c_str()));
}
