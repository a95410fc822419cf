// `cmake --install build --prefix DIR` (the README's step) into a scratch
// prefix, checked from outside.
#include <gtest/gtest.h>

#include <string>

#include "qevtest/qevtest.h"
#include "startup.h"

namespace {

TEST(Install, AnyPrefix) {
    qevtest::TempDir dir("install");
    const std::string prefix = dir.file("prefix");
    const std::string lib = prefix + "/" + QEVTEST_LIBDIR;
    auto r = qevtest::run({QEVTEST_CMAKE, "--install", qevtest::build_dir(), "--prefix", prefix});
    ASSERT_TRUE(r.ok()) << r.out << r.err;

    for (const std::string file : {"/bin/QEVDisplayUtility", "/bin/qevgfx", "/include/qevgfx.h",
                                   "/share/man/man1/qevgfx.1.gz", "/share/applications/QEVDisplayUtility.desktop",
                                   "/share/QEVDisplayUtility/gtkthemes/gtkrc",
                                   "/share/QEVDisplayUtility/pixmaps/info.xpm"})
        EXPECT_TRUE(qevtest::file_exists(prefix + file)) << file;
    for (const std::string file : {"/libqevgfx.so.1", "/libqevgfx.so", "/pkgconfig/qevgfx.pc"})
        EXPECT_TRUE(qevtest::file_exists(lib + file)) << file;

    // The program loads the installed library and finds the installed data.
    auto ldd = qevtest::run({"ldd", prefix + "/bin/QEVDisplayUtility"});
    EXPECT_NE(std::string::npos, ldd.out.find("libqevgfx.so.1 => " + prefix + "/")) << ldd.out;
    EXPECT_EQ(std::string::npos, ldd.out.find(qevtest::build_dir())) << ldd.out;
    EXPECT_EQ(prefix + "/share/QEVDisplayUtility",
              ShareDirFor(prefix + "/bin/QEVDisplayUtility", QEVTEST_BIN_TO_SHARE, "/fallback"));
    EXPECT_EQ("/fallback", ShareDirFor(dir.file("x/QEVDisplayUtility"), QEVTEST_BIN_TO_SHARE, "/fallback"));

    // pkg-config points at the prefix (tests/package builds a program with it).
    qevtest::RunOptions pc;
    pc.env = {"PKG_CONFIG_PATH=" + lib + "/pkgconfig"};
    auto flags = qevtest::run({"pkg-config", "--cflags", "--libs", "qevgfx"}, pc);
    ASSERT_TRUE(flags.ok()) << flags.err;
    EXPECT_NE(std::string::npos, flags.out.find("-I" + prefix + "/include")) << flags.out;
    EXPECT_NE(std::string::npos, flags.out.find("-L" + lib + " -lqevgfx")) << flags.out;
}

} // namespace
