/* Xv side of the qevsim driver: the texture adaptor "XV_TEXTURE", whose
 * read-only attribute XV_OVERLAYSTATUS tells whether a video overlay is
 * shown, and the overlay adaptor "XV_SWOV" with the colour attributes of the
 * model. A port of the overlay adaptor shows video from a PutImage until
 * StopVideo, the end of its window, or the end of the client that drew. */
#include "qevsim_internal.h"

#include <string.h>

#include <X11/extensions/Xv.h>
#include <dixstruct.h>
#include <fourcc.h>
#include <resource.h>
#include <xf86xv.h>

#define QEVSIM_XV_MAX_W 2048
#define QEVSIM_XV_MAX_H 2048
#define QEVSIM_XV_STATUS_NAME "XV_OVERLAYSTATUS"

enum { ADAPTOR_TEXTURE, ADAPTOR_SWOV, ADAPTOR_COUNT };

typedef struct QevSimXvPort {
    int adaptor;   /* ADAPTOR_TEXTURE or ADAPTOR_SWOV */
    Bool showing;  /* overlay port with a shown image */
    int client;    /* index of the client that drew it, -1 none */
} QevSimXvPort;

static QevSimXvPort g_ports[QEVSIM_MAX_SCREENS][ADAPTOR_COUNT];
static Atom g_status_atom;
static Atom g_color_atoms[QEVSIM_XV_COUNT];
static Bool g_callback_added;

static XF86VideoEncodingRec k_encodings[] = {{0, "XV_IMAGE", QEVSIM_XV_MAX_W, QEVSIM_XV_MAX_H, {1, 1}}};
static XF86VideoFormatRec k_formats[] = {{24, TrueColor}};
static XF86ImageRec k_images[] = {XVIMAGE_YV12, XVIMAGE_I420, XVIMAGE_YUY2, XVIMAGE_UYVY};
static XF86AttributeRec k_status_attribute[] = {{XvGettable, 0, 1, (char *)QEVSIM_XV_STATUS_NAME}};

/* ---- overlay status ------------------------------------------------------ */

/* Tells the model how many overlay ports show video now. */
static void publish_overlay(void)
{
    int showing = 0;
    for (int s = 0; s < QEVSIM_MAX_SCREENS; s++)
        showing += g_ports[s][ADAPTOR_SWOV].showing ? 1 : 0;
    qevsim_model_set_overlay_playing(qevsim_model(), showing);
}

static void port_stop(QevSimXvPort *port)
{
    port->showing = FALSE;
    port->client = -1;
    publish_overlay();
}

/* A client that leaves takes its overlay images with it, whatever window
 * they were drawn on. */
static void client_state_changed(CallbackListPtr *list, void *closure, void *data)
{
    NewClientInfoRec *info = data;
    (void)list;
    (void)closure;
    if (!info || !info->client || info->client->clientState != ClientStateGone)
        return;
    for (int s = 0; s < QEVSIM_MAX_SCREENS; s++) {
        QevSimXvPort *port = &g_ports[s][ADAPTOR_SWOV];
        if (port->showing && port->client == info->client->index)
            port_stop(port);
    }
}

/* ---- adaptor callbacks --------------------------------------------------- */

static void xv_stop_video(ScrnInfoPtr scrn, void *data, Bool exit)
{
    QevSimXvPort *port = data;
    (void)scrn;
    (void)exit; /* hidden or ended: either way the overlay is off */
    if (port->adaptor == ADAPTOR_SWOV && port->showing)
        port_stop(port);
}

/* The colour attribute an atom names, or -1. */
static int color_index(Atom attribute)
{
    for (int i = 0; i < QEVSIM_XV_COUNT; i++)
        if (g_color_atoms[i] != None && g_color_atoms[i] == attribute)
            return i;
    return -1;
}

static int xv_set_port_attribute(ScrnInfoPtr scrn, Atom attribute, INT32 value, void *data)
{
    QevSimXvPort *port = data;
    QevSimXvAttribute a;
    int index = color_index(attribute);
    (void)scrn;

    /* The overlay status is read-only; colour attributes belong to the
     * overlay adaptor alone. */
    if (port->adaptor != ADAPTOR_SWOV || index < 0)
        return BadMatch;
    if (!qevsim_model_xv_attribute(qevsim_model(), index, &a) || !a.offered)
        return BadMatch;
    if (value < a.min || value > a.max || !qevsim_model_xv_set(qevsim_model(), index, value))
        return BadValue;
    return Success;
}

