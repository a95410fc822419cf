#include "local_xorg.h"

#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace simdrv {
namespace {

std::string g_scratch;
std::string g_home_mount;  // the HOME directory hidden by a bind mount
int g_server_serial = 0;

bool bind_over(const std::string& src, const char* target)
{
    struct stat st;
    if (stat(target, &st) != 0)
        mkdir(target, 0755);
    return mount(src.c_str(), target, nullptr, MS_BIND, nullptr) == 0;
}

// Closes every descriptor from 3 up except keep (in a forked child).
void close_fds_except(int keep)
{
    long max = sysconf(_SC_OPEN_MAX);
    for (int fd = 3; fd < (max > 0 ? max : 1024) && fd < 4096; fd++)
        if (fd != keep)
            close(fd);
}

const char* xorg_binary()
{
    return access("/usr/lib/xorg/Xorg", X_OK) == 0 ? "/usr/lib/xorg/Xorg" : "Xorg";
}

bool host_big_endian()
{
    const uint16_t one = 1;
    uint8_t first;
    std::memcpy(&first, &one, 1);
    return first == 0;
}

}  // namespace

bool enter_sandbox(std::string* why)
{
    char tmpl[] = "/tmp/qevsim-driver-tests-XXXXXX";
    if (!mkdtemp(tmpl)) {
        *why = "mkdtemp failed";
        return false;
    }
    g_scratch = tmpl;
    const std::string etc = g_scratch + "/etc-X11", home = g_scratch + "/home";
    mkdir(etc.c_str(), 0755);
    mkdir(home.c_str(), 0755);
    if (unshare(CLONE_NEWNS) != 0) {
        *why = std::string("unshare(CLONE_NEWNS): ") + std::strerror(errno);
        return false;
    }
    if (mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
        *why = std::string("making / private: ") + std::strerror(errno);
        return false;
    }
    if (!bind_over(etc, "/etc/X11")) {
        *why = std::string("bind mount over /etc/X11: ") + std::strerror(errno);
        return false;
    }
    const char* h = std::getenv("HOME");
    if (h && *h && std::strcmp(h, "/") != 0 && !bind_over(home, h)) {
        *why = std::string("bind mount over HOME: ") + std::strerror(errno);
        return false;
    }
    if (h && *h && std::strcmp(h, "/") != 0)
        g_home_mount = h;
    setenv("HOME", home.c_str(), 1);  // also when HOME was unset
    mkdir("/etc/X11/qevsim-test.d", 0755);  // an empty configuration directory
    return true;
}

void leave_sandbox(bool keep_files)
{
    if (g_scratch.empty())
        return;
    umount2("/etc/X11", MNT_DETACH);
    if (!g_home_mount.empty())
        umount2(g_home_mount.c_str(), MNT_DETACH);
    if (keep_files) {
        std::fprintf(stderr, "server logs kept in %s\n", g_scratch.c_str());
        return;
    }
    std::error_code ec;
    std::filesystem::remove_all(g_scratch, ec);
}

const std::string& scratch_dir() { return g_scratch; }

bool write_file(const std::string& path, const std::string& text)
{
    std::ofstream f(path, std::ios::trunc);
    f << text;
    return static_cast<bool>(f);
}

