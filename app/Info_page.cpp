#include "Info_page.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "common.h"
#include "qev/family.h"
#include "qevgfx.h"
#include "support.h"

namespace {

constexpr size_t kMaxText = QEV_INFO_SLOT_SIZE - 1;

__attribute__((format(printf, 1, 2))) std::string Format(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    int length = vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text(length > 0 ? static_cast<size_t>(length) : 0, '\0');
    if (length > 0)
        vsnprintf(text.data(), text.size() + 1, format, args);
    va_end(args);
    if (text.size() > kMaxText)
        text.resize(kMaxText);
    return text;
}

struct ChipName {
    int id;
    const char *name;
};
#define QEV_CHIP_ROW(id, name) {id, name},
constexpr ChipName kChipNames[] = {QEV_CHIP_NAME_TABLE(QEV_CHIP_ROW)};
#undef QEV_CHIP_ROW

void SetLabel(GtkWidget *window, const char *name, const std::string &text)
{
    if (GtkWidget *label = lookup_widget(window, name))
        gtk_label_set_text(GTK_LABEL(label), text.c_str());
}

char *Slot(int index)
{
    return g_DriverInfoRec.chText[index];
}

// Sets the main window's pointer shape (a GDK cursor type) and flushes.
void SetBusyCursor(GdkCursorType type)
{
    if (!g_pMainWindow || !gtk_widget_get_window(g_pMainWindow))
        return;
    GdkCursor *cursor = gdk_cursor_new(type);
    gdk_window_set_cursor(gtk_widget_get_window(g_pMainWindow), cursor);
    gdk_cursor_unref(cursor);
    gdk_flush();
}

}  // namespace

const char *ChipNameForId(int id)
{
    for (const ChipName &row : kChipNames) {
        if (row.id == id)
            return row.name;
    }
    return nullptr;
}

std::string FormatBiosText(const int version[2], const int date[3])
{
    return Format("%02x.%02x [%d/%d/%d]", version[0], version[1], date[1], date[2], date[0]);
}

std::string FormatMemoryText(int megabytes)
{
    return Format("%d MB", megabytes);
}

std::string FormatDriverText(int component, const char *name, const int version[4], int build)
{
    int w = version[0], x = version[1], y = version[2], z = version[3];
    if (component != 2)
        return Format("%s    %d.%d.%d.%02d", name, w, x, y, build);
    if (!(w == 255 && x == 255 && y == 255))
        return Format("%s   %d.%d.%d.%02d", name, w, x, y, build);
    if (z == 255)
        return Format("%s  %s", name, "Not installed.");
    if (z == 254)
        return Format("%s %s", name, "Old than 4.1.x0.62");
    return Format("%s %s", name, "Failed to get");
}

std::string ApplyCachedText(const std::string &live, bool liveIsZero, char *slot)
{
    std::string shown = (liveIsZero && slot && slot[0]) ? std::string(slot) : live;
    if (shown.size() > kMaxText)
        shown.resize(kMaxText);
    if (slot) {
        memset(slot, 0, QEV_INFO_SLOT_SIZE);
        memcpy(slot, shown.data(), shown.size());
    }
    return shown;
}

int GetChipName(char *buffer)
{
    int id = 0;
    if (!QEVGFX_Info_GetChipID(&id))
        return 0;
    const char *name = ChipNameForId(id);
    if (!name)
        return 0;
    snprintf(buffer, QEV_INFO_SLOT_SIZE, "%s", name);
    return 1;
}

void SetupUtilityVersionStr(GtkWidget *window, const char *text)
{
    GtkWidget *label = lookup_widget(window, "Info_Version_Label");
    if (!label)
        return;
    gtk_label_set_text(GTK_LABEL(label), text);
    gtk_label_set_justify(GTK_LABEL(label), GTK_JUSTIFY_RIGHT);
    gtk_misc_set_alignment(GTK_MISC(label), 1.0f, 0.5f);
}

void SetupChipNameStr(GtkWidget *window)
{
    char name[QEV_INFO_SLOT_SIZE] = {};
    bool found = GetChipName(name) != 0;
    std::string shown = ApplyCachedText(found ? name : "QEV Chip", !found, Slot(QEV_INFO_SLOT_CHIP));
    SetLabel(window, "Info_Chiptype_value_label", shown);
}

void SetupBIOSVersionStr(GtkWidget *window)
{
    int version[2] = {0, 0};
    int date[3] = {0, 0, 0};
    QEVGFX_Info_GetBiosVersion(version);
    QEVGFX_Info_GetBiosDate(date);
    bool zero = !version[0] && !version[1] && !date[0] && !date[1] && !date[2];
    SetLabel(window, "Info_BIOSver_value_label",
             ApplyCachedText(FormatBiosText(version, date), zero, Slot(QEV_INFO_SLOT_BIOS)));
}

void SetupVideoMemoryStr(GtkWidget *window)
{
    int megabytes = 0;
    QEVGFX_Info_GetVideoMemSize(&megabytes);
    SetLabel(window, "Info_VideoMem_value_label",
             ApplyCachedText(FormatMemoryText(megabytes), megabytes == 0, Slot(QEV_INFO_SLOT_MEMORY)));
}

void SetupDriverInfoStr(GtkWidget *window, int component, const char *labelName)
{
    char name[QEV_INFO_SLOT_SIZE] = {};
    int version[5] = {};
    int firstVersion[5] = {};
    QEVGFX_Info_GetDriverName(component, name);
    name[QEV_INFO_SLOT_SIZE - 1] = '\0';
    QEVGFX_Info_GetDriverVersion(component, version);
    // The build number is always component 1's fourth number.
    if (component == 1)
        memcpy(firstVersion, version, sizeof version);
    else
        QEVGFX_Info_GetDriverVersion(1, firstVersion);

    bool zero = !version[0] && !version[1] && !version[2] && !version[3];
    char *slot = (component >= 1 && component <= 4) ? Slot(QEV_INFO_SLOT_DRIVER1 + component - 1) : nullptr;
    SetLabel(window, labelName,
             ApplyCachedText(FormatDriverText(component, name, version, firstVersion[3]), zero, slot));
}

void InitInfoPage(const char *versionText)
{
    GtkWidget *window = g_pMainWindow;
    SetBusyCursor(GDK_WATCH);
    LoadDriverInfoFromFile(&g_DriverInfoRec);
    SetupUtilityVersionStr(window, versionText);
    SetupChipNameStr(window);
    SetupBIOSVersionStr(window);
    SetupVideoMemoryStr(window);
    SetupDriverInfoStr(window, 1, "Info_DisplayDrv_value_label");
    SetBusyCursor(GDK_LEFT_PTR);
}
