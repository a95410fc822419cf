/* Constants of the QEV adapter family: chip identifiers, their display names,
 * the framebuffer driver's chip indices, and the designated chip sets.
 * Shared by the library, the program and the simulated adapter. C and C++.
 * The identifiers are this project's own; they name no real hardware. */
#ifndef QEV_FAMILY_H
#define QEV_FAMILY_H

/* Chip identifiers as command 17/1 reports them. */
enum {
    QEV_CHIP_A100 = 0x7A01,
    QEV_CHIP_A110 = 0x7A02,
    QEV_CHIP_A120 = 0x7A03,
    QEV_CHIP_A200 = 0x7A04,
    QEV_CHIP_A210 = 0x7A05,
    QEV_CHIP_A220 = 0x7A06,
    QEV_CHIP_M300 = 0x7A08,
    QEV_CHIP_M310 = 0x7A09,
    QEV_CHIP_M400 = 0x7A0A,
    QEV_CHIP_M410 = 0x7A0B,
    QEV_CHIP_M500 = 0x7A0C,
    QEV_CHIP_M500E = 0x7A1C /* a second identifier of the M500 (shares its name) */
};

/* Framebuffer chip index -> chip identifier. Index 7 has no row. Row:
 * X(index, identifier). */
#define QEV_CHIP_INDEX_TABLE(X) \
    X(1, QEV_CHIP_A100)         \
    X(2, QEV_CHIP_A110)         \
    X(3, QEV_CHIP_A120)         \
    X(4, QEV_CHIP_A200)         \
    X(5, QEV_CHIP_A210)         \
    X(6, QEV_CHIP_A220)         \
    X(8, QEV_CHIP_M300)         \
    X(9, QEV_CHIP_M310)         \
    X(10, QEV_CHIP_M400)        \
    X(11, QEV_CHIP_M410)        \
    X(12, QEV_CHIP_M500)

/* Chip identifier -> display name. Several identifiers may share a name. */
#define QEV_CHIP_NAME_TABLE(X)                   \
    X(QEV_CHIP_A100, "QEV Aurora A100")          \
    X(QEV_CHIP_A110, "QEV Aurora A110")          \
    X(QEV_CHIP_A120, "QEV Aurora A120")          \
    X(QEV_CHIP_A200, "QEV Aurora A200")          \
    X(QEV_CHIP_A210, "QEV Aurora A210")          \
    X(QEV_CHIP_A220, "QEV Aurora A220")          \
    X(QEV_CHIP_M300, "QEV Meridian M300")        \
    X(QEV_CHIP_M310, "QEV Meridian M310")        \
    X(QEV_CHIP_M400, "QEV Meridian M400")        \
    X(QEV_CHIP_M410, "QEV Meridian M410")        \
    X(QEV_CHIP_M500, "QEV Meridian M500")        \
    X(QEV_CHIP_M500E, "QEV Meridian M500")

/* Chips integrated at PCI bus 0, device 1: their BusID is "PCI:0:1:0";
 * every other chip's is "PCI:1:0:0". */
#define QEV_BUSID_ONBOARD_CHIPS(X) X(QEV_CHIP_A100) X(QEV_CHIP_A110) X(QEV_CHIP_A120)

/* Chips that drive the video overlay on only one output of a clone pair. */
#define QEV_SINGLE_VIDEO_OUTPUT_CHIPS(X) \
    X(QEV_CHIP_A100) X(QEV_CHIP_A110) X(QEV_CHIP_A120) X(QEV_CHIP_A200) X(QEV_CHIP_A210) X(QEV_CHIP_M300)

/* The chip whose TV encoder 12 shares a path with the CRT output. */
#define QEV_PAIRED_TV_CHIP QEV_CHIP_A200
#define QEV_PAIRED_TV_ENCODER 12

#endif /* QEV_FAMILY_H */
