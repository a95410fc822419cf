/* The test process's "/dev/fb0", served by an in-process adapter model
 * (qevsim_model_fb_ioctl); see fb_fake.h. */
#define _GNU_SOURCE
#include "fb_fake.h"

#include <dlfcn.h>
#include <errno.h>
#include <stdarg.h>
#include <stdint.h>
#include <string.h>
#include <sys/types.h>

#define QEVTEST_O_CREAT 0100
#define QEVTEST_O_TMPFILE 020200000
#define QEVTEST_SLOTS 256

static QevSimModel *g_model;
static int g_fd = -1;
static int g_present = 1;
static int g_fail;
static int g_fill_module_name;
static int g_closes;
static int g_requests;
static int g_count[QEVTEST_SLOTS];
static unsigned g_word_in[QEVTEST_SLOTS];
static unsigned char g_last_write[QEV_DS_SIZE];
static int g_have_write;
static long long g_answer_request = -1, g_answer_value;
static long long g_panel_index = -1;

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
    qevtest_fb_model();
    g_fd = real_open("/dev/null", flags & ~(QEVTEST_O_CREAT | QEVTEST_O_TMPFILE), 0);
    return g_fd;
}

static mode_t mode_arg(int flags, va_list ap) {
    return (flags & (QEVTEST_O_CREAT | QEVTEST_O_TMPFILE)) ? (mode_t)va_arg(ap, int) : 0;
}

int open(const char *path, int flags, ...) {
    va_list ap;
    va_start(ap, flags);
    mode_t mode = mode_arg(flags, ap);
    va_end(ap);
    return fb_open(path, flags, mode);
}

int open64(const char *path, int flags, ...) {
    va_list ap;
    va_start(ap, flags);
    mode_t mode = mode_arg(flags, ap);
    va_end(ap);
    return fb_open(path, flags, mode);
}

static void put_le32(unsigned char *b, uint32_t v) {
    b[0] = (unsigned char)v;
    b[1] = (unsigned char)(v >> 8);
    b[2] = (unsigned char)(v >> 16);
    b[3] = (unsigned char)(v >> 24);
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
    unsigned slot = (unsigned)(request & 0xff);
    g_requests++;
    g_count[slot]++;
    if (arg != NULL)
        memcpy(&g_word_in[slot], arg, sizeof g_word_in[slot]);
    if (request == (unsigned long)QEV_FB_WriteDeviceState && arg != NULL) {
        memcpy(g_last_write, arg, QEV_DS_SIZE);
        g_have_write = 1;
    }
    if (g_fail) {
        errno = EIO;
        return -1;
    }
    if (g_fill_module_name && request == (unsigned long)QEV_FB_DriverModuleName) {
        memset(arg, 'm', QEVTEST_FB_NAME_BUFFER); /* no terminating zero */
        return 0;
    }
    if ((long long)request == g_answer_request && arg != NULL) {
        uint32_t v = (uint32_t)g_answer_value;
        memcpy(arg, &v, sizeof v);
        return 0;
    }
    int rc = qevsim_model_fb_ioctl(g_model, request, arg);
    if (rc == 0 && request == (unsigned long)QEV_FB_ReadDeviceState && g_panel_index >= 0)
        put_le32((unsigned char *)arg + QEV_DS_PANEL_INFO, (uint32_t)g_panel_index);
    return rc;
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
int qevtest_fb_closes(void) { return g_closes; }

int qevtest_fb_requests(void) { return g_requests; }
int qevtest_fb_request_count(unsigned long request) { return g_count[request & 0xff]; }
void qevtest_fb_clear(void) {
    g_requests = 0;
    memset(g_count, 0, sizeof g_count);
    g_have_write = 0;
}
int qevtest_fb_last_write(unsigned char block[QEV_DS_SIZE]) {
    if (g_have_write)
        memcpy(block, g_last_write, QEV_DS_SIZE);
    return g_have_write;
}
unsigned qevtest_fb_last_word_in(unsigned long request) { return g_word_in[request & 0xff]; }
void qevtest_fb_set_word_answer(unsigned long request, long long value) {
    g_answer_request = value < 0 ? -1 : (long long)request;
    g_answer_value = value;
}
void qevtest_fb_set_panel_index(long long index) { g_panel_index = index; }
