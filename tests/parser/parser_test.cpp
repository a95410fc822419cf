// X configuration editor: lookups, edits, result codes, normal forms, long
// lines, odd bytes and a full file system. Runs in the private mount
// namespace of the test main; files live in scratch directories.
#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "fault_util.h"
#include "qevgfx_parser.h"
#include "xconfig_examples.h"
#include "qevtest/process.h"

namespace {

using qevtest::ListDir;

class ParserTest : public ::testing::Test {
protected:
    qevtest::TempDir dir{"parser"};
    std::string path = dir.file("xorg.conf");
    char buf[XCONFIG_TEXT_MAX] = {};

    void put(const std::string &text) { ASSERT_TRUE(qevtest::write_file(path, text)); }
    std::string contents() { return qevtest::read_file(path).value_or("<missing>"); }
    const char *p() const { return path.c_str(); }
    // A reader's result and the text it left in buf, as "result:text".
    std::string got(int rc) const { return std::to_string(rc) + ":" + buf; }
    // An editor's result and the file after it, as "result:contents".
    std::string edit(int rc) { return std::to_string(rc) + ":" + contents(); }
};

const char kLookup[] =
    "# test configuration\n"
    "Section \"Files\"\n"
    "\tFontPath \"/usr/share/fonts\"\n"
    "EndSection\n"
    "\n"
    "Section \"Device\"\n"
    "\tIdentifier \"Card0\"   \n"
    "  Driver   \"qevsim\"\n"
    "\tOption \"AccelMethod\" \"exa\"  # fast\n"
    "\tOptions \"x\"\n"
    "EndSection\n"
    "Section \"device\"\n"
    "\tIdentifier \"Card1\" # second\n"
    "EndSection\n"
    "Section \"Screen\"\n"
    "\tDevice \"Card0\"\n"
    "EndSection\n"
    "Section \"Screen\"\n"
    "\tMonitor \"M\"\n"
    "\tIdentifier \"S1\" # x\n"
    "EndSection\n"
    "\n\n  \t\n";

// ---- Worked examples ---------------------------------------------------------

TEST_F(ParserTest, CreateSectionAppendsAfterOneEmptyLine)
{
    const std::string expect = "\nSection \"Monitor\"\n\tIdentifier \"Unknown Monitor\"\nEndSection\n";
    for (const char *before : {"Section \"A\"\nEndSection\n", "Section \"A\"\nEndSection"}) {
        put(before);
        EXPECT_EQ(XConfig_CreateSection(p(), "Monitor", "Unknown Monitor"), 0);
        EXPECT_EQ(contents(), "Section \"A\"\nEndSection\n" + expect);
    }
    put("");
    EXPECT_EQ(XConfig_CreateServerLayoutSection(p(), "ServerLayout", "\"QEV Layout\"", "Screen0"), 0);
    EXPECT_EQ(contents(), "\nSection \"ServerLayout\"\n\tIdentifier \"QEV Layout\"\n\tScreen \"Screen0\"\nEndSection\n");
}

std::string withCrLf(std::string text)
{
    for (size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 2))
        text.insert(at, "\r");
    return text;
}

