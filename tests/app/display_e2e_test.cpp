// The Display page end to end on the simulated adapter, the result checked
// from outside the program: xrandr, qevsim-ctl, the server's screens and the
// files. GTK stays on the binary's server (default adapter, RandR); the
// restart flow drives a second server without RandR through the library,
// restarting it in place as a display manager would.
#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

#include "display_gui.h"
#include <gdk/gdkkeysyms.h>
#include "hotplug.h"
#include "keep_revert_window.h"
#include "qev/outputs.h"

// After GoogleTest: Xlib's macros (None, Bool) clash with its templates.
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

using Strings = std::vector<std::string>;

namespace {

// Geometry of a lit RandR output as `xrandr --verbose` prints it, "" when off.
std::string Geometry(const std::string &output)
{
    std::string verbose = qevtest::run({"xrandr", "--verbose"}).out;
    std::smatch m;
    std::regex line("(^|\n)" + output + " connected (primary )?([0-9]+x[0-9]+\\+[0-9]+\\+[0-9]+)");
    return std::regex_search(verbose, m, line) ? m[3].str() : "";
}

// Counts the CRTC changes that light a mode, since the last call.
struct CrtcWatch {
    CrtcWatch()
    {
        if (display && XRRQueryExtension(display, &eventBase, &errorBase))
            XRRSelectInput(display, DefaultRootWindow(display), RRCrtcChangeNotifyMask);
    }
    ~CrtcWatch() { display && XCloseDisplay(display); }
    int ModeSets()
    {
        int count = 0;
        for (XEvent event; XSync(display, False), XPending(display);) {
            XNextEvent(display, &event);
            auto *crtc = reinterpret_cast<XRRCrtcChangeNotifyEvent *>(&event);
            count += event.type == eventBase + RRNotify && crtc->subtype == RRNotify_CrtcChange && crtc->mode != None;
        }
        return count;
    }
    Display *display = XOpenDisplay(nullptr);
    int eventBase = 0, errorBase = 0;
};

class DisplayEndToEnd : public apptest::DisplayPageTest {
protected:
    void TearDown() override
    {
        if (g_pKeepRevertWnd)  // a test that stopped early: end the question and its count
            gtk_button_clicked(GTK_BUTTON(lookup_widget(g_pKeepRevertWnd, "KeepRevert_Keep_Button")));
        g_bNoConfirm = 1;
        g_KeepRevertSeconds = 15;
        DisplayPageTest::TearDown();
        remove("/etc/X11/.XWindowNeedtobeRestart");
    }
};

}  // namespace

TEST_F(DisplayEndToEnd, RandRCloneThenSammThenResolution)
{
    ASSERT_TRUE(qevtest::SimCtlOk({"set", "active", "CRT"}));
    Open();
    ASSERT_EQ(1, g_bRandRMode);
    EXPECT_EQ((Strings{"None", "2. TV", "2. LCD"}), Entries("Display_SecDevice_Combo"));
    EXPECT_TRUE(Visible("Display_Resolution_Combo"));
    EXPECT_EQ("1280x1024 60.0Hz", Text("Display_Resolution_Combo"));

    // LCD as secondary, in clone mode.
    Choose("Display_SecDevice_Combo", "2. LCD");
    EXPECT_EQ("Clone", Text("Display_SecMode_Combo"));
    EXPECT_EQ("1280x800 59.8Hz", Text("Display_SecResolution_Combo"));
    ASSERT_TRUE(Sensitive("Info_Apply_button"));
    Click("Info_Apply_button");
    EXPECT_EQ("1280x1024+0+0 1280x800+0+0", Geometry("CRT") + " " + Geometry("LCD"));
    EXPECT_EQ(std::vector<long>{QEV_OUT_CRT | QEV_OUT_LCD}, qevtest::SimState({"active"}));
    EXPECT_EQ(std::vector<long>{0}, qevtest::SimState({"samm"}));
    EXPECT_FALSE(Sensitive("Info_Apply_button"));

    // Multi-screen, the LCD left of the CRT: at once, no restart.
    Choose("Display_SecMode_Combo", "Desktop Expand(SAMM)");
    ASSERT_TRUE(Sensitive("Display_SecDevice_SAMM_Setting_Btn"));
    Click("Display_SecDevice_SAMM_Setting_Btn");
    ASSERT_NE(nullptr, _pSAMMSettingDlg);
    ChooseIn(_pSAMMSettingDlg, "SAMM_Setting_RelativePos_Combo", "Left");
    ClickIn(_pSAMMSettingDlg, "SAMM_Setting_OK_Button");
    Click("Info_Apply_button");
    EXPECT_EQ(nullptr, g_pRestartXWnd);
    EXPECT_EQ(1, g_bSAMMMode);
    EXPECT_EQ("1280x1024+1280+0 1280x800+0+0", Geometry("CRT") + " " + Geometry("LCD"));
    EXPECT_EQ(std::vector<long>{QEV_OUT_CRT | QEV_OUT_LCD}, qevtest::SimState({"active"}));
    int layout[3] = {};
    ASSERT_EQ(1, QEVGFX_SAMM_GetScreenLayout(layout));
    EXPECT_EQ((std::vector<int>{QEV_OUT_CRT, QEV_OUT_LCD, 1}), std::vector<int>(layout, layout + 3));

    // Only the primary's resolution: one mode set, nothing else switched.
    CrtcWatch watch;
    Choose("Display_Resolution_Combo", "1024x768 60.0Hz");
    ASSERT_TRUE(Sensitive("Info_Apply_button"));
    EXPECT_EQ(0, watch.ModeSets());
    Click("Info_Apply_button");
    EXPECT_EQ(1, watch.ModeSets());
    EXPECT_EQ("1024x768+1280+0 1280x800+0+0", Geometry("CRT") + " " + Geometry("LCD"));
    EXPECT_EQ(1024, qevtest::SimState({"outputs", "CRT", "current_mode"}).at(0));
    EXPECT_EQ(std::vector<long>{QEV_OUT_CRT | QEV_OUT_LCD}, qevtest::SimState({"active"}));
}

