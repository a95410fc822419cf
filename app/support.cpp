#include "support.h"

#include "accessibility.h"

#include <sys/stat.h>

#include <deque>
#include <string>

namespace {

// Newest directory first.
std::deque<std::string> g_PixmapDirectories;

const char *const kPlaceholderXpm[] = {"1 1 1 1", "  c None", " "};

bool IsRegularFile(const std::string &path)
{
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

void RegisterWidget(GtkWidget *window, const char *name, GtkWidget *widget)
{
    g_object_set_data_full(G_OBJECT(window), name, gtk_widget_ref(widget),
                           reinterpret_cast<GDestroyNotify>(gtk_widget_unref));
    SetAccessibleId(widget, name);
}

void RegisterWindow(GtkWidget *window, const char *name)
{
    g_object_set_data(G_OBJECT(window), name, window);
    SetAccessibleId(window, name);
}

GtkWidget *lookup_widget(GtkWidget *widget, const gchar *name)
{
    for (;;) {
        GtkWidget *parent = GTK_IS_MENU(widget) ? gtk_menu_get_attach_widget(GTK_MENU(widget))
                                                : gtk_widget_get_parent(widget);
        if (!parent)
            break;
        widget = parent;
    }
    auto *found = static_cast<GtkWidget *>(g_object_get_data(G_OBJECT(widget), name));
    if (!found)
        g_warning("Widget not found: %s", name);
    return found;
}

void add_pixmap_directory(const gchar *directory)
{
    g_PixmapDirectories.emplace_front(directory);
}

gchar *check_file_exists(const gchar *directory, const gchar *filename)
{
    std::string path = std::string(directory) + "/" + filename;
    return IsRegularFile(path) ? g_strdup(path.c_str()) : nullptr;
}

GtkWidget *create_placeholder_pixmap(GtkWidget *widget)
{
    GdkBitmap *mask = nullptr;
    GdkPixmap *pixmap = gdk_pixmap_colormap_create_from_xpm_d(
        nullptr, gtk_widget_get_colormap(widget), &mask, nullptr, const_cast<gchar **>(kPlaceholderXpm));
    if (!pixmap)
        g_error("Couldn't create replacement pixmap.");
    GtkWidget *image = gtk_pixmap_new(pixmap, mask);
    g_object_unref(pixmap);
    if (mask)
        g_object_unref(mask);
    return image;
}

GtkWidget *create_pixmap(GtkWidget *widget, const gchar *filename)
{
    if (!filename || !filename[0])
        return create_placeholder_pixmap(widget);

    gchar *found = nullptr;
    for (const std::string &dir : g_PixmapDirectories) {
        if ((found = check_file_exists(dir.c_str(), filename)))
            break;
    }
    if (!found)
        found = check_file_exists("../pixmaps", filename);
    if (!found) {
        g_warning("Couldn't find pixmap file: %s", filename);
        return create_placeholder_pixmap(widget);
    }

    GdkBitmap *mask = nullptr;
    GdkPixmap *pixmap =
        gdk_pixmap_colormap_create_from_xpm(nullptr, gtk_widget_get_colormap(widget), &mask, nullptr, found);
    if (!pixmap) {
        g_warning("Error loading pixmap file: %s", found);
        g_free(found);
        return create_placeholder_pixmap(widget);
    }
    g_free(found);
    GtkWidget *image = gtk_pixmap_new(pixmap, mask);
    g_object_unref(pixmap);
    if (mask)
        g_object_unref(mask);
    return image;
}

GtkWidget *create_pixmap_from_pixbuf(GtkWidget *widget, GdkPixbuf *pixbuf)
{
    if (!pixbuf)
        return create_placeholder_pixmap(widget);
    GdkPixmap *pixmap = nullptr;
    GdkBitmap *mask = nullptr;
    gdk_pixbuf_render_pixmap_and_mask_for_colormap(pixbuf, gtk_widget_get_colormap(widget), &pixmap, &mask, 128);
    if (!pixmap)
        return create_placeholder_pixmap(widget);
    GtkWidget *image = gtk_pixmap_new(pixmap, mask);
    g_object_unref(pixmap);
    if (mask)
        g_object_unref(mask);
    return image;
}
