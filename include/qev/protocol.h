/* Wire format of the QEVGFX_API X extension, shared by the library and the
 * simulated driver. Accepted by C and C++ compilers. All words travel in the
 * client's byte order, as any X request does. */
#ifndef QEV_PROTOCOL_H
#define QEV_PROTOCOL_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
#define QEV_STATIC_ASSERT(cond, msg) static_assert(cond, msg)
#else
#define QEV_STATIC_ASSERT(cond, msg) _Static_assert(cond, msg)
#endif

#define QEVGFX_EXTENSION_NAME "QEVGFX_API"
#define QEVGFX_MINOR_COMMAND 1 /* the only request of the extension */

#define QEV_CMD_INPUTS 256
#define QEV_CMD_OUTPUTS 256
#define QEV_DRIVER_NAME_BYTES 32 /* command 18/1 carries text in its first 8 output words */

/* The unit of exchange: 2064 bytes. */
typedef struct QevCommandBlock {
    uint32_t group;
    uint32_t function;
    uint32_t reserved; /* always 0 */
    int32_t input[QEV_CMD_INPUTS];
    int32_t status; /* non-zero: the driver carried the command out */
    int32_t output[QEV_CMD_OUTPUTS];
} QevCommandBlock;

/* The request: 2072 bytes = 518 four-byte units. */
typedef struct QevCommandReq {
    uint8_t reqType; /* extension major opcode */
    uint8_t minor;   /* QEVGFX_MINOR_COMMAND */
    uint16_t length; /* QEV_REQ_UNITS */
    uint32_t unused;
    QevCommandBlock block;
} QevCommandReq;

/* The reply: the 32-byte reply header plus 510 extra units. The header's
 * last 24 bytes are already the start of the command block. */
typedef struct QevCommandReply {
    uint8_t type; /* X_Reply */
    uint8_t pad;
    uint16_t sequence;
    uint32_t length; /* QEV_REPLY_EXTRA_UNITS */
    QevCommandBlock block;
} QevCommandReply;

#define QEV_REQ_BYTES 2072
#define QEV_REQ_UNITS 518
#define QEV_REPLY_EXTRA_UNITS 510
#define QEV_REPLY_STATUS_OFFSET 1044
#define QEV_REPLY_OUTPUT_OFFSET 1048

QEV_STATIC_ASSERT(sizeof(QevCommandBlock) == 2064, "command block is 2064 bytes");
QEV_STATIC_ASSERT(offsetof(QevCommandBlock, status) == 1036, "status word at block byte 1036");
QEV_STATIC_ASSERT(offsetof(QevCommandBlock, output) == 1040, "outputs at block byte 1040");
QEV_STATIC_ASSERT(sizeof(QevCommandReq) == QEV_REQ_BYTES, "request is 2072 bytes");
QEV_STATIC_ASSERT(sizeof(QevCommandReq) == QEV_REQ_UNITS * 4, "request is 518 units");
QEV_STATIC_ASSERT(offsetof(QevCommandReq, block) == 8, "command block at request byte 8");
QEV_STATIC_ASSERT(sizeof(QevCommandReply) == 32 + QEV_REPLY_EXTRA_UNITS * 4, "reply is 32 + 510 units");
QEV_STATIC_ASSERT(offsetof(QevCommandReply, block.status) == QEV_REPLY_STATUS_OFFSET, "status at reply byte 1044");
QEV_STATIC_ASSERT(offsetof(QevCommandReply, block.output) == QEV_REPLY_OUTPUT_OFFSET, "outputs at reply byte 1048");

#endif /* QEV_PROTOCOL_H */
