// GoogleTest fixture base: one X server per test suite (XServerTest) with one
// library session open on it for the whole suite. What QEVGFX_Open prints on
// standard output (the RandR notice) is kept in open_output().
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
        if (XServerTest<Derived>::server().running()) {
            ::testing::internal::CaptureStdout();
            QEVGFX_Open();
            open_output_ = ::testing::internal::GetCapturedStdout();
        }
    }
    static void TearDownTestSuite()
    {
        QEVGFX_Close();
        XServerTest<Derived>::TearDownTestSuite();
    }
    static const std::string& open_output() { return open_output_; }

private:
    static inline std::string open_output_;
};

}  // namespace qevtest

#endif
