// The QEVGFX_API commands of the model as scripts: round trips, refusals and
// the values they compute. That every command of the table answers, on the
// wire as in the model, is the wire tests' (tests/sim_wire); view pairs and
// tuning values set, refused above their maximum and read back are
// lib_x_test's (XRoute), through the library into this model.
#include <vector>

#include "model_fixture.h"
#include "qev/commands.h"
#include "qev/outputs.h"

namespace {
constexpr int32_t kCrt = QEV_OUT_CRT, kLcd = QEV_OUT_LCD, kTv = QEV_OUT_TV;
constexpr unsigned kTvG = QEV_TV_GROUP_TV, kHdG = QEV_TV_GROUP_HDTV;
}  // namespace

TEST(Commands, ActiveOutputsAndAbsentOutputs) {
    Model m;
    m.play({
        {19, 4, {QEV_OUT_DVI}, 0, {}, "not connected"},
        {19, 4, {kCrt | kLcd | kTv}, 0, {}, "three outputs"},
        {19, 4, {0}, 0},
        {19, 4, {QEV_OUT_CRT2}, 0, {}, "not supported"},
        {19, 4, {0x2000}, 0},
        {19, 3, {}, 1, {kCrt | kLcd}, "unchanged"},
        {19, 4, {kLcd}, 1},
        {19, 3, {}, 1, {kLcd}},
        {19, 13, {}, 1, {kLcd}, "the primary follows the active outputs"},
        {19, 11, {}, 1, {0}, "one output is no clone pair"},
        {19, 4, {kLcd | kTv}, 1},
        {19, 11, {}, 1, {1}},
        {18, 1, {3}, 0, {0}, "component 3 is not installed"},
        {20, 2, {kCrt}, 0, {0}, "the CRT is no panel"},
        {20, 6, {kTv}, 0, {0}, "TV sizes are the TV group's"},
    });
    Model hd("tv-hdtv.conf");
    EXPECT_EQ(hd.cmd(19, 4, {kTv | QEV_OUT_HDTV}), 0) << "one encoder, two outputs";
}

TEST(Commands, PanelViewAndExpansion) {
    Model m;
    m.play({
        {20, 2, {kLcd}, 1, {9, 1280, 800}, "1280x800"},
        {20, 8, {-1, 6, kLcd}, 0, {}, "below the minimum"},
        {20, 11, {65535, 65535, kLcd}, 1, {}, "65535 asks for the default"},
        {20, 10, {kLcd}, 1, {10}},
        {20, 11, {3, 65535, QEV_OUT_HDMI}, 1, {}, "every non-TV output has a view"},
        {20, 4, {0, 0, 0, kCrt | kLcd, 1}, 1, {}, "expansion takes a set holding the panel in input 3"},
        {20, 3, {}, 1, {1}},
        {20, 4, {0, 0, 0, kCrt, 0}, 0},
        {20, 4, {0, 0, 0, kLcd, 2}, 0},
        {20, 3, {}, 1, {1}},
    });
}

TEST(Commands, TvValuesRoundTripAndRefusals) {
    Model m;
    m.play({
        {kTvG, 3, {QEV_TVSTD_PAL}, 1},
        {kTvG, 3, {QEV_TVSTD_720P}, 0, {}, "an HDTV standard of group 21"},
        {kTvG, 3, {QEV_TVSTD_NTSC | QEV_TVSTD_PAL}, 0},
        {kTvG, 2, {}, 1, {QEV_TVSTD_PAL}},
        {kTvG, 3, {65535}, 1, {}, "the profile's standard"},
        {kTvG, 2, {}, 1, {QEV_TVSTD_NTSC}},
        {kTvG, 16, {0x1, 2}, 0, {}, "flicker filter modes are 0, 1, 3"},
        {kTvG, 16, {0x6, 1}, 0, {}, "one item per call"},
        {kTvG, 14, {0x1}, 1, {3}},
        // Setting items 0x1 / 0x2 and tuning item 0x1 are one flicker filter mode.
        {kTvG, 19, {0x2, 1}, 1},
        {kTvG, 15, {0x1}, 1, {1}},
        {kTvG, 18, {0x1}, 1, {0}},
        {kTvG, 19, {0x2, 0}, 1},
        {kTvG, 15, {0x1}, 1, {0}},
        {kTvG, 19, {0x4, 5}, 0},
        {kHdG, 15, {0x1}, 0, {}, "the HDTV group has no flicker filter"},
        {kHdG, 3, {QEV_TVSTD_1080I}, 1},
        {kTvG, 2, {}, 1, {QEV_TVSTD_NTSC}, "the HDTV group has its own state"},
    });
    Model all("all-outputs.conf");
    all.play({
        {QEV_TV_GROUP_TV2, 3, {QEV_TVSTD_NTSC}, 1},
        {QEV_TV_GROUP_TV2, 3, {65535}, 1},
        {QEV_TV_GROUP_TV2, 2, {}, 1, {QEV_TVSTD_PAL}, "the profile's value is the default"},
    });
}

TEST(Commands, GammaTable) {
    Model m;
    std::vector<int32_t> t(256);
    for (int i = 0; i < 256; i++) t[size_t(i)] = (255 - i) << 16 | i << 8 | i;
    ASSERT_EQ(m.cmd(22, 3, t), 1);
    t[7] = 0x1000000;  // a red level of 256
    m.play({{22, 2, {}, 1, {0xff0000}}, {22, 3, t, 0}, {22, 2, {}, 1, {0xff0000}}});
    EXPECT_EQ(m.out(7), 248 << 16 | 7 << 8 | 7);
    EXPECT_EQ(m.out(255), 0x00ffff);
    Model none("minimal-crt.conf");
    none.play({{22, 1, {}, 1, {0}}, {22, 2, {}, 0}});
}

// Walking the mode list (identifiers, rates, the 4095 end) is lib_x_test's
// DisplayModesAndRotation, through the library and the wire into this model.
TEST(Commands, ModeListAndRotation) {
    Model m;
    m.play({
        {24, 1, {-1}, 1, {4095}},
        {24, 2, {}, 1, {1280, 1024, 60}, "the primary CRT's preferred mode"},
        {24, 5, {1, 4}, 1},
        {24, 4, {}, 1, {1, 4}},
        {24, 5, {3, 4}, 0},
        {24, 5, {2, 3}, 0},
        {24, 3, {QEV_OUT_CRT2}, 0, {}, "not supported"},
    });
    qevsim_model_set_rotation(m, 2);
    m.play({{24, 4, {}, 1, {1, 2}}});
}
