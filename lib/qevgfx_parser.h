/* Section and entry editor for the X server configuration file.
 *
 * Results of the int operations: 0 done or found, 1 error, 2 the addressed
 * section or entry does not exist, 3 the section to be created exists.
 * Output buffers of the C interface hold XCONFIG_TEXT_MAX bytes (255
 * characters and the terminating NUL); a result that does not fit is an
 * error (1) and the buffer is left empty. The C++ interface below has no
 * length limits. */
#ifndef QEVGFX_PARSER_H
#define QEVGFX_PARSER_H

#include <stdio.h>

#ifndef QEV_API
#define QEV_API __attribute__((visibility("default")))
#endif

#define XCONFIG_TEXT_MAX 256

#define XCONFIG_DONE 0
#define XCONFIG_ERROR 1
#define XCONFIG_NOT_FOUND 2
#define XCONFIG_EXISTS 3

/* Line classes returned by CheckDispartedKey. */
#define XCONFIG_LINE_ENTRY 100
#define XCONFIG_LINE_SECTION 101
#define XCONFIG_LINE_ENDSECTION 102
#define XCONFIG_LINE_IDENTIFIER 103

#ifdef __cplusplus
extern "C" {
#endif

/* Line functions. */
QEV_API int GetLine(FILE *file, char *line);
QEV_API int RemoveSpace(char *text);
QEV_API int RemoveRemark(char *text);
QEV_API int DispartLine(char *line, char *key, char *value);
QEV_API int CheckDispartedKey(const char *key, const char *value, char *sectionName, char *identifier);
QEV_API int CheckPosOfSection(FILE *file, const char *sectionName, const char *identifier, long *start,
                              long *end);
QEV_API int CheckPosOfEntry(FILE *file, const char *key, long sectionStart, long sectionEnd, int index,
                            long *lineStart, long *lineEnd);

/* File operations. */
QEV_API int XConfig_GetString(const char *path, const char *sectionName, const char *identifier, const char *key,
                              int index, char *value);
QEV_API int XConfig_SetString(const char *path, const char *sectionName, const char *identifier, const char *key,
                              int index, const char *value);
QEV_API int XConfig_GetEntry(const char *path, const char *sectionName, const char *identifier, int index,
                             char *line);
QEV_API int XConfig_SetEntry(const char *path, const char *sectionName, const char *identifier, const char *line);
QEV_API int XConfig_DeleteEntry(const char *path, const char *sectionName, const char *identifier,
                                const char *line);
QEV_API int XConfig_CreateSection(const char *path, const char *sectionName, const char *identifier);
QEV_API int XConfig_CreateServerLayoutSection(const char *path, const char *sectionName, const char *identifier,
                                              const char *screen);
QEV_API int XConfig_DeleteSection(const char *path, const char *sectionName, const char *identifier);
QEV_API int XConfig_CheckIfSectionExisted(const char *path, const char *sectionName, const char *identifier);
QEV_API int XConfig_GetSectionID(const char *path, const char *sectionName, char *identifier, int *count);
QEV_API int XConfig_GetSubString(char *text, int from, int to);

#ifdef __cplusplus
}

#include <cstddef>
#include <string>
#include <string_view>

namespace qev::xconfig {

// Key and value of a normalised line, with the quote rule applied.
struct Split {
    std::string key;
    std::string value;
};

std::string_view trim(std::string_view text);        // blanks, tabs and CRs at both ends
// The physical line at pos without its line end (the LF and a CR before it);
// next is set to the position after the LF (or the end of doc).
std::string_view physicalLine(std::string_view doc, size_t pos, size_t &next);
// The file's line end, "\r\n" when its first line ends so, else "\n"; new
// lines are written with it.
std::string_view lineEnding(std::string_view doc);
std::string_view cutRemark(std::string_view text);   // up to the first '#', trimmed
Split splitLine(std::string_view line);
int classify(std::string_view key);                  // XCONFIG_LINE_*

// A found section, as byte offsets into the file: start (blank lines in front
// of the Section line included), end (last byte of the EndSection line), the
// first byte of the EndSection line and the byte after the word EndSection.
struct SectionPos {
    size_t start = 0;
    size_t end = 0;
    size_t endLine = 0;
    size_t endWord = 0;
};

// Operations on file contents held in memory. The edits store the new
// contents in out; out is meaningful only when the result is 0 (or 2 for
// deleteEntry, which rewrites a found section in normal form either way).
namespace mem {
int findSection(std::string_view doc, std::string_view name, std::string_view id, SectionPos &pos);
int findEntry(std::string_view doc, std::string_view key, size_t sectionStart, size_t sectionEnd, int index,
              size_t &lineStart, size_t &lineEnd);
int getString(std::string_view doc, std::string_view name, std::string_view id, std::string_view key, int index,
              std::string &value);
int getEntry(std::string_view doc, std::string_view name, std::string_view id, int index, std::string &line);
int getSectionId(std::string_view doc, std::string_view name, std::string &id, int &count);
int setString(std::string_view doc, std::string_view name, std::string_view id, std::string_view key, int index,
              std::string_view value, std::string &out);
int setEntry(std::string_view doc, std::string_view name, std::string_view id, std::string_view line,
             std::string &out);
int deleteEntry(std::string_view doc, std::string_view name, std::string_view id, std::string_view line,
                std::string &out);
int createSection(std::string_view doc, std::string_view name, std::string_view id, const std::string_view *screen,
                  std::string &out);
int deleteSection(std::string_view doc, std::string_view name, std::string_view id, std::string &out);
}  // namespace mem

// The same on a file by path. Reads open the file read-only; edits replace it
// atomically (qev::file::replace).
int getString(const std::string &path, std::string_view name, std::string_view id, std::string_view key, int index,
              std::string &value);
int setString(const std::string &path, std::string_view name, std::string_view id, std::string_view key, int index,
              std::string_view value);
int getEntry(const std::string &path, std::string_view name, std::string_view id, int index, std::string &line);
int setEntry(const std::string &path, std::string_view name, std::string_view id, std::string_view line);
int deleteEntry(const std::string &path, std::string_view name, std::string_view id, std::string_view line);
int createSection(const std::string &path, std::string_view name, std::string_view id,
                  const std::string_view *screen = nullptr);
int deleteSection(const std::string &path, std::string_view name, std::string_view id);
int sectionExists(const std::string &path, std::string_view name, std::string_view id);
int getSectionId(const std::string &path, std::string_view name, std::string &id, int &count);
int subString(std::string &text, int from, int to);

}  // namespace qev::xconfig
#endif /* __cplusplus */

#endif /* QEVGFX_PARSER_H */
