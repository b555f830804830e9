// The COM ports that scripts/test-windows.sh links to simulators running beside the tests:
// each port number comes from an environment variable.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>

namespace qlcos::test {

// The port number in environment variable `name`; fails the test when it is not set.
inline int SimulatedPort(const char* name)
{
    const char* text = std::getenv(name);
    EXPECT_TRUE(text && *text) << name << " is not set: run the suite with scripts/test-windows.sh";
    return text && *text ? std::atoi(text) : 0;
}

} // namespace qlcos::test
