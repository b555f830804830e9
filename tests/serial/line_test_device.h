// What the line-fault tests share: a device that waits for replies ending in ETX, and a
// simulator that answers each ETX-terminated request with STX 'R' request, or stays mute.
#pragma once

#include "qlcos/host.h"
#include "qlcos/serial.h"
#include "sim/pty_device.h"

#include <atomic>
#include <vector>

namespace qlcos::test {

using Bytes = std::vector<unsigned char>;
constexpr unsigned char kEtx = 0x03;

class LineTestDevice : public CZanComDevice {
public:
    static constexpr uint32_t kPoolBytes = 64;
    ~LineTestDevice() override { Destroy(); }

    ZanResult PostAttach() override
    {
        AllocPool(kPoolBytes);
        AppendProtocol(&m_Protocol);
        return CZanComDevice::PostAttach();
    }
    void OnErr() override { ++LineErrors; }

    ZanResult Open(int port, uint32_t waitMs)
    {
        tagZANSerialPortProperty property{port, -1, 9600, 8, 0, 0};
        m_Protocol.m_EventChar1 = kEtx;
        m_Protocol.SetEventChar1Mode(1);
        SetWaitResponse(1);
        SetWaitTimeOut(waitMs);
        return Create(&property);
    }
    // The pool after a GetPoolData.
    Bytes Pool()
    {
        Bytes pool(kPoolBytes);
        pool.resize(static_cast<size_t>(GetPoolData(pool.data(), 0)));
        return pool;
    }
    // ClearPool, Send (its result in *sent), and the pool after the wait.
    Bytes Ask(const Bytes& command, ZanResult* sent = nullptr)
    {
        ClearPool();
        const ZanResult result = Send(command.data(), static_cast<int>(command.size()), this);
        if (sent) *sent = result;
        return Pool();
    }

    std::atomic<int> LineErrors{0};

private:
    CZanProtocolEventChar m_Protocol;
};

inline Bytes EchoOf(const Bytes& request)
{
    Bytes reply{0x02, 'R'};
    reply.insert(reply.end(), request.begin(), request.end());
    return reply;
}

class EchoPeer : public qlcos::sim::PtyDevice {
public:
    ~EchoPeer() override { Stop(); }
    std::atomic<bool> Mute{false};

protected:
    void OnBytes(const uint8_t* data, size_t n) override
    {
        for (size_t i = 0; i < n; ++i) {
            if (m_Request.size() < 4096) m_Request.push_back(data[i]);
            if (data[i] != kEtx) continue;
            LogFrame(m_Request);
            const Bytes reply = EchoOf(m_Request);
            if (!Mute) Write(reply.data(), reply.size());
            m_Request.clear();
        }
    }

private:
    Bytes m_Request; // reader thread only
};

} // namespace qlcos::test
