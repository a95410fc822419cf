// Line-oriented editor for the X server configuration file: finds a section
// by name and identifier and reads, replaces, adds and deletes its entries,
// creates and deletes sections. Every operation reads the file from its
// beginning; edits are made on the contents in memory and the file is then
// replaced atomically. Lines are read whole, whatever their length, and every
// byte value is kept. A line ends at LF, a CR just before it belongs to the
// line end, and new lines are written with the file's own line end.

#include "qevgfx_parser.h"

#include "qevgfx_file.h"

#include <cstring>
#include <vector>

namespace qev::xconfig {
namespace {

constexpr std::string_view _pSectionKey = "Section";
constexpr std::string_view _pIdentifierKey = "Identifier";
constexpr std::string_view _pEndSectionKey = "EndSection";
// A CR counts as a blank, as it does for the X server: a stray CR at either
// end of a line is trimmed like a blank.
constexpr std::string_view kBlanks = " \t\r";

char lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// ASCII comparison without regard to case; other bytes compare as they are.
bool iequal(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i]))
            return false;
    return true;
}

bool hasNewline(std::string_view text)
{
    return text.find('\n') != std::string_view::npos;
}

// One non-blank line as the scanner sees it.
struct Line {
    size_t begin = 0;  // read position before the line; blank lines in front included
    size_t phys = 0;   // first byte of the physical line
    size_t text = 0;   // first non-blank byte
    size_t next = 0;   // position after the line's newline (or the end of the file)
    std::string_view str;  // the line, trimmed, without its newline
};

// Reads non-blank lines from a position onwards; blank lines are skipped.
class Reader {
public:
    explicit Reader(std::string_view doc, size_t pos = 0) : doc_(doc), pos_(pos < doc.size() ? pos : doc.size()) {}
    size_t pos() const { return pos_; }

    bool next(Line &line)
    {
        line.begin = pos_;
        while (pos_ < doc_.size()) {
            size_t after = 0;
            const std::string_view raw = physicalLine(doc_, pos_, after);
            const size_t lead = raw.find_first_not_of(kBlanks);
            if (lead != std::string_view::npos) {
                const size_t tail = raw.find_last_not_of(kBlanks);
                line.phys = pos_;
                line.text = pos_ + lead;
                line.next = after;
                line.str = raw.substr(lead, tail - lead + 1);
                pos_ = after;
                return true;
            }
            pos_ = after;
        }
        return false;
    }

private:
    std::string_view doc_;
    size_t pos_;
};

// Names and identifiers are written in double quotes unless they already
// begin with one.
std::string quoted(std::string_view text)
{
    if (!text.empty() && text.front() == '"')
        return std::string(text);
    std::string q;
    q.reserve(text.size() + 2);
    q += '"';
    q += text;
    q += '"';
    return q;
}

}  // namespace

std::string_view trim(std::string_view text)
{
    const size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return {};
    const size_t last = text.find_last_not_of(kBlanks);
    return text.substr(first, last - first + 1);
}

std::string_view physicalLine(std::string_view doc, size_t pos, size_t &next)
{
    const size_t nl = doc.find('\n', pos);
    if (nl == std::string_view::npos) {
        next = doc.size();
        return doc.substr(pos);
    }
    next = nl + 1;
    const size_t stop = nl > pos && doc[nl - 1] == '\r' ? nl - 1 : nl;
    return doc.substr(pos, stop - pos);
}

std::string_view lineEnding(std::string_view doc)
{
    const size_t nl = doc.find('\n');
    return nl != std::string_view::npos && nl > 0 && doc[nl - 1] == '\r' ? "\r\n" : "\n";
}

std::string_view cutRemark(std::string_view text)
{
    return trim(text.substr(0, text.find('#')));
}

int classify(std::string_view key)
{
    if (iequal(key, _pSectionKey))
        return XCONFIG_LINE_SECTION;
    if (iequal(key, _pIdentifierKey))
        return XCONFIG_LINE_IDENTIFIER;
    if (iequal(key, _pEndSectionKey))
        return XCONFIG_LINE_ENDSECTION;
    return XCONFIG_LINE_ENTRY;
}

