// The QEVGFX_API commands of the model: dispatch, round trips, refusals.
#include <vector>

#include "model_fixture.h"
#include "qev/commands.h"
#include "qev/family.h"
#include "qev/outputs.h"

namespace {

struct Row {
    unsigned group, fn, in, out;
    const char *name;
};
#define QEV_ROW_(g, f, i, o, n) {g, f, i, o, #n},
const Row kRows[] = {QEV_COMMAND_TABLE(QEV_ROW_)};
#undef QEV_ROW_
#define QEV_TVROW_(f, i, o, n) {0, f, i, o, #n},
const Row kTvRows[] = {QEV_TV_COMMAND_TABLE(QEV_TVROW_)};
#undef QEV_TVROW_

// Valid inputs for a fixed-group command in the default profile.
std::vector<int32_t> inputs_for(unsigned g, unsigned f) {
    const int32_t lcd = QEV_OUT_LCD;
    if (g == 18 && (f == 1 || f == 2)) return {1};
    if (g == 19 && f == 4) return {QEV_OUT_CRT | QEV_OUT_LCD};
    if (g == 19 && f == 9) return {1};
    if (g == 20 && f == 4) return {0, 0, 0, lcd, 1};
    if (g == 20 && (f == 8 || f == 11)) return {5, 5, lcd};
    if (g == 20) return {lcd};
    if (g == 22 && f == 3) {
        std::vector<int32_t> t(256);
        for (int i = 0; i < 256; i++) t[size_t(i)] = i | i << 8 | i << 16;
        return t;
    }
    if (g == 24 && f == 3) return {QEV_OUT_CRT};
    if (g == 24 && f == 5) return {2, 8};
    return {0};
}

int run(Model &m, unsigned g, unsigned f, const std::vector<int32_t> &in) {
    std::memset(&m.block, 0, sizeof m.block);
    m.block.group = g;
    m.block.function = f;
    for (size_t i = 0; i < in.size(); i++) m.block.input[i] = in[i];
    qevsim_model_command(m, &m.block);
    return m.block.status;
}

// Valid inputs for a TV function of group g, read from the group itself.
std::vector<int32_t> tv_inputs(Model &m, unsigned g, unsigned f) {
    switch (f) {
    case 3: m.cmd(g, 2); return {m.out(0)};
    case 6: m.cmd(g, 5); return {m.out(0)};
    case 9: case 12: return {2, 2};
    case 14: case 15: return {0x4};
    case 16: return {0x4, 10};
    case 18: return {0x8};
    case 19: return {0x8, 1};
    default: return {0};
    }
}

void expect_tv_rows_answer(Model &m, unsigned group) {
    for (const Row &r : kTvRows) {
        EXPECT_NE(run(m, group, r.fn, tv_inputs(m, group, r.fn)), 0) << group << "/" << r.fn << " " << r.name;
        for (unsigned i = r.out; i < 256; i++)
            ASSERT_EQ(m.block.output[i], 0) << group << "/" << r.fn << " word " << i;
    }
}

}  // namespace

TEST(Commands, EveryTableRowAnswersInTheDefaultProfile) {
    Model m;
    for (const Row &r : kRows) {
        EXPECT_NE(run(m, r.group, r.fn, inputs_for(r.group, r.fn)), 0) << r.group << "/" << r.fn << " " << r.name;
        // Words beyond the command's count stay 0 (the driver name is 8 words).
        for (unsigned i = r.out; i < 256; i++)
            ASSERT_EQ(m.block.output[i], 0) << r.group << "/" << r.fn << " word " << i;
    }
    expect_tv_rows_answer(m, QEV_TV_GROUP_TV);
    expect_tv_rows_answer(m, QEV_TV_GROUP_HDTV);
}

TEST(Commands, EveryTvGroupAnswersWithAllOutputs) {
    Model m("all-outputs.conf");
#define QEV_G_(g) expect_tv_rows_answer(m, g);
    QEV_TV_GROUP_LIST(QEV_G_)
#undef QEV_G_
}

