// Widget registry, factories, image loading, list helpers.
#include <gtest/gtest.h>

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
    GtkWidget *window = nullptr;
    GtkWidget *fixed = nullptr;
};

// Size of the picture a GtkPixmap widget shows.
apptest::Size PictureSize(GtkWidget *widget)
{
    apptest::Size s;
    if (!widget || !GTK_IS_PIXMAP(widget))
        return s;
    GdkPixmap *pixmap = nullptr;
    GdkBitmap *mask = nullptr;
    gtk_pixmap_get(GTK_PIXMAP(widget), &pixmap, &mask);
    if (pixmap)
        gdk_drawable_get_size(pixmap, &s.width, &s.height);
    return s;
}

// A tiny valid XPM of the given size.
std::string Xpm(int width, int height)
{
    std::string text = "/* XPM */\nstatic char *x[] = {\n\"" + std::to_string(width) + " " +
                       std::to_string(height) + " 1 1\",\n\". c #336699\",\n";
    for (int y = 0; y < height; ++y)
        text += "\"" + std::string(width, '.') + "\"" + (y + 1 < height ? ",\n" : "\n");
    return text + "};\n";
}

}  // namespace

TEST_F(Widgets, FactoriesPlaceSizeAndRegister)
{
    EXPECT_EQ(fixed, lookup_widget(window, "fixed"));

    GtkWidget *label = QevGtk_CreateLabel(window, fixed, "Test_Name_label", "Name :", 5, 6);
    EXPECT_STREQ("Name :", gtk_label_get_text(GTK_LABEL(label)));
    EXPECT_EQ(5, PlacementOf(label).x);
    EXPECT_EQ(6, PlacementOf(label).y);
    EXPECT_EQ(-1, RequestOf(label).width);  // natural size

    GtkWidget *button = QevGtk_CreateButton(window, fixed, "Test_OK_button", "OK", 240, 480, 70, 28);
    EXPECT_EQ(240, PlacementOf(button).x);
    EXPECT_EQ(480, PlacementOf(button).y);
    EXPECT_EQ(70, RequestOf(button).width);
    EXPECT_EQ(28, RequestOf(button).height);
    EXPECT_STREQ("OK", gtk_button_get_label(GTK_BUTTON(button)));

    GtkWidget *combo = QevGtk_CreateComboBox(window, fixed, "Test_Combo", "Test_Combo_Entry", 75, 2, 135, 40);
    GtkWidget *entry = lookup_widget(window, "Test_Combo_Entry");
    ASSERT_TRUE(GTK_IS_COMBO(combo));
    EXPECT_EQ(GTK_COMBO(combo)->entry, entry);
    EXPECT_FALSE(gtk_editable_get_editable(GTK_EDITABLE(entry)));
    EXPECT_TRUE(GTK_WIDGET_VISIBLE(entry));
    EXPECT_EQ(135, RequestOf(combo).width);
    EXPECT_EQ(40, RequestOf(combo).height);
    EXPECT_EQ(75, PlacementOf(combo).x);

    GtkWidget *frame = QevGtk_CreateFrame(window, fixed, "Test_frame", "Driver", 25, 200, 330, 130);
    EXPECT_STREQ("Driver", gtk_frame_get_label(GTK_FRAME(frame)));
    EXPECT_EQ(2u, gtk_container_get_border_width(GTK_CONTAINER(frame)));
    EXPECT_EQ(GTK_SHADOW_ETCHED_OUT, gtk_frame_get_shadow_type(GTK_FRAME(frame)));
    EXPECT_EQ(330, RequestOf(frame).width);
    EXPECT_EQ(200, PlacementOf(frame).y);

    // Every widget is shown and found from any other widget of the window.
    for (GtkWidget *w : {label, button, combo, frame})
        EXPECT_TRUE(GTK_WIDGET_VISIBLE(w));
    EXPECT_EQ(button, lookup_widget(label, "Test_OK_button"));
    EXPECT_EQ(frame, lookup_widget(entry, "Test_frame"));
    EXPECT_EQ(window, lookup_widget(button, "TestWindow"));
}

