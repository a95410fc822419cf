/* RandR side of the qevsim driver: two CRTCs, one output per model output,
 * modes and output properties from the model, and the two-way sync between
 * the RandR configuration and the model. */
#include "qevsim_internal.h"

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <X11/Xatom.h>
#include <X11/extensions/randr.h>
#include <randrstr.h>
#include <xf86Modes.h>
#include <xf86RandR12.h>

#include "qev/commands.h"
#include "qev/outputs.h"

#define ALL_ROTATIONS (RR_Rotate_0 | RR_Rotate_90 | RR_Rotate_180 | RR_Rotate_270 | RR_Reflect_X | RR_Reflect_Y)
#define QEVSIM_MAX_SIZE 8192

static const struct {
    const char *name;
    unsigned bit;
} k_outputs[QEV_RANDR_OUTPUT_COUNT] = {
#define QEVSIM_OUTPUT_(name, bit) {name, bit},
    QEV_RANDR_OUTPUT_TABLE(QEVSIM_OUTPUT_)
#undef QEVSIM_OUTPUT_
};

static Bool g_refreshing_properties; /* property writes come from the model */

static void output_publish_edid(xf86OutputPtr output);

/* The HDTV output that shares a RandR output with a TV output, or 0. */
static unsigned shared_bit(unsigned bit)
{
    return bit == QEV_OUT_TV ? QEV_OUT_HDTV : bit == QEV_OUT_TV2 ? QEV_OUT_HDTV2 : 0;
}

/* The model output a RandR output stands for. "TV" and "TV-2" stand for the
 * TV or the HDTV output of their encoder: the active one, else the connected
 * one, TV first. */
static unsigned output_bit(xf86OutputPtr output)
{
    QevSimModel *m = qevsim_model();
    unsigned bit = (unsigned)(uintptr_t)output->driver_private;
    unsigned alt = shared_bit(bit);
    unsigned supported = qevsim_model_supported(m);

    if (!alt || !(supported & alt))
        return bit;
    if (!(supported & bit))
        return alt;
    for (int pass = 0; pass < 2; pass++) {
        unsigned state = pass == 0 ? qevsim_model_active(m) : qevsim_model_connected(m);
        if (state & bit)
            return bit;
        if (state & alt)
            return alt;
    }
    return bit;
}

/* One word of a query command (outputs[0]); 0 when refused. */
static int model_query(int group, int function, int word)
{
    QevCommandBlock block;
    memset(&block, 0, sizeof block);
    block.group = (uint32_t)group;
    block.function = (uint32_t)function;
    qevsim_model_command(qevsim_model(), &block);
    return block.status ? block.output[word] : 0;
}

/* ---- modes --------------------------------------------------------------- */

/* The standard timing for width x height closest to refresh_mhz (within
 * 0.5 Hz), or NULL. */
static DisplayModePtr standard_timing(int width, int height, int refresh_mhz)
{
    static DisplayModePtr standard;
    DisplayModePtr best = NULL;
    double best_diff = 0.5;

    if (!standard)
        standard = xf86GetDefaultModes();
    for (DisplayModePtr p = standard; p; p = p->next) {
        if (p->HDisplay != width || p->VDisplay != height || (p->Flags & (V_INTERLACE | V_DBLSCAN)))
            continue;
        double diff = fabs(xf86ModeVRefresh(p) - refresh_mhz / 1000.0);
        if (diff <= best_diff) {
            best_diff = diff;
            best = p;
        }
    }
    return best;
}

/* A mode with a modeline whose refresh is the model's: the model's own
 * timing; without one a standard timing when one matches, otherwise a CVT
 * timing with its clock set so that clock / (htotal * vtotal) gives the
 * model's refresh. */
static DisplayModePtr make_mode(unsigned bit, int index, const QevSimMode *q, Bool preferred)
{
    DisplayModePtr std = standard_timing(q->width, q->height, q->refresh_mhz);
    DisplayModePtr mode = NULL;
    QevSimModeTiming t;

    memset(&t, 0, sizeof t);
    if (qevsim_model_mode_timing(qevsim_model(), bit, index, &t) && t.clock_khz > 0 && t.htotal > 0 &&
        t.vtotal > 0 && (mode = calloc(1, sizeof *mode)) != NULL) {
        mode->status = MODE_OK;
        mode->Clock = t.clock_khz;
        mode->HDisplay = t.hdisplay;
        mode->HSyncStart = t.hsync_start;
        mode->HSyncEnd = t.hsync_end;
        mode->HTotal = t.htotal;
        mode->VDisplay = t.vdisplay;
        mode->VSyncStart = t.vsync_start;
        mode->VSyncEnd = t.vsync_end;
        mode->VTotal = t.vtotal;
        mode->Flags = (int)(t.flags & (V_PHSYNC | V_NHSYNC | V_PVSYNC | V_NVSYNC));
    } else if (std) {
        mode = xf86DuplicateMode(std);
    } else {
        mode = xf86CVTMode(q->width, q->height, (float)(q->refresh_mhz / 1000.0), FALSE, FALSE);
        if (mode) {
            double clock = (double)q->refresh_mhz * mode->HTotal * mode->VTotal / 1e6; /* kHz */
            mode->Clock = (int)lround(clock);
        }
    }
    if (!mode)
        return NULL;
    mode->type = M_T_DRIVER | (preferred ? M_T_PREFERRED : 0);
    mode->VRefresh = 0;
    mode->HSync = 0;
    free((void *)mode->name);
    mode->name = NULL;
    xf86SetModeDefaultName(mode);
    xf86SetModeCrtc(mode, 0);
    return mode;
}

