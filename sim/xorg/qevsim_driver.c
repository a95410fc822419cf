/* qevsim: Xorg video driver of the simulated QEV adapter. Module entry,
 * probing, option handling, screen set-up with a plain memory framebuffer. */
#include "qevsim_internal.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <X11/extensions/randr.h>
#include <extension.h>
#include <fb.h>
#include <micmap.h>
#include <mipointer.h>
#include <picturestr.h>
#include <xf86Modes.h>
#include <xf86Module.h>

#include "qev/outputs.h"
#include "qevsim_control_proto.h"

#define QEVSIM_VERSION_MAJOR 1
#define QEVSIM_VERSION_MINOR 0
#define QEVSIM_VERSION_PATCH 0
#define QEVSIM_VERSION (QEVSIM_VERSION_MAJOR * 10000 + QEVSIM_VERSION_MINOR * 100 + QEVSIM_VERSION_PATCH)

/* ---- Device options ------------------------------------------------------ */

typedef enum {
    OPT_PROFILE,
    OPT_DISABLE_EXTENSION,
    OPT_ACTIVE_DEVICE,
    OPT_TV_TYPE,
    OPT_TV_OUTPUT,
    OPT_ROTATE_TYPE,
    OPT_ROTATE,
    OPT_XV,
} QevSimOpt;

static const OptionInfoRec qevsim_options[] = {
    {OPT_PROFILE, "Profile", OPTV_STRING, {0}, FALSE},
    {OPT_DISABLE_EXTENSION, "DisableExtension", OPTV_BOOLEAN, {0}, FALSE},
    {OPT_ACTIVE_DEVICE, "ActiveDevice", OPTV_STRING, {0}, FALSE},
    {OPT_TV_TYPE, "TVType", OPTV_STRING, {0}, FALSE},
    {OPT_TV_OUTPUT, "TVOutput", OPTV_STRING, {0}, FALSE},
    {OPT_ROTATE_TYPE, "RotateType", OPTV_STRING, {0}, FALSE},
    {OPT_ROTATE, "Rotate", OPTV_STRING, {0}, FALSE},
    {OPT_XV, "Xv", OPTV_STRING, {0}, FALSE},
    {-1, NULL, OPTV_NONE, {0}, FALSE},
};

/* Options handed to the model, in the order they are applied. */
static const QevSimOpt model_options[] = {OPT_ACTIVE_DEVICE, OPT_TV_TYPE, OPT_TV_OUTPUT, OPT_ROTATE_TYPE,
                                          OPT_ROTATE};

/* ---- process-wide state -------------------------------------------------- */

static QevSimModel *g_model;
static Bool g_extension_disabled;
static int g_num_devices;        /* Device sections claimed at probe */
static int g_num_preinit;        /* screens that went through PreInit */
static unsigned g_claimed_mask;  /* outputs owned by earlier screens */
static QevSimScreen *g_screens[QEVSIM_MAX_SCREENS];
static int g_num_screens;

QevSimModel *qevsim_model(void)
{
    if (!g_model)
        g_model = qevsim_model_new();
    return g_model;
}

int qevsim_screen_count(void) { return g_num_screens; }

QevSimScreen *qevsim_screen(int index)
{
    return index >= 0 && index < g_num_screens ? g_screens[index] : NULL;
}

Bool qevsim_extension_disabled(void) { return g_extension_disabled; }

/* ---- module -------------------------------------------------------------- */

static void qevsim_identify(int flags);
static Bool qevsim_probe(DriverPtr drv, int flags);
static const OptionInfoRec *qevsim_available_options(int chipid, int busid);
static Bool qevsim_driver_func(ScrnInfoPtr scrn, xorgDriverFuncOp op, void *ptr);

static DriverRec qevsim_driver = {
    QEVSIM_VERSION, QEVSIM_DRIVER_NAME, qevsim_identify, qevsim_probe, qevsim_available_options, NULL, 0,
    qevsim_driver_func, NULL, NULL, NULL,
};

