// Reads text lines from a FIFO on a thread of its own, for the stand-in colour mouse that a
// separate process drives.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace qlcos::sim {

class FifoReader {
public:
    using LineHandler = std::function<void(const std::string& line)>;

    // Longer lines are dropped whole.
    static constexpr size_t kMaxLineBytes = 256;

    // Opens `path` (which must be a FIFO) and starts the thread, which hands every complete
    // line (without its end) to `handler`. Null when the path is not a FIFO or cannot be
    // opened. Writers may come and go; the reader keeps running until destroyed.
    static std::unique_ptr<FifoReader> Start(const std::string& path, LineHandler handler);
    // Wakes and joins the thread, closes the FIFO.
    ~FifoReader();

    FifoReader(const FifoReader&) = delete;
    FifoReader& operator=(const FifoReader&) = delete;

private:
    FifoReader(int fd, int keeper, int wakeRead, int wakeWrite, LineHandler handler);
    void Run();
    void Take(const char* data, size_t n);

    int m_Fd;       // the FIFO, read end
    int m_Keeper;   // a write end of our own, so that a writer leaving is no hang-up
    int m_WakeRead; // a pipe that ends the thread's wait
    int m_WakeWrite;
    LineHandler m_Handler;
    std::string m_Pending;   // the line being received
    bool m_Dropping = false; // inside a line that grew too long
    std::thread m_Thread;
};

} // namespace qlcos::sim