/* The model's refresh (mHz) of the mode nearest to the one RandR shows. */
static int model_refresh_of(unsigned bit, const DisplayModeRec *mode)
{
    QevSimModel *m = qevsim_model();
    int n = qevsim_model_mode_count(m, bit);
    double shown = xf86ModeVRefresh(mode) * 1000.0;
    int best = (int)lround(shown);
    double best_diff = 1e9;

    for (int i = 0; i < n; i++) {
        QevSimMode q;
        if (!qevsim_model_mode_get(m, bit, i, &q) || q.width != mode->HDisplay || q.height != mode->VDisplay)
            continue;
        double diff = fabs(q.refresh_mhz - shown);
        if (diff < best_diff) {
            best_diff = diff;
            best = q.refresh_mhz;
        }
    }
    return best;
}

/* ---- output properties --------------------------------------------------- */

static Atom make_atom(const char *name)
{
    return MakeAtom(name, (unsigned)strlen(name), TRUE);
}

/* Sets a property's current value; clients hear of it when it changed. */
static void change_property(RROutputPtr ro, Atom name, Atom type, INT32 value)
{
    RRPropertyPtr prop = RRQueryOutputProperty(ro, name); /* no driver hooks */
    RRPropertyValuePtr old = prop ? &prop->current : NULL;
    Bool changed = !old || old->type != type || old->format != 32 || old->size != 1 || !old->data ||
                   *(const INT32 *)old->data != value;
    RRChangeOutputProperty(ro, name, type, 32, PropModeReplace, 1, &value, changed, FALSE);
}

/* Publishes the model's properties of an output. The property a client is
 * setting (skip) is left alone: RandR is in the middle of changing it. */
static void output_publish_properties(xf86OutputPtr output, Atom skip)
{
    RROutputPtr ro = output->randr_output;
    QevSimModel *m = qevsim_model();
    unsigned bit = output_bit(output);
    int n;

    if (!ro)
        return;
    n = qevsim_model_property_count(m, bit);
    g_refreshing_properties = TRUE;
    for (int i = 0; i < n; i++) {
        QevSimProperty p;
        INT32 values[16];
        Atom name;

        memset(&p, 0, sizeof p);
        if (!qevsim_model_property_get(m, bit, i, &p) || !p.name)
            continue;
        name = make_atom(p.name);
        if (name == skip)
            continue;
        if (p.is_atom) {
            int count = p.natoms < 16 ? p.natoms : 16;
            for (int k = 0; k < count; k++)
                values[k] = (INT32)make_atom(p.atoms[k]);
            RRConfigureOutputProperty(ro, name, FALSE, FALSE, FALSE, count, values);
            if (p.value < 0 || p.value >= count)
                continue;
            change_property(ro, name, XA_ATOM, values[p.value]);
        } else {
            values[0] = p.min;
            values[1] = p.max;
            RRConfigureOutputProperty(ro, name, FALSE, TRUE, FALSE, 2, values);
            change_property(ro, name, XA_INTEGER, p.value);
        }
    }
    g_refreshing_properties = FALSE;
}

static void output_create_resources(xf86OutputPtr output)
{
    output_publish_properties(output, None);
    output_publish_edid(output);
}

static Bool output_set_property(xf86OutputPtr output, Atom property, RRPropertyValuePtr value)
{
    QevSimModel *m = qevsim_model();
    unsigned bit = output_bit(output);
    const char *name = NameForAtom(property);
    int n = qevsim_model_property_count(m, bit);

    if (g_refreshing_properties || !name)
        return TRUE;
    for (int i = 0; i < n; i++) {
        QevSimProperty p;
        int v = -1;

        memset(&p, 0, sizeof p);
        if (!qevsim_model_property_get(m, bit, i, &p) || !p.name || strcmp(p.name, name) != 0)
            continue;
        if (value->format != 32 || value->size != 1)
            return FALSE;
        if (p.is_atom) {
            Atom a;
            if (value->type != XA_ATOM)
                return FALSE;
            a = *(const CARD32 *)value->data;
            for (int k = 0; k < p.natoms && k < 16; k++)
                if (make_atom(p.atoms[k]) == a)
                    v = k;
            if (v < 0)
                return FALSE;
        } else {
            if (value->type != XA_INTEGER)
                return FALSE;
            v = *(const INT32 *)value->data;
        }
        if (!qevsim_model_property_set(m, bit, p.name, v))
            return FALSE;
        /* One setting may move others (a TV standard changes the ranges). */
        output_publish_properties(output, property);
        return TRUE;
    }
    return TRUE; /* not a model property: it belongs to the client or the server */
}

static Bool output_get_property(xf86OutputPtr output, Atom property)
{
    (void)property;
    if (!g_refreshing_properties)
        output_publish_properties(output, None);
    return TRUE;
}

/* ---- outputs ------------------------------------------------------------- */

static xf86OutputStatus output_detect(xf86OutputPtr output)
{
    return (qevsim_model_connected(qevsim_model()) & output_bit(output)) ? XF86OutputStatusConnected
                                                                          : XF86OutputStatusDisconnected;
}