static const ExtensionModule qevsim_extensions[] = {
    {qevsim_ext_init, QEVGFX_EXTENSION_NAME, NULL},
    {qevsim_ctl_init, QEVSIM_CONTROL_EXTENSION_NAME, NULL},
};

static XF86ModuleVersionInfo qevsim_version_info = {
    QEVSIM_DRIVER_NAME,
    MODULEVENDORSTRING,
    MODINFOSTRING1,
    MODINFOSTRING2,
    XORG_VERSION_CURRENT,
    QEVSIM_VERSION_MAJOR,
    QEVSIM_VERSION_MINOR,
    QEVSIM_VERSION_PATCH,
    ABI_CLASS_VIDEODRV,
    ABI_VIDEODRV_VERSION,
    MOD_CLASS_VIDEODRV,
    {0, 0, 0, 0},
};

static void *qevsim_setup(void *module, void *opts, int *errmaj, int *errmin)
{
    static Bool done;
    (void)opts;
    (void)errmin;
    if (done) {
        if (errmaj)
            *errmaj = LDR_ONCEONLY;
        return NULL;
    }
    done = TRUE;
    xf86AddDriver(&qevsim_driver, module, HaveDriverFuncs);
    LoadExtensionList(qevsim_extensions, (int)(sizeof qevsim_extensions / sizeof qevsim_extensions[0]), FALSE);
    return (void *)1;
}

_X_EXPORT XF86ModuleData qevsimModuleData = {&qevsim_version_info, qevsim_setup, NULL};

static void qevsim_identify(int flags)
{
    (void)flags;
    xf86Msg(X_INFO, "%s: driver of the simulated QEV adapter\n", QEVSIM_DRIVER_NAME);
}

static const OptionInfoRec *qevsim_available_options(int chipid, int busid)
{
    (void)chipid;
    (void)busid;
    return qevsim_options;
}

static Bool qevsim_driver_func(ScrnInfoPtr scrn, xorgDriverFuncOp op, void *ptr)
{
    (void)scrn;
    switch (op) {
    case GET_REQUIRED_HW_INTERFACES:
        *(xorgHWFlags *)ptr = HW_SKIP_CONSOLE;
        return TRUE;
    default:
        return FALSE;
    }
}

/* ---- screen functions ---------------------------------------------------- */

static Bool qevsim_pre_init(ScrnInfoPtr scrn, int flags);
static Bool qevsim_screen_init(ScreenPtr screen, int argc, char **argv);
static Bool qevsim_switch_mode(ScrnInfoPtr scrn, DisplayModePtr mode);
static void qevsim_adjust_frame(ScrnInfoPtr scrn, int x, int y);
static Bool qevsim_enter_vt(ScrnInfoPtr scrn);
static void qevsim_leave_vt(ScrnInfoPtr scrn);
static void qevsim_free_screen(ScrnInfoPtr scrn);

static Bool qevsim_probe(DriverPtr drv, int flags)
{
    GDevPtr *sections = NULL;
    int nsections = xf86MatchDevice(QEVSIM_DRIVER_NAME, &sections);
    Bool found = FALSE;

    if (nsections <= 0)
        return FALSE;
    if (flags & PROBE_DETECT) {
        free(sections);
        return FALSE;
    }
    for (int i = 0; i < nsections && i < QEVSIM_MAX_SCREENS; i++) {
        int entity;
        /* Every Device section is an entity of its own here, so a "Screen"
         * entry (written for multi-head cards) names instance 0 of it. */
        sections[i]->screen = 0;
        entity = xf86ClaimNoSlot(drv, 0, sections[i], TRUE);
        ScrnInfoPtr scrn = xf86AllocateScreen(drv, 0);
        if (!scrn)
            continue;
        xf86AddEntityToScreen(scrn, entity);
        scrn->driverVersion = QEVSIM_VERSION;
        scrn->driverName = (char *)QEVSIM_DRIVER_NAME;
        scrn->name = (char *)QEVSIM_DRIVER_NAME;
        scrn->Probe = qevsim_probe;
        scrn->PreInit = qevsim_pre_init;
        scrn->ScreenInit = qevsim_screen_init;
        scrn->SwitchMode = qevsim_switch_mode;
        scrn->AdjustFrame = qevsim_adjust_frame;
        scrn->EnterVT = qevsim_enter_vt;
        scrn->LeaveVT = qevsim_leave_vt;
        scrn->FreeScreen = qevsim_free_screen;
        g_num_devices++;
        found = TRUE;
    }
    if (nsections > QEVSIM_MAX_SCREENS)
        xf86Msg(X_WARNING, "%s: only %d Device sections are used\n", QEVSIM_DRIVER_NAME, QEVSIM_MAX_SCREENS);
    free(sections);
    return found;
}