// The calls the multi-screen edit makes for primary CRT, secondary LCD, right
// of the primary, and back again; a file with CR LF line ends keeps them.
TEST_F(ParserTest, MultiScreenEditSequenceGivesTheDocumentedFile)
{
    for (const bool crlf : {false, true}) {
        SCOPED_TRACE(crlf ? "CR LF" : "LF");
        auto ends = [crlf](const std::string &text) { return crlf ? withCrLf(text) : text; };
        put(ends(xconfigtest::kExample));
        ASSERT_EQ(XConfig_SetEntry(p(), "ServerLayout", "Layout0", "Screen\t\"Screen0-scrn2\" RightOf \"Screen0\""), 0);
        ASSERT_EQ(XConfig_SetEntry(p(), "ServerLayout", "Layout0", "Option \"Xinerama\""), 0);
        ASSERT_EQ(XConfig_CreateSection(p(), "Screen", "Screen0-scrn2"), 0);
        for (int i = 1; XConfig_GetEntry(p(), "Screen", "Screen0", i, buf) == 0; ++i)
            if (!strcasestr(buf, "Identifier")) {
                ASSERT_EQ(XConfig_SetEntry(p(), "Screen", "Screen0-scrn2", buf), 0);
            }
        ASSERT_EQ(XConfig_SetString(p(), "Screen", "Screen0-scrn2", "Device", 1, "\"Card0-scrn2\""), 0);
        ASSERT_EQ(XConfig_SetString(p(), "Screen", "Screen0-scrn2", "Monitor", 1, "\"Monitor0-scrn2\""), 0);
        ASSERT_EQ(XConfig_CreateSection(p(), "Device", "Card0-scrn2"), 0);
        for (const char *dev : {"Card0-scrn2", "Card0"}) {
            ASSERT_EQ(XConfig_SetEntry(p(), "Device", dev, "Option \"ActiveDevice\"\t\"CRT, LCD\""), 0);
            ASSERT_EQ(XConfig_SetEntry(p(), "Device", dev, "BusID \"PCI:1:0:0\""), 0);
            ASSERT_EQ(XConfig_SetEntry(p(), "Device", dev, std::string(dev) == "Card0" ? "Screen 0" : "Screen 1"), 0);
        }
        ASSERT_EQ(XConfig_CreateSection(p(), "Monitor", "Monitor0-scrn2"), 0);
        EXPECT_EQ(contents(), ends(xconfigtest::kEnabled));

        ASSERT_EQ(XConfig_GetString(p(), "ServerLayout", "Layout0", "Screen", 2, buf), 0);
        EXPECT_STREQ(buf, "\"Screen0-scrn2\" RightOf \"Screen0\"");
        ASSERT_EQ(XConfig_DeleteEntry(p(), "ServerLayout", "Layout0", ("Screen\t" + std::string(buf)).c_str()), 0);
        ASSERT_EQ(XConfig_DeleteEntry(p(), "ServerLayout", "Layout0", "Option\t\"Xinerama\""), 0);
        ASSERT_EQ(XConfig_DeleteSection(p(), "Screen", "Screen0-scrn2"), 0);
        ASSERT_EQ(XConfig_DeleteSection(p(), "Device", "Card0-scrn2"), 0);
        ASSERT_EQ(XConfig_DeleteEntry(p(), "Device", "Card0", "BusID\t\"PCI:1:0:0\""), 0);
        ASSERT_EQ(XConfig_DeleteEntry(p(), "Device", "Card0", "Screen\t0"), 0);
        ASSERT_EQ(XConfig_DeleteSection(p(), "Monitor", "Monitor0-scrn2"), 0);
        EXPECT_EQ(contents(), ends(xconfigtest::kDisabled));
    }
}

// ---- Lookups ---------------------------------------------------------------

TEST_F(ParserTest, SectionAddressing)
{
    put(kLookup);
    EXPECT_EQ(XConfig_CheckIfSectionExisted(p(), "Device", "Card0"), 0);
    EXPECT_EQ(XConfig_CheckIfSectionExisted(p(), "DEVICE", "card0"), 0);
    EXPECT_EQ(XConfig_CheckIfSectionExisted(p(), "Screen", ""), 0);  // first Screen, without Identifier
    EXPECT_EQ(XConfig_CheckIfSectionExisted(p(), "Screen", "S1"), 2);  // trailing comment stays in the value
    EXPECT_EQ(XConfig_CheckIfSectionExisted(p(), "Device", "Card1"), 2);
    EXPECT_EQ(XConfig_CheckIfSectionExisted(p(), "Monitor", ""), 2);  // file ends in blank lines: 2, not 1

    int count = -1;
    EXPECT_EQ(got(XConfig_GetSectionID(p(), "Screen", buf, &count)), "0:S1");  // comment cut here
    EXPECT_EQ(count, 3);  // lines of both Screen sections up to the Identifier
    EXPECT_EQ(got(XConfig_GetSectionID(p(), "Files", buf, &count)), "2:");
    // Empty identifier: the first section of that name.
    EXPECT_EQ(got(XConfig_GetString(p(), "device", "", "driver", 1, buf)), "0:\"qevsim\"");
}