Split splitLine(std::string_view line)
{
    line = trim(line);
    const size_t gap = line.find_first_of(kBlanks);
    Split s;
    s.key = std::string(line.substr(0, gap));
    std::string_view value = gap == std::string_view::npos ? std::string_view() : trim(line.substr(gap));
    // Section names and identifiers lose the quotes around them; every other
    // value keeps its quotes.
    const int kind = classify(s.key);
    if ((kind == XCONFIG_LINE_SECTION || kind == XCONFIG_LINE_IDENTIFIER) && !value.empty() && value.front() == '"')
        value = value.size() >= 2 ? value.substr(1, value.size() - 2) : std::string_view();
    s.value = std::string(value);
    return s;
}

namespace mem {

// The section is found at the first line after which the current section
// name (set by each Section line) and identifier (set by each Identifier
// line) both equal the address; it ends at the next EndSection line, which
// empties both. The empty identifier therefore addresses the first section of
// that name.
int findSection(std::string_view doc, std::string_view name, std::string_view id, SectionPos &pos)
{
    Reader reader(doc);
    Line line;
    std::string curName, curId;
    bool inside = false, found = false;
    size_t afterLastLine = 0, sectionStart = 0;
    while (reader.next(line)) {
        Split s = splitLine(line.str);
        switch (classify(s.key)) {
        case XCONFIG_LINE_SECTION:
            curName = std::move(s.value);
            inside = true;
            sectionStart = afterLastLine;
            break;
        case XCONFIG_LINE_IDENTIFIER:
            curId = std::move(s.value);
            break;
        case XCONFIG_LINE_ENDSECTION:
            if (found) {
                pos.end = line.next - 1;
                pos.endLine = line.phys;
                pos.endWord = line.text + _pEndSectionKey.size();
                return XCONFIG_DONE;
            }
            curName.clear();
            curId.clear();
            inside = false;
            break;
        default:
            break;
        }
        if (!found && inside && iequal(curName, name) && iequal(curId, id)) {
            found = true;
            pos.start = sectionStart;
        }
        afterLastLine = line.next;
    }
    return XCONFIG_NOT_FOUND;
}

int findEntry(std::string_view doc, std::string_view key, size_t sectionStart, size_t sectionEnd, int index,
              size_t &lineStart, size_t &lineEnd)
{
    if (index < 1 || sectionStart > doc.size())
        return XCONFIG_NOT_FOUND;
    Reader reader(doc, sectionStart);
    Line line;
    int n = 0;
    while (reader.pos() < sectionEnd && reader.next(line)) {
        if (iequal(splitLine(line.str).key, key) && ++n == index) {
            lineStart = line.begin;
            lineEnd = line.next - 1;
            return XCONFIG_DONE;
        }
    }
    return XCONFIG_NOT_FOUND;
}

int getString(std::string_view doc, std::string_view name, std::string_view id, std::string_view key, int index,
              std::string &value)
{
    value.clear();
    SectionPos pos;
    if (index < 1 || findSection(doc, name, id, pos) != XCONFIG_DONE)
        return XCONFIG_NOT_FOUND;
    Reader reader(doc, pos.start);
    Line line;
    int n = 0;
    while (reader.pos() < pos.end && reader.next(line)) {
        Split s = splitLine(cutRemark(line.str));
        if (iequal(s.key, key) && ++n == index) {
            value = std::move(s.value);
            return XCONFIG_DONE;
        }
    }
    return XCONFIG_NOT_FOUND;
}

int getEntry(std::string_view doc, std::string_view name, std::string_view id, int index, std::string &entry)
{
    entry.clear();
    SectionPos pos;
    if (index < 1 || findSection(doc, name, id, pos) != XCONFIG_DONE)
        return XCONFIG_NOT_FOUND;
    Reader reader(doc, pos.start);
    Line line;
    int n = 0;
    while (reader.pos() < pos.end && reader.next(line)) {
        const int kind = classify(splitLine(line.str).key);
        if (kind != XCONFIG_LINE_SECTION && kind != XCONFIG_LINE_ENDSECTION && ++n == index) {
            entry = std::string(line.str);
            return XCONFIG_DONE;
        }
    }
    return XCONFIG_NOT_FOUND;
}

int getSectionId(std::string_view doc, std::string_view name, std::string &id, int &count)
{
    id.clear();
    count = 0;
    Reader reader(doc);
    Line line;
    std::string curName;
    bool inside = false;
    int n = 0;
    while (reader.next(line)) {
        Split s = splitLine(cutRemark(line.str));
        const int kind = classify(s.key);
        if (kind == XCONFIG_LINE_SECTION) {
            curName = std::move(s.value);
            inside = true;
        } else if (kind == XCONFIG_LINE_ENDSECTION) {
            curName.clear();
            inside = false;
        } else if (inside && iequal(curName, name)) {
            ++n;
            if (kind == XCONFIG_LINE_IDENTIFIER) {
                id = std::move(s.value);
                count = n;
                return XCONFIG_DONE;
            }
        }
    }
    return XCONFIG_NOT_FOUND;
}

int setString(std::string_view doc, std::string_view name, std::string_view id, std::string_view key, int index,
              std::string_view value, std::string &out)
{
    out.clear();
    if (hasNewline(key) || hasNewline(value))
        return XCONFIG_ERROR;
    SectionPos pos;
    size_t lineStart = 0, lineEnd = 0;
    if (findSection(doc, name, id, pos) != XCONFIG_DONE ||
        findEntry(doc, key, pos.start, pos.end, index, lineStart, lineEnd) != XCONFIG_DONE)
        return XCONFIG_NOT_FOUND;
    out.reserve(doc.size() + key.size() + value.size() + 4);
    out.append(doc.substr(0, lineStart));
    out.append("\t").append(key).append(" ").append(value).append(lineEnding(doc));
    out.append(doc.substr(lineEnd + 1));
    return XCONFIG_DONE;
}

int setEntry(std::string_view doc, std::string_view name, std::string_view id, std::string_view entry,
             std::string &out)
{
    out.clear();
    if (hasNewline(entry))
        return XCONFIG_ERROR;
    SectionPos pos;
    if (findSection(doc, name, id, pos) != XCONFIG_DONE)
        return XCONFIG_NOT_FOUND;
    out.reserve(doc.size() + entry.size() + 3);
    out.append(doc.substr(0, pos.endLine));
    out.append("\t").append(entry).append(lineEnding(doc));
    out.append(doc.substr(pos.endLine));
    return XCONFIG_DONE;
}

// Writes the section back in normal form: one empty line and the Section
// line, every entry indented by a tab, the EndSection line; blank lines
// inside disappear. Entries equal to the given one are left out.
int deleteEntry(std::string_view doc, std::string_view name, std::string_view id, std::string_view entry,
                std::string &out)
{
    out.clear();
    SectionPos pos;
    if (findSection(doc, name, id, pos) != XCONFIG_DONE)
        return XCONFIG_NOT_FOUND;
    const Split gone = splitLine(entry);
    const std::string_view eol = lineEnding(doc);
    out.reserve(doc.size() + 64);
    out.append(doc.substr(0, pos.start));
    Reader reader(doc, pos.start);
    Line line;
    int removed = 0;
    while (reader.pos() < pos.end && reader.next(line)) {
        const Split s = splitLine(line.str);
        switch (classify(s.key)) {
        case XCONFIG_LINE_SECTION:
            out.append(eol).append(line.str).append(eol);
            break;
        case XCONFIG_LINE_ENDSECTION:
            out.append(line.str).append(eol);
            break;
        default:
            if (iequal(s.key, gone.key) && iequal(s.value, gone.value))
                ++removed;
            else
                out.append("\t").append(line.str).append(eol);
            break;
        }
    }
    out.append(doc.substr(pos.end + 1));
    return removed > 0 ? XCONFIG_DONE : XCONFIG_NOT_FOUND;
}

// Appends the section after one empty line (the last line of the file is
// ended first when it has no newline).
int createSection(std::string_view doc, std::string_view name, std::string_view id, const std::string_view *screen,
                  std::string &out)
{
    out.clear();
    if (hasNewline(name) || hasNewline(id) || (screen && hasNewline(*screen)))
        return XCONFIG_ERROR;
    SectionPos pos;
    if (findSection(doc, name, id, pos) == XCONFIG_DONE)
        return XCONFIG_EXISTS;
    const std::string_view eol = lineEnding(doc);
    out.reserve(doc.size() + name.size() + id.size() + 64);
    out.append(doc);
    if (!doc.empty() && doc.back() != '\n')
        out.append(eol);
    out.append(eol).append("Section ").append(quoted(name)).append(eol);
    out.append("\tIdentifier ").append(quoted(id)).append(eol);
    if (screen)
        out.append("\tScreen \"").append(*screen).append("\"").append(eol);
    out.append("EndSection").append(eol);
    return XCONFIG_DONE;
}

// Drops the section with the blank lines in front of it, from the newline
// that ends the line before it through the word EndSection, so the lines
// around it join without an extra empty line.
int deleteSection(std::string_view doc, std::string_view name, std::string_view id, std::string &out)
{
    out.clear();
    SectionPos pos;
    if (findSection(doc, name, id, pos) != XCONFIG_DONE)
        return XCONFIG_NOT_FOUND;
    size_t from = pos.start > 0 ? pos.start - 1 : 0;
    if (from > 0 && doc[from - 1] == '\r')
        --from;  // the CR of a CR LF line end goes with it
    out.append(doc.substr(0, from));
    out.append(doc.substr(pos.endWord));
    return XCONFIG_DONE;
}

}  // namespace mem

