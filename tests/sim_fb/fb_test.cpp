// The framebuffer route. The model answers the device's requests: what a
// device-state block write means, and refusals that change nothing (the TV
// size level and the TV setting and tuning words as the library writes them
// are tests/lib/lib_fb_test's, on the same model). The
// stand-in libqevsim_fb.so serves /dev/fb0 to a program it is preloaded into
// (sim_fb_client, fb_client.cpp; an instrumented client gets the ASan runtime
// ahead of it): open entry points, descriptors, pass-through of other files,
// every request with its record in the request log, profiles and the shared
// state journal.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "model_fixture.h"
#include "qev/commands.h"
#include "qev/fb.h"
#include "qev/family.h"
#include "qev/outputs.h"
#include "qevtest/process.h"

namespace {

using Words = std::vector<uint32_t>;
using Lines = std::vector<std::string>;

std::string hex(uint32_t v, bool padded = false) {
    char b[16];
    std::snprintf(b, sizeof b, padded ? "%08x" : "%x", v);
    return b;
}

// A device-state block built field by field.
struct Block {
    uint8_t b[QEV_DS_SIZE] = {};
    Block &u16(size_t off, uint16_t v) {
        std::memcpy(b + off, &v, 2);
        return *this;
    }
    Block &u32(size_t off, uint32_t v) {
        std::memcpy(b + off, &v, 4);
        return *this;
    }
    uint16_t get16(size_t off) const {
        uint16_t v;
        std::memcpy(&v, b + off, 2);
        return v;
    }
    uint32_t get32(size_t off) const {
        uint32_t v;
        std::memcpy(&v, b + off, 4);
        return v;
    }
    // "ioctl 0 W,W,..." as printed by the client -> the block.
    static Block from(const std::string &line) {
        Block blk;
        std::istringstream in(line.rfind("ioctl 0 ", 0) == 0 ? line.substr(8) : "");
        size_t off = 0;
        for (std::string t; std::getline(in, t, ',') && off < sizeof blk.b; off += 4)
            blk.u32(off, uint32_t(std::stoul(t, nullptr, 16)));
        return blk;
    }
    std::string arg() const {
        std::string s;
        for (size_t off = 0; off < sizeof b; off += 4)
            s += (off ? "," : "") + hex(get32(off));
        return s;
    }
};
constexpr int kBlockWords = QEV_DS_SIZE / 4;

int ioctl(Model &m, uint32_t req, void *arg) { return qevsim_model_fb_ioctl(m, req, arg); }

Block read_state(Model &m) {
    Block blk;
    EXPECT_EQ(ioctl(m, QEV_FB_ReadDeviceState, blk.b), 0);
    return blk;
}

}  // namespace

// ---- the model ------------------------------------------------------------------

TEST(FbModel, ChipInfoFillsItsNinetyTwoBytesAndNoMore) {
    Model m("chip-paired-tv.conf");
    uint8_t chip[QEV_CHIPINFO_SIZE + 8];
    std::memset(chip, 0xee, sizeof chip);
    ASSERT_EQ(ioctl(m, QEV_FB_ChipInfo, chip), 0);
    Block blk;
    std::memcpy(blk.b, chip, QEV_CHIPINFO_SIZE);
    EXPECT_EQ(blk.get32(QEV_CHIPINFO_TVCHIP), uint32_t(QEV_PAIRED_TV_ENCODER));
    EXPECT_EQ(chip[QEV_CHIPINFO_SIZE - 1], 0) << "the record is filled whole";
    EXPECT_EQ(chip[QEV_CHIPINFO_SIZE], 0xee) << "92 bytes, no more";
}

