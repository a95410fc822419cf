// Profiles, Device options, modes and the JSON dump.
#include <dirent.h>
#include <unistd.h>

#include <vector>

#include "model_fixture.h"
#include "qev/commands.h"
#include "qev/family.h"
#include "qev/outputs.h"

namespace {

// Loads text as a profile from a temporary file; returns "" or the error
// message (and the file's name in *path).
std::string load(Model &m, const std::string &text, std::string *path = nullptr) {
    char tmpl[] = "/tmp/qevsim-profile-XXXXXX";
    int fd = mkstemp(tmpl);
    EXPECT_GE(fd, 0);
    EXPECT_EQ(write(fd, text.data(), text.size()), ssize_t(text.size()));
    close(fd);
    if (path)
        *path = tmpl;
    char err[256] = "";
    bool ok = qevsim_model_load_profile(m, tmpl, err, sizeof err);
    unlink(tmpl);
    return ok ? "" : err;
}

}  // namespace

TEST(Profile, ShippedProfilesLoadAndDefaultMirrorsTheBuiltIn) {
    std::vector<std::string> names;
    DIR *d = opendir(QEVSIM_PROFILE_DIR);
    ASSERT_NE(d, nullptr);
    while (dirent *e = readdir(d)) {
        std::string n = e->d_name;
        if (n.size() > 5 && n.substr(n.size() - 5) == ".conf")
            names.push_back(n);
    }
    closedir(d);
    EXPECT_GE(names.size(), 8u);
    for (const auto &n : names) {
        SCOPED_TRACE(n);
        Model m(n);
    }
    Model builtin, file("default.conf");
    EXPECT_EQ(builtin.dump(), file.dump());
}

TEST(Profile, ErrorsNameFileLineAndKey) {
    struct Case {
        const char *text;
        const char *message;  // after "FILE:"
    };
    const Case cases[] = {
        {"# comment\n\nchip = M300\nbogus = 1\n", "4: key 'bogus': unknown key"},
        {"memory_mb = 4096\n", "1: key 'memory_mb': bad value: expected an integer 1..4095"},
        {"chip = M300\n  chip=M310\n", "2: key 'chip': duplicate key (first given on line 1)"},
        {"supported CRT\n", "1: key 'supported CRT': missing '='"},
        {"panning =\n", "1: key 'panning': empty value"},
        {"active = CRT,DVI\n", "1: key 'active': output not connected"},
        {"connected = CRT,LCD,TV,DVI,HDMI\nactive = CRT,LCD,TV\n", "2: key 'active': more than two outputs"},
        {"tv.tv.standard = 720P\n", "1: key 'tv.tv.standard': not in tv.tv.standards"},
        {"tv.tv.size_max = 4,4\ntv.tv.size = 5,4\n", "2: key 'tv.tv.size': exceeds tv.tv.size_max"},
        {"driver.1.name = 0123456789012345678901234567890123\n",
         "1: key 'driver.1.name': bad value: expected 1 to 32 bytes of text"},
        {"modes.crt = 1024x768\n", "1: key 'modes.crt': bad value: expected WIDTHxHEIGHT@HZ[,...]"},
        {"primary = TV\n", "1: key 'primary': output not active"},
    };
    for (const auto &c : cases) {
        Model m;
        std::string before = m.dump(), path;
        std::string err = load(m, c.text, &path);
        EXPECT_EQ(err, path + ":" + c.message);
        EXPECT_EQ(m.dump(), before) << "a refused profile changes nothing";
    }
    Model m;
    char err[128];
    EXPECT_EQ(qevsim_model_load_profile(m, "/nonexistent/x.conf", err, sizeof err), 0);
    EXPECT_EQ(std::string(err).rfind("/nonexistent/x.conf:0: key '': cannot open", 0), 0u);
    char small[8];
    EXPECT_EQ(qevsim_model_set_key(m, "nope", "1", small, sizeof small), 0);
    EXPECT_STREQ(small, "key 'no");
}

