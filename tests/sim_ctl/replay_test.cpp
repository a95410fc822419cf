// A long run of real xrandr commands against the simulated adapter; after
// each step RandR and the QEVGFX_API extension must agree on the lit outputs,
// the primary output, its mode and rotation, and the clone or multi-screen
// layout. Client-owned output properties of any format stay the client's.
#include "qevtest/qevtest.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "qev/commands.h"
#include "qev/outputs.h"
#include "wire_client.h"

namespace {

// The RandR "TV" outputs stand for their encoder's TV or HDTV output.
unsigned randr_bit(unsigned bit)
{
    return bit == QEV_OUT_HDTV ? unsigned(QEV_OUT_TV) : bit == QEV_OUT_HDTV2 ? unsigned(QEV_OUT_TV2) : bit;
}
unsigned randr_mask(unsigned mask)
{
    unsigned out = 0;
    for (unsigned b = 1; b; b <<= 1)
        if (mask & b)
            out |= randr_bit(b);
    return out;
}

unsigned bit_of(const std::string& name)
{
#define QEV_NAME_(n, bit) \
    if (name == n)        \
        return bit;
    QEV_RANDR_OUTPUT_TABLE(QEV_NAME_)
#undef QEV_NAME_
    return 0;
}

int json_int(const std::string& json, const std::string& key)
{
    auto at = json.find("\"" + key + "\":");
    return at == std::string::npos ? -1 : std::atoi(json.c_str() + at + key.size() + 3);
}

class Replay : public qevtest::XServerTest<Replay> {
protected:
    void SetUp() override
    {
        qevtest::XServerTest<Replay>::SetUp();
        if (HasFatalFailure())
            return;
        std::string error;
        ASSERT_TRUE(raw_.connect(server().display_number(), 'l', &error)) << error;
        major_ = raw_.major_opcode(QEVGFX_EXTENSION_NAME);
        ASSERT_NE(major_, 0);
        dpy_ = XOpenDisplay(server().display().c_str());
        ASSERT_TRUE(dpy_);
    }
    void TearDown() override
    {
        if (dpy_)
            XCloseDisplay(dpy_);
    }
    std::vector<int32_t> query(uint32_t group, uint32_t function)
    {
        auto r = raw_.command(major_, wire::make_block(group, function, {}));
        EXPECT_TRUE(r && r->block.status) << group << "/" << function;
        return r ? std::vector<int32_t>(r->block.output, r->block.output + 5) : std::vector<int32_t>(5, -1);
    }

    // RandR and the extension agree; `step` names the command for failures.
    void expect_agree(const std::string& step)
    {
        SCOPED_TRACE(step);
        Window root = DefaultRootWindow(dpy_);
        XRRScreenResources* res = XRRGetScreenResourcesCurrent(dpy_, root);
        ASSERT_TRUE(res);
        RROutput primary = XRRGetOutputPrimary(dpy_, root);
        unsigned lit = 0, primary_bit = 0;
        struct Lit {
            int x, y, w, h, hz;
            Rotation rotation;
        };
        std::vector<Lit> crtcs;
        Lit primary_crtc{};
        for (int i = 0; i < res->noutput; i++) {
            XRROutputInfo* o = XRRGetOutputInfo(dpy_, res, res->outputs[i]);
            XRRCrtcInfo* c = o && o->crtc ? XRRGetCrtcInfo(dpy_, res, o->crtc) : nullptr;
            if (c && c->mode) {
                unsigned bit = bit_of(o->name);
                lit |= bit;
                Lit l{c->x, c->y, 0, 0, 0, c->rotation};
                for (int m = 0; m < res->nmode; m++) {
                    const XRRModeInfo& mi = res->modes[m];
                    if (mi.id == c->mode) {
                        l.w = int(mi.width);
                        l.h = int(mi.height);
                        l.hz = int(std::lround(double(mi.dotClock) / (double(mi.hTotal) * mi.vTotal)));
                    }
                }
                crtcs.push_back(l);
                if (res->outputs[i] == primary) {
                    primary_bit = bit;
                    primary_crtc = l;
                }
            }
            if (c)
                XRRFreeCrtcInfo(c);
            if (o)
                XRRFreeOutputInfo(o);
        }
        XRRFreeScreenResources(res);

        EXPECT_LE(crtcs.size(), 2u) << "two controllers";
        EXPECT_EQ(randr_mask(unsigned(query(QEV_CMD_GetDeviceActiveState_GROUP, QEV_CMD_GetDeviceActiveState_FN)[0])),
                  lit);
        unsigned model_primary =
            randr_bit(unsigned(query(QEV_CMD_GetPrimaryDevice_GROUP, QEV_CMD_GetPrimaryDevice_FN)[0]));
        if (primary_bit) {
            EXPECT_EQ(model_primary, primary_bit) << "the primary follows RandR's";
            auto mode = query(QEV_CMD_GetCurrentMode_GROUP, QEV_CMD_GetCurrentMode_FN);
            EXPECT_EQ(mode[0], primary_crtc.w);
            EXPECT_EQ(mode[1], primary_crtc.h);
            EXPECT_EQ(mode[2], primary_crtc.hz);
            std::string state = qevtest::run({QEVSIM_CTL, "state"}).out;
            EXPECT_EQ(json_int(state, "rotate_degree"), int(primary_crtc.rotation & 0xf)) << state;
            EXPECT_EQ(json_int(state, "reflect"), int(primary_crtc.rotation & 0x30)) << state;
        } else {
            EXPECT_EQ(model_primary & ~lit, 0u) << "a primary that is lit, or none";
        }
        bool clone = crtcs.size() == 2 && crtcs[0].x == crtcs[1].x && crtcs[0].y == crtcs[1].y;
        EXPECT_EQ(query(QEV_CMD_GetDeviceSAMMState_GROUP, QEV_CMD_GetDeviceSAMMState_FN)[0],
                  crtcs.size() == 2 && !clone);
        EXPECT_EQ(query(QEV_CMD_GetDeviceGemelState_GROUP, QEV_CMD_GetDeviceGemelState_FN)[0], clone);
    }

