// A serial line kept in memory for the fuzzers: it records what the host writes and answers
// each write with bytes a script chooses, handed to the receive thread in chunks.
#pragma once

#include "serial/serial_backend.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <vector>

namespace qlcos::fuzz {

// What the line does in reply to one write.
struct Answer {
    std::vector<unsigned char> Bytes;
    int ChunkBytes = 0;     // at most this many bytes per read; 0: all of them at once
    bool HangUp = false;    // once these bytes are read the line fails
    bool FailWrite = false; // the write itself fails (nothing is answered)
    // The script's AnswerTaken runs once every byte of this answer has been taken (or
    // flushed) and the receiving side asks for more.
    bool NotifyWhenTaken = false;
};

// Chooses the answer to each frame the host writes. Called on the writing thread, inside
// the write, so the answer is queued before the host starts waiting for it.
class LineScript {
public:
    virtual ~LineScript() = default;
    virtual Answer Respond(const unsigned char* frame, int length) = 0;
    // Runs on the thread that reads the line, for an answer that asked for it.
    virtual void AnswerTaken() {}
};

class MemoryLine : public qlcos::serial::SerialBackend {
public:
    // `script` must outlive the line.
    explicit MemoryLine(LineScript& script);

    ZanResult Open(const tagZANSerialPortProperty& property) override;
    ZanResult Configure(const tagZANSerialPortProperty& property) override;
    void Close() override;
    ZanResult Write(const unsigned char* bytes, int length, uint32_t timeoutMs) override;
    int WaitForInput(int timeoutMs) override;
    // A read that WaitForInput announced before a flush finds nothing: the bytes it announced
    // are gone, and bytes answered since are handed to the read after the next wait. (A line
    // that handed them to this read would lose them: the port control takes the pool's
    // generation before it reads, so it drops bytes read across a ClearPool as stale.)
    int ReadAvailable(unsigned char* buffer, int capacity) override;
    void Interrupt() override;
    void FlushInput() override;
    const std::string& Name() const override { return m_Name; }

    // Every frame written so far, in order.
    std::vector<std::vector<unsigned char>> Written() const;

private:
    LineScript& m_Script;
    const std::string m_Name = "memory line";

    mutable std::mutex m_Mutex;
    std::condition_variable m_Changed;
    bool m_Open = false;
    bool m_Interrupted = false; // consumed by the WaitForInput it wakes
    bool m_HangUpWhenRead = false;
    bool m_HungUp = false;
    bool m_NotifyPending = false; // AnswerTaken is due once the chunks are gone
    // Flushes so far, and their count when WaitForInput last said there were bytes.
    uint64_t m_Flushes = 0;
    uint64_t m_FlushesAtWake = 0;
    std::deque<std::vector<unsigned char>> m_Chunks; // answered, not read yet
    std::vector<std::vector<unsigned char>> m_Written;
};

} // namespace qlcos::fuzz