TEST(FbModel, WriteAppliesOnlyFlaggedFields) {
    Model m;
    Block blk;
    blk.u16(QEV_DS_ACTIVE_MASK, QEV_OUT_TV);  // no output flag: ignored
    blk.u32(QEV_DS_TV_STANDARD, QEV_TVSTD_PAL).u32(QEV_DS_TV_CHANGE, QEV_TVCHG_STANDARD);
    blk.u32(QEV_DS_PANEL_EXPAND, 1);  // no panel flag: ignored
    ASSERT_EQ(ioctl(m, QEV_FB_WriteDeviceState, blk.b), 0);
    Block now = read_state(m);
    EXPECT_EQ(now.get16(QEV_DS_ACTIVE_MASK), QEV_OUT_CRT | QEV_OUT_LCD);
    EXPECT_EQ(now.get32(QEV_DS_TV_STANDARD), uint32_t(QEV_TVSTD_PAL));
    EXPECT_EQ(now.get32(QEV_DS_PANEL_EXPAND), 0u);
    EXPECT_EQ(now.get32(QEV_DS_TV_CHANGE), 0u) << "change flags read as 0";
    ASSERT_EQ(m.cmd(QEV_TV_GROUP_TV, 2), 1);
    EXPECT_EQ(m.out(0), QEV_TVSTD_PAL) << "one state behind both channels";

    // The active-mask write reads the block, sets flag and mask, writes it back.
    std::string before = m.dump();
    ASSERT_EQ(ioctl(m, QEV_FB_WriteDeviceState, now.b), 0);
    EXPECT_EQ(m.dump(), before) << "a block written back unflagged changes nothing";
    now.u16(QEV_DS_OUTPUT_FLAGS, 1).u16(QEV_DS_ACTIVE_MASK, QEV_OUT_CRT | QEV_OUT_TV);
    ASSERT_EQ(ioctl(m, QEV_FB_WriteDeviceState, now.b), 0);
    EXPECT_EQ(qevsim_model_active(m), unsigned(QEV_OUT_CRT | QEV_OUT_TV));
    now.u16(QEV_DS_PANEL_FLAGS, 1).u32(QEV_DS_PANEL_EXPAND, 1);
    ASSERT_EQ(ioctl(m, QEV_FB_WriteDeviceState, now.b), 0);
    EXPECT_EQ(read_state(m).get32(QEV_DS_PANEL_EXPAND), 1u);
}

TEST(FbModel, RefusedRequestsChangeNothing) {
    struct Case {
        const char *what;
        uint32_t request;
        Block block;  // the record (its first words for the small ones)
    };
    std::vector<Case> cases = {
        {"TV standard with a brightness above its maximum", QEV_FB_WriteDeviceState,
         Block()
             .u32(QEV_DS_TV_CHANGE, QEV_TVCHG_STANDARD | QEV_TVCHG_TUNING_10)
             .u32(QEV_DS_TV_STANDARD, QEV_TVSTD_PAL)
             .u32(QEV_DS_TV_TUNING + 8, 500)},
        {"active mask with a disconnected output", QEV_FB_WriteDeviceState,
         Block().u16(QEV_DS_OUTPUT_FLAGS, 1).u16(QEV_DS_ACTIVE_MASK, QEV_OUT_DVI)},
        {"unknown change bit", QEV_FB_WriteDeviceState, Block().u32(QEV_DS_TV_CHANGE, 0x2000)},
        {"TV size level above 7", QEV_FB_WriteDeviceState,
         Block().u32(QEV_DS_TV_CHANGE, QEV_TVCHG_VIEW_SIZE).u32(QEV_DS_TV_SIZE_LEVEL, 8)},
        {"TV size pair beyond 7", QEV_FB_WriteDeviceState,
         Block().u32(QEV_DS_TV_CHANGE, QEV_TVCHG_VIEW_SIZE).u32(QEV_DS_TV_SIZE_LEVEL, 255).u32(QEV_DS_TV_SIZE_H, 8)},
        {"panel position beyond its maximum", QEV_FB_WritePanelViewPosition, Block().u32(0, QEV_OUT_LCD).u32(4, 21)},
        {"panel size of the TV", QEV_FB_WritePanelViewSize, Block().u32(0, QEV_OUT_TV).u32(4, 1).u32(8, 1)},
        {"panel size of an unsupported output", QEV_FB_WritePanelViewSize, Block().u32(0, QEV_OUT_LCD2)},
        {"tuning maximum of an item bit", QEV_FB_TVTuningItemMax, Block().u32(0, 0x4)},
    };
    for (auto &c : cases) {
        SCOPED_TRACE(c.what);
        Model m;
        std::string before = m.dump();
        uint8_t record[1024] = {};
        std::memcpy(record, c.block.b, sizeof c.block.b);
        errno = 0;
        EXPECT_EQ(ioctl(m, c.request, record), -1);
        EXPECT_EQ(errno, EINVAL);
        EXPECT_EQ(m.dump(), before);
    }
    // A gamma entry above 0xffffff.
    Model m;
    uint32_t t[256];
    for (uint32_t i = 0; i < 256; i++)
        t[i] = i << 16;
    ASSERT_EQ(ioctl(m, QEV_FB_WriteGammaTable, t), 0);
    ASSERT_EQ(m.cmd(22, 2), 1);
    EXPECT_EQ(m.out(255), 0xff0000) << "one table behind both channels";
    t[3] = 0x01000000;
    EXPECT_EQ(ioctl(m, QEV_FB_WriteGammaTable, t), -1);
    ASSERT_EQ(m.cmd(22, 2), 1);
    EXPECT_EQ(m.out(3), 0x030000);
}

