// A stand-in "xrandr" placed first in PATH that records its arguments.
#ifndef QEVGFX_TEST_XRANDR_RECORDER_H
#define QEVGFX_TEST_XRANDR_RECORDER_H

#include <string>
#include <vector>

#include "qevtest/process.h"

namespace qevtest {

using Argv = std::vector<std::string>;

class XrandrRecorder {
  public:
    // forward: also run the real xrandr with the same arguments.
    explicit XrandrRecorder(bool forward = false);
    ~XrandrRecorder(); // restores PATH
    XrandrRecorder(const XrandrRecorder &) = delete;
    XrandrRecorder &operator=(const XrandrRecorder &) = delete;

    // Arguments (without argv[0]) of every run so far, oldest first.
    std::vector<Argv> calls() const;
    // The same, each run as one line of its arguments separated by spaces.
    std::vector<std::string> lines() const {
        std::vector<std::string> out;
        for (const Argv &argv : calls()) {
            std::string line;
            for (const std::string &a : argv)
                line += (line.empty() ? "" : " ") + a;
            out.push_back(line);
        }
        return out;
    }
    void clear();

  private:
    TempDir dir_;
    std::string old_path_;
};

} // namespace qevtest

#endif