static DisplayModePtr output_get_modes(xf86OutputPtr output)
{
    QevSimModel *m = qevsim_model();
    unsigned bit = output_bit(output);
    int n = qevsim_model_mode_count(m, bit);
    DisplayModePtr list = NULL;

    for (int i = 0; i < n; i++) {
        QevSimMode q;
        DisplayModePtr mode;
        if (!qevsim_model_mode_get(m, bit, i, &q) || q.width <= 0 || q.height <= 0 || q.refresh_mhz <= 0)
            continue;
        mode = make_mode(bit, i, &q, list == NULL);
        if (mode)
            list = xf86ModesAdd(list, mode);
    }
    return list;
}

static int output_mode_valid(xf86OutputPtr output, DisplayModePtr mode)
{
    (void)output;
    (void)mode;
    return MODE_OK;
}

static Bool output_mode_fixup(xf86OutputPtr output, DisplayModePtr mode, DisplayModePtr adjusted)
{
    (void)output;
    (void)mode;
    (void)adjusted;
    return TRUE;
}

static void output_noop(xf86OutputPtr output)
{
    (void)output;
}

static void output_mode_set(xf86OutputPtr output, DisplayModePtr mode, DisplayModePtr adjusted)
{
    (void)output;
    (void)mode;
    (void)adjusted;
}

static void output_dpms(xf86OutputPtr output, int mode)
{
    (void)mode;
    qevsim_sync_model_from_randr(output->scrn);
}

static void output_destroy(xf86OutputPtr output)
{
    output->driver_private = NULL;
}

static const xf86OutputFuncsRec qevsim_output_funcs = {
    .create_resources = output_create_resources,
    .dpms = output_dpms,
    .save = output_noop,
    .restore = output_noop,
    .mode_valid = output_mode_valid,
    .mode_fixup = output_mode_fixup,
    .prepare = output_noop,
    .commit = output_noop,
    .mode_set = output_mode_set,
    .detect = output_detect,
    .get_modes = output_get_modes,
    .set_property = output_set_property,
    .get_property = output_get_property,
    .destroy = output_destroy,
};

/* ---- CRTCs --------------------------------------------------------------- */

static void crtc_dpms(xf86CrtcPtr crtc, int mode)
{
    (void)mode;
    qevsim_sync_model_from_randr(crtc->scrn);
}

static void crtc_noop(xf86CrtcPtr crtc)
{
    (void)crtc;
}

static Bool crtc_lock(xf86CrtcPtr crtc)
{
    (void)crtc;
    return FALSE;
}

static Bool crtc_set_mode_major(xf86CrtcPtr crtc, DisplayModePtr mode, Rotation rotation, int x, int y)
{
    (void)rotation;
    (void)x;
    (void)y;
    if (qevsim_fault_modeset(mode->HDisplay, mode->VDisplay))
        return FALSE; /* the server answers RRSetConfigFailed and keeps the old configuration */
    /* The simulated scan-out applies rotation, reflection and scaling itself,
     * so no shadow buffer is needed; xf86CrtcRotate only computes the
     * transform matrices and bounds. */
    crtc->driverIsPerformingTransform = XF86DriverTransformOutput;
    if (!xf86CrtcRotate(crtc))
        return FALSE;
    qevsim_sync_model_from_randr(crtc->scrn);
    return TRUE;
}

static void crtc_gamma_set(xf86CrtcPtr crtc, CARD16 *red, CARD16 *green, CARD16 *blue, int size)
{
    (void)crtc;
    (void)red;
    (void)green;
    (void)blue;
    (void)size;
}

static const xf86CrtcFuncsRec qevsim_crtc_funcs = {
    .dpms = crtc_dpms,
    .save = crtc_noop,
    .restore = crtc_noop,
    .lock = crtc_lock,
    .unlock = crtc_noop,
    .prepare = crtc_noop,
    .commit = crtc_noop,
    .gamma_set = crtc_gamma_set,
    .destroy = crtc_noop,
    .set_mode_major = crtc_set_mode_major,
};

static Bool config_resize(ScrnInfoPtr scrn, int width, int height)
{
    return qevsim_resize_fb(scrn, width, height);
}

static const xf86CrtcConfigFuncsRec qevsim_config_funcs = {
    .resize = config_resize,
};

Bool qevsim_resize_fb(ScrnInfoPtr scrn, int width, int height)
{
    QevSimScreen *priv = QEVSIM_PRIV(scrn);
    ScreenPtr screen = xf86ScrnToScreen(scrn);
    PixmapPtr pixmap;
    int pitch = width * 4;
    void *fb;

    if (width == scrn->virtualX && height == scrn->virtualY && priv->fb)
        return TRUE;
    if (!screen || !priv->fb) { /* before ScreenInit: only the size changes */
        scrn->virtualX = width;
        scrn->virtualY = height;
        scrn->displayWidth = width;
        return TRUE;
    }
    fb = calloc((size_t)height, (size_t)pitch);
    if (!fb)
        return FALSE;
    pixmap = screen->GetScreenPixmap(screen);
    if (!screen->ModifyPixmapHeader(pixmap, width, height, -1, -1, pitch, fb)) {
        free(fb);
        return FALSE;
    }
    free(priv->fb);
    priv->fb = fb;
    priv->fb_pitch = pitch;
    scrn->virtualX = width;
    scrn->virtualY = height;
    scrn->displayWidth = width;
    return TRUE;
}

/* ---- configuration ------------------------------------------------------- */

