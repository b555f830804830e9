#include "bench/clients.h"

#include "qlcos/qlcos.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace qlcos::bench {

namespace {

class RawClient final : public Client {
public:
    explicit RawClient(std::vector<unsigned char> request) : m_Request(std::move(request)) {}
    ~RawClient() override
    {
        if (m_Fd >= 0) ::close(m_Fd);
    }

    bool Open(int, const std::string& path) override
    {
        m_Fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (m_Fd < 0) return false;
        termios settings{};
        if (::tcgetattr(m_Fd, &settings) != 0) return false;
        ::cfmakeraw(&settings);
        ::cfsetspeed(&settings, B9600);
        return ::tcsetattr(m_Fd, TCSANOW, &settings) == 0;
    }

    bool Command() override
    {
        const auto size = static_cast<ssize_t>(m_Request.size());
        if (::write(m_Fd, m_Request.data(), m_Request.size()) != size) return false;
        bool etx = false;
        for (;;) {
            pollfd p{m_Fd, POLLIN, 0};
            if (::poll(&p, 1, 3000) <= 0) return false;
            const ssize_t n = ::read(m_Fd, m_Reply, sizeof m_Reply);
            if (n < 0 && errno != EAGAIN && errno != EINTR) return false;
            for (ssize_t i = 0; i < n; ++i) {
                if (etx) return true; // the block check after ETX
                etx = m_Reply[i] == 0x03;
            }
        }
    }

private:
    std::vector<unsigned char> m_Request;
    int m_Fd = -1;
    unsigned char m_Reply[4096];
};

class DriverShutterClient final : public Client {
public:
    ~DriverShutterClient() override { m_Lamp.Destroy(); }
    bool Open(int port, const std::string& path) override
    {
        zanSetSerialPortPath(port, path.c_str());
        return m_Lamp.Create(port, -1) == 0;
    }
    bool Command() override
    {
        unsigned short time = 0;
        return m_Lamp.GetShutterTime(1, time) == 0;
    }

private:
    CQLampControl2 m_Lamp;
};

class DeviceShutterClient final : public Client {
public:
    ~DeviceShutterClient() override { m_Device.Destroy(); }
    bool Open(int port, const std::string& path) override
    {
        zanSetSerialPortPath(port, path.c_str());
        tagZanVirtualDeviceProperty property{{port, -1, 9600, 8, 0, 0}, 0, 0};
        return m_Device.Create(nullptr, &property) == 0;
    }
    bool Command() override
    {
        unsigned short time = 0;
        return m_Device.GetShutterTime(1, &time) == 0;
    }

private:
    CZanLCosCtrl m_Device;
};

class DriverGammaClient final : public Client {
public:
    ~DriverGammaClient() override { m_Lcd.Destroy(); }
    bool Open(int port, const std::string& path) override
    {
        zanSetSerialPortPath(port, path.c_str());
        return m_Lcd.Create(port, -1) == 0;
    }
    bool Command() override { return m_Lcd.GetGammaData(0, m_Values) == 0; }

private:
    CQLCDControl m_Lcd;
    unsigned short m_Values[256];
};

} // namespace

std::vector<unsigned char> FramedRequest(char letter, char command, char parameter)
{
    std::vector<unsigned char> frame = {0x02,
                                        static_cast<unsigned char>(letter),
                                        '0',
                                        static_cast<unsigned char>(command),
                                        static_cast<unsigned char>(parameter),
                                        0x03};
    unsigned char check = 0;
    for (size_t i = 1; i < frame.size(); ++i) check ^= frame[i];
    frame.push_back(check);
    return frame;
}

std::unique_ptr<Client> MakeRawClient(std::vector<unsigned char> request)
{
    return std::make_unique<RawClient>(std::move(request));
}
std::unique_ptr<Client> MakeDriverShutterClient()
{
    return std::make_unique<DriverShutterClient>();
}
std::unique_ptr<Client> MakeDeviceShutterClient()
{
    return std::make_unique<DeviceShutterClient>();
}
std::unique_ptr<Client> MakeDriverGammaClient() { return std::make_unique<DriverGammaClient>(); }

} // namespace qlcos::bench
