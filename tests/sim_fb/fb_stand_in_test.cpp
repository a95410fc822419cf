// The framebuffer stand-in as a preloaded program sees it: every request with
// its record, the device-state change flags, unknown requests, pass-through
// of other files, the request log, profiles and the shared state journal.
// Each case runs sim_fb_client (fb_client.cpp) with the stand-in preloaded;
// an instrumented client gets the ASan runtime ahead of it in LD_PRELOAD.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "qev/fb.h"
#include "qev/outputs.h"
#include "qevtest/process.h"

namespace {

using Words = std::vector<uint32_t>;
using Lines = std::vector<std::string>;

std::string hex(uint32_t v) {
    char b[16];
    std::snprintf(b, sizeof b, "%x", v);
    return b;
}

std::string hex8(uint32_t v) {
    char b[16];
    std::snprintf(b, sizeof b, "%08x", v);
    return b;
}

// "ioctl 0 W,W,..." -> the words; any other line -> empty.
Words words(const std::string &line) {
    Words w;
    if (line.rfind("ioctl 0 ", 0) != 0)
        return w;
    std::istringstream in(line.substr(8));
    for (std::string t; std::getline(in, t, ',');)
        w.push_back(uint32_t(std::stoul(t, nullptr, 16)));
    return w;
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
    static Block from(const Words &w) {
        Block blk;
        std::memcpy(blk.b, w.data(), std::min(w.size() * 4, sizeof blk.b));
        return blk;
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
    std::string arg() const {
        std::string s;
        for (size_t off = 0; off < sizeof b; off += 4)
            s += (off ? "," : "") + hex(get32(off));
        return s;
    }
};
constexpr int kBlockWords = QEV_DS_SIZE / 4;

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
    Steps &write_state(const Block &blk) { return req(QEV_FB_WriteDeviceState, 0, blk.arg()); }
    Steps &read_state() { return req(QEV_FB_ReadDeviceState, kBlockWords); }
    Steps &step(std::initializer_list<std::string> s) {
        v.insert(v.end(), s);
        return *this;
    }
};

std::string preload() {
    std::string asan = QEVSIM_FB_ASAN_RUNTIME;
    return "LD_PRELOAD=" + (asan.empty() ? std::string() : asan + ":") + QEVSIM_FB_LIBRARY;
}

// The adapter the cases check against.
constexpr const char *kProfile =
    "# framebuffer stand-in tests\n"
    "chip = A200\n"
    "tv_encoder = 12\n"
    "tv_encoder_slot = 2\n"
    "memory_mb = 64\n"
    "fb_module = qevtestfb\n"
    "fb_version = 4,3,2,1\n"
    "caps = 0x92\n"
    "supported = CRT,LCD,TV,DVI\n"
    "connected = CRT,LCD,TV\n"
    "active = CRT,LCD\n"
    "lcd.native = 1024x768\n";

class StandIn : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(qevtest::write_file(profile_, kProfile)); }

    // Runs the client; env adds to (or overrides) the profile and preload.
    Lines run(const Steps &steps, const std::vector<std::string> &env = {}) {
        std::vector<std::string> argv{QEVSIM_FB_CLIENT};
        argv.insert(argv.end(), steps.v.begin(), steps.v.end());
        qevtest::RunOptions opt;
        opt.env = {"QEVSIM_FB_LOG", "QEVSIM_FB_STATE", "QEVSIM_PROFILE=" + profile_, preload()};
        opt.env.insert(opt.env.end(), env.begin(), env.end());
        last_ = qevtest::run(argv, opt);
        EXPECT_TRUE(last_.ok()) << last_.err;
        Lines lines;
        std::istringstream in(last_.out);
        for (std::string l; std::getline(in, l);)
            lines.push_back(l);
        return lines;
    }

    // Opens the device, issues one request and returns its reply line.
    std::string ask(uint32_t request, int nout, const std::string &in = "-") {
        Lines out = run(Steps().open().req(request, nout, in));
        EXPECT_EQ(out.size(), 2u);
        return out.size() == 2 ? out[1] : "";
    }
    Words get(uint32_t request, int nout, const std::string &in = "-") { return words(ask(request, nout, in)); }

    // Runs writes (after an open) and then reads the block back. replies
    // gets one line per step, "<missing>" for steps that printed nothing.
    Block state_after(Steps steps, Lines *replies = nullptr) {
        Lines out = run(steps.read_state());
        if (replies) {
            *replies = out;
            replies->resize(std::max(out.size(), steps.v.size()), "<missing>");
        }
        return out.empty() ? Block() : Block::from(words(out.back()));
    }

    qevtest::TempDir dir_{"sim_fb"};
    std::string profile_ = dir_.file("fb.conf");
    qevtest::RunResult last_;
};

}  // namespace

