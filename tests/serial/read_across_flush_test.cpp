// A reply that the receive thread reads just after a ClearPool belongs to the command that
// follows it. An in-memory line holds the receive thread inside its read while the host
// clears the pool and sends: the reply it then reads must end the command's wait.
#include "serial/line_test_device.h"
#include "serial/serial_backend.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace qlcos::test {
namespace {

// Answers every write with STX 'R' ETX. Its first read after `Stray` takes 100 ms, as a
// receive thread held up by the scheduler would, and hands over what is queued by then.
class SlowReadLine : public serial::SerialBackend {
public:
    static SlowReadLine* Current;

    ZanResult Open(const tagZANSerialPortProperty&) override
    {
        Current = this;
        return ZAN_COM_OK;
    }
    ZanResult Configure(const tagZANSerialPortProperty&) override { return ZAN_COM_OK; }
    void Close() override { Current = nullptr; }
    ZanResult Write(const unsigned char*, int, uint32_t) override
    {
        Queue({0x02, 'R', 0x03});
        return ZAN_COM_OK;
    }
    int WaitForInput(int timeoutMs) override
    {
        std::unique_lock<std::mutex> lock(m_Mutex);
        auto ready = [&] { return m_Interrupted || !m_Queued.empty(); };
        if (timeoutMs < 0)
            m_Changed.wait(lock, ready);
        else if (!m_Changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready))
            return 2;
        return m_Interrupted ? 0 : 1;
    }
    int ReadAvailable(unsigned char* buffer, int capacity) override
    {
        std::unique_lock<std::mutex> lock(m_Mutex);
        if (m_SlowRead) {
            m_SlowRead = false;
            m_Changed.wait_for(lock, std::chrono::milliseconds(100), [&] { return m_Interrupted; });
        }
        const int n = std::min<int>(capacity, static_cast<int>(m_Queued.size()));
        std::copy(m_Queued.begin(), m_Queued.begin() + n, buffer);
        m_Queued.erase(m_Queued.begin(), m_Queued.begin() + n);
        return n;
    }
    void Interrupt() override
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Interrupted = true;
        m_Changed.notify_all();
    }
    void FlushInput() override
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Queued.clear();
    }
    const std::string& Name() const override { return m_Name; }

    // A stray byte, whose read will be slow.
    void Stray()
    {
        {
            std::lock_guard<std::mutex> lock(m_Mutex);
            m_SlowRead = true;
        }
        Queue({'x'});
    }

private:
    void Queue(const Bytes& bytes)
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Queued.insert(m_Queued.end(), bytes.begin(), bytes.end());
        m_Changed.notify_all();
    }

    std::mutex m_Mutex;
    std::condition_variable m_Changed;
    Bytes m_Queued;
    bool m_SlowRead = false;
    bool m_Interrupted = false;
    std::string m_Name = "slow read line";
};
SlowReadLine* SlowReadLine::Current = nullptr;

TEST(ReadAcrossFlush, AReplyReadJustAfterAClearPoolEndsTheWaitOfTheCommandThatFollows)
{
    serial::SetSerialBackendFactoryForTests([]() -> std::unique_ptr<serial::SerialBackend> {
        return std::make_unique<SlowReadLine>();
    });
    {
        LineTestDevice device;
        ASSERT_EQ(0u, device.Open(1, 1000));
        ASSERT_NE(nullptr, SlowReadLine::Current);
        SlowReadLine::Current->Stray();
        std::this_thread::sleep_for(std::chrono::milliseconds(20)); // the read is under way
        const auto start = std::chrono::steady_clock::now();
        const Bytes reply = device.Ask({'Q', 0x03});
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        EXPECT_EQ((Bytes{0x02, 'R', 0x03}), reply);
        EXPECT_LT(ms, 500.0); // not the whole time-out
    }
    serial::SetSerialBackendFactoryForTests(nullptr);
}

} // namespace
} // namespace qlcos::test