TEST_F(ParserTest, StringsAndEntries)
{
    put(kLookup);
    const char *d = "Device", *c = "Card0";
    EXPECT_EQ(got(XConfig_GetString(p(), d, c, "Option", 1, buf)), "0:\"AccelMethod\" \"exa\"");  // comment cut
    EXPECT_EQ(got(XConfig_GetString(p(), d, c, "Identifier", 1, buf)), "0:Card0");
    EXPECT_EQ(got(XConfig_GetString(p(), d, c, "Option", 2, buf)), "2:");  // "Options" is another key
    EXPECT_EQ(XConfig_GetString(p(), d, c, "Option", 0, buf), 2);
    EXPECT_EQ(XConfig_GetString(p(), d, "Nope", "Option", 1, buf), 2);
    EXPECT_EQ(got(XConfig_GetEntry(p(), d, c, 1, buf)), "0:Identifier \"Card0\"");
    EXPECT_EQ(got(XConfig_GetEntry(p(), d, c, 3, buf)), "0:Option \"AccelMethod\" \"exa\"  # fast");
    EXPECT_EQ(XConfig_GetEntry(p(), d, c, 5, buf), 2);
    EXPECT_EQ(XConfig_GetEntry(p(), d, c, 0, buf), 2);

    strcpy(buf, "Screen \"Scr0\" RightOf \"Scr1\"");
    EXPECT_EQ(got(XConfig_GetSubString(buf, 3, 4)), "0:Scr1");
    strcpy(buf, "a\"b\"c\"d\"e");
    EXPECT_EQ(got(XConfig_GetSubString(buf, 1, 3)), "0:b\"c");
    EXPECT_EQ(XConfig_GetSubString(buf, 2, 2), 2);
    EXPECT_EQ(got(XConfig_GetSubString(buf, 1, 5)), "2:b\"c");  // too few quotes: unchanged
    EXPECT_EQ(XConfig_GetSubString(buf, 2, 1), 1);
    EXPECT_EQ(XConfig_GetSubString(nullptr, 1, 2), 1);
}

// ---- Edits -----------------------------------------------------------------

TEST_F(ParserTest, SetStringReplacesTheLineAndTheBlankLinesBeforeIt)
{
    put("Section \"Device\"\n  Identifier \"C\"\n\n   Driver \"a\" # x\n\tDriver \"b\"\nEndSection\n");
    EXPECT_EQ(edit(XConfig_SetString(p(), "Device", "C", "driver", 2, "\"z\"")),
              "0:Section \"Device\"\n  Identifier \"C\"\n\n   Driver \"a\" # x\n\tdriver \"z\"\nEndSection\n");
    EXPECT_EQ(edit(XConfig_SetString(p(), "Device", "C", "Driver", 1, "\"y\"")),
              "0:Section \"Device\"\n  Identifier \"C\"\n\tDriver \"y\"\n\tdriver \"z\"\nEndSection\n");
    const std::string before = contents();
    EXPECT_EQ(XConfig_SetString(p(), "Device", "C", "BusID", 1, "\"PCI:1:0:0\""), 2);  // adds nothing
    EXPECT_EQ(XConfig_SetString(p(), "Device", "C", "Driver", 0, "\"q\""), 2);
    EXPECT_EQ(XConfig_SetString(p(), "Device", "X", "Driver", 1, "\"q\""), 2);
    EXPECT_EQ(contents(), before);
}

TEST_F(ParserTest, SetEntryGoesRightBeforeEndSection)
{
    put("Section \"Device\"\n\tIdentifier \"C\"\n\n  EndSection  \nSection \"Device\"\nEndSection");
    EXPECT_EQ(edit(XConfig_SetEntry(p(), "Device", "C", "Option \"A\"\t\"b\"")),
              "0:Section \"Device\"\n\tIdentifier \"C\"\n\n\tOption \"A\"\t\"b\"\n  EndSection  \n"
              "Section \"Device\"\nEndSection");
    EXPECT_EQ(XConfig_SetEntry(p(), "Monitor", "", "x"), 2);
}

TEST_F(ParserTest, DeleteEntryRewritesTheSectionInNormalForm)
{
    const std::string head = "# head\n\n\n";
    put(head + "Section \"ServerLayout\"\n    Identifier \"L\"  \n\t\n  Screen \"S0\"\n"
               "\tOption \"Xinerama\" \"off\"\nEndSection  # end\n\n\ntail\n");
    const std::string normal = head.substr(0, 7) + "\nSection \"ServerLayout\"\n\tIdentifier \"L\"\n\tScreen \"S0\"\n";
    const std::string after = "EndSection  # end\n\n\ntail\n";
    // A bare Xinerama option does not match one with a second word.
    EXPECT_EQ(edit(XConfig_DeleteEntry(p(), "ServerLayout", "L", "Option \"Xinerama\"")),
              "2:" + normal + "\tOption \"Xinerama\" \"off\"\n" + after);
    EXPECT_EQ(edit(XConfig_DeleteEntry(p(), "serverlayout", "l", " option\t\"XINERAMA\" \"Off\" ")),
              "0:" + normal + after);
    EXPECT_EQ(edit(XConfig_DeleteEntry(p(), "ServerLayout", "Other", "Screen \"S0\"")), "2:" + normal + after);

    // Every matching entry goes; a section at the start gains the empty line.
    put("Section \"D\"\nIdentifier \"x\"\nA 1\nB 2\na   1\nEndSection\n");
    EXPECT_EQ(edit(XConfig_DeleteEntry(p(), "D", "x", "A 1")),
              "0:\nSection \"D\"\n\tIdentifier \"x\"\n\tB 2\nEndSection\n");
}

