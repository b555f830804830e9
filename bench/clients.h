// The clients the benchmark compares, each on its own simulator: a raw client that writes a
// request and reads its reply with nothing in between (the floor any library stands on),
// a controller driver, and the light-engine device that forwards to its driver.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace qlcos::bench {

class Client {
public:
    virtual ~Client() = default;
    // Connects to the simulator on `path` under port number `port`.
    virtual bool Open(int port, const std::string& path) = 0;
    // One request and its whole reply; false when it failed.
    virtual bool Command() = 0;
};

// A framed request with its block check: STX letter '0' command parameter ETX check.
std::vector<unsigned char> FramedRequest(char letter, char command, char parameter);

// Writes `request` and reads up to the reply's ETX and the block check after it.
std::unique_ptr<Client> MakeRawClient(std::vector<unsigned char> request);
// Lamp controller 2's GetShutterTime(1) through the driver and through the device.
std::unique_ptr<Client> MakeDriverShutterClient();
std::unique_ptr<Client> MakeDeviceShutterClient();
// The LCD's GetGammaData(0) through the driver: a reply of 776 bytes and its block check.
std::unique_ptr<Client> MakeDriverGammaClient();

} // namespace qlcos::bench
