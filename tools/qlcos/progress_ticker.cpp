#include "progress_ticker.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace qlcos::tool {

void TickWhile(Progress& progress, int done, const std::string& note,
               const std::function<void()>& work)
{
    if (!progress.Shown()) {
        work();
        return;
    }
    const std::string prefix = note.empty() ? "" : note + "  ";
    progress.Update(done, prefix + "0 s");
    std::mutex mutex;
    std::condition_variable finished;
    bool over = false;
    std::thread ticker([&] {
        const auto start = std::chrono::steady_clock::now();
        std::unique_lock<std::mutex> lock(mutex);
        while (!finished.wait_for(lock, std::chrono::milliseconds(200), [&] { return over; })) {
            const double seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            progress.Update(done, prefix + NumberText(seconds, 1) + " s");
        }
    });
    // The ticker stops and is joined however `work` ends.
    struct Join {
        std::mutex& Mutex;
        std::condition_variable& Finished;
        bool& Over;
        std::thread& Ticker;
        ~Join()
        {
            {
                std::lock_guard<std::mutex> lock(Mutex);
                Over = true;
            }
            Finished.notify_all();
            Ticker.join();
        }
    } join{mutex, finished, over, ticker};
    work();
}

} // namespace qlcos::tool
