// A test client of the QEVGFX_API extension that does not use the library:
// RawX speaks the X protocol over the server's local socket in either byte
// order.
#ifndef QEV_WIRE_CLIENT_H
#define QEV_WIRE_CLIENT_H

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "qev/protocol.h"

namespace wire {

// One packet from the server: error (type 0), reply (1, with its extra
// data) or event.
struct Packet {
    std::vector<uint8_t> bytes;
    uint8_t type() const { return bytes[0]; }
    uint8_t code() const { return bytes[1]; }  // error code for errors
};

class RawX {
public:
    RawX() = default;
    ~RawX();
    RawX(const RawX&) = delete;
    RawX& operator=(const RawX&) = delete;

    // byte_order 'l' (LSB first) or 'B' (MSB first).
    bool connect(int display, char byte_order, std::string* error);
    bool swapped() const { return swapped_; }

    uint16_t u16(const uint8_t* p) const;
    uint32_t u32(const uint8_t* p) const;
    void put16(uint8_t* p, uint16_t v) const;
    void put32(uint8_t* p, uint32_t v) const;

    // Major opcode of an extension, 0 when absent.
    uint8_t major_opcode(const std::string& name);

    // Sends bytes already in the connection's byte order; counts one request.
    bool send_request(const std::vector<uint8_t>& bytes);
    uint16_t last_sequence() const { return sequence_; }
    // The next error or reply (events are skipped).
    std::optional<Packet> next(int timeout_ms = 10000);

    // A command request in this connection's byte order. length_units and
    // total_bytes let tests build malformed requests.
    std::vector<uint8_t> command_request(uint8_t major, const QevCommandBlock& block,
                                         uint8_t minor = QEVGFX_MINOR_COMMAND,
                                         uint16_t length_units = QEV_REQ_UNITS,
                                         size_t total_bytes = QEV_REQ_BYTES) const;
    // Decodes a command reply; nullopt when the packet is not a well-formed one.
    std::optional<QevCommandReply> decode_reply(const Packet& p) const;

    // The output words of a decoded reply as the bytes that were on the wire.
    std::vector<uint8_t> raw_output_bytes(const QevCommandReply& r) const;

    // One whole exchange; nullopt on an error (its code in *error_code).
    std::optional<QevCommandReply> command(uint8_t major, const QevCommandBlock& block, int* error_code = nullptr);

private:
    bool read_exact(uint8_t* dst, size_t n, int timeout_ms);
    int fd_ = -1;
    bool swapped_ = false;
    uint16_t sequence_ = 0;
};

QevCommandBlock make_block(uint32_t group, uint32_t function, std::initializer_list<int32_t> inputs = {});

}  // namespace wire

#endif
