// Message windows for POSIX hosts: a queue per window, filled by zanPostMessage (the
// library's own PostMessageW) from any thread and emptied by zanGetMessage.
#include "qlcos/host.h"
#include "platform/win32.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>

struct ZanWindow {
    std::mutex Mutex;
    std::condition_variable Arrived;
    std::deque<MSG> Queue;
    bool Destroyed = false;
};

namespace {

// Live windows. A handle is looked up here before use, so a message posted to a window
// that is gone is refused instead of touching freed memory.
std::mutex g_windowsMutex;
std::map<HWND, std::shared_ptr<ZanWindow>>& Windows()
{
    static auto* windows = new std::map<HWND, std::shared_ptr<ZanWindow>>();
    return *windows;
}

std::shared_ptr<ZanWindow> Find(HWND window)
{
    std::lock_guard<std::mutex> lock(g_windowsMutex);
    auto it = Windows().find(window);
    return it == Windows().end() ? nullptr : it->second;
}

} // namespace

HWND zanCreateMessageWindow()
{
    auto window = std::make_shared<ZanWindow>();
    std::lock_guard<std::mutex> lock(g_windowsMutex);
    Windows()[window.get()] = window;
    return window.get();
}

void zanDestroyMessageWindow(HWND window)
{
    std::shared_ptr<ZanWindow> found;
    {
        std::lock_guard<std::mutex> lock(g_windowsMutex);
        auto it = Windows().find(window);
        if (it == Windows().end()) return;
        found = it->second;
        Windows().erase(it);
    }
    std::lock_guard<std::mutex> lock(found->Mutex);
    found->Destroyed = true;
    found->Queue.clear();
    found->Arrived.notify_all();
}

BOOL zanPostMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    std::shared_ptr<ZanWindow> found = Find(window);
    if (!found) return 0;
    std::lock_guard<std::mutex> lock(found->Mutex);
    if (found->Destroyed) return 0;
    found->Queue.push_back(MSG{window, message, wParam, lParam, GetTickCount()});
    found->Arrived.notify_one();
    return 1;
}

BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return zanPostMessage(window, message, wParam, lParam);
}

BOOL zanGetMessage(HWND window, MSG* msg, DWORD timeoutMs)
{
    std::shared_ptr<ZanWindow> found = Find(window);
    if (!found || !msg) return 0;
    std::unique_lock<std::mutex> lock(found->Mutex);
    auto ready = [&] { return found->Destroyed || !found->Queue.empty(); };
    if (timeoutMs == INFINITE)
        found->Arrived.wait(lock, ready);
    else if (!found->Arrived.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready))
        return 0;
    if (found->Destroyed || found->Queue.empty()) return 0;
    *msg = found->Queue.front();
    found->Queue.pop_front();
    return 1;
}
