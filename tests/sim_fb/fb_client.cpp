// A small program that the framebuffer stand-in tests start with the stand-in
// preloaded. Its arguments are a sequence of steps; each prints one line:
//
//   open | open64 | openat | openat64 | open_2 | open64_2 | openat_2 | openat64_2
//                      open "/dev/fb0" read-only with that entry point
//                      -> "open FD" or "open -1 ERRNO"
//   open_cloexec       open "/dev/fb0" read-write with O_CLOEXEC -> "open FD"
//   flags              -> "flags cloexec=0|1 acc=0|1|2" of the current descriptor
//   ioctl REQ N IN     request REQ (hex; a value below 0x100 is the low byte
//                      of 0x514556nn) on the current descriptor with a zeroed
//                      record whose first words are IN (hex words joined by
//                      ',', or '-' for none)
//                      -> "ioctl 0[ W0,...,W(N-1)]" or "ioctl -1 ERRNO"
//   ioctl_null REQ     the same with a null argument -> "ioctl RC [ERRNO]"
//   name               request 0x22 into a 50-byte buffer -> "name TEXT"
//   close              close the current descriptor -> "close RC"
//   file PATH          pass-through checks on a regular file: create with
//                      mode 0640 through open and openat, write, read back
//                      -> "file MODE TEXT ioctl=ERRNO"
//   null               open, read and ioctl on "/dev/null" -> "null FD N RC ERRNO"
//   fork STEP... end   run the steps up to "end" in a forked child (which
//                      inherits the open device) and wait for it
//   sysclose           close the current descriptor with the raw system
//                      call, which the stand-in does not see -> "sysclose RC"
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "qev/fb.h"

extern "C" {
int __open_2(const char *, int);
int __open64_2(const char *, int);
int __openat_2(int, const char *, int);
int __openat64_2(int, const char *, int);
int open64(const char *, int, ...);
int openat64(int, const char *, int, ...);
}

namespace {

int g_fd = -1;

// "ENOTTY" and the like.
const char *errno_text(int e) {
    const char *name = strerrorname_np(e);
    return name ? name : strerror(e);
}

unsigned long request_arg(const char *text) {
    unsigned long r = std::strtoul(text, nullptr, 16);
    return r < 0x100 ? QEV_FB_REQUEST(r) : r;
}

void print_open(int fd) {
    if (fd < 0)
        std::printf("open -1 %s\n", errno_text(errno));
    else
        std::printf("open %d\n", fd);
    g_fd = fd;
}

int open_with(const std::string &how) {
    const char *dev = QEV_FB_DEVICE;
    if (how == "open") return open(dev, O_RDONLY);
    if (how == "open64") return open64(dev, O_RDONLY);
    if (how == "openat") return openat(AT_FDCWD, dev, O_RDONLY);
    if (how == "openat64") return openat64(AT_FDCWD, dev, O_RDONLY);
    if (how == "open_2") return __open_2(dev, O_RDONLY);
    if (how == "open64_2") return __open64_2(dev, O_RDONLY);
    if (how == "openat_2") return __openat_2(AT_FDCWD, dev, O_RDONLY);
    return __openat64_2(AT_FDCWD, dev, O_RDONLY);
}

void do_ioctl(unsigned long req, int nout, const std::vector<uint32_t> &in) {
    std::vector<uint32_t> rec(512, 0);
    for (size_t i = 0; i < in.size() && i < rec.size(); i++)
        rec[i] = in[i];
    if (ioctl(g_fd, req, rec.data()) != 0) {
        std::printf("ioctl -1 %s\n", errno_text(errno));
        return;
    }
    std::printf("ioctl 0");
    for (int i = 0; i < nout; i++)
        std::printf(i ? ",%08x" : " %08x", rec[size_t(i)]);
    std::printf("\n");
}

void do_file(const std::string &path) {
    unlink(path.c_str());
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0640);
    bool wrote = fd >= 0 && write(fd, "hello", 5) == 5;
    close(fd);
    std::string at = path + ".at";
    unlink(at.c_str());
    int fd2 = openat(AT_FDCWD, at.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0604);
    close(fd2);
    struct stat st{}, st2{};
    stat(path.c_str(), &st);
    stat(at.c_str(), &st2);
    char buf[16] = {};
    fd = open(path.c_str(), O_RDONLY);
    ssize_t n = read(fd, buf, sizeof buf - 1);
    uint32_t word = 0;
    int rc = ioctl(fd, QEV_FB_ReadDeviceState, &word);
    int e = errno;
    close(fd);
    std::printf("file %o %o %s%s ioctl=%d/%s\n", st.st_mode & 0777, st2.st_mode & 0777, wrote ? "" : "nowrite:",
                n > 0 ? buf : "", rc, errno_text(e));
}

