// A driver deleted while its port is open, as by a host that forgot Destroy: the destructor
// must release the port, so that a second driver opens it at once.
#pragma once

#include "qlcos/host.h"

#include <gtest/gtest.h>

#include <memory>

namespace qlcos::test {

// Creates `Driver` on port `port` against a started `Sim` of its model, deletes it while open
// and opens the port again with a second one.
template <typename Driver, typename Sim> void DriverDeletedWhileOpen(int port)
{
    Sim sim;
    ASSERT_TRUE(sim.Start());
    zanSetSerialPortPath(port, sim.Path().c_str());
    auto driver = std::make_unique<Driver>();
    ASSERT_EQ(0u, driver->Create(port, -1));
    driver.reset();
    Driver again;
    EXPECT_EQ(0u, again.Create(port, -1)) << "the port was left open";
    again.Destroy();
    zanSetSerialPortPath(port, nullptr);
}

} // namespace qlcos::test