/* Size a CRTC covers on the screen with its mode, rotation and transform. */
static void crtc_extent(xf86CrtcPtr crtc, const DisplayModeRec *mode, Rotation rotation, int *w, int *h)
{
    Bool swap = (rotation & (RR_Rotate_90 | RR_Rotate_270)) != 0;
    *w = swap ? mode->VDisplay : mode->HDisplay;
    *h = swap ? mode->HDisplay : mode->VDisplay;
    if (crtc && crtc->transformPresent) {
        BoxRec box = {0, 0, (short)mode->HDisplay, (short)mode->VDisplay};
        struct pixman_f_transform f, fi;
        pixman_f_transform_from_pixman_transform(&f, &crtc->transform.transform);
        if (pixman_f_transform_invert(&fi, &f)) {
            pixman_f_transform_bounds(&f, &box);
            *w = box.x2 - box.x1;
            *h = box.y2 - box.y1;
        }
    }
}

static DisplayModePtr preferred_mode(xf86OutputPtr output)
{
    for (DisplayModePtr p = output->probed_modes; p; p = p->next)
        if (p->type & M_T_PREFERRED)
            return p;
    return output->probed_modes;
}

/* Outputs to light, primary first then RandR order, at most one per CRTC. */
static int wanted_outputs(xf86CrtcConfigPtr config, unsigned want, xf86OutputPtr *out)
{
    unsigned primary = qevsim_model_primary(qevsim_model());
    int n = 0;

    for (int pass = 0; pass < 2; pass++) {
        for (int i = 0; i < config->num_output && n < config->num_crtc; i++) {
            unsigned bit = output_bit(config->output[i]);
            if (!(want & bit) || ((pass == 0) != ((bit & primary) != 0)))
                continue;
            out[n++] = config->output[i];
        }
    }
    return n;
}

/* Lays out the lit outputs: side by side in a multi-screen layout, all at
 * the origin in a clone layout. */
static void place_outputs(int n, const int *widths, int *xs)
{
    Bool samm = model_query(QEV_CMD_GetDeviceSAMMState_GROUP, QEV_CMD_GetDeviceSAMMState_FN, 0) != 0;
    int x = 0;
    for (int i = 0; i < n; i++) {
        xs[i] = samm ? x : 0;
        x += widths[i];
    }
}

/* Stops the server's own mode list from being merged into the outputs'
 * lists: the model's modes are the whole list, unless the configuration
 * explicitly asks for the defaults. */
static void disable_default_modes(xf86OutputPtr output)
{
    if (!output->options)
        return;
    for (OptionInfoPtr o = output->options; o->name; o++) {
        if (xf86NameCmp(o->name, "DefaultModes") == 0 && !o->found) {
            o->found = TRUE;
            o->value.boolean = FALSE;
        }
    }
}

Bool qevsim_randr_preinit(ScrnInfoPtr scrn, unsigned mask)
{
    QevSimModel *m = qevsim_model();
    xf86CrtcConfigPtr config;
    xf86OutputPtr lit[QEVSIM_NUM_CRTCS];
    int widths[QEVSIM_NUM_CRTCS], heights[QEVSIM_NUM_CRTCS], xs[QEVSIM_NUM_CRTCS];
    int nlit, width = 0, height = 0;
    Rotation rotation;

    xf86CrtcConfigInit(scrn, &qevsim_config_funcs);
    xf86CrtcSetSizeRange(scrn, 320, 200, QEVSIM_MAX_SIZE, QEVSIM_MAX_SIZE);
    config = XF86_CRTC_CONFIG_PTR(scrn);

    for (int i = 0; i < QEVSIM_NUM_CRTCS; i++) {
        if (!xf86CrtcCreate(scrn, &qevsim_crtc_funcs))
            return FALSE;
    }
    for (int i = 0; i < QEV_RANDR_OUTPUT_COUNT; i++) {
        xf86OutputPtr output;
        if (!(mask & (k_outputs[i].bit | shared_bit(k_outputs[i].bit)) & qevsim_model_supported(m)))
            continue;
        output = xf86OutputCreate(scrn, &qevsim_output_funcs, k_outputs[i].name);
        if (!output)
            return FALSE;
        output->driver_private = (void *)(uintptr_t)k_outputs[i].bit;
        output->possible_crtcs = (1u << QEVSIM_NUM_CRTCS) - 1;
        output->interlaceAllowed = TRUE;
        output->doubleScanAllowed = FALSE;
        output->subpixel_order = SubPixelUnknown;
        disable_default_modes(output);
    }
    /* Each controller scans out one output: a clone pair is two controllers
     * showing the same place, never two outputs on one controller. So RandR
     * lights at most two outputs, as the model does. */
    for (int i = 0; i < config->num_output; i++)
        config->output[i]->possible_clones = 0;

    xf86ProbeOutputModes(scrn, QEVSIM_MAX_SIZE, QEVSIM_MAX_SIZE);

    /* Light the model's active outputs with their preferred modes. */
    rotation = (Rotation)model_query(QEV_CMD_GetRotationInfo_GROUP, QEV_CMD_GetRotationInfo_FN, 1);
    if (!(rotation & ALL_ROTATIONS) || !(qevsim_model_rotations(m) & rotation))
        rotation = RR_Rotate_0;
    {
        xf86OutputPtr cand[QEVSIM_NUM_CRTCS];
        int ncand = wanted_outputs(config, qevsim_model_active(m) & qevsim_model_connected(m), cand);
        nlit = 0;
        for (int i = 0; i < ncand; i++)
            if (preferred_mode(cand[i]))
                lit[nlit++] = cand[i];
    }
    for (int i = 0; i < nlit; i++)
        crtc_extent(NULL, preferred_mode(lit[i]), rotation, &widths[i], &heights[i]);
    place_outputs(nlit, widths, xs);
    for (int i = 0; i < nlit; i++) {
        xf86CrtcPtr crtc = config->crtc[i];
        DisplayModePtr mode = preferred_mode(lit[i]);
        lit[i]->crtc = crtc;
        crtc->enabled = TRUE;
        crtc->desiredMode = *mode;
        crtc->desiredMode.name = NULL;
        crtc->desiredMode.prev = crtc->desiredMode.next = NULL;
        crtc->desiredRotation = rotation;
        crtc->desiredX = xs[i];
        crtc->desiredY = 0;
        crtc->desiredTransformPresent = FALSE;
        if (xs[i] + widths[i] > width)
            width = xs[i] + widths[i];
        if (heights[i] > height)
            height = heights[i];
        if (i == 0)
            for (int k = 0; k < config->num_output; k++)
                if (config->output[k] == lit[i])
                    config->compat_output = k;
    }
    if (nlit == 0) {
        xf86DrvMsg(scrn->scrnIndex, X_WARNING, "no active output connected; screen starts dark\n");
        width = 1024;
        height = 768;
    }
    scrn->virtualX = width;
    scrn->virtualY = height;
    scrn->displayWidth = width;

    xf86SetScrnInfoModes(scrn);
    if (!scrn->modes) {
        DisplayModePtr mode = xf86CVTMode(width, height, 60.0f, FALSE, FALSE);
        if (!mode)
            return FALSE;
        mode->next = mode->prev = mode;
        scrn->modes = mode;
    }
    scrn->currentMode = scrn->modes;
    return TRUE;
}

