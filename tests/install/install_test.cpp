// `cmake --install build --prefix DIR` (the README's step) into a scratch
// prefix, checked from outside.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "qevtest/qevtest.h"
#include "startup.h"

namespace {

std::vector<std::string> Words(const std::string &text) {
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string w; in >> w;)
        words.push_back(w);
    return words;
}

TEST(Install, AnyPrefix) {
    qevtest::TempDir dir("install");
    const std::string prefix = dir.file("prefix");
    const std::string lib = prefix + "/" + QEVTEST_LIBDIR;
    auto r = qevtest::run({QEVTEST_CMAKE, "--install", qevtest::build_dir(), "--prefix", prefix});
    ASSERT_TRUE(r.ok()) << r.out << r.err;

    for (const std::string file : {"/bin/QEVDisplayUtility", "/include/qevgfx.h",
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

    // pkg-config points a C program at the prefix; it links and opens a session.
    qevtest::RunOptions pc;
    pc.env = {"PKG_CONFIG_PATH=" + lib + "/pkgconfig"};
    auto flags = qevtest::run({"pkg-config", "--cflags", "--libs", "qevgfx"}, pc);
    ASSERT_TRUE(flags.ok()) << flags.err;
    EXPECT_NE(std::string::npos, flags.out.find("-I" + prefix + "/include")) << flags.out;
    EXPECT_NE(std::string::npos, flags.out.find("-L" + lib + " -lqevgfx")) << flags.out;
    ASSERT_TRUE(qevtest::write_file(dir.file("open.c"), "#include <qevgfx.h>\n#include <stdio.h>\n"
                                                         "int main(void) {\n    int status = -1;\n"
                                                         "    QEVGFX_Open();\n"
                                                         "    QEVGFX_GetOpenStatus(&status, NULL, 0);\n"
                                                         "    printf(\"%d\\n\", status);\n    return 0;\n}\n"));
    std::vector<std::string> cc = {QEVTEST_CC, dir.file("open.c"), "-o", dir.file("open"),
                                   "-Wl,-rpath," + lib};
    if (QEVTEST_SANITIZE)
        cc.push_back("-fsanitize=address,undefined");
    for (const std::string &w : Words(flags.out))
        cc.push_back(w);
    auto built = qevtest::run(cc);
    ASSERT_TRUE(built.ok()) << built.err;
    qevtest::RunOptions noDisplay;
    noDisplay.env = {"DISPLAY", "ASAN_OPTIONS=detect_leaks=0"};
    auto opened = qevtest::run({dir.file("open")}, noDisplay);
    EXPECT_TRUE(opened.ok()) << opened.err;
    EXPECT_EQ("0\n", opened.out);
}

} // namespace