TEST_F(DisplayEndToEnd, SammWithoutRandRRestartsTheServer)
{
    qevtest::XServerOptions options;
    options.no_randr = true;
    qevtest::XServer server;
    std::string error;
    ASSERT_TRUE(server.start(options, &error)) << error;
    const std::string gtkDisplay = getenv("DISPLAY");
    setenv("DISPLAY", server.display().c_str(), 1);  // the library and qevsim-ctl; GTK keeps its own
    struct Restore {  // GTK's display, and the one-screen configuration for the tests after this one
        std::string display, conf;
        ~Restore() { setenv("DISPLAY", display.c_str(), 1), qevtest::write_file("/etc/X11/xorg.conf", conf); }
    } restore{gtkDisplay, qevtest::read_file("/etc/X11/xorg.conf").value_or("")};

    // The Xinerama heads the server shows ("" without Xinerama).
    auto heads = [&] {
        qevtest::RunResult r = qevtest::run({"xdpyinfo", "-display", server.display(), "-ext", "XINERAMA"});
        std::string out;
        std::regex head("head #[0-9]+: [0-9x]+ @ [0-9]+,[0-9]+");
        for (std::sregex_iterator i(r.out.begin(), r.out.end(), head), end; i != end; ++i)
            out += (out.empty() ? "" : "; ") + i->str();
        return out;
    };
    ASSERT_EQ("", heads());

    Open();
    ASSERT_EQ(0, g_bRandRMode);
    EXPECT_EQ((Strings{"Clone", "Desktop Expand(SAMM)"}), Entries("Display_SecMode_Combo"));
    Choose("Display_SecMode_Combo", "Desktop Expand(SAMM)");
    g_bNoConfirm = 0;  // the file route restarts X and never asks to keep
    Click("Info_Apply_button");
    g_bNoConfirm = 1;
    EXPECT_EQ(nullptr, g_pKeepRevertWnd);
    ASSERT_NE(nullptr, g_pRestartXWnd);
    const std::string text = LabelOf(g_pRestartXWnd, "SAMM_Restart_X_Label");
    EXPECT_NE(std::string::npos, text.find("you must restart the X Window System")) << text;
    EXPECT_NE(std::string::npos, text.find(" It will be in SAMM mode as X Window system restarts.")) << text;
    ClickIn(g_pRestartXWnd, "SAMM_Restart_X_OK_button");
    EXPECT_TRUE(qevtest::file_exists("/etc/X11/.XWindowNeedtobeRestart"));
    Click("Info_Apply_button");  // nothing changed since: no second request
    EXPECT_EQ(nullptr, g_pRestartXWnd);
    Close();

    ASSERT_TRUE(server.restart(&error)) << error;
    setenv("DISPLAY", server.display().c_str(), 1);
    EXPECT_FALSE(qevtest::file_exists("/etc/X11/.XWindowNeedtobeRestart"));
    EXPECT_EQ("head #0: 1280x1024 @ 0,0; head #1: 1280x800 @ 1280,0", heads())
        << qevtest::read_file("/etc/X11/xorg.conf").value_or("") << server.log_tail(30);

    // The program starts again into the multi-screen layout.
    Open();
    EXPECT_EQ(1, g_bSAMMMode);
    EXPECT_EQ("Desktop Expand(SAMM)", Text("Display_SecMode_Combo"));
    EXPECT_EQ("2. LCD", Text("Display_SecDevice_Combo"));
    EXPECT_TRUE(Sensitive("Display_SecDevice_SAMM_Setting_Btn"));
    Close();  // the library's session ends before its server does
}