TEST_F(Widgets, PropertySheetsAndTabLabels)
{
    GtkWidget *notebook = gtk_notebook_new();
    gtk_fixed_put(GTK_FIXED(fixed), notebook, 0, 0);
    GtkWidget *first = QevGtk_CreatePropertySheet(window, notebook, "Sheet_First", "First", 0);
    GtkWidget *second = QevGtk_CreatePropertySheet(window, notebook, "Sheet_Second", "Second", 1);
    ASSERT_EQ(2, gtk_notebook_get_n_pages(GTK_NOTEBOOK(notebook)));
    EXPECT_TRUE(GTK_IS_FIXED(first));
    EXPECT_EQ(first, gtk_notebook_get_nth_page(GTK_NOTEBOOK(notebook), 0));
    EXPECT_EQ(second, lookup_widget(window, "Sheet_Second"));
    EXPECT_STREQ("First", gtk_notebook_get_tab_label_text(GTK_NOTEBOOK(notebook), first));
    EXPECT_STREQ("Second", gtk_notebook_get_tab_label_text(GTK_NOTEBOOK(notebook), second));
    EXPECT_EQ(gtk_notebook_get_tab_label(GTK_NOTEBOOK(notebook), second), lookup_widget(window, "SheetLabel"));

    QevGtk_AddPixmapToSheetLabel(window, notebook, 1, "   Second   ");
    GtkWidget *tab = gtk_notebook_get_tab_label(GTK_NOTEBOOK(notebook), second);
    ASSERT_TRUE(GTK_IS_HBOX(tab));
    GList *children = gtk_container_get_children(GTK_CONTAINER(tab));
    ASSERT_EQ(1u, g_list_length(children));
    ASSERT_TRUE(GTK_IS_LABEL(children->data));
    EXPECT_STREQ("   Second   ", gtk_label_get_text(GTK_LABEL(children->data)));
    g_list_free(children);
    EXPECT_STREQ("First", gtk_notebook_get_tab_label_text(GTK_NOTEBOOK(notebook), first));
}

TEST_F(Widgets, RegistryHoldsOneReferencePerName)
{
    GtkWidget *a = QevGtk_CreateLabel(window, fixed, "Same_Name", "a", 0, 0);
    g_object_ref(a);  // keep it inspectable after the window goes
    guint withRegistry = G_OBJECT(a)->ref_count;
    GtkWidget *b = QevGtk_CreateLabel(window, fixed, "Same_Name", "b", 0, 20);
    EXPECT_EQ(withRegistry - 1, G_OBJECT(a)->ref_count);  // the old name's reference is dropped
    EXPECT_EQ(b, lookup_widget(window, "Same_Name"));

    gtk_widget_destroy(window);
    window = nullptr;
    EXPECT_EQ(1u, G_OBJECT(a)->ref_count);  // only ours is left
    g_object_unref(a);
}

TEST_F(Widgets, LookupClimbsOutOfPopupMenusAndWarnsOnUnknownNames)
{
    GtkWidget *button = QevGtk_CreateButton(window, fixed, "Menu_Owner_button", "Menu", 0, 0, 60, 24);
    GtkWidget *menu = gtk_menu_new();
    gtk_menu_attach_to_widget(GTK_MENU(menu), button, nullptr);
    GtkWidget *item = gtk_menu_item_new_with_label("Item");
    gtk_menu_shell_append(GTK_MENU_SHELL(menu), item);
    EXPECT_EQ(button, lookup_widget(item, "Menu_Owner_button"));

    apptest::WarningCatcher warnings;
    EXPECT_EQ(nullptr, lookup_widget(item, "No_Such_widget"));
    EXPECT_TRUE(warnings.Saw("Widget not found: No_Such_widget"));
}

