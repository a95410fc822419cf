// Running programs and handling files from tests.
#ifndef QEVTEST_PROCESS_H
#define QEVTEST_PROCESS_H

#include <optional>
#include <string>
#include <vector>

namespace qevtest {

struct RunOptions {
    // Environment changes: "KEY=VALUE" sets, "KEY" alone removes.
    std::vector<std::string> env;
    std::string input;  // fed to the program's standard input
    int timeout_ms = 60000;
};

struct RunResult {
    int exit_code = -1;  // exit status when the program exited
    int signal = 0;      // terminating signal, 0 when it exited
    bool timed_out = false;
    bool spawned = false;
    std::string out, err;
    bool ok() const { return spawned && !timed_out && signal == 0 && exit_code == 0; }
};

// Runs argv[0] (searched in PATH) with posix_spawnp, captures standard output
// and standard error, and waits for it. A program still running at the
// timeout is killed (SIGKILL) and reported with timed_out.
RunResult run(const std::vector<std::string>& argv, const RunOptions& options = {});

// Writes text to path (created or truncated). False on any error.
bool write_file(const std::string& path, const std::string& text);
std::optional<std::string> read_file(const std::string& path);
bool file_exists(const std::string& path);
// The lines of text, without their line ends.
std::vector<std::string> lines(const std::string& text);

// A fresh directory under the test scratch tree, removed with its content.
class TempDir {
public:
    explicit TempDir(const std::string& prefix = "tmp");
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Writes an adapter profile under name into a scratch directory that lives
// as long as the test process; returns its path.
std::string write_profile(const std::string& name, const std::string& text);

// Runs a probe program on the framebuffer stand-in: the stand-in preloaded,
// no X display, the adapter profile (text, written into dir) and the
// stand-in's request log at dir/fb.log.
RunResult run_fb_probe(const std::string& probe, const std::string& standin, const TempDir& dir,
                       const std::string& profile);

// Removes a directory tree without crossing mount points or following links.
void remove_tree(const std::string& path);

// Source and build trees of the project (QEVSIM_BUILD_DIR overrides the latter),
// and the path of a profile file in sim/profiles.
std::string source_dir();
std::string build_dir();
std::string profile_path(const std::string& name);

}  // namespace qevtest

#endif
