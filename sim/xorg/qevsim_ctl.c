/* The QEVSIM_CONTROL extension: run-time control of the simulated adapter
 * for tests (qevsim-ctl). One request carries a command as words; the reply
 * carries its text output or one error line. Commands: plug / unplug an
 * output, force the overlay status, inject faults into QEVGFX_API answers and
 * RandR mode sets, read and clear the command log, dump the model and set
 * model keys. It works whatever faults are set, and also when QEVGFX_API is
 * disabled. */
#include "qevsim_internal.h"

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>

#include <X11/X.h>
#include <X11/Xproto.h>
#include <dixstruct.h>
#include <extnsionst.h>
#include <misc.h>

#include "qev/outputs.h"
#include "qevsim_control_proto.h"

/* ---- output text --------------------------------------------------------- */

typedef struct Text {
    char *data;
    size_t len, cap;
    Bool failed; /* out of memory */
} Text;

static void text_add(Text *t, const char *fmt, ...)
{
    va_list ap;
    int n;
    if (t->failed)
        return;
    va_start(ap, fmt);
    n = vsnprintf(NULL, 0, fmt, ap);
    va_end(ap);
    if (n < 0)
        return;
    if (t->len + (size_t)n + 1 > t->cap) {
        size_t cap = t->cap ? t->cap : 256;
        char *p;
        while (cap < t->len + (size_t)n + 1)
            cap *= 2;
        p = realloc(t->data, cap);
        if (!p) {
            t->failed = TRUE;
            return;
        }
        t->data = p;
        t->cap = cap;
    }
    va_start(ap, fmt);
    vsnprintf(t->data + t->len, (size_t)n + 1, fmt, ap);
    va_end(ap);
    t->len += (size_t)n;
}

/* ---- faults -------------------------------------------------------------- */

#define QEVSIM_MAX_FAULTS 64
#define SHORT_REPLY_UNITS 255 /* half the reply: the status arrives, the outputs do not */
#define LONG_REPLY_UNITS 520

typedef struct FaultRule {
    Bool all;
    uint32_t group, function;
    QevSimFault fault;
} FaultRule;

static FaultRule g_faults[QEVSIM_MAX_FAULTS];
static int g_num_faults;
static int g_refused_width, g_refused_height; /* `fault modeset WxH`; 0 for none */

Bool qevsim_fault_modeset(int width, int height)
{
    return g_refused_width > 0 && width == g_refused_width && height == g_refused_height;
}

static const char *const k_fault_names[] = {"none", "status0", "xerror", "shortreply", "longreply"};

const char *qevsim_fault_name(int kind)
{
    return kind >= 0 && kind < (int)(sizeof k_fault_names / sizeof k_fault_names[0]) ? k_fault_names[kind] : "?";
}

QevSimFault qevsim_fault_find(uint32_t group, uint32_t function)
{
    QevSimFault none = {QEVSIM_FAULT_NONE, 0};
    const FaultRule *any = NULL;
    for (int i = 0; i < g_num_faults; i++) {
        if (g_faults[i].all)
            any = &g_faults[i];
        else if (g_faults[i].group == group && g_faults[i].function == function)
            return g_faults[i].fault;
    }
    return any ? any->fault : none;
}

/* ---- commands ------------------------------------------------------------ */

typedef struct Args {
    int argc;
    const char *argv[QEVSIM_CONTROL_MAX_ARGS];
} Args;

/* Each command fills out (done) or err (refused) and returns TRUE when done. */
typedef Bool (*CommandFn)(const Args *a, Text *out, Text *err);

static const struct {
    const char *name;
    unsigned bit;
} k_output_names[] = {
#define QEVSIM_CTL_OUTPUT_(name, bit) {name, bit},
    QEV_RANDR_OUTPUT_TABLE(QEVSIM_CTL_OUTPUT_)
#undef QEVSIM_CTL_OUTPUT_
    /* Outputs without a RandR output of their own, and the spellings of the
     * configuration options. */
    {"HDTV", QEV_OUT_HDTV}, {"HDTV-2", QEV_OUT_HDTV2}, {"HDTV2", QEV_OUT_HDTV2}, {"CRT2", QEV_OUT_CRT2},
    {"LCD2", QEV_OUT_LCD2}, {"TV2", QEV_OUT_TV2}, {"DVI2", QEV_OUT_DVI2}, {"DP2", QEV_OUT_DP2},
    {"DFP", QEV_OUT_DVI},
};

static unsigned output_by_name(const char *name)
{
    for (size_t i = 0; i < sizeof k_output_names / sizeof k_output_names[0]; i++)
        if (strcasecmp(name, k_output_names[i].name) == 0)
            return k_output_names[i].bit;
    return 0;
}