TEST(Profile, InheritedValuesFollowNewLimits) {
    Model m;
    EXPECT_EQ(load(m, "supported = CRT,DVI\nconnected = CRT\n"), "");
    EXPECT_EQ(qevsim_model_active(m), unsigned(QEV_OUT_CRT));
    EXPECT_EQ(qevsim_model_primary(m), unsigned(QEV_OUT_CRT));
    EXPECT_EQ(load(m, "tv.tv.size_max = 2,2\n"), "");
    char err[128];
    ASSERT_EQ(qevsim_model_set_key(m, "supported", "CRT,TV", err, sizeof err), 1) << err;
    m.cmd(QEV_TV_GROUP_TV, 8);
    EXPECT_EQ(m.out(0), 2);
}

TEST(Profile, RunTimeKeysJudgeTheCurrentState) {
    Model m;
    qevsim_model_set_connected(m, QEV_OUT_DVI, 1);
    char err[128] = "";
    ASSERT_EQ(qevsim_model_set_key(m, "active", "DVI,CRT", err, sizeof err), 1) << err;
    EXPECT_EQ(qevsim_model_active(m), unsigned(QEV_OUT_CRT | QEV_OUT_DVI));
    EXPECT_EQ(qevsim_model_primary(m), unsigned(QEV_OUT_DVI));
    EXPECT_EQ(qevsim_model_set_key(m, "active", "HDMI", err, sizeof err), 0);
    EXPECT_STREQ(err, "key 'active': output not connected");
}

TEST(Profile, ProfileValuesAreTheDefaults) {
    Model m("all-outputs.conf");
    ASSERT_EQ(m.cmd(QEV_TV_GROUP_TV2, 3, {QEV_TVSTD_NTSC}), 1);
    ASSERT_EQ(m.cmd(QEV_TV_GROUP_TV2, 3, {65535}), 1);
    m.cmd(QEV_TV_GROUP_TV2, 2);
    EXPECT_EQ(m.out(0), QEV_TVSTD_PAL);
}

TEST(Options, ActiveDeviceAndTv) {
    Model m("tv-hdtv.conf");
    char err[128] = "";
    ASSERT_EQ(qevsim_model_apply_option(m, "ActiveDevice", "LCD, CRT", err, sizeof err), 1) << err;
    EXPECT_EQ(qevsim_model_active(m), unsigned(QEV_OUT_CRT | QEV_OUT_LCD));
    EXPECT_EQ(qevsim_model_primary(m), unsigned(QEV_OUT_LCD));

    // "TV" names the HDTV output while the encoder runs an HDTV standard.
    ASSERT_EQ(qevsim_model_apply_option(m, "TVType", "PAL", err, sizeof err), 1) << err;
    ASSERT_EQ(qevsim_model_apply_option(m, "ActiveDevice", "CRT,TV", err, sizeof err), 1) << err;
    EXPECT_EQ(qevsim_model_active(m), unsigned(QEV_OUT_CRT | QEV_OUT_TV));
    ASSERT_EQ(qevsim_model_apply_option(m, "TVType", "1080I", err, sizeof err), 1) << err;
    EXPECT_EQ(qevsim_model_active(m), unsigned(QEV_OUT_CRT | QEV_OUT_HDTV));
    m.cmd(QEV_TV_GROUP_HDTV, 2);
    EXPECT_EQ(m.out(0), QEV_TVSTD_1080I);
    ASSERT_EQ(qevsim_model_apply_option(m, "TV_Output", "RGB", err, sizeof err), 1) << err;
    m.cmd(QEV_TV_GROUP_HDTV, 5);
    EXPECT_EQ(m.out(0), QEV_TVSIG_RGB);
    EXPECT_EQ(qevsim_model_apply_option(m, "TVOutput", "S-Video", err, sizeof err), 0)
        << "HDTV has no S-Video";

    ASSERT_EQ(qevsim_model_apply_option(m, "RotateType", "SW", err, sizeof err), 1);
    ASSERT_EQ(qevsim_model_apply_option(m, "Rotate", "CCW", err, sizeof err), 1);
    m.cmd(24, 4);
    EXPECT_EQ(m.out(0), 1);
    EXPECT_EQ(m.out(1), 2);

    std::string before = m.dump();
    EXPECT_EQ(qevsim_model_apply_option(m, "ActiveDevice", "CRT, DVI", err, sizeof err), 0);
    EXPECT_STREQ(err, "option \"ActiveDevice\": output 'DVI' not connected");
    EXPECT_EQ(qevsim_model_apply_option(m, "ActiveDevice", "CRT,LCD,HDTV", err, sizeof err), 0);
    EXPECT_EQ(qevsim_model_apply_option(m, "TVType", "SECAM", err, sizeof err), 0);
    EXPECT_EQ(qevsim_model_apply_option(m, "Rotate", "sideways", err, sizeof err), 0);
    EXPECT_EQ(qevsim_model_apply_option(m, "Frobnicate", "1", err, sizeof err), 0);
    EXPECT_EQ(m.dump(), before);
}

