// The simulated driver seen from outside the library: qevsim-ctl's model
// dump (JSON), its log of received QEVGFX_API commands and its fault
// injection, run against $DISPLAY.
#ifndef QEVTEST_SIM_CTL_H
#define QEVTEST_SIM_CTL_H

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "qevtest/process.h"

namespace qevtest {

inline std::string SimCtlPath() { return build_dir() + "/sim/qevsim-ctl"; }
inline bool HaveSimCtl() { return file_exists(SimCtlPath()); }

// Output of one qevsim-ctl command ("" when it fails).
inline std::string SimCtl(std::vector<std::string> args) {
    args.insert(args.begin(), SimCtlPath());
    RunResult r = run(args);
    return r.ok() ? r.out : std::string();
}

// Runs one qevsim-ctl command; true when it succeeded.
inline bool SimCtlOk(std::vector<std::string> args) {
    args.insert(args.begin(), SimCtlPath());
    return run(args).ok();
}

// The numbers at a key path of the model dump: one for a number, all of them
// for an array of numbers. Keys are found in order, each after the previous.
inline std::vector<long> SimState(std::initializer_list<const char *> path) {
    std::string json = SimCtl({"state"});
    size_t pos = 0;
    for (const char *key : path) {
        pos = json.find(std::string("\"") + key + "\":", pos);
        if (pos == std::string::npos)
            return {};
        pos += std::string(key).size() + 3;
    }
    std::vector<long> out;
    bool array = pos < json.size() && json[pos] == '[';
    const char *p = json.c_str() + pos + (array ? 1 : 0);
    do {
        char *end = nullptr;
        long v = std::strtol(p, &end, 10);
        if (end == p)
            break;
        out.push_back(v);
        p = end;
    } while (array && *p++ == ',');
    return out;
}

// Lines "GROUP/FUNCTION status=S inputs=I,..." of the commands received since
// the last clear.
inline std::vector<std::string> SimLog() {
    std::vector<std::string> lines;
    std::istringstream in(SimCtl({"log"}));
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}
inline void SimLogClear() { SimCtl({"log", "clear"}); }

// "GROUP/FUNCTION" of each command received since the last clear.
inline std::vector<std::string> SimCommands() {
    std::vector<std::string> codes;
    for (const std::string &line : SimLog())
        codes.push_back(line.substr(0, line.find(' ')));
    return codes;
}

} // namespace qevtest

#endif