void qevsim_randr_screen_init(ScreenPtr screen)
{
    xf86RandR12SetRotations(screen, (Rotation)(qevsim_model_rotations(qevsim_model()) & ALL_ROTATIONS) | RR_Rotate_0);
    xf86RandR12SetTransformSupport(screen, TRUE);
}

/* ---- RandR -> model ------------------------------------------------------ */

/* What the model said when RandR and the model last agreed. */
static struct {
    Bool valid;
    Rotation rotation;
    unsigned connected;
    unsigned primary;
} g_seen;

/* RandR runs on the screen (not so under Xinerama, where the server leaves
 * it out). */
static Bool randr_active(ScreenPtr screen)
{
    return screen && dixPrivateKeyRegistered(rrPrivKey) && rrGetScrPriv(screen) != NULL;
}

/* The output RandR calls primary on the screen, or NULL. */
static xf86OutputPtr randr_primary(ScrnInfoPtr scrn)
{
    ScreenPtr screen = xf86ScrnToScreen(scrn);
    xf86CrtcConfigPtr config = XF86_CRTC_CONFIG_PTR(scrn);
    RROutputPtr ro;

    if (!randr_active(screen) || !(ro = rrGetScrPriv(screen)->primaryOutput))
        return NULL;
    for (int i = 0; i < config->num_output; i++)
        if (config->output[i]->randr_output == ro)
            return config->output[i];
    return NULL;
}

static Bool output_lit(xf86OutputPtr output)
{
    return output && output->crtc && output->crtc->enabled;
}

/* The model's primary follows RandR's primary output while that is lit (a
 * client sets it without the driver hearing of it, so this runs before each
 * command is answered too). */
static Bool g_pushing; /* model -> RandR under way: the model's primary wins */

void qevsim_sync_primary_from_randr(void)
{
    if (g_pushing)
        return;
    for (int s = 0; s < qevsim_screen_count(); s++) {
        xf86OutputPtr primary = randr_primary(qevsim_screen(s)->scrn);
        if (output_lit(primary)) {
            qevsim_model_set_primary(qevsim_model(), output_bit(primary));
            g_seen.primary = qevsim_model_primary(qevsim_model());
            return;
        }
    }
}

/* Makes the model's primary output RandR's primary when the model moved it. */
static void push_primary(ScrnInfoPtr scrn)
{
    ScreenPtr screen = xf86ScrnToScreen(scrn);
    xf86CrtcConfigPtr config = XF86_CRTC_CONFIG_PTR(scrn);
    unsigned primary = qevsim_model_primary(qevsim_model());

    if (!randr_active(screen))
        return;
    for (int i = 0; i < config->num_output; i++) {
        xf86OutputPtr output = config->output[i];
        if (output_bit(output) == primary && output_lit(output) && output->randr_output &&
            randr_primary(scrn) != output) {
            /* As the server's own SetOutputPrimary does (not exported). */
            rrScrPrivPtr rp = rrGetScrPriv(screen);
            if (rp->primaryOutput)
                RROutputChanged(rp->primaryOutput, FALSE);
            rp->primaryOutput = output->randr_output;
            RROutputChanged(output->randr_output, FALSE);
            rp->layoutChanged = TRUE;
            RRTellChanged(screen);
            return;
        }
    }
}

/* The model's rotation as RandR bits (normal when it has none). */
static Rotation model_rotation(void)
{
    Rotation r = (Rotation)model_query(QEV_CMD_GetRotationInfo_GROUP, QEV_CMD_GetRotationInfo_FN, 1);
    return (r & ALL_ROTATIONS) ? (Rotation)(r & ALL_ROTATIONS) : RR_Rotate_0;
}