TEST(Modes, PreferredFirstAndExactTimings) {
    Model m;
    QevSimMode mode;
    ASSERT_EQ(qevsim_model_mode_get(m, QEV_OUT_CRT, 0, &mode), 1);
    EXPECT_EQ(mode.width, 1280);
    EXPECT_EQ(mode.height, 1024);
    ASSERT_EQ(qevsim_model_mode_get(m, QEV_OUT_LCD, 0, &mode), 1);
    EXPECT_EQ(mode.width, 1280);
    EXPECT_EQ(mode.height, 800);
    for (int i = 0; i < qevsim_model_mode_count(m, QEV_OUT_LCD); i++) {
        ASSERT_EQ(qevsim_model_mode_get(m, QEV_OUT_LCD, i, &mode), 1);
        EXPECT_LE(mode.width, 1280);
        EXPECT_LE(mode.height, 800);
    }
    EXPECT_EQ(qevsim_model_mode_get(m, QEV_OUT_LCD, 99, &mode), 0);
    EXPECT_EQ(qevsim_model_mode_count(m, 0x3), 0);

    // 1024x768@60 is the VESA mode: 65 MHz, 1344 x 806, 60.004 Hz.
    bool found = false;
    for (int i = 0; i < qevsim_model_mode_count(m, QEV_OUT_CRT); i++) {
        QevSimModeTiming t;
        ASSERT_EQ(qevsim_model_mode_timing(m, QEV_OUT_CRT, i, &t), 1);
        qevsim_model_mode_get(m, QEV_OUT_CRT, i, &mode);
        EXPECT_LT(t.hdisplay, t.hsync_start);
        EXPECT_LT(t.hsync_start, t.hsync_end);
        EXPECT_LT(t.hsync_end, t.htotal);
        EXPECT_LT(t.vsync_end, t.vtotal);
        if (mode.width == 1024 && mode.refresh_mhz / 1000 == 60) {
            found = true;
            EXPECT_EQ(t.clock_khz, 65000);
            EXPECT_EQ(t.htotal, 1344);
            EXPECT_EQ(t.vtotal, 806);
            EXPECT_EQ(t.hsync_start, 1048);
            EXPECT_EQ(mode.refresh_mhz, 60004);
        }
    }
    EXPECT_TRUE(found);

    // A mode without a published timing gets a CVT one near its rate.
    char err[128];
    ASSERT_EQ(qevsim_model_set_key(m, "modes.dvi", "1440x900@60,1024x600@60", err, sizeof err), 1) << err;
    for (int i = 0; i < 2; i++) {
        QevSimModeTiming t;
        ASSERT_EQ(qevsim_model_mode_timing(m, QEV_OUT_DVI, i, &t), 1);
        qevsim_model_mode_get(m, QEV_OUT_DVI, i, &mode);
        EXPECT_NEAR(mode.refresh_mhz, 60000, 500) << i;
        EXPECT_GT(t.htotal, t.hsync_end);
    }
}

TEST(Dump, StableAndComplete) {
    Model a, b;
    std::string j = a.dump();
    EXPECT_EQ(j, b.dump());
    EXPECT_EQ(j, a.dump());
    EXPECT_EQ(j.rfind("{\"chip_id\":31242,\"chip_index\":10,", 0), 0u) << j.substr(0, 60);
    for (const char *key : {"\"gamma\":[", "\"tv\":{\"tv\":{", "\"hdtv2\":", "\"outputs\":{\"CRT\":",
                            "\"drivers\":[", "\"sync_count\":0}"})
        EXPECT_NE(j.find(key), std::string::npos) << key;
    a.cmd(18, 3);
    EXPECT_NE(a.dump(), j);
}
