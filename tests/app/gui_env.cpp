#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "gui.h"
#include "keep_revert.h"
#include "qevtest/qevtest.h"

// GTK, fontconfig and Pango keep process-lifetime allocations.
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libgtk-x11-2.0\nleak:libgdk-x11-2.0\nleak:libgdk_pixbuf\nleak:libfontconfig\n"
           "leak:libpango\nleak:libglib-2.0\nleak:libgobject-2.0\nleak:libcairo\nleak:libX11\n";
}

namespace apptest {
namespace {

std::string g_error = "GTK environment not set up";

class GtkEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        std::string error;
        qevtest::XServerOptions options;
#ifdef APPTEST_PROFILE  // a binary whose adapter is not the built-in one
        options.profile = qevtest::profile_path(APPTEST_PROFILE);
#endif
#ifdef APPTEST_NO_RANDR  // a binary for the routes without RandR
        options.no_randr = true;
#endif
        server_ = std::make_unique<qevtest::XServer>();
        if (!server_->start(options, &error)) {
            g_error = "X server did not start: " + error;
            return;
        }
        setenv("DISPLAY", server_->display().c_str(), 1);
        int argc = 1;
        char name[] = "app_gui_test";
        char *args[] = {name, nullptr};
        char **argv = args;
        if (!gtk_init_check(&argc, &argv)) {
            g_error = "gtk_init_check failed on " + server_->display();
            return;
        }
        g_error.clear();
        g_bNoConfirm = 1;  // Apply asks to keep a change only in the tests of that question
    }
    // The server outlives every test; GTK's connection ends with the process.
    void TearDown() override { server_.reset(); }

private:
    std::unique_ptr<qevtest::XServer> server_;
};

[[maybe_unused]] ::testing::Environment *const g_environment =
    ::testing::AddGlobalTestEnvironment(new GtkEnvironment);

}  // namespace

const std::string &GuiError()
{
    return g_error;
}

void Pump()
{
    gdk_flush();
    while (gtk_events_pending())
        gtk_main_iteration_do(FALSE);
}

bool PumpUntil(const std::function<bool()> &done, double seconds)
{
    for (int i = 0; i < seconds * 100 && !done(); ++i) {
        if (GdkDisplay *display = gdk_display_get_default())
            gdk_display_sync(display);
        Pump();
        g_usleep(10000);
    }
    return done();
}

std::string TakeMessages()
{
    std::string seen;
    for (GList *w = gtk_window_list_toplevels(); w; w = g_list_delete_link(w, w)) {
        if (!GTK_IS_MESSAGE_DIALOG(w->data) || !GTK_WIDGET_VISIBLE(w->data))
            continue;
        gchar *text = nullptr, *secondary = nullptr;
        g_object_get(w->data, "text", &text, "secondary-text", &secondary, nullptr);
        seen += std::string(text ? text : "") + "|" + (secondary ? secondary : "") + "\n";
        g_free(text);
        g_free(secondary);
        gtk_dialog_response(GTK_DIALOG(w->data), GTK_RESPONSE_CLOSE);  // closes or destroys it
    }
    return seen;
}

Placement PlacementOf(GtkWidget *child)
{
    Placement p;
    GtkWidget *parent = gtk_widget_get_parent(child);
    if (parent && GTK_IS_FIXED(parent))
        gtk_container_child_get(GTK_CONTAINER(parent), child, "x", &p.x, "y", &p.y, nullptr);
    return p;
}

Size RequestOf(GtkWidget *widget)
{
    Size s;
    gtk_widget_get_size_request(widget, &s.width, &s.height);
    return s;
}

WarningCatcher::WarningCatcher()
{
    handler_ = g_log_set_handler(nullptr, static_cast<GLogLevelFlags>(G_LOG_LEVEL_WARNING | G_LOG_LEVEL_MESSAGE),
                                 &WarningCatcher::Handler, this);
}

WarningCatcher::~WarningCatcher()
{
    g_log_remove_handler(nullptr, handler_);
}

void WarningCatcher::Handler(const gchar *, GLogLevelFlags, const gchar *message, gpointer self)
{
    static_cast<WarningCatcher *>(self)->messages_.emplace_back(message);
}

bool WarningCatcher::Saw(const std::string &part) const
{
    for (const std::string &m : messages_)
        if (m.find(part) != std::string::npos)
            return true;
    return false;
}

}  // namespace apptest
