// qevsim-ctl run against the test's $DISPLAY.
#ifndef QEV_TESTS_APP_SIM_CTL_H
#define QEV_TESTS_APP_SIM_CTL_H

#include <sstream>
#include <string>
#include <vector>

#include "qevtest/qevtest.h"

namespace apptest {

// Standard output of one qevsim-ctl command; "" and a failed expectation when
// it fails.
inline std::string SimCtl(std::vector<std::string> args)
{
    args.insert(args.begin(), qevtest::build_dir() + "/sim/qevsim-ctl");
    qevtest::RunResult r = qevtest::run(args);
    EXPECT_TRUE(r.ok()) << args[1] << ": " << r.err;
    return r.ok() ? r.out : std::string();
}

// "GROUP/FUNCTION" of each command logged since the last "log clear".
inline std::vector<std::string> SimCommands()
{
    std::vector<std::string> codes;
    std::istringstream in(SimCtl({"log"}));
    for (std::string line; std::getline(in, line);)
        codes.push_back(line.substr(0, line.find(' ')));
    return codes;
}

}  // namespace apptest

#endif
