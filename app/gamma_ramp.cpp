#include "gamma_ramp.h"

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <locale.h>

const char g_chSchemeSaveFormat[] = "GR:%.2f GG:%.2f GB:%.2f BR:%.2f BG:%.2f BB:%.2f CR:%.2f CG:%.2f CB:%.2f";
const char g_chSchemeParseFormat[] = "GR:%f GG:%f GB:%f BR:%f BG:%f BB:%f CR:%f CG:%f CB:%f";

namespace {

// The settings text is written and read with a decimal point whatever the
// user's locale (GTK sets LC_NUMERIC from the environment).
class CNumericLocale {
public:
    CNumericLocale() : c_(newlocale(LC_NUMERIC_MASK, "C", nullptr)), old_(c_ ? uselocale(c_) : nullptr) {}
    ~CNumericLocale()
    {
        if (c_) {
            uselocale(old_);
            freelocale(c_);
        }
    }

private:
    locale_t c_;
    locale_t old_;
};

float ClampParameter(float v)
{
    if (!(v >= kGammaMinParameter))  // also not a number
        return kGammaMinParameter;
    return v > kGammaMaxParameter ? kGammaMaxParameter : v;
}

uint16_t ReadLe16(const std::string &bytes, size_t at)
{
    return static_cast<uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                 (static_cast<unsigned char>(bytes[at + 1]) << 8));
}

void WriteLe16(std::string &bytes, size_t at, uint16_t v)
{
    bytes[at] = static_cast<char>(v & 0xff);
    bytes[at + 1] = static_cast<char>(v >> 8);
}

uint32_t Rgb(int r, int g, int b)
{
    return (static_cast<uint32_t>(r) << 16) | (static_cast<uint32_t>(g) << 8) | static_cast<uint32_t>(b);
}

constexpr int kLevel75 = 255 * 75 / 100;  // 191

// A polyline from (10, 127) through the entries 0 to 254, one point per
// column (the first entry reaching it), to (167, 10).
void DrawCurve(GammaPreview *preview, const uint16_t ramp[256], uint32_t colour)
{
    constexpr int kLeft = GammaPreview::kX, kBottom = GammaPreview::kY + GammaPreview::kAreaHeight;
    int lastX = kLeft, lastY = kBottom;
    for (int i = 0; i < 255; ++i) {
        int x = kLeft + i * GammaPreview::kAreaWidth / 255;
        int y = kBottom - ramp[i] * GammaPreview::kAreaHeight / 255;
        if (x == lastX)
            continue;
        preview->Line(lastX, lastY, x, y, colour);
        lastX = x;
        lastY = y;
    }
    preview->Line(lastX, lastY, kLeft + GammaPreview::kAreaWidth, GammaPreview::kY, colour);
}

void DrawCurves(GammaPreview *preview, GammaPageState *state)
{
    constexpr int kX = GammaPreview::kX, kY = GammaPreview::kY;
    constexpr int kW = GammaPreview::kAreaWidth, kH = GammaPreview::kAreaHeight;
    preview->Fill(kX, kY, kW, kH, 0xffffff);
    for (int k = 1; k <= 7; ++k) {
        int x = kX + kW * k / 8;
        preview->Line(x, kY, x, kY + kH - 1, 0);
        int y = kY + kH * k / 8;
        preview->Line(kX, y, kX + kW - 1, y, 0);
    }
    CalcGammaRampData(state);
    if (state->wChannelMask == kGammaAllChannels) {
        DrawCurve(preview, state->wRamp[GAMMA_RED], 0);
        return;
    }
    DrawCurve(preview, state->wRamp[GAMMA_RED], 0xff0000);
    DrawCurve(preview, state->wRamp[GAMMA_GREEN], 0x00ff00);
    DrawCurve(preview, state->wRamp[GAMMA_BLUE], 0x0000ff);
}

}  // namespace

int CalcOneValueI(int i, float gamma, float brightness, float contrast)
{
    double x = i / 255.0;
    double g = gamma > 1 ? 1 + 2 * (static_cast<double>(gamma) - 1) : static_cast<double>(gamma);
    double p = pow(x, 1 / g);
    return static_cast<int>(p * 255 + 0.005) + static_cast<int>((static_cast<double>(brightness) - 1) * 150) +
           static_cast<int>((static_cast<double>(contrast) - 1) * 150 * x);
}

void CalcOneRamp(uint16_t ramp[256], float gamma, float brightness, float contrast)
{
    for (int i = 0; i < 256; ++i) {
        int v = CalcOneValueI(i, gamma, brightness, contrast);
        v = v < 0 ? 0 : (v > 255 ? 255 : v);
        if (i > 0 && v < ramp[0])
            v = ramp[0];
        ramp[i] = static_cast<uint16_t>(v);
    }
}

