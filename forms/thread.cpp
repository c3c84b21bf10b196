#include "forms/thread.h"

#include "forms/main_thread.h"

TThread::~TThread() {
    *alive = false;  // a notification still queued finds the object gone
    if (handle) {
        WaitForSingleObject(handle, INFINITE);
        CloseHandle(handle);
    }
}

void TThread::Resume() {
    if (handle) return;
    forms::PrepareMainThread();
    handle = CreateThread(nullptr, 0, &TThread::ThreadProc, this, 0, nullptr);
}

void TThread::WaitFor() {
    if (handle) WaitForSingleObject(handle, INFINITE);
}

DWORD WINAPI TThread::ThreadProc(LPVOID param) {
    auto* self = static_cast<TThread*>(param);
    try {
        self->Execute();
    } catch (...) {
        self->FatalException = std::current_exception();
    }
    std::weak_ptr<std::atomic<bool>> token = self->alive;
    forms::PostToMainThread([self, token] {
        auto a = token.lock();
        if (!a || !*a) return;
        self->finished = true;
        // A copy: the handler may free the object, and with it OnTerminate.
        auto handler = self->OnTerminate;
        if (handler) handler();
    });
    return 0;  // nothing of the object is touched after the hand-over
}