TEST_F(Widgets, CreatePixmapFallsBackToThePlaceholder)
{
    qevtest::TempDir dir("pixmaps");
    ASSERT_TRUE(qevtest::write_file(dir.file("broken.xpm"), "this is not a picture"));
    add_pixmap_directory(dir.path().c_str());

    {
        apptest::WarningCatcher warnings;
        GtkWidget *empty = create_pixmap(window, "");
        EXPECT_EQ(1, PictureSize(empty).width);
        EXPECT_EQ(1, PictureSize(empty).height);
        GdkBitmap *mask = nullptr;
        gtk_pixmap_get(GTK_PIXMAP(empty), nullptr, &mask);
        EXPECT_NE(nullptr, mask);  // transparent
        gtk_widget_destroy(empty);
        EXPECT_TRUE(warnings.messages().empty());
    }
    {
        apptest::WarningCatcher warnings;
        GtkWidget *missing = create_pixmap(window, "no_such_picture.xpm");
        EXPECT_EQ(1, PictureSize(missing).width);
        EXPECT_TRUE(warnings.Saw("Couldn't find pixmap file: no_such_picture.xpm"));
        gtk_widget_destroy(missing);
    }
    {
        apptest::WarningCatcher warnings;
        GtkWidget *broken = create_pixmap(window, "broken.xpm");
        EXPECT_EQ(1, PictureSize(broken).width);
        EXPECT_TRUE(warnings.Saw("Error loading pixmap file: " + dir.file("broken.xpm")));
        gtk_widget_destroy(broken);
    }
}

TEST_F(Widgets, TheDirectoryRegisteredLastWins)
{
    qevtest::TempDir older("older"), newer("newer");
    ASSERT_TRUE(qevtest::write_file(older.file("pick.xpm"), Xpm(3, 2)));
    ASSERT_TRUE(qevtest::write_file(newer.file("pick.xpm"), Xpm(5, 4)));
    ASSERT_TRUE(qevtest::write_file(older.file("only_old.xpm"), Xpm(2, 2)));

    add_pixmap_directory(older.path().c_str());
    add_pixmap_directory(newer.path().c_str());
    GtkWidget *pick = create_pixmap(window, "pick.xpm");
    EXPECT_EQ(5, PictureSize(pick).width);
    GtkWidget *old = create_pixmap(window, "only_old.xpm");
    EXPECT_EQ(2, PictureSize(old).width);

    // The theme list is separate and searched the same way.
    AddPixmapDirectory(older.path().c_str());
    AddPixmapDirectory(newer.path().c_str());
    EXPECT_EQ(1, LoadPixmapFromFile(old, "pick.xpm"));
    EXPECT_EQ(5, PictureSize(old).width);
    EXPECT_EQ(4, PictureSize(old).height);

    // Not found anywhere, or not a picture: 0 and the widget keeps its picture.
    ASSERT_TRUE(qevtest::write_file(newer.file("broken.png"), "no"));
    EXPECT_EQ(0, LoadPixmapFromFile(old, "nowhere.png"));
    EXPECT_EQ(0, LoadPixmapFromFile(old, ""));
    {
        apptest::WarningCatcher warnings;
        EXPECT_EQ(0, LoadPixmapFromFile(old, "broken.png"));
        EXPECT_TRUE(warnings.Saw("Error loading pixmap file:"));
    }
    EXPECT_EQ(5, PictureSize(old).width);
    gtk_widget_destroy(pick);
    gtk_widget_destroy(old);

    EXPECT_EQ(nullptr, CheckFileExists(qevtest::source_dir().c_str(), "pixmaps"));  // a directory
}