// ---- opening, descriptors, pass-through ------------------------------------

TEST_F(StandIn, EveryOpenEntryPointGivesTheDevice) {
    for (const char *how : {"open", "open64", "openat", "openat64", "open_2", "open64_2", "openat_2", "openat64_2"}) {
        Lines out = run(Steps().open(how).req(QEV_FB_SupportedOutputs, 1));
        ASSERT_EQ(out.size(), 2u) << how;
        EXPECT_EQ(out[0].rfind("open ", 0), 0u) << how;
        EXPECT_NE(out[0], "open -1") << how;
        EXPECT_EQ(out[1], "ioctl 0 0000000f") << how;
    }
}

TEST_F(StandIn, DescriptorKeepsFlagsAndCloseForgetsIt) {
    Lines out = run(Steps().step({"open_cloexec", "flags"}).req(QEV_FB_ConnectedOutputs, 1).step({"close"})
                        .req(QEV_FB_ConnectedOutputs, 1).open().step({"flags"}));
    ASSERT_EQ(out.size(), 7u);
    EXPECT_EQ(out[1], "flags cloexec=1 acc=2");
    EXPECT_EQ(out[2], "ioctl 0 00000007");
    EXPECT_EQ(out[3], "close 0");
    EXPECT_EQ(out[4], "ioctl -1 EBADF");
    EXPECT_EQ(out[5], out[0]) << "the lowest free number, as open gives";
    EXPECT_EQ(out[6], "flags cloexec=0 acc=0");

    // A number freed by close and taken by /dev/null belongs to /dev/null.
    out = run(Steps().open().step({"close", "null"}).req(QEV_FB_ReadDeviceState, 1));
    ASSERT_EQ(out.size(), 4u);
    EXPECT_EQ(out[2], "null " + out[0].substr(5) + " 0 -1 ENOTTY");
    EXPECT_EQ(out[3], "ioctl -1 ENOTTY");
}

TEST_F(StandIn, DescriptorClosedBehindItsBackIsNotTheDevice) {
    Lines out = run(Steps().open().step({"sysclose", "null"}).req(QEV_FB_ReadDeviceState, 1));
    ASSERT_EQ(out.size(), 4u);
    EXPECT_EQ(out[1], "sysclose 0");
    EXPECT_EQ(out[3], "ioctl -1 ENOTTY");
}

TEST_F(StandIn, OtherFilesPassThrough) {
    std::string log = dir_.file("requests.log");
    Lines out = run(Steps().step({"file", dir_.file("plain.txt"), "null"}), {"QEVSIM_FB_LOG=" + log});
    ASSERT_EQ(out.size(), 2u);
    // Creation modes reach the C library through open and openat alike.
    EXPECT_EQ(out[0], "file 640 604 hello ioctl=-1/ENOTTY");
    EXPECT_EQ(out[1].substr(out[1].size() - 12), " 0 -1 ENOTTY");
    EXPECT_FALSE(qevtest::file_exists(log)) << "pass-through requests are not the device's";
}

// ---- every request with its record ------------------------------------------

