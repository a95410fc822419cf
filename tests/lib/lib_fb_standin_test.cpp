// The framebuffer route through the simulator's stand-in: the library in a
// process of its own with libqevsim_fb.so preloaded and no X display.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "qevtest/process.h"

namespace {

TEST(FramebufferStandIn, OperationsReachTheSimulatedDevice) {
    qevtest::TempDir dir("fbstandin");
    auto r = qevtest::run_fb_probe(QEVTEST_FB_PROBE, QEVTEST_FB_STANDIN, dir,
                                   "fb_version=4,3,2,1\nmemory_mb=128\nchip=M300\n"
                                   "supported=CRT,LCD,TV\nconnected=CRT,LCD\nactive=CRT,LCD\n");
    ASSERT_TRUE(r.ok()) << r.err;
    std::vector<std::string> expected = {
        "randr 1 0",       "name 1 qevfb.ko",  "version 1 4 3 2 0 1", "caps 1 146",
        "chip 1 31240", // 0x7A08
        "tvchip 1 17",     "tvslot 1 1",       "memory 1 128",        "bios 0",        "bios-date 0",  "save 0",
        "sync 1",          "supported 1 7",    "connected 1 3",       "active 1 3",    "set-active 1", "active 1 2",
        "mode 1 2",        "samm-supported 0", "primary 0",           "set-active2 0", "set-video 1",  "video 1 3",
        "resolution 1 32", "after-close 0",
    };
    EXPECT_EQ(expected, qevtest::lines(r.out)) << r.err;

    // The active-output switch reads the device state and writes it back.
    auto log = qevtest::read_file(dir.file("fb.log"));
    ASSERT_TRUE(log.has_value());
    size_t write = log->find("0x51455614");
    ASSERT_NE(std::string::npos, write) << *log;
    size_t lastReadBefore = log->rfind("0x51455615", write);
    EXPECT_NE(std::string::npos, lastReadBefore) << *log;
}

} // namespace