std::string read_file(const std::string& path)
{
    std::ifstream f(path);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

bool Server::start(const std::vector<std::pair<std::string, std::string>>& device_options,
                   const std::vector<std::string>& extra_args)
{
    std::string conf =
        "Section \"ServerFlags\"\n"
        "  Option \"AutoAddDevices\" \"false\"\n"
        "  Option \"AutoEnableDevices\" \"false\"\n"
        "EndSection\n"
        "Section \"Device\"\n"
        "  Identifier \"qev0\"\n"
        "  Driver \"qevsim\"\n";
    for (const auto& [key, value] : device_options)
        conf += "  Option \"" + key + "\" \"" + value + "\"\n";
    conf +=
        "EndSection\n"
        "Section \"Screen\"\n"
        "  Identifier \"scr0\"\n"
        "  Device \"qev0\"\n"
        "  DefaultDepth 24\n"
        "EndSection\n";
    return start_conf(conf, extra_args);
}

bool Server::start_conf(const std::string& conf, const std::vector<std::string>& extra_args)
{
    stop();
    const std::string base = g_scratch + "/server" + std::to_string(++g_server_serial);
    const std::string conf_path = "/etc/X11/qevsim-test" + std::to_string(g_server_serial) + ".conf";
    log_path_ = base + ".log";
    if (!write_file(conf_path, conf))
        return false;

    // Everything the child needs is prepared before fork.
    const std::string modules = std::string(QEVSIM_MODULE_DIR) + ",/usr/lib/xorg/modules";
    std::vector<std::string> args{"Xorg",     "-config",   conf_path, "-configdir", "qevsim-test.d",
                                  "-modulepath", modules,  "-logfile", log_path_,   "-noreset",
                                  "-nolisten", "tcp",      "-displayfd"};
    const std::string out_path = base + ".out";
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return false;
    int keep = fcntl(fds[1], F_DUPFD, 10);  // the server's end, kept open across exec
    if (keep < 0) {
        close(fds[0]);
        close(fds[1]);
        return false;
    }
    args.push_back(std::to_string(keep));
    args.insert(args.end(), extra_args.begin(), extra_args.end());
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = fork();
    if (pid < 0) {
        close(fds[0]);
        close(fds[1]);
        close(keep);
        return false;
    }
    if (pid == 0) {
        int devnull = open("/dev/null", O_RDWR);
        int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(devnull, 0);
        dup2(out >= 0 ? out : devnull, 1);
        dup2(out >= 0 ? out : devnull, 2);
        close_fds_except(keep);
        execvp(xorg_binary(), argv.data());
        _exit(127);
    }
    close(fds[1]);
    close(keep);
    pid_ = pid;

    std::string text;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline && text.find('\n') == std::string::npos) {
        pollfd p{fds[0], POLLIN, 0};
        if (poll(&p, 1, 200) <= 0)
            continue;
        char buf[32];
        ssize_t n = read(fds[0], buf, sizeof buf);
        if (n <= 0)
            break;  // the server closed the pipe: it died
        text.append(buf, static_cast<size_t>(n));
    }
    close(fds[0]);
    if (text.find('\n') == std::string::npos) {
        stop();
        return false;
    }
    display_ = std::atoi(text.c_str());
    return true;
}