TEST_F(StandIn, AdapterInformationRecords) {
    EXPECT_EQ(get(QEV_FB_FbResolutionInfo, 4), (Words{1280, 1024, 32, 60}));
    Words mem = get(QEV_FB_MemoryInfo, 4);
    ASSERT_EQ(mem.size(), 4u);
    EXPECT_EQ((mem[1] + mem[2]) >> 20, 64u);
    EXPECT_EQ(mem[0] | mem[3], 0u);
    // Major, build, patch, minor.
    EXPECT_EQ(get(QEV_FB_DriverVersion, 4), (Words{4, 1, 2, 3}));
    Words chip = get(QEV_FB_ChipInfo, 23, "ffffffff,ffffffff,ffffffff,ffffffff,ffffffff,ffffffff");
    ASSERT_EQ(chip.size(), 23u);
    EXPECT_EQ(chip[0], 4u);   // A200
    EXPECT_EQ(chip[2], 12u);  // TV encoder
    EXPECT_EQ(chip[4], 2u);   // its slot
    EXPECT_EQ(chip[1] | chip[3] | chip[5], 0u) << "the block is filled whole";
    EXPECT_EQ(ask(QEV_FB_DriverModuleName, 0), "ioctl 0");
    EXPECT_EQ(run(Steps().open().step({"name"})).back(), "name qevtestfb");
    Words caps = get(QEV_FB_FunctionCaps, 32);
    ASSERT_EQ(caps.size(), 32u);
    EXPECT_EQ(caps[0], 0x92u);
    EXPECT_EQ(std::count(caps.begin() + 1, caps.end(), 0u), 31);
    EXPECT_EQ(get(QEV_FB_GammaSupported, 1), (Words{1}));
    EXPECT_EQ(run(Steps().open().step({"ioctl_null", hex(QEV_FB_EngineSync)})).back(), "ioctl 0");
}

TEST_F(StandIn, OutputAndTvCapabilityWords) {
    EXPECT_EQ(get(QEV_FB_SupportedOutputs, 1), (Words{QEV_OUT_CRT | QEV_OUT_LCD | QEV_OUT_TV | QEV_OUT_DVI}));
    EXPECT_EQ(get(QEV_FB_ConnectedOutputs, 1), (Words{QEV_OUT_CRT | QEV_OUT_LCD | QEV_OUT_TV}));
    EXPECT_EQ(get(QEV_FB_PanelExpandSupported, 1), (Words{1}));
    EXPECT_EQ(get(QEV_FB_TVSignalTypesSupported, 1), (Words{0xf}));
    EXPECT_EQ(get(QEV_FB_TVStandardsSupported, 1), (Words{0x3}));
    EXPECT_EQ(get(QEV_FB_TVMaxViewSize, 2), (Words{7, 7}));
    EXPECT_EQ(get(QEV_FB_TVMaxViewPosition, 2), (Words{30, 30}));
    EXPECT_EQ(get(QEV_FB_TVTuningItemsSupported, 1), (Words{0x14f0}));
    EXPECT_EQ(get(QEV_FB_TVSettingItemsSupported, 1), (Words{0x7}));
    // In: the item's change bit; out: its maximum.
    EXPECT_EQ(get(QEV_FB_TVTuningItemMax, 1, "10"), (Words{100}));
    EXPECT_EQ(get(QEV_FB_TVTuningItemMax, 1, "400"), (Words{3}));
    EXPECT_EQ(get(QEV_FB_TVTuningItemMax, 1, "1000"), (Words{7}));
    EXPECT_EQ(ask(QEV_FB_TVTuningItemMax, 1, "2"), "ioctl -1 EINVAL");
}

