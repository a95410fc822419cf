// Command-line parsing of the qevgfx tool: plain functions without the
// library, so that they can be tested and fuzzed alone. Every value is
// checked here, before anything reaches the adapter.
#ifndef QEV_CLI_ARGS_H
#define QEV_CLI_ARGS_H

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qevcli {

// Output bit of an output name: the RandR names of qev/outputs.h, and
// "HDTV" / "HDTV-2", which are driven through the TV outputs.
std::optional<unsigned> ParseOutput(std::string_view name);
// "CRT,LCD": one or more names, none twice.
std::optional<unsigned> ParseOutputList(std::string_view list);
// Name of one output bit ("" for anything else).
std::string OutputName(unsigned bit);
// Names of the bits of a mask, in the table's order.
std::vector<std::string> OutputNames(unsigned mask);

struct Mode {
    unsigned width = 0, height = 0;
    double refresh = 0; // 0: not given
};
// "WxH" or "WxH@RATE": 1..16384 pixels each way, rate above 0 and up to 1000 Hz.
std::optional<Mode> ParseMode(std::string_view text);

// A whole decimal number in [lo, hi].
std::optional<long> ParseInt(std::string_view text, long lo, long hi);
// A decimal number (digits, optional fraction) in [lo, hi].
std::optional<double> ParseReal(std::string_view text, double lo, double hi);
// "H,V", both whole numbers in [lo, hi].
std::optional<std::pair<int, int>> ParsePair(std::string_view text, int lo, int hi);
// Index of `word` in `words`, compared exactly.
std::optional<int> ParseWord(std::string_view word, const std::vector<std::string_view> &words);

// RandR rotation bit of "normal", "left", "inverted" or "right".
std::optional<int> ParseRotation(std::string_view word);
// Relative position code of "right", "left", "above" or "below" (0..3).
std::optional<int> ParsePosition(std::string_view word);

// One invocation: global options, the subcommand and its words.
struct Invocation {
    bool json = false;
    bool help = false;                        // --help anywhere
    std::string command;                      // "" with --help alone
    std::vector<std::string> args;            // positional words after the command
    std::map<std::string, std::string> opts;  // --name VALUE / --name=VALUE (without the dashes)
};

// What a subcommand accepts: its options that take a value.
struct CommandInfo {
    std::string_view name;
    std::vector<std::string_view> options;
    int minArgs, maxArgs;
    std::string_view usage; // one line after "qevgfx "
    std::string_view help;  // the rest of its --help text
};
const std::vector<CommandInfo> &Commands();
const CommandInfo *FindCommand(std::string_view name);

// Splits the words after the program name. On a usage error returns nullopt
// and writes one line into *error.
std::optional<Invocation> ParseCommandLine(const std::vector<std::string> &words, std::string *error);

} // namespace qevcli

#endif
