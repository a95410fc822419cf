#include "xrandr_recorder.h"

#include <sys/stat.h>

#include <cstdlib>
#include <sstream>

namespace qevtest {

namespace {
constexpr char kEnd[] = "@@end-of-call@@";
}

XrandrRecorder::XrandrRecorder(bool forward) : dir_("xrandr") {
    const char *path = std::getenv("PATH");
    old_path_ = path ? path : "/usr/bin:/bin";
    std::string script = "#!/bin/sh\n"
                         "for a in \"$@\"; do printf '%s\\n' \"$a\"; done >> '" +
                         dir_.file("calls") +
                         "'\n"
                         "echo '" +
                         std::string(kEnd) + "' >> '" + dir_.file("calls") + "'\n";
    if (forward)
        script += "PATH='" + old_path_ + "' exec xrandr \"$@\"\n";
    write_file(dir_.file("xrandr"), script);
    chmod(dir_.file("xrandr").c_str(), 0755);
    setenv("PATH", (dir_.path() + ":" + old_path_).c_str(), 1);
}

XrandrRecorder::~XrandrRecorder() { setenv("PATH", old_path_.c_str(), 1); }

std::vector<Argv> XrandrRecorder::calls() const {
    std::vector<Argv> out;
    auto text = read_file(dir_.file("calls"));
    if (!text)
        return out;
    std::istringstream in(*text);
    Argv cur;
    for (std::string line; std::getline(in, line);) {
        if (line == kEnd) {
            out.push_back(cur);
            cur.clear();
        } else {
            cur.push_back(line);
        }
    }
    return out;
}

void XrandrRecorder::clear() { write_file(dir_.file("calls"), ""); }

} // namespace qevtest
