// The server side of one fast channel: its kernel objects, the count of starts not yet matched by
// stops, and the waiting thread that takes each signalled request.
//
// A request is answered in one of two ways. When the server has a `direct` handler, the waiting
// thread first offers it the request in place: the model set answers there and then when its
// models live in this process and its guard is free (the answer then costs one event round trip
// and the lookup). Otherwise, and for every request the direct handler declines, the request is
// handed to the main thread as a copy. The model set's components belong to the main thread's
// apartment (a model hosted in another process is reached through proxies that only that
// apartment may call), and a failed call's question box must show where the thread that waits
// for its answer keeps serving the other clients. The main thread answers the copy and hands the
// answer back; the waiting thread writes it into the block. A request whose answer has not come
// back when the channel's generation ends (a stop, halt or teardown) is given up: its marker is
// left as it was. Either way the waiting thread completes each request, once: it alone writes
// the block and signals the completion, and every teardown waits for it first.
//
// Halt ends the answering at once (the set that owns the channel is going): from then on every
// request is completed unanswered. A halted server on the main thread is the channel's retiring
// server until its teardown is over, so that a start of the same channel for another set can
// finish that teardown first and take the names over.
//
// Lifetime: the server owns its waiting thread. Teardown on the main thread keeps serving that
// thread's messages (the waiting thread's end notification, other clients' calls) until the
// waiting thread has ended; on another thread it just waits. Only then are the events, the view
// and the mapping closed.
#pragma once
#include <windows.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>

#include "Tarvel/engine/modelset.h"
#include "com/handle.h"
#include "conna.h"
#include "forms/application.h"
#include "forms/main_thread.h"
#include "forms/thread.h"

template <typename T>
class ConnA_Server;

// Waits on the request event in slices of one second, so that a stop reaches it within about a
// second, and has the server answer each signalled request.
template <typename T>
class TWaitThread final : public TThread {
public:
    explicit TWaitThread(ConnA_Server<T>* s) : server(s) {}
    ConnA_Server<T>* server;

    // Signalled once Execute has returned.
    HANDLE Ended() const { return ended.get(); }

protected:
    void Execute() override {
        struct Signal {
            HANDLE event;
            ~Signal() { SetEvent(event); }
        } signal{ended.get()};
        while (server->running) {
            const DWORD r = WaitForSingleObject(server->execEvent.get(), 1000);
            if (r == WAIT_FAILED) Sleep(100);  // never spin on a broken handle
            if (r != WAIT_OBJECT_0) continue;
            Answer();
            SetEvent(server->doneEvent.get());
        }
    }

private:
    // Whatever fails here still completes the request, and the channel keeps serving.
    void Answer() {
        try {
            if (server->running && server->direct && server->direct(server->userData, *server->Block()))
                return;
            if (server->running && server->callback) server->Serve();
        } catch (...) {
        }
    }

    com::unique_handle ended{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
};

template <typename T>
class ConnA_Server final : public ConnA<T>, public TChannelServer {
public:
    // Called on the main thread for each request, with userData and a copy of the request in
    // which the handler writes `marker` and `result`.
    using Callback = void (*)(void* userData, T& request);
    // Called on the waiting thread with userData and the block itself; true when it answered the
    // request (marker and result written), false to have it handed to the main thread.
    using Direct = bool (*)(void* userData, T& block);

    ConnA_Server() { binding->server = this; }
    ~ConnA_Server() override { Teardown(); }

    // Main thread: the halted server of this channel whose teardown has not finished, if any.
    // Its teardown serves messages; a start of the same channel run by one of them finishes
    // that teardown before it creates the names again, so two servers never hold them.
    static ConnA_Server*& Retiring() {
        static ConnA_Server* server = nullptr;
        return server;
    }

    // No request is answered any more, from any thread; the teardown follows. Never waits.
    void Halt() override {
        running = false;
        EndGeneration();
        if (forms::IsMainThread()) Retiring() = this;
    }