TEST(Commands, UnknownCodesAndAbsentOutputsAnswerZero) {
    Model m;
    const unsigned unknown[][2] = {{17, 6}, {18, 5}, {19, 6}, {19, 7}, {20, 1}, {21, 20}, {22, 4},
                                   {24, 6}, {16, 1}, {27, 1}, {0, 0},  {25, 1}, {26, 2}};
    for (const auto &c : unknown) {
        EXPECT_EQ(m.cmd(c[0], c[1], {1}), 0) << c[0] << "/" << c[1];
        EXPECT_EQ(m.out(0), 0);
    }
    EXPECT_EQ(m.cmd(18, 1, {3}), 0) << "component 3 is not installed";
    EXPECT_EQ(m.cmd(20, 2, {QEV_OUT_CRT}), 0) << "the CRT is no panel";
    EXPECT_EQ(m.cmd(20, 6, {QEV_OUT_TV}), 0) << "TV sizes are the TV group's";
}

TEST(Commands, AdapterInformation) {
    Model m;
    ASSERT_EQ(m.cmd(17, 1), 1);
    EXPECT_EQ(m.out(0), QEV_CHIP_M400);
    ASSERT_EQ(m.cmd(17, 3), 1);
    EXPECT_EQ(m.out(0), 2026);  // year, month, day
    ASSERT_EQ(m.cmd(18, 1, {1}), 1);
    EXPECT_STREQ(reinterpret_cast<const char *>(m.block.output), "qevsim_drv.so");
    ASSERT_EQ(m.cmd(18, 2, {2}), 1);
    EXPECT_EQ(m.out(0), 255);
    EXPECT_EQ(m.out(3), 255);
    ASSERT_EQ(m.cmd(18, 4), 1);
    EXPECT_EQ(m.out(0), 0x10 | 0x2 | 0x80);
}

TEST(Commands, DriverNameOfThirtyTwoBytesHasNoTerminator) {
    Model m("long-driver-name.conf");
    ASSERT_EQ(m.cmd(18, 1, {1}), 1);
    const char *text = reinterpret_cast<const char *>(m.block.output);
    EXPECT_EQ(std::string(text, 32), "qevsim_display_driver_module.so0");
    EXPECT_EQ(m.out(8), 0);
}

TEST(Commands, ActiveMaskRules) {
    Model m;
    // Not connected, three outputs, none, unsupported: refused, unchanged.
    for (int32_t bad : std::initializer_list<int32_t>{QEV_OUT_DVI, QEV_OUT_CRT | QEV_OUT_LCD | QEV_OUT_TV, 0, QEV_OUT_CRT2, 0x2000}) {
        EXPECT_EQ(m.cmd(19, 4, {bad}), 0) << bad;
        m.cmd(19, 3);
        EXPECT_EQ(m.out(0), QEV_OUT_CRT | QEV_OUT_LCD);
    }
    ASSERT_EQ(m.cmd(19, 4, {QEV_OUT_LCD}), 1);
    m.cmd(19, 3);
    EXPECT_EQ(m.out(0), QEV_OUT_LCD);
    m.cmd(19, 13);
    EXPECT_EQ(m.out(0), QEV_OUT_LCD) << "the primary follows the active outputs";
    m.cmd(19, 11);
    EXPECT_EQ(m.out(0), 0) << "one output is no clone pair";
    ASSERT_EQ(m.cmd(19, 4, {QEV_OUT_LCD | QEV_OUT_TV}), 1);
    m.cmd(19, 11);
    EXPECT_EQ(m.out(0), 1);

    Model hd("tv-hdtv.conf");
    EXPECT_EQ(hd.cmd(19, 4, {QEV_OUT_TV | QEV_OUT_HDTV}), 0) << "one encoder, two outputs";
}

