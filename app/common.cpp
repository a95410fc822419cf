#include "common.h"
#include "support.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <deque>
#include <memory>
#include <string>

GtkWidget *g_pMainWindow = nullptr;
GtkWidget *g_pTVAdjustmentWnd = nullptr;
GtkWidget *g_pPanelAdjustmentWnd = nullptr;
int g_bRandRMode = 0;
int g_bSAMMMode = 0;
int g_bSAMMModeChkBtnInitState = 0;
int g_bSupportTwoLCD = 0;
int g_bSupportTwoTV = 0;
int g_sFuncCaps[32] = {};
guint g_TimeoutID = 0;
int _ulPageIndex = 0;
int g_bDisplayPageHasInitial = 0;
int g_bGammaPageHasInitial = 0;
int g_bOverlayPageHasInitial = 0;
int g_bSettingsPageHasInitial = 0;
DriverInfoRecord g_DriverInfoRec = {};
DisplayPageOptionItems g_DisplayPageOptionItems = {{0, 0, 0, 0, 0, -1, -1}};
DisplayPageOptionItems g_TmpDisplayPageOptionItems = {{0, 0, 0, 0, 0, -1, -1}};
int g_PrimaryDevice = 0;
int g_SecondaryDevice = 0;
ScreenLayout g_ScreenLayout = {};

namespace {

// Newest directory first.
std::deque<std::string> g_ThemeDirectories;

struct FileCloser {
    void operator()(FILE *f) const { fclose(f); }
};
struct DirCloser {
    void operator()(DIR *d) const { closedir(d); }
};
using UniqueFile = std::unique_ptr<FILE, FileCloser>;
using UniqueDir = std::unique_ptr<DIR, DirCloser>;

struct ObjectUnref {
    void operator()(gpointer p) const
    {
        if (p)
            g_object_unref(p);
    }
};

// The target of a symbolic link, however long; empty when it cannot be read.
std::string ReadLink(const std::string &path)
{
    std::string target(256, '\0');
    for (;;) {
        ssize_t n = readlink(path.c_str(), target.data(), target.size());
        if (n < 0)
            return {};
        if (static_cast<size_t>(n) < target.size()) {
            target.resize(static_cast<size_t>(n));
            return target;
        }
        target.resize(target.size() * 2);  // may have been cut: try again larger
    }
}

}  // namespace

int LoadDriverInfoFromFile(DriverInfoRecord *record)
{
    memset(record, 0, sizeof *record);
    // Opened without blocking and read only when it is a regular file: a
    // FIFO or device there must not hold the start-up.
    int fd = open(QEV_DRIVER_INFO_FILE, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat st {};
    if (fd < 0)
        return 0;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return 0;
    }
    UniqueFile file(fdopen(fd, "rb"));
    if (!file) {
        close(fd);
        return 0;
    }
    size_t got = fread(record, 1, sizeof *record, file.get());
    (void)got;  // a short file fills only its own length
    // A slot without its terminating zero would run into the next slot.
    for (auto &slot : record->chText)
        slot[QEV_INFO_SLOT_SIZE - 1] = '\0';
    return 1;
}

void AddPixmapDirectory(const gchar *directory)
{
    g_ThemeDirectories.emplace_front(directory);
}

gchar *CheckFileExists(const gchar *directory, const gchar *file)
{
    std::string path = std::string(directory) + "/" + file;
    struct stat st {};
    if (stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode))
        return g_strdup(path.c_str());
    return nullptr;
}

static gchar *FindInThemeList(const gchar *file)
{
    for (const std::string &dir : g_ThemeDirectories) {
        if (gchar *found = CheckFileExists(dir.c_str(), file))
            return found;
    }
    return nullptr;
}

gchar *FindThemeFile(void)
{
    return FindInThemeList(QEV_THEME_FILE);
}

