#include "command_recorder.h"

#include <dlfcn.h>

#include "qev/protocol.h"
#include "qevgfx.h"

namespace {

constexpr size_t kKeptInputs = 8;
std::vector<qevtest::SentCommand> g_sent;

} // namespace

extern "C" int QEVGFXCommand(Display *display, QevCommandBlock *block) {
    using Fn = int (*)(Display *, QevCommandBlock *);
    static Fn next = reinterpret_cast<Fn>(dlsym(RTLD_NEXT, "QEVGFXCommand"));
    qevtest::SentCommand c;
    if (block != nullptr) {
        c.group = int(block->group);
        c.function = int(block->function);
        c.inputs.assign(block->input, block->input + kKeptInputs);
    }
    int status = next ? next(display, block) : 0;
    c.status = status;
    g_sent.push_back(c);
    return status;
}

namespace qevtest {

std::vector<SentCommand> sent_commands() { return g_sent; }
void clear_sent_commands() { g_sent.clear(); }

SentCommand Cmd(int group, int function, std::vector<int> inputs) {
    SentCommand c;
    c.group = group;
    c.function = function;
    inputs.resize(kKeptInputs, 0);
    c.inputs = inputs;
    return c;
}

} // namespace qevtest
