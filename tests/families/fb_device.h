/* "/dev/fb0" of the test process, served by an in-process adapter model
 * (fb_device.c), with a log of the requests and some answers the model
 * cannot give. */
#ifndef QEVTEST_FAMILIES_FB_DEVICE_H
#define QEVTEST_FAMILIES_FB_DEVICE_H

#include "qev/fb.h"
#include "qevsim_model.h"

#ifdef __cplusplus
extern "C" {
#endif

QevSimModel *famfb_model(void);
/* Requests made since the last clear, and of one request number. */
int famfb_requests(void);
int famfb_request_count(unsigned long request);
void famfb_clear(void);
/* The last device-state block written (request 0x14); 0 when none. */
int famfb_last_write(unsigned char block[QEV_DS_SIZE]);
/* The word the library passed to the last one-word request of this number. */
unsigned famfb_last_word_in(unsigned long request);
/* Answer this one-word request with `value` instead of the model (-1: off). */
void famfb_set_word_answer(unsigned long request, long long value);
/* Panel information word of the device state read back (-1: the model's). */
void famfb_set_panel_index(long long index);

#ifdef __cplusplus
}
#endif

#endif
