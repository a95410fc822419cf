// Shared pieces of the multi-screen tests: the example configuration and
// helpers for the library's file route.
#ifndef QEV_SAMM_TEST_UTIL_H
#define QEV_SAMM_TEST_UTIL_H

#include <cstdlib>
#include <string>

#include "qevgfx_samm.h"
#include "qevtest/process.h"

namespace sammtest {

// Two screens' worth of sections, as a single-screen server is set up.
inline const std::string kExample =
    "Section \"Device\"\n\tIdentifier \"Card0\"\nEndSection\n\n"
    "Section \"Monitor\"\n\tIdentifier \"Monitor0\"\nEndSection\n\n"
    "Section \"Screen\"\n\tIdentifier \"Screen0\"\n\tDevice \"Card0\"\n\tMonitor \"Monitor0\"\n\tDefaultDepth 24\n"
    "EndSection\n\n"
    "Section \"ServerLayout\"\n\tIdentifier \"Layout0\"\n\tScreen \"Screen0\"\nEndSection\n";

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
