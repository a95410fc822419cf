// A minimal X server on an abstract socket that serves one client: the
// connection set-up, QueryExtension (only "QEVGFX_API" exists),
// GetProperty, GetInputFocus and the QEVGFX_API request, whose answer is
// chosen per request to exercise the library's handling of bad replies.
#ifndef QEVGFX_TEST_FAKE_XSERVER_H
#define QEVGFX_TEST_FAKE_XSERVER_H

#include <atomic>
#include <string>
#include <thread>

namespace qevtest {

class FakeXServer {
  public:
    enum class Answer {
        Normal, // status 1, output[i] = 1000 + i
        Error,  // a BadLength error instead of a reply
        Short,  // a reply of 10 extra units
        Long,   // a reply of 600 extra units (status 1)
    };

    FakeXServer();
    ~FakeXServer();
    FakeXServer(const FakeXServer &) = delete;
    FakeXServer &operator=(const FakeXServer &) = delete;

    bool ok() const { return listen_fd_ >= 0; }
    const std::string &display() const { return display_; } // ":N"
    void set_answer(Answer a) { answer_ = a; }
    int commands() const { return commands_; }
    // Words of the last command request: request length and group.
    int last_length() const { return last_length_; }

  private:
    void Serve();

    int listen_fd_ = -1;
    int stop_pipe_[2] = {-1, -1};
    std::string display_;
    std::thread thread_;
    std::atomic<Answer> answer_{Answer::Normal};
    std::atomic<int> commands_{0};
    std::atomic<int> last_length_{0};
};

} // namespace qevtest

#endif
