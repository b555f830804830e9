// The in-memory serial line of the fuzzers.
#include "fuzz/memory_line.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace qlcos::fuzz {

MemoryLine::MemoryLine(LineScript& script) : m_Script(script) {}

ZanResult MemoryLine::Open(const tagZANSerialPortProperty&)
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    if (m_Open) return ZAN_COM_ERR_ALREADY_OPEN;
    m_Open = true;
    return ZAN_COM_OK;
}

ZanResult MemoryLine::Configure(const tagZANSerialPortProperty&)
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    return m_Open ? ZAN_COM_OK : ZAN_COM_ERR_NOT_OPEN;
}

void MemoryLine::Close()
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_Open = false;
    m_Chunks.clear();
    m_Changed.notify_all();
}

ZanResult MemoryLine::Write(const unsigned char* bytes, int length, uint32_t)
{
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        if (!m_Open) return ZAN_COM_ERR_NOT_OPEN;
        if (m_HungUp) return ZAN_COM_ERR_LINE_CLOSED;
        m_Written.emplace_back(bytes, bytes + length);
    }
    // The script runs outside the lock: the receive thread may read meanwhile.
    Answer answer = m_Script.Respond(bytes, length);
    if (answer.FailWrite) return ZAN_COM_ERR_WRITE;
    std::lock_guard<std::mutex> lock(m_Mutex);
    const size_t total = answer.Bytes.size();
    const size_t step = answer.ChunkBytes > 0 ? static_cast<size_t>(answer.ChunkBytes) : total;
    for (size_t at = 0; at < total; at += step) {
        const size_t n = std::min(step, total - at);
        m_Chunks.emplace_back(answer.Bytes.begin() + at, answer.Bytes.begin() + at + n);
    }
    if (answer.HangUp) m_HangUpWhenRead = true;
    if (answer.NotifyWhenTaken) m_NotifyPending = true;
    m_Changed.notify_all();
    return ZAN_COM_OK;
}

int MemoryLine::WaitForInput(int timeoutMs)
{
    std::unique_lock<std::mutex> lock(m_Mutex);
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
    for (;;) {
        auto ready = [&] {
            return m_Interrupted || !m_Chunks.empty() || m_NotifyPending || m_HangUpWhenRead ||
                   m_HungUp || !m_Open;
        };
        if (timeoutMs < 0)
            m_Changed.wait(lock, ready);
        else if (!m_Changed.wait_until(lock, deadline, ready))
            return 2;
        if (m_Interrupted) {
            m_Interrupted = false;
            return 0;
        }
        if (!m_Chunks.empty()) {
            m_FlushesAtWake = m_Flushes;
            return 1;
        }
        if (!m_NotifyPending) break;
        // The reader is back for more: every byte of the answer has been delivered.
        m_NotifyPending = false;
        lock.unlock();
        m_Script.AnswerTaken();
        lock.lock();
    }
    m_HungUp = true;
    return -1;
}

int MemoryLine::ReadAvailable(unsigned char* buffer, int capacity)
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    if (m_Chunks.empty()) return m_HungUp || m_HangUpWhenRead || !m_Open ? -1 : 0;
    if (capacity <= 0 || m_FlushesAtWake != m_Flushes) return 0;
    std::vector<unsigned char>& chunk = m_Chunks.front();
    const size_t n = std::min(chunk.size(), static_cast<size_t>(capacity));
    std::memcpy(buffer, chunk.data(), n);
    if (n == chunk.size())
        m_Chunks.pop_front();
    else
        chunk.erase(chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(n));
    return static_cast<int>(n);
}

void MemoryLine::Interrupt()
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_Interrupted = true;
    m_Changed.notify_all();
}

void MemoryLine::FlushInput()
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_Chunks.clear();
    ++m_Flushes;
    m_Changed.notify_all();
}

std::vector<std::vector<unsigned char>> MemoryLine::Written() const
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    return m_Written;
}

} // namespace qlcos::fuzz
