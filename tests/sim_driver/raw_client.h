// The driver tests' view of the raw X client (tests/sim_wire/wire_client.h):
// one command request with its length in units and one response, the
// reply's words read in the connection's byte order.
#ifndef QEVSIM_DRIVER_TESTS_RAW_CLIENT_H
#define QEVSIM_DRIVER_TESTS_RAW_CLIENT_H

#include <cstdint>
#include <string>
#include <vector>

#include "qev/protocol.h"
#include "wire_client.h"

namespace simdrv {

class RawClient {
public:
    // swapped: the client speaks the byte order opposite to this host's.
    bool connect(int display, bool swapped) {
        const uint16_t one = 1;
        const bool host_big = *reinterpret_cast<const uint8_t*>(&one) == 0;
        return x_.connect(display, host_big != swapped ? 'B' : 'l', nullptr);
    }
    // Major opcode of the extension, 0 when the server lacks it.
    int query_extension(const std::string& name) { return x_.major_opcode(name); }

    struct Response {
        bool ok = false;             // a reply arrived (false: an error or a failure)
        int error_code = 0;          // X error code when an error arrived
        std::vector<uint8_t> bytes;  // the whole reply or the 32-byte error
    };
    // One QEVGFX_API request; units is the request length written in the
    // header, the body is sized to match.
    Response command(int major, int minor, const QevCommandBlock& block, int units = QEV_REQ_UNITS) {
        Response r;
        if (!x_.send_request(x_.command_request(uint8_t(major), block, uint8_t(minor), uint16_t(units),
                                                size_t(units) * 4)))
            return r;
        auto p = x_.next();
        if (!p)
            return r;
        r.bytes = p->bytes;
        if (p->type() == 0)
            r.error_code = p->code();
        else
            r.ok = true;
        return r;
    }
    // The 32-bit word at byte offset of a reply, 0 past its end.
    uint32_t word(const Response& r, size_t offset) const {
        return offset + 4 <= r.bytes.size() ? x_.u32(r.bytes.data() + offset) : 0;
    }

private:
    wire::RawX x_;
};

}  // namespace simdrv

#endif