void Server::stop()
{
    if (pid_ <= 0)
        return;
    kill(pid_, SIGTERM);
    for (int i = 0; i < 100; i++) {
        if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
            pid_ = -1;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

int run(const std::vector<std::string>& argv, const std::string& display, std::string* out)
{
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
    std::vector<char*> args;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    std::vector<std::string> env_strings;
    for (char** e = environ; *e; e++)
        if (std::strncmp(*e, "DISPLAY=", 8) != 0)
            env_strings.emplace_back(*e);
    env_strings.push_back("DISPLAY=" + display);
    std::vector<char*> env;
    for (auto& e : env_strings)
        env.push_back(e.data());
    env.push_back(nullptr);
    pid_t pid;
    int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), env.data());
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (rc != 0) {
        close(fds[0]);
        return -1;
    }
    out->clear();
    char buf[4096];
    ssize_t n;
    while ((n = read(fds[0], buf, sizeof buf)) > 0 || (n < 0 && errno == EINTR))
        if (n > 0)
            out->append(buf, static_cast<size_t>(n));
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// ---- raw client -------------------------------------------------------------

RawClient::~RawClient()
{
    if (fd_ >= 0)
        close(fd_);
}

void RawClient::put16(std::vector<uint8_t>& b, uint16_t v) const
{
    bool big = host_big_endian() != swapped_;
    b.push_back(big ? uint8_t(v >> 8) : uint8_t(v));
    b.push_back(big ? uint8_t(v) : uint8_t(v >> 8));
}

void RawClient::put32(std::vector<uint8_t>& b, uint32_t v) const
{
    bool big = host_big_endian() != swapped_;
    for (int i = 0; i < 4; i++)
        b.push_back(uint8_t(v >> (big ? 24 - 8 * i : 8 * i)));
}

uint32_t RawClient::word(const Response& r, size_t offset) const
{
    if (offset + 4 > r.bytes.size())
        return 0;
    bool big = host_big_endian() != swapped_;
    uint32_t v = 0;
    for (int i = 0; i < 4; i++)
        v |= uint32_t(r.bytes[offset + i]) << (big ? 24 - 8 * i : 8 * i);
    return v;
}

bool RawClient::send_all(const std::vector<uint8_t>& b)
{
    size_t done = 0;
    while (done < b.size()) {
        ssize_t n = write(fd_, b.data() + done, b.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

bool RawClient::recv_all(uint8_t* p, size_t n)
{
    size_t done = 0;
    while (done < n) {
        pollfd pf{fd_, POLLIN, 0};
        if (poll(&pf, 1, 5000) <= 0)
            return false;
        ssize_t r = read(fd_, p + done, n - done);
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            return false;
        done += static_cast<size_t>(r);
    }
    return true;
}

bool RawClient::connect(int display, bool swapped)
{
    swapped_ = swapped;
    fd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0)
        return false;
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::snprintf(addr.sun_path, sizeof addr.sun_path, "/tmp/.X11-unix/X%d", display);
    if (::connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0)
        return false;
    std::vector<uint8_t> setup;
    setup.push_back((host_big_endian() != swapped_) ? 'B' : 'l');
    setup.push_back(0);
    put16(setup, 11);
    put16(setup, 0);
    put16(setup, 0);
    put16(setup, 0);
    put16(setup, 0);
    if (!send_all(setup))
        return false;
    uint8_t head[8];
    if (!recv_all(head, sizeof head) || head[0] != 1)
        return false;
    const bool big = host_big_endian() != swapped_;
    const uint32_t extra = big ? (uint32_t(head[6]) << 8 | head[7]) : (uint32_t(head[7]) << 8 | head[6]);
    std::vector<uint8_t> rest(extra * 4);
    return recv_all(rest.data(), rest.size());
}

RawClient::Response RawClient::read_response()
{
    Response r;
    uint8_t head[32];
    if (!recv_all(head, sizeof head))
        return r;
    r.bytes.assign(head, head + 32);
    bool big = host_big_endian() != swapped_;
    r.sequence = big ? uint16_t(head[2] << 8 | head[3]) : uint16_t(head[3] << 8 | head[2]);
    if (head[0] == 0) {
        r.error_code = head[1];
        return r;
    }
    if (head[0] != 1)
        return r;  // an event: not expected on this connection
    uint32_t extra = word(r, 4);
    if (extra > (1u << 20))
        return r;
    r.bytes.resize(32 + size_t(extra) * 4);
    if (!recv_all(r.bytes.data() + 32, size_t(extra) * 4))
        return r;
    r.ok = true;
    return r;
}

int RawClient::query_extension(const std::string& name)
{
    std::vector<uint8_t> req;
    const size_t padded = (name.size() + 3) & ~size_t(3);
    req.push_back(98);  // QueryExtension
    req.push_back(0);
    put16(req, uint16_t(2 + padded / 4));
    put16(req, uint16_t(name.size()));
    put16(req, 0);
    req.insert(req.end(), name.begin(), name.end());
    req.resize(8 + padded, 0);
    if (!send_all(req))
        return 0;
    Response r = read_response();
    if (!r.ok || r.bytes[8] == 0)
        return 0;
    return r.bytes[9];
}

RawClient::Response RawClient::command(int major, int minor, const QevCommandBlock& block, int units)
{
    std::vector<uint8_t> req;
    req.push_back(uint8_t(major));
    req.push_back(uint8_t(minor));
    put16(req, uint16_t(units));
    put32(req, 0);
    const uint32_t* words = reinterpret_cast<const uint32_t*>(&block);
    for (size_t i = 0; i < sizeof block / 4; i++)
        put32(req, words[i]);
    req.resize(size_t(units) * 4, 0);
    if (!send_all(req))
        return {};
    return read_response();
}

}  // namespace simdrv