static void remember_model_state(void)
{
    g_seen.valid = TRUE;
    g_seen.rotation = model_rotation();
    g_seen.connected = qevsim_model_connected(qevsim_model());
    g_seen.primary = qevsim_model_primary(qevsim_model());
}

void qevsim_sync_model_from_randr(ScrnInfoPtr scrn)
{
    QevSimModel *m = qevsim_model();
    xf86CrtcConfigPtr config = XF86_CRTC_CONFIG_PTR(scrn);
    QevSimScreen *priv = QEVSIM_PRIV(scrn);
    int lit = 0, first_x = 0, first_y = 0;
    ScrnInfoPtr first_scrn = NULL;
    Bool same_place = TRUE;
    Rotation rotation = 0;

    if (!priv || priv->applying)
        return;
    for (int i = 0; i < config->num_output; i++) {
        xf86OutputPtr output = config->output[i];
        unsigned bit = output_bit(output);
        Bool active = output->crtc && output->crtc->enabled;
        qevsim_model_set_output_active(m, bit, active);
        if (active)
            qevsim_model_set_current_mode(m, bit, output->crtc->mode.HDisplay, output->crtc->mode.VDisplay,
                                          model_refresh_of(bit, &output->crtc->mode));
    }
    /* Layout over every screen of the driver: two lit CRTCs at one place
     * are a clone pair, at different places (or on two screens) SAMM. */
    for (int s = 0; s < qevsim_screen_count(); s++) {
        ScrnInfoPtr sc = qevsim_screen(s)->scrn;
        xf86CrtcConfigPtr cc = XF86_CRTC_CONFIG_PTR(sc);
        for (int i = 0; i < cc->num_crtc; i++) {
            xf86CrtcPtr crtc = cc->crtc[i];
            if (!crtc->enabled)
                continue;
            if (lit == 0) {
                first_scrn = sc;
                first_x = crtc->x;
                first_y = crtc->y;
                rotation = crtc->rotation;
            } else if (crtc->x != first_x || crtc->y != first_y || sc != first_scrn) {
                same_place = FALSE;
            }
            lit++;
        }
    }
    if (lit >= 2)
        qevsim_model_set_layout(m, !same_place, same_place);
    else
        qevsim_model_set_layout(m, 0, 0);
    qevsim_sync_primary_from_randr();
    /* The rotation is the primary output's (its controller's). */
    for (int i = 0; i < config->num_output; i++) {
        xf86OutputPtr output = config->output[i];
        if (output_lit(output) && output_bit(output) == qevsim_model_primary(m))
            rotation = output->crtc->rotation;
    }
    if (rotation)
        qevsim_model_set_rotation(m, rotation);
    remember_model_state();
}

/* ---- model -> RandR ------------------------------------------------------ */

void qevsim_randr_resources_ready(ScrnInfoPtr scrn)
{
    push_primary(scrn);
}

/* Switches the screen's lit outputs to the model's active set and, when
 * new_rotation is not 0, turns every lit CRTC to it. */
