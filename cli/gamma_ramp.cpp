#include "gamma_ramp.h"

#include <algorithm>
#include <cmath>

namespace qevcli {

void GammaRamp(float gamma, float brightness, float contrast, unsigned short ramp[256]) {
    // The upper half of the gamma range acts twice as strongly (2.0 -> 3.0).
    const double g = gamma > 1.0f ? 1.0 + 2.0 * (double(gamma) - 1.0) : double(gamma);
    int first = 0;
    for (int i = 0; i < 256; ++i) {
        const double x = i / 255.0;
        const double p = std::pow(x, 1.0 / g);
        int value = int(p * 255.0 + 0.005) + int((double(brightness) - 1.0) * 150.0) +
                    int((double(contrast) - 1.0) * 150.0 * x);
        value = std::clamp(value, 0, 255);
        if (i == 0)
            first = value;
        else if (value < first) // no entry below the first
            value = first;
        ramp[i] = static_cast<unsigned short>(value);
    }
}

} // namespace qevcli