namespace {

// Runs an edit on the file's contents and replaces the file with the result
// when the edit produced one. The file is opened read-write first, so a file
// the caller may not change is refused (1) before anything is written.
template <typename Edit>
int editFile(const std::string &path, Edit edit)
{
    std::string doc, out;
    if (!file::read(path, doc, true))
        return XCONFIG_ERROR;
    const int rc = edit(doc, out);
    if (rc != XCONFIG_DONE && out.empty())
        return rc;
    return file::replace(path, out) ? rc : XCONFIG_ERROR;
}

template <typename Query>
int readFile(const std::string &path, Query query)
{
    std::string doc;
    if (!file::read(path, doc))
        return XCONFIG_ERROR;
    return query(doc);
}

}  // namespace

int getString(const std::string &path, std::string_view name, std::string_view id, std::string_view key, int index,
              std::string &value)
{
    value.clear();
    return readFile(path, [&](const std::string &doc) { return mem::getString(doc, name, id, key, index, value); });
}

int getEntry(const std::string &path, std::string_view name, std::string_view id, int index, std::string &line)
{
    line.clear();
    return readFile(path, [&](const std::string &doc) { return mem::getEntry(doc, name, id, index, line); });
}

int getSectionId(const std::string &path, std::string_view name, std::string &id, int &count)
{
    id.clear();
    count = 0;
    return readFile(path, [&](const std::string &doc) { return mem::getSectionId(doc, name, id, count); });
}