// `xrandr --verbose` without the timestamps each configuration renews.
std::string VerboseState()
{
    return std::regex_replace(qevtest::run({"xrandr", "--verbose"}).out, std::regex("\tTimestamp: [^\n]*\n"), "");
}

// A capture, then a mode change, a rotation, a new layout and RandR's primary
// moved, then the restore: the server reports what it reported before.
TEST_F(DisplayEndToEnd, SnapshotRestoresModeRotationLayoutAndPrimary)
{
    ASSERT_TRUE(qevtest::SimCtlOk({"set", "active", "CRT"}));
    QEVGFX_Open();
    rrGetOutputInfo();
    QEVGFX_Device_SetActiveState(QEV_OUT_CRT | QEV_OUT_LCD);
    RRSetScreenLayout(QEV_OUT_CRT, QEV_OUT_LCD, 1);
    const std::string before = VerboseState();
    DisplaySnapshot snap = CaptureDisplaySnapshot();
    ASSERT_TRUE(snap.valid);
    ASSERT_EQ(2u, snap.outputs.size());
    ASSERT_NE(std::string::npos, before.find("\nCRT connected primary "));

    QEVGFX_DISPLAY_SetDevMode(QEV_OUT_CRT, "1024x768", 0, 0, 0);
    QEVGFX_DISPLAY_SetDevRotationDeg(QEV_OUT_LCD, 2);
    RRClearScreenLayout(QEV_OUT_CRT, QEV_OUT_LCD, 0);
    unsigned primary = 0;
    ASSERT_EQ(1, QEVGFX_Device_SetRandRPrimary(QEV_OUT_LCD));
    EXPECT_TRUE(QEVGFX_Device_GetRandRPrimary(&primary) && primary == QEV_OUT_LCD);
    EXPECT_EQ(0, QEVGFX_Device_SetRandRPrimary(0x4000));  // no such output
    EXPECT_TRUE(NeedsKeepQuestion(snap, CaptureDisplaySnapshot()));
    EXPECT_NE(before, VerboseState());

    EXPECT_TRUE(RestoreDisplaySnapshot(snap));
    EXPECT_EQ(before, VerboseState());
    EXPECT_FALSE(NeedsKeepQuestion(snap, CaptureDisplaySnapshot()));
    QEVGFX_Close();
}

