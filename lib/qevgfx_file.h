// Whole-file reads and atomic replacement for the files the library rewrites
// (X configuration, gamma and overlay rc files, working copies).
#pragma once

#include <string>
#include <string_view>
#include <sys/types.h>

namespace qev::file {

// Reads the whole regular file at path into out. With forUpdate the file is
// opened read-write, so a file the caller may not change is refused before
// any work is done.
bool read(const std::string &path, std::string &out, bool forUpdate = false);

// Replaces path with data. The data goes to a temporary file in the target's
// directory, which is flushed to disk and renamed over the target; the target
// is never removed first, so afterwards it holds either the old or the new
// contents. A symbolic link is followed and stays in place. An existing file
// keeps its mode (and, where permitted, its owner); a new one gets
// newFileMode less the umask. On failure the temporary file is removed.
bool replace(const std::string &path, std::string_view data, mode_t newFileMode = 0644);

// Copies from to to byte for byte, replacing to atomically as above.
bool copy(const std::string &from, const std::string &to);

// True when something exists at path.
bool exists(const std::string &path);

}  // namespace qev::file
