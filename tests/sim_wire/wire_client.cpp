#include "wire_client.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <chrono>
#include <algorithm>
#include <cstring>

namespace wire {
namespace {

constexpr bool kHostBigEndian = std::endian::native == std::endian::big;

}  // namespace

RawX::~RawX() {
    if (fd_ >= 0) close(fd_);
}

// n-byte words in this connection's byte order.
static uint32_t get_n(const uint8_t* p, int n, bool little) {
    uint32_t v = 0;
    for (int i = 0; i < n; ++i) v |= uint32_t(p[little ? i : n - 1 - i]) << (8 * i);
    return v;
}
static void put_n(uint8_t* p, uint32_t v, int n, bool little) {
    for (int i = 0; i < n; ++i) p[little ? i : n - 1 - i] = uint8_t(v >> (8 * i));
}
uint16_t RawX::u16(const uint8_t* p) const { return uint16_t(get_n(p, 2, swapped_ == kHostBigEndian)); }
uint32_t RawX::u32(const uint8_t* p) const { return get_n(p, 4, swapped_ == kHostBigEndian); }
void RawX::put16(uint8_t* p, uint16_t v) const { put_n(p, v, 2, swapped_ == kHostBigEndian); }
void RawX::put32(uint8_t* p, uint32_t v) const { put_n(p, v, 4, swapped_ == kHostBigEndian); }

bool RawX::read_exact(uint8_t* dst, size_t n, int timeout_ms) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (n) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd p{fd_, POLLIN, 0};
        int r = poll(&p, 1, static_cast<int>(left.count()));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return false;
        ssize_t got = read(fd_, dst, n);
        if (got <= 0) return false;
        dst += got;
        n -= static_cast<size_t>(got);
    }
    return true;
}

bool RawX::connect(int display, char byte_order, std::string* error) {
    swapped_ = (byte_order == 'B') != kHostBigEndian;
    fd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::string path = "/tmp/.X11-unix/X" + std::to_string(display);
    strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
    if (fd_ < 0 || ::connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        if (error) *error = "connect " + path + ": " + strerror(errno);
        return false;
    }
    // Connection setup: byte order, protocol 11.0, no authorisation.
    uint8_t setup[12] = {uint8_t(byte_order)};
    put16(setup + 2, 11);
    put16(setup + 4, 0);
    if (write(fd_, setup, sizeof setup) != sizeof setup) {
        if (error) *error = "write setup failed";
        return false;
    }
    uint8_t head[8];
    if (!read_exact(head, sizeof head, 10000)) {
        if (error) *error = "no connection setup reply";
        return false;
    }
    std::vector<uint8_t> rest(size_t(u16(head + 6)) * 4);
    if (!read_exact(rest.data(), rest.size(), 10000) || head[0] != 1) {
        if (error) *error = "connection refused by the server";
        return false;
    }
    return true;
}

bool RawX::send_request(const std::vector<uint8_t>& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t w = write(fd_, bytes.data() + done, bytes.size() - done);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return false;
        done += static_cast<size_t>(w);
    }
    ++sequence_;
    return true;
}

std::optional<Packet> RawX::next(int timeout_ms) {
    for (;;) {
        Packet p;
        p.bytes.resize(32);
        if (!read_exact(p.bytes.data(), 32, timeout_ms)) return std::nullopt;
        if (p.type() == 1) {
            uint32_t extra = u32(p.bytes.data() + 4);
            if (extra > (1u << 20)) return std::nullopt;
            p.bytes.resize(32 + size_t(extra) * 4);
            if (!read_exact(p.bytes.data() + 32, size_t(extra) * 4, timeout_ms)) return std::nullopt;
        }
        if (p.type() <= 1) return p;
    }
}

uint8_t RawX::major_opcode(const std::string& name) {
    const size_t padded = (name.size() + 3) & ~size_t(3);
    std::vector<uint8_t> req(8 + padded, 0);
    req[0] = 98;  // QueryExtension
    put16(req.data() + 2, uint16_t(req.size() / 4));
    put16(req.data() + 4, uint16_t(name.size()));
    memcpy(req.data() + 8, name.data(), name.size());
    if (!send_request(req)) return 0;
    auto p = next();
    if (!p || p->type() != 1 || !p->bytes[8]) return 0;
    return p->bytes[9];
}

std::vector<uint8_t> RawX::command_request(uint8_t major, const QevCommandBlock& block, uint8_t minor,
                                           uint16_t length_units, size_t total_bytes) const {
    std::vector<uint8_t> req(std::max(total_bytes, size_t(QEV_REQ_BYTES)), 0);
    req[0] = major;
    req[1] = minor;
    put16(req.data() + 2, length_units);
    // Every field of the block is a 32-bit word.
    const auto* words = reinterpret_cast<const uint32_t*>(&block);
    for (size_t i = 0; i < sizeof block / 4; ++i) put32(req.data() + 8 + 4 * i, words[i]);
    req.resize(total_bytes);
    return req;
}

std::optional<QevCommandReply> RawX::decode_reply(const Packet& p) const {
    if (p.type() != 1 || p.bytes.size() != sizeof(QevCommandReply)) return std::nullopt;
    QevCommandReply r;
    r.type = p.bytes[0];
    r.pad = p.bytes[1];
    r.sequence = u16(p.bytes.data() + 2);
    r.length = u32(p.bytes.data() + 4);
    auto* words = reinterpret_cast<uint32_t*>(&r.block);
    for (size_t i = 0; i < sizeof r.block / 4; ++i) words[i] = u32(p.bytes.data() + 8 + 4 * i);
    return r;
}

std::vector<uint8_t> RawX::raw_output_bytes(const QevCommandReply& r) const {
    std::vector<uint8_t> bytes(sizeof r.block.output);
    for (size_t i = 0; i < QEV_CMD_OUTPUTS; ++i) put32(bytes.data() + 4 * i, uint32_t(r.block.output[i]));
    return bytes;
}

std::optional<QevCommandReply> RawX::command(uint8_t major, const QevCommandBlock& block, int* error_code) {
    if (error_code) *error_code = 0;
    if (!send_request(command_request(major, block))) return std::nullopt;
    auto p = next();
    if (!p) return std::nullopt;
    if (p->type() == 0) {
        if (error_code) *error_code = p->code();
        return std::nullopt;
    }
    return decode_reply(*p);
}

QevCommandBlock make_block(uint32_t group, uint32_t function, std::initializer_list<int32_t> inputs) {
    QevCommandBlock b{};
    b.group = group;
    b.function = function;
    size_t i = 0;
    for (int32_t v : inputs) b.input[i++] = v;
    return b;
}

}  // namespace wire
