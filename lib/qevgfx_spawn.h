// Running external programs without a shell.
#ifndef QEVGFX_SPAWN_H
#define QEVGFX_SPAWN_H

#include <string>
#include <string_view>
#include <vector>

namespace qev {

// Starts argv[0] (searched in PATH) with argv, waits for it to end and
// returns its wait status (-1 when it could not be started).
int RunProgram(const std::vector<std::string> &argv);

// Runs "xrandr" with the given arguments (argv[1..]) and waits for it; its
// exit status is of no interest to the callers.
void RunXrandr(const std::vector<std::string> &args);

// Appends the blank-separated words of `piece` to `args`.
void AppendWords(std::vector<std::string> &args, std::string_view piece);

} // namespace qev

#endif
