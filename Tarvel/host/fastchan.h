// The server side of one fast channel: its kernel objects, the count of starts not yet matched by
// stops, and the waiting thread that hands each signalled request to the request handler.
//
// Lifetime: the server owns its waiting thread. Destroying the server stops the thread and waits
// for it to end, on whichever thread the server is destroyed, without waiting for the main
// thread; only then are the events, the view and the mapping closed. The thread's end
// notification is bound to nothing of the server, because it arrives later on the main thread,
// when the server may already be gone.
#pragma once
#include <windows.h>

#include <atomic>
#include <memory>

#include "Tarvel/engine/modelset.h"
#include "conna.h"
#include "forms/main_thread.h"
#include "forms/thread.h"

template <typename T>
class ConnA_Server;

// Waits on the request event in slices of one second, so that a stop reaches it within about a
// second, and answers each signalled request by calling the server's handler.
template <typename T>
class TWaitThread final : public TThread {
public:
    explicit TWaitThread(ConnA_Server<T>* s) : server(s) {}
    ConnA_Server<T>* server;

protected:
    void Execute() override {
        while (server->running) {
            const DWORD r = WaitForSingleObject(server->execEvent.get(), 1000);
            if (r == WAIT_FAILED) Sleep(100);  // never spin on a broken handle
            if (r != WAIT_OBJECT_0) continue;
            if (server->callback) {
                // A failing request must not end the channel; the client still gets its signal.
                try {
                    server->callback(server->userData, *server);
                } catch (...) {
                }
            }
            SetEvent(server->doneEvent.get());
        }
    }
};

template <typename T>
class ConnA_Server final : public ConnA<T>, public TChannelServer {
public:
    // Called on the waiting thread for each request, with userData and this server.
    using Callback = void (*)(void* userData, ConnA_Server<T>& server);

    ConnA_Server() = default;
    ~ConnA_Server() override {
        running = false;
        EndThread();
        this->Release();
    }

    // Counts a start and makes sure the waiting thread runs; the channel must be created.
    bool Start() {
        ++startCount;
        if (!running) {
            EndThread();  // a thread left from an earlier stop may already have left its loop
            waitThread = std::make_unique<TWaitThread<T>>(this);
            running = true;
            waitThread->Resume();
        }
        return running;
    }

    // Counts a stop; the waiting thread leaves its loop once no start is outstanding.
    bool Stop() {
        --startCount;
        if (startCount < 1) running = false;
        return true;
    }

    bool IsRunning() const { return running; }

    Callback callback = nullptr;
    void* userData = nullptr;
    int startCount = 0;
    std::unique_ptr<TWaitThread<T>> waitThread;
    std::atomic<bool> running{false};

private:
    // Waits for the thread to end (running must be false). Its end notification may still be
    // queued for the main thread; off the main thread the object is therefore freed there,
    // behind that notification, so the two never meet.
    void EndThread() {
        if (!waitThread) return;
        waitThread->WaitFor();
        if (forms::IsMainThread()) {
            waitThread.reset();
        } else {
            std::shared_ptr<TWaitThread<T>> ended(waitThread.release());
            forms::PostToMainThread([ended] {});
        }
    }
};
