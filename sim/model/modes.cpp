// Display modes of the outputs and their timings.
#include <algorithm>
#include <cmath>

#include "model_internal.h"

namespace qevsim {

namespace {

constexpr unsigned P = QEVSIM_MODE_PHSYNC | QEVSIM_MODE_PVSYNC;
constexpr unsigned N = QEVSIM_MODE_NHSYNC | QEVSIM_MODE_NVSYNC;
constexpr unsigned NP = QEVSIM_MODE_NHSYNC | QEVSIM_MODE_PVSYNC;

struct KnownTiming {
    int w, h, hz;
    QevSimModeTiming t;
};

// VESA DMT and CEA-861 timings of the modes the outputs offer.
constexpr KnownTiming kKnown[] = {
    {640, 480, 60, {25175, 640, 656, 752, 800, 480, 490, 492, 525, N}},
    {640, 480, 75, {31500, 640, 656, 720, 840, 480, 481, 484, 500, N}},
    {720, 480, 60, {27000, 720, 736, 798, 858, 480, 489, 495, 525, N}},
    {720, 576, 50, {27000, 720, 732, 796, 864, 576, 581, 586, 625, N}},
    {800, 600, 60, {40000, 800, 840, 968, 1056, 600, 601, 605, 628, P}},
    {800, 600, 75, {49500, 800, 816, 896, 1056, 600, 601, 604, 625, P}},
    {800, 600, 85, {56250, 800, 832, 896, 1048, 600, 601, 604, 631, P}},
    {1024, 768, 60, {65000, 1024, 1048, 1184, 1344, 768, 771, 777, 806, N}},
    {1024, 768, 75, {78750, 1024, 1040, 1136, 1312, 768, 769, 772, 800, P}},
    {1024, 768, 85, {94500, 1024, 1072, 1168, 1376, 768, 769, 772, 808, P}},
    {1280, 720, 60, {74250, 1280, 1390, 1430, 1650, 720, 725, 730, 750, P}},
    {1280, 768, 60, {79500, 1280, 1344, 1472, 1664, 768, 771, 778, 798, NP}},
    {1280, 800, 60, {83500, 1280, 1352, 1480, 1680, 800, 803, 809, 831, NP}},
    {1280, 1024, 60, {108000, 1280, 1328, 1440, 1688, 1024, 1025, 1028, 1066, P}},
    {1280, 1024, 75, {135000, 1280, 1296, 1440, 1688, 1024, 1025, 1028, 1066, P}},
    {1366, 768, 60, {85500, 1366, 1436, 1579, 1792, 768, 771, 774, 798, P}},
    {1400, 1050, 60, {121750, 1400, 1488, 1632, 1864, 1050, 1053, 1057, 1089, NP}},
    {1600, 1200, 60, {162000, 1600, 1664, 1856, 2160, 1200, 1201, 1204, 1250, P}},
    {1680, 1050, 60, {146250, 1680, 1784, 1960, 2240, 1050, 1053, 1059, 1089, NP}},
    {1920, 1080, 60, {148500, 1920, 2008, 2052, 2200, 1080, 1084, 1089, 1125, P}},
};

// CVT (standard blanking) for modes without a published timing.
QevSimModeTiming cvt_timing(int w, int h, int hz) {
    const double kMinVsyncBp = 550.0;  // microseconds
    const int kFrontPorch = 3, kMinBackPorch = 6, kCellGran = 8;
    int hdisplay = w - w % kCellGran;
    int vsync;
    if (h * 4 == w * 3)
        vsync = 4;
    else if (h * 16 == w * 9)
        vsync = 5;
    else if (h * 16 == w * 10)
        vsync = 6;
    else if (h * 5 == w * 4 || h * 15 == w * 9)
        vsync = 7;
    else
        vsync = 10;
    double hperiod = (1000000.0 / hz - kMinVsyncBp) / (h + kFrontPorch);
    int vsync_bp = int(kMinVsyncBp / hperiod) + 1;
    if (vsync_bp < vsync + kMinBackPorch)
        vsync_bp = vsync + kMinBackPorch;
    int vtotal = h + vsync_bp + kFrontPorch;
    double blank_pct = 30.0 - 300.0 * hperiod / 1000.0;
    if (blank_pct < 20.0)
        blank_pct = 20.0;
    int hblank = int(hdisplay * blank_pct / (100.0 - blank_pct));
    hblank -= hblank % (2 * kCellGran);
    int htotal = hdisplay + hblank;
    int hsync_end = hdisplay + hblank / 2;
    int hsync_w = int(htotal * 8 / 100.0);
    hsync_w -= hsync_w % kCellGran;
    int clock = int(htotal * 1000.0 / hperiod);
    clock -= clock % 250;
    QevSimModeTiming t{};
    t.clock_khz = clock;
    t.hdisplay = hdisplay;
    t.hsync_end = hsync_end;
    t.hsync_start = hsync_end - hsync_w;
    t.htotal = htotal;
    t.vdisplay = h;
    t.vsync_start = h + kFrontPorch;
    t.vsync_end = t.vsync_start + vsync;
    t.vtotal = vtotal;
    t.flags = NP;
    return t;
}

const std::vector<ModeDef> kCrtModes = {{1280, 1024, 60}, {1280, 1024, 75}, {1024, 768, 60}, {1024, 768, 75},
                                        {1024, 768, 85},  {800, 600, 60},   {800, 600, 75},  {640, 480, 60}};
const std::vector<ModeDef> kDigitalModes = {{1920, 1080, 60}, {1680, 1050, 60}, {1280, 1024, 60}, {1280, 720, 60},
                                            {1024, 768, 60},  {800, 600, 60},   {640, 480, 60}};
const std::vector<ModeDef> kTvModes = {{640, 480, 60}, {720, 480, 60}, {720, 576, 50}, {800, 600, 60}};
const std::vector<ModeDef> kHdtvModes = {{1280, 720, 60}, {1920, 1080, 60}, {720, 480, 60}, {720, 576, 50}};
const std::vector<ModeDef> kPanelSmaller = {{1024, 768, 60}, {800, 600, 60}, {640, 480, 60}};

}  // namespace

std::vector<ModeDef> mode_list(const State &s, unsigned bit) {
    int i = bit_index(bit);
    if (i < 0)
        return {};
    if (s.modes_custom[i])
        return s.modes[i];
    switch (bit) {
    case QEV_OUT_CRT:
    case QEV_OUT_CRT2: return kCrtModes;
    case QEV_OUT_TV:
    case QEV_OUT_TV2: return kTvModes;
    case QEV_OUT_HDTV:
    case QEV_OUT_HDTV2: return kHdtvModes;
    case QEV_OUT_LCD:
    case QEV_OUT_LCD2: {
        int p = bit == QEV_OUT_LCD ? 0 : 1;
        std::vector<ModeDef> l = {{s.panel_w[p], s.panel_h[p], 60}};
        for (const auto &m : kPanelSmaller)
            if (m.w <= s.panel_w[p] && m.h <= s.panel_h[p] && !(m.w == s.panel_w[p] && m.h == s.panel_h[p]))
                l.push_back(m);
        return l;
    }
    default: return kDigitalModes;
    }
}

bool mode_timing(int w, int h, int hz, QevSimModeTiming *out) {
    if (w <= 0 || h <= 0 || hz <= 0)
        return false;
    for (const auto &k : kKnown)
        if (k.w == w && k.h == h && k.hz == hz) {
            *out = k.t;
            return true;
        }
    *out = cvt_timing(w, h, hz);
    return true;
}

int timing_refresh_mhz(const QevSimModeTiming &t) {
    return int(std::lround(double(t.clock_khz) * 1e6 / (double(t.htotal) * double(t.vtotal))));
}

std::vector<UnionMode> mode_union(const State &s) {
    std::vector<UnionMode> u;
    for (int i = 0; i < kOutputCount; i++) {
        unsigned bit = 1u << i;
        if (!(s.supported & bit))
            continue;
        for (const auto &m : mode_list(s, bit)) {
            auto it = std::find_if(u.begin(), u.end(), [&](const UnionMode &x) { return x.w == m.w && x.h == m.h; });
            if (it == u.end()) {
                u.push_back({m.w, m.h, {}});
                it = u.end() - 1;
            }
            if (std::find(it->rates.begin(), it->rates.end(), m.hz) == it->rates.end())
                it->rates.push_back(m.hz);
        }
    }
    for (auto &m : u) {
        std::sort(m.rates.begin(), m.rates.end());
        if (m.rates.size() > 10)
            m.rates.resize(10);
    }
    std::sort(u.begin(), u.end(), [](const UnionMode &a, const UnionMode &b) {
        return a.w != b.w ? a.w < b.w : a.h < b.h;
    });
    return u;
}

void current_mode(const State &s, unsigned bit, int *w, int *h, int *mhz) {
    *w = *h = *mhz = 0;
    int i = bit_index(bit);
    if (i < 0)
        return;
    if (s.cur_w[i] > 0) {
        *w = s.cur_w[i];
        *h = s.cur_h[i];
        *mhz = s.cur_mhz[i];
        return;
    }
    auto l = mode_list(s, bit);
    if (l.empty())
        return;
    QevSimModeTiming t;
    mode_timing(l[0].w, l[0].h, l[0].hz, &t);
    *w = l[0].w;
    *h = l[0].h;
    *mhz = timing_refresh_mhz(t);
}

}  // namespace qevsim
