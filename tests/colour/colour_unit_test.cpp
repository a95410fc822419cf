// Slider conversions of the overlay attributes without a server: the ends,
// clamping, ranges the driver cannot hold and empty ranges. The ordinary
// points are checked through the driver in colour_x_test.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>

#include "qevgfx_internal.h"

namespace {

using qev::OverlayProperty;

// The record of an attribute the overlay port offers with [dmin, dmax].
OverlayProperty Offered(int index, int dmin, int dmax) {
    OverlayProperty p = qev::OverlayStartRecord(index);
    p.supported = 1;
    p.dmin = dmin;
    p.dmax = dmax;
    p.drange = static_cast<int32_t>(int64_t(dmax) - dmin); // wraps for the widest range
    p.atom = 100 + index;
    return p;
}

TEST(OverlayConversion, Table) {
    enum Way { ToSys, ToUi };
    const struct {
        int index, dmin, dmax;
        Way way;
        int in, out;
    } rows[] = {
        {qev::OVERLAY_SATURATION, 0, 20000, ToSys, 64, 64 * 20000 / 255},
        {qev::OVERLAY_SATURATION, 0, 20000, ToUi, 10000, 128},
        {qev::OVERLAY_SATURATION, 0, 20000, ToUi, 5000, 5000 * 255 / 20000},
        {qev::OVERLAY_HUE, -180, 180, ToUi, -90, 63}, // (-90 + 180) * 255 / 360 truncated
        {qev::OVERLAY_HUE, -180, 180, ToUi, -180, 0},
        // Brightness: two pieces through the default point.
        {qev::OVERLAY_BRIGHTNESS, 0, 10000, ToSys, 192, 7519},
        {qev::OVERLAY_BRIGHTNESS, 0, 10000, ToUi, 2500, 64},
        {qev::OVERLAY_BRIGHTNESS, 0, 10000, ToUi, 7519, (7519 - 5000) * 127 / 5000 + 128},
        {qev::OVERLAY_BRIGHTNESS, 0, 10000, ToUi, 10000, 255},
        // Values outside the ranges are clamped.
        {qev::OVERLAY_SATURATION, 0, 20000, ToSys, 1000, 20000},
        {qev::OVERLAY_SATURATION, 0, 20000, ToSys, -5, 0},
        {qev::OVERLAY_SATURATION, 0, 20000, ToUi, 30000, 255},
        {qev::OVERLAY_SATURATION, 0, 20000, ToUi, -1, 0},
        {qev::OVERLAY_BRIGHTNESS, 0, 10000, ToUi, INT_MAX, 255},
        {qev::OVERLAY_BRIGHTNESS, 0, 10000, ToSys, INT_MAX, 10000},
        {qev::OVERLAY_BRIGHTNESS, 0, 10000, ToSys, INT_MIN, 0},
        // A full 32-bit driver range does not overflow.
        {qev::OVERLAY_CONTRAST, INT_MIN, INT_MAX, ToSys, 255, INT_MAX},
        {qev::OVERLAY_CONTRAST, INT_MIN, INT_MAX, ToSys, 0, INT_MIN},
        {qev::OVERLAY_CONTRAST, INT_MIN, INT_MAX, ToUi, INT_MAX, 255},
        // Brightness whose default sits on an end leaves one piece empty.
        {qev::OVERLAY_BRIGHTNESS, 5000, 9000, ToUi, 4000, 128},
        {qev::OVERLAY_BRIGHTNESS, 5000, 9000, ToUi, 9000, 255},
        {qev::OVERLAY_BRIGHTNESS, 5000, 9000, ToSys, 3, 5000},
    };
    for (const auto &r : rows) {
        OverlayProperty p = Offered(r.index, r.dmin, r.dmax);
        EXPECT_EQ(r.out, r.way == ToSys ? qev::UiToSys(p, r.in) : qev::SysToUi(p, r.in))
            << "attribute " << r.index << " [" << r.dmin << ", " << r.dmax << "] " << (r.way == ToSys ? "ui " : "sys ")
            << r.in;
    }
    // An empty driver range gives the slider default, and its one value.
    for (int index = 0; index < qev::OVERLAY_COUNT; ++index) {
        OverlayProperty p = Offered(index, 7, 7);
        SCOPED_TRACE(index);
        for (int d : {7, 0, 100})
            EXPECT_EQ(128, qev::SysToUi(p, d));
        EXPECT_EQ(7, qev::UiToSys(p, 0));
        EXPECT_EQ(7, qev::UiToSys(p, 255));
    }
}

} // namespace
