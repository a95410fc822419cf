#include "overlay_scheme.h"

#include <cstdio>
#include <cstring>

char g_chOverlaySchemeFormat[] = "HU:%d SA:%d BR:%d CO:%d";

OverlaySchemeRecord MakeOverlaySchemeRecord(const char *name, const int values[OVERLAY_COUNT])
{
    OverlaySchemeRecord record{};
    snprintf(record.chName, sizeof record.chName, "%s", name ? name : "");
    snprintf(record.chValues, sizeof record.chValues, g_chOverlaySchemeFormat, values[OVERLAY_HUE],
             values[OVERLAY_SATURATION], values[OVERLAY_BRIGHTNESS], values[OVERLAY_CONTRAST]);
    return record;
}

void ParseOverlayValues(const OverlaySchemeRecord &record, int values[OVERLAY_COUNT])
{
    int read[OVERLAY_COUNT] = {kOverlayDefaultValue, kOverlayDefaultValue, kOverlayDefaultValue,
                               kOverlayDefaultValue};
    char text[sizeof record.chValues];
    memcpy(text, record.chValues, sizeof text);
    text[sizeof text - 1] = '\0';
    sscanf(text, g_chOverlaySchemeFormat, &read[0], &read[1], &read[2], &read[3]);
    for (int k = 0; k < OVERLAY_COUNT; ++k)
        values[k] = read[k] < 0 ? 0 : (read[k] > 255 ? 255 : read[k]);
}

std::string OverlayRecordToBytes(const OverlaySchemeRecord &record)
{
    return std::string(reinterpret_cast<const char *>(&record), sizeof record);
}

OverlaySchemeRecord OverlayRecordFromBytes(const std::string &bytes)
{
    OverlaySchemeRecord record{};
    memcpy(&record, bytes.data(), bytes.size() < sizeof record ? bytes.size() : sizeof record);
    record.chName[sizeof record.chName - 1] = '\0';
    record.chValues[sizeof record.chValues - 1] = '\0';
    return record;
}
