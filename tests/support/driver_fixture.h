// What the driver tests share: framed request bytes built independently of the library, and
// a fixture that puts a driver and its simulator on a pseudo-terminal.
#pragma once

#include "qlcos/host.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace qlcos::test {

// STX, the characters of `body`, ETX and the block check (XOR of the bytes after STX up to
// and including ETX), computed here so that a fault in the library's own cannot hide.
inline std::vector<uint8_t> Frame(const std::string& body)
{
    std::vector<uint8_t> f;
    f.reserve(body.size() + 3);
    f.push_back(0x02);
    for (char c : body) f.push_back(static_cast<uint8_t>(c));
    f.push_back(0x03);
    uint8_t x = 0;
    for (size_t i = 1; i < f.size(); ++i) x ^= f[i];
    f.push_back(x);
    return f;
}

// `value` as `digits` upper-case hexadecimal digits.
inline std::string Hex(unsigned value, int digits)
{
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, value);
    return text;
}

// No upper bound for Takes.
inline constexpr double kNoUpperBound = 1e12;

// Calls `call` and checks that it returned `expected` after at least `minMs` and less than
// `maxMs` milliseconds.
template <typename Call>
::testing::AssertionResult Takes(ZanResult expected, double minMs, double maxMs, Call call)
{
    const auto start = std::chrono::steady_clock::now();
    const ZanResult result = call();
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    if (result == expected && ms >= minMs && ms < maxMs) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "returned " << Hex(result, 8) << " (expected " << Hex(expected, 8) << ") after " << ms
           << " ms (expected " << minMs << " to " << maxMs << ")";
}

// A driver and its simulator, the simulator's terminal registered as port `Port`.
template <typename Driver, typename Sim, int Port>
class DriverOnSimulator : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sim.Start());
        zanSetSerialPortPath(Port, sim.Path().c_str());
    }
    void TearDown() override { zanSetSerialPortPath(Port, nullptr); }

    // Creates the driver and clears the simulator's log of the creation's frames.
    void CreateDriver()
    {
        ASSERT_EQ(0u, driver.Create(Port, -1));
        sim.ClearLog();
    }
    // The same, the controller reporting shutter times t1, t2, t3 (the driver caches them).
    void CreateDriver(uint16_t t1, uint16_t t2, uint16_t t3)
    {
        auto state = sim.State();
        state.Shutter[0] = t1;
        state.Shutter[1] = t2;
        state.Shutter[2] = t3;
        sim.SetState(state);
        CreateDriver();
    }

    Sim sim;
    Driver driver;
};

} // namespace qlcos::test
