/* A framebuffer device for the test process: open("/dev/fb0") yields a
 * descriptor whose ioctl requests go to an in-process adapter model
 * (qevsim_model_fb_ioctl). Linked into the test executable, so its open,
 * ioctl and close come before the C library's for the library under test;
 * every other descriptor is passed through. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <stdarg.h>
#include <string.h>
#include <sys/types.h>

#include "fb_interposer.h"
#include "qev/fb.h"
#include "qevsim_model.h"

#define QEVTEST_O_CREAT 0100
#define QEVTEST_O_TMPFILE 020200000

static QevSimModel *g_model;
static int g_fd = -1;
static int g_present = 1;
static int g_fail;
static int g_fill_module_name;
static int g_opens, g_closes;

static int real_open(const char *path, int flags, mode_t mode) {
    static int (*fn)(const char *, int, ...);
    if (!fn)
        fn = (int (*)(const char *, int, ...))dlsym(RTLD_NEXT, "open");
    return fn(path, flags, mode);
}

static int fb_open(const char *path, int flags, mode_t mode) {
    if (path == NULL || strcmp(path, QEV_FB_DEVICE) != 0)
        return real_open(path, flags, mode);
    if (!g_present) {
        errno = ENOENT;
        return -1;
    }
    if (!g_model)
        g_model = qevsim_model_new();
    g_fd = real_open("/dev/null", flags & ~(QEVTEST_O_CREAT | QEVTEST_O_TMPFILE), 0);
    if (g_fd >= 0)
        g_opens++;
    return g_fd;
}

int open(const char *path, int flags, ...) {
    mode_t mode = 0;
    if (flags & (QEVTEST_O_CREAT | QEVTEST_O_TMPFILE)) {
        va_list ap;
        va_start(ap, flags);
        mode = (mode_t)va_arg(ap, int);
        va_end(ap);
    }
    return fb_open(path, flags, mode);
}

int open64(const char *path, int flags, ...) {
    mode_t mode = 0;
    if (flags & (QEVTEST_O_CREAT | QEVTEST_O_TMPFILE)) {
        va_list ap;
        va_start(ap, flags);
        mode = (mode_t)va_arg(ap, int);
        va_end(ap);
    }
    return fb_open(path, flags, mode);
}

int ioctl(int fd, unsigned long request, ...) {
    static int (*real_ioctl)(int, unsigned long, ...);
    va_list ap;
    va_start(ap, request);
    void *arg = va_arg(ap, void *);
    va_end(ap);
    if (fd < 0 || fd != g_fd) {
        if (!real_ioctl)
            real_ioctl = (int (*)(int, unsigned long, ...))dlsym(RTLD_NEXT, "ioctl");
        return real_ioctl(fd, request, arg);
    }
    if (g_fail) {
        errno = EIO;
        return -1;
    }
    if (g_fill_module_name && request == (unsigned long)QEV_FB_DriverModuleName) {
        memset(arg, 'm', QEVTEST_FB_NAME_BUFFER); /* no terminating zero */
        return 0;
    }
    return qevsim_model_fb_ioctl(g_model, request, arg);
}

int close(int fd) {
    static int (*real_close)(int);
    if (!real_close)
        real_close = (int (*)(int))dlsym(RTLD_NEXT, "close");
    if (fd >= 0 && fd == g_fd) {
        g_fd = -1;
        g_closes++;
    }
    return real_close(fd);
}

QevSimModel *qevtest_fb_model(void) {
    if (!g_model)
        g_model = qevsim_model_new();
    return g_model;
}
void qevtest_fb_set_present(int present) { g_present = present; }
void qevtest_fb_set_failing(int failing) { g_fail = failing; }
void qevtest_fb_fill_module_name(int fill) { g_fill_module_name = fill; }
int qevtest_fb_is_open(void) { return g_fd >= 0; }
int qevtest_fb_opens(void) { return g_opens; }
int qevtest_fb_closes(void) { return g_closes; }