TEST_F(Widgets, ArtworkLoadsAtItsDesignedSizes)
{
    struct Picture {
        const char *name;
        int width, height;
    };
    const Picture pictures[] = {
        {"titlebar.png", 377, 61},
        {"info.xpm", 21, 21},
        {"computer.xpm", 180, 170},
        {"monitor.xpm", 170, 150},
        {"tvo_samp.xpm", 90, 75},
        {"TV_Position_Center_normal.png", 33, 35},
        {"TV_Position_Center_press.png", 33, 35},
    };
    std::string dir = qevtest::source_dir() + "/pixmaps";
    add_pixmap_directory(dir.c_str());
    apptest::WarningCatcher warnings;
    for (const Picture &p : pictures) {
        GtkWidget *w = create_pixmap(window, p.name);
        EXPECT_EQ(p.width, PictureSize(w).width) << p.name;
        EXPECT_EQ(p.height, PictureSize(w).height) << p.name;
        gtk_widget_destroy(w);
    }
    // The calibration picture covers the preview area.
    GtkWidget *cal = create_pixmap(window, "z7cal24.xpm");
    EXPECT_GE(PictureSize(cal).width, 157);
    EXPECT_GE(PictureSize(cal).height, 117);
    gtk_widget_destroy(cal);

    // Arrow pads: every direction in three states (one file name is spelt short).
    const char *const states[] = {"normal", "press", "disable"};
    for (const char *kind : {"Size", "Position"}) {
        for (const char *dirName : {"Left", "Right", "Up", "Down"}) {
            bool vertical = dirName[0] == 'L' || dirName[0] == 'R';
            for (const char *state : states) {
                std::string name = std::string("TV_") + kind + "_" + dirName + "_" + state + ".png";
                if (name == "TV_Position_Right_disable.png")
                    name = "TV_Position_Right_disabl.png";
                GtkWidget *w = create_pixmap(window, name.c_str());
                EXPECT_EQ(vertical ? 35 : 66, PictureSize(w).width) << name;
                EXPECT_EQ(vertical ? 66 : 35, PictureSize(w).height) << name;
                gtk_widget_destroy(w);
            }
        }
    }
    EXPECT_TRUE(warnings.messages().empty()) << warnings.messages().front();
}

TEST_F(Widgets, ListHelpers)
{
    GtkWidget *list = gtk_list_new();
    gtk_list_set_selection_mode(GTK_LIST(list), GTK_SELECTION_SINGLE);
    for (const char *text : {"Default", "Night", "Cinema"}) {
        GtkWidget *item = gtk_list_item_new_with_label(text);
        gtk_widget_show(item);
        gtk_container_add(GTK_CONTAINER(list), item);
    }
    gtk_container_add(GTK_CONTAINER(fixed), list);

    int last = 7;
    EXPECT_EQ(-1, GetSelListItemNumber(GTK_LIST(list), &last));
    EXPECT_EQ(0, last);
    gtk_list_select_item(GTK_LIST(list), 2);
    EXPECT_EQ(2, GetSelListItemNumber(GTK_LIST(list), &last));
    EXPECT_EQ(1, last);
    gtk_list_select_item(GTK_LIST(list), 1);
    EXPECT_EQ(1, GetSelListItemNumber(GTK_LIST(list), &last));
    EXPECT_EQ(0, last);
    EXPECT_EQ(1, GetSelListItemNumber(GTK_LIST(list), nullptr));

    GList *items = GTK_LIST(list)->children;
    EXPECT_EQ(0, CheckTextNew(items, "Night"));
    EXPECT_EQ(1, CheckTextNew(items, "night"));
    EXPECT_EQ(1, CheckTextNew(nullptr, "Night"));
}

TEST_F(Widgets, MessageBoxReturnsAtOnceAndOkDestroysIt)
{
    GList *before = gtk_window_list_toplevels();
    guint count = g_list_length(before);
    g_list_free(before);
    MessageBox("Scheme name already exists.");  // returns without waiting
    GList *after = gtk_window_list_toplevels();
    GtkWidget *box = nullptr;
    for (GList *n = after; n; n = n->next)
        if (g_strcmp0(gtk_window_get_title(GTK_WINDOW(n->data)), "QEV Display Utility Message") == 0)
            box = GTK_WIDGET(n->data);
    EXPECT_EQ(count + 1, g_list_length(after));
    g_list_free(after);
    ASSERT_NE(nullptr, box);
    EXPECT_TRUE(gtk_window_get_modal(GTK_WINDOW(box)));

    // OK destroys it.
    GList *buttons = gtk_container_get_children(GTK_CONTAINER(GTK_DIALOG(box)->action_area));
    ASSERT_EQ(1u, g_list_length(buttons));
    EXPECT_STREQ("OK", gtk_button_get_label(GTK_BUTTON(buttons->data)));
    g_object_add_weak_pointer(G_OBJECT(box), reinterpret_cast<gpointer *>(&box));
    gtk_button_clicked(GTK_BUTTON(buttons->data));
    g_list_free(buttons);
    apptest::Pump();
    EXPECT_EQ(nullptr, box);
}
