// The gamma ramp of one colour channel from its gamma, brightness and
// contrast (each 0.1 to 2.0, 1.0 neutral): the Gamma page's arithmetic.
// Kept apart so that the program and the tool share one copy.
#ifndef QEV_CLI_GAMMA_RAMP_H
#define QEV_CLI_GAMMA_RAMP_H

namespace qevcli {

void GammaRamp(float gamma, float brightness, float contrast, unsigned short ramp[256]);

} // namespace qevcli

#endif
