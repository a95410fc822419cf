/* Control of the test process's framebuffer device (fb_interposer.c). */
#ifndef QEVTEST_FB_INTERPOSER_H
#define QEVTEST_FB_INTERPOSER_H

#include "qevsim_model.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Bytes the library's module-name buffer holds. */
#define QEVTEST_FB_NAME_BUFFER 50

QevSimModel *qevtest_fb_model(void);
/* 0: opening "/dev/fb0" fails with ENOENT. */
void qevtest_fb_set_present(int present);
/* 1: every request on the device fails with EIO. */
void qevtest_fb_set_failing(int failing);
/* 1: the module-name request fills the whole buffer without a terminator. */
void qevtest_fb_fill_module_name(int fill);
int qevtest_fb_is_open(void);
int qevtest_fb_opens(void);
int qevtest_fb_closes(void);

#ifdef __cplusplus
}
#endif

#endif