int sectionExists(const std::string &path, std::string_view name, std::string_view id)
{
    return readFile(path, [&](const std::string &doc) {
        SectionPos pos;
        return mem::findSection(doc, name, id, pos);
    });
}

int setString(const std::string &path, std::string_view name, std::string_view id, std::string_view key, int index,
              std::string_view value)
{
    return editFile(path, [&](const std::string &doc, std::string &out) {
        return mem::setString(doc, name, id, key, index, value, out);
    });
}

int setEntry(const std::string &path, std::string_view name, std::string_view id, std::string_view line)
{
    return editFile(path,
                    [&](const std::string &doc, std::string &out) { return mem::setEntry(doc, name, id, line, out); });
}

int deleteEntry(const std::string &path, std::string_view name, std::string_view id, std::string_view line)
{
    // A found section is rewritten in normal form even when no entry matched
    // (result 2); out is empty only when the section was not found.
    return editFile(
        path, [&](const std::string &doc, std::string &out) { return mem::deleteEntry(doc, name, id, line, out); });
}

int createSection(const std::string &path, std::string_view name, std::string_view id, const std::string_view *screen)
{
    return editFile(path, [&](const std::string &doc, std::string &out) {
        return mem::createSection(doc, name, id, screen, out);
    });
}

int deleteSection(const std::string &path, std::string_view name, std::string_view id)
{
    return editFile(path,
                    [&](const std::string &doc, std::string &out) { return mem::deleteSection(doc, name, id, out); });
}

int subString(std::string &text, int from, int to)
{
    if (to < from)
        return XCONFIG_ERROR;
    if (from == to || from < 1)
        return XCONFIG_NOT_FOUND;
    std::vector<size_t> quotes;
    for (size_t i = 0; i < text.size() && quotes.size() < static_cast<size_t>(to); ++i)
        if (text[i] == '"')
            quotes.push_back(i);
    if (quotes.size() < static_cast<size_t>(to))
        return XCONFIG_NOT_FOUND;
    const size_t first = quotes[from - 1] + 1;
    text = text.substr(first, quotes[to - 1] - first);
    return XCONFIG_DONE;
}

}  // namespace qev::xconfig