// The question after a resolution change: the end of the count and Escape put
// the old mode back and the page shows it again; Keep keeps the new one;
// --no-confirm never asks. A revert the server refuses, or one that needs an
// output unplugged during the count, says so and leaves a usable program.
TEST_F(DisplayEndToEnd, KeepOrRevertAResolutionChange)
{
    g_bNoConfirm = 0;
    g_KeepRevertSeconds = 1;
    ASSERT_TRUE(qevtest::SimCtlOk({"set", "active", "CRT"}));
    Open();
    InstallHotplugListener();
    const std::string at1280 = VerboseState();
    auto applyMode = [&](const char *mode) {
        Choose("Display_Resolution_Combo", mode);
        Click("Info_Apply_button");
    };
    const std::string notRestored = "The previous display settings could not be restored.|\n";

    applyMode("1024x768 60.0Hz");
    ASSERT_NE(nullptr, g_pKeepRevertWnd);
    EXPECT_EQ("1024x768+0+0", Geometry("CRT"));
    EXPECT_TRUE(apptest::PumpUntil([] { return !g_pKeepRevertWnd; }));  // the one-second count
    EXPECT_EQ(nullptr, g_pKeepRevertWnd);
    EXPECT_EQ(at1280, VerboseState());
    EXPECT_EQ("1280x1024 60.0Hz", Text("Display_Resolution_Combo"));

    applyMode("1024x768 60.0Hz");
    ASSERT_NE(nullptr, g_pKeepRevertWnd);
    ClickIn(g_pKeepRevertWnd, "KeepRevert_Keep_Button");
    EXPECT_EQ(nullptr, g_pKeepRevertWnd);
    const std::string at1024 = VerboseState();
    EXPECT_EQ("1024x768+0+0", Geometry("CRT"));

    applyMode("1280x1024 60.0Hz");
    ASSERT_NE(nullptr, g_pKeepRevertWnd);
    GdkEvent *escape = gdk_event_new(GDK_KEY_PRESS);
    escape->key.window = GDK_WINDOW(g_object_ref(g_pKeepRevertWnd->window));
    escape->key.keyval = GDK_Escape;
    gtk_widget_event(g_pKeepRevertWnd, escape);
    gdk_event_free(escape);
    apptest::Pump();
    EXPECT_EQ(nullptr, g_pKeepRevertWnd);
    EXPECT_EQ(at1024, VerboseState());

    g_bNoConfirm = 1;
    applyMode("1280x1024 60.0Hz");
    EXPECT_EQ(nullptr, g_pKeepRevertWnd);
    EXPECT_EQ("1280x1024+0+0", Geometry("CRT"));

    g_bNoConfirm = 0;  // the server refuses the revert: the new mode stays, the page shows it
    applyMode("1024x768 60.0Hz");
    ASSERT_TRUE(g_pKeepRevertWnd && qevtest::SimCtlOk({"fault", "modeset", "1280x1024"}));
    ClickIn(g_pKeepRevertWnd, "KeepRevert_Revert_Button");
    ASSERT_TRUE(qevtest::SimCtlOk({"fault", "clear"}));
    EXPECT_EQ(notRestored, apptest::TakeMessages());
    EXPECT_EQ("1024x768 60.0Hz", Text("Display_Resolution_Combo"));

    g_bNoConfirm = 1;  // the LCD lit before the next change is unplugged during its count
    Choose("Display_SecDevice_Combo", "2. LCD");
    Click("Info_Apply_button");
    g_bNoConfirm = 0;
    applyMode("1280x1024 60.0Hz");
    ASSERT_TRUE(g_pKeepRevertWnd && qevtest::SimCtlOk({"unplug", "LCD"}));
    EXPECT_TRUE(apptest::PumpUntil([] { return !g_pKeepRevertWnd; }));
    EXPECT_EQ(notRestored, apptest::TakeMessages());
    EXPECT_EQ("1024x768+0+0", Geometry("CRT"));  // what could be restored was
    EXPECT_EQ(nullptr, gtk_grab_get_current());
    ASSERT_TRUE(qevtest::SimCtlOk({"plug", "LCD"}));
}

// Outputs plugged in and out while the program runs: the page's lists follow
// with no choice pending; a pending choice stays and a notice says why the
// lists are old. A storm of events leaves a working page.
TEST_F(DisplayEndToEnd, DisplayPageFollowsHotplug)
{
    ASSERT_TRUE(qevtest::SimCtlOk({"set", "active", "CRT"}));
    Open();
    InstallHotplugListener();
    using apptest::PumpUntil;
    auto secondaries = [] { return Entries("Display_SecDevice_Combo"); };

    ASSERT_TRUE(qevtest::SimCtlOk({"plug", "DVI"}));
    EXPECT_TRUE(PumpUntil([&] { return secondaries() == Strings{"None", "2. TV", "2. DVI", "2. LCD"}; }))
        << ::testing::PrintToString(secondaries());
    ASSERT_TRUE(qevtest::SimCtlOk({"unplug", "DVI"}));
    EXPECT_TRUE(PumpUntil([&] { return secondaries() == Strings{"None", "2. TV", "2. LCD"}; }))
        << ::testing::PrintToString(secondaries());

    Choose("Display_SecDevice_Combo", "2. LCD");
    ASSERT_TRUE(Sensitive("Info_Apply_button"));
    for (int i = 0; i < 100; ++i) {
        ASSERT_TRUE(qevtest::SimCtlOk({"plug", "HDMI"}));
        ASSERT_TRUE(qevtest::SimCtlOk({"unplug", "HDMI"}));
    }
    ASSERT_TRUE(qevtest::SimCtlOk({"plug", "HDMI"}));
    const char *notice = "Outputs changed: HDMI connected. Apply or reopen the page to refresh";
    EXPECT_TRUE(PumpUntil([&] {
        GtkWidget *label = static_cast<GtkWidget *>(g_object_get_data(G_OBJECT(g_pMainWindow), "Display_Hotplug_Notice_Label"));
        return label && gtk_label_get_text(GTK_LABEL(label)) == std::string(notice);
    }));
    EXPECT_EQ("2. LCD", Text("Display_SecDevice_Combo"));
    EXPECT_TRUE(Sensitive("Info_Apply_button"));

    ASSERT_TRUE(qevtest::SimCtlOk({"unplug", "HDMI"}));
}
