/* "/dev/fb0" of the test process (fb_fake.c): open("/dev/fb0") yields a
 * descriptor whose requests go to an in-process adapter model, with a log of
 * the requests, faults to inject and some answers the model cannot give.
 * Linked into the test executable (library qev_test_fb), so its open, ioctl
 * and close come before the C library's; other descriptors pass through. */
#ifndef QEVTEST_FB_FAKE_H
#define QEVTEST_FB_FAKE_H

#include "qev/fb.h"
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
int qevtest_fb_closes(void);

/* Requests made since the last clear, and of one request number. */
int qevtest_fb_requests(void);
int qevtest_fb_request_count(unsigned long request);
void qevtest_fb_clear(void);
/* The last device-state block written (request 0x14); 0 when none. */
int qevtest_fb_last_write(unsigned char block[QEV_DS_SIZE]);
/* The word the library passed to the last one-word request of this number. */
unsigned qevtest_fb_last_word_in(unsigned long request);
/* Answer this one-word request with `value` instead of the model (-1: off). */
void qevtest_fb_set_word_answer(unsigned long request, long long value);
/* Panel information word of the device state read back (-1: the model's). */
void qevtest_fb_set_panel_index(long long index);

#ifdef __cplusplus
}
#endif

#endif
