// The QEVGFX_API exchange against a scripted server: replies that are X
// errors, too short or too long fail the command and leave the connection
// in step for the next one.
#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <cstring>

#include "fake_xserver.h"
#include "qev/protocol.h"
#include "qevgfx.h"

namespace {

using Answer = qevtest::FakeXServer::Answer;
constexpr int kSentinel = 0x5a5a5a5a;

int g_unrelated_errors = 0;
int CountingHandler(Display *, XErrorEvent *) {
    ++g_unrelated_errors;
    return 0;
}

int Exchange(Display *d, QevCommandBlock *block) {
    std::memset(block, 0, sizeof *block);
    block->group = 17;
    block->function = 1;
    block->input[0] = 7;
    block->status = kSentinel;
    block->output[0] = kSentinel;
    return QEVGFXCommand(d, block);
}

TEST(Exchange, BadRepliesFailAndTheConnectionStaysUsable) {
    qevtest::FakeXServer server;
    ASSERT_TRUE(server.ok());
    Display *d = XOpenDisplay(server.display().c_str());
    ASSERT_NE(nullptr, d);
    XSetErrorHandler(CountingHandler);

    QevCommandBlock block;
    ASSERT_EQ(1, Exchange(d, &block));
    EXPECT_EQ(1000, block.output[0]);
    EXPECT_EQ(1255, block.output[255]);
    EXPECT_EQ(QEV_REQ_UNITS, server.last_length());

    const Answer bad[] = {Answer::Error, Answer::Short, Answer::Long};
    for (Answer a : bad) {
        server.set_answer(a);
        EXPECT_EQ(0, Exchange(d, &block)) << int(a);
        EXPECT_EQ(kSentinel, block.status) << int(a);
        EXPECT_EQ(kSentinel, block.output[0]) << int(a);
        server.set_answer(Answer::Normal);
        ASSERT_EQ(1, Exchange(d, &block)) << "after " << int(a);
        EXPECT_EQ(1000, block.output[0]);
        EXPECT_EQ(1255, block.output[255]);
    }
    // A synchronous display runs its sync handler after each exchange.
    XSynchronize(d, True);
    server.set_answer(Answer::Error);
    EXPECT_EQ(0, Exchange(d, &block));
    server.set_answer(Answer::Normal);
    EXPECT_EQ(1, Exchange(d, &block));
    XSynchronize(d, False);
    XSync(d, False);
    EXPECT_EQ(0, g_unrelated_errors); // the exchange's errors stay inside it
    // The application's handler is back in place.
    EXPECT_EQ(&CountingHandler, XSetErrorHandler(nullptr));
    EXPECT_EQ(9, server.commands());
    XCloseDisplay(d);
}

} // namespace