static int xv_get_port_attribute(ScrnInfoPtr scrn, Atom attribute, INT32 *value, void *data)
{
    QevSimXvPort *port = data;
    QevSimXvAttribute a;
    int index = color_index(attribute);
    (void)scrn;

    if (port->adaptor == ADAPTOR_TEXTURE) {
        if (attribute != g_status_atom)
            return BadMatch;
        *value = qevsim_model_overlay_status(qevsim_model());
        return Success;
    }
    if (index < 0 || !qevsim_model_xv_attribute(qevsim_model(), index, &a) || !a.offered)
        return BadMatch;
    *value = a.value;
    return Success;
}

static void xv_query_best_size(ScrnInfoPtr scrn, Bool motion, short vid_w, short vid_h, short drw_w, short drw_h,
                               unsigned int *p_w, unsigned int *p_h, void *data)
{
    (void)scrn;
    (void)motion;
    (void)vid_w;
    (void)vid_h;
    (void)data;
    /* Any scaling is fine for a simulated scaler. */
    *p_w = (unsigned)drw_w;
    *p_h = (unsigned)drw_h;
}

static int xv_put_image(ScrnInfoPtr scrn, short src_x, short src_y, short drw_x, short drw_y, short src_w,
                        short src_h, short drw_w, short drw_h, int image, unsigned char *buf, short width,
                        short height, Bool sync, RegionPtr clip, void *data, DrawablePtr drawable)
{
    QevSimXvPort *port = data;
    (void)scrn;
    (void)src_x;
    (void)src_y;
    (void)drw_x;
    (void)drw_y;
    (void)image;
    (void)buf;
    (void)sync;
    (void)clip;

    if (src_w <= 0 || src_h <= 0 || drw_w <= 0 || drw_h <= 0 || width <= 0 || height <= 0 ||
        width > QEVSIM_XV_MAX_W || height > QEVSIM_XV_MAX_H)
        return BadValue;
    if (port->adaptor == ADAPTOR_SWOV) {
        port->showing = TRUE;
        port->client = drawable ? CLIENT_ID(drawable->id) : -1;
        publish_overlay();
    }
    return Success;
}

/* The overlay keeps showing the last image when its window moves. */
static int xv_reput_image(ScrnInfoPtr scrn, short src_x, short src_y, short drw_x, short drw_y, short src_w,
                          short src_h, short drw_w, short drw_h, RegionPtr clip, void *data, DrawablePtr drawable)
{
    (void)scrn;
    (void)src_x;
    (void)src_y;
    (void)drw_x;
    (void)drw_y;
    (void)src_w;
    (void)src_h;
    (void)drw_w;
    (void)drw_h;
    (void)clip;
    (void)data;
    (void)drawable;
    return Success;
}

static int xv_query_image_attributes(ScrnInfoPtr scrn, int id, unsigned short *w, unsigned short *h, int *pitches,
                                     int *offsets)
{
    int size, chroma;
    (void)scrn;

    if (*w > QEVSIM_XV_MAX_W)
        *w = QEVSIM_XV_MAX_W;
    if (*h > QEVSIM_XV_MAX_H)
        *h = QEVSIM_XV_MAX_H;
    *w = (unsigned short)((*w + 1) & ~1);
    if (offsets)
        offsets[0] = 0;
    switch (id) {
    case FOURCC_YV12:
    case FOURCC_I420:
        /* Y plane, then two chroma planes of half width and height. */
        *h = (unsigned short)((*h + 1) & ~1);
        size = (*w + 3) & ~3;
        if (pitches)
            pitches[0] = size;
        size *= *h;
        if (offsets)
            offsets[1] = size;
        chroma = ((*w >> 1) + 3) & ~3;
        if (pitches)
            pitches[1] = pitches[2] = chroma;
        chroma *= *h >> 1;
        size += chroma;
        if (offsets)
            offsets[2] = size;
        size += chroma;
        return size;
    default: /* packed 4:2:2 */
        size = *w * 2;
        if (pitches)
            pitches[0] = size;
        return size * *h;
    }
}

/* ---- set-up -------------------------------------------------------------- */