static Bool want_args(const Args *a, int min, int max, const char *usage, Text *err)
{
    if (a->argc - 1 < min || a->argc - 1 > max) {
        text_add(err, "usage: %s", usage);
        return FALSE;
    }
    return TRUE;
}

static Bool plug(const Args *a, Text *err, int connected)
{
    QevSimModel *m = qevsim_model();
    unsigned bit;
    if (!want_args(a, 1, 1, connected ? "plug OUTPUT" : "unplug OUTPUT", err))
        return FALSE;
    bit = output_by_name(a->argv[1]);
    if (!bit) {
        text_add(err, "unknown output '%s'", a->argv[1]);
        return FALSE;
    }
    if (!(qevsim_model_supported(m) & bit)) {
        text_add(err, "output '%s' is not supported by the adapter", a->argv[1]);
        return FALSE;
    }
    qevsim_model_set_connected(m, bit, connected);
    qevsim_model_changed(); /* RandR clients hear of it */
    return TRUE;
}

static Bool cmd_plug(const Args *a, Text *out, Text *err)
{
    (void)out;
    return plug(a, err, 1);
}

static Bool cmd_unplug(const Args *a, Text *out, Text *err)
{
    (void)out;
    return plug(a, err, 0);
}

static Bool cmd_overlay(const Args *a, Text *out, Text *err)
{
    QevSimModel *m = qevsim_model();
    static const char *const modes[] = {"off", "on"};
    if (!want_args(a, 0, 1, "overlay [on|off|auto]", err))
        return FALSE;
    if (a->argc == 1) {
        int forced = qevsim_model_overlay_forced(m);
        text_add(out, "%d %s\n", qevsim_model_overlay_status(m), forced < 0 ? "auto" : modes[forced]);
        return TRUE;
    }
    if (strcmp(a->argv[1], "on") == 0)
        qevsim_model_force_overlay(m, 1);
    else if (strcmp(a->argv[1], "off") == 0)
        qevsim_model_force_overlay(m, 0);
    else if (strcmp(a->argv[1], "auto") == 0)
        qevsim_model_force_overlay(m, -1);
    else {
        text_add(err, "overlay wants on, off or auto, not '%s'", a->argv[1]);
        return FALSE;
    }
    return TRUE;
}

/* "GROUP/FUNCTION" (decimal) or "all". */
static Bool parse_code(const char *s, FaultRule *rule)
{
    char *end;
    unsigned long g, f;
    if (strcmp(s, "all") == 0) {
        rule->all = TRUE;
        return TRUE;
    }
    if (*s < '0' || *s > '9')
        return FALSE;
    g = strtoul(s, &end, 10);
    if (*end != '/' || end[1] < '0' || end[1] > '9')
        return FALSE;
    f = strtoul(end + 1, &end, 10);
    if (*end || g > 0xffffffffUL || f > 0xffffffffUL)
        return FALSE;
    rule->all = FALSE;
    rule->group = (uint32_t)g;
    rule->function = (uint32_t)f;
    return TRUE;
}

static void list_faults(Text *out)
{
    for (int i = 0; i < g_num_faults; i++) {
        const FaultRule *r = &g_faults[i];
        if (r->all)
            text_add(out, "all");
        else
            text_add(out, "%u/%u", r->group, r->function);
        text_add(out, " %s", qevsim_fault_name(r->fault.kind));
        if (r->fault.kind == QEVSIM_FAULT_SHORTREPLY || r->fault.kind == QEVSIM_FAULT_LONGREPLY)
            text_add(out, " %d", r->fault.units);
        text_add(out, "\n");
    }
    if (g_refused_width > 0)
        text_add(out, "modeset %dx%d\n", g_refused_width, g_refused_height);
}