TEST(FbModel, SammSwitch) {
    Model m;
    Block on;
    on.u16(QEV_DS_OUTPUT_FLAGS, 1).u16(QEV_DS_ACTIVE_MASK, QEV_OUT_CRT | QEV_OUT_LCD);
    on.u16(QEV_DS_SAMM_FLAGS, 0x81).u32(QEV_DS_SAMM_LAYOUT, QEV_OUT_LCD);
    ASSERT_EQ(ioctl(m, QEV_FB_WriteDeviceState, on.b), 0);
    Block now = read_state(m);
    EXPECT_EQ(now.get16(QEV_DS_SAMM_FLAGS), 1);
    EXPECT_EQ(now.get32(QEV_DS_SAMM_LAYOUT), uint32_t(QEV_OUT_LCD));
    m.cmd(19, 5);
    EXPECT_EQ(m.out(0), 1);
    m.cmd(19, 11);
    EXPECT_EQ(m.out(0), 0);

    Block off;
    off.u16(QEV_DS_SAMM_FLAGS, 0x80);
    ASSERT_EQ(ioctl(m, QEV_FB_WriteDeviceState, off.b), 0);
    EXPECT_EQ(read_state(m).get16(QEV_DS_SAMM_FLAGS), 0);
    m.cmd(19, 11);
    EXPECT_EQ(m.out(0), 1) << "two outputs without SAMM are a clone pair";

    Model single("minimal-crt.conf");
    EXPECT_EQ(ioctl(single, QEV_FB_WriteDeviceState, off.b), 0);
    EXPECT_EQ(ioctl(single, QEV_FB_WriteDeviceState, Block().u16(QEV_DS_SAMM_FLAGS, 0x81).b), -1)
        << "SAMM needs two outputs";
}

// ---- the stand-in, preloaded into sim_fb_client ------------------------------------