    wire::RawX raw_;
    uint8_t major_ = 0;
    Display* dpy_ = nullptr;
};

TEST_F(Replay, XrandrCommandsKeepRandrAndTheExtensionInStep)
{
    struct Step {
        std::string line;  // xrandr arguments, "ctl ..." for qevsim-ctl or "api ..." for a command
        bool ok;           // the command succeeds (a command: answers status 1)
    };
    const Step steps[] = {
        {"--output LCD --mode 1024x768", true},
        {"--output CRT --mode 1024x768 --rate 75", true},
        {"--output LCD --primary", true},
        {"--output LCD --mode 800x600", true},
        {"--output CRT --mode 1280x1024", true},
        {"--output TV --auto", false},  // a third output on two controllers
        {"--output LCD --right-of CRT", true},
        {"--output LCD --pos 0x0", true},
        {"--output LCD --same-as CRT --output CRT --primary", true},
        {"--output CRT --rotate left", true},
        {"--output CRT --rotate inverted --reflect x", true},
        {"--output CRT --rotate normal --reflect xy", true},
        {"--output CRT --reflect normal --scale 0.5x0.5", true},
        {"--output CRT --scale 1x1", true},
        {"--output CRT --transform 1,0,0,0,1,0,0,0,1", true},
        {"--output CRT --transform none", true},
        {"--output LCD --off", true},
        {"--output TV --auto --right-of CRT", true},
        {"--output CRT --off", true},
        {"--output LCD --auto --left-of TV --primary", true},
        {"--output TV --off --output CRT --auto --same-as LCD", true},
        {"--output LCD --off --output CRT --off", true},
        {"--output TV --auto", true},
        {"--auto", false},
        {"--output TV --off --output CRT --auto --primary --output LCD --auto --right-of CRT", true},
        {"--fb 2560x1024", true},
        {"--output CRT --panning 1600x1200", true},
        {"--output CRT --panning 0x0", true},
        {"--setmonitor QEV auto CRT,LCD", true},
        {"--delmonitor QEV", true},
        {"--output TV --set Type PAL", true},
        {"--output LCD --set ScaleH 5", true},
        {"ctl unplug LCD", true},
        {"ctl plug LCD", true},
        {"--output LCD --auto --same-as CRT", true},
        {"ctl unplug CRT", true},
        {"--output TV --auto --right-of LCD", true},
        {"ctl plug CRT", true},
        {"--output TV --off --output CRT --auto --rate 60 --primary --same-as LCD", true},
        {"--output LCD --set ScaleH 99", false},  // beyond the property's range
        // The extension's changes reach RandR; a query leaves RandR's rotation alone.
        {"api 19/4 2", true},
        {"api 19/4 3", true},
        {"api 19/4 0x8000", false},
        {"api 24/5 2 8", true},
        {"--output CRT --rotate inverted", true},
        {"api 24/4", true},
        {"--output CRT --rotate normal --output LCD --rotate normal", true},
    };
    expect_agree("start");
    for (const auto& s : steps) {
        std::vector<std::string> argv;
        std::istringstream in(s.line);
        for (std::string w; in >> w;)
            argv.push_back(w);
        if (argv[0] == "api") {  // api GROUP/FUNCTION INPUT...
            QevCommandBlock b{};
            std::sscanf(argv[1].c_str(), "%u/%u", &b.group, &b.function);
            for (size_t i = 2; i < argv.size(); i++)
                b.input[i - 2] = int32_t(std::stol(argv[i], nullptr, 0));
            auto r = raw_.command(major_, b);
            ASSERT_TRUE(r) << s.line;
            EXPECT_EQ(r->block.status != 0, s.ok) << s.line;
            expect_agree(s.line);
            continue;
        }
        if (argv[0] == "ctl")
            argv[0] = QEVSIM_CTL;
        else
            argv.insert(argv.begin(), "xrandr");
        auto r = qevtest::run(argv);
        EXPECT_EQ(r.ok(), s.ok) << s.line << ": " << r.err;
        expect_agree(s.line);
    }

    // A primary the extension moves (19/4 without the primary) is RandR's.
    auto r = raw_.command(major_, wire::make_block(QEV_CMD_SetDeviceActiveState_GROUP, QEV_CMD_SetDeviceActiveState_FN,
                                                   {QEV_OUT_LCD | QEV_OUT_TV}));
    ASSERT_TRUE(r && r->block.status);
    expect_agree("19/4 LCD|TV");
    XSync(dpy_, False);
    EXPECT_NE(XRRGetOutputPrimary(dpy_, DefaultRootWindow(dpy_)), RROutput(0));
}

// Output properties the model does not know belong to the client, whatever
// their format; the model's own keep their format check.
TEST_F(Replay, ClientPropertiesOfAnyFormat)
{
    static std::vector<int> errors;
    auto* old = XSetErrorHandler([](Display*, XErrorEvent* e) {
        errors.push_back(e->error_code);
        return 0;
    });
    Window root = DefaultRootWindow(dpy_);
    XRRScreenResources* res = XRRGetScreenResourcesCurrent(dpy_, root);
    ASSERT_TRUE(res);
    RROutput crt = 0;
    for (int i = 0; i < res->noutput; i++) {
        XRROutputInfo* o = XRRGetOutputInfo(dpy_, res, res->outputs[i]);
        if (o && std::string(o->name) == "CRT")
            crt = res->outputs[i];
        XRRFreeOutputInfo(o);
    }
    XRRFreeScreenResources(res);
    ASSERT_NE(crt, RROutput(0));
    const unsigned char blob[5] = {1, 2, 3, 4, 5};
    const long pair[2] = {7, 9};
    Atom a_blob = XInternAtom(dpy_, "QEV_TEST_BLOB", False), a_pair = XInternAtom(dpy_, "QEV_TEST_PAIR", False);
    errors.clear();
    XRRChangeOutputProperty(dpy_, crt, a_blob, XA_INTEGER, 8, PropModeReplace, blob, 5);
    XRRChangeOutputProperty(dpy_, crt, a_pair, XA_INTEGER, 32, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(pair), 2);
    XSync(dpy_, False);
    EXPECT_TRUE(errors.empty()) << errors.front();
    Atom type = 0;
    int format = 0;
    unsigned long n = 0, after = 0;
    unsigned char* data = nullptr;
    ASSERT_EQ(XRRGetOutputProperty(dpy_, crt, a_blob, 0, 16, False, False, AnyPropertyType, &type, &format, &n, &after,
                                   &data),
              Success);
    EXPECT_EQ(format, 8);
    ASSERT_EQ(n, 5u);
    EXPECT_EQ(std::memcmp(data, blob, 5), 0);
    XFree(data);

    // A model property keeps its one 32-bit value.
    const unsigned char two[2] = {1, 2};
    XRRChangeOutputProperty(dpy_, crt, XInternAtom(dpy_, "ScaleH", False), XA_INTEGER, 8, PropModeReplace, two, 2);
    XSync(dpy_, False);
    EXPECT_FALSE(errors.empty()) << "a model property of the wrong format is refused";
    XSetErrorHandler(old);
}

}  // namespace
