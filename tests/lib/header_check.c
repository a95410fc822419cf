/* The public header compiled as C: the declarations are usable from a C
 * program and the mode entry is a plain C struct. */
#include <stdlib.h>
#include <string.h>

#include "qevgfx.h"

int qevtest_c_header_check(void) {
    int major = 0, minor = 0;
    RRModeEntry entry;
    int (*caps)(unsigned int *) = QEVGFX_Device_GetSupportCaps;
    int (*cmd)(int, int, unsigned int, const int *, unsigned int, int *) = InputCommand;
    memset(&entry, 0, sizeof entry);
    if (!QEVGFX_Info_GetUtilityAPIVersion(&major, &minor) || major != 1 || minor != 1)
        return 0;
    if (rrDeviceMapping("LCD-2") != 0x80)
        return 0;
    if (caps == NULL || cmd == NULL)
        return 0;
    rrFreeModeEntries(NULL, 0);
    return sizeof(entry.name) == sizeof(char *) && sizeof(entry.refresh) == sizeof(float);
}