TEST_F(StandIn, WrittenValuesReadBack) {
    Lines out = run(Steps()
                        .open()
                        .req(QEV_FB_WriteVideoDevice, 0, "5")
                        .req(QEV_FB_ReadVideoDevice, 1)
                        .req(QEV_FB_SammSecondMode, 4)
                        .req(QEV_FB_WritePanelViewSize, 0, "2,4,5")
                        .req(QEV_FB_ReadPanelViewSize, 3, "2")
                        .req(QEV_FB_WritePanelViewPosition, 0, "2,6,7")
                        .req(QEV_FB_ReadPanelViewPosition, 3, "2")
                        .req(QEV_FB_PanelMaxViewSize, 3, "2")
                        .req(QEV_FB_PanelMaxViewPosition, 3, "2"));
    Lines want{"open", "ioctl 0", "ioctl 0 00000005", "ioctl 0 00000002,00000400,00000300,0000003c",
               "ioctl 0", "ioctl 0 00000002,00000004,00000005", "ioctl 0", "ioctl 0 00000002,00000006,00000007",
               "ioctl 0 00000002,0000000a,0000000a", "ioctl 0 00000002,00000014,00000014"};
    ASSERT_EQ(out.size(), want.size());
    for (size_t i = 1; i < want.size(); i++)
        EXPECT_EQ(out[i], want[i]) << "step " << i;
}

TEST_F(StandIn, GammaTableWrite) {
    std::string table;
    for (uint32_t i = 0; i < 256; i++)
        table += (i ? "," : "") + hex((255 - i) << 16 | i << 8 | i);
    EXPECT_EQ(ask(QEV_FB_WriteGammaTable, 0, table), "ioctl 0");
}

// Which requests are refused is the model's; here its errno reaches the caller.
TEST_F(StandIn, UnknownRequestsAndNullRecords) {
    Lines out = run(Steps().open().step({"ioctl_null", hex(QEV_FB_ChipInfo), "ioctl_null", "6"}));
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(out, (Lines{out[0], "ioctl -1 EFAULT", "ioctl -1 ENOTTY"}));
}

// ---- device-state block --------------------------------------------------------
// What a block write means is the model's (tests/sim_model/fb_test.cpp); here
// the block travels through the stand-in both ways.

TEST_F(StandIn, DeviceStateReadsTheAdapter) {
    Block blk = Block::from(get(QEV_FB_ReadDeviceState, kBlockWords));
    EXPECT_EQ(blk.get16(QEV_DS_OUTPUT_FLAGS), 0);
    EXPECT_EQ(blk.get16(QEV_DS_ACTIVE_MASK), QEV_OUT_CRT | QEV_OUT_LCD);
    EXPECT_EQ(blk.get32(QEV_DS_TV_CHANGE), 0u);
    EXPECT_EQ(blk.get16(QEV_DS_SAMM_FLAGS), 0);
    EXPECT_EQ(blk.get32(QEV_DS_SAMM_LAYOUT), QEV_OUT_CRT);
    EXPECT_EQ(blk.get32(QEV_DS_TV_STANDARD), 0x1u);  // NTSC
    EXPECT_EQ(blk.get32(QEV_DS_TV_SIZE_LEVEL), 3u);
    EXPECT_EQ(blk.get32(QEV_DS_PANEL_INFO), 2u);     // 1024 x 768
    EXPECT_EQ(blk.get32(QEV_DS_PANEL_EXPAND), 0u);
}

TEST_F(StandIn, ActiveMaskReadModifyWrite) {
    Lines out = run(Steps().open().read_state());
    ASSERT_EQ(out.size(), 2u);
    Block blk = Block::from(words(out[1]));
    blk.u16(QEV_DS_OUTPUT_FLAGS, 1).u16(QEV_DS_ACTIVE_MASK, QEV_OUT_CRT | QEV_OUT_TV);
    Block after = state_after(Steps().open().write_state(blk));
    EXPECT_EQ(after.get16(QEV_DS_ACTIVE_MASK), QEV_OUT_CRT | QEV_OUT_TV);
    // Everything else of the block read back is as it was.
    blk.u16(QEV_DS_OUTPUT_FLAGS, 0);
    EXPECT_EQ(std::memcmp(blk.b, after.b, QEV_DS_SIZE), 0);

    // A disconnected output is refused.
    blk.u16(QEV_DS_OUTPUT_FLAGS, 1).u16(QEV_DS_ACTIVE_MASK, QEV_OUT_CRT | QEV_OUT_DVI);
    after = state_after(Steps().open().write_state(blk), &out);
    EXPECT_EQ(out[1], "ioctl -1 EINVAL");
    EXPECT_EQ(after.get16(QEV_DS_ACTIVE_MASK), QEV_OUT_CRT | QEV_OUT_LCD);
}

