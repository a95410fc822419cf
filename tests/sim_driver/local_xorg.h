// Test-local helpers of the driver tests: the private mount namespace, an
// Xorg server with the qevsim module, running a program and capturing its
// output, and a raw X client that can speak either byte order.
#ifndef QEVSIM_DRIVER_TESTS_LOCAL_XORG_H
#define QEVSIM_DRIVER_TESTS_LOCAL_XORG_H

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

#include "qev/protocol.h"

namespace simdrv {

// Enters a private mount namespace with scratch directories bound over
// /etc/X11 and $HOME. Returns false (with a reason) when that is not allowed.
bool enter_sandbox(std::string* why);
// Removes the scratch directories (or only tells where they are when
// keep_files, e.g. after a failure).
void leave_sandbox(bool keep_files);

// Directory for files of the tests (inside the scratch area).
const std::string& scratch_dir();

// Writes text to path; returns false on failure.
bool write_file(const std::string& path, const std::string& text);
std::string read_file(const std::string& path);

// One Xorg server with the driver, stopped by its pid in the destructor.
class Server {
public:
    Server() = default;
    ~Server() { stop(); }
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // device_options: the Device section's Option lines (already quoted
    // "KEY" "VALUE" pairs joined). Returns true when the server accepts clients.
    bool start(const std::vector<std::pair<std::string, std::string>>& device_options = {},
               const std::vector<std::string>& extra_args = {});
    // Starts from a complete configuration text; extra_args go to the server.
    bool start_conf(const std::string& conf, const std::vector<std::string>& extra_args = {});
    void stop();

    int display_number() const { return display_; }
    std::string display() const { return ":" + std::to_string(display_); }
    std::string log() const { return read_file(log_path_); }

private:
    pid_t pid_ = -1;
    int display_ = -1;
    std::string log_path_;
};

// Runs argv with DISPLAY set; returns the exit status (-1 when it could not
// run) and stores stdout and stderr in *out.
int run(const std::vector<std::string>& argv, const std::string& display, std::string* out);

// A raw X connection: the connection set-up, QueryExtension and one request
// with one response, in the client's chosen byte order.
class RawClient {
public:
    ~RawClient();
    bool connect(int display, bool swapped);
    // Major opcode of the extension, 0 when the server lacks it.
    int query_extension(const std::string& name);

    struct Response {
        bool ok = false;        // a reply arrived (false: an error or a failure)
        int error_code = 0;     // X error code when an error arrived
        uint16_t sequence = 0;
        std::vector<uint8_t> bytes;  // the whole reply or the 32-byte error
    };
    // Sends one QEVGFX_API request; units is the request length written in
    // the header, the body is sized to match.
    Response command(int major, int minor, const QevCommandBlock& block, int units = QEV_REQ_UNITS);

    // Reads the 32-bit word at byte offset of a reply, in the client's order.
    uint32_t word(const Response& r, size_t offset) const;

private:
    void put16(std::vector<uint8_t>& b, uint16_t v) const;
    void put32(std::vector<uint8_t>& b, uint32_t v) const;
    bool send_all(const std::vector<uint8_t>& b);
    bool recv_all(uint8_t* p, size_t n);
    Response read_response();

    int fd_ = -1;
    bool swapped_ = false;
};

}  // namespace simdrv

#endif
