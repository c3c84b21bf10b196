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
// for its answer keeps serving the other clients. The main thread answers the copy, writes the
// answer into the block and signals the completion. A request that the main thread has not
// answered when the channel stops is dropped: the waiting thread signals its completion with the
// marker left as it was. Either way each request is completed exactly once.
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
            if (!CompletedElsewhere()) SetEvent(server->doneEvent.get());
        }
    }

private:
    // True when the main thread completed the request; false when this thread is to signal it.
    // Whatever fails here still completes the request (a hand-over fails only before it is
    // posted), and the channel keeps serving.
    bool CompletedElsewhere() {
        try {
            if (server->running && server->direct && server->direct(server->userData, *server->Block()))
                return false;
            return server->running && server->callback && server->Serve();
        } catch (...) {
            return false;
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

    // No request is answered any more, from any thread; the teardown follows.
    void Halt() override {
        running = false;
        ++link->generation;
        link->abandon = true;  // an answer the main thread has taken up is not waited for
        if (forms::IsMainThread()) Retiring() = this;
    }

    // Counts a start and makes sure the waiting thread runs; the channel must be created.
    bool Start() {
        ++startCount;
        if (!running) {
            EndThread();  // a thread left from an earlier stop may already have left its loop
            link->abandon = false;
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
        ++link->generation;
        running = false;
        EndThread();
        {
            std::lock_guard<std::mutex> g(binding->lock);
            binding->server = nullptr;
        }
        this->Release();
        if (forms::IsMainThread() && Retiring() == this) Retiring() = nullptr;
    }

    // On the waiting thread: hands the request in the block to the main thread. True when the
    // main thread delivered the answer and completed the request; false when this thread is to
    // complete it (no answer, or one that came after the channel stopped).
    bool Serve() {
        auto request = std::make_shared<Request>();
        std::memcpy(&request->block, this->Block(), sizeof(T));
        forms::PostToMainThread([l = link, generation = link->generation.load(), request,
                                 handler = callback, data = userData, block = this->Block(),
                                 done = this->doneEvent.get()] {
            int state = Request::Pending;
            if (l->generation != generation ||
                !request->state.compare_exchange_strong(state, Request::Taken)) {
                request->state.compare_exchange_strong(state, Request::Dropped);
                return;
            }
            try {
                handler(data, request->block);
            } catch (...) {
                // A failing request must not end the channel; its client still gets its signal.
            }
            // The block and the event are there while the channel's generation lasts: a stop on
            // this thread ends it first, one elsewhere waits for this answer. Delivering claims
            // the completion: a waiting thread that gave the request up after a halt has claimed
            // it already, and then completes it alone.
            int taken = Request::Taken;
            if (l->generation == generation &&
                request->state.compare_exchange_strong(taken, Request::Delivering)) {
                block->marker = request->block.marker;
                block->result = request->block.result;
                request->state = Request::Delivered;
                SetEvent(done);
            } else {
                taken = Request::Taken;
                request->state.compare_exchange_strong(taken, Request::Late);
            }
            SetEvent(l->answered.get());
        });
        for (;;) {
            WaitForSingleObject(link->answered.get(), 50);
            int state = request->state;
            if (state == Request::Delivered) return true;
            if (state == Request::Late || state == Request::Dropped) return false;  // to signal here
            if (running || state == Request::Delivering) continue;
            // Taken: when the main thread waits for this thread, it runs above that answer on
            // its own stack, so waiting for the answer would never end; it has ended the
            // generation, so the answer will not be delivered. The same holds after a halt, whose
            // teardown may come from anywhere. Otherwise the answer comes. Giving a request up
            // claims its completion, so that it is signalled once, by whichever side claimed it.
            if (state == Request::Pending || (state == Request::Taken && link->abandon)) {
                if (request->state.compare_exchange_strong(state, Request::Dropped)) return false;
            }
        }
    }

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
        enum : int { Pending, Taken, Delivering, Delivered, Late, Dropped };
        std::atomic<int> state{Pending};
        T block;  // the client's request; the handler writes marker and result into it
    };
    // What a handed-over request needs of its server, which may be gone before the main thread
    // gets to it.
    struct Link {
        // Ends when the waiting thread is to end: requests of an earlier generation are dropped.
        // A stop, halt or teardown ends it before anything else, so an answer whose handler let
        // messages run (and with them that stop) never writes a block or event that is going.
        std::atomic<unsigned> generation{0};
        // The main thread waits for the waiting thread, or the channel was halted. Set, the
        // waiting thread no longer waits for an answer the main thread has taken up: that answer
        // may lie below the wait on the main thread's own stack.
        std::atomic<bool> abandon{false};
        com::unique_handle answered{CreateEventA(nullptr, FALSE, FALSE, nullptr)};
    };
    // The end notification's way to its server, cut when the server is torn down off the main
    // thread while the notification may still be on its way there.
    struct Binding {
        std::mutex lock;
        ConnA_Server* server = nullptr;
    };

    void EndThread() {
        ++link->generation;
        if (!waitThread) return;
        if (forms::IsMainThread()) {
            // A request that this thread has taken up is answered further down its own stack.
            link->abandon = true;
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
