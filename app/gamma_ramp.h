/* The Gamma page's arithmetic without GTK: its state and scheme record, the
 * lookup-table ramps, slider conversions and the preview images, computed as
 * pixels that the page then draws. */
#ifndef QEV_APP_GAMMA_RAMP_H
#define QEV_APP_GAMMA_RAMP_H

#include <array>
#include <cstdint>
#include <string>

enum { GAMMA_RED = 0, GAMMA_GREEN = 1, GAMMA_BLUE = 2 };
enum { GAMMA_SLIDER_NONE = 0, GAMMA_SLIDER_GAMMA = 1, GAMMA_SLIDER_BRIGHTNESS = 2, GAMMA_SLIDER_CONTRAST = 3 };
enum { GAMMA_IMAGE_CURVES = 0, GAMMA_IMAGE_CALIBRATION = 1, GAMMA_IMAGE_COUNT = 13 };
constexpr uint16_t kGammaAllChannels = 7;
constexpr float kGammaMinParameter = 0.1f;
constexpr float kGammaMaxParameter = 2.0f;

struct GammaPageState {
    float fSliderValue;
    uint16_t wChannelMask; /* 1 red, 2 green, 4 blue */
    uint32_t dwLastSlider;
    uint16_t wImageIndex;
    float fGamma[3];
    float fBrightness[3];
    float fContrast[3];
    char chSchemeName[256];
    uint16_t wRamp[3][256];
};

/* The scheme record as it lies in the scheme file (little-endian numbers). */
struct SchemeRecord {
    char chName[256];
    char chSettings[256];
    uint16_t wImageIndex;
    uint16_t wChannelIndex; /* 0 "Link RGB", 1 "Red", 2 "Green", 3 "Blue" */
};
static_assert(sizeof(SchemeRecord) == 516, "the gamma scheme record is 516 bytes");

extern const char g_chSchemeSaveFormat[];
extern const char g_chSchemeParseFormat[];

int CalcOneValueI(int i, float gamma, float brightness, float contrast);
void CalcOneRamp(uint16_t ramp[256], float gamma, float brightness, float contrast);
void CalcGammaRampData(GammaPageState *state);

int CalibrateChannelToComboIndex(unsigned mask);
unsigned ComboIndexToCalibrateChannel(unsigned index);

/* From a state (source null) or another record (state null). */
void CopySchemeRecord(SchemeRecord *destination, const SchemeRecord *source, const GammaPageState *state);
/* Parses the settings text into the nine parameters. A text that stops
 * matching leaves the rest as they were; values outside 0.1 to 2.0 (or not
 * numbers) are brought into that range. */
void ParseSchemeSettings(const char *text, GammaPageState *state);

/* The record's file bytes, and back. Reading terminates both texts, clamps
 * an image index past the list to the calibration image and a channel index
 * past 3 to "Link RGB". */
std::string SchemeRecordToBytes(const SchemeRecord &record);
SchemeRecord SchemeRecordFromBytes(const std::string &bytes);

/* A slider release: the parameter for adjustment value `value` (0 to 200).
 * True when it fell below 0.1 and was raised to it; the slider then moves to
 * 10.05. */
bool GammaSliderToParameter(float value, float *parameter);
/* Stores the parameter into the family of the last slider, for each channel
 * of the mask. */
void StoreGammaParameter(GammaPageState *state, float parameter);
/* The three slider positions (gamma, brightness, contrast) that show a state
 * for channel list index `channelIndex`. */
std::array<double, 3> GammaSliderPositions(const GammaPageState &state, unsigned channelIndex);
/* The neutral values: identity ramps, parameters 1.0, all channels, no
 * scheme name, last slider 0; the image index stays. */
void SetGammaDefaults(GammaPageState *state);

/* The preview: the screen area of the preview pixmap is 157 x 117 at 10, 10;
 * the curves end one pixel past it, so the image covers 158 x 118 and marks
 * which pixels were drawn. Colours are 0xRRGGBB. */
struct GammaPreview {
    static constexpr int kX = 10, kY = 10, kAreaWidth = 157, kAreaHeight = 117;
    static constexpr int kWidth = kAreaWidth + 1, kHeight = kAreaHeight + 1;
    std::array<uint32_t, kWidth * kHeight> rgb{};
    std::array<uint8_t, kWidth * kHeight> drawn{};

    void Clear();
    /* At pixmap coordinates; outside the image nothing happens. */
    void Put(int x, int y, uint32_t colour);
    void Fill(int x, int y, int width, int height, uint32_t colour);
    void Line(int x0, int y0, int x1, int y1, uint32_t colour);
    /* -1 where nothing was drawn. */
    long At(int x, int y) const;
};

/* Draws image `index` (ramps recomputed for the curves). False when the
 * index shows the calibration picture, whose top-left part the caller copies
 * over the black area. */
bool RenderGammaPreview(int index, GammaPageState *state, GammaPreview *preview);

#endif
