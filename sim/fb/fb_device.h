/* The simulated "/dev/fb0" behind the interposed C library calls
 * (interpose.c). C interface; the implementation is fb_device.cpp. Every
 * function is safe to call from several threads. */
#ifndef QEVSIM_FB_DEVICE_H
#define QEVSIM_FB_DEVICE_H

#ifdef __cplusplus
extern "C" {
#endif

/* The C library's own functions, found with dlsym(RTLD_NEXT). */
int qevfb_real_open(const char *path, int flags, unsigned mode);
int qevfb_real_close(int fd);
int qevfb_real_ioctl(int fd, unsigned long request, void *arg);

/* 1 when path names the device (exactly "/dev/fb0"). */
int qevfb_is_device_path(const char *path);

/* Opens the device: a new descriptor, or -1 with errno (ENODEV when the
 * profile is unusable). flags are those given to open(). */
int qevfb_open(int flags);

/* 1 when fd is an open device descriptor. */
int qevfb_is_device_fd(int fd);

/* Carries out one request on a device descriptor (as ioctl returns). */
int qevfb_ioctl(int fd, unsigned long request, void *arg);

/* The descriptor is being closed: forget it if it is a device. */
void qevfb_forget(int fd);

#ifdef __cplusplus
}
#endif

#endif /* QEVSIM_FB_DEVICE_H */
