// The Debian packages as a user gets them: built by scripts/package.sh,
// unpacked with dpkg into an empty root, used from there.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "qevtest/qevtest.h"

namespace fs = std::filesystem;

namespace {

const char *const kPackages[] = {"libqevgfx1", "libqevgfx-dev", "qev-display-utility", "qevgfx-tools"};

std::string Deb(const std::string &dir, const std::string &name) {
    for (const auto &e : fs::directory_iterator(dir))
        if (e.path().filename().string().rfind(name + "_", 0) == 0)
            return e.path().string();
    return {};
}

TEST(Packages, InstallIntoAnEmptyRoot) {
    const std::string out = std::string(QEVTEST_PACKAGE_DIR) + "/deb";
    qevtest::RunOptions build;
    build.env = {"BUILD_DIR=" + std::string(QEVTEST_PACKAGE_DIR) + "/build", "OUT_DIR=" + out};
    build.timeout_ms = 1700 * 1000;
    auto made = qevtest::run({qevtest::source_dir() + "/scripts/package.sh"}, build);
    ASSERT_TRUE(made.ok()) << made.out << made.err;

    std::vector<std::string> debs;
    for (const char *p : kPackages) {
        debs.push_back(Deb(out, p));
        ASSERT_FALSE(debs.back().empty()) << p;
    }
    EXPECT_EQ(4, std::distance(fs::directory_iterator(out), fs::directory_iterator()));
    auto field = [](const std::string &deb, const char *name) {
        return qevtest::run({"dpkg-deb", "-f", deb, name}).out;
    };
    for (size_t i = 1; i < debs.size(); ++i)
        EXPECT_NE(std::string::npos, field(debs[i], "Depends").find("libqevgfx1 (= 1.0.0")) << kPackages[i];
    EXPECT_NE(std::string::npos, field(debs[0], "Depends").find("libx11-6")) << "shlibdeps";
    EXPECT_NE(std::string::npos, field(debs[2], "Depends").find("libdbus-glib-1-2")) << "loaded at run time";

    // dpkg refuses a file that a second package brings too.
    qevtest::TempDir root("deb-root");
    const std::string r = root.path();
    fs::create_directories(r + "/var/lib/dpkg/info");
    fs::create_directories(r + "/var/lib/dpkg/updates");
    ASSERT_TRUE(qevtest::write_file(r + "/var/lib/dpkg/status", ""));
    std::vector<std::string> unpack = {"dpkg", "--root=" + r, "--force-not-root", "--force-depends", "--unpack"};
    unpack.insert(unpack.end(), debs.begin(), debs.end());
    auto installed = qevtest::run(unpack);
    ASSERT_TRUE(installed.ok()) << installed.out << installed.err;

    for (const std::string f : {"/usr/bin/QEVDisplayUtility", "/usr/bin/qevgfx", "/usr/include/qevgfx.h",
                                "/usr/share/QEVDisplayUtility/gtkthemes/gtkrc",
                                "/usr/share/icons/hicolor/48x48/apps/qev-display-utility.png"})
        EXPECT_TRUE(qevtest::file_exists(r + f)) << f;

    // Man pages.
    qevtest::RunOptions manOptions;
    manOptions.env = {"MANPAGER=cat", "MANWIDTH=80"};
    for (const std::string page : {"man1/QEVDisplayUtility.1.gz", "man1/qevgfx.1.gz", "man3/libqevgfx.3.gz"}) {
        auto m = qevtest::run({"man", "-l", r + "/usr/share/man/" + page}, manOptions);
        EXPECT_TRUE(m.ok() && m.out.find("NAME") != std::string::npos) << page << m.err;
    }
    // The desktop entry, its icon and its program.
    auto d = qevtest::run({"desktop-file-validate", r + "/usr/share/applications/QEVDisplayUtility.desktop"});
    EXPECT_TRUE(d.ok() && d.out.empty()) << d.out << d.err;

    // A five-line C program built with pkg-config against the root.
    const std::string libdir = r + "/usr/lib/x86_64-linux-gnu";
    qevtest::RunOptions pc;
    pc.env = {"PKG_CONFIG_SYSROOT_DIR=" + r, "PKG_CONFIG_PATH=" + libdir + "/pkgconfig",
              "PKG_CONFIG_ALLOW_SYSTEM_CFLAGS=1", "PKG_CONFIG_ALLOW_SYSTEM_LIBS=1"};
    auto flags = qevtest::run({"pkg-config", "--cflags", "--libs", "qevgfx"}, pc);
    ASSERT_TRUE(flags.ok()) << flags.err;
    ASSERT_TRUE(qevtest::write_file(root.file("five.c"), "#include <qevgfx.h>\n#include <stdio.h>\n"
                                                         "int main(void) {\n    int type = -1;\n"
                                                         "    QEVGFX_Open();\n    QEVGFX_GetType(&type);\n"
                                                         "    printf(\"%d\\n\", type);\n    return 0;\n}\n"));
    std::vector<std::string> cc = {QEVTEST_CC, root.file("five.c"), "-o", root.file("five")};
    std::istringstream words(flags.out);
    for (std::string w; words >> w;)
        cc.push_back(w);
    auto compiled = qevtest::run(cc);
    ASSERT_TRUE(compiled.ok()) << flags.out << compiled.err;
    qevtest::RunOptions noDisplay;
    noDisplay.env = {"DISPLAY", "LD_LIBRARY_PATH=" + libdir};
    auto ran = qevtest::run({root.file("five")}, noDisplay);
    EXPECT_TRUE(ran.ok()) << ran.err;
    EXPECT_EQ("0\n", ran.out); // no display, no framebuffer device: no channel

    // lintian: no errors (warnings are listed in the README).
    std::vector<std::string> lint = {"lintian", "--tag-display-limit", "0"};
    lint.insert(lint.end(), debs.begin(), debs.end());
    qevtest::RunOptions lintOptions;
    lintOptions.timeout_ms = 600 * 1000;
    auto l = qevtest::run(lint, lintOptions);
    std::string errors;
    for (const std::string &line : qevtest::lines(l.out))
        if (line.rfind("E: ", 0) == 0)
            errors += line + "\n";
    EXPECT_EQ("", errors) << l.out;
}

} // namespace
