/* Preloaded into the fault-injection tests: makes the n-th call of write,
 * fsync, close or rename after qev_fault_arm() fail, and counts the calls
 * so the test knows when it has gone through all of them. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <stdio.h>
#include <sys/types.h>
#include <unistd.h>

#define API __attribute__((visibility("default")))

enum { FAULT_WRITE, FAULT_FSYNC, FAULT_CLOSE, FAULT_RENAME, FAULT_OPS };

static int g_armed;
static int g_op = -1;
static long g_nth;
static int g_errno;
static long g_calls[FAULT_OPS];

API void qev_fault_arm(int op, long nth, int err)
{
    for (int i = 0; i < FAULT_OPS; ++i)
        g_calls[i] = 0;
    g_op = op;
    g_nth = nth;
    g_errno = err;
    g_armed = 1;
}

API void qev_fault_disarm(void) { g_armed = 0; }

API long qev_fault_calls(int op) { return op >= 0 && op < FAULT_OPS ? g_calls[op] : -1; }

/* Counts a call and tells whether it is the one to fail. */
static int should_fail(int op)
{
    if (!g_armed)
        return 0;
    return ++g_calls[op] == g_nth && op == g_op;
}

/* The interposed call: fails with err when its turn has come, else goes on
 * to the C library's function. */
#define INTERPOSE(ret, name, op, err, params, args)                 \
    API ret name params                                             \
    {                                                               \
        static ret(*real) params;                                   \
        if (!real)                                                  \
            real = (ret(*) params)dlsym(RTLD_NEXT, #name);          \
        if (should_fail(op)) {                                      \
            errno = (err);                                          \
            return -1;                                              \
        }                                                           \
        return real args;                                           \
    }

INTERPOSE(ssize_t, write, FAULT_WRITE, g_errno, (int fd, const void *buf, size_t count), (fd, buf, count))
INTERPOSE(int, fsync, FAULT_FSYNC, EIO, (int fd), (fd))
INTERPOSE(int, rename, FAULT_RENAME, EXDEV, (const char *from, const char *to), (from, to))

/* Like Linux, a failing close still releases the descriptor. */
API int close(int fd)
{
    static int (*real)(int);
    if (!real)
        real = (int (*)(int))dlsym(RTLD_NEXT, "close");
    const int fail = should_fail(FAULT_CLOSE);
    const int rc = real(fd);
    if (fail) {
        errno = EIO;
        return -1;
    }
    return rc;
}
