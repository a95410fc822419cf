// Slider conversions of the overlay attributes and the gamma entry packing,
// without a server.
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

TEST(OverlayConversion, OnePieceScales) {
    OverlayProperty sat = Offered(qev::OVERLAY_SATURATION, 0, 20000);
    EXPECT_EQ(10000, qev::UiToSys(sat, 128)); // the default point, not 10039
    EXPECT_EQ(20000, qev::UiToSys(sat, 255));
    EXPECT_EQ(0, qev::UiToSys(sat, 0));
    EXPECT_EQ(64 * 20000 / 255, qev::UiToSys(sat, 64));
    EXPECT_EQ(128, qev::SysToUi(sat, 10000));
    EXPECT_EQ(255, qev::SysToUi(sat, 20000));
    EXPECT_EQ(5000 * 255 / 20000, qev::SysToUi(sat, 5000));

    OverlayProperty hue = Offered(qev::OVERLAY_HUE, -180, 180);
    EXPECT_EQ(-180, qev::UiToSys(hue, 0));
    EXPECT_EQ(180, qev::UiToSys(hue, 255));
    EXPECT_EQ(0, qev::UiToSys(hue, 128));
    EXPECT_EQ(128, qev::SysToUi(hue, 0));
    EXPECT_EQ(0, qev::SysToUi(hue, -180));
    // (-90 + 180) * 255 / 360 truncates to 63.
    EXPECT_EQ(63, qev::SysToUi(hue, -90));
}

TEST(OverlayConversion, BrightnessTwoPiecesThroughTheDefault) {
    OverlayProperty br = Offered(qev::OVERLAY_BRIGHTNESS, 0, 10000);
    EXPECT_EQ(2500, qev::UiToSys(br, 64));
    EXPECT_EQ(5000 + 64 * 5000 / 127, qev::UiToSys(br, 192));
    EXPECT_EQ(7519, qev::UiToSys(br, 192));
    EXPECT_EQ(0, qev::UiToSys(br, 0));
    EXPECT_EQ(10000, qev::UiToSys(br, 255));
    EXPECT_EQ(5000, qev::UiToSys(br, 128));
    EXPECT_EQ(64, qev::SysToUi(br, 2500));
    EXPECT_EQ((7519 - 5000) * 127 / 5000 + 128, qev::SysToUi(br, 7519));
    EXPECT_EQ(255, qev::SysToUi(br, 10000));
    EXPECT_EQ(0, qev::SysToUi(br, 0));
}

TEST(OverlayConversion, ValuesOutsideTheRangesAreClamped) {
    OverlayProperty sat = Offered(qev::OVERLAY_SATURATION, 0, 20000);
    EXPECT_EQ(20000, qev::UiToSys(sat, 1000));
    EXPECT_EQ(0, qev::UiToSys(sat, -5));
    EXPECT_EQ(255, qev::SysToUi(sat, 30000)); // read back above the range
    EXPECT_EQ(0, qev::SysToUi(sat, -1));
    OverlayProperty br = Offered(qev::OVERLAY_BRIGHTNESS, 0, 10000);
    EXPECT_EQ(255, qev::SysToUi(br, INT_MAX));
    EXPECT_EQ(10000, qev::UiToSys(br, INT_MAX));
    EXPECT_EQ(0, qev::UiToSys(br, INT_MIN));
    // A full 32-bit driver range does not overflow.
    OverlayProperty wide = Offered(qev::OVERLAY_CONTRAST, INT_MIN, INT_MAX);
    EXPECT_EQ(INT_MAX, qev::UiToSys(wide, 255));
    EXPECT_EQ(INT_MIN, qev::UiToSys(wide, 0));
    EXPECT_EQ(255, qev::SysToUi(wide, INT_MAX));
}

TEST(OverlayConversion, EmptyDriverRangeGivesTheSliderDefault) {
    for (int index = 0; index < qev::OVERLAY_COUNT; ++index) {
        OverlayProperty p = Offered(index, 7, 7);
        SCOPED_TRACE(index);
        EXPECT_EQ(128, qev::SysToUi(p, 7));
        EXPECT_EQ(128, qev::SysToUi(p, 0));
        EXPECT_EQ(128, qev::SysToUi(p, 100));
        EXPECT_EQ(7, qev::UiToSys(p, 0));
        EXPECT_EQ(7, qev::UiToSys(p, 255));
    }
    // Brightness whose default sits on an end leaves one piece empty.
    OverlayProperty br = Offered(qev::OVERLAY_BRIGHTNESS, 5000, 9000);
    EXPECT_EQ(128, qev::SysToUi(br, 4000));
    EXPECT_EQ(255, qev::SysToUi(br, 9000));
    EXPECT_EQ(5000, qev::UiToSys(br, 3));
}

TEST(GammaPacking, EntryWordAndClamping) {
    EXPECT_EQ(0x00FF0000u, qev::PackGammaEntry(255, 0, 0));
    EXPECT_EQ(0x0000FFFFu, qev::PackGammaEntry(0, 255, 255));
    EXPECT_EQ(0x00123456u, qev::PackGammaEntry(0x12, 0x34, 0x56));
    // Levels above 255 stay in their own byte.
    EXPECT_EQ(0x00FF0000u, qev::PackGammaEntry(256, 0, 0));
    EXPECT_EQ(0x0000FF01u, qev::PackGammaEntry(0, 300, 1));
    EXPECT_EQ(0x00FFFFFFu, qev::PackGammaEntry(65535, 65535, 65535));
}

} // namespace
