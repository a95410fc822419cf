// qevsim-play [SECONDS]: shows moving YV12 frames on the first port of the Xv
// overlay adaptor "XV_SWOV" in a window of its own, for SECONDS seconds (until
// it is ended, without SECONDS). Prints "playing PORT" once the first frame is
// shown, stops the video and exits 0 at the end; exits 1 with one line on
// standard error when there is no display, no Xv or no overlay port.
#include <X11/Xlib.h>
#include <X11/extensions/Xvlib.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kFourccYV12 = 0x32315659;
constexpr int kWidth = 320, kHeight = 240;
volatile std::sig_atomic_t g_stop = 0;

[[noreturn]] void fail(const std::string& message)
{
    std::fprintf(stderr, "qevsim-play: %s\n", message.c_str());
    std::exit(1);
}

struct DisplayCloser {
    void operator()(Display* d) const { XCloseDisplay(d); }
};

// The base port of the first adaptor called name, or 0.
XvPortID find_port(Display* dpy, const char* name)
{
    unsigned count = 0;
    XvAdaptorInfo* info = nullptr;
    if (XvQueryAdaptors(dpy, DefaultRootWindow(dpy), &count, &info) != Success)
        fail("XvQueryAdaptors failed");
    XvPortID port = 0;
    for (unsigned i = 0; i < count && !port; i++)
        if (info[i].name && std::strcmp(info[i].name, name) == 0 && info[i].num_ports > 0)
            port = info[i].base_id;
    XvFreeAdaptorInfo(info);
    return port;
}

// A YV12 frame: a gradient that moves with the frame number.
void fill(XvImage* img, int frame)
{
    auto* data = reinterpret_cast<unsigned char*>(img->data);
    for (int y = 0; y < img->height; y++)
        for (int x = 0; x < img->width; x++)
            data[img->offsets[0] + y * img->pitches[0] + x] = static_cast<unsigned char>(x + y + frame * 4);
    for (int plane = 1; plane < 3; plane++)
        for (int y = 0; y < img->height / 2; y++)
            std::memset(data + img->offsets[plane] + y * img->pitches[plane], plane == 1 ? 96 + frame % 64 : 160,
                        static_cast<size_t>(img->pitches[plane]));
}

}  // namespace

int main(int argc, char** argv)
{
    double seconds = -1;
    if (argc > 2)
        fail("usage: qevsim-play [SECONDS]");
    if (argc == 2) {
        char* end = nullptr;
        seconds = std::strtod(argv[1], &end);
        if (!*argv[1] || *end || seconds < 0)
            fail("SECONDS must be a number of seconds, not '" + std::string(argv[1]) + "'");
    }
    std::signal(SIGTERM, [](int) { g_stop = 1; });
    std::signal(SIGINT, [](int) { g_stop = 1; });

    std::unique_ptr<Display, DisplayCloser> dpy(XOpenDisplay(nullptr));
    if (!dpy)
        fail("cannot open display");
    unsigned ver, rev, req, ev, err;
    if (XvQueryExtension(dpy.get(), &ver, &rev, &req, &ev, &err) != Success)
        fail("the X server has no Xv extension");
    XvPortID port = find_port(dpy.get(), "XV_SWOV");
    if (!port)
        fail("no XV_SWOV adaptor");

    Window win = XCreateSimpleWindow(dpy.get(), DefaultRootWindow(dpy.get()), 0, 0, kWidth, kHeight, 0, 0, 0);
    XStoreName(dpy.get(), win, "qevsim-play");
    XMapWindow(dpy.get(), win);
    GC gc = XCreateGC(dpy.get(), win, 0, nullptr);

    std::unique_ptr<XvImage, int (*)(void*)> img(
        XvCreateImage(dpy.get(), port, kFourccYV12, nullptr, kWidth, kHeight), XFree);
    if (!img)
        fail("XvCreateImage failed");
    std::vector<char> buffer(static_cast<size_t>(img->data_size));
    img->data = buffer.data();

    auto start = std::chrono::steady_clock::now();
    for (int frame = 0; !g_stop; frame++) {
        fill(img.get(), frame);
        XvPutImage(dpy.get(), port, win, gc, img.get(), 0, 0, kWidth, kHeight, 0, 0, kWidth, kHeight);
        XSync(dpy.get(), False);
        if (frame == 0) {
            std::printf("playing %lu\n", static_cast<unsigned long>(port));
            std::fflush(stdout);
        }
        std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        if (seconds >= 0 && elapsed.count() >= seconds)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
    }
    XvStopVideo(dpy.get(), port, win);
    img->data = nullptr;
    XFreeGC(dpy.get(), gc);
    XDestroyWindow(dpy.get(), win);
    XSync(dpy.get(), False);
    return 0;
}
