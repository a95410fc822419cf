// The driver-information file and the Info page's texts and caching rule.
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

// A file image: `texts` in the first slots, each NUL-padded to 100 bytes.
std::string Record(std::initializer_list<const char *> texts)
{
    std::string bytes;
    for (const char *t : texts) {
        std::string slot(t);
        slot.resize(QEV_INFO_SLOT_SIZE, '\0');
        bytes += slot;
    }
    return bytes;
}

class DriverInfoFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(qevtest::in_sandbox()) << "needs the scratch /etc/X11";
        unlink(kInfoFile);
        memset(&rec, 0x5a, sizeof rec);  // stale content must not survive a load
    }
    void TearDown() override { unlink(kInfoFile); }
    DriverInfoRecord rec;
};

}  // namespace

// Missing, or not a regular file (a FIFO with no writer must not block the
// start-up): an empty record.
TEST_F(DriverInfoFile, MissingOrNotRegularFileLeavesAnEmptyRecord)
{
    for (const char *kind : {"missing", "fifo", "directory"}) {
        SCOPED_TRACE(kind);
        if (std::string(kind) == "fifo") {
            ASSERT_EQ(0, mkfifo(kInfoFile, 0644));
        } else if (std::string(kind) == "directory") {
            ASSERT_EQ(0, mkdir(kInfoFile, 0755));
        }
        memset(&rec, 0x5a, sizeof rec);
        EXPECT_EQ(0, LoadDriverInfoFromFile(&rec));
        for (const auto &slot : rec.chText)
            EXPECT_EQ(0, memcmp(slot, std::string(QEV_INFO_SLOT_SIZE, '\0').data(), QEV_INFO_SLOT_SIZE));
        unlink(kInfoFile);
        rmdir(kInfoFile);
    }
}

TEST_F(DriverInfoFile, ShortFileFillsOnlyItsOwnSlots)
{
    ASSERT_TRUE(qevtest::write_file(kInfoFile, Record({"QEV Meridian M400", "02.11 [4/1/2010]", "256 MB"})));
    EXPECT_EQ(1, LoadDriverInfoFromFile(&rec));
    EXPECT_STREQ("QEV Meridian M400", rec.chText[0]);
    EXPECT_STREQ("02.11 [4/1/2010]", rec.chText[1]);
    EXPECT_STREQ("256 MB", rec.chText[2]);
    for (int i = 3; i < QEV_INFO_SLOT_COUNT; ++i)
        EXPECT_STREQ("", rec.chText[i]) << "slot " << i;

    // Cut inside slot 1: slot 0 whole, slot 1 as far as it goes.
    ASSERT_TRUE(qevtest::write_file(kInfoFile, Record({"QEV Aurora A100"}) + "01.0"));
    EXPECT_EQ(1, LoadDriverInfoFromFile(&rec));
    EXPECT_STREQ("QEV Aurora A100", rec.chText[0]);
    EXPECT_STREQ("01.0", rec.chText[1]);
    EXPECT_STREQ("", rec.chText[2]);
}

TEST_F(DriverInfoFile, UnterminatedSlotsStayWithinTheirBounds)
{
    // 700 bytes of text without a single zero, then more than a record.
    ASSERT_TRUE(qevtest::write_file(kInfoFile, std::string(900, 'x')));
    EXPECT_EQ(1, LoadDriverInfoFromFile(&rec));
    for (const auto &slot : rec.chText)
        EXPECT_EQ(std::string(QEV_INFO_SLOT_SIZE - 1, 'x'), std::string(slot));
}

TEST(InfoTexts, FormatsLiveValues)
{
    const int version[2] = {1, 10};
    const int date[3] = {2009, 12, 31};  // reply order
    EXPECT_EQ("01.0a [12/31/2009]", FormatBiosText(version, date));
    const int zeros2[2] = {}, zeros3[3] = {};
    EXPECT_EQ("00.00 [0/0/0]", FormatBiosText(zeros2, zeros3));
    EXPECT_EQ("128 MB", FormatMemoryText(128));

    const int v[4] = {4, 1, 20, 7};
    EXPECT_EQ("qevsim_drv.so    4.1.20.03", FormatDriverText(1, "qevsim_drv.so", v, 3));
    EXPECT_EQ("qevsim_drv.so    4.1.20.03", FormatDriverText(3, "qevsim_drv.so", v, 3));
    EXPECT_EQ("qevfb.ko   4.1.20.03", FormatDriverText(2, "qevfb.ko", v, 3));
    const int missing[4] = {255, 255, 255, 255}, old[4] = {255, 255, 255, 254}, failed[4] = {255, 255, 255, 9};
    EXPECT_EQ("qevfb.ko  Not installed.", FormatDriverText(2, "qevfb.ko", missing, 0));
    EXPECT_EQ("qevfb.ko Old than 4.1.x0.62", FormatDriverText(2, "qevfb.ko", old, 0));
    EXPECT_EQ("qevfb.ko Failed to get", FormatDriverText(2, "qevfb.ko", failed, 0));

    // Every text fits a slot.
    EXPECT_EQ(99u, FormatDriverText(1, std::string(300, 'n').c_str(), v, 3).size());
}

TEST(InfoTexts, ChipNamesComeFromTheFamilyTable)
{
    EXPECT_STREQ("QEV Aurora A100", ChipNameForId(0x7A01));
    EXPECT_STREQ("QEV Meridian M500", ChipNameForId(0x7A0C));
    EXPECT_STREQ("QEV Meridian M500", ChipNameForId(0x7A1C));  // two ids, one name
    EXPECT_EQ(nullptr, ChipNameForId(0x7A07));
    EXPECT_EQ(nullptr, ChipNameForId(0));
}

TEST(InfoTexts, CachingRule)
{
    char slot[QEV_INFO_SLOT_SIZE] = {};
    // A live answer is shown and cached.
    EXPECT_EQ("64 MB", ApplyCachedText("64 MB", false, slot));
    EXPECT_STREQ("64 MB", slot);
    // A silent driver: the cached text is shown and stays.
    EXPECT_EQ("64 MB", ApplyCachedText("0 MB", true, slot));
    EXPECT_STREQ("64 MB", slot);
    // A live answer replaces the cache, without leftovers of a longer text.
    strcpy(slot, "1024 MB");
    EXPECT_EQ("8 MB", ApplyCachedText("8 MB", false, slot));
    EXPECT_EQ(0, memcmp(slot, "8 MB\0\0\0\0", 8));
    // Nothing cached: the zero text is shown and cached.
    memset(slot, 0, sizeof slot);
    EXPECT_EQ("0 MB", ApplyCachedText("0 MB", true, slot));
    EXPECT_STREQ("0 MB", slot);
    // No slot (a component without one): the live text only.
    EXPECT_EQ("x    0.0.0.00", ApplyCachedText("x    0.0.0.00", true, nullptr));
}
