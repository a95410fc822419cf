// The simulated framebuffer device: one adapter model per process, created
// (with the profile named by QEVSIM_PROFILE) when "/dev/fb0" is first opened.
// Device descriptors are memfds, so they are real descriptors that fcntl,
// fstat and close accept; each is remembered with its inode, which guards
// against a descriptor number reused after a close the stand-in did not see.
//
// QEVSIM_FB_LOG names a file that gets one line per request (format in
// sim/README.md, "Framebuffer stand-in"). QEVSIM_FB_STATE names a journal of
// the state-changing requests carried out so far: each process replays it
// before every request and appends its own successful writes, under an
// exclusive lock, so that several processes see one device.
#include "fb_device.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "qev/fb.h"
#include "qevsim_model.h"

namespace {

struct Name {
    uint32_t request;
    const char *name;
};
#define QEV_REQUEST_NAME_(nn, name) {QEV_FB_REQUEST(nn), #name},
constexpr Name kNames[] = {QEV_FB_REQUEST_TABLE(QEV_REQUEST_NAME_)};
#undef QEV_REQUEST_NAME_

constexpr size_t kModuleNameBuffer = 50;  // the library's buffer for 0x22

// What each request reads from and writes to its argument, in bytes. The
// records the library passes through have the sizes the model fills.
struct Io {
    uint32_t request;
    uint16_t in, out;
    bool text_out;  // the argument comes back as a NUL-terminated name
    bool changes;   // a successful request changes the device (journalled)
};
constexpr Io kIo[] = {
    {QEV_FB_FbResolutionInfo, 0, 16, false, false},
    {QEV_FB_MemoryInfo, 0, 16, false, false},
    {QEV_FB_DriverVersion, 0, 16, false, false},
    {QEV_FB_ChipInfo, 0, QEV_CHIPINFO_SIZE, false, false},
    {QEV_FB_WriteDeviceState, QEV_DS_SIZE, 0, false, true},
    {QEV_FB_ReadDeviceState, 0, QEV_DS_SIZE, false, false},
    {QEV_FB_SupportedOutputs, 0, 4, false, false},
    {QEV_FB_ConnectedOutputs, 0, 4, false, false},
    {QEV_FB_PanelExpandSupported, 0, 4, false, false},
    {QEV_FB_TVSignalTypesSupported, 0, 4, false, false},
    {QEV_FB_TVStandardsSupported, 0, 4, false, false},
    {QEV_FB_TVMaxViewSize, 0, 8, false, false},
    {QEV_FB_TVMaxViewPosition, 0, 8, false, false},
    {QEV_FB_TVTuningItemsSupported, 0, 4, false, false},
    {QEV_FB_TVTuningItemMax, 4, 4, false, false},
    {QEV_FB_TVSettingItemsSupported, 0, 4, false, false},
    {QEV_FB_DriverModuleName, 0, kModuleNameBuffer, true, false},
    {QEV_FB_WriteGammaTable, 1024, 0, false, true},
    {QEV_FB_GammaSupported, 0, 4, false, false},
    {QEV_FB_WriteVideoDevice, 4, 0, false, true},
    {QEV_FB_ReadVideoDevice, 0, 4, false, false},
    {QEV_FB_SammSecondMode, 0, 16, false, false},
    {QEV_FB_EngineSync, 0, 0, false, false},
    {QEV_FB_FunctionCaps, 0, 128, false, false},
    {QEV_FB_PanelMaxViewSize, 4, 12, false, false},
    {QEV_FB_PanelMaxViewPosition, 4, 12, false, false},
    {QEV_FB_WritePanelViewSize, 12, 0, false, true},
    {QEV_FB_WritePanelViewPosition, 12, 0, false, true},
    {QEV_FB_ReadPanelViewPosition, 4, 12, false, false},
    {QEV_FB_ReadPanelViewSize, 4, 12, false, false},
};
static_assert(std::size(kIo) == std::size(kNames), "every request needs its record shape");

const Io *io_of(unsigned long request) {
    for (const Io &io : kIo)
        if (io.request == request)
            return &io;
    return nullptr;
}

const char *name_of(unsigned long request) {
    for (const Name &n : kNames)
        if (n.request == request)
            return n.name;
    return "-";
}

const char *errno_name(int e) {
    switch (e) {
    case ENOTTY: return "ENOTTY";
    case EINVAL: return "EINVAL";
    case EFAULT: return "EFAULT";
    case ENODEV: return "ENODEV";
    default: return nullptr;
    }
}

uint32_t word_at(const void *p, size_t off) {
    const auto *b = static_cast<const uint8_t *>(p) + off;
    return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
}

void put_word(void *p, size_t off, uint32_t v) {
    auto *b = static_cast<uint8_t *>(p) + off;
    for (int i = 0; i < 4; i++)
        b[i] = uint8_t(v >> (8 * i));
}

std::string hex32(unsigned long v) {
    static const char digits[] = "0123456789abcdef";
    std::string s(8, '0');
    for (int i = 7; i >= 0; i--, v >>= 4)
        s[size_t(i)] = digits[v & 0xf];
    return s;
}

// Comma-separated little-endian words of a record.
std::string words(const void *p, size_t bytes) {
    std::string s;
    for (size_t off = 0; off + 4 <= bytes; off += 4) {
        if (off)
            s += ',';
        s += hex32(word_at(p, off));
    }
    return s;
}

// A name in double quotes; bytes outside printable ASCII, quotes and
// backslashes as \xNN.
std::string quoted(const char *p, size_t max) {
    std::string s = "\"";
    for (size_t i = 0; i < max && p[i]; i++) {
        auto c = static_cast<unsigned char>(p[i]);
        if (c < 0x20 || c > 0x7e || c == '"' || c == '\\')
            s += "\\x" + hex32(c).substr(6);
        else
            s += char(c);
    }
    return s + "\"";
}

// Writes all of text to fd; one write call for lines that fit a pipe buffer.
void write_all(int fd, std::string_view text) {
    while (!text.empty()) {
        ssize_t n = write(fd, text.data(), text.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        text.remove_prefix(size_t(n));
    }
}

void message(const std::string &text) { write_all(STDERR_FILENO, "qevsim-fb: " + text + "\n"); }

// A recursive lock that a forked child can make afresh: the child's thread
// has a new id, so it could not release a recursive lock taken before fork.
class ForkableLock {
public:
    ForkableLock() { init(); }
    void init() {
        pthread_mutexattr_t attr;
        pthread_mutexattr_init(&attr);
        pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_RECURSIVE);
        pthread_mutex_init(&m_, &attr);
        pthread_mutexattr_destroy(&attr);
    }
    void lock() { pthread_mutex_lock(&m_); }
    void unlock() { pthread_mutex_unlock(&m_); }

private:
    pthread_mutex_t m_;
};

class Device {
public:
    int open(int flags);
    bool is_device(int fd);
    int ioctl(int fd, unsigned long request, void *arg);
    void forget(int fd);
    // Held across fork, so that a child never inherits it taken by another
    // thread.
    void before_fork() { mu_.lock(); }
    void after_fork_parent() { mu_.unlock(); }
    void after_fork_child() { mu_.init(); }

private:
    struct Identity {
        dev_t dev;
        ino_t ino;
    };
    bool ensure_model();
    bool same_file(int fd, const Identity &id);
    int journal_open();
    void journal_replay(int jfd);
    void journal_append(int jfd, const Io &io, const void *arg);
    void log(unsigned long request, const Io *io, const std::string &in, const void *arg, int rc, int err);

