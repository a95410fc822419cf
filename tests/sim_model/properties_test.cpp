// RandR output properties and their coherence with the commands.
#include <map>

#include "model_fixture.h"
#include "qev/commands.h"
#include "qev/outputs.h"

namespace {

std::map<std::string, QevSimProperty> props(Model &m, unsigned bit) {
    std::map<std::string, QevSimProperty> out;
    for (int i = 0; i < qevsim_model_property_count(m, bit); i++) {
        QevSimProperty p;
        EXPECT_EQ(qevsim_model_property_get(m, bit, i, &p), 1);
        out[p.name] = p;
    }
    return out;
}

std::string atom(const QevSimProperty &p) { return p.value >= 0 && p.value < p.natoms ? p.atoms[p.value] : "?"; }

int atom_index(const QevSimProperty &p, const std::string &name) {
    for (int i = 0; i < p.natoms; i++)
        if (name == p.atoms[i])
            return i;
    return -1;
}

}  // namespace

TEST(Properties, TvOutputCarriesTheEncoderControls) {
    Model m;
    auto p = props(m, QEV_OUT_TV);
    for (const char *n : {"Type", "Signal", "ScaleH", "ScaleV", "PosH", "PosV", "FFilter", "AFFilterValue",
                          "Brightness", "Contrast", "Saturation", "Tint", "DotCrawl"})
        EXPECT_EQ(p.count(n), 1u) << n;
    // The TV output offers the SD and the HDTV standards of its encoder.
    const QevSimProperty &type = p["Type"];
    ASSERT_EQ(type.natoms, 7);
    EXPECT_STREQ(type.atoms[0], "NTSC");
    EXPECT_STREQ(type.atoms[6], "1080P");
    EXPECT_EQ(atom(type), "NTSC");
    EXPECT_EQ(p["Signal"].natoms, 4);
    EXPECT_EQ(p["ScaleH"].max, 7);
    EXPECT_EQ(p["PosV"].max, 30);
    EXPECT_EQ(p["Brightness"].max, 100);
    EXPECT_EQ(atom(p["FFilter"]), "FFON");
    EXPECT_EQ(atom(p["DotCrawl"]), "Off");
    EXPECT_EQ(qevsim_model_property_count(m, QEV_OUT_HDTV), int(p.size())) << "HDTV addresses the TV output";
    EXPECT_EQ(qevsim_model_property_count(m, QEV_OUT_TV2), 0);
    EXPECT_EQ(qevsim_model_property_count(m, QEV_OUT_CRT2), 0);

    auto lcd = props(m, QEV_OUT_LCD);
    EXPECT_EQ(lcd.size(), 5u);
    EXPECT_EQ(atom(lcd["Feature"]), "Expand");
    EXPECT_EQ(props(m, QEV_OUT_CRT).count("Feature"), 0u);
}

TEST(Properties, WritesAndCommandsShareState) {
    Model m;
    auto type = props(m, QEV_OUT_TV)["Type"];
    ASSERT_EQ(qevsim_model_property_set(m, QEV_OUT_TV, "Type", atom_index(type, "PAL")), 1);
    ASSERT_EQ(m.cmd(QEV_TV_GROUP_TV, 2), 1);
    EXPECT_EQ(m.out(0), QEV_TVSTD_PAL);

    ASSERT_EQ(m.cmd(QEV_TV_GROUP_TV, 16, {0x20, 12}), 1);
    EXPECT_EQ(props(m, QEV_OUT_TV)["Tint"].value, 12);
    ASSERT_EQ(qevsim_model_property_set(m, QEV_OUT_TV, "ScaleV", 6), 1);
    m.cmd(QEV_TV_GROUP_TV, 8);
    EXPECT_EQ(m.out(0), 3);
    EXPECT_EQ(m.out(1), 6);

    ASSERT_EQ(m.cmd(QEV_TV_GROUP_TV, 19, {0x2, 1}), 1);
    EXPECT_EQ(atom(props(m, QEV_OUT_TV)["FFilter"]), "AFFON");
    auto ff = props(m, QEV_OUT_TV)["FFilter"];
    ASSERT_EQ(qevsim_model_property_set(m, QEV_OUT_TV, "FFilter", atom_index(ff, "ALLOFF")), 1);
    m.cmd(QEV_TV_GROUP_TV, 18, {0x2});
    EXPECT_EQ(m.out(0), 0);

    auto feature = props(m, QEV_OUT_LCD)["Feature"];
    ASSERT_EQ(qevsim_model_property_set(m, QEV_OUT_LCD, "Feature", atom_index(feature, "Center")), 1);
    m.cmd(20, 3);
    EXPECT_EQ(m.out(0), 1);
    ASSERT_EQ(qevsim_model_property_set(m, QEV_OUT_HDMI, "PosH", 17), 1);
    m.cmd(20, 10, {QEV_OUT_HDMI});
    EXPECT_EQ(m.out(0), 17);
}

