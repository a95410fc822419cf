// The private mount namespace every test process runs in: scratch
// directories over /etc/X11 and HOME, so tests never see or change the
// machine's X configuration or the user's files.
#ifndef QEVTEST_SANDBOX_H
#define QEVTEST_SANDBOX_H

#include <functional>
#include <string>

namespace qevtest {

// Creates a scratch tree, forks, and runs body in the child inside a new
// mount namespace (private propagation) where <scratch>/etc is bound over
// /etc/X11 and <scratch>/home over HOME. In the child, HOME and
// QEVTEST_SCRATCH are set and DISPLAY and XAUTHORITY are removed, so nothing
// reaches a user's display by accident; SIGPIPE is ignored (programs started
// with run() and X servers get the default back). The parent waits, removes the scratch
// tree and returns the child's exit status (128 + signal when it was killed).
// Returns 1 with a message when the namespace cannot be made (needs root).
int run_sandboxed(const std::function<int()>& body);

// True in a process that run_sandboxed set up.
bool in_sandbox();

}  // namespace qevtest

#endif