static XF86VideoAdaptorPtr make_adaptor(ScrnInfoPtr scrn, int kind, QevSimXvPort *port)
{
    static DevUnion privates[QEVSIM_MAX_SCREENS][ADAPTOR_COUNT];
    static XF86AttributeRec colors[QEVSIM_XV_COUNT];
    XF86VideoAdaptorPtr a = xf86XVAllocateVideoAdaptorRec(scrn);
    int screen = scrn->scrnIndex < QEVSIM_MAX_SCREENS ? scrn->scrnIndex : 0;
    int ncolors = 0;

    if (!a)
        return NULL;
    port->adaptor = kind;
    port->showing = FALSE;
    port->client = -1;
    privates[screen][kind].ptr = port;

    a->type = XvWindowMask | XvInputMask | XvImageMask;
    a->name = kind == ADAPTOR_SWOV ? "XV_SWOV" : "XV_TEXTURE";
    a->nEncodings = 1;
    a->pEncodings = k_encodings;
    a->nFormats = 1;
    a->pFormats = k_formats;
    a->nPorts = 1;
    a->pPortPrivates = &privates[screen][kind];
    a->nImages = sizeof k_images / sizeof k_images[0];
    a->pImages = k_images;
    if (kind == ADAPTOR_SWOV) {
        /* The overlay: the server tracks its images (and stops them with
         * their window). Attribute ranges are the model's at start-up. */
        a->flags = VIDEO_OVERLAID_IMAGES;
        for (int i = 0; i < QEVSIM_XV_COUNT; i++) {
            QevSimXvAttribute attr;
            if (!qevsim_model_xv_attribute(qevsim_model(), i, &attr) || !attr.offered)
                continue;
            colors[ncolors].flags = XvSettable | XvGettable;
            colors[ncolors].min_value = attr.min;
            colors[ncolors].max_value = attr.max;
            colors[ncolors].name = (char *)attr.name;
            ncolors++;
        }
        a->nAttributes = ncolors;
        a->pAttributes = colors;
    } else {
        a->nAttributes = 1;
        a->pAttributes = k_status_attribute;
    }
    a->StopVideo = xv_stop_video;
    a->SetPortAttribute = xv_set_port_attribute;
    a->GetPortAttribute = xv_get_port_attribute;
    a->QueryBestSize = xv_query_best_size;
    a->PutImage = xv_put_image;
    a->ReputImage = xv_reput_image;
    a->QueryImageAttributes = xv_query_image_attributes;
    return a;
}

Bool qevsim_xv_screen_init(ScreenPtr screen)
{
    ScrnInfoPtr scrn = xf86ScreenToScrn(screen);
    int index = scrn->scrnIndex < QEVSIM_MAX_SCREENS ? scrn->scrnIndex : 0;
    XF86VideoAdaptorPtr adaptors[ADAPTOR_COUNT];
    Bool ok;

    g_status_atom = MakeAtom(QEVSIM_XV_STATUS_NAME, strlen(QEVSIM_XV_STATUS_NAME), TRUE);
    for (int i = 0; i < QEVSIM_XV_COUNT; i++) {
        QevSimXvAttribute attr;
        g_color_atoms[i] = qevsim_model_xv_attribute(qevsim_model(), i, &attr)
                               ? MakeAtom(attr.name, strlen(attr.name), TRUE)
                               : None;
    }
    /* The library takes the first adaptor of each name: texture first. */
    adaptors[ADAPTOR_TEXTURE] = make_adaptor(scrn, ADAPTOR_TEXTURE, &g_ports[index][ADAPTOR_TEXTURE]);
    adaptors[ADAPTOR_SWOV] = make_adaptor(scrn, ADAPTOR_SWOV, &g_ports[index][ADAPTOR_SWOV]);
    ok = adaptors[ADAPTOR_TEXTURE] && adaptors[ADAPTOR_SWOV] && xf86XVScreenInit(screen, adaptors, ADAPTOR_COUNT);
    for (int i = 0; i < ADAPTOR_COUNT; i++)
        if (adaptors[i])
            xf86XVFreeVideoAdaptorRec(adaptors[i]);
    if (!ok) {
        xf86DrvMsg(scrn->scrnIndex, X_ERROR, "Xv adaptors could not be set up\n");
        return FALSE;
    }
    if (!g_callback_added)
        g_callback_added = AddCallback(&ClientStateCallback, client_state_changed, NULL);
    publish_overlay();
    return TRUE;
}
