#include "forms/main_thread.h"

#include <windows.h>

#include <atomic>
#include <deque>
#include <mutex>

#include "forms/guard.h"
#include "forms/module.h"

namespace forms {
namespace {

constexpr UINT WM_DRAIN = WM_APP + 0x51;

struct Queue {
    DWORD mainThread = GetCurrentThreadId();
    std::mutex lock;
    std::deque<std::function<void()>> items;
    std::atomic<HWND> window{nullptr};  // made on the main thread; WM_DRAIN wakes the loop
    int running = 0;                     // main thread only: queued closures now running
};

Queue& TheQueue() {
    static Queue q;
    return q;
}
// Static initialisation runs on the main thread: record it before any other thread exists.
const bool recorded = (TheQueue(), true);

LRESULT CALLBACK DrainProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_DRAIN) {
        DrainMainThread();
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

}  // namespace

bool IsMainThread() { return GetCurrentThreadId() == TheQueue().mainThread; }

void PrepareMainThread() {
    Queue& q = TheQueue();
    if (q.window || !IsMainThread()) return;
    KeepModuleLoaded();
    WNDCLASSA wc{};
    wc.lpfnWndProc = DrainProc;
    wc.hInstance = forms::ModuleInstance();
    wc.lpszClassName = "FormsMainThreadQueue";
    RegisterClassA(&wc);
    q.window = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                               wc.hInstance, nullptr);
    if (q.window) PostMessageA(q.window, WM_DRAIN, 0, 0);  // for anything queued before
}

void PostToMainThread(std::function<void()> fn) {
    Queue& q = TheQueue();
    {
        std::lock_guard<std::mutex> g(q.lock);
        q.items.push_back(std::move(fn));
    }
    // A wake-up per item: a drain takes everything, so extra wake-ups find the queue empty,
    // and a wake-up that some modal loop swallowed cannot strand the rest.
    if (q.window) PostMessageA(q.window, WM_DRAIN, 0, 0);
}

void DrainMainThread() {
    if (!IsMainThread()) return;
    Queue& q = TheQueue();
    for (;;) {
        std::function<void()> fn;
        {
            std::lock_guard<std::mutex> g(q.lock);
            if (q.items.empty()) return;
            fn = std::move(q.items.front());
            q.items.pop_front();
        }
        ++q.running;
        Guard(fn);
        --q.running;
    }
}

bool RunningQueuedWork() { return IsMainThread() && TheQueue().running > 0; }

}  // namespace forms