static void apply_model_state(ScrnInfoPtr scrn, Rotation new_rotation)
{
    QevSimModel *m = qevsim_model();
    QevSimScreen *priv = QEVSIM_PRIV(scrn);
    xf86CrtcConfigPtr config = XF86_CRTC_CONFIG_PTR(scrn);
    ScreenPtr screen = xf86ScrnToScreen(scrn);
    unsigned want = qevsim_model_active(m) & qevsim_model_connected(m) & priv->outputs_mask;
    unsigned lit_mask = 0;
    xf86OutputPtr lit[QEVSIM_NUM_CRTCS];
    xf86CrtcPtr crtcs[QEVSIM_NUM_CRTCS];
    DisplayModeRec modes[QEVSIM_NUM_CRTCS];
    Rotation rotations[QEVSIM_NUM_CRTCS];
    int widths[QEVSIM_NUM_CRTCS], heights[QEVSIM_NUM_CRTCS], xs[QEVSIM_NUM_CRTCS];
    int nlit, width = 0, height = 0;
    Bool rotate = FALSE;

    for (int i = 0; i < config->num_output; i++) {
        xf86CrtcPtr crtc = config->output[i]->crtc;
        if (crtc && crtc->enabled) {
            lit_mask |= output_bit(config->output[i]);
            rotate |= new_rotation && crtc->rotation != new_rotation;
        }
    }
    if (lit_mask == want && !rotate)
        return;

    xf86ProbeOutputModes(scrn, config->maxWidth, config->maxHeight);
    nlit = wanted_outputs(config, want, lit);

    priv->applying = TRUE;
    /* Detach what goes dark; keep lit outputs on their CRTC and mode. */
    for (int i = 0; i < config->num_output; i++) {
        xf86OutputPtr output = config->output[i];
        Bool keep = FALSE;
        for (int k = 0; k < nlit; k++)
            keep |= lit[k] == output;
        if (!keep)
            output->crtc = NULL;
    }
    for (int k = 0; k < nlit; k++) {
        xf86CrtcPtr crtc = lit[k]->crtc;
        if (crtc && crtc->enabled) {
            modes[k] = crtc->mode;
            rotations[k] = new_rotation ? new_rotation : crtc->rotation;
        } else {
            DisplayModePtr pref = preferred_mode(lit[k]);
            crtc = NULL;
            if (!pref) {
                nlit = k;
                break;
            }
            modes[k] = *pref;
            modes[k].name = NULL; /* the probed list it points into is rebuilt on each probe */
            modes[k].prev = modes[k].next = NULL;
            rotations[k] = new_rotation ? new_rotation : model_rotation();
        }
        crtcs[k] = crtc;
    }
    /* Free CRTCs for the newly lit outputs. */
    for (int k = 0; k < nlit; k++) {
        if (crtcs[k])
            continue;
        for (int c = 0; c < config->num_crtc && !crtcs[k]; c++) {
            Bool used = FALSE;
            for (int j = 0; j < nlit; j++)
                used |= crtcs[j] == config->crtc[c];
            if (!used)
                crtcs[k] = config->crtc[c];
        }
        lit[k]->crtc = crtcs[k];
    }
    for (int k = 0; k < nlit; k++)
        crtc_extent(crtcs[k], &modes[k], rotations[k], &widths[k], &heights[k]);
    place_outputs(nlit, widths, xs);
    for (int k = 0; k < nlit; k++) {
        if (xs[k] + widths[k] > width)
            width = xs[k] + widths[k];
        if (heights[k] > height)
            height = heights[k];
    }
    xf86DisableUnusedFunctions(scrn);
    if (randr_active(screen) && nlit > 0 && (width != scrn->virtualX || height != scrn->virtualY)) {
        if (width < config->minWidth)
            width = config->minWidth;
        if (height < config->minHeight)
            height = config->minHeight;
        RRScreenSizeSet(screen, (CARD16)width, (CARD16)height,
                        (CARD32)(width * 25.4 / (scrn->xDpi > 0 ? scrn->xDpi : 96) + 0.5),
                        (CARD32)(height * 25.4 / (scrn->yDpi > 0 ? scrn->yDpi : 96) + 0.5));
    }
    for (int k = 0; k < nlit; k++) {
        RRTransformPtr transform = crtcs[k]->transformPresent ? &crtcs[k]->transform : NULL;
        xf86CrtcSetModeTransform(crtcs[k], &modes[k], rotations[k], transform, xs[k], 0);
    }
    priv->applying = FALSE;
    qevsim_sync_model_from_randr(scrn);
    if (randr_active(screen))
        xf86RandR12TellChanged(screen);
}

void qevsim_model_changed(void)
{
    QevSimModel *m = qevsim_model();
    unsigned connected = qevsim_model_connected(m);
    Rotation rotation = model_rotation();
    /* Only a rotation the model took since RandR last set it is pushed:
     * RandR may rotate one CRTC alone, and a query must not undo that. */
    Rotation new_rotation = g_seen.valid && rotation != g_seen.rotation ? rotation : 0;
    Bool replugged = g_seen.valid && connected != g_seen.connected;
    Bool new_primary = g_seen.valid && qevsim_model_primary(m) != g_seen.primary;

    for (int s = 0; s < qevsim_screen_count(); s++) {
        ScrnInfoPtr scrn = qevsim_screen(s)->scrn;
        ScreenPtr screen = xf86ScrnToScreen(scrn);
        xf86CrtcConfigPtr config = XF86_CRTC_CONFIG_PTR(scrn);
        if (replugged && randr_active(screen)) {
            RRGetInfo(screen, TRUE);
            RRTellChanged(screen);
        }
        g_pushing = TRUE;
        apply_model_state(scrn, new_rotation);
        g_pushing = FALSE;
        if (new_primary)
            push_primary(scrn);
        for (int i = 0; i < config->num_output; i++) {
            output_publish_properties(config->output[i], None);
            output_publish_edid(config->output[i]);
        }
    }
    remember_model_state();
}

/* ---- monitor identity (EDID) --------------------------------------------- */

#define QEVSIM_EDID_SIZE 128

/* A display descriptor: tag and up to 13 bytes of text ended by a newline and
 * padded with blanks. */
static void edid_text_descriptor(unsigned char *d, unsigned char tag, const char *text)
{
    size_t n = strlen(text);
    memset(d, 0, 18);
    d[3] = tag;
    memset(d + 5, ' ', 13);
    if (n > 13)
        n = 13;
    memcpy(d + 5, text, n);
    if (n < 13)
        d[5 + n] = '\n';
}

