/* The C library entry points that libqevsim_fb.so takes over when preloaded:
 * open and its variants for the path "/dev/fb0", and close and ioctl for the
 * descriptors it handed out. Everything else goes straight to the next
 * definition (the C library, or a sanitizer's interceptor when the program
 * is instrumented).
 *
 * Fortified builds call __open_2 and friends instead of open; they are taken
 * over too. Fortification is off here because this file defines the very
 * functions the fortified headers wrap. */
#undef _FORTIFY_SOURCE
#ifndef _GNU_SOURCE
#define _GNU_SOURCE
#endif
#include <dlfcn.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stddef.h>
#include <stdlib.h>
#include <sys/types.h>

#include "fb_device.h"

#define EXPORT __attribute__((visibility("default")))

/* Looks up the next definition of a function once; a failed lookup ends the
 * process, since nothing sensible can be done without the C library. */
static void *next_symbol(void **slot, const char *name) {
    void *fn = __atomic_load_n(slot, __ATOMIC_ACQUIRE);
    if (!fn) {
        fn = dlsym(RTLD_NEXT, name);
        if (!fn)
            abort();
        __atomic_store_n(slot, fn, __ATOMIC_RELEASE);
    }
    return fn;
}
typedef int (*open_fn)(const char *, int, ...);
typedef int (*openat_fn)(int, const char *, int, ...);
typedef int (*open2_fn)(const char *, int);
typedef int (*openat2_fn)(int, const char *, int);
typedef int (*close_fn)(int);
typedef int (*ioctl_fn)(int, unsigned long, ...);

#define NEXT(type, name)                                 \
    static void *slot_##name;                            \
    type fn = (type)next_symbol(&slot_##name, #name)

/* O_CREAT and O_TMPFILE are the flags that carry a mode argument. */
static int wants_mode(int flags) {
    return (flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE;
}
#define READ_MODE(flags, mode)               \
    do {                                     \
        if (wants_mode(flags)) {             \
            va_list ap;                      \
            va_start(ap, flags);             \
            mode = va_arg(ap, unsigned);     \
            va_end(ap);                      \
        }                                    \
    } while (0)

int qevfb_real_open(const char *path, int flags, unsigned mode) {
    NEXT(open_fn, open);
    return fn(path, flags, mode);
}

int qevfb_real_close(int fd) {
    NEXT(close_fn, close);
    return fn(fd);
}

int qevfb_real_ioctl(int fd, unsigned long request, void *arg) {
    NEXT(ioctl_fn, ioctl);
    return fn(fd, request, arg);
}

EXPORT int open(const char *path, int flags, ...) {
    unsigned mode = 0;
    READ_MODE(flags, mode);
    if (qevfb_is_device_path(path))
        return qevfb_open(flags);
    return qevfb_real_open(path, flags, mode);
}

EXPORT int open64(const char *path, int flags, ...) {
    unsigned mode = 0;
    READ_MODE(flags, mode);
    if (qevfb_is_device_path(path))
        return qevfb_open(flags);
    NEXT(open_fn, open64);
    return fn(path, flags, mode);
}

/* The device path is absolute, so the directory descriptor never matters. */
EXPORT int openat(int dirfd, const char *path, int flags, ...) {
    unsigned mode = 0;
    READ_MODE(flags, mode);
    if (qevfb_is_device_path(path))
        return qevfb_open(flags);
    NEXT(openat_fn, openat);
    return fn(dirfd, path, flags, mode);
}

EXPORT int openat64(int dirfd, const char *path, int flags, ...) {
    unsigned mode = 0;
    READ_MODE(flags, mode);
    if (qevfb_is_device_path(path))
        return qevfb_open(flags);
    NEXT(openat_fn, openat64);
    return fn(dirfd, path, flags, mode);
}

EXPORT int __open_2(const char *path, int flags) {
    if (qevfb_is_device_path(path))
        return qevfb_open(flags);
    NEXT(open2_fn, __open_2);
    return fn(path, flags);
}

EXPORT int __open64_2(const char *path, int flags) {
    if (qevfb_is_device_path(path))
        return qevfb_open(flags);
    NEXT(open2_fn, __open64_2);
    return fn(path, flags);
}

EXPORT int __openat_2(int dirfd, const char *path, int flags) {
    if (qevfb_is_device_path(path))
        return qevfb_open(flags);
    NEXT(openat2_fn, __openat_2);
    return fn(dirfd, path, flags);
}

EXPORT int __openat64_2(int dirfd, const char *path, int flags) {
    if (qevfb_is_device_path(path))
        return qevfb_open(flags);
    NEXT(openat2_fn, __openat64_2);
    return fn(dirfd, path, flags);
}

EXPORT int close(int fd) {
    qevfb_forget(fd);
    return qevfb_real_close(fd);
}

/* glibc's prototype; the third argument, when given, is a pointer or an
 * integer of pointer size. */
EXPORT int ioctl(int fd, unsigned long request, ...) {
    va_list ap;
    va_start(ap, request);
    void *arg = va_arg(ap, void *);
    va_end(ap);
    if (qevfb_is_device_fd(fd))
        return qevfb_ioctl(fd, request, arg);
    return qevfb_real_ioctl(fd, request, arg);
}
