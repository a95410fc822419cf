// Records the QEVGFX_API command blocks the library sends: the test binary
// defines QEVGFXCommand, which the library's own calls reach first, and
// passes each block on to the library's exchange.
#ifndef QEVTEST_FAMILIES_COMMAND_RECORDER_H
#define QEVTEST_FAMILIES_COMMAND_RECORDER_H

#include <ostream>
#include <vector>

namespace qevtest {

struct SentCommand {
    int group = 0;
    int function = 0;
    std::vector<int> inputs; // the first eight input words
    int status = 0;
    bool operator==(const SentCommand &o) const {
        return group == o.group && function == o.function && inputs == o.inputs;
    }
};

inline std::ostream &operator<<(std::ostream &os, const SentCommand &c) {
    os << c.group << "/" << c.function << " (";
    for (size_t i = 0; i < c.inputs.size(); ++i)
        os << (i ? " " : "") << c.inputs[i];
    return os << ") status " << c.status;
}

// Commands sent since the last clear, oldest first.
std::vector<SentCommand> sent_commands();
void clear_sent_commands();
// `group/function` with the given leading inputs (the rest zero).
SentCommand Cmd(int group, int function, std::vector<int> inputs = {});

} // namespace qevtest

#endif