void do_null() {
    int fd = open("/dev/null", O_RDWR);
    char c;
    ssize_t n = read(fd, &c, 1);
    uint8_t block[QEV_DS_SIZE] = {};
    int rc = ioctl(fd, QEV_FB_ReadDeviceState, block);
    int e = errno;
    std::printf("null %d %zd %d %s\n", fd, n, rc, errno_text(e));
    g_fd = fd;  // left open: the next device open must not reuse it
}

}  // namespace

int run_steps(int argc, char **argv, int i);

// Runs a child for the steps from argv[i] to the matching "end"; returns the
// index of that "end".
int fork_steps(int argc, char **argv, int i) {
    int end = i, depth = 1;
    for (; end < argc; end++) {
        std::string s = argv[end];
        depth += s == "fork" ? 1 : s == "end" ? -1 : 0;
        if (depth == 0)
            break;
    }
    std::fflush(stdout);
    pid_t pid = fork();
    if (pid == 0) {
        argv[end < argc ? end : argc - 1] = nullptr;
        std::_Exit(run_steps(end < argc ? end : argc, argv, i));
    }
    int status = 0;
    waitpid(pid, &status, 0);
    std::printf("child %d\n", WIFEXITED(status) ? WEXITSTATUS(status) : 128);
    return end;
}

int run_steps(int argc, char **argv, int i) {
    for (; i < argc; i++) {
        std::string step = argv[i];
        if (step == "fork") {
            i = fork_steps(argc, argv, i + 1);
        } else if (step.rfind("open", 0) == 0 && step != "open_cloexec") {
            print_open(open_with(step));
        } else if (step == "open_cloexec") {
            print_open(open(QEV_FB_DEVICE, O_RDWR | O_CLOEXEC));
        } else if (step == "flags") {
            std::printf("flags cloexec=%d acc=%d\n", (fcntl(g_fd, F_GETFD) & FD_CLOEXEC) ? 1 : 0,
                        fcntl(g_fd, F_GETFL) & O_ACCMODE);
        } else if (step == "ioctl" && i + 3 < argc) {
            unsigned long req = request_arg(argv[++i]);
            int nout = std::atoi(argv[++i]);
            std::vector<uint32_t> in;
            for (char *p = argv[++i]; *p && *p != '-';) {
                char *end;
                unsigned long w = std::strtoul(p, &end, 16);
                if (end == p)
                    break;
                in.push_back(uint32_t(w));
                p = *end == ',' ? end + 1 : end;
            }
            do_ioctl(req, nout, in);
        } else if (step == "ioctl_null" && i + 1 < argc) {
            int rc = ioctl(g_fd, request_arg(argv[++i]), nullptr);
            std::printf("ioctl %d%s%s\n", rc, rc ? " " : "", rc ? errno_text(errno) : "");
        } else if (step == "name") {
            char buf[50];
            std::memset(buf, 'x', sizeof buf);
            if (ioctl(g_fd, QEV_FB_DriverModuleName, buf) != 0)
                std::printf("name -1 %s\n", errno_text(errno));
            else
                std::printf("name %.*s\n", int(strnlen(buf, sizeof buf)), buf);
        } else if (step == "close") {
            std::printf("close %d\n", close(g_fd));
        } else if (step == "file" && i + 1 < argc) {
            do_file(argv[++i]);
        } else if (step == "sysclose") {
            std::printf("sysclose %ld\n", syscall(SYS_close, g_fd));
        } else if (step == "null") {
            do_null();
        } else {
            std::fprintf(stderr, "fb_client: bad step '%s'\n", argv[i]);
            return 2;
        }
    }
    return 0;
}

int main(int argc, char **argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    return run_steps(argc, argv, 1);
}
