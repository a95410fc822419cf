#include "qevgfx_spawn.h"

#include <cerrno>
#include <spawn.h>
#include <sys/wait.h>

extern char **environ;

namespace qev {

int RunProgram(const std::vector<std::string> &argv) {
    if (argv.empty())
        return -1;
    std::vector<char *> cargv;
    cargv.reserve(argv.size() + 1);
    for (const std::string &a : argv)
        cargv.push_back(const_cast<char *>(a.c_str()));
    cargv.push_back(nullptr);

    pid_t pid = -1;
    if (posix_spawnp(&pid, cargv[0], nullptr, nullptr, cargv.data(), environ) != 0)
        return -1;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    return status;
}

void RunXrandr(const std::vector<std::string> &args) {
    std::vector<std::string> argv;
    argv.reserve(args.size() + 1);
    argv.emplace_back("xrandr");
    argv.insert(argv.end(), args.begin(), args.end());
    (void)RunProgram(argv);
}

void AppendWords(std::vector<std::string> &args, std::string_view piece) {
    size_t pos = 0;
    while (pos < piece.size()) {
        size_t end = piece.find(' ', pos);
        if (end == std::string_view::npos)
            end = piece.size();
        if (end > pos)
            args.emplace_back(piece.substr(pos, end - pos));
        pos = end + 1;
    }
}

} // namespace qev
