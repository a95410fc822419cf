// main() of every test binary: the whole run happens in a private mount
// namespace with scratch /etc/X11 and HOME.
#include <gtest/gtest.h>

#include "qevtest/sandbox.h"

int main(int argc, char** argv) {
    return qevtest::run_sandboxed([&] {
        testing::InitGoogleTest(&argc, argv);
        return RUN_ALL_TESTS();
    });
}