TEST(Properties, HdtvStandardsDriveTheHdtvGroup) {
    Model m("tv-hdtv.conf");
    ASSERT_EQ(m.cmd(19, 4, {QEV_OUT_CRT | QEV_OUT_TV}), 1);
    auto type = props(m, QEV_OUT_TV)["Type"];
    EXPECT_EQ(atom(type), "NTSC") << "switching TV on shows the SD group";
    ASSERT_EQ(qevsim_model_property_set(m, QEV_OUT_TV, "Type", atom_index(type, "720P")), 1);
    m.cmd(QEV_TV_GROUP_HDTV, 2);
    EXPECT_EQ(m.out(0), QEV_TVSTD_720P);
    m.cmd(QEV_TV_GROUP_TV, 2);
    EXPECT_EQ(m.out(0), QEV_TVSTD_NTSC);
    EXPECT_EQ(qevsim_model_active(m), unsigned(QEV_OUT_CRT | QEV_OUT_HDTV)) << "the encoder now drives HDTV";
    EXPECT_EQ(atom(props(m, QEV_OUT_TV)["Type"]), "720P");
    // RandR lighting "TV" again keeps the encoder on HDTV.
    qevsim_model_set_output_active(m, QEV_OUT_TV, 1);
    EXPECT_EQ(qevsim_model_active(m), unsigned(QEV_OUT_CRT | QEV_OUT_HDTV));
    // The HDTV group takes no composite signal.
    auto sig = props(m, QEV_OUT_TV)["Signal"];
    EXPECT_EQ(qevsim_model_property_set(m, QEV_OUT_TV, "Signal", atom_index(sig, "Composite")), 0);
    ASSERT_EQ(qevsim_model_property_set(m, QEV_OUT_TV, "Signal", atom_index(sig, "RGB")), 1);
    m.cmd(QEV_TV_GROUP_HDTV, 5);
    EXPECT_EQ(m.out(0), QEV_TVSIG_RGB);
    qevsim_model_set_output_active(m, QEV_OUT_TV, 0);
    EXPECT_EQ(qevsim_model_active(m), unsigned(QEV_OUT_CRT)) << "switching TV off ends HDTV";
}

TEST(Properties, RefusedWritesChangeNothing) {
    Model m;
    std::string before = m.dump();
    EXPECT_EQ(qevsim_model_property_set(m, QEV_OUT_TV, "ScaleH", 8), 0);
    EXPECT_EQ(qevsim_model_property_set(m, QEV_OUT_TV, "Brightness", -1), 0);
    EXPECT_EQ(qevsim_model_property_set(m, QEV_OUT_TV, "Type", 7), 0);
    EXPECT_EQ(qevsim_model_property_set(m, QEV_OUT_TV, "Nope", 0), 0);
    EXPECT_EQ(qevsim_model_property_set(m, QEV_OUT_LCD, "Feature", 2), 0);
    EXPECT_EQ(qevsim_model_property_set(m, QEV_OUT_CRT, "Feature", 0), 0);
    EXPECT_EQ(qevsim_model_property_set(m, QEV_OUT_DVI2, "PosH", 0), 0);
    EXPECT_EQ(qevsim_model_property_set(m, QEV_OUT_CRT, nullptr, 0), 0);
    EXPECT_EQ(m.dump(), before);
}

TEST(Outputs, HotplugAndRandRSwitching) {
    Model m;
    qevsim_model_set_connected(m, QEV_OUT_CRT, 0);
    EXPECT_EQ(qevsim_model_active(m), unsigned(QEV_OUT_LCD));
    EXPECT_EQ(qevsim_model_primary(m), unsigned(QEV_OUT_LCD));
    qevsim_model_set_connected(m, QEV_OUT_DVI, 1);
    qevsim_model_set_output_active(m, QEV_OUT_DVI, 1);
    EXPECT_EQ(qevsim_model_active(m), unsigned(QEV_OUT_LCD | QEV_OUT_DVI));
    qevsim_model_set_layout(m, 1, 0);
    m.cmd(19, 5);
    EXPECT_EQ(m.out(0), 1);
    qevsim_model_set_output_active(m, QEV_OUT_LCD, 0);
    m.cmd(19, 5);
    EXPECT_EQ(m.out(0), 0) << "SAMM ends with one output";
    EXPECT_EQ(qevsim_model_primary(m), unsigned(QEV_OUT_DVI));
    qevsim_model_set_output_active(m, QEV_OUT_HDMI, 1);
    EXPECT_EQ(qevsim_model_active(m), unsigned(QEV_OUT_DVI)) << "HDMI is not connected";

    qevsim_model_set_current_mode(m, QEV_OUT_DVI, 1280, 720, 60000);
    m.cmd(24, 2);
    EXPECT_EQ(m.out(0), 1280);
    EXPECT_EQ(m.out(1), 720);
    EXPECT_EQ(m.out(2), 60);
}
