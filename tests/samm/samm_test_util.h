// Shared pieces of the multi-screen tests: helpers for the library's file
// route (the example configurations are in tests/parser/xconfig_examples.h).
#ifndef QEV_SAMM_TEST_UTIL_H
#define QEV_SAMM_TEST_UTIL_H

#include <cstdlib>
#include <string>

#include "../parser/xconfig_examples.h"
#include "qevgfx_samm.h"
#include "qevtest/process.h"

namespace sammtest {

using namespace xconfigtest;

inline const std::string kConfigPath = XFCONFIGFILE;

inline std::string HomeFile(const std::string &name) { return std::string(std::getenv("HOME")) + "/" + name; }
inline std::string WorkingCopy() { return HomeFile(".Z7UtilityXFConfigTmp"); }
inline std::string Backup() { return HomeFile("Z7UT_xorg.conf_BK"); }
inline std::string ReadConfig() { return qevtest::read_file(kConfigPath).value_or("<missing>"); }

// Forgets what earlier operations of this process left in the globals.
inline void ResetGlobals() {
    g_ScreenData = ScreenData{0, 0, 0};
    g_IsScreenDataInit = 0;
    g_XConfigData = XConfigData{};
    g_chXFConfigFile.clear();
}

// A chip outside the set that sits at bus 0, device 1.
inline qev::samm::DeviceFacts PlainChip() {
    qev::samm::DeviceFacts f;
    f.chipId = 0x7A0A;
    return f;
}

} // namespace sammtest

#endif
