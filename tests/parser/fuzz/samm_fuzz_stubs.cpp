// The library core as the multi-screen fuzzer sees it: no channel is open, so
// every adapter query fails and the exported operations return 0. Only the
// file-route functions are exercised.
#include "qevgfx_internal.h"

int DriverType = QEV_CHANNEL_NONE;
int OpenDev = -1;
Display *dpy = nullptr;
int RandRSupport = 0;
XRRScreenResources *res = nullptr;

extern "C" int InputCommand(int, int, unsigned, const int *, unsigned, int *) { return 0; }
extern "C" int QEVGFX_Device_GetActiveState(unsigned *) { return 0; }
extern "C" int QEVGFX_Device_GetDisplayMode(int *) { return 0; }
extern "C" int QEVGFX_Info_GetChipID(int *) { return 0; }
extern "C" int rrGetDevCurPosition(unsigned, int *, int *) { return 0; }

namespace qev {
bool FbRequest(int, void *) { return false; }
} // namespace qev