TEST_F(ParserTest, CreateAndDeleteSections)
{
    put(kLookup);
    EXPECT_EQ(edit(XConfig_CreateSection(p(), "device", "CARD0")), "3:" + std::string(kLookup));
    // An identifier passed with its quotes never equals an existing one.
    EXPECT_EQ(edit(XConfig_CreateSection(p(), "Device", "\"Card0\"")),
              "0:" + std::string(kLookup) + "\nSection \"Device\"\n\tIdentifier \"Card0\"\nEndSection\n");

    put("Section \"A\"\nEndSection\n\n\nSection \"B\"\n\tIdentifier \"b\"\nEndSection\nSection \"C\"\nEndSection\n");
    EXPECT_EQ(edit(XConfig_DeleteSection(p(), "B", "b")), "0:Section \"A\"\nEndSection\nSection \"C\"\nEndSection\n");
    // At the start: an empty first line stays.
    EXPECT_EQ(edit(XConfig_DeleteSection(p(), "A", "")), "0:\nSection \"C\"\nEndSection\n");
    EXPECT_EQ(XConfig_DeleteSection(p(), "A", ""), 2);
}

// ---- Errors -----------------------------------------------------------------

TEST_F(ParserTest, ErrorsReturnOneAndTouchNothing)
{
    put(kLookup);
    const char *d = "Device", *c = "Card0";
    int n = 0;
    const std::vector<int> nulls = {
        XConfig_GetString(nullptr, d, c, "Driver", 1, buf),  XConfig_GetString(p(), nullptr, c, "Driver", 1, buf),
        XConfig_GetString(p(), d, nullptr, "Driver", 1, buf), XConfig_GetString(p(), d, c, nullptr, 1, buf),
        XConfig_GetString(p(), d, c, "Driver", 1, nullptr),  XConfig_SetString(p(), d, c, "Driver", 1, nullptr),
        XConfig_SetString(p(), d, c, nullptr, 1, "x"),        XConfig_GetEntry(p(), d, nullptr, 1, buf),
        XConfig_GetEntry(p(), d, c, 1, nullptr),              XConfig_SetEntry(p(), d, c, nullptr),
        XConfig_SetEntry(nullptr, d, c, "x"),                 XConfig_DeleteEntry(p(), d, c, nullptr),
        XConfig_DeleteEntry(p(), nullptr, c, "x"),            XConfig_CreateSection(p(), d, nullptr),
        XConfig_CreateServerLayoutSection(p(), d, c, nullptr), XConfig_DeleteSection(p(), nullptr, c),
        XConfig_CheckIfSectionExisted(nullptr, d, c),         XConfig_GetSectionID(p(), d, nullptr, &n),
        XConfig_GetSectionID(p(), d, buf, nullptr),           GetLine(nullptr, buf),
        RemoveSpace(nullptr),                                 RemoveRemark(nullptr),
        DispartLine(buf, nullptr, buf),                       CheckDispartedKey("a", "b", nullptr, buf),
    };
    for (size_t i = 0; i < nulls.size(); ++i)
        EXPECT_EQ(nulls[i], 1) << "call " << i;

    // Texts that would split an entry into several lines are refused.
    EXPECT_EQ(XConfig_SetEntry(p(), d, c, "Option \"a\"\nEndSection"), 1);
    EXPECT_EQ(XConfig_SetString(p(), d, c, "Driver", 1, "\"a\"\n"), 1);
    EXPECT_EQ(XConfig_CreateSection(p(), "New\n", c), 1);
    EXPECT_EQ(contents(), kLookup);

    const std::string missing = dir.file("missing");
    EXPECT_EQ(XConfig_GetEntry(missing.c_str(), d, c, 1, buf), 1);
    EXPECT_EQ(XConfig_SetEntry(missing.c_str(), d, c, "x"), 1);
    EXPECT_EQ(XConfig_CreateSection(missing.c_str(), d, c), 1);
    EXPECT_EQ(XConfig_CheckIfSectionExisted(dir.path().c_str(), d, c), 1);
    EXPECT_FALSE(qevtest::file_exists(missing));
}

