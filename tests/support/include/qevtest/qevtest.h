// Everything the shared test support offers.
#ifndef QEVTEST_QEVTEST_H
#define QEVTEST_QEVTEST_H

#include "qevtest/fixture.h"
#include "qevtest/process.h"
#include "qevtest/sandbox.h"
#include "qevtest/xserver.h"

#endif
