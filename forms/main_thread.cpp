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
constexpr UINT WM_MARK = WM_APP + 0x52;

struct Queue {
    DWORD mainThread = GetCurrentThreadId();
    std::mutex lock;
    std::deque<std::function<void()>> items;
    std::atomic<HWND> window{nullptr};  // made on the main thread; WM_DRAIN wakes the loop
    int running = 0;                     // main thread only: queued closures now running
    unsigned long marks = 0, reached = 0;  // main thread only: QueueMark ids posted, dispatched
};

Queue& TheQueue() {
    static Queue q;
    return q;
}
// Static initialisation runs on the main thread: record it before any other thread exists.
const bool recorded = (TheQueue(), true);

bool Pending() {
    Queue& q = TheQueue();
    std::lock_guard<std::mutex> g(q.lock);
    return !q.items.empty();
}

LRESULT CALLBACK DrainProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_DRAIN) {
        DrainMainThread();
        // Closures posted while these ran wait behind the messages that came meanwhile.
        if (Pending()) LetLowPriorityMessagesThrough();
        return 0;
    }
    if (msg == WM_MARK) {
        Queue& q = TheQueue();
        if (static_cast<long>(wp - q.reached) > 0) q.reached = static_cast<unsigned long>(wp);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

}  // namespace

// While closures keep coming, a wake-up is always posted: these messages get their turn here.
void LetLowPriorityMessagesThrough() {
    MSG msg;
    if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE | PM_QS_INPUT | PM_QS_PAINT)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));  // for the loop that waits for it
            return;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    if (PeekMessageA(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE)) DispatchMessageA(&msg);
}

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
    size_t count;
    {
        std::lock_guard<std::mutex> g(q.lock);
        count = q.items.size();
    }
    // Only what is queued now: closures that keep coming (a busy channel) must not hold up the
    // messages behind them. Each later one has its own wake-up.
    for (; count > 0; --count) {
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

QueueMark::QueueMark() {
    Queue& q = TheQueue();
    if (IsMainThread() && q.window && PostMessageA(q.window, WM_MARK, ++q.marks, 0)) id = q.marks;
}

bool QueueMark::Reached() const {
    return id != 0 && static_cast<long>(TheQueue().reached - id) >= 0;
}

bool RunningQueuedWork() { return IsMainThread() && TheQueue().running > 0; }

}  // namespace forms
