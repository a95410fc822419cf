#include "Adjustment_rules.h"

#include <algorithm>
#include <cmath>

#include "qev/outputs.h"

namespace {

unsigned Lower(unsigned c, bool keepLow)
{
    if (c > 1)
        return c - 1;
    return keepLow ? c : 1;
}

unsigned Raise(unsigned c, unsigned maximum)
{
    // Computed wide: a current value of 0xffffffff must not wrap to 0.
    return static_cast<unsigned>(std::min<uint64_t>(uint64_t(c) + 1, maximum));
}

AdjustPair Step(int code, AdjustPair c, AdjustPair m, bool keepLow)
{
    switch (code) {
    case PAD_LEFT: c.h = Lower(c.h, keepLow); break;
    case PAD_RIGHT: c.h = Raise(c.h, m.h); break;
    case PAD_UP: c.v = Raise(c.v, m.v); break;
    case PAD_DOWN: c.v = Lower(c.v, keepLow); break;
    default: break;
    }
    return c;
}

// Offset within `range` pixels for a value 1..maximum, growing with the value
// or, `reversed`, shrinking with it.
int PreviewOffset(unsigned value, unsigned maximum, int range, bool reversed)
{
    if (maximum <= 1)
        return range / 2;
    uint64_t clamped = std::clamp<uint64_t>(value, 1, maximum);
    uint64_t steps = reversed ? maximum - clamped : clamped - 1;
    return static_cast<int>(steps * range / (maximum - 1));
}

int ScaleTenths(double scale)
{
    return static_cast<int>(std::lround(scale * 10.0));
}

}  // namespace

ArrowPair PadArrowState(unsigned current, unsigned maximum)
{
    if (maximum == 0)
        return {false, false};
    if (current == maximum)
        return {true, false};
    if (current == 1)
        return {false, true};
    return {true, true};
}

AdjustPair ClickPosition(int code, AdjustPair current, AdjustPair maximum, bool centreToHalf)
{
    if (code == PAD_CENTER) {
        if (centreToHalf)
            return {maximum.h / 2, maximum.v / 2};
        return {kDriverDefault, kDriverDefault};
    }
    return Step(code, current, maximum, false);
}

AdjustPair ClickSize(int code, AdjustPair current, AdjustPair maximum)
{
    if (code == PAD_CENTER)
        return {kDriverDefault, kDriverDefault};
    return Step(code, current, maximum, true);
}

PreviewPoint PreviewSamplePosition(AdjustPair position, AdjustPair maximum)
{
    // x grows with h; y shrinks as v grows (the picture moves up).
    return {10 + PreviewOffset(position.h, maximum.h, 50, false), 10 + PreviewOffset(position.v, maximum.v, 30, true)};
}

double TuningPercent(int value, int maximum)
{
    if (maximum <= 0)
        return 0.0;
    return 100.0 * value / maximum;
}

int TuningValueFromSlider(unsigned item, double slider, int maximum)
{
    if (item == 1)
        return static_cast<int>(slider);
    return static_cast<int>(static_cast<double>(maximum) * slider / 100.0);
}

unsigned ScaleToPadValue(double scale)
{
    int tenths = ScaleTenths(scale);
    if (tenths < 5 || tenths > 15)
        return 0;
    return static_cast<unsigned>(tenths - 4);
}

ScalePair StepScale(int code, ScalePair scale)
{
    // Stepped in whole tenths so that repeated clicks land exactly on the ends.
    int h = ScaleTenths(scale.h), v = ScaleTenths(scale.v);
    switch (code) {
    case PAD_LEFT: h -= 1; break;
    case PAD_RIGHT: h += 1; break;
    case PAD_UP: v += 1; break;
    case PAD_DOWN: v -= 1; break;
    case PAD_CENTER: h = v = 10; break;
    default: break;
    }
    h = std::clamp(h, 5, 15);
    v = std::clamp(v, 5, 15);
    return {h / 10.0, v / 10.0};
}

bool UsesHDMIWindow(unsigned output)
{
    const unsigned hdmiSet =
        QEV_OUT_CRT | QEV_OUT_CRT2 | QEV_OUT_DVI | QEV_OUT_DVI2 | QEV_OUT_DP | QEV_OUT_DP2 | QEV_OUT_HDMI;
    return (output & hdmiSet) != 0;
}