namespace {

// The client's steps.
struct Steps {
    std::vector<std::string> v;
    Steps &open(const char *how = "open") {
        v.push_back(how);
        return *this;
    }
    Steps &req(uint32_t request, int nout, const std::string &in = "-") {
        v.insert(v.end(), {"ioctl", hex(request), std::to_string(nout), in});
        return *this;
    }
    Steps &step(std::initializer_list<std::string> s) {
        v.insert(v.end(), s);
        return *this;
    }
};

// The adapter the cases check against.
constexpr const char *kProfile =
    "chip = A200\ntv_encoder = 12\ntv_encoder_slot = 2\nmemory_mb = 64\nfb_module = qevtestfb\n"
    "fb_version = 4,3,2,1\ncaps = 0x92\nsupported = CRT,LCD,TV,DVI\nconnected = CRT,LCD,TV\nactive = CRT,LCD\n"
    "lcd.native = 1024x768\n";

class StandIn : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(qevtest::write_file(profile_, kProfile)); }

    // Runs the client; env adds to (or overrides) the profile and preload.
    Lines run(const Steps &steps, const std::vector<std::string> &env = {}) {
        std::vector<std::string> argv{QEVSIM_FB_CLIENT};
        argv.insert(argv.end(), steps.v.begin(), steps.v.end());
        std::string asan = QEVSIM_FB_ASAN_RUNTIME;
        qevtest::RunOptions opt;
        opt.env = {"QEVSIM_FB_LOG", "QEVSIM_FB_STATE", "QEVSIM_PROFILE=" + profile_,
                   "LD_PRELOAD=" + (asan.empty() ? std::string() : asan + ":") + QEVSIM_FB_LIBRARY};
        opt.env.insert(opt.env.end(), env.begin(), env.end());
        last_ = qevtest::run(argv, opt);
        EXPECT_TRUE(last_.ok()) << last_.err;
        return qevtest::lines(last_.out);
    }

    qevtest::TempDir dir_{"sim_fb"};
    std::string profile_ = dir_.file("fb.conf");
    qevtest::RunResult last_;
};

}  // namespace

TEST_F(StandIn, EveryOpenEntryPointGivesTheDevice) {
    for (const char *how : {"open", "open64", "openat", "openat64", "open_2", "open64_2", "openat_2", "openat64_2"}) {
        SCOPED_TRACE(how);
        Lines out = run(Steps().open(how).req(QEV_FB_SupportedOutputs, 1));
        ASSERT_EQ(out.size(), 2u);
        EXPECT_EQ(out[0].rfind("open ", 0), 0u);
        EXPECT_NE(out[0], "open -1");
        EXPECT_EQ(out[1], "ioctl 0 0000000f");
    }
}

TEST_F(StandIn, DescriptorsAndOtherFiles) {
    Lines out = run(Steps().step({"open_cloexec", "flags"}).req(QEV_FB_ConnectedOutputs, 1).step({"close"})
                        .req(QEV_FB_ConnectedOutputs, 1).open().step({"flags"}));
    ASSERT_EQ(out.size(), 7u);
    EXPECT_EQ(out[1], "flags cloexec=1 acc=2");
    EXPECT_EQ(out[2], "ioctl 0 00000007");
    EXPECT_EQ(out[3], "close 0");
    EXPECT_EQ(out[4], "ioctl -1 EBADF");
    EXPECT_EQ(out[5], out[0]) << "the lowest free number, as open gives";
    EXPECT_EQ(out[6], "flags cloexec=0 acc=0");

    // A number freed by close, or by the raw system call behind the stand-in's
    // back, and taken by /dev/null belongs to /dev/null.
    for (const char *close : {"close", "sysclose"}) {
        SCOPED_TRACE(close);
        out = run(Steps().open().step({close, "null"}).req(QEV_FB_ReadDeviceState, 1));
        ASSERT_EQ(out.size(), 4u);
        EXPECT_EQ(out[2], "null " + out[0].substr(5) + " 0 -1 ENOTTY");
        EXPECT_EQ(out[3], "ioctl -1 ENOTTY");
    }

    // Creation modes reach the C library through open and openat alike.
    std::string log = dir_.file("requests.log");
    out = run(Steps().step({"file", dir_.file("plain.txt")}), {"QEVSIM_FB_LOG=" + log});
    EXPECT_EQ(out, Lines{"file 640 604 hello ioctl=-1/ENOTTY"});
    EXPECT_FALSE(qevtest::file_exists(log)) << "pass-through requests are not the device's";
}

