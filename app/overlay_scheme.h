/* The Video page's scheme record and its values text, without GTK. */
#ifndef QEV_APP_OVERLAY_SCHEME_H
#define QEV_APP_OVERLAY_SCHEME_H

#include <string>

/* Slider order of the values: hue, saturation, brightness, contrast. */
enum { OVERLAY_HUE = 0, OVERLAY_SATURATION = 1, OVERLAY_BRIGHTNESS = 2, OVERLAY_CONTRAST = 3, OVERLAY_COUNT = 4 };
constexpr int kOverlayDefaultValue = 128;

struct OverlaySchemeRecord {
    char chName[256];
    char chValues[256];
};
static_assert(sizeof(OverlaySchemeRecord) == 512, "the overlay scheme record is 512 bytes");

extern char g_chOverlaySchemeFormat[];

/* A record named `name` (cut to 255 bytes) with the four values. */
OverlaySchemeRecord MakeOverlaySchemeRecord(const char *name, const int values[OVERLAY_COUNT]);
/* Reads the four values of a record; a value the text does not give stays 128,
 * a value outside 0 to 255 is brought into it. */
void ParseOverlayValues(const OverlaySchemeRecord &record, int values[OVERLAY_COUNT]);

std::string OverlayRecordToBytes(const OverlaySchemeRecord &record);
/* Both texts come back NUL-terminated whatever the bytes hold. */
OverlaySchemeRecord OverlayRecordFromBytes(const std::string &bytes);

#endif
