#include "fake_xserver.h"

#include <X11/X.h>
#include <X11/Xproto.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <vector>

#include "qev/protocol.h"

namespace qevtest {

namespace {

constexpr int kMajorOpcode = 200;

bool ReadAll(int fd, void *buf, size_t n) {
    auto *p = static_cast<char *>(buf);
    while (n > 0) {
        ssize_t r = read(fd, p, n);
        if (r <= 0)
            return false;
        p += r;
        n -= size_t(r);
    }
    return true;
}

bool WriteAll(int fd, const void *buf, size_t n) {
    auto *p = static_cast<const char *>(buf);
    while (n > 0) {
        ssize_t r = write(fd, p, n);
        if (r <= 0)
            return false;
        p += r;
        n -= size_t(r);
    }
    return true;
}

size_t Pad4(size_t n) { return (n + 3) & ~size_t(3); }

template <class T> void Append(std::vector<char> &out, const T &v) {
    const char *p = reinterpret_cast<const char *>(&v);
    out.insert(out.end(), p, p + sizeof v);
}

std::vector<char> SetupReply() {
    std::vector<char> body;
    xConnSetup s{};
    s.release = 1;
    s.ridBase = 0x00200000;
    s.ridMask = 0x001fffff;
    s.nbytesVendor = 4;
    s.maxRequestSize = 65535;
    s.numRoots = 1;
    s.numFormats = 1;
    s.imageByteOrder = LSBFirst;
    s.bitmapBitOrder = LSBFirst;
    s.bitmapScanlineUnit = 32;
    s.bitmapScanlinePad = 32;
    s.minKeyCode = 8;
    s.maxKeyCode = 255;
    Append(body, s);
    body.insert(body.end(), {'f', 'a', 'k', 'e'});
    xPixmapFormat f{};
    f.depth = 24;
    f.bitsPerPixel = 32;
    f.scanLinePad = 32;
    Append(body, f);
    xWindowRoot r{};
    r.windowId = 0x100;
    r.defaultColormap = 0x20;
    r.whitePixel = 0xffffff;
    r.pixWidth = 1024;
    r.pixHeight = 768;
    r.mmWidth = 300;
    r.mmHeight = 200;
    r.minInstalledMaps = 1;
    r.maxInstalledMaps = 1;
    r.rootVisualID = 0x21;
    r.rootDepth = 24;
    r.nDepths = 1;
    Append(body, r);
    xDepth d{};
    d.depth = 24;
    d.nVisuals = 1;
    Append(body, d);
    xVisualType v{};
    v.visualID = 0x21;
    v.c_class = TrueColor;
    v.bitsPerRGB = 8;
    v.colormapEntries = 256;
    v.redMask = 0xff0000;
    v.greenMask = 0xff00;
    v.blueMask = 0xff;
    Append(body, v);

    std::vector<char> out;
    xConnSetupPrefix prefix{};
    prefix.success = 1;
    prefix.majorVersion = 11;
    prefix.length = CARD16(body.size() / 4);
    Append(out, prefix);
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

} // namespace

FakeXServer::FakeXServer() {
    if (pipe(stop_pipe_) != 0)
        return;
    for (int n = 4700 + int(getpid() % 200); n < 5900 && listen_fd_ < 0; ++n) {
        int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::string path = "/tmp/.X11-unix/X" + std::to_string(n);
        std::memcpy(addr.sun_path + 1, path.data(), path.size()); // abstract name
        socklen_t len = socklen_t(offsetof(sockaddr_un, sun_path) + 1 + path.size());
        if (bind(fd, reinterpret_cast<sockaddr *>(&addr), len) == 0 && listen(fd, 1) == 0) {
            listen_fd_ = fd;
            display_ = ":" + std::to_string(n);
        } else {
            close(fd);
        }
    }
    if (listen_fd_ >= 0)
        thread_ = std::thread([this] { Serve(); });
}

FakeXServer::~FakeXServer() {
    if (stop_pipe_[1] >= 0) {
        char c = 0;
        (void)!write(stop_pipe_[1], &c, 1);
    }
    if (thread_.joinable())
        thread_.join();
    for (int fd : {listen_fd_, stop_pipe_[0], stop_pipe_[1]})
        if (fd >= 0)
            close(fd);
}

void FakeXServer::Serve() {
    pollfd pf[2] = {{listen_fd_, POLLIN, 0}, {stop_pipe_[0], POLLIN, 0}};
    if (poll(pf, 2, -1) <= 0 || (pf[1].revents & POLLIN))
        return;
    int fd = accept(listen_fd_, nullptr, nullptr);
    if (fd < 0)
        return;
    xConnClientPrefix client{};
    std::vector<char> auth;
    if (ReadAll(fd, &client, sizeof client)) {
        auth.resize(Pad4(client.nbytesAuthProto) + Pad4(client.nbytesAuthString));
        if (ReadAll(fd, auth.data(), auth.size())) {
            std::vector<char> setup = SetupReply();
            WriteAll(fd, setup.data(), setup.size());
        }
    }
    uint16_t seq = 0;
    for (;;) {
        pollfd cf[2] = {{fd, POLLIN, 0}, {stop_pipe_[0], POLLIN, 0}};
        if (poll(cf, 2, -1) <= 0 || (cf[1].revents & POLLIN) || !(cf[0].revents & POLLIN))
            break;
        unsigned char head[4];
        if (!ReadAll(fd, head, 4))
            break;
        size_t units = size_t(head[2] | head[3] << 8);
        if (units == 0)
            break; // no big requests here
        std::vector<unsigned char> req(units * 4);
        std::memcpy(req.data(), head, 4);
        if (!ReadAll(fd, req.data() + 4, req.size() - 4))
            break;
        ++seq;
        std::vector<char> out;
        xGenericReply rep{};
        rep.type = X_Reply;
        rep.sequenceNumber = seq;
        switch (req[0]) {
        case X_QueryExtension: {
            size_t n = size_t(req[4] | req[5] << 8);
            std::string name(reinterpret_cast<const char *>(req.data() + 8), n);
            auto *q = reinterpret_cast<xQueryExtensionReply *>(&rep);
            q->present = name == QEVGFX_EXTENSION_NAME;
            q->major_opcode = q->present ? kMajorOpcode : 0;
            Append(out, rep);
            break;
        }
        case X_GetProperty:
        case X_GetInputFocus:
            Append(out, rep);
            break;
        case kMajorOpcode: {
            ++commands_;
            last_length_ = int(units);
            Answer a = answer_;
            if (a == Answer::Error) {
                xError e{};
                e.type = X_Error;
                e.errorCode = BadLength;
                e.sequenceNumber = seq;
                e.minorCode = QEVGFX_MINOR_COMMAND;
                e.majorCode = kMajorOpcode;
                Append(out, e);
                break;
            }
            QevCommandReply r;
            std::memset(&r, 0, sizeof r);
            r.type = X_Reply;
            r.sequence = seq;
            r.length = QEV_REPLY_EXTRA_UNITS;
            r.block.status = 1;
            for (int i = 0; i < QEV_CMD_OUTPUTS; ++i)
                r.block.output[i] = 1000 + i;
            const char *p = reinterpret_cast<const char *>(&r);
            if (a == Answer::Short) {
                r.length = 10;
                out.assign(p, p + 32 + 10 * 4);
            } else {
                out.assign(p, p + sizeof r);
                if (a == Answer::Long) {
                    reinterpret_cast<QevCommandReply *>(out.data())->length = 600;
                    out.resize(32 + 600 * 4, 0);
                }
            }
            break;
        }
        default:
            break; // requests without a reply
        }
        if (!out.empty() && !WriteAll(fd, out.data(), out.size()))
            break;
    }
    close(fd);
}

} // namespace qevtest