// Every request once, through the stand-in: the client's reply and the
// request log's line (pid, request, name, rc or errno, in and out records).
TEST_F(StandIn, EveryRequestWithItsRecordInTheLog) {
    std::string gamma, zeros31;
    for (uint32_t i = 0; i < 256; i++)
        gamma += (i ? "," : "") + hex((255 - i) << 16 | i << 8 | i);
    for (int i = 0; i < 31; i++)
        zeros31 += ",00000000";
    Block pal;
    pal.u32(QEV_DS_TV_CHANGE, QEV_TVCHG_STANDARD).u32(QEV_DS_TV_STANDARD, 0x2);
    std::string pal_words;
    for (int i = 0; i < kBlockWords; i++)
        pal_words += (i ? "," : "") + hex(pal.get32(size_t(4 * i)), true);
    struct Row {
        Steps step;
        std::string log;  // the line after the pid, or its start
    };
    const Row rows[] = {
        {Steps().req(QEV_FB_FbResolutionInfo, 4), "0x51455605 FbResolutionInfo rc=0 out=00000500,00000400,00000020,0000003c"},
        {Steps().req(QEV_FB_MemoryInfo, 4), "0x51455607 MemoryInfo rc=0 out=00000000,"},
        {Steps().req(QEV_FB_DriverVersion, 4), "0x51455612 DriverVersion rc=0 out=00000004,00000001,00000002,00000003"},
        {Steps().req(QEV_FB_ChipInfo, 23, "ffffffff,ffffffff,ffffffff,ffffffff,ffffffff,ffffffff"),
         "0x51455613 ChipInfo rc=0 out=00000004,00000000,0000000c,00000000,00000002,00000000,"},
        {Steps().req(QEV_FB_WriteDeviceState, 0, pal.arg()), "0x51455614 WriteDeviceState rc=0 in=" + pal_words},
        {Steps().req(QEV_FB_ReadDeviceState, kBlockWords), "0x51455615 ReadDeviceState rc=0 out=00030000,"},
        {Steps().req(QEV_FB_SupportedOutputs, 1), "0x51455618 SupportedOutputs rc=0 out=0000000f"},
        {Steps().req(QEV_FB_ConnectedOutputs, 1), "0x51455619 ConnectedOutputs rc=0 out=00000007"},
        {Steps().req(QEV_FB_PanelExpandSupported, 1), "0x5145561a PanelExpandSupported rc=0 out=00000001"},
        {Steps().req(QEV_FB_TVSignalTypesSupported, 1), "0x5145561b TVSignalTypesSupported rc=0 out=0000000f"},
        {Steps().req(QEV_FB_TVStandardsSupported, 1), "0x5145561c TVStandardsSupported rc=0 out=00000003"},
        {Steps().req(QEV_FB_TVMaxViewSize, 2), "0x5145561d TVMaxViewSize rc=0 out=00000007,00000007"},
        {Steps().req(QEV_FB_TVMaxViewPosition, 2), "0x5145561e TVMaxViewPosition rc=0 out=0000001e,0000001e"},
        {Steps().req(QEV_FB_TVTuningItemsSupported, 1), "0x5145561f TVTuningItemsSupported rc=0 out=000014f0"},
        {Steps().req(QEV_FB_TVTuningItemMax, 1, "10"), "0x51455620 TVTuningItemMax rc=0 in=00000010 out=00000064"},
        {Steps().req(QEV_FB_TVTuningItemMax, 1, "400"), "0x51455620 TVTuningItemMax rc=0 in=00000400 out=00000003"},
        {Steps().req(QEV_FB_TVTuningItemMax, 1, "2"), "0x51455620 TVTuningItemMax rc=-1 errno=EINVAL in=00000002"},
        {Steps().req(QEV_FB_TVSettingItemsSupported, 1), "0x51455621 TVSettingItemsSupported rc=0 out=00000007"},
        {Steps().step({"name"}), "0x51455622 DriverModuleName rc=0 out=\"qevtestfb\""},
        {Steps().req(QEV_FB_WriteGammaTable, 0, gamma), "0x51455625 WriteGammaTable rc=0 in=00ff0000,00fe0101,"},
        {Steps().req(QEV_FB_GammaSupported, 1), "0x51455626 GammaSupported rc=0 out=00000001"},
        {Steps().req(QEV_FB_WriteVideoDevice, 0, "5"), "0x51455627 WriteVideoDevice rc=0 in=00000005"},
        {Steps().req(QEV_FB_ReadVideoDevice, 1), "0x51455628 ReadVideoDevice rc=0 out=00000005"},
        {Steps().req(QEV_FB_SammSecondMode, 4), "0x51455629 SammSecondMode rc=0 out=00000002,00000400,00000300,0000003c"},
        {Steps().step({"ioctl_null", hex(QEV_FB_EngineSync)}), "0x51455630 EngineSync rc=0"},
        {Steps().req(QEV_FB_FunctionCaps, 32), "0x51455631 FunctionCaps rc=0 out=00000092" + zeros31},
        {Steps().req(QEV_FB_PanelMaxViewSize, 3, "2"), "0x51455633 PanelMaxViewSize rc=0 in=00000002 out=00000002,0000000a,0000000a"},
        {Steps().req(QEV_FB_PanelMaxViewPosition, 3, "2"), "0x51455634 PanelMaxViewPosition rc=0 in=00000002 out=00000002,00000014,00000014"},
        {Steps().req(QEV_FB_WritePanelViewSize, 0, "2,4,5"), "0x51455635 WritePanelViewSize rc=0 in=00000002,00000004,00000005"},
        {Steps().req(QEV_FB_WritePanelViewPosition, 0, "2,6,7"), "0x51455636 WritePanelViewPosition rc=0 in=00000002,00000006,00000007"},
        {Steps().req(QEV_FB_ReadPanelViewPosition, 3, "2"), "0x51455637 ReadPanelViewPosition rc=0 in=00000002 out=00000002,00000006,00000007"},
        {Steps().req(QEV_FB_ReadPanelViewSize, 3, "2"), "0x51455638 ReadPanelViewSize rc=0 in=00000002 out=00000002,00000004,00000005"},
        {Steps().req(QEV_FB_REQUEST(0x99), 1), "0x51455699 - rc=-1 errno=ENOTTY"},
        {Steps().req(0x4600, 1), "0x00004600 - rc=-1 errno=ENOTTY"},
        {Steps().step({"ioctl_null", hex(QEV_FB_ChipInfo)}), "0x51455613 ChipInfo rc=-1 errno=EFAULT"},
    };
    std::string log = dir_.file("requests.log");
    Steps all = Steps().open();
    for (const Row &r : rows)
        all.v.insert(all.v.end(), r.step.v.begin(), r.step.v.end());
    Lines out = run(all, {"QEVSIM_FB_LOG=" + log});
    auto text = qevtest::read_file(log);
    ASSERT_TRUE(text);
    Lines lines = qevtest::lines(*text);
    ASSERT_EQ(out.size(), std::size(rows) + 1);
    ASSERT_EQ(lines.size(), std::size(rows));
    const std::string pid = lines[0].substr(0, lines[0].find(' ') + 1);
    EXPECT_GT(std::stol(pid), 0);
    for (size_t i = 0; i < std::size(rows); i++) {
        SCOPED_TRACE(rows[i].log);
        EXPECT_EQ(lines[i].rfind(pid + rows[i].log, 0), 0u) << lines[i];
        // The client got what the log shows: the out record, or the errno.
        const std::string &reply = out[i + 1];
        auto at = lines[i].find("errno=");
        if (reply.rfind("ioctl 0 ", 0) == 0) {
            ASSERT_GE(lines[i].size(), reply.size());
            EXPECT_EQ(lines[i].substr(lines[i].size() - (reply.size() - 8)), reply.substr(8));
        } else if (at != std::string::npos) {
            EXPECT_EQ(reply, "ioctl -1 " + lines[i].substr(at + 6, lines[i].find(' ', at) - at - 6));
        }
    }
    EXPECT_EQ(Block::from(out[6]).get32(QEV_DS_TV_STANDARD), 0x2u) << "the written block is read back";
    EXPECT_EQ(std::count(lines[5].begin(), lines[5].end(), ','), kBlockWords - 1);
}

