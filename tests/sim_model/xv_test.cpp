// Xv overlay attributes from profiles and single keys, and the overlay status.
#include "model_fixture.h"

namespace {

QevSimXvAttribute attr(Model &m, int index) {
    QevSimXvAttribute a{};
    EXPECT_TRUE(qevsim_model_xv_attribute(m, index, &a));
    return a;
}

std::string set(Model &m, const char *key, const char *value) {
    char err[256] = "";
    return qevsim_model_set_key(m, key, value, err, sizeof err) ? "" : err;
}

}  // namespace

TEST(ModelXv, BuiltInOffersTheFourAttributesAtTheLibrarysDefaultPoints) {
    Model m;
    const char *names[] = {"XV_HUE", "XV_SATURATION", "XV_BRIGHTNESS", "XV_CONTRAST"};
    const int defaults[] = {0, 10000, 5000, 10000};
    for (int i = 0; i < QEVSIM_XV_COUNT; i++) {
        QevSimXvAttribute a = attr(m, i);
        EXPECT_STREQ(a.name, names[i]);
        EXPECT_EQ(qevsim_model_xv_index(names[i]), i);
        EXPECT_TRUE(a.offered);
        EXPECT_EQ(a.value, defaults[i]);
        EXPECT_LE(a.min, a.value);
        EXPECT_GE(a.max, a.value);
    }
    QevSimXvAttribute none{};
    EXPECT_FALSE(qevsim_model_xv_attribute(m, QEVSIM_XV_COUNT, &none));
    EXPECT_FALSE(qevsim_model_xv_attribute(m, -1, &none));
    EXPECT_EQ(qevsim_model_xv_index("XV_OVERLAYSTATUS"), -1);
    EXPECT_EQ(qevsim_model_xv_index("xv_hue"), -1) << "Xv names are exact";
}

TEST(ModelXv, SetChecksRangeAndOfferedAttributes) {
    Model m;
    ASSERT_EQ(set(m, "xv.hue_range", "-90,90"), "");
    EXPECT_TRUE(qevsim_model_xv_set(m, QEVSIM_XV_HUE, -90));
    EXPECT_TRUE(qevsim_model_xv_set(m, QEVSIM_XV_HUE, 90));
    EXPECT_FALSE(qevsim_model_xv_set(m, QEVSIM_XV_HUE, 91));
    EXPECT_FALSE(qevsim_model_xv_set(m, QEVSIM_XV_HUE, -91));
    EXPECT_EQ(attr(m, QEVSIM_XV_HUE).value, 90) << "a refused value changes nothing";

    ASSERT_EQ(set(m, "xv.attributes", "Saturation|Contrast"), "");
    EXPECT_FALSE(attr(m, QEVSIM_XV_HUE).offered);
    EXPECT_TRUE(attr(m, QEVSIM_XV_SATURATION).offered);
    EXPECT_FALSE(qevsim_model_xv_set(m, QEVSIM_XV_BRIGHTNESS, 5000)) << "not offered";
    EXPECT_TRUE(qevsim_model_xv_set(m, QEVSIM_XV_CONTRAST, 0));
    EXPECT_FALSE(qevsim_model_xv_set(m, 7, 0));
    ASSERT_EQ(set(m, "xv.attributes", "none"), "");
    EXPECT_FALSE(attr(m, QEVSIM_XV_CONTRAST).offered);
}

TEST(ModelXv, RangeKeysAreCheckedAgainstTheValue) {
    Model m;
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

TEST(ModelXv, OverlayStatusFollowsPlayingPortsUnlessForced) {
    Model m;
    EXPECT_EQ(qevsim_model_overlay_status(m), 0);
    qevsim_model_set_overlay_playing(m, 1);
    EXPECT_EQ(qevsim_model_overlay_status(m), 1);
    qevsim_model_force_overlay(m, 0);
    EXPECT_EQ(qevsim_model_overlay_status(m), 0);
    EXPECT_EQ(qevsim_model_overlay_forced(m), 0);
    qevsim_model_set_overlay_playing(m, 0);
    qevsim_model_force_overlay(m, 1);
    EXPECT_EQ(qevsim_model_overlay_status(m), 1);
    qevsim_model_force_overlay(m, -1);
    EXPECT_EQ(qevsim_model_overlay_status(m), 0);
    qevsim_model_set_overlay_playing(m, -3);
    EXPECT_EQ(qevsim_model_overlay_status(m), 0);

    qevsim_model_set_overlay_playing(m, 2);
    ASSERT_TRUE(qevsim_model_xv_set(m, QEVSIM_XV_HUE, 12));
    std::string j = m.dump();
    EXPECT_NE(j.find("\"hue\":{\"offered\":1,\"min\":-180,\"max\":180,\"value\":12}"), std::string::npos) << j;
    EXPECT_NE(j.find("\"overlay\":{\"status\":1,\"forced\":-1,\"ports_playing\":2}"), std::string::npos) << j;
}
