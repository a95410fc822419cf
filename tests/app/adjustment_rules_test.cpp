// Arithmetic of the adjustment windows and the TV list tables, without a window.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Adjustment_rules.h"
#include "qev/outputs.h"

TEST(AdjustmentRules, PadArrows)
{
    struct Case { unsigned current, maximum; bool decrease, increase; } cases[] = {
        {5, 0, false, false},  // failed maximum: nothing to move
        {0, 0, false, false},  {30, 30, true, false}, {1, 30, false, true},
        {15, 30, true, true},  {1, 1, true, false},   // at the maximum first
        {0, 30, true, true},   // failed current read
        {65535, 65535, true, false},
    };
    for (const Case &c : cases) {
        ArrowPair a = PadArrowState(c.current, c.maximum);
        EXPECT_EQ(c.decrease, a.decrease) << c.current << "/" << c.maximum;
        EXPECT_EQ(c.increase, a.increase) << c.current << "/" << c.maximum;
    }
}

TEST(AdjustmentRules, Clicks)
{
    const AdjustPair kMax{100, 50};
    struct Case { bool size; int code; AdjustPair current; bool half; AdjustPair expect; } cases[] = {
        {false, PAD_LEFT, {1, 7}, false, {1, 7}},       {false, PAD_LEFT, {0, 7}, false, {1, 7}},
        {false, PAD_LEFT, {9, 7}, false, {8, 7}},       {false, PAD_RIGHT, {100, 7}, false, {100, 7}},
        {false, PAD_RIGHT, {15, 7}, false, {16, 7}},    {false, PAD_RIGHT, {0xffffffffu, 7}, false, {100, 7}},
        {false, PAD_UP, {3, 50}, false, {3, 50}},       {false, PAD_DOWN, {3, 1}, false, {3, 1}},
        {false, PAD_CENTER, {3, 3}, false, {65535, 65535}}, {false, PAD_CENTER, {3, 3}, true, {50, 25}},
        {true, PAD_LEFT, {1, 1}, false, {1, 1}},        {true, PAD_LEFT, {0, 0}, false, {0, 0}},
        {true, PAD_DOWN, {4, 4}, false, {4, 3}},        {true, PAD_UP, {4, 49}, false, {4, 50}},
        {true, PAD_CENTER, {4, 4}, true, {65535, 65535}},
    };
    for (const Case &c : cases) {
        AdjustPair got = c.size ? ClickSize(c.code, c.current, kMax) : ClickPosition(c.code, c.current, kMax, c.half);
        EXPECT_EQ(c.expect.h, got.h) << (c.size ? "size " : "position ") << c.code << " " << c.current.h;
        EXPECT_EQ(c.expect.v, got.v) << (c.size ? "size " : "position ") << c.code << " " << c.current.v;
    }
    // A maximum of 0 never lets a click raise the value.
    EXPECT_EQ(0u, ClickPosition(PAD_RIGHT, {0, 0}, {0, 0}, false).h);
}

TEST(AdjustmentRules, PreviewSample)
{
    struct Case { AdjustPair position, maximum; int x, y; } cases[] = {
        {{1, 1}, {30, 30}, 10, 40},    {{30, 30}, {30, 30}, 60, 10},  {{15, 15}, {30, 30}, 34, 25},
        {{2, 2}, {3, 3}, 35, 25},
        {{1, 1}, {1, 1}, 35, 25},      // maximum 1: centred, no division by zero
        {{0, 0}, {0, 0}, 35, 25},      {{0, 99}, {30, 30}, 10, 10}, // outside 1..max: the nearest end
        {{65535, 1}, {65535, 2}, 60, 40},
    };
    for (const Case &c : cases) {
        PreviewPoint p = PreviewSamplePosition(c.position, c.maximum);
        EXPECT_EQ(c.x, p.x) << c.position.h << "/" << c.maximum.h;
        EXPECT_EQ(c.y, p.y) << c.position.v << "/" << c.maximum.v;
    }
}

TEST(AdjustmentRules, Sliders)
{
    EXPECT_DOUBLE_EQ(50.0, TuningPercent(50, 100));
    EXPECT_DOUBLE_EQ(0.0, TuningPercent(50, 0));  // a maximum of 0 shows 0
    EXPECT_DOUBLE_EQ(0.0, TuningPercent(7, -1));
    struct Case { unsigned item; double slider; int maximum, expect; } cases[] = {
        {4, 50, 255, 127}, {4, 99, 255, 252}, {32, 0, 255, 0},  {8, 50, 0, 0},
        {1, 7, 7, 7},      {1, 3.9, 7, 3},    {2, 100, 7, 7},   {16, 33, 65535, 21626},
    };
    for (const Case &c : cases)
        EXPECT_EQ(c.expect, TuningValueFromSlider(c.item, c.slider, c.maximum)) << c.item << " " << c.slider;
}

TEST(AdjustmentRules, Scale)
{
    struct PadCase { double scale; unsigned pad; } pads[] = {
        {0.5, 1}, {1.0, 6}, {1.5, 11}, {0.7999999, 4}, {1.26, 9}, {0.4, 0}, {2.0, 0}, {0.0, 0}};
    for (const PadCase &p : pads)
        EXPECT_EQ(p.pad, ScaleToPadValue(p.scale)) << p.scale;

    ScalePair s;  // 1.0, 1.0
    for (int i = 0; i < 5; ++i)
        s = StepScale(PAD_LEFT, s);
    EXPECT_DOUBLE_EQ(0.5, s.h);
    EXPECT_DOUBLE_EQ(0.5, StepScale(PAD_LEFT, s).h);  // never below 0.5
    for (int i = 0; i < 12; ++i)
        s = StepScale(PAD_UP, s);
    EXPECT_DOUBLE_EQ(1.5, s.v);  // never above 1.5
    EXPECT_DOUBLE_EQ(0.6, StepScale(PAD_RIGHT, s).h);
    EXPECT_DOUBLE_EQ(1.4, StepScale(PAD_DOWN, s).v);
    ScalePair centre = StepScale(PAD_CENTER, s);
    EXPECT_DOUBLE_EQ(1.0, centre.h);
    EXPECT_DOUBLE_EQ(1.0, centre.v);
}

TEST(AdjustmentRules, OutputChoices)
{
    for (unsigned output : {QEV_OUT_CRT, QEV_OUT_CRT2, QEV_OUT_DVI, QEV_OUT_DVI2, QEV_OUT_DP, QEV_OUT_DP2,
                            QEV_OUT_HDMI})
        EXPECT_TRUE(UsesHDMIWindow(output)) << output;
    for (unsigned output : {0x2u, 0x80u, 0u})
        EXPECT_FALSE(UsesHDMIWindow(output)) << output;
}