// ---- request log ----------------------------------------------------------------

TEST_F(StandIn, RequestLogFormat) {
    std::string log = dir_.file("requests.log");
    run(Steps()
            .open()
            .req(QEV_FB_SupportedOutputs, 1)
            .req(QEV_FB_TVTuningItemMax, 1, "10")
            .req(QEV_FB_REQUEST(0x99), 1)
            .step({"name"})
            .req(QEV_FB_WriteVideoDevice, 0, "5")
            .step({"ioctl_null", hex(QEV_FB_EngineSync)})
            .req(QEV_FB_TVTuningItemMax, 1, "2")
            .req(QEV_FB_ReadPanelViewSize, 3, "2"),
        {"QEVSIM_FB_LOG=" + log});
    auto text = qevtest::read_file(log);
    ASSERT_TRUE(text);
    std::istringstream in(*text);
    Lines lines;
    std::string pid;
    for (std::string l; std::getline(in, l);) {
        size_t sp = l.find(' ');
        ASSERT_NE(sp, std::string::npos);
        if (pid.empty())
            pid = l.substr(0, sp);
        EXPECT_EQ(l.substr(0, sp), pid) << "one process, one pid";
        lines.push_back(l.substr(sp + 1));
    }
    EXPECT_GT(std::stol(pid), 0);
    EXPECT_EQ(lines, (Lines{
                         "0x51455618 SupportedOutputs rc=0 out=0000000f",
                         "0x51455620 TVTuningItemMax rc=0 in=00000010 out=00000064",
                         "0x51455699 - rc=-1 errno=ENOTTY",
                         "0x51455622 DriverModuleName rc=0 out=\"qevtestfb\"",
                         "0x51455627 WriteVideoDevice rc=0 in=00000005",
                         "0x51455630 EngineSync rc=0",
                         "0x51455620 TVTuningItemMax rc=-1 errno=EINVAL in=00000002",
                         "0x51455638 ReadPanelViewSize rc=0 in=00000002 out=00000002,0000000a,0000000a",
                     }));
}

TEST_F(StandIn, LogCarriesWholeDeviceStateBlocks) {
    std::string log = dir_.file("requests.log");
    Block blk;
    blk.u32(QEV_DS_TV_CHANGE, QEV_TVCHG_STANDARD).u32(QEV_DS_TV_STANDARD, 0x2);
    run(Steps().open().write_state(blk).read_state(), {"QEVSIM_FB_LOG=" + log});
    auto text = qevtest::read_file(log);
    ASSERT_TRUE(text);
    std::string in_words = "in=00000000,00000001";
    for (int i = 2; i < kBlockWords; i++)
        in_words += i == QEV_DS_TV_STANDARD / 4 ? ",00000002" : ",00000000";
    EXPECT_NE(text->find(" 0x51455614 WriteDeviceState rc=0 " + in_words + "\n"), std::string::npos) << *text;
    size_t read = text->find(" 0x51455615 ReadDeviceState rc=0 out=");
    ASSERT_NE(read, std::string::npos);
    size_t eol = text->find('\n', read);
    std::string out = text->substr(read, eol - read);
    EXPECT_EQ(std::count(out.begin(), out.end(), ','), kBlockWords - 1);
    EXPECT_NE(out.find("out=00030000,"), std::string::npos) << "active mask 0x3 in the upper half of word 0";
}

// ---- profiles ----------------------------------------------------------------------

