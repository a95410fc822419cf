// GoogleTest fixture base: one X server per test suite (XServerTest) with one
// library session open on it for the whole suite. What QEVGFX_Open prints is kept:
// standard output in open_output(), standard error in open_error().
//
//   class Families : public qevtest::SessionTest<Families> {
//   public:
//       static qevtest::XServerOptions server_options() { ... }  // optional
//   };
#ifndef QEVTEST_SESSION_H
#define QEVTEST_SESSION_H

#include <string>

#include "qevgfx.h"
#include "qevtest/fixture.h"

namespace qevtest {

template <class Derived>
class SessionTest : public XServerTest<Derived> {
public:
    static void SetUpTestSuite()
    {
        XServerTest<Derived>::SetUpTestSuite();
        open_output_.clear();
        open_error_.clear();
        if (XServerTest<Derived>::server().running()) {
            ::testing::internal::CaptureStdout();
            ::testing::internal::CaptureStderr();
            QEVGFX_Open();
            open_error_ = ::testing::internal::GetCapturedStderr();
            open_output_ = ::testing::internal::GetCapturedStdout();
        }
    }
    static void TearDownTestSuite()
    {
        QEVGFX_Close();
        XServerTest<Derived>::TearDownTestSuite();
    }
    static const std::string& open_output() { return open_output_; }
    static const std::string& open_error() { return open_error_; }

private:
    static inline std::string open_output_;
    static inline std::string open_error_;
};

}  // namespace qevtest

#endif
