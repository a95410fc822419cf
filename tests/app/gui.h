// In-process GTK tests: one X server with the simulated adapter for the whole
// binary, GTK initialised on it once.
#ifndef QEV_TESTS_APP_GUI_H
#define QEV_TESTS_APP_GUI_H

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <functional>
#include <string>
#include <vector>

namespace apptest {

// Empty when the server runs and GTK is initialised, else the reason.
const std::string &GuiError();

class GuiTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(GuiError().empty()) << GuiError(); }
};

// Runs pending GTK events.
void Pump();
// Pumps (with a server round trip) until `done` holds or `seconds` pass.
bool PumpUntil(const std::function<bool()> &done, double seconds = 20);
// Closes the visible message dialogs, returning "text|secondary" of each, one per line.
std::string TakeMessages();

// Position of `child` within its fixed container.
struct Placement {
    int x = -1, y = -1;
};
Placement PlacementOf(GtkWidget *child);

// Size request of `widget`.
struct Size {
    int width = -1, height = -1;
};
Size RequestOf(GtkWidget *widget);

// Collects GLib warnings logged while it lives.
class WarningCatcher {
public:
    WarningCatcher();
    ~WarningCatcher();
    const std::vector<std::string> &messages() const { return messages_; }
    bool Saw(const std::string &part) const;

private:
    static void Handler(const gchar *domain, GLogLevelFlags level, const gchar *message, gpointer self);
    std::vector<std::string> messages_;
    guint handler_ = 0;
};

}  // namespace apptest

#endif
