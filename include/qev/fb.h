/* Framebuffer-device requests ("/dev/fb0") and the records they carry, shared
 * by the library and the framebuffer stand-in. C and C++. Records are
 * little-endian byte layouts; use the offsets below, not struct padding. */
#ifndef QEV_FB_H
#define QEV_FB_H

#include <stdint.h>

#define QEV_FB_DEVICE "/dev/fb0"
#define QEV_FB_REQUEST(nn) (0x51455600u | (uint32_t)(nn)) /* "QEV" + operation */

#define QEV_FB_REQUEST_TABLE(X)            \
    X(0x05, FbResolutionInfo)              \
    X(0x07, MemoryInfo)                    \
    X(0x12, DriverVersion)                 \
    X(0x13, ChipInfo)                      \
    X(0x14, WriteDeviceState)              \
    X(0x15, ReadDeviceState)               \
    X(0x18, SupportedOutputs)              \
    X(0x19, ConnectedOutputs)              \
    X(0x1a, PanelExpandSupported)          \
    X(0x1b, TVSignalTypesSupported)        \
    X(0x1c, TVStandardsSupported)          \
    X(0x1d, TVMaxViewSize)                 \
    X(0x1e, TVMaxViewPosition)             \
    X(0x1f, TVTuningItemsSupported)        \
    X(0x20, TVTuningItemMax)               \
    X(0x21, TVSettingItemsSupported)       \
    X(0x22, DriverModuleName)              \
    X(0x25, WriteGammaTable)               \
    X(0x26, GammaSupported)                \
    X(0x27, WriteVideoDevice)              \
    X(0x28, ReadVideoDevice)               \
    X(0x29, SammSecondMode)                \
    X(0x30, EngineSync)                    \
    X(0x31, FunctionCaps)                  \
    X(0x33, PanelMaxViewSize)              \
    X(0x34, PanelMaxViewPosition)          \
    X(0x35, WritePanelViewSize)            \
    X(0x36, WritePanelViewPosition)        \
    X(0x37, ReadPanelViewPosition)         \
    X(0x38, ReadPanelViewSize)

#define QEV_FB_ENUM_(nn, name) QEV_FB_##name = (int)QEV_FB_REQUEST(nn),
enum { QEV_FB_REQUEST_TABLE(QEV_FB_ENUM_) QEV_FB_ENUM_END_ };
#undef QEV_FB_ENUM_

/* Device-state block: 184 bytes, zero-filled before every use. */
#define QEV_DS_SIZE 184
#define QEV_DS_OUTPUT_FLAGS 0      /* u16: 1 = apply the active-output mask */
#define QEV_DS_ACTIVE_MASK 2       /* u16 */
#define QEV_DS_TV_CHANGE 4         /* u32: TV change bits below */
#define QEV_DS_PANEL_FLAGS 8       /* u16: 1 = apply the expansion state */
#define QEV_DS_SAMM_FLAGS 10       /* u16: reads 1 while SAMM is on; write 0x81 on, 0x80 off */
#define QEV_DS_SAMM_LAYOUT 28      /* u32: primary output of the SAMM set-up */
#define QEV_DS_TV_STANDARD 36      /* u32 */
#define QEV_DS_TV_SIZE_LEVEL 40    /* u32 */
#define QEV_DS_TV_SIGNAL 44        /* u32 */
#define QEV_DS_TV_SETTING_8 48     /* u32: setting item of change bit 0x8 */
#define QEV_DS_TV_TUNING 52        /* 6 x u32: change bits 0x400, 0x1000, 0x10, 0x20, 0x40, 0x80 */
#define QEV_DS_TV_POS_H 76
#define QEV_DS_TV_POS_V 80
#define QEV_DS_TV_SIZE_H 84
#define QEV_DS_TV_SIZE_V 88
#define QEV_DS_TV_SETTING_200 124  /* u32: setting item of change bit 0x200 */
#define QEV_DS_TV_SETTING_800 128  /* u32: setting item of change bit 0x800 */
#define QEV_DS_PANEL_INFO 172
#define QEV_DS_PANEL_EXPAND 176

/* TV change bits of the device-state block. */
enum {
    QEV_TVCHG_STANDARD = 0x1,
    QEV_TVCHG_VIEW_SIZE = 0x2,
    QEV_TVCHG_SIGNAL = 0x4,
    QEV_TVCHG_SETTING_8 = 0x8,
    QEV_TVCHG_TUNING_10 = 0x10,
    QEV_TVCHG_TUNING_20 = 0x20,
    QEV_TVCHG_TUNING_40 = 0x40,
    QEV_TVCHG_TUNING_80 = 0x80,
    QEV_TVCHG_VIEW_POSITION = 0x100,
    QEV_TVCHG_SETTING_200 = 0x200,
    QEV_TVCHG_TUNING_400 = 0x400,
    QEV_TVCHG_SETTING_800 = 0x800,
    QEV_TVCHG_TUNING_1000 = 0x1000
};

/* Chip-information block: 92 bytes. */
#define QEV_CHIPINFO_SIZE 92
#define QEV_CHIPINFO_INDEX 0     /* u32: driver chip index (see family.h) */
#define QEV_CHIPINFO_TVCHIP 8    /* u32: TV encoder chip identifier */
#define QEV_CHIPINFO_TVSLOT 16   /* u32: slot of the TV encoder chip */

/* Panel record of requests 0x33-0x38: output bit, horizontal, vertical. */
#define QEV_PANEL_RECORD_WORDS 3

#endif /* QEV_FB_H */