void CalcGammaRampData(GammaPageState *state)
{
    for (int c = GAMMA_RED; c <= GAMMA_BLUE; ++c)
        CalcOneRamp(state->wRamp[c], state->fGamma[c], state->fBrightness[c], state->fContrast[c]);
}

int CalibrateChannelToComboIndex(unsigned mask)
{
    switch (mask) {
    case 1: return 1;
    case 2: return 2;
    case 4: return 3;
    default: return 0;
    }
}

unsigned ComboIndexToCalibrateChannel(unsigned index)
{
    switch (index) {
    case 1: return 1;
    case 2: return 2;
    case 3: return 4;
    default: return kGammaAllChannels;
    }
}

void CopySchemeRecord(SchemeRecord *destination, const SchemeRecord *source, const GammaPageState *state)
{
    if (source) {
        memmove(destination, source, sizeof *destination);
        return;
    }
    if (!state)
        return;
    memset(destination, 0, sizeof *destination);
    snprintf(destination->chName, sizeof destination->chName, "%s", state->chSchemeName);
    {
        CNumericLocale c;
        snprintf(destination->chSettings, sizeof destination->chSettings, g_chSchemeSaveFormat, state->fGamma[0],
                 state->fGamma[1], state->fGamma[2], state->fBrightness[0], state->fBrightness[1],
                 state->fBrightness[2], state->fContrast[0], state->fContrast[1], state->fContrast[2]);
    }
    destination->wImageIndex = state->wImageIndex;
    destination->wChannelIndex = static_cast<uint16_t>(CalibrateChannelToComboIndex(state->wChannelMask));
}

void ParseSchemeSettings(const char *text, GammaPageState *state)
{
    float *const targets[9] = {&state->fGamma[0],      &state->fGamma[1],      &state->fGamma[2],
                               &state->fBrightness[0], &state->fBrightness[1], &state->fBrightness[2],
                               &state->fContrast[0],   &state->fContrast[1],   &state->fContrast[2]};
    float values[9];
    for (int k = 0; k < 9; ++k)
        values[k] = *targets[k];
    int matched;
    {
        CNumericLocale c;
        matched = sscanf(text, g_chSchemeParseFormat, &values[0], &values[1], &values[2], &values[3], &values[4],
                         &values[5], &values[6], &values[7], &values[8]);
    }
    for (int k = 0; k < matched && k < 9; ++k)
        *targets[k] = ClampParameter(values[k]);
}

std::string SchemeRecordToBytes(const SchemeRecord &record)
{
    std::string bytes(sizeof record, '\0');
    memcpy(bytes.data(), record.chName, sizeof record.chName);
    memcpy(bytes.data() + 256, record.chSettings, sizeof record.chSettings);
    WriteLe16(bytes, 512, record.wImageIndex);
    WriteLe16(bytes, 514, record.wChannelIndex);
    return bytes;
}

SchemeRecord SchemeRecordFromBytes(const std::string &bytes)
{
    SchemeRecord record{};
    std::string full = bytes;
    full.resize(sizeof record, '\0');
    memcpy(record.chName, full.data(), sizeof record.chName);
    memcpy(record.chSettings, full.data() + 256, sizeof record.chSettings);
    record.chName[sizeof record.chName - 1] = '\0';
    record.chSettings[sizeof record.chSettings - 1] = '\0';
    record.wImageIndex = ReadLe16(full, 512);
    record.wChannelIndex = ReadLe16(full, 514);
    if (record.wImageIndex >= GAMMA_IMAGE_COUNT)
        record.wImageIndex = GAMMA_IMAGE_CALIBRATION;
    if (record.wChannelIndex > 3)
        record.wChannelIndex = 0;
    return record;
}

bool GammaSliderToParameter(float value, float *parameter)
{
    double quotient = static_cast<double>(value) / 100;
    if (static_cast<float>(quotient) <= kGammaMinParameter) {
        *parameter = kGammaMinParameter;
        return true;
    }
    *parameter = ClampParameter(static_cast<float>(quotient));
    return false;
}

void StoreGammaParameter(GammaPageState *state, float parameter)
{
    float *family = nullptr;
    switch (state->dwLastSlider) {
    case GAMMA_SLIDER_GAMMA: family = state->fGamma; break;
    case GAMMA_SLIDER_BRIGHTNESS: family = state->fBrightness; break;
    case GAMMA_SLIDER_CONTRAST: family = state->fContrast; break;
    default: return;
    }
    for (int c = GAMMA_RED; c <= GAMMA_BLUE; ++c)
        if (state->wChannelMask & (1u << c))
            family[c] = parameter;
}