    // Counts a start and makes sure the waiting thread runs; the channel must be created.
    bool Start() {
        ++startCount;
        if (!running) {
            EndThread();  // a thread left from an earlier stop may already have left its loop
            waitThread = std::make_unique<TWaitThread<T>>(this);
            waitThread->OnTerminate = [b = binding, sender = waitThread.get()] {
                std::lock_guard<std::mutex> g(b->lock);
                if (b->server) b->server->OnThreadTerminate(sender);
            };
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

    // The end notification of the waiting thread (main thread): frees the thread object.
    void OnThreadTerminate(TThread* sender) {
        if (waitThread.get() == sender) waitThread.reset();
    }

    // Stops the waiting thread, waits for its end as the head of this file says, unbinds its end
    // notification and closes the objects. A second teardown finds nothing left to do.
    void Teardown() {
        EndGeneration();
        running = false;
        EndThread();
        {
            std::lock_guard<std::mutex> g(binding->lock);
            binding->server = nullptr;
        }
        this->Release();
        if (forms::IsMainThread() && Retiring() == this) Retiring() = nullptr;
    }

    // On the waiting thread: hands a copy of the request in the block to the main thread and
    // waits until its answer comes back, which it writes into the block, or until the channel's
    // generation ends, when the request is given up unless its answer came first. Each side claims
    // the request by changing its state, so it is answered or given up, never both; the main
    // thread touches neither the block nor the completion event, which may be gone by then.
    void Serve() {
        auto request = std::make_shared<Request>();
        std::memcpy(&request->block, this->Block(), sizeof(T));
        const unsigned generation = link->generation;
        forms::PostToMainThread([l = link, generation, request, handler = callback, data = userData] {
            int state = Request::Pending;
            if (l->generation != generation || !request->state.compare_exchange_strong(state, Request::Taken))
                return;  // given up: the channel stopped before its turn came
            try {
                handler(data, request->block);
            } catch (...) {
                // A failing request must not end the channel; its client still gets its signal.
            }
            // A handler that let messages run may have let a stop in; its answer is then not wanted.
            state = Request::Taken;
            if (l->generation == generation) request->state.compare_exchange_strong(state, Request::Answered);
            if (afterAnswer) afterAnswer();
            SetEvent(l->wake.get());
        });
        for (;;) {
            int state = request->state;
            if (state == Request::Answered) {
                this->Block()->marker = request->block.marker;
                this->Block()->result = request->block.result;
                return;
            }
            if (link->generation == generation) {
                if (WaitForSingleObject(link->wake.get(), INFINITE) == WAIT_FAILED) Sleep(1);
                continue;
            }
            // An answer taken up by the main thread but not back yet may lie below a teardown's
            // wait on the main thread's own stack: once the generation has ended it is not waited for.
            if (request->state.compare_exchange_strong(state, Request::GivenUp)) return;
        }
    }

    // Test seam, empty in the program: called on the main thread once it has handed an answer back
    // (or found it unwanted), before it wakes the waiting thread.
    static inline void (*afterAnswer)() = nullptr;

    Callback callback = nullptr;
    Direct direct = nullptr;
    void* userData = nullptr;
    int startCount = 0;
    std::unique_ptr<TWaitThread<T>> waitThread;
    std::atomic<bool> running{false};

private:
    // One request on its way to the main thread and back, shared with the closure that the main
    // thread runs: either side may be the last to let go of it.
    struct Request {
        enum : int { Pending, Taken, Answered, GivenUp };
        std::atomic<int> state{Pending};
        T block;  // the client's request; the handler writes marker and result into it
    };
    // What a handed-over request needs of its server, which may be gone before the main thread
    // gets to it.
    struct Link {
        // Ends when the waiting thread is to end: requests of an earlier generation are given up.
        // A stop, halt or teardown ends it before anything else.
        std::atomic<unsigned> generation{0};
        // Wakes the waiting thread: an answer came back, or a generation ended.
        com::unique_handle wake{CreateEventA(nullptr, FALSE, FALSE, nullptr)};
    };
    // The end notification's way to its server, cut when the server is torn down off the main
    // thread while the notification may still be on its way there.
    struct Binding {
        std::mutex lock;
        ConnA_Server* server = nullptr;
    };

    void EndGeneration() {
        ++link->generation;
        SetEvent(link->wake.get());
    }

    void EndThread() {
        EndGeneration();
        if (!waitThread) return;
        if (forms::IsMainThread()) {
            while (waitThread) {
                Application.ProcessMessages();
                if (!waitThread) break;
                HANDLE ended = waitThread->Ended();
                MsgWaitForMultipleObjects(1, &ended, FALSE, 100, QS_ALLINPUT);
            }
            return;
        }
        WaitForSingleObject(waitThread->Ended(), INFINITE);
        std::shared_ptr<TWaitThread<T>> ended;
        {
            std::lock_guard<std::mutex> g(binding->lock);
            ended.reset(waitThread.release());
        }
        // Freed on the main thread, behind its end notification, which then finds it gone.
        if (ended) forms::PostToMainThread([ended] {});
    }

    std::shared_ptr<Link> link = std::make_shared<Link>();
    std::shared_ptr<Binding> binding = std::make_shared<Binding>();
};
