// A thread object: created suspended, started with Resume, runs Execute on its own thread and
// then delivers OnTerminate on the main thread. Its owner frees it.
//
// Ending: after Execute the thread only queues the end notification for the main thread and
// returns, touching nothing of the object afterwards. The owner may therefore free the object
// inside OnTerminate; the destructor waits for the thread's last instructions to finish. An
// object freed before its notification ran never gets it.
#pragma once
#include <windows.h>

#include <atomic>
#include <exception>
#include <functional>
#include <memory>

class TThread {
public:
    TThread() = default;
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;
    virtual ~TThread();

    // Starts the thread; later calls do nothing.
    void Resume();
    bool Started() const { return handle != nullptr; }
    // Execute has returned and the end notification has run (main thread view).
    bool Finished() const { return finished; }
    // Waits until the thread has ended (Execute returned).
    void WaitFor();

    std::function<void()> OnTerminate;
    // What Execute raised, kept and not reported.
    std::exception_ptr FatalException;

protected:
    virtual void Execute() = 0;

private:
    static DWORD WINAPI ThreadProc(LPVOID self);

    HANDLE handle = nullptr;
    bool finished = false;
    // Cleared by the destructor. Destroy a thread object on the main thread (where its end
    // notification runs), or only once that notification can no longer be pending.
    std::shared_ptr<std::atomic<bool>> alive = std::make_shared<std::atomic<bool>>(true);
};