int LoadPixmapFromFile(GtkWidget *pixmap, const gchar *file)
{
    if (!pixmap || !file || !file[0])
        return 0;
    gchar *path = FindInThemeList(file);
    if (!path)
        return 0;
    GdkColormap *colormap =
        g_pMainWindow ? gtk_widget_get_colormap(g_pMainWindow) : gdk_colormap_get_system();
    GdkBitmap *rawMask = nullptr;
    std::unique_ptr<GdkPixmap, ObjectUnref> picture(
        gdk_pixmap_colormap_create_from_xpm(nullptr, colormap, &rawMask, nullptr, path));
    std::unique_ptr<GdkBitmap, ObjectUnref> mask(rawMask);
    if (!picture) {
        g_warning("Error loading pixmap file: %s", path);
        g_free(path);
        return 0;
    }
    g_free(path);
    if (GTK_IS_PIXMAP(pixmap))
        gtk_pixmap_set(GTK_PIXMAP(pixmap), picture.get(), mask.get());
    else if (GTK_IS_IMAGE(pixmap))
        gtk_image_set_from_pixmap(GTK_IMAGE(pixmap), picture.get(), mask.get());
    else
        return 0;
    gtk_widget_show(pixmap);
    return 1;
}

void MessageBox(const gchar *text)
{
    GtkWidget *dialog = gtk_dialog_new();
    gtk_window_set_title(GTK_WINDOW(dialog), QEV_MESSAGE_TITLE);
    gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
    GtkWidget *label = gtk_label_new(text);
    gtk_misc_set_padding(GTK_MISC(label), 12, 12);
    gtk_box_pack_start(GTK_BOX(GTK_DIALOG(dialog)->vbox), label, TRUE, TRUE, 0);
    GtkWidget *ok = gtk_button_new_with_label("OK");
    gtk_box_pack_start(GTK_BOX(GTK_DIALOG(dialog)->action_area), ok, FALSE, FALSE, 0);
    g_signal_connect_swapped(ok, "clicked", G_CALLBACK(gtk_widget_destroy), dialog);
    gtk_widget_show_all(dialog);
}

void UpdateApplyBtnState(GtkWidget *window, const gchar *buttonName, gboolean state)
{
    if (GtkWidget *button = lookup_widget(window, buttonName))
        gtk_widget_set_sensitive(button, state);
}

void DisplayWindow(void)
{
    if (g_pTVAdjustmentWnd)
        gtk_widget_show(g_pTVAdjustmentWnd);
    else if (g_pPanelAdjustmentWnd)
        gtk_widget_show(g_pPanelAdjustmentWnd);
    else if (g_pMainWindow)
        gtk_widget_show(g_pMainWindow);
    gdk_flush();
}

int GetSelListItemNumber(GtkList *list, int *pbLast)
{
    if (pbLast)
        *pbLast = 0;
    if (!list || !list->selection)
        return -1;
    int position = gtk_list_child_position(list, GTK_WIDGET(list->selection->data));
    if (position < 0)
        return -1;
    if (pbLast)
        *pbLast = position == static_cast<int>(g_list_length(list->children)) - 1;
    return position;
}

int CheckTextNew(GList *items, const gchar *text)
{
    for (GList *node = items; node; node = node->next) {
        GtkWidget *child = gtk_bin_get_child(GTK_BIN(node->data));
        if (child && GTK_IS_LABEL(child) && strcmp(gtk_label_get_text(GTK_LABEL(child)), text) == 0)
            return 0;
    }
    return 1;
}

int IsFileCanWrite(const char *path)
{
    return access(path, W_OK) == 0;
}

int IIsFileExist(const char *path)
{
    return access(path, F_OK) == 0;
}

int GetProcessCount(const char *name)
{
    return CountProcessesExcept(name, "");
}

int CountProcessesExcept(const char *name, const char *except)
{
    UniqueDir proc(opendir("/proc/"));
    if (!proc)
        return 0;
    int count = 0;
    while (const dirent *entry = readdir(proc.get())) {
        size_t len = strlen(entry->d_name);
        if (len == 0 || strspn(entry->d_name, "0123456789") != len)
            continue;
        std::string target = ReadLink(std::string("/proc/") + entry->d_name + "/exe");
        if (!target.empty() && target.find(name) != std::string::npos && target != except)
            ++count;
    }
    return count;
}