static Bool cmd_fault(const Args *a, Text *out, Text *err)
{
    static const char *const usage =
        "fault [clear | modeset WxH | status0 CODE | xerror CODE | shortreply CODE [UNITS] | longreply CODE [UNITS]]"
        " (CODE: GROUP/FUNCTION or all)";
    FaultRule rule;
    int kind = QEVSIM_FAULT_NONE;
    char *end;

    if (a->argc == 1) {
        list_faults(out);
        return TRUE;
    }
    if (strcmp(a->argv[1], "clear") == 0) {
        if (!want_args(a, 1, 1, usage, err))
            return FALSE;
        g_num_faults = 0;
        g_refused_width = g_refused_height = 0;
        return TRUE;
    }
    if (strcmp(a->argv[1], "modeset") == 0) {
        int w = 0, h = 0, used = 0;
        if (!want_args(a, 2, 2, usage, err))
            return FALSE;
        if (sscanf(a->argv[2], "%5dx%5d%n", &w, &h, &used) != 2 || a->argv[2][used] || w <= 0 || h <= 0) {
            text_add(err, "malformed fault '%s': expected WIDTHxHEIGHT", a->argv[2]);
            return FALSE;
        }
        g_refused_width = w;
        g_refused_height = h;
        return TRUE;
    }
    for (int k = QEVSIM_FAULT_STATUS0; k <= QEVSIM_FAULT_LONGREPLY; k++)
        if (strcmp(a->argv[1], k_fault_names[k]) == 0)
            kind = k;
    if (kind == QEVSIM_FAULT_NONE) {
        text_add(err, "unknown fault '%s'; %s", a->argv[1], usage);
        return FALSE;
    }
    Bool sized = kind == QEVSIM_FAULT_SHORTREPLY || kind == QEVSIM_FAULT_LONGREPLY;
    if (!want_args(a, 2, sized ? 3 : 2, usage, err))
        return FALSE;
    memset(&rule, 0, sizeof rule);
    if (!parse_code(a->argv[2], &rule)) {
        text_add(err, "malformed fault '%s': expected GROUP/FUNCTION or all", a->argv[2]);
        return FALSE;
    }
    rule.fault.kind = (QevSimFaultKind)kind;
    if (kind == QEVSIM_FAULT_SHORTREPLY)
        rule.fault.units = SHORT_REPLY_UNITS;
    else if (kind == QEVSIM_FAULT_LONGREPLY)
        rule.fault.units = LONG_REPLY_UNITS;
    if (a->argc == 4) {
        long units = strtol(a->argv[3], &end, 10);
        Bool ok = *a->argv[3] && !*end &&
                  (kind == QEVSIM_FAULT_SHORTREPLY ? units >= 0 && units < QEV_REPLY_EXTRA_UNITS
                                                   : units > QEV_REPLY_EXTRA_UNITS && units <= 65536);
        if (!ok) {
            text_add(err, "malformed fault: %s units must be %s", a->argv[1],
                     kind == QEVSIM_FAULT_SHORTREPLY ? "0..509" : "511..65536");
            return FALSE;
        }
        rule.fault.units = (int)units;
    }
    /* A new rule for a code replaces the old one. */
    for (int i = 0; i < g_num_faults; i++) {
        if (g_faults[i].all == rule.all && (rule.all || (g_faults[i].group == rule.group &&
                                                          g_faults[i].function == rule.function))) {
            g_faults[i] = rule;
            return TRUE;
        }
    }
    if (g_num_faults == QEVSIM_MAX_FAULTS) {
        text_add(err, "too many faults (at most %d); use fault clear", QEVSIM_MAX_FAULTS);
        return FALSE;
    }
    g_faults[g_num_faults++] = rule;
    return TRUE;
}

static Bool cmd_log(const Args *a, Text *out, Text *err)
{
    if (a->argc == 2 && strcmp(a->argv[1], "clear") == 0) {
        qevsim_log_clear();
        return TRUE;
    }
    if (!want_args(a, 0, 0, "log [clear]", err))
        return FALSE;
    /* One line per command: GROUP/FUNCTION status=S inputs=I,... [fault=F] */
    for (int i = 0; i < qevsim_log_count(); i++) {
        const QevSimLogEntry *e = qevsim_log_get(i);
        text_add(out, "%u/%u status=%d inputs=", e->group, e->function, e->status);
        for (int k = 0; k < e->ninputs; k++)
            text_add(out, k ? ",%d" : "%d", e->input[k]);
        if (e->fault != QEVSIM_FAULT_NONE)
            text_add(out, " fault=%s", qevsim_fault_name(e->fault));
        text_add(out, "\n");
    }
    return TRUE;
}

static Bool cmd_state(const Args *a, Text *out, Text *err)
{
    char *json;
    if (!want_args(a, 0, 0, "state", err))
        return FALSE;
    qevsim_sync_primary_from_randr();
    json = qevsim_model_dump_json(qevsim_model());
    if (!json) {
        text_add(err, "out of memory");
        return FALSE;
    }
    text_add(out, "%s\n", json);
    free(json);
    return TRUE;
}

static Bool cmd_set(const Args *a, Text *out, Text *err)
{
    char msg[512] = "";
    (void)out;
    if (!want_args(a, 2, 2, "set KEY VALUE", err))
        return FALSE;
    if (!qevsim_model_set_key(qevsim_model(), a->argv[1], a->argv[2], msg, sizeof msg)) {
        text_add(err, "%s", msg[0] ? msg : "refused");
        return FALSE;
    }
    qevsim_model_changed();
    return TRUE;
}

static Bool cmd_help(const Args *a, Text *out, Text *err);

