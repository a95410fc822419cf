// The worked example of the multi-screen edit, byte for byte: the
// configuration of a single-screen server, the file after enabling CRT and
// LCD with the second screen right of the first, and the file after
// disabling again. The parser's test makes the edit call by call, the
// multi-screen tests through the file route.
#ifndef QEV_TEST_XCONFIG_EXAMPLES_H
#define QEV_TEST_XCONFIG_EXAMPLES_H

#include <string>

namespace xconfigtest {

inline const std::string kExample =
    "Section \"Device\"\n\tIdentifier \"Card0\"\nEndSection\n\n"
    "Section \"Monitor\"\n\tIdentifier \"Monitor0\"\nEndSection\n\n"
    "Section \"Screen\"\n\tIdentifier \"Screen0\"\n\tDevice \"Card0\"\n\tMonitor \"Monitor0\"\n\tDefaultDepth 24\n"
    "EndSection\n\n"
    "Section \"ServerLayout\"\n\tIdentifier \"Layout0\"\n\tScreen \"Screen0\"\nEndSection\n";

inline const std::string kEnabled =
    "Section \"Device\"\n\tIdentifier \"Card0\"\n\tOption \"ActiveDevice\"\t\"CRT, LCD\"\n\tBusID \"PCI:1:0:0\"\n"
    "\tScreen 0\nEndSection\n\n"
    "Section \"Monitor\"\n\tIdentifier \"Monitor0\"\nEndSection\n\n"
    "Section \"Screen\"\n\tIdentifier \"Screen0\"\n\tDevice \"Card0\"\n\tMonitor \"Monitor0\"\n\tDefaultDepth 24\n"
    "EndSection\n\n"
    "Section \"ServerLayout\"\n\tIdentifier \"Layout0\"\n\tScreen \"Screen0\"\n"
    "\tScreen\t\"Screen0-scrn2\" RightOf \"Screen0\"\n\tOption \"Xinerama\"\nEndSection\n\n"
    "Section \"Screen\"\n\tIdentifier \"Screen0-scrn2\"\n\tDevice \"Card0-scrn2\"\n\tMonitor \"Monitor0-scrn2\"\n"
    "\tDefaultDepth 24\nEndSection\n\n"
    "Section \"Device\"\n\tIdentifier \"Card0-scrn2\"\n\tOption \"ActiveDevice\"\t\"CRT, LCD\"\n"
    "\tBusID \"PCI:1:0:0\"\n\tScreen 1\nEndSection\n\n"
    "Section \"Monitor\"\n\tIdentifier \"Monitor0-scrn2\"\nEndSection\n";

// Rewritten sections come back in normal form: one empty line in front of
// the Section line, so the file now starts with an empty line.
inline const std::string kDisabled =
    "\nSection \"Device\"\n\tIdentifier \"Card0\"\n\tOption \"ActiveDevice\"\t\"CRT, LCD\"\nEndSection\n\n"
    "Section \"Monitor\"\n\tIdentifier \"Monitor0\"\nEndSection\n\n"
    "Section \"Screen\"\n\tIdentifier \"Screen0\"\n\tDevice \"Card0\"\n\tMonitor \"Monitor0\"\n\tDefaultDepth 24\n"
    "EndSection\n\n"
    "Section \"ServerLayout\"\n\tIdentifier \"Layout0\"\n\tScreen \"Screen0\"\nEndSection\n";

} // namespace xconfigtest

#endif
