// Xv overlay attributes from single keys. The attributes as Xv clients see
// them and the overlay status are the sim_ctl tests' (xvinfo, Xlib, qevsim-play).
#include "model_fixture.h"

namespace {

std::string set(Model &m, const char *key, const char *value) {
    char err[256] = "";
    return qevsim_model_set_key(m, key, value, err, sizeof err) ? "" : err;
}

QevSimXvAttribute attr(Model &m, int index) {
    QevSimXvAttribute a{};
    EXPECT_TRUE(qevsim_model_xv_attribute(m, index, &a));
    return a;
}

}  // namespace

TEST(ModelXv, NamesRangesAndOfferedAttributes) {
    Model m;
    // The built-in adapter offers the four at the library's default points.
    const char *names[] = {"XV_HUE", "XV_SATURATION", "XV_BRIGHTNESS", "XV_CONTRAST"};
    const int defaults[] = {0, 10000, 5000, 10000};
    for (int i = 0; i < QEVSIM_XV_COUNT; i++) {
        EXPECT_EQ(qevsim_model_xv_index(names[i]), i);
        EXPECT_TRUE(attr(m, i).offered);
        EXPECT_EQ(attr(m, i).value, defaults[i]) << names[i];
    }
    EXPECT_EQ(qevsim_model_xv_index("XV_OVERLAYSTATUS"), -1);
    EXPECT_EQ(qevsim_model_xv_index("xv_hue"), -1) << "Xv names are exact";
    QevSimXvAttribute none{};
    EXPECT_FALSE(qevsim_model_xv_attribute(m, QEVSIM_XV_COUNT, &none));
    EXPECT_FALSE(qevsim_model_xv_attribute(m, -1, &none));

    ASSERT_EQ(set(m, "xv.hue_range", "-90,90"), "");
    for (int v : {-90, 90})
        EXPECT_TRUE(qevsim_model_xv_set(m, QEVSIM_XV_HUE, v)) << v;
    for (int v : {91, -91})
        EXPECT_FALSE(qevsim_model_xv_set(m, QEVSIM_XV_HUE, v)) << v;
    EXPECT_EQ(attr(m, QEVSIM_XV_HUE).value, 90) << "a refused value changes nothing";

    ASSERT_EQ(set(m, "xv.attributes", "Saturation|Contrast"), "");
    EXPECT_FALSE(attr(m, QEVSIM_XV_HUE).offered);
    EXPECT_FALSE(qevsim_model_xv_set(m, QEVSIM_XV_BRIGHTNESS, 5000)) << "not offered";
    EXPECT_TRUE(qevsim_model_xv_set(m, QEVSIM_XV_CONTRAST, 0));
    EXPECT_FALSE(qevsim_model_xv_set(m, 7, 0));
    ASSERT_EQ(set(m, "xv.attributes", "none"), "");
    EXPECT_FALSE(attr(m, QEVSIM_XV_CONTRAST).offered);

    // A value the profile gives must lie in the range; an inherited one is
    // brought into it.
    EXPECT_EQ(set(m, "xv.saturation_range", "0,100"), "");
    EXPECT_EQ(attr(m, QEVSIM_XV_SATURATION).value, 100);
    EXPECT_NE(set(m, "xv.saturation", "101").find("not in xv.saturation_range"), std::string::npos);
    EXPECT_EQ(attr(m, QEVSIM_XV_SATURATION).value, 100);
    EXPECT_NE(set(m, "xv.brightness_range", "10,5").find("minimum above maximum"), std::string::npos);
    EXPECT_NE(set(m, "xv.brightness_range", "10").find("bad value"), std::string::npos);
    EXPECT_NE(set(m, "xv.attributes", "Hue,Tint").find("unknown name 'Tint'"), std::string::npos);
    EXPECT_EQ(set(m, "xv.contrast_range", "7,7"), "") << "an empty range is allowed (library edge case)";
    EXPECT_EQ(attr(m, QEVSIM_XV_CONTRAST).value, 7);
}