static const struct {
    const char *name;
    CommandFn fn;
    const char *help;
} k_commands[] = {
    {"plug", cmd_plug, "plug OUTPUT           connect an output (CRT, LCD, TV, HDTV, DVI, ...)"},
    {"unplug", cmd_unplug, "unplug OUTPUT         disconnect an output (it goes dark)"},
    {"overlay", cmd_overlay, "overlay [on|off|auto] force the overlay status, or print it"},
    {"fault", cmd_fault, "fault [KIND CODE [UNITS] | modeset WxH | clear]  inject faults into QEVGFX_API answers or RandR"},
    {"log", cmd_log, "log [clear]           the QEVGFX_API commands received"},
    {"state", cmd_state, "state                 the model as JSON"},
    {"set", cmd_set, "set KEY VALUE         change one model (profile) key"},
    {"help", cmd_help, "help                  this list"},
};

static Bool cmd_help(const Args *a, Text *out, Text *err)
{
    (void)a;
    (void)err;
    for (size_t i = 0; i < sizeof k_commands / sizeof k_commands[0]; i++)
        text_add(out, "%s\n", k_commands[i].help);
    return TRUE;
}

static Bool run(const Args *a, Text *out, Text *err)
{
    if (a->argc == 0) {
        text_add(err, "no command");
        return FALSE;
    }
    for (size_t i = 0; i < sizeof k_commands / sizeof k_commands[0]; i++)
        if (strcmp(a->argv[0], k_commands[i].name) == 0)
            return k_commands[i].fn(a, out, err);
    text_add(err, "unknown command '%s' (try help)", a->argv[0]);
    return FALSE;
}

/* ---- the request --------------------------------------------------------- */

static int control_request(ClientPtr client, Bool swapped)
{
    const uint8_t *req = (const uint8_t *)client->requestBuffer;
    size_t total = (size_t)client->req_len * 4;
    uint32_t n;
    char *words;
    Args args;
    Text out = {0}, err = {0};
    Bool done;
    uint8_t header[QEVSIM_CONTROL_REPLY_BYTES];
    const Text *text;
    uint32_t text_len, units;
    uint16_t seq;

    if (((const xReq *)req)->data != QEVSIM_CONTROL_MINOR_RUN)
        return BadRequest;
    if (total < QEVSIM_CONTROL_HEADER_BYTES)
        return BadLength;
    memcpy(&n, req + 4, 4);
    if (swapped)
        n = bswap_32(n);
    if (n > total - QEVSIM_CONTROL_HEADER_BYTES || (n + 3) / 4 != total / 4 - QEVSIM_CONTROL_HEADER_BYTES / 4)
        return BadLength;

    /* Split the words; the last one must be ended too. */
    words = malloc(n + 1);
    if (!words)
        return BadAlloc;
    memcpy(words, req + QEVSIM_CONTROL_HEADER_BYTES, n);
    words[n] = '\0';
    args.argc = 0;
    if (n > 0 && words[n - 1] != '\0') {
        free(words);
        return BadLength;
    }
    for (size_t at = 0; at < n; at += strlen(words + at) + 1) {
        if (args.argc == QEVSIM_CONTROL_MAX_ARGS) {
            free(words);
            return BadValue;
        }
        args.argv[args.argc++] = words + at;
    }

    done = run(&args, &out, &err);
    free(words);
    text = done ? &out : &err;
    if (out.failed || err.failed) {
        free(out.data);
        free(err.data);
        return BadAlloc;
    }
    text_len = (uint32_t)text->len;
    units = (text_len + 3) / 4;

    memset(header, 0, sizeof header);
    header[0] = X_Reply;
    header[1] = done ? QEVSIM_CONTROL_RESULT_DONE : QEVSIM_CONTROL_RESULT_REFUSED;
    seq = (uint16_t)client->sequence;
    if (swapped) {
        seq = bswap_16(seq);
        units = bswap_32(units);
        text_len = bswap_32(text_len);
    }
    memcpy(header + 2, &seq, 2);
    memcpy(header + 4, &units, 4);
    memcpy(header + 8, &text_len, 4);
    WriteToClient(client, sizeof header, header);
    if (text->len > 0)
        WriteToClient(client, (int)text->len, text->data); /* the server pads it to 4 bytes */
    free(out.data);
    free(err.data);
    return Success;
}

static int control_proc(ClientPtr client)
{
    return control_request(client, FALSE);
}

static int control_sproc(ClientPtr client)
{
    return control_request(client, TRUE);
}

void qevsim_ctl_init(void)
{
    if (qevsim_screen_count() == 0)
        return; /* the module was loaded but drives no screen */
    if (!AddExtension(QEVSIM_CONTROL_EXTENSION_NAME, 0, 0, control_proc, control_sproc, NULL, StandardMinorOpcode))
        ErrorF("%s: cannot add extension %s\n", QEVSIM_DRIVER_NAME, QEVSIM_CONTROL_EXTENSION_NAME);
}