    ForkableLock mu_;
    QevSimModel *model_ = nullptr;
    bool unusable_ = false;  // the profile was refused; said once
    bool journal_warned_ = false;
    off_t journal_offset_ = 0;
    std::map<int, Identity> fds_;
    std::atomic<int> open_count_{0};
};

Device *g_device;

Device &device() {
    // Never destroyed: other libraries may open or close files from their
    // own exit handlers, after static destructors ran.
    static Device *d = [] {
        g_device = new Device;
        pthread_atfork([] { g_device->before_fork(); }, [] { g_device->after_fork_parent(); },
                       [] { g_device->after_fork_child(); });
        return g_device;
    }();
    return *d;
}

bool Device::ensure_model() {
    if (model_)
        return true;
    if (unusable_)
        return false;
    QevSimModel *m = qevsim_model_new();
    const char *profile = std::getenv("QEVSIM_PROFILE");
    if (profile && *profile) {
        std::string err(1024, '\0');
        if (!qevsim_model_load_profile(m, profile, err.data(), err.size())) {
            err.resize(std::strlen(err.c_str()));
            message(err);
            qevsim_model_free(m);
            unusable_ = true;
            return false;
        }
    }
    model_ = m;
    return true;
}

bool Device::same_file(int fd, const Identity &id) {
    struct stat st;
    return fstat(fd, &st) == 0 && st.st_dev == id.dev && st.st_ino == id.ino;
}

int Device::open(int flags) {
    std::lock_guard lock(mu_);
    const int saved_errno = errno;
    if (!ensure_model()) {
        errno = ENODEV;
        return -1;
    }
    if (flags & O_DIRECTORY) {
        errno = ENOTDIR;
        return -1;
    }
    const int reopen_flags = flags & (O_ACCMODE | O_CLOEXEC | O_NONBLOCK);
    int fd = memfd_create("qevsim-fb0", (flags & O_CLOEXEC) ? MFD_CLOEXEC : 0);
    if (fd >= 0) {
        // Reopened through /proc so that the descriptor has the access mode
        // the caller asked for (a memfd is always read-write), and moved back
        // to the lowest free number, as open() would give.
        int again = qevfb_real_open(("/proc/self/fd/" + std::to_string(fd)).c_str(), reopen_flags, 0);
        if (again >= 0) {
            dup3(again, fd, flags & O_CLOEXEC);  // on failure the memfd stays
            qevfb_real_close(again);
        }
    } else if (errno != EMFILE && errno != ENFILE) {
        fd = qevfb_real_open("/dev/null", reopen_flags, 0);
    }
    if (fd < 0)
        return -1;
    struct stat st;
    if (fstat(fd, &st) != 0) {
        int e = errno;
        qevfb_real_close(fd);
        errno = e;
        return -1;
    }
    fds_[fd] = Identity{st.st_dev, st.st_ino};
    open_count_.store(int(fds_.size()));
    errno = saved_errno;
    return fd;
}

bool Device::is_device(int fd) {
    if (open_count_.load() == 0)
        return false;
    std::lock_guard lock(mu_);
    auto it = fds_.find(fd);
    if (it == fds_.end())
        return false;
    if (same_file(fd, it->second))
        return true;
    fds_.erase(it);  // closed behind our back and reused
    open_count_.store(int(fds_.size()));
    return false;
}

void Device::forget(int fd) {
    if (open_count_.load() == 0)
        return;
    std::lock_guard lock(mu_);
    fds_.erase(fd);
    open_count_.store(int(fds_.size()));
}

int Device::journal_open() {
    const char *path = std::getenv("QEVSIM_FB_STATE");
    if (!path || !*path)
        return -1;
    int jfd = qevfb_real_open(path, O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (jfd < 0) {
        if (!journal_warned_)
            message(std::string("QEVSIM_FB_STATE: ") + path + ": " + std::strerror(errno) +
                    " (device state stays in this process)");
        journal_warned_ = true;
        return -1;
    }
    while (flock(jfd, LOCK_EX) != 0 && errno == EINTR) {
    }
    return jfd;
}

// Applies the journal lines other processes appended since the last look.
// Each line is "0x514556NN WORD,WORD,..." (the request's input record).
void Device::journal_replay(int jfd) {
    struct stat st;
    if (fstat(jfd, &st) != 0)
        return;
    if (st.st_size < journal_offset_)
        journal_offset_ = 0;  // the file was started again: replay it whole
    if (st.st_size == journal_offset_)
        return;
    std::string text(size_t(st.st_size - journal_offset_), '\0');
    ssize_t n = pread(jfd, text.data(), text.size(), journal_offset_);
    if (n <= 0)
        return;
    text.resize(size_t(n));
    size_t end = text.rfind('\n');
    if (end == std::string::npos)
        return;  // no complete line yet
    journal_offset_ += off_t(end + 1);
    size_t pos = 0;
    while (pos <= end) {
        size_t eol = text.find('\n', pos);
        std::string line = text.substr(pos, eol - pos);
        pos = eol + 1;
        char *rest = nullptr;
        unsigned long request = std::strtoul(line.c_str(), &rest, 16);
        const Io *io = io_of(request);
        if (!io || !io->changes || *rest != ' ')
            continue;
        std::vector<uint8_t> record(io->in, 0);
        const char *p = rest + 1;
        for (size_t off = 0; off + 4 <= record.size() && *p; off += 4) {
            put_word(record.data(), off, uint32_t(std::strtoul(p, &rest, 16)));
            p = *rest == ',' ? rest + 1 : rest;
        }
        qevsim_model_fb_ioctl(model_, request, record.data());
    }
}

void Device::journal_append(int jfd, const Io &io, const void *arg) {
    std::string line = "0x" + hex32(io.request) + " " + words(arg, io.in) + "\n";
    write_all(jfd, line);
    struct stat st;
    if (fstat(jfd, &st) == 0)
        journal_offset_ = st.st_size;
}

void Device::log(unsigned long request, const Io *io, const std::string &in, const void *arg, int rc, int err) {
    const char *path = std::getenv("QEVSIM_FB_LOG");
    if (!path || !*path)
        return;
    std::string line = std::to_string(getpid()) + " 0x" + hex32(request) + " " + name_of(request);
    if (rc == 0) {
        line += " rc=0";
    } else {
        const char *en = errno_name(err);
        line += " rc=-1 errno=" + (en ? std::string(en) : std::to_string(err));
    }
    if (!in.empty())
        line += " in=" + in;
    if (rc == 0 && io && arg) {
        if (io->text_out)
            line += " out=" + quoted(static_cast<const char *>(arg), io->out);
        else if (io->out)
            line += " out=" + words(arg, io->out);
    }
    line += '\n';
    int fd = qevfb_real_open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0)
        return;
    write_all(fd, line);
    qevfb_real_close(fd);
}

int Device::ioctl(int fd, unsigned long request, void *arg) {
    std::lock_guard lock(mu_);
    const int saved_errno = errno;
    if (!fds_.count(fd) || !model_) {
        errno = EBADF;
        return -1;
    }
    const Io *io = io_of(request);
    int jfd = io ? journal_open() : -1;
    if (jfd >= 0)
        journal_replay(jfd);
    std::string in;
    if (io && arg && io->in && std::getenv("QEVSIM_FB_LOG"))
        in = words(arg, io->in);
    errno = 0;
    int rc = qevsim_model_fb_ioctl(model_, request, arg);
    int err = rc == 0 ? 0 : errno;
    if (jfd >= 0) {
        if (rc == 0 && io->changes)
            journal_append(jfd, *io, arg);
        qevfb_real_close(jfd);  // also drops the lock
    }
    log(request, io, in, arg, rc, err);
    errno = rc == 0 ? saved_errno : err;
    return rc;
}

}  // namespace

extern "C" int qevfb_is_device_path(const char *path) { return path && std::strcmp(path, QEV_FB_DEVICE) == 0; }

extern "C" int qevfb_open(int flags) { return device().open(flags); }

extern "C" int qevfb_is_device_fd(int fd) { return fd >= 0 && device().is_device(fd); }

extern "C" int qevfb_ioctl(int fd, unsigned long request, void *arg) { return device().ioctl(fd, request, arg); }

extern "C" void qevfb_forget(int fd) { device().forget(fd); }
