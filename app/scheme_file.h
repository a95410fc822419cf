/* The two colour scheme files (gamma and overlay) share one shape: a count N,
 * the active record, then N named records, all records of one size. One
 * implementation serves both, with the record size as a parameter. Every
 * change is written as a whole new file beside the old one and renamed over
 * it, so the file is always the old or the new version. No GTK here. */
#ifndef QEV_APP_SCHEME_FILE_H
#define QEV_APP_SCHEME_FILE_H

#include <cstddef>
#include <string>
#include <vector>

constexpr size_t kSchemeNameSize = 256; /* a record starts with its NUL-terminated name */

struct SchemeLayout {
    size_t recordSize;       /* bytes per record */
    bool signedCount;        /* N is read as signed: a negative N is damage */
    size_t clearedNameBytes; /* bytes of the active name cleared when the last scheme goes */
    size_t HeaderSize() const { return 4 + recordSize; }
    size_t FileSize(size_t count) const { return HeaderSize() + recordSize * count; }
};
constexpr SchemeLayout kGammaSchemeLayout{516, false, 1};
constexpr SchemeLayout kOverlaySchemeLayout{512, true, 4};

/* Records are kept as raw bytes of layout.recordSize. */
struct SchemeContents {
    std::string active;
    std::vector<std::string> named;
};

struct SchemeFile {
    std::string path;
    std::string backupPath; /* the older program's backup name, removed when found */
    SchemeLayout layout;
    bool writable = true; /* false: nothing is written during this run */
};

enum class SchemeReadStatus { Ok, Absent, Unreadable, Damaged };

/* The record's name: the bytes before the first NUL, at most 256. */
std::string SchemeRecordName(const std::string &record);

/* Reads and checks the whole file: its length must be the header plus N
 * records exactly (a negative N, where N is signed, is damage too). */
SchemeReadStatus ReadSchemeFile(const SchemeFile &file, SchemeContents &out);
std::string SerializeSchemeFile(const SchemeLayout &layout, const SchemeContents &contents);
/* Writes the contents atomically; false when the file is not writable or the
 * replacement failed (the old version then stays). */
bool WriteSchemeFile(const SchemeFile &file, const SchemeContents &contents);

/* Renames a damaged file aside to "<path>.damaged" (or ".damaged.N" when that
 * exists); never deletes it. The new name, or "" when it could not be moved. */
std::string SetSchemeFileAside(const std::string &path);

/* True when the file (if present) and its directory may be written. */
bool SchemeFileWritable(const std::string &path);

/* Appends `record` as the last named scheme and makes it the active record;
 * an absent file is created. */
bool AddSchemeRecord(const SchemeFile &file, const std::string &record);
/* Removes the named scheme whose name is the active record's; exactly one must
 * carry it. When none is left, the active name is cleared. */
bool DeleteActiveSchemeRecord(const SchemeFile &file);

enum class SchemeSelect { Found, NotFound, FileError };
/* Finds the first named scheme called `name`, makes it the active record and
 * hands it back. A failed write of the active record still finds it. */
SchemeSelect SelectSchemeRecord(const SchemeFile &file, const std::string &name, std::string &record);

/* Writes `record` as the active record of an existing file; an absent file is
 * created with N = 0 when `create` is set. Removes an old backup file. */
bool WriteActiveSchemeRecord(const SchemeFile &file, const std::string &record, bool create);

#endif