TEST(Commands, PanelViewAndExpansion) {
    Model m;
    const int32_t lcd = QEV_OUT_LCD;
    ASSERT_EQ(m.cmd(20, 2, {lcd}), 1);
    EXPECT_EQ(m.out(0), 9);  // 1280x800
    EXPECT_EQ(m.out(1), 1280);
    EXPECT_EQ(m.out(2), 800);

    ASSERT_EQ(m.cmd(20, 8, {4, 6, lcd}), 1);
    m.cmd(20, 7, {lcd});
    EXPECT_EQ(m.out(0), 4);
    EXPECT_EQ(m.out(1), 6);
    EXPECT_EQ(m.cmd(20, 8, {11, 6, lcd}), 0) << "above the maximum";
    EXPECT_EQ(m.cmd(20, 8, {-1, 6, lcd}), 0);
    m.cmd(20, 7, {lcd});
    EXPECT_EQ(m.out(0), 4);
    ASSERT_EQ(m.cmd(20, 11, {65535, 65535, lcd}), 1) << "65535 asks for the default";
    m.cmd(20, 10, {lcd});
    EXPECT_EQ(m.out(0), 10);
    ASSERT_EQ(m.cmd(20, 11, {3, 65535, QEV_OUT_HDMI}), 1) << "every non-TV output has a view";

    // Expansion takes the panel in input 3 (a set holding it will do).
    ASSERT_EQ(m.cmd(20, 4, {0, 0, 0, QEV_OUT_CRT | QEV_OUT_LCD, 1}), 1);
    m.cmd(20, 3);
    EXPECT_EQ(m.out(0), 1);
    EXPECT_EQ(m.cmd(20, 4, {0, 0, 0, QEV_OUT_CRT, 0}), 0);
    EXPECT_EQ(m.cmd(20, 4, {0, 0, 0, lcd, 2}), 0);
    m.cmd(20, 3);
    EXPECT_EQ(m.out(0), 1);
}

TEST(Commands, TvValuesRoundTripAndRefusals) {
    Model m;
    const unsigned g = QEV_TV_GROUP_TV;
    ASSERT_EQ(m.cmd(g, 3, {QEV_TVSTD_PAL}), 1);
    EXPECT_EQ(m.cmd(g, 3, {QEV_TVSTD_720P}), 0) << "an HDTV standard of group 21";
    EXPECT_EQ(m.cmd(g, 3, {QEV_TVSTD_NTSC | QEV_TVSTD_PAL}), 0);
    m.cmd(g, 2);
    EXPECT_EQ(m.out(0), QEV_TVSTD_PAL);
    ASSERT_EQ(m.cmd(g, 3, {65535}), 1);
    m.cmd(g, 2);
    EXPECT_EQ(m.out(0), QEV_TVSTD_NTSC);

    ASSERT_EQ(m.cmd(g, 9, {5, 6}), 1);
    EXPECT_EQ(m.cmd(g, 9, {8, 6}), 0);
    m.cmd(g, 8);
    EXPECT_EQ(m.out(0), 5);
    EXPECT_EQ(m.out(1), 6);

    ASSERT_EQ(m.cmd(g, 16, {0x4, 80}), 1);
    EXPECT_EQ(m.cmd(g, 16, {0x4, 101}), 0);
    EXPECT_EQ(m.cmd(g, 16, {0x1, 2}), 0) << "flicker filter modes are 0, 1, 3";
    EXPECT_EQ(m.cmd(g, 16, {0x6, 1}), 0) << "one item per call";
    m.cmd(g, 15, {0x4});
    EXPECT_EQ(m.out(0), 80);
    m.cmd(g, 14, {0x1});
    EXPECT_EQ(m.out(0), 3);

    // Setting items 0x1 / 0x2 and tuning item 0x1 are one flicker filter mode.
    ASSERT_EQ(m.cmd(g, 19, {0x2, 1}), 1);
    m.cmd(g, 15, {0x1});
    EXPECT_EQ(m.out(0), 1);
    m.cmd(g, 18, {0x1});
    EXPECT_EQ(m.out(0), 0);
    ASSERT_EQ(m.cmd(g, 19, {0x2, 0}), 1);
    m.cmd(g, 15, {0x1});
    EXPECT_EQ(m.out(0), 0);
    EXPECT_EQ(m.cmd(g, 19, {0x4, 5}), 0);

    // The HDTV group has its own state and no flicker filter.
    EXPECT_EQ(m.cmd(QEV_TV_GROUP_HDTV, 15, {0x1}), 0);
    ASSERT_EQ(m.cmd(QEV_TV_GROUP_HDTV, 3, {QEV_TVSTD_1080I}), 1);
    m.cmd(g, 2);
    EXPECT_EQ(m.out(0), QEV_TVSTD_NTSC);
}