std::array<double, 3> GammaSliderPositions(const GammaPageState &state, unsigned channelIndex)
{
    // "Link RGB" shows the red gamma, the green brightness and the blue contrast.
    int g = GAMMA_RED, b = GAMMA_GREEN, c = GAMMA_BLUE;
    if (channelIndex >= 1 && channelIndex <= 3)
        g = b = c = static_cast<int>(channelIndex) - 1;
    return {100.0 * state.fGamma[g], 100.0 * state.fBrightness[b], 100.0 * state.fContrast[c]};
}

void SetGammaDefaults(GammaPageState *state)
{
    for (int c = GAMMA_RED; c <= GAMMA_BLUE; ++c) {
        for (int i = 0; i < 256; ++i)
            state->wRamp[c][i] = static_cast<uint16_t>(i);
        state->fGamma[c] = state->fBrightness[c] = state->fContrast[c] = 1.0f;
    }
    state->dwLastSlider = GAMMA_SLIDER_NONE;
    state->chSchemeName[0] = '\0';
    state->wChannelMask = kGammaAllChannels;
}

void GammaPreview::Clear()
{
    rgb.fill(0);
    drawn.fill(0);
}

void GammaPreview::Put(int x, int y, uint32_t colour)
{
    x -= kX;
    y -= kY;
    if (x < 0 || y < 0 || x >= kWidth || y >= kHeight)
        return;
    rgb[static_cast<size_t>(y * kWidth + x)] = colour;
    drawn[static_cast<size_t>(y * kWidth + x)] = 1;
}

void GammaPreview::Fill(int x, int y, int width, int height, uint32_t colour)
{
    for (int row = y; row < y + height; ++row)
        for (int column = x; column < x + width; ++column)
            Put(column, row, colour);
}

void GammaPreview::Line(int x0, int y0, int x1, int y1, uint32_t colour)
{
    int dx = abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
    int dy = -abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
    int error = dx + dy;
    for (;;) {
        Put(x0, y0, colour);
        if (x0 == x1 && y0 == y1)
            break;
        int e2 = 2 * error;
        if (e2 >= dy) {
            error += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            error += dx;
            y0 += sy;
        }
    }
}

long GammaPreview::At(int x, int y) const
{
    x -= kX;
    y -= kY;
    if (x < 0 || y < 0 || x >= kWidth || y >= kHeight || !drawn[static_cast<size_t>(y * kWidth + x)])
        return -1;
    return rgb[static_cast<size_t>(y * kWidth + x)];
}

bool RenderGammaPreview(int index, GammaPageState *state, GammaPreview *preview)
{
    constexpr int kX = GammaPreview::kX, kY = GammaPreview::kY;
    constexpr int kW = GammaPreview::kAreaWidth, kH = GammaPreview::kAreaHeight;
    preview->Clear();
    preview->Fill(kX, kY, kW, kH, 0);
    // Solid fills of images 5 to 12.
    static const uint32_t kSolid[] = {Rgb(kLevel75, kLevel75, kLevel75), Rgb(255, 255, 255), Rgb(kLevel75, 0, 0),
                                      Rgb(255, 0, 0), Rgb(0, kLevel75, 0), Rgb(0, 255, 0), Rgb(0, 0, kLevel75),
                                      Rgb(0, 0, 255)};
    switch (index) {
    case GAMMA_IMAGE_CURVES:
        DrawCurves(preview, state);
        return true;
    case 2:  // RGB colour map
        for (int r = 0; r < 16; ++r)
            for (int c = 0; c < 16; ++c) {
                int red = 255 - 17 * r - 16 * c;
                preview->Fill(kX + kW * c / 16, kY + kH * r / 16, 10, 8, Rgb(red > 0 ? red : 0, 16 * c, 17 * r));
            }
        return true;
    case 3:  // RGB colour ramps: red, green, blue, grey
        for (int row = 0; row < 4; ++row)
            for (int k = 0; k <= 32; ++k) {
                int level = 8 * k > 255 ? 255 : 8 * k;
                uint32_t colour = row == 3 ? Rgb(level, level, level) : static_cast<uint32_t>(level) << (8 * (2 - row));
                preview->Fill(kX + kW * k / 33, kY + kH * row / 4, 5, 29, colour);
            }
        return true;
    case 4: {  // colour bars at 75 %
        constexpr int L = kLevel75;
        static const uint32_t kBars[] = {Rgb(L, L, L), Rgb(L, L, 0), Rgb(0, L, L), Rgb(0, L, 0),
                                         Rgb(L, 0, L), Rgb(L, 0, 0), Rgb(0, 0, L), Rgb(0, 0, 0)};
        for (int k = 0; k < 8; ++k)
            preview->Fill(kX + 19 * k, kY, 20, kH, kBars[k]);
        return true;
    }
    default:
        if (index >= 5 && index <= 12) {
            preview->Fill(kX, kY, kW, kH, kSolid[index - 5]);
            return true;
        }
        return false;  // the calibration picture
    }
}