TEST_F(StandIn, BuiltInMissingAndMalformedProfiles) {
    Lines out = run(Steps().open().req(QEV_FB_SupportedOutputs, 1).step({"name"}), {"QEVSIM_PROFILE"});
    EXPECT_EQ(out, (Lines{out.at(0), "ioctl 0 " + hex(0x1 | 0x2 | 0x4 | 0x40 | 0x8 | 0x10 | 0x800, true), "name qevfb"}));

    std::string bad = dir_.file("bad.conf");
    ASSERT_TRUE(qevtest::write_file(bad, "chip = A200\n\nmemory_mb = lots\n"));
    out = run(Steps().open().open("openat").step({"file", dir_.file("still-works.txt")}), {"QEVSIM_PROFILE=" + bad});
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[0], "open -1 ENODEV");
    EXPECT_EQ(out[1], "open -1 ENODEV");
    EXPECT_EQ(out[2].rfind("file 640 604 hello", 0), 0u);
    EXPECT_EQ(last_.err, "qevsim-fb: " + bad + ":3: key 'memory_mb': bad value: expected an integer 1..4095\n")
        << "one line";

    run(Steps().open(), {"QEVSIM_PROFILE=" + dir_.file("missing.conf")});
    EXPECT_EQ(last_.out, "open -1 ENODEV\n");
    EXPECT_EQ(last_.err.rfind("qevsim-fb: " + dir_.file("missing.conf") + ":0: key '': cannot open", 0), 0u)
        << last_.err;
}

