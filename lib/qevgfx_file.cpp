#include "qevgfx_file.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace qev::file {
namespace {

// Owns a file descriptor; close() reports the result of closing, which
// matters for written files.
class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    ~Fd() { close(); }
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    bool close()
    {
        if (fd_ < 0)
            return true;
        const int rc = ::close(fd_);
        fd_ = -1;
        return rc == 0;
    }

private:
    int fd_;
};

bool writeAll(int fd, std::string_view data)
{
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

// Splits a path into its directory and its last component.
void splitPath(const std::string &path, std::string &dir, std::string &base)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        dir = ".";
        base = path;
    } else {
        dir = slash == 0 ? "/" : path.substr(0, slash);
        base = path.substr(slash + 1);
    }
}

// The target a rewrite must replace: the file a symbolic link points to, so
// the link survives; the path itself when it does not exist yet.
std::string resolveTarget(const std::string &path)
{
    std::unique_ptr<char, decltype(&std::free)> real(realpath(path.c_str(), nullptr), &std::free);
    return real ? std::string(real.get()) : path;
}

mode_t currentUmask()
{
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
}

}  // namespace

bool read(const std::string &path, std::string &out, bool forUpdate)
{
    out.clear();
    // O_NONBLOCK keeps a FIFO from blocking the open; only regular files are read.
    Fd fd(::open(path.c_str(), (forUpdate ? O_RDWR : O_RDONLY) | O_CLOEXEC | O_NONBLOCK));
    if (!fd.valid())
        return false;
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    std::vector<char> buf(64 * 1024);
    for (;;) {
        const ssize_t n = ::read(fd.get(), buf.data(), buf.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            out.clear();
            return false;
        }
        if (n == 0)
            break;
        out.append(buf.data(), static_cast<size_t>(n));
    }
    if (!fd.close()) {
        out.clear();
        return false;
    }
    return true;
}

bool replace(const std::string &path, std::string_view data, mode_t newFileMode)
{
    if (path.empty())
        return false;
    const std::string target = resolveTarget(path);
    struct stat st {};
    const bool existed = ::stat(target.c_str(), &st) == 0;
    if (existed && !S_ISREG(st.st_mode))
        return false;

    std::string dir, base;
    splitPath(target, dir, base);
    // The temporary name stays within NAME_MAX however long the target's is.
    std::string tmpl = (dir == "/" ? std::string() : dir) + "/." + base.substr(0, 200) + ".XXXXXX";
    Fd fd(::mkostemp(tmpl.data(), O_CLOEXEC));
    if (!fd.valid())
        return false;
    const std::string &tmp = tmpl;

    bool ok = writeAll(fd.get(), data);
    if (ok && existed && (st.st_uid != ::geteuid() || st.st_gid != ::getegid())) {
        // Keeping the owner needs privileges; without them the new file
        // belongs to the caller, like any file this user writes.
        [[maybe_unused]] const int rc = ::fchown(fd.get(), st.st_uid, st.st_gid);
    }
    if (ok)
        ok = ::fchmod(fd.get(), existed ? (st.st_mode & 07777) : (newFileMode & ~currentUmask())) == 0;
    if (ok)
        ok = ::fsync(fd.get()) == 0;
    if (!fd.close())
        ok = false;
    if (ok)
        ok = ::rename(tmp.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(tmp.c_str());
        return false;
    }
    // Make the rename itself durable. The target already holds the new
    // contents, so a failure here does not undo the replacement.
    Fd dirFd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dirFd.valid())
        ::fsync(dirFd.get());
    return true;
}

bool copy(const std::string &from, const std::string &to)
{
    std::string data;
    if (!read(from, data))
        return false;
    struct stat st {};
    const mode_t mode = ::stat(from.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644;
    return replace(to, data, mode);
}

bool exists(const std::string &path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

}  // namespace qev::file