TEST(Commands, GammaTable) {
    Model m;
    std::vector<int32_t> t(256);
    for (int i = 0; i < 256; i++) t[size_t(i)] = (255 - i) << 16 | i << 8 | i;
    ASSERT_EQ(run(m, 22, 3, t), 1);
    ASSERT_EQ(m.cmd(22, 2), 1);
    EXPECT_EQ(m.out(0), 0xff0000);
    EXPECT_EQ(m.out(255), 0x00ffff);
    t[7] = 0x1000000;  // a red level of 256
    EXPECT_EQ(run(m, 22, 3, t), 0);
    m.cmd(22, 2);
    EXPECT_EQ(m.out(7), 248 << 16 | 7 << 8 | 7);

    Model none("minimal-crt.conf");
    ASSERT_EQ(none.cmd(22, 1), 1);
    EXPECT_EQ(none.out(0), 0);
    EXPECT_EQ(none.cmd(22, 2), 0);
}

TEST(Commands, ModeListEndsWith4095) {
    Model m;
    int index = 0;
    bool saw_1024 = false;
    for (; index < 100; index++) {
        ASSERT_EQ(m.cmd(24, 1, {index}), 1);
        if (m.out(0) == 4095) break;
        EXPECT_EQ(m.out(0), index + 1);
        ASSERT_GE(m.out(3), 1);
        ASSERT_LE(m.out(3), 10);
        if (m.out(1) == 1024 && m.out(2) == 768) {
            saw_1024 = true;
            EXPECT_EQ(m.out(3), 3);
            EXPECT_EQ(m.out(4), 60);
            EXPECT_EQ(m.out(5), 75);
            EXPECT_EQ(m.out(6), 85);
            EXPECT_EQ(m.out(7), 0);
        }
    }
    EXPECT_TRUE(saw_1024);
    EXPECT_GT(index, 5);
    EXPECT_EQ(m.cmd(24, 1, {-1}), 1);
    EXPECT_EQ(m.out(0), 4095);

    ASSERT_EQ(m.cmd(24, 2), 1);  // the primary CRT's preferred mode
    EXPECT_EQ(m.out(0), 1280);
    EXPECT_EQ(m.out(1), 1024);
    EXPECT_EQ(m.out(2), 60);
}

TEST(Commands, Rotation) {
    Model m;
    ASSERT_EQ(m.cmd(24, 5, {1, 4}), 1);
    m.cmd(24, 4);
    EXPECT_EQ(m.out(0), 1);
    EXPECT_EQ(m.out(1), 4);
    EXPECT_EQ(m.cmd(24, 5, {3, 4}), 0);
    EXPECT_EQ(m.cmd(24, 5, {2, 3}), 0);
    EXPECT_EQ(m.cmd(24, 3, {QEV_OUT_CRT2}), 0) << "not supported";
    qevsim_model_set_rotation(m, 2);
    m.cmd(24, 4);
    EXPECT_EQ(m.out(1), 2);
}