// ---- Long lines, odd bytes, environment, file properties -------------------

TEST_F(ParserTest, LongLinesAndHighBytesSurviveEveryRewrite)
{
    const std::string longValue = "\"" + std::string(600, 'x') + "\"";
    const std::string high = "# \xff\xfe\xff caf\xe9\n";
    put(high + "Section \"Device\"\n\tIdentifier \"C\"\n\tOption \"Long\" " + longValue + "\n\tDriver \"a\"\n" +
        "EndSection\nSection \"X\"\n\tIdentifier \"" + std::string(300, 'i') + "\"\nEndSection\n");
    EXPECT_EQ(XConfig_SetString(p(), "Device", "C", "Driver", 1, "\"b\""), 0);
    EXPECT_EQ(XConfig_DeleteEntry(p(), "Device", "C", "Driver \"b\""), 0);
    EXPECT_EQ(XConfig_SetEntry(p(), "Device", "C", "Comment \"\xff\""), 0);
    EXPECT_EQ(XConfig_DeleteSection(p(), "X", std::string(300, 'i').c_str()), 0);
    EXPECT_EQ(contents(), high + "\nSection \"Device\"\n\tIdentifier \"C\"\n\tOption \"Long\" " + longValue +
                              "\n\tComment \"\xff\"\nEndSection\n");

    // A text longer than the caller's buffer is an error, never an overflow;
    // the C++ interface returns it whole.
    EXPECT_EQ(got(XConfig_GetEntry(p(), "Device", "C", 2, buf)), "1:");
    std::string value;
    EXPECT_EQ(qev::xconfig::getString(path, "Device", "C", "Option", 1, value), 0);
    EXPECT_EQ(value, "\"Long\" " + longValue);
}

TEST_F(ParserTest, RewritesNeedNoHomeAndLeaveNoTemporaryFiles)
{
    put(kLookup);
    const std::string home = getenv("HOME") ? getenv("HOME") : "";
    unsetenv("HOME");
    EXPECT_EQ(XConfig_SetEntry(p(), "Files", "", "ModulePath \"/m\""), 0);
    setenv("HOME", std::string(100000, 'h').c_str(), 1);
    EXPECT_EQ(XConfig_DeleteEntry(p(), "Files", "", "ModulePath \"/m\""), 0);
    EXPECT_EQ(XConfig_CreateSection(p(), "Monitor", "M"), 0);
    setenv("HOME", home.c_str(), 1);
    EXPECT_EQ(XConfig_CheckIfSectionExisted(p(), "Monitor", "M"), 0);
    EXPECT_EQ(ListDir(dir.path()), std::set<std::string>{"xorg.conf"});
}

