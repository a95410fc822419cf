/* Arithmetic of the TV, panel and HDMI adjustment windows, without GTK: which
 * arrows of a pad are enabled, what a click sends, where the preview sample
 * goes, how sliders map to driver values and how the RandR scale steps. */
#ifndef QEV_APP_ADJUSTMENT_RULES_H
#define QEV_APP_ADJUSTMENT_RULES_H

#include <cstdint>
#include <vector>

/* Codes of the pad arrows, as the click functions take them. */
enum PadCode { PAD_LEFT = 1, PAD_RIGHT = 2, PAD_UP = 3, PAD_DOWN = 4, PAD_CENTER = 5 };

/* The value that asks the driver for its own default. */
constexpr unsigned kDriverDefault = 65535;

struct AdjustPair {
    unsigned h = 0, v = 0;
};

/* One direction of a pad: the decreasing arrow (Left, Down) and the increasing
 * one (Right, Up). A maximum of 0 disables both; the current value at the
 * maximum disables the increasing arrow; at 1, the decreasing one. */
struct ArrowPair {
    bool decrease = false, increase = false;
};
ArrowPair PadArrowState(unsigned current, unsigned maximum);

/* Position click: Left/Down lower by one but never below 1, Right/Up raise by
 * one up to the maximum. Center asks for the driver default, or with
 * `centreToHalf` (the TV encoder under RandR) for half the maximum. */
AdjustPair ClickPosition(int code, AdjustPair current, AdjustPair maximum, bool centreToHalf);
/* Size click: as a position click, except that a value of 1 (or a failed read
 * of 0) stays as it is on Left/Down, and Center is always the driver default. */
AdjustPair ClickSize(int code, AdjustPair current, AdjustPair maximum);

/* Top-left corner of the 90 x 75 sample inside the preview: x from 10 to 60 as
 * h goes from 1 to its maximum, y from 40 up to 10 as v goes from 1 to its
 * maximum. A maximum of 0 or 1 leaves the sample centred in that direction;
 * values outside 1..maximum are taken as the nearest end. */
struct PreviewPoint {
    int x = 0, y = 0;
};
PreviewPoint PreviewSamplePosition(AdjustPair position, AdjustPair maximum);

/* Slider position (0 to 100) for a tuning value; 0 when the maximum reads 0. */
double TuningPercent(int value, int maximum);
/* Driver value for a released slider: the slider value itself for the plain
 * flicker filter (item 1), otherwise maximum * slider / 100, truncated. */
int TuningValueFromSlider(unsigned item, double slider, int maximum);

/* Panel size pad under RandR: the scale in tenths from 0.5 to 1.5 shown as 1
 * to 11 (scales between tenths go to the nearest one; 0 outside the range). */
constexpr unsigned kPanelSizePadMax = 11;
unsigned ScaleToPadValue(double scale);
struct ScalePair {
    double h = 1.0, v = 1.0;
};
/* One click of the panel size pad under RandR: Left/Right step the horizontal
 * scale, Down/Up the vertical one, by 0.1 within 0.5..1.5; Center is 1.0, 1.0. */
ScalePair StepScale(int code, ScalePair scale);

/* Outputs adjusted in the HDMI window (CRT, DVI, DisplayPort, HDMI and their
 * second instances); every other output uses the panel window. */
bool UsesHDMIWindow(unsigned output);

#endif
