// Port numbers and pool copies at and beyond their bounds.
#include "line_test_device.h"
#include "support/pty_peer.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <string>

using namespace qlcos::test;

TEST(PortBounds, PortNumbersOutsideOneTo4096AreRefusedAndGetPoolDataKeepsToItsMaximum)
{
    PtyPeer peer;
    ASSERT_TRUE(peer.Ok());
    LineTestDevice device;
    const int threadsBefore = ThreadCount();
    // Every number is given a path that would open, so only the number can refuse it.
    for (int port : {INT_MIN, -1, 0, 4097, INT_MAX}) {
        const std::string variable = "QLCOS_COM" + std::to_string(port);
        setenv(variable.c_str(), peer.Path().c_str(), 1);
        EXPECT_EQ(ZAN_COM_ERR_OPEN, device.Open(port, 100)) << port;
        unsetenv(variable.c_str());
    }
    EXPECT_EQ(ZAN_COM_ERR_OPEN, device.Open(INT_MIN, 100)); // no /dev/ttyS<n-1> arithmetic
    EXPECT_EQ(threadsBefore, ThreadCountSettled(threadsBefore));
    zanSetSerialPortPath(4096, peer.Path().c_str());
    ASSERT_EQ(ZAN_COM_OK, device.Open(4096, 100));
    zanSetSerialPortPath(4096, nullptr);

    device.SetWaitResponse(0);
    const Bytes ten = {'0', '1', '2', '3', '4', '5', '6', '7', '8', '9'};
    peer.Write(ten);
    ASSERT_EQ(10, device.WaitForPoolData(10, 2000));
    unsigned char small[4] = {0xAA, 0xAA, 0xAA, 0xAA};
    EXPECT_EQ(0, device.GetPoolData(small, -1));
    EXPECT_EQ(0, device.GetPoolData(small, INT_MIN));
    EXPECT_EQ(Bytes(4, 0xAA), Bytes(small, small + 4));
    EXPECT_EQ(3, device.GetPoolData(small, 3));
    EXPECT_EQ(Bytes({'0', '1', '2', 0xAA}), Bytes(small, small + 4));
    EXPECT_EQ(ten, device.Pool()); // 0: the whole pool
}