TEST_F(ParserTest, RewritesKeepModeAndSymbolicLinks)
{
    put(kLookup);
    ASSERT_EQ(chmod(p(), 0640), 0);
    const std::string link = dir.file("link.conf");
    ASSERT_EQ(symlink("xorg.conf", link.c_str()), 0);
    EXPECT_EQ(XConfig_SetEntry(link.c_str(), "Files", "", "ModulePath \"/m\""), 0);
    struct stat st {};
    ASSERT_EQ(lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_EQ(stat(p(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_NE(contents().find("ModulePath"), std::string::npos);

    // A name at the file system's limit still gets a temporary file beside it.
    const std::string longName = dir.file(std::string(250, 'n'));
    ASSERT_TRUE(qevtest::write_file(longName, kLookup));
    EXPECT_EQ(XConfig_CreateSection(longName.c_str(), "Monitor", "M"), 0);
}

// ---- Line functions --------------------------------------------------------

TEST_F(ParserTest, LineFunctions)
{
    put("\n  Section  \"Device\" \n\n\tIdentifier\t\"C\"\n" + std::string(300, 'k') + "\nEndSection\n\n \n");
    FILE *f = fopen(p(), "r+");
    ASSERT_NE(f, nullptr);
    long start = 0, end = 0, ls = 0, le = 0;
    ASSERT_EQ(CheckPosOfSection(f, "device", "c", &start, &end), 0);
    EXPECT_EQ(start, 0);
    EXPECT_EQ(end, 350);  // the EndSection line's newline
    ASSERT_EQ(CheckPosOfEntry(f, "identifier", start, end, 1, &ls, &le), 0);
    EXPECT_EQ(ls, 22);  // the blank line in front belongs to it
    EXPECT_EQ(le, 38);
    EXPECT_EQ(CheckPosOfEntry(f, "Driver", start, end, 1, &ls, &le), 2);
    EXPECT_EQ(ls, -1);
    EXPECT_EQ(CheckPosOfSection(f, "Device", "D", &start, &end), 2);
    EXPECT_EQ(start, -1);

    // Each line as "result:line|key|value|kind|name|id" (GetLine's result).
    rewind(f);
    char key[XCONFIG_TEXT_MAX], value[XCONFIG_TEXT_MAX], name[XCONFIG_TEXT_MAX] = "", id[XCONFIG_TEXT_MAX] = "";
    auto line = [&] {
        const int rc = GetLine(f, buf);
        if (rc != 0 || DispartLine(buf, key, value) != 0)
            return got(rc);
        const int kind = CheckDispartedKey(key, value, name, id);
        return got(rc) + "|" + key + "|" + value + "|" + std::to_string(kind) + "|" + name + "|" + id;
    };
    const std::string s = std::to_string(XCONFIG_LINE_SECTION), i = std::to_string(XCONFIG_LINE_IDENTIFIER),
                      e = std::to_string(XCONFIG_LINE_ENDSECTION);
    EXPECT_EQ(line(), "0:Section  \"Device\"|Section|Device|" + s + "|Device|");
    EXPECT_EQ(line(), "0:Identifier\t\"C\"|Identifier|C|" + i + "|Device|C");
    EXPECT_EQ(line(), "1:");  // 300 characters do not fit the buffer
    EXPECT_EQ(line(), "0:EndSection|EndSection||" + e + "||");
    EXPECT_EQ(got(GetLine(f, buf)), "0:EndSection");  // only blank lines remained: line unchanged
    EXPECT_EQ(GetLine(f, buf), 1);
    fclose(f);

    strcpy(buf, " \tOption \"a\" # note \t");
    EXPECT_EQ(got(RemoveRemark(buf)), "0:Option \"a\"");
    strcpy(buf, "Identifier \"");
    ASSERT_EQ(DispartLine(buf, key, value), 0);
    EXPECT_STREQ(value, "");
    EXPECT_EQ(CheckDispartedKey("Driver", "x", name, id), XCONFIG_LINE_ENTRY);
}

// ---- Full file system ------------------------------------------------------

// A tiny tmpfs in the test's private mount namespace.
class FullFsTest : public ParserTest {
protected:
    bool mountTmpfs(const char *options)
    {
        if (mount("qevtest", dir.path().c_str(), "tmpfs", 0, options) != 0)
            return false;
        mounted = true;
        return true;
    }
    void TearDown() override
    {
        if (mounted)
            umount2(dir.path().c_str(), MNT_DETACH);
    }
    bool mounted = false;
};

TEST_F(FullFsTest, NoSpaceLeavesTheOldFile)
{
    if (!mountTmpfs("size=8k,mode=0755"))
        GTEST_SKIP() << "cannot mount tmpfs";
    std::string text = kLookup;
    while (text.size() < 3000)
        text += "# padding line to fill a page of the small file system\n";
    put(text);
    ASSERT_TRUE(qevtest::FillUp(dir.file("fill")));

    EXPECT_EQ(XConfig_SetEntry(p(), "Files", "", "ModulePath \"/m\""), 1);
    EXPECT_EQ(XConfig_CreateSection(p(), "Monitor", "M"), 1);
    EXPECT_EQ(contents(), text);
    EXPECT_EQ(ListDir(dir.path()), (std::set<std::string>{"fill", "xorg.conf"}));

    ASSERT_EQ(unlink(dir.file("fill").c_str()), 0);
    EXPECT_EQ(XConfig_SetEntry(p(), "Files", "", "ModulePath \"/m\""), 0);
    EXPECT_NE(contents().find("ModulePath"), std::string::npos);
}

TEST_F(FullFsTest, NoInodeLeftLeavesTheOldFile)
{
    if (!mountTmpfs("size=64k,nr_inodes=2,mode=0755"))
        GTEST_SKIP() << "cannot mount tmpfs";
    put(kLookup);
    ASSERT_FALSE(qevtest::write_file(dir.file("other"), "x")) << "inode limit not reached";
    EXPECT_EQ(XConfig_DeleteSection(p(), "Files", ""), 1);
    EXPECT_EQ(contents(), kLookup);
    EXPECT_EQ(ListDir(dir.path()), std::set<std::string>{"xorg.conf"});
}

}  // namespace
