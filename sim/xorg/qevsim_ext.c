/* The QEVGFX_API extension: one request (minor 1) carrying a command block to
 * the model and its answer back, plus the log of received commands. */
#include "qevsim_internal.h"

#include <string.h>

#include <X11/X.h>
#include <X11/Xproto.h>
#include <dixstruct.h>
#include <extnsionst.h>
#include <misc.h>

#include "qev/commands.h"
#include "qev/protocol.h"

/* ---- request log --------------------------------------------------------- */

#define QEVSIM_LOG_SIZE 4096

static QevSimLogEntry g_log[QEVSIM_LOG_SIZE];
static int g_log_start, g_log_len;

static int inputs_of(uint32_t group, uint32_t function)
{
    static const struct {
        int group, function, inputs;
    } table[] = {
#define QEVSIM_CMD_(g, f, i, o, name) {g, f, i},
        QEV_COMMAND_TABLE(QEVSIM_CMD_)
#undef QEVSIM_CMD_
    };
    static const struct {
        int function, inputs;
    } tv[] = {
#define QEVSIM_TVFN_(f, i, o, name) {f, i},
        QEV_TV_COMMAND_TABLE(QEVSIM_TVFN_)
#undef QEVSIM_TVFN_
    };
    for (size_t i = 0; i < sizeof table / sizeof table[0]; i++)
        if ((uint32_t)table[i].group == group && (uint32_t)table[i].function == function)
            return table[i].inputs;
    if (group == QEV_TV_GROUP_TV || group == QEV_TV_GROUP_HDTV || group == QEV_TV_GROUP_TV2 ||
        group == QEV_TV_GROUP_HDTV2)
        for (size_t i = 0; i < sizeof tv / sizeof tv[0]; i++)
            if ((uint32_t)tv[i].function == function)
                return tv[i].inputs;
    return QEVSIM_LOG_INPUTS; /* unknown command: keep its first words */
}

static void log_command(const QevCommandBlock *block, QevSimFaultKind fault)
{
    QevSimLogEntry *e;
    int n = inputs_of(block->group, block->function);

    if (g_log_len == QEVSIM_LOG_SIZE) {
        g_log_start = (g_log_start + 1) % QEVSIM_LOG_SIZE;
        g_log_len--;
    }
    e = &g_log[(g_log_start + g_log_len) % QEVSIM_LOG_SIZE];
    g_log_len++;
    memset(e, 0, sizeof *e);
    e->group = block->group;
    e->function = block->function;
    e->status = block->status;
    e->ninputs = n < QEVSIM_LOG_INPUTS ? n : QEVSIM_LOG_INPUTS;
    memcpy(e->input, block->input, (size_t)e->ninputs * sizeof e->input[0]);
    e->fault = fault;
}

int qevsim_log_count(void) { return g_log_len; }

const QevSimLogEntry *qevsim_log_get(int index)
{
    if (index < 0 || index >= g_log_len)
        return NULL;
    return &g_log[(g_log_start + index) % QEVSIM_LOG_SIZE];
}

void qevsim_log_clear(void) { g_log_start = g_log_len = 0; }

static void run_command(QevCommandBlock *block, QevSimFaultKind fault)
{
    block->status = 0;
    memset(block->output, 0, sizeof block->output);
    if (fault == QEVSIM_FAULT_STATUS0 || fault == QEVSIM_FAULT_XERROR) {
        log_command(block, fault); /* refused before the model sees it */
        return;
    }
    qevsim_sync_primary_from_randr();
    qevsim_model_command(qevsim_model(), block);
    log_command(block, fault);
    qevsim_model_changed();
}

void qevsim_run_command(QevCommandBlock *block)
{
    run_command(block, QEVSIM_FAULT_NONE);
}

/* ---- the request --------------------------------------------------------- */

static void swap_words(void *words, size_t count)
{
    uint32_t *w = words;
    for (size_t i = 0; i < count; i++)
        w[i] = bswap_32(w[i]);
}

static int qevsim_command_request(ClientPtr client, Bool swapped)
{
    const QevCommandReq *req;
    QevCommandBlock block;
    QevCommandReply rep;
    QevSimFault fault;
    uint32_t units = QEV_REPLY_EXTRA_UNITS;

    if (((const xReq *)client->requestBuffer)->data != QEVGFX_MINOR_COMMAND)
        return BadRequest;
    if (client->req_len != QEV_REQ_UNITS)
        return BadLength;
    req = (const QevCommandReq *)client->requestBuffer;
    memcpy(&block, &req->block, sizeof block);
    if (swapped) /* group, function, reserved and the inputs */
        swap_words(&block, 3 + QEV_CMD_INPUTS);

    fault = qevsim_fault_find(block.group, block.function);
    run_command(&block, fault.kind);
    if (fault.kind == QEVSIM_FAULT_XERROR)
        return BadImplementation;
    if (fault.kind == QEVSIM_FAULT_SHORTREPLY || fault.kind == QEVSIM_FAULT_LONGREPLY)
        units = (uint32_t)fault.units;

    memset(&rep, 0, sizeof rep);
    rep.type = X_Reply;
    rep.sequence = (uint16_t)client->sequence;
    rep.length = units;
    rep.block = block;
    if (swapped) {
        Bool text = block.group == QEV_CMD_GetDriverName_GROUP && block.function == QEV_CMD_GetDriverName_FN;
        rep.sequence = bswap_16(rep.sequence);
        rep.length = bswap_32(rep.length);
        swap_words(&rep.block, 3 + QEV_CMD_INPUTS + 1);
        /* The driver name travels as bytes, not as words. */
        if (text)
            swap_words(&rep.block.output[QEV_DRIVER_NAME_BYTES / 4], QEV_CMD_OUTPUTS - QEV_DRIVER_NAME_BYTES / 4);
        else
            swap_words(rep.block.output, QEV_CMD_OUTPUTS);
    }
    if (units <= QEV_REPLY_EXTRA_UNITS) {
        WriteToClient(client, (int)(32 + 4 * units), &rep);
    } else {
        /* A longer reply: the block followed by zero units. */
        static const char zeros[1024];
        size_t rest = 4 * (size_t)(units - QEV_REPLY_EXTRA_UNITS);
        WriteToClient(client, sizeof rep, &rep);
        while (rest > 0) {
            size_t n = rest < sizeof zeros ? rest : sizeof zeros;
            WriteToClient(client, (int)n, zeros);
            rest -= n;
        }
    }
    return Success;
}

static int qevsim_proc(ClientPtr client)
{
    return qevsim_command_request(client, FALSE);
}

static int qevsim_sproc(ClientPtr client)
{
    return qevsim_command_request(client, TRUE);
}

void qevsim_ext_init(void)
{
    if (qevsim_screen_count() == 0)
        return; /* the module was loaded but drives no screen */
    if (qevsim_extension_disabled())
        return;
    if (!AddExtension(QEVGFX_EXTENSION_NAME, 0, 0, qevsim_proc, qevsim_sproc, NULL, StandardMinorOpcode))
        ErrorF("%s: cannot add extension %s\n", QEVSIM_DRIVER_NAME, QEVGFX_EXTENSION_NAME);
}