TEST_F(StandIn, StateJournalSharesTheDevice) {
    std::string journal = dir_.file("fb0.state");
    Block pal, refused;
    pal.u32(QEV_DS_TV_CHANGE, QEV_TVCHG_STANDARD).u32(QEV_DS_TV_STANDARD, 0x2);
    refused.u32(QEV_DS_TV_CHANGE, QEV_TVCHG_STANDARD).u32(QEV_DS_TV_STANDARD, 0x40);
    run(Steps()
            .open()
            .req(QEV_FB_WriteDeviceState, 0, pal.arg())
            .req(QEV_FB_WriteDeviceState, 0, refused.arg())
            .req(QEV_FB_WriteVideoDevice, 0, "7"),
        {"QEVSIM_FB_STATE=" + journal});
    auto text = qevtest::read_file(journal);
    ASSERT_TRUE(text);
    EXPECT_EQ(std::count(text->begin(), text->end(), '\n'), 2) << "only successful writes: " << *text;

    Lines out = run(Steps().open().req(QEV_FB_ReadDeviceState, kBlockWords).req(QEV_FB_ReadVideoDevice, 1),
                    {"QEVSIM_FB_STATE=" + journal});
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(Block::from(out[1]).get32(QEV_DS_TV_STANDARD), 0x2u);
    EXPECT_EQ(out[2], "ioctl 0 00000007");

    // A forked child inherits the open device but has a model of its own: its
    // write reaches the parent through the journal only; without the journal
    // every process starts from the profile.
    Steps steps = Steps().open().req(QEV_FB_WriteVideoDevice, 0, "3").step({"fork"});
    steps.req(QEV_FB_WriteVideoDevice, 0, "9").step({"end"}).req(QEV_FB_ReadVideoDevice, 1);
    out = run(steps, {"QEVSIM_FB_STATE=" + dir_.file("fork.state")});
    EXPECT_EQ(out, (Lines{out.at(0), "ioctl 0", "ioctl 0", "child 0", "ioctl 0 00000009"}));
    out = run(steps);
    EXPECT_EQ(out, (Lines{out.at(0), "ioctl 0", "ioctl 0", "child 0", "ioctl 0 00000003"}));
}
