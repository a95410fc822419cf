// qevgfx's value and command-line parsing, without the library.
#include <gtest/gtest.h>

#include "args.h"

namespace {

using namespace qevcli;

TEST(CliArgs, Modes) {
    struct { const char *text; bool ok; unsigned w, h; double rate; } rows[] = {
        {"1024x768", true, 1024, 768, 0},     {"1024x768@60", true, 1024, 768, 60},
        {"800x600@59.94", true, 800, 600, 59.94}, {"16384x1", true, 16384, 1, 0},
        {"1024x", false, 0, 0, 0},            {"x768@", false, 0, 0, 0},
        {"99999x99999", false, 0, 0, 0},      {"1024x768@", false, 0, 0, 0},
        {"1024x768@0", false, 0, 0, 0},       {"-1x768", false, 0, 0, 0},
        {"+1024x768", false, 0, 0, 0},        {"1024x768@nan", false, 0, 0, 0},
    };
    for (const auto &r : rows) {
        auto m = ParseMode(r.text);
        ASSERT_EQ(r.ok, m.has_value()) << r.text;
        if (m) {
            EXPECT_EQ(r.w, m->width) << r.text;
            EXPECT_EQ(r.h, m->height) << r.text;
            EXPECT_DOUBLE_EQ(r.rate, m->refresh) << r.text;
        }
    }
}

TEST(CliArgs, OutputsAndWords) {
    EXPECT_EQ(0x3u, ParseOutputList("CRT,LCD"));
    EXPECT_EQ(0x40u, ParseOutputList("HDTV"));
    for (const char *bad : {"", "CRT,", ",LCD", "CRT,CRT", "crt", "VGA", "CRT LCD"})
        EXPECT_FALSE(ParseOutputList(bad).has_value()) << bad;
    EXPECT_EQ("TV-2", OutputName(0x200));
    EXPECT_EQ((std::vector<std::string>{"CRT", "LCD", "HDMI"}), OutputNames(0x13));
    EXPECT_EQ(8, ParseRotation("right"));
    EXPECT_EQ(3, ParsePosition("below"));
    EXPECT_FALSE(ParseRotation("Right").has_value());
    EXPECT_EQ(std::make_pair(3, 4), ParsePair("3,4", 0, 10));
    for (const char *bad : {"3", "3,", ",4", "3,11", "-1,2", "3,4,5"})
        EXPECT_FALSE(ParsePair(bad, 0, 10).has_value()) << bad;
    EXPECT_FALSE(ParseInt("99999999999999999999", 0, 255).has_value());
    EXPECT_FALSE(ParseReal("0.05", 0.1, 2.0).has_value());
    EXPECT_FALSE(ParseReal(".5", 0.1, 2.0).has_value());
}

TEST(CliArgs, CommandLines) {
    struct {
        std::vector<std::string> words;
        const char *error; // nullptr: parses
    } rows[] = {
        {{"--json", "tv", "TV", "--standard=PAL", "--size", "3,4"}, nullptr},
        {{"tv", "--help"}, nullptr},
        {{"--help"}, nullptr},
        {{}, "no command given"},
        {{"tv"}, "usage: qevgfx tv OUTPUT [--standard NAME] [--signal NAME] [--position H,V] [--size H,V] [--tuning ITEM=N]"},
        {{"tv", "TV", "--standard"}, "--standard needs a value"},
        {{"tv", "TV", "--standard", "PAL", "--standard", "NTSC"}, "--standard given twice"},
        {{"tv", "TV", "--hue", "3"}, "unknown option --hue"},
        {{"--standard", "PAL", "tv", "TV"}, "unknown option --standard"},
        {{"info", "extra"}, "usage: qevgfx info"},
        {{"--json=1", "info"}, "--json takes no value"},
        {{"launch"}, "unknown command 'launch'"},
    };
    for (const auto &r : rows) {
        std::string error;
        auto inv = ParseCommandLine(r.words, &error);
        EXPECT_EQ(r.error == nullptr, inv.has_value()) << error;
        if (r.error) {
            EXPECT_EQ(r.error, error);
        }
    }
}

} // namespace
