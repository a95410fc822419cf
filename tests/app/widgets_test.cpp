// Widget registry, factories and image loading.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "common.h"
#include "gui.h"
#include "interface_common.h"
#include "qevtest/qevtest.h"
#include "support.h"

using apptest::PlacementOf;
using apptest::RequestOf;

namespace {

class Widgets : public apptest::GuiTest {
protected:
    void SetUp() override
    {
        apptest::GuiTest::SetUp();
        window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
        RegisterWindow(window, "TestWindow");
        fixed = QevGtk_CreateFixedWidget(window, window);
    }
    void TearDown() override
    {
        if (window)
            gtk_widget_destroy(window);
    }
    // Width of the picture a GtkPixmap widget shows (-1: none).
    static int PictureWidth(GtkWidget *widget)
    {
        GdkPixmap *pixmap = nullptr;
        int w = -1, h = -1;
        if (widget && GTK_IS_PIXMAP(widget))
            gtk_pixmap_get(GTK_PIXMAP(widget), &pixmap, nullptr);
        if (pixmap)
            gdk_drawable_get_size(pixmap, &w, &h);
        return w;
    }
    GtkWidget *window = nullptr;
    GtkWidget *fixed = nullptr;
};

std::string Xpm(int width)
{
    return "/* XPM */\nstatic char *x[] = {\n\"" + std::to_string(width) + " 1 1 1\",\n\". c #336699\",\n\"" +
           std::string(width, '.') + "\"};\n";
}

}  // namespace

TEST_F(Widgets, FactoriesRegistryAndLookup)
{
    GtkWidget *label = QevGtk_CreateLabel(window, fixed, "Test_Name_label", "Name :", 5, 6);
    GtkWidget *button = QevGtk_CreateButton(window, fixed, "Test_OK_button", "OK", 240, 480, 70, 28);
    GtkWidget *combo = QevGtk_CreateComboBox(window, fixed, "Test_Combo", "Test_Combo_Entry", 75, 2, 135, 40);
    GtkWidget *frame = QevGtk_CreateFrame(window, fixed, "Test_frame", "Driver", 25, 200, 330, 130);
    EXPECT_EQ((std::vector<int>{240, 480, 70, 28}), (std::vector<int>{PlacementOf(button).x, PlacementOf(button).y,
                                                                   RequestOf(button).width, RequestOf(button).height}));
    for (GtkWidget *w : {label, button, combo, frame})
        EXPECT_TRUE(GTK_WIDGET_VISIBLE(w));
    GtkWidget *entry = lookup_widget(window, "Test_Combo_Entry");
    EXPECT_EQ(GTK_COMBO(combo)->entry, entry);
    EXPECT_FALSE(gtk_editable_get_editable(GTK_EDITABLE(entry)));
    EXPECT_EQ(frame, lookup_widget(entry, "Test_frame"));  // found from any widget of the window
    EXPECT_EQ(window, lookup_widget(button, "TestWindow"));

    // A name registered again drops the old widget's reference; the window's end drops the rest.
    g_object_ref(label);
    guint withRegistry = G_OBJECT(label)->ref_count;
    GtkWidget *again = QevGtk_CreateLabel(window, fixed, "Test_Name_label", "b", 0, 20);
    EXPECT_EQ(withRegistry - 1, G_OBJECT(label)->ref_count);
    EXPECT_EQ(again, lookup_widget(window, "Test_Name_label"));

    // Lookup climbs out of a popup menu; an unknown name warns.
    GtkWidget *menu = gtk_menu_new();
    gtk_menu_attach_to_widget(GTK_MENU(menu), button, nullptr);
    GtkWidget *item = gtk_menu_item_new_with_label("Item");
    gtk_menu_shell_append(GTK_MENU_SHELL(menu), item);
    EXPECT_EQ(button, lookup_widget(item, "Test_OK_button"));
    {
        apptest::WarningCatcher warnings;
        EXPECT_EQ(nullptr, lookup_widget(item, "No_Such_widget"));
        EXPECT_TRUE(warnings.Saw("Widget not found: No_Such_widget"));
    }
    gtk_widget_destroy(window);
    window = nullptr;
    EXPECT_EQ(1u, G_OBJECT(label)->ref_count);  // only ours is left
    g_object_unref(label);
}

TEST_F(Widgets, Pixmaps)
{
    // Every shipped picture loads.
    std::string shipped = qevtest::source_dir() + "/pixmaps";
    add_pixmap_directory(shipped.c_str());
    {
        apptest::WarningCatcher warnings;
        for (const auto &f : std::filesystem::directory_iterator(shipped)) {
            std::string name = f.path().filename();
            if (name.ends_with(".png") || name.ends_with(".xpm")) {
                GtkWidget *w = create_pixmap(window, name.c_str());
                EXPECT_GT(PictureWidth(w), 1) << name;
                gtk_widget_destroy(w);
            }
        }
        EXPECT_TRUE(warnings.messages().empty()) << warnings.messages().front();
    }
    // The directory registered last wins; a missing, empty or broken picture gives the 1x1 placeholder.
    qevtest::TempDir older("older"), newer("newer");
    ASSERT_TRUE(qevtest::write_file(older.file("pick.xpm"), Xpm(3)));
    ASSERT_TRUE(qevtest::write_file(newer.file("pick.xpm"), Xpm(5)));
    ASSERT_TRUE(qevtest::write_file(older.file("only_old.xpm"), Xpm(2)));
    ASSERT_TRUE(qevtest::write_file(newer.file("broken.xpm"), "not a picture"));
    add_pixmap_directory(older.path().c_str());
    add_pixmap_directory(newer.path().c_str());
    const struct { const char *name, *warning; int width; } pictures[] = {
        {"pick.xpm", nullptr, 5}, {"only_old.xpm", nullptr, 2}, {"", nullptr, 1},
        {"no_such.xpm", "Couldn't find pixmap file: no_such.xpm", 1}, {"broken.xpm", "Error loading pixmap file:", 1}};
    for (const auto &p : pictures) {
        apptest::WarningCatcher warnings;
        GtkWidget *w = create_pixmap(window, p.name);
        EXPECT_EQ(p.width, PictureWidth(w)) << p.name;
        EXPECT_TRUE(p.warning ? warnings.Saw(p.warning) : warnings.messages().empty()) << p.name;
        gtk_widget_destroy(w);
    }
    EXPECT_EQ(nullptr, CheckFileExists(qevtest::source_dir().c_str(), "pixmaps"));  // a directory
}
