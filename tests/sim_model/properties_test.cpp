// RandR output properties and hotplug of the model. The properties as RandR
// clients see them are the harness test's (tests/sim_ctl, xrandr --verbose);
// property writes read back by the commands are lib_randr_test's (real xrandr
// writes, driver commands read).
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

std::string atom(Model &m, unsigned bit, const char *name) {
    QevSimProperty p = props(m, bit)[name];
    return p.value >= 0 && p.value < p.natoms ? p.atoms[p.value] : "?";
}

// Sets an atom property by its atom's name.
int set_atom(Model &m, unsigned bit, const char *name, const std::string &value) {
    QevSimProperty p = props(m, bit)[name];
    for (int i = 0; i < p.natoms; i++)
        if (value == p.atoms[i])
            return qevsim_model_property_set(m, bit, name, i);
    ADD_FAILURE() << name << " has no atom " << value;
    return 0;
}

}  // namespace

TEST(Properties, HdtvStandardsDriveTheHdtvGroup) {
    Model m("tv-hdtv.conf");
    EXPECT_EQ(qevsim_model_property_count(m, QEV_OUT_HDTV), qevsim_model_property_count(m, QEV_OUT_TV))
        << "HDTV addresses the TV output";
    EXPECT_EQ(qevsim_model_property_count(m, QEV_OUT_TV2), 0);
    ASSERT_EQ(m.cmd(19, 4, {QEV_OUT_CRT | QEV_OUT_TV}), 1);
    EXPECT_EQ(atom(m, QEV_OUT_TV, "Type"), "NTSC") << "switching TV on shows the SD group";
    ASSERT_EQ(set_atom(m, QEV_OUT_TV, "Type", "720P"), 1);
    m.play({{QEV_TV_GROUP_HDTV, 2, {}, 1, {QEV_TVSTD_720P}}, {QEV_TV_GROUP_TV, 2, {}, 1, {QEV_TVSTD_NTSC}}});
    EXPECT_EQ(qevsim_model_active(m), unsigned(QEV_OUT_CRT | QEV_OUT_HDTV)) << "the encoder now drives HDTV";
    EXPECT_EQ(atom(m, QEV_OUT_TV, "Type"), "720P");
    // RandR lighting "TV" again keeps the encoder on HDTV.
    qevsim_model_set_output_active(m, QEV_OUT_TV, 1);
    EXPECT_EQ(qevsim_model_active(m), unsigned(QEV_OUT_CRT | QEV_OUT_HDTV));
    EXPECT_EQ(set_atom(m, QEV_OUT_TV, "Signal", "Composite"), 0) << "the HDTV group takes no composite signal";
    ASSERT_EQ(set_atom(m, QEV_OUT_TV, "Signal", "RGB"), 1);
    m.play({{QEV_TV_GROUP_HDTV, 5, {}, 1, {QEV_TVSIG_RGB}}});
    qevsim_model_set_output_active(m, QEV_OUT_TV, 0);
    EXPECT_EQ(qevsim_model_active(m), unsigned(QEV_OUT_CRT)) << "switching TV off ends HDTV";
}

TEST(Properties, RefusedWritesChangeNothing) {
    const struct {
        unsigned bit;
        const char *name;
        int value;
    } cases[] = {{QEV_OUT_TV, "ScaleH", 8},  {QEV_OUT_TV, "Brightness", -1}, {QEV_OUT_TV, "Type", 7},
                 {QEV_OUT_TV, "Nope", 0},    {QEV_OUT_LCD, "Feature", 2},    {QEV_OUT_CRT, "Feature", 0},
                 {QEV_OUT_DVI2, "PosH", 0},  {QEV_OUT_CRT, nullptr, 0}};
    Model m;
    std::string before = m.dump();
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name ? c.name : "(null)");
        EXPECT_EQ(qevsim_model_property_set(m, c.bit, c.name, c.value), 0);
    }
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
    m.play({{19, 5, {}, 1, {1}}});
    qevsim_model_set_output_active(m, QEV_OUT_LCD, 0);
    m.play({{19, 5, {}, 1, {0}, "SAMM ends with one output"}});
    EXPECT_EQ(qevsim_model_primary(m), unsigned(QEV_OUT_DVI));
    qevsim_model_set_output_active(m, QEV_OUT_HDMI, 1);
    EXPECT_EQ(qevsim_model_active(m), unsigned(QEV_OUT_DVI)) << "HDMI is not connected";
    qevsim_model_set_current_mode(m, QEV_OUT_DVI, 1280, 720, 60000);
    m.play({{24, 2, {}, 1, {1280, 720, 60}}});
}