/* Loads the profile and applies the model's Device options. Returns FALSE when
 * the profile is unusable: the server must not start on a half-read profile. */
static Bool qevsim_configure_model(ScrnInfoPtr scrn, const OptionInfoRec *opts)
{
    static char loaded_profile[4096];
    QevSimModel *m = qevsim_model();
    char err[512];
    const char *profile = xf86GetOptValString(opts, OPT_PROFILE);

    if (profile && strcmp(profile, loaded_profile) != 0) {
        err[0] = '\0';
        if (!qevsim_model_load_profile(m, profile, err, sizeof err)) {
            xf86DrvMsg(scrn->scrnIndex, X_ERROR, "invalid profile: %s\n", err[0] ? err : profile);
            return FALSE;
        }
        snprintf(loaded_profile, sizeof loaded_profile, "%s", profile);
        xf86DrvMsg(scrn->scrnIndex, X_CONFIG, "profile %s loaded\n", profile);
    }
    for (size_t i = 0; i < sizeof model_options / sizeof model_options[0]; i++) {
        const char *value = xf86GetOptValString(opts, model_options[i]);
        if (!value)
            continue;
        err[0] = '\0';
        if (!qevsim_model_apply_option(m, opts[model_options[i]].name, value, err, sizeof err))
            xf86DrvMsg(scrn->scrnIndex, X_WARNING, "Option \"%s\" \"%s\" ignored: %s\n",
                       opts[model_options[i]].name, value, err);
    }
    return TRUE;
}

/* The lowest output of mask in RandR order, or 0. */
static unsigned first_output_of(unsigned mask)
{
    static const unsigned order[] = {
#define QEVSIM_BIT_(name, bit) bit,
        QEV_RANDR_OUTPUT_TABLE(QEVSIM_BIT_)
#undef QEVSIM_BIT_
    };
    for (size_t i = 0; i < sizeof order / sizeof order[0]; i++)
        if (mask & order[i])
            return order[i];
    return 0;
}

/* Outputs a screen drives. One screen drives every output; with two screens
 * (two Device sections, Xinerama) the first drives the primary output and the
 * second the secondary one. */
static unsigned qevsim_screen_outputs(int index)
{
    QevSimModel *m = qevsim_model();
    unsigned supported = qevsim_model_supported(m);
    unsigned free_mask = supported & ~g_claimed_mask;
    unsigned pick;

    if (g_num_devices <= 1)
        return supported;
    if (index == 0) {
        pick = qevsim_model_primary(m) & free_mask;
        if (!pick)
            pick = first_output_of(qevsim_model_active(m) & free_mask);
    } else {
        pick = first_output_of(qevsim_model_active(m) & free_mask);
    }
    if (!pick)
        pick = first_output_of(qevsim_model_connected(m) & free_mask);
    if (!pick)
        pick = first_output_of(free_mask);
    return pick;
}

