/* Wire format of the QEVSIM_CONTROL X extension of the qevsim driver: run-time
 * control of the simulated adapter (qevsim-ctl). C and C++, no Xorg headers.
 *
 * Request, minor QEVSIM_CONTROL_MINOR_RUN, in the client's byte order:
 *   byte 0 major opcode, byte 1 minor, bytes 2-3 length in 4-byte units,
 *   bytes 4-7 n, the byte count of the arguments, then n bytes: the command's
 *   words, each ended by a zero byte ("plug\0TV\0"), padded to 4 bytes.
 * Reply: byte 0 X_Reply (1), byte 1 result (0 done, 1 refused), bytes 2-3
 *   sequence, bytes 4-7 length in units after the 32-byte header, bytes 8-11
 *   m, the byte count of the text, bytes 12-31 zero, then m bytes of text
 *   (the command's output when done, one error line when refused), padded.
 * Requests of another minor or a malformed length get BadRequest / BadLength. */
#ifndef QEVSIM_CONTROL_PROTO_H
#define QEVSIM_CONTROL_PROTO_H

#include <stdint.h>

#define QEVSIM_CONTROL_EXTENSION_NAME "QEVSIM_CONTROL"
#define QEVSIM_CONTROL_MINOR_RUN 1
#define QEVSIM_CONTROL_RESULT_DONE 0
#define QEVSIM_CONTROL_RESULT_REFUSED 1
#define QEVSIM_CONTROL_HEADER_BYTES 8  /* request bytes before the arguments */
#define QEVSIM_CONTROL_REPLY_BYTES 32  /* reply bytes before the text */
#define QEVSIM_CONTROL_MAX_ARGS 16

#endif /* QEVSIM_CONTROL_PROTO_H */
