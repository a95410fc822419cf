// qevsim-ctl: run-time control of the simulated adapter.
//
//   qevsim-ctl COMMAND [ARG...]   sent to the qevsim driver of $DISPLAY over its
//                                 QEVSIM_CONTROL extension (see qevsim-ctl help)
//   qevsim-ctl restart            asks qevsim-run --restartable to restart the
//                                 X server in place; returns when it is back
//
// The command's output goes to standard output; a refusal or failure prints
// one line on standard error and exits with status 1.
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <xcb/xcb.h>
#include <xcb/xcbext.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "qevsim_control_proto.h"

namespace {

const char* const kProg = "qevsim-ctl";

[[noreturn]] void fail(const std::string& message)
{
    std::fprintf(stderr, "%s: %s\n", kProg, message.c_str());
    std::exit(1);
}

void usage_and_exit()
{
    fail("usage: qevsim-ctl COMMAND [ARG...] (qevsim-ctl help lists the commands; "
         "qevsim-ctl restart restarts the server under qevsim-run --restartable)");
}

// ---- in-place restart through the harness -------------------------------------

class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { if (fd_ >= 0) close(fd_); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

class FifoPath {
public:
    explicit FifoPath(std::string path) : path_(std::move(path)) {}
    ~FifoPath() { unlink(path_.c_str()); }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

int restart()
{
    const char* dir = std::getenv("QEVSIM_CONTROL_DIR");
    if (!dir || !*dir)
        fail("restart needs the harness: run the command under qevsim-run --restartable "
             "(QEVSIM_CONTROL_DIR is not set)");
    FifoPath reply(std::string(dir) + "/reply." + std::to_string(getpid()));
    unlink(reply.path().c_str());
    if (mkfifo(reply.path().c_str(), 0600) != 0)
        fail("cannot make " + reply.path() + ": " + std::strerror(errno));
    // Opened before the request goes out, so the harness's answer never waits.
    Fd in(open(reply.path().c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (in.get() < 0)
        fail("cannot open " + reply.path() + ": " + std::strerror(errno));
    const std::string request_path = std::string(dir) + "/request";
    Fd out(open(request_path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC));
    if (out.get() < 0)
        fail("the harness does not listen on " + request_path + ": " + std::strerror(errno));
    const std::string line = "restart " + reply.path() + "\n";
    if (write(out.get(), line.data(), line.size()) != static_cast<ssize_t>(line.size()))
        fail("cannot send the request: " + std::string(std::strerror(errno)));

    // The harness waits up to its start timeout for the new server.
    const char* t = std::getenv("QEVSIM_START_TIMEOUT");
    int timeout_s = (t && std::atoi(t) > 0 ? std::atoi(t) : 30) + 30;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeout_s);
    std::string answer;
    while (answer.find('\n') == std::string::npos) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            fail("no answer from the harness within " + std::to_string(timeout_s) + " s");
        pollfd p{in.get(), POLLIN, 0};
        int rc = poll(&p, 1, static_cast<int>(std::min<long long>(left.count(), 1000)));
        if (rc < 0 && errno != EINTR)
            fail(std::string("poll: ") + std::strerror(errno));
        if (rc <= 0)
            continue;
        char buf[512];
        ssize_t n = read(in.get(), buf, sizeof buf);
        if (n > 0)
            answer.append(buf, static_cast<size_t>(n));
        else if (n == 0 || (n < 0 && errno == EAGAIN))
            std::this_thread::sleep_for(std::chrono::milliseconds(50));  // a writer came and went
    }
    answer.resize(answer.find('\n'));
    if (answer.rfind("ok", 0) == 0) {
        std::printf("%s\n", answer.size() > 3 ? answer.c_str() + 3 : "");
        return 0;
    }
    fail(answer.rfind("error ", 0) == 0 ? answer.substr(6) : "unexpected answer: " + answer);
}

// ---- commands over the X connection ---------------------------------------------

int run_remote(int argc, char** argv)
{
    int screen = 0;
    std::unique_ptr<xcb_connection_t, void (*)(xcb_connection_t*)> conn(xcb_connect(nullptr, &screen),
                                                                         xcb_disconnect);
    if (!conn || xcb_connection_has_error(conn.get())) {
        const char* d = std::getenv("DISPLAY");
        fail("cannot open display '" + std::string(d ? d : "") + "'");
    }
    const std::string ext = QEVSIM_CONTROL_EXTENSION_NAME;
    auto cookie = xcb_query_extension(conn.get(), static_cast<uint16_t>(ext.size()), ext.c_str());
    std::unique_ptr<xcb_query_extension_reply_t, void (*)(void*)> q(
        xcb_query_extension_reply(conn.get(), cookie, nullptr), std::free);
    if (!q || !q->present)
        fail("the X server has no " + ext + " extension (is it running the qevsim driver?)");

    // Header, then the words each ended by a zero byte, padded to 4 bytes.
    std::vector<uint8_t> req(QEVSIM_CONTROL_HEADER_BYTES);
    for (int i = 0; i < argc; i++)
        req.insert(req.end(), argv[i], argv[i] + std::strlen(argv[i]) + 1);
    uint32_t n = static_cast<uint32_t>(req.size() - QEVSIM_CONTROL_HEADER_BYTES);
    req.resize((req.size() + 3) & ~size_t{3}, 0);
    req[1] = QEVSIM_CONTROL_MINOR_RUN;
    std::memcpy(&req[4], &n, 4);

    iovec parts[3] = {};  // xcb needs two spare entries in front of the data
    parts[2].iov_base = req.data();
    parts[2].iov_len = req.size();
    xcb_protocol_request_t proto{1, nullptr, q->major_opcode, 0};
    unsigned seq = xcb_send_request(conn.get(), XCB_REQUEST_CHECKED, &parts[2], &proto);
    xcb_generic_error_t* err = nullptr;
    std::unique_ptr<uint8_t, void (*)(void*)> reply(static_cast<uint8_t*>(xcb_wait_for_reply(conn.get(), seq, &err)),
                                                   std::free);
    if (err) {
        int code = err->error_code;
        std::free(err);
        fail("the server answered with X error " + std::to_string(code));
    }
    if (!reply)
        fail("no reply from the X server");
    uint32_t units, text_len;
    std::memcpy(&units, reply.get() + 4, 4);
    std::memcpy(&text_len, reply.get() + 8, 4);
    if (text_len > units * 4u)
        fail("malformed reply from the X server");
    std::string text(reinterpret_cast<const char*>(reply.get()) + QEVSIM_CONTROL_REPLY_BYTES, text_len);
    if (reply.get()[1] != QEVSIM_CONTROL_RESULT_DONE) {
        while (!text.empty() && text.back() == '\n')
            text.pop_back();
        fail(text.empty() ? "refused" : text);
    }
    std::fwrite(text.data(), 1, text.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc >= 2 && (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0)) {
        std::printf("usage: qevsim-ctl COMMAND [ARG...]\n"
                    "  restart               restart the X server in place (under qevsim-run --restartable)\n"
                    "  help                  the commands of the driver\n");
        return 0;
    }
    if (argc < 2 || argv[1][0] == '\0')
        usage_and_exit();
    if (std::strcmp(argv[1], "restart") == 0) {
        if (argc != 2)
            fail("usage: qevsim-ctl restart");
        return restart();
    }
    if (argc - 1 > QEVSIM_CONTROL_MAX_ARGS)
        fail("too many arguments (at most " + std::to_string(QEVSIM_CONTROL_MAX_ARGS) + ")");
    return run_remote(argc - 1, argv + 1);
}