static Bool qevsim_pre_init(ScrnInfoPtr scrn, int flags)
{
    rgb zeros = {0, 0, 0};
    Gamma gzeros = {0.0, 0.0, 0.0};
    QevSimScreen *priv;

    if (flags & PROBE_DETECT)
        return FALSE;
    if (scrn->numEntities != 1)
        return FALSE;

    priv = calloc(1, sizeof *priv);
    if (!priv)
        return FALSE;
    priv->scrn = scrn;
    scrn->driverPrivate = priv;
    scrn->monitor = scrn->confScreen->monitor;

    if (!xf86SetDepthBpp(scrn, 24, 0, 0, Support32bppFb))
        return FALSE;
    if (scrn->depth != 24 || scrn->bitsPerPixel != 32) {
        xf86DrvMsg(scrn->scrnIndex, X_ERROR, "only depth 24 at 32 bpp is supported (got %d/%d)\n", scrn->depth,
                   scrn->bitsPerPixel);
        return FALSE;
    }
    xf86PrintDepthBpp(scrn);
    if (!xf86SetWeight(scrn, zeros, zeros) || !xf86SetDefaultVisual(scrn, -1))
        return FALSE;
    if (!xf86SetGamma(scrn, gzeros))
        return FALSE;

    xf86CollectOptions(scrn, NULL);
    priv->options = malloc(sizeof qevsim_options);
    if (!priv->options)
        return FALSE;
    memcpy(priv->options, qevsim_options, sizeof qevsim_options);
    xf86ProcessOptions(scrn->scrnIndex, scrn->options, priv->options);
    if (xf86ReturnOptValBool(priv->options, OPT_DISABLE_EXTENSION, FALSE)) {
        g_extension_disabled = TRUE;
        xf86DrvMsg(scrn->scrnIndex, X_CONFIG, "extension %s disabled\n", QEVGFX_EXTENSION_NAME);
    }
    /* "Xv": "on" (the default), "empty" (the extension without adaptors) or
     * "off" (a server without the XVideo extension). */
    {
        const char *xv = xf86GetOptValString(priv->options, OPT_XV);
        priv->xv_adaptors = TRUE;
        if (xv && (xf86NameCmp(xv, "off") == 0 || xf86NameCmp(xv, "empty") == 0)) {
            priv->xv_adaptors = FALSE;
            if (xf86NameCmp(xv, "off") == 0)
                noXvExtension = TRUE; /* extensions are set up after the screens */
            xf86DrvMsg(scrn->scrnIndex, X_CONFIG, "Xv \"%s\": no Xv adaptors\n", xv);
        } else if (xv && xf86NameCmp(xv, "on") != 0) {
            xf86DrvMsg(scrn->scrnIndex, X_WARNING, "Option \"Xv\" \"%s\" ignored: on, empty or off\n", xv);
        }
    }
    if (!qevsim_configure_model(scrn, priv->options))
        return FALSE;

    priv->outputs_mask = qevsim_screen_outputs(g_num_preinit);
    g_num_preinit++;
    if (!priv->outputs_mask) {
        xf86DrvMsg(scrn->scrnIndex, X_ERROR, "no output left for this screen\n");
        return FALSE;
    }
    g_claimed_mask |= priv->outputs_mask;

    scrn->chipset = (char *)QEVSIM_DRIVER_NAME;
    scrn->progClock = TRUE;
    scrn->rgbBits = 8;
    scrn->videoRam = 256 * 1024; /* KiB; the framebuffer is plain memory */

    if (!qevsim_randr_preinit(scrn, priv->outputs_mask))
        return FALSE;
    xf86SetDpi(scrn, 0, 0);
    return TRUE;
}

static Bool qevsim_save_screen(ScreenPtr screen, int mode)
{
    (void)screen;
    (void)mode;
    return TRUE;
}

/* After the server's own screen resources (RandR's outputs among them). */
static Bool qevsim_create_resources(ScreenPtr screen)
{
    ScrnInfoPtr scrn = xf86ScreenToScrn(screen);
    QevSimScreen *priv = QEVSIM_PRIV(scrn);
    Bool ok;

    screen->CreateScreenResources = priv->create_resources;
    ok = screen->CreateScreenResources(screen);
    if (ok)
        qevsim_randr_resources_ready(scrn);
    return ok;
}