/* The detailed timing descriptor of a mode, with its picture size in mm. */
static void edid_detailed_timing(unsigned char *d, const DisplayModeRec *mode, int width_mm, int height_mm)
{
    int clock = mode->Clock / 10; /* 10 kHz units */
    int hblank = mode->HTotal - mode->HDisplay, vblank = mode->VTotal - mode->VDisplay;
    int hso = mode->HSyncStart - mode->HDisplay, hsw = mode->HSyncEnd - mode->HSyncStart;
    int vso = mode->VSyncStart - mode->VDisplay, vsw = mode->VSyncEnd - mode->VSyncStart;

    d[0] = (unsigned char)(clock & 0xff);
    d[1] = (unsigned char)((clock >> 8) & 0xff);
    d[2] = (unsigned char)(mode->HDisplay & 0xff);
    d[3] = (unsigned char)(hblank & 0xff);
    d[4] = (unsigned char)(((mode->HDisplay >> 8) & 0xf) << 4 | ((hblank >> 8) & 0xf));
    d[5] = (unsigned char)(mode->VDisplay & 0xff);
    d[6] = (unsigned char)(vblank & 0xff);
    d[7] = (unsigned char)(((mode->VDisplay >> 8) & 0xf) << 4 | ((vblank >> 8) & 0xf));
    d[8] = (unsigned char)(hso & 0xff);
    d[9] = (unsigned char)(hsw & 0xff);
    d[10] = (unsigned char)((vso & 0xf) << 4 | (vsw & 0xf));
    d[11] = (unsigned char)(((hso >> 8) & 3) << 6 | ((hsw >> 8) & 3) << 4 | ((vso >> 4) & 3) << 2 | ((vsw >> 4) & 3));
    d[12] = (unsigned char)(width_mm & 0xff);
    d[13] = (unsigned char)(height_mm & 0xff);
    d[14] = (unsigned char)(((width_mm >> 8) & 0xf) << 4 | ((height_mm >> 8) & 0xf));
    d[17] = (unsigned char)(0x18 | ((mode->Flags & V_INTERLACE) ? 0x80 : 0) | ((mode->Flags & V_PVSYNC) ? 0x04 : 0) |
                            ((mode->Flags & V_PHSYNC) ? 0x02 : 0));
}

/* An EDID 1.3 block for the monitor on a model output: vendor "QEV", a
 * product code per output kind, a serial per output, the preferred mode as
 * the first detailed timing, range limits that admit every model mode, the
 * monitor name and the serial text. Returns 0 when the output has no mode. */
static int build_edid(xf86OutputPtr output, unsigned bit, unsigned char *e)
{
    static const unsigned char header[8] = {0x00, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0x00};
    static const unsigned char chroma[10] = {0xee, 0x91, 0xa3, 0x54, 0x4c, 0x99, 0x26, 0x0f, 0x50, 0x54};
    const unsigned vendor = (('Q' - 'A' + 1) << 10) | (('E' - 'A' + 1) << 5) | ('V' - 'A' + 1);
    DisplayModePtr mode = preferred_mode(output);
    Bool analog = (bit & (QEV_OUT_CRT | QEV_OUT_CRT2 | QEV_OUT_TV | QEV_OUT_TV2)) != 0;
    unsigned index = 0, serial, sum = 0;
    int width_mm, height_mm;
    char text[32];

    if (!mode || mode->HDisplay <= 0 || mode->VDisplay <= 0 || mode->Clock <= 0)
        return 0;
    while (index < 31 && !(bit & (1u << index)))
        index++;
    serial = 0x51450000u + (index + 1) * 0x101u;
    width_mm = mode->HDisplay * 264 / 1000; /* about 96 dots per inch */
    height_mm = mode->VDisplay * 264 / 1000;

    memset(e, 0, QEVSIM_EDID_SIZE);
    memcpy(e, header, sizeof header);
    e[8] = (unsigned char)(vendor >> 8);
    e[9] = (unsigned char)(vendor & 0xff);
    e[10] = (unsigned char)(0x10 + index); /* product code, little-endian */
    e[11] = 0x51;
    for (int i = 0; i < 4; i++)
        e[12 + i] = (unsigned char)(serial >> (8 * i));
    e[16] = 1;         /* week */
    e[17] = 2026 - 1990; /* year */
    e[18] = 1;         /* EDID 1.3 */
    e[19] = 3;
    e[20] = analog ? 0x08 : 0x80;
    e[21] = (unsigned char)((width_mm + 5) / 10);
    e[22] = (unsigned char)((height_mm + 5) / 10);
    e[23] = 120;  /* gamma 2.2 */
    e[24] = 0x0a; /* RGB colour, preferred timing is the first detailed one */
    memcpy(e + 25, chroma, sizeof chroma);
    for (int i = 38; i < 54; i++)
        e[i] = 0x01; /* no standard timings */
    edid_detailed_timing(e + 54, mode, width_mm, height_mm);
    /* Range limits: 24-240 Hz, 15-255 kHz, 600 MHz. */
    e[72 + 3] = 0xfd;
    e[72 + 5] = 24;
    e[72 + 6] = 240;
    e[72 + 7] = 15;
    e[72 + 8] = 255;
    e[72 + 9] = 60;
    e[72 + 11] = 0x0a;
    memset(e + 72 + 12, ' ', 6);
    snprintf(text, sizeof text, "QEV %s", output->name);
    edid_text_descriptor(e + 90, 0xfc, text);
    snprintf(text, sizeof text, "QEV%08X", serial);
    edid_text_descriptor(e + 108, 0xff, text);
    for (int i = 0; i < QEVSIM_EDID_SIZE - 1; i++)
        sum += e[i];
    e[127] = (unsigned char)((256 - sum % 256) % 256);
    return 1;
}

/* Connected outputs carry an "EDID" property so that desktop tools can tell
 * the simulated monitors apart; disconnected ones carry none. */
static void output_publish_edid(xf86OutputPtr output)
{
    RROutputPtr ro = output->randr_output;
    unsigned bit = output_bit(output);
    Atom name = make_atom("EDID");
    unsigned char edid[QEVSIM_EDID_SIZE];

    if (!ro)
        return;
    if ((qevsim_model_connected(qevsim_model()) & bit) && build_edid(output, bit, edid))
        RRChangeOutputProperty(ro, name, XA_INTEGER, 8, PropModeReplace, QEVSIM_EDID_SIZE, edid, FALSE, FALSE);
    else
        RRDeleteOutputProperty(ro, name);
}
