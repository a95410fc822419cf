// GoogleTest fixture base: one X server per test suite.
//
//   class WireTest : public qevtest::XServerTest<WireTest> {
//   public:
//       static qevtest::XServerOptions server_options() {  // optional
//           qevtest::XServerOptions o;
//           o.no_randr = true;
//           return o;
//       }
//   };
//   TEST_F(WireTest, Something) { ... server().display() ... }
//
// The server starts in SetUpTestSuite and stops in TearDownTestSuite. Each
// test's SetUp fails the test (with the server log's tail) when the server is
// not running, and sets DISPLAY to the server's display.
#ifndef QEVTEST_FIXTURE_H
#define QEVTEST_FIXTURE_H

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "qevtest/xserver.h"

namespace qevtest {

template <class Derived>
class XServerTest : public ::testing::Test {
public:
    // Derived classes hide this to choose other options.
    static XServerOptions server_options() { return {}; }

    static void SetUpTestSuite() {
        server_ = std::make_unique<XServer>();
        start_error_.clear();
        if (!server_->start(Derived::server_options(), &start_error_)) return;
        setenv("DISPLAY", server_->display().c_str(), 1);
    }

    static void TearDownTestSuite() {
        server_.reset();
        unsetenv("DISPLAY");
    }

    static XServer& server() { return *server_; }

    // Restarts the suite's server (for tests that change the configuration
    // file and need the server to read it again).
    static ::testing::AssertionResult restart_server() {
        std::string error;
        if (!server_->restart(&error)) return ::testing::AssertionFailure() << error;
        setenv("DISPLAY", server_->display().c_str(), 1);
        return ::testing::AssertionSuccess();
    }

protected:
    void SetUp() override {
        ASSERT_TRUE(server_ && server_->running()) << "X server not running. " << start_error_
                                                   << (server_ ? server_->log_tail(25) : std::string());
        setenv("DISPLAY", server_->display().c_str(), 1);
    }

private:
    static inline std::unique_ptr<XServer> server_;
    static inline std::string start_error_;
};

}  // namespace qevtest

#endif
