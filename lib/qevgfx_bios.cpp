// Adapter information: chip identifiers, BIOS version and date, video memory.
#include "qev/commands.h"
#include "qev/family.h"
#include "qev/fb.h"
#include "qevgfx_internal.h"

namespace {

int GetChipID(int *id) { return qev::QueryWord(QEV_CMD_GetChipID_GROUP, QEV_CMD_GetChipID_FN, id); }
int GetTVChipID(int *id) { return qev::QueryWord(QEV_CMD_GetTVChipID_GROUP, QEV_CMD_GetTVChipID_FN, id); }
int GetVideoMemSizeMB(int *mb) {
    return qev::QueryWord(QEV_CMD_GetVideoMemSizeMB_GROUP, QEV_CMD_GetVideoMemSizeMB_FN, mb);
}
int GetBIOSVersion(int version[2]) {
    return InputCommand(QEV_CMD_GetBIOSVersion_GROUP, QEV_CMD_GetBIOSVersion_FN, 0, nullptr, QEV_CMD_GetBIOSVersion_OUT,
                        version);
}
int GetBIOSDate(int date[3]) {
    return InputCommand(QEV_CMD_GetBIOSDate_GROUP, QEV_CMD_GetBIOSDate_FN, 0, nullptr, QEV_CMD_GetBIOSDate_OUT, date);
}

bool ReadChipInfo(unsigned char (&block)[QEV_CHIPINFO_SIZE]) {
    std::memset(block, 0, sizeof block);
    return qev::FbRequest(QEV_FB_ChipInfo, block);
}

// One word of the chip-information block.
int FbChipInfoWord(size_t offset, int *out) {
    return qev::FbRecordWord(QEV_FB_ChipInfo, QEV_CHIPINFO_SIZE, offset, reinterpret_cast<uint32_t *>(out));
}

} // namespace

extern "C" QEVGFX_API_EXPORT int QEVGFX_Info_GetChipID(int *id) {
    if (id == nullptr)
        return 0;
    if (qev::OnX())
        return GetChipID(id);
    if (qev::OnFb()) {
        unsigned char block[QEV_CHIPINFO_SIZE];
        if (!ReadChipInfo(block))
            return 0;
        switch (qev::GetLE32(block + QEV_CHIPINFO_INDEX)) {
#define QEV_CHIP_ROW_(index, chip) \
    case index:                    \
        *id = chip;                \
        break;
            QEV_CHIP_INDEX_TABLE(QEV_CHIP_ROW_)
#undef QEV_CHIP_ROW_
        default:
            break; // an index without a row leaves the identifier as it was
        }
        return 1;
    }
    return 0;
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_Info_GetTVChipID(int *id) {
    return qev::RouteQuery(id, GetTVChipID, [](int *out) { return FbChipInfoWord(QEV_CHIPINFO_TVCHIP, out); });
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_Info_GetTVChipOnSlot(int *slot) {
    if (slot == nullptr || !qev::OnFb())
        return 0;
    return FbChipInfoWord(QEV_CHIPINFO_TVSLOT, slot);
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_Info_GetBiosVersion(int version[2]) {
    if (version == nullptr || !qev::OnX())
        return 0;
    return GetBIOSVersion(version);
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_Info_GetBiosDate(int date[3]) {
    if (date == nullptr || !qev::OnX())
        return 0;
    return GetBIOSDate(date);
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_Info_GetVideoMemSize(int *megabytes) {
    if (megabytes == nullptr)
        return 0;
    if (qev::OnX())
        return GetVideoMemSizeMB(megabytes);
    if (qev::OnFb()) {
        unsigned char info[16] = {};
        if (!qev::FbRequest(QEV_FB_MemoryInfo, info))
            return 0;
        uint32_t bytes = qev::GetLE32(info + 4) + qev::GetLE32(info + 8);
        *megabytes = int(bytes >> 20);
        return 1;
    }
    return 0;
}

extern "C" QEVGFX_API_EXPORT int QEVGFX_Info_GetUtilityAPIVersion(int *major, int *minor) {
    if (major != nullptr)
        *major = 1;
    if (minor != nullptr)
        *minor = 1;
    return 1;
}
