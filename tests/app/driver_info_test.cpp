// The driver-information file and the Info page's texts.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "Info_page.h"
#include "common.h"
#include "qevtest/qevtest.h"

namespace {

const char kInfoFile[] = "/etc/X11/.Z7UtilityINFO";

// Missing or not a regular file (a FIFO with no writer must not block the
// start-up): an empty record. A short file fills only its own slots; an
// unterminated one stays within each slot.
TEST(DriverInfoFile, LoadFillsOnlyWhatTheFileHolds)
{
    ASSERT_TRUE(qevtest::in_sandbox()) << "needs the scratch /etc/X11";
    std::string slot0 = "QEV Aurora A100";
    slot0.resize(QEV_INFO_SLOT_SIZE, '\0');
    const std::string x99(QEV_INFO_SLOT_SIZE - 1, 'x');
    // contents: "fifo", "dir", "missing" or the file's bytes; slots: the first ones, the rest are empty
    const struct { const char *what; std::string contents; int loaded; std::vector<std::string> slots; } cases[] = {
        {"missing", "missing", 0, {}},
        {"fifo", "fifo", 0, {}},
        {"directory", "dir", 0, {}},
        {"cut inside slot 1", slot0 + "01.0", 1, {"QEV Aurora A100", "01.0"}},
        {"no terminator", std::string(900, 'x'), 1, {x99, x99, x99, x99, x99, x99, x99}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        if (c.contents == "fifo") {
            ASSERT_EQ(0, mkfifo(kInfoFile, 0644));
        } else if (c.contents == "dir") {
            ASSERT_EQ(0, mkdir(kInfoFile, 0755));
        } else if (c.contents != "missing") {
            ASSERT_TRUE(qevtest::write_file(kInfoFile, c.contents));
        }
        DriverInfoRecord rec;
        memset(&rec, 0x5a, sizeof rec);  // stale content must not survive a load
        EXPECT_EQ(c.loaded, LoadDriverInfoFromFile(&rec));
        for (int i = 0; i < QEV_INFO_SLOT_COUNT; ++i)
            EXPECT_EQ(i < int(c.slots.size()) ? c.slots[i] : "",
                      std::string(rec.chText[i], strnlen(rec.chText[i], QEV_INFO_SLOT_SIZE))) << i;
        unlink(kInfoFile);
        rmdir(kInfoFile);
    }
}

TEST(InfoTexts, FormatsLiveValues)
{
    const int version[2] = {1, 10}, date[3] = {2009, 12, 31};  // reply order
    const int zeros2[2] = {}, zeros3[3] = {};
    EXPECT_EQ("01.0a [12/31/2009]", FormatBiosText(version, date));
    EXPECT_EQ("00.00 [0/0/0]", FormatBiosText(zeros2, zeros3));
    const int v[4] = {4, 1, 20, 7}, missing[4] = {255, 255, 255, 255}, old[4] = {255, 255, 255, 254},
              failed[4] = {255, 255, 255, 9};
    EXPECT_EQ("qevsim_drv.so    4.1.20.03", FormatDriverText(1, "qevsim_drv.so", v, 3));
    EXPECT_EQ("qevfb.ko   4.1.20.03", FormatDriverText(2, "qevfb.ko", v, 3));
    EXPECT_EQ("qevfb.ko  Not installed.", FormatDriverText(2, "qevfb.ko", missing, 0));
    EXPECT_EQ("qevfb.ko Old than 4.1.x0.62", FormatDriverText(2, "qevfb.ko", old, 0));
    EXPECT_EQ("qevfb.ko Failed to get", FormatDriverText(2, "qevfb.ko", failed, 0));
    EXPECT_EQ(99u, FormatDriverText(1, std::string(300, 'n').c_str(), v, 3).size());  // every text fits a slot
    EXPECT_STREQ("QEV Meridian M500", ChipNameForId(0x7A1C));  // two ids, one name
    EXPECT_EQ(nullptr, ChipNameForId(0x7A07));
}

}  // namespace