static Bool qevsim_close_screen(ScreenPtr screen)
{
    ScrnInfoPtr scrn = xf86ScreenToScrn(screen);
    QevSimScreen *priv = QEVSIM_PRIV(scrn);
    Bool ret;

    for (int i = 0; i < g_num_screens; i++) {
        if (g_screens[i] == priv) {
            memmove(&g_screens[i], &g_screens[i + 1], (size_t)(g_num_screens - i - 1) * sizeof g_screens[0]);
            g_num_screens--;
            break;
        }
    }
    screen->CloseScreen = priv->close_screen;
    ret = screen->CloseScreen(screen);
    free(priv->fb);
    priv->fb = NULL;
    scrn->vtSema = FALSE;
    return ret;
}

static Bool qevsim_screen_init(ScreenPtr screen, int argc, char **argv)
{
    ScrnInfoPtr scrn = xf86ScreenToScrn(screen);
    QevSimScreen *priv = QEVSIM_PRIV(scrn);
    (void)argc;
    (void)argv;

    scrn->displayWidth = scrn->virtualX;
    priv->fb_pitch = scrn->displayWidth * 4;
    priv->fb = calloc((size_t)scrn->virtualY, (size_t)priv->fb_pitch);
    if (!priv->fb)
        return FALSE;

    miClearVisualTypes();
    if (!miSetVisualTypes(scrn->depth, miGetDefaultVisualMask(scrn->depth), scrn->rgbBits, scrn->defaultVisual))
        return FALSE;
    if (!miSetPixmapDepths())
        return FALSE;
    if (!fbScreenInit(screen, priv->fb, scrn->virtualX, scrn->virtualY, scrn->xDpi, scrn->yDpi, scrn->displayWidth,
                      scrn->bitsPerPixel))
        return FALSE;
    for (VisualPtr v = screen->visuals; v < screen->visuals + screen->numVisuals; v++) {
        if ((v->class | DynamicClass) == DirectColor) {
            v->offsetRed = scrn->offset.red;
            v->offsetGreen = scrn->offset.green;
            v->offsetBlue = scrn->offset.blue;
            v->redMask = scrn->mask.red;
            v->greenMask = scrn->mask.green;
            v->blueMask = scrn->mask.blue;
        }
    }
    if (!fbPictureInit(screen, NULL, 0))
        return FALSE;
    xf86SetBlackWhitePixels(screen);
    xf86SetBackingStore(screen);
    miDCInitialize(screen, xf86GetPointerScreenFuncs());
    if (!miCreateDefColormap(screen))
        return FALSE;

    screen->SaveScreen = qevsim_save_screen;
    priv->close_screen = screen->CloseScreen;
    screen->CloseScreen = qevsim_close_screen;

    if (!xf86CrtcScreenInit(screen))
        return FALSE;
    priv->create_resources = screen->CreateScreenResources;
    screen->CreateScreenResources = qevsim_create_resources;
    qevsim_randr_screen_init(screen);
    if (priv->xv_adaptors && !qevsim_xv_screen_init(screen))
        return FALSE;
    /* Listed before the first mode set, so that the layout it reports to
     * the model covers this screen too. */
    if (g_num_screens < QEVSIM_MAX_SCREENS)
        g_screens[g_num_screens++] = priv;
    scrn->vtSema = TRUE;
    return xf86SetDesiredModes(scrn);
}

static Bool qevsim_switch_mode(ScrnInfoPtr scrn, DisplayModePtr mode)
{
    return xf86SetSingleMode(scrn, mode, RR_Rotate_0);
}

static void qevsim_adjust_frame(ScrnInfoPtr scrn, int x, int y)
{
    (void)scrn;
    (void)x;
    (void)y;
}

static Bool qevsim_enter_vt(ScrnInfoPtr scrn)
{
    scrn->vtSema = TRUE;
    return xf86SetDesiredModes(scrn);
}

static void qevsim_leave_vt(ScrnInfoPtr scrn)
{
    scrn->vtSema = FALSE;
}

static void qevsim_free_screen(ScrnInfoPtr scrn)
{
    QevSimScreen *priv = QEVSIM_PRIV(scrn);
    if (!priv)
        return;
    free(priv->options);
    free(priv->fb);
    free(priv);
    scrn->driverPrivate = NULL;
}