TEST_F(StandIn, WithoutProfileTheBuiltInAdapter) {
    Lines out = run(Steps().open().req(QEV_FB_SupportedOutputs, 1).step({"name"}), {"QEVSIM_PROFILE"});
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[1], "ioctl 0 " + hex8(0x1 | 0x2 | 0x4 | 0x40 | 0x8 | 0x10 | 0x800));
    EXPECT_EQ(out[2], "name qevfb");
}

TEST_F(StandIn, MalformedProfileOneMessageAndNoDevice) {
    std::string bad = dir_.file("bad.conf");
    ASSERT_TRUE(qevtest::write_file(bad, "chip = A200\n\nmemory_mb = lots\n"));
    Lines out = run(Steps().open().open("openat").step({"file", dir_.file("still-works.txt")}),
                    {"QEVSIM_PROFILE=" + bad});
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[0], "open -1 ENODEV");
    EXPECT_EQ(out[1], "open -1 ENODEV");
    EXPECT_EQ(out[2].rfind("file 640 604 hello", 0), 0u);
    std::string want = "qevsim-fb: " + bad + ":3: key 'memory_mb': bad value";
    EXPECT_EQ(last_.err.rfind(want, 0), 0u) << last_.err;
    EXPECT_EQ(std::count(last_.err.begin(), last_.err.end(), '\n'), 1) << last_.err;

    run(Steps().open(), {"QEVSIM_PROFILE=" + dir_.file("missing.conf")});
    EXPECT_EQ(last_.out, "open -1 ENODEV\n");
    EXPECT_EQ(last_.err.rfind("qevsim-fb: " + dir_.file("missing.conf") + ":0: key '': cannot open", 0), 0u)
        << last_.err;
}

// ---- one device across processes -------------------------------------------------

TEST_F(StandIn, StateJournalSharesTheDevice) {
    std::string journal = dir_.file("fb0.state");
    Block pal;
    pal.u32(QEV_DS_TV_CHANGE, QEV_TVCHG_STANDARD).u32(QEV_DS_TV_STANDARD, 0x2);
    Block refused;
    refused.u32(QEV_DS_TV_CHANGE, QEV_TVCHG_STANDARD).u32(QEV_DS_TV_STANDARD, 0x40);
    run(Steps().open().write_state(pal).write_state(refused).req(QEV_FB_WriteVideoDevice, 0, "7"),
        {"QEVSIM_FB_STATE=" + journal});
    auto text = qevtest::read_file(journal);
    ASSERT_TRUE(text);
    EXPECT_EQ(std::count(text->begin(), text->end(), '\n'), 2) << "only successful writes: " << *text;

    Lines out = run(Steps().open().read_state().req(QEV_FB_ReadVideoDevice, 1), {"QEVSIM_FB_STATE=" + journal});
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(Block::from(words(out[1])).get32(QEV_DS_TV_STANDARD), 0x2u);
    EXPECT_EQ(out[2], "ioctl 0 00000007");

    // Without the journal every process starts from the profile.
    out = run(Steps().open().req(QEV_FB_ReadVideoDevice, 1));
    EXPECT_EQ(out.back(), "ioctl 0 00000000");
}

TEST_F(StandIn, StateJournalSeesWritesOfAnotherProcessWhileOpen) {
    // A forked child inherits the open device but has a model of its own:
    // its write reaches the parent through the journal only.
    Steps steps = Steps().open().req(QEV_FB_WriteVideoDevice, 0, "3").step({"fork"});
    steps.req(QEV_FB_WriteVideoDevice, 0, "9").step({"end"}).req(QEV_FB_ReadVideoDevice, 1);
    Lines out = run(steps, {"QEVSIM_FB_STATE=" + dir_.file("fb0.state")});
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(out, (Lines{out[0], "ioctl 0", "ioctl 0", "child 0", "ioctl 0 00000009"}));
    out = run(steps);
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(out, (Lines{out[0], "ioctl 0", "ioctl 0", "child 0", "ioctl 0 00000003"}));
}