// ---- C interface -----------------------------------------------------------

namespace {

namespace xc = qev::xconfig;

// Copies text into a caller's buffer of XCONFIG_TEXT_MAX bytes; a text that
// does not fit leaves the buffer empty and fails.
bool put(char *dst, std::string_view text)
{
    if (text.size() >= XCONFIG_TEXT_MAX) {
        dst[0] = '\0';
        return false;
    }
    if (!text.empty())
        std::memcpy(dst, text.data(), text.size());
    dst[text.size()] = '\0';
    return true;
}

// Reads the whole stream from its beginning.
bool readStream(FILE *file, std::string &doc)
{
    doc.clear();
    rewind(file);
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, file)) > 0)
        doc.append(buf, n);
    return !ferror(file);
}

}  // namespace

extern "C" {

int GetLine(FILE *file, char *line)
{
    if (!file || !line)
        return XCONFIG_ERROR;
    int c = getc(file);
    if (c == EOF)
        return XCONFIG_ERROR;
    ungetc(c, file);
    std::string raw;
    for (;;) {
        raw.clear();
        while ((c = getc(file)) != EOF && c != '\n')
            raw += static_cast<char>(c);
        if (c == '\n' && !raw.empty() && raw.back() == '\r')
            raw.pop_back();  // a CR before the LF belongs to the line end
        const std::string_view text = xc::trim(raw);
        if (!text.empty())
            return put(line, text) ? XCONFIG_DONE : XCONFIG_ERROR;
        if (c == EOF)
            return XCONFIG_DONE;  // only blank lines remained; line unchanged
    }
}

int RemoveSpace(char *text)
{
    if (!text)
        return XCONFIG_ERROR;
    const std::string_view t = xc::trim(text);
    if (!t.empty())
        std::memmove(text, t.data(), t.size());
    text[t.size()] = '\0';
    return XCONFIG_DONE;
}

int RemoveRemark(char *text)
{
    if (!text)
        return XCONFIG_ERROR;
    if (char *hash = std::strchr(text, '#'))
        *hash = '\0';
    return RemoveSpace(text);
}

int DispartLine(char *line, char *key, char *value)
{
    if (!line || !key || !value)
        return XCONFIG_ERROR;
    key[0] = value[0] = '\0';
    RemoveSpace(line);
    if (std::strlen(line) >= XCONFIG_TEXT_MAX)
        return XCONFIG_ERROR;
    const xc::Split s = xc::splitLine(line);
    put(key, s.key);
    put(value, s.value);
    return XCONFIG_DONE;
}

int CheckDispartedKey(const char *key, const char *value, char *sectionName, char *identifier)
{
    if (!key || !value || !sectionName || !identifier)
        return XCONFIG_ERROR;
    const int kind = xc::classify(key);
    switch (kind) {
    case XCONFIG_LINE_SECTION:
        return put(sectionName, value) ? kind : XCONFIG_ERROR;
    case XCONFIG_LINE_IDENTIFIER:
        return put(identifier, value) ? kind : XCONFIG_ERROR;
    case XCONFIG_LINE_ENDSECTION:
        sectionName[0] = identifier[0] = '\0';
        return kind;
    default:
        return kind;
    }
}

int CheckPosOfSection(FILE *file, const char *sectionName, const char *identifier, long *start, long *end)
{
    if (!file || !sectionName || !identifier || !start || !end)
        return XCONFIG_ERROR;
    *start = *end = -1;
    std::string doc;
    if (!readStream(file, doc))
        return XCONFIG_ERROR;
    xc::SectionPos pos;
    const int rc = xc::mem::findSection(doc, sectionName, identifier, pos);
    if (rc == XCONFIG_DONE) {
        *start = static_cast<long>(pos.start);
        *end = static_cast<long>(pos.end);
    }
    return rc;
}

int CheckPosOfEntry(FILE *file, const char *key, long sectionStart, long sectionEnd, int index, long *lineStart,
                    long *lineEnd)
{
    if (!file || !key || !lineStart || !lineEnd)
        return XCONFIG_ERROR;
    *lineStart = *lineEnd = -1;
    std::string doc;
    if (!readStream(file, doc))
        return XCONFIG_ERROR;
    if (sectionStart < 0 || sectionEnd < 0)
        return XCONFIG_NOT_FOUND;
    size_t ls = 0, le = 0;
    const int rc = xc::mem::findEntry(doc, key, static_cast<size_t>(sectionStart), static_cast<size_t>(sectionEnd),
                                      index, ls, le);
    if (rc == XCONFIG_DONE) {
        *lineStart = static_cast<long>(ls);
        *lineEnd = static_cast<long>(le);
    }
    return rc;
}

int XConfig_GetString(const char *path, const char *sectionName, const char *identifier, const char *key, int index,
                      char *value)
{
    if (!path || !sectionName || !identifier || !key || !value)
        return XCONFIG_ERROR;
    value[0] = '\0';
    std::string v;
    const int rc = xc::getString(path, sectionName, identifier, key, index, v);
    if (rc == XCONFIG_DONE && !put(value, v))
        return XCONFIG_ERROR;
    return rc;
}

int XConfig_SetString(const char *path, const char *sectionName, const char *identifier, const char *key, int index,
                      const char *value)
{
    if (!path || !sectionName || !identifier || !key || !value)
        return XCONFIG_ERROR;
    return xc::setString(path, sectionName, identifier, key, index, value);
}

int XConfig_GetEntry(const char *path, const char *sectionName, const char *identifier, int index, char *line)
{
    if (!path || !sectionName || !identifier || !line)
        return XCONFIG_ERROR;
    line[0] = '\0';
    std::string v;
    const int rc = xc::getEntry(path, sectionName, identifier, index, v);
    if (rc == XCONFIG_DONE && !put(line, v))
        return XCONFIG_ERROR;
    return rc;
}

int XConfig_SetEntry(const char *path, const char *sectionName, const char *identifier, const char *line)
{
    if (!path || !sectionName || !identifier || !line)
        return XCONFIG_ERROR;
    return xc::setEntry(path, sectionName, identifier, line);
}

int XConfig_DeleteEntry(const char *path, const char *sectionName, const char *identifier, const char *line)
{
    if (!path || !sectionName || !identifier || !line)
        return XCONFIG_ERROR;
    return xc::deleteEntry(path, sectionName, identifier, line);
}

int XConfig_CreateSection(const char *path, const char *sectionName, const char *identifier)
{
    if (!path || !sectionName || !identifier)
        return XCONFIG_ERROR;
    return xc::createSection(path, sectionName, identifier);
}

int XConfig_CreateServerLayoutSection(const char *path, const char *sectionName, const char *identifier,
                                      const char *screen)
{
    if (!path || !sectionName || !identifier || !screen)
        return XCONFIG_ERROR;
    const std::string_view s(screen);
    return xc::createSection(path, sectionName, identifier, &s);
}

int XConfig_DeleteSection(const char *path, const char *sectionName, const char *identifier)
{
    if (!path || !sectionName || !identifier)
        return XCONFIG_ERROR;
    return xc::deleteSection(path, sectionName, identifier);
}

int XConfig_CheckIfSectionExisted(const char *path, const char *sectionName, const char *identifier)
{
    if (!path || !sectionName || !identifier)
        return XCONFIG_ERROR;
    return xc::sectionExists(path, sectionName, identifier);
}

int XConfig_GetSectionID(const char *path, const char *sectionName, char *identifier, int *count)
{
    if (!path || !sectionName || !identifier || !count)
        return XCONFIG_ERROR;
    identifier[0] = '\0';
    *count = 0;
    std::string id;
    int n = 0;
    const int rc = xc::getSectionId(path, sectionName, id, n);
    if (rc == XCONFIG_DONE) {
        if (!put(identifier, id))
            return XCONFIG_ERROR;
        *count = n;
    }
    return rc;
}

int XConfig_GetSubString(char *text, int from, int to)
{
    if (!text)
        return XCONFIG_ERROR;
    std::string t(text);
    const int rc = xc::subString(t, from, to);
    if (rc == XCONFIG_DONE) {
        std::memcpy(text, t.data(), t.size());
        text[t.size()] = '\0';
    }
    return rc;
}

}  // extern "C"
