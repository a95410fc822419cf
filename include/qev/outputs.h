/* The output bit mask and the RandR names of the adapter's outputs, shared by
 * the library, the program and the simulated driver. C and C++. */
#ifndef QEV_OUTPUTS_H
#define QEV_OUTPUTS_H

enum {
    QEV_OUT_CRT = 0x1,
    QEV_OUT_LCD = 0x2,
    QEV_OUT_TV = 0x4,
    QEV_OUT_DVI = 0x8,
    QEV_OUT_HDMI = 0x10,
    QEV_OUT_CRT2 = 0x20,
    QEV_OUT_HDTV = 0x40,
    QEV_OUT_LCD2 = 0x80,
    QEV_OUT_DVI2 = 0x100,
    QEV_OUT_TV2 = 0x200,
    QEV_OUT_HDTV2 = 0x400,
    QEV_OUT_DP = 0x800,
    QEV_OUT_DP2 = 0x1000,
    QEV_OUT_ALL = 0x1fff
};

/* The RandR outputs, in the order the driver lists them and xrandr command
 * lines visit them. HDTV outputs have no RandR output of their own: they are
 * addressed through "TV" and "TV-2". */
#define QEV_RANDR_OUTPUT_TABLE(X) \
    X("CRT", QEV_OUT_CRT)         \
    X("CRT-2", QEV_OUT_CRT2)      \
    X("LCD", QEV_OUT_LCD)         \
    X("LCD-2", QEV_OUT_LCD2)      \
    X("TV", QEV_OUT_TV)           \
    X("TV-2", QEV_OUT_TV2)        \
    X("DVI", QEV_OUT_DVI)         \
    X("DVI-2", QEV_OUT_DVI2)      \
    X("DP", QEV_OUT_DP)           \
    X("DP-2", QEV_OUT_DP2)        \
    X("HDMI", QEV_OUT_HDMI)

#define QEV_RANDR_OUTPUT_COUNT 11

/* Display-mode values. */
enum { QEV_DISPLAY_SINGLE = 1, QEV_DISPLAY_CLONE = 2, QEV_DISPLAY_SAMM = 4 };

/* TV standards and signal types as bits (RandR "Type" / "Signal" values). */
enum {
    QEV_TVSTD_NTSC = 0x1, QEV_TVSTD_PAL = 0x2, QEV_TVSTD_480P = 0x4, QEV_TVSTD_576P = 0x8,
    QEV_TVSTD_720P = 0x10, QEV_TVSTD_1080I = 0x20, QEV_TVSTD_1080P = 0x40
};
enum { QEV_TVSIG_COMPOSITE = 0x1, QEV_TVSIG_SVIDEO = 0x2, QEV_TVSIG_RGB = 0x4, QEV_TVSIG_YCBCR = 0x8 };

#endif /* QEV_OUTPUTS_H */
