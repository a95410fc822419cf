#include "scheme_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "qevgfx_file.h"

namespace {

// Larger files are not read: no scheme file comes near this.
constexpr off_t kMaxSchemeFileSize = 16 * 1024 * 1024;

uint32_t ReadLe32(const std::string &data)
{
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(data[static_cast<size_t>(i)]);
    return v;
}

void AppendLe32(std::string &data, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        data.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
}

std::string DirectoryOf(const std::string &path)
{
    size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The file as it is now, or an empty one when it does not exist.
bool ReadForChange(const SchemeFile &file, SchemeContents &contents, bool absentIsEmpty)
{
    SchemeReadStatus status = ReadSchemeFile(file, contents);
    if (status == SchemeReadStatus::Absent && absentIsEmpty) {
        contents = SchemeContents{};
        return true;
    }
    return status == SchemeReadStatus::Ok;
}

}  // namespace

std::string SchemeRecordName(const std::string &record)
{
    size_t limit = record.size() < kSchemeNameSize ? record.size() : kSchemeNameSize;
    size_t length = strnlen(record.data(), limit);
    return record.substr(0, length);
}

SchemeReadStatus ReadSchemeFile(const SchemeFile &file, SchemeContents &out)
{
    out = SchemeContents{};
    struct stat st {};
    if (stat(file.path.c_str(), &st) != 0)
        return errno == ENOENT ? SchemeReadStatus::Absent : SchemeReadStatus::Unreadable;
    if (!S_ISREG(st.st_mode))
        return SchemeReadStatus::Unreadable;
    if (st.st_size > kMaxSchemeFileSize)
        return SchemeReadStatus::Damaged;
    std::string data;
    if (!qev::file::read(file.path, data))
        return SchemeReadStatus::Unreadable;

    const SchemeLayout &layout = file.layout;
    if (data.size() < layout.HeaderSize())
        return SchemeReadStatus::Damaged;
    uint32_t count = ReadLe32(data);
    if (layout.signedCount && static_cast<int32_t>(count) < 0)
        return SchemeReadStatus::Damaged;
    // 64-bit arithmetic: no N of 32 bits overflows it.
    if (static_cast<uint64_t>(data.size()) != layout.HeaderSize() + static_cast<uint64_t>(layout.recordSize) * count)
        return SchemeReadStatus::Damaged;

    out.active = data.substr(4, layout.recordSize);
    out.named.reserve(count);
    for (size_t k = 0, at = layout.HeaderSize(); k < count; ++k, at += layout.recordSize)
        out.named.push_back(data.substr(at, layout.recordSize));
    return SchemeReadStatus::Ok;
}

std::string SerializeSchemeFile(const SchemeLayout &layout, const SchemeContents &contents)
{
    std::string data;
    data.reserve(layout.FileSize(contents.named.size()));
    AppendLe32(data, static_cast<uint32_t>(contents.named.size()));
    auto append = [&](const std::string &record) {
        std::string fixed = record;
        fixed.resize(layout.recordSize, '\0');
        data += fixed;
    };
    append(contents.active);
    for (const std::string &record : contents.named)
        append(record);
    return data;
}

bool WriteSchemeFile(const SchemeFile &file, const SchemeContents &contents)
{
    if (!file.writable)
        return false;
    return qev::file::replace(file.path, SerializeSchemeFile(file.layout, contents), 0644);
}

std::string SetSchemeFileAside(const std::string &path)
{
    for (int n = 0; n < 100; ++n) {
        std::string aside = path + ".damaged";
        if (n > 0)
            aside += "." + std::to_string(n);
        struct stat st {};
        if (lstat(aside.c_str(), &st) == 0)
            continue;  // an earlier damaged file stays as it is
        return rename(path.c_str(), aside.c_str()) == 0 ? aside : std::string();
    }
    return {};
}

bool SchemeFileWritable(const std::string &path)
{
    if (access(DirectoryOf(path).c_str(), W_OK) != 0)
        return false;
    return access(path.c_str(), F_OK) != 0 || access(path.c_str(), W_OK) == 0;
}

bool AddSchemeRecord(const SchemeFile &file, const std::string &record)
{
    SchemeContents contents;
    if (!ReadForChange(file, contents, true))
        return false;
    contents.active = record;
    contents.named.push_back(record);
    return WriteSchemeFile(file, contents);
}

bool DeleteActiveSchemeRecord(const SchemeFile &file)
{
    SchemeContents contents;
    if (!ReadForChange(file, contents, false))
        return false;
    const std::string name = SchemeRecordName(contents.active);
    std::vector<std::string> kept;
    for (const std::string &record : contents.named)
        if (SchemeRecordName(record) != name)
            kept.push_back(record);
    if (kept.size() + 1 != contents.named.size())
        return false;  // no record, or more than one, carries the active name
    contents.named = std::move(kept);
    if (contents.named.empty())
        std::fill_n(contents.active.begin(), file.layout.clearedNameBytes, '\0');
    return WriteSchemeFile(file, contents);
}

SchemeSelect SelectSchemeRecord(const SchemeFile &file, const std::string &name, std::string &record)
{
    SchemeContents contents;
    if (!ReadForChange(file, contents, false))
        return SchemeSelect::FileError;
    for (const std::string &candidate : contents.named) {
        if (SchemeRecordName(candidate) == name) {
            record = candidate;
            contents.active = candidate;
            WriteSchemeFile(file, contents);
            return SchemeSelect::Found;
        }
    }
    return SchemeSelect::NotFound;
}

bool WriteActiveSchemeRecord(const SchemeFile &file, const std::string &record, bool create)
{
    SchemeContents contents;
    if (!ReadForChange(file, contents, create))
        return false;
    contents.active = record;
    if (!WriteSchemeFile(file, contents))
        return false;
    if (!file.backupPath.empty())
        unlink(file.backupPath.c_str());
    return true;
}
