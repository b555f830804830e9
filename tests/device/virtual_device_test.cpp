// The virtual device base's busy guard on its own.
#include "qlcos/virtual_device.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

TEST(VirtualDeviceBusyGuard, OneThreadHoldsTheDeviceAndNestedUnitsBalance)
{
    CZanVirtualDevice device;
    EXPECT_EQ(1u, device.Create(nullptr, nullptr));
    tagZanVirtualDeviceProperty property{{1, -1, 9600, 8, 0, 0}, 4, 0};
    EXPECT_EQ(0u, device.Create(nullptr, &property));

    EXPECT_EQ(0, device.IsBusy(0x7FFF)); // taken
    EXPECT_EQ(0, device.IsBusy(0x7FFF)); // the holder may nest
    std::atomic<int> other{-1};
    std::thread([&] { other = device.IsBusy(0x7FFF); }).join();
    EXPECT_EQ(1, other.load());
    std::thread([&] { other = device.CanIWork(); }).join();
    EXPECT_EQ(0, other.load());
    std::thread([&] { other = device.WaitForWork(30); }).join();
    EXPECT_EQ(0, other.load());

    device.WorkFinish();
    std::thread([&] { other = device.IsBusy(0x7FFF); }).join();
    EXPECT_EQ(1, other.load()); // one unit still open
    device.WorkFinish();
    device.WorkFinish(); // an extra finish changes nothing

    // A waiter takes the device the moment the holder finishes.
    ASSERT_EQ(0, device.IsBusy(0x7FFF));
    std::thread waiter([&] {
        other = device.WaitForWork(5000);
        if (other) device.WorkFinish();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    device.WorkFinish();
    waiter.join();
    EXPECT_EQ(1, other.load());
    EXPECT_EQ(1, device.CanIWork());
}
