// The model set's side of the fast channels: counted starts and stops, and the two request
// handlers that the channels' waiting threads hand their requests to.
#include <cstring>
#include <memory>
#include <string>

#include "Tarvel/engine/modelset.h"
#include "Tarvel/shell/toolops.h"
#include "fastchan.h"
#include "transfer.h"

namespace {

void Log(const std::string& text) {
    if (mForm) mForm->Log(text);
}
void LogError(const std::string& text) {
    if (mForm) mForm->LogError(text);
}

void CharHandler(void* set, CharTransfer& request) { static_cast<TTarvel*>(set)->OnCharRequest(request); }
void IntHandler(void* set, IntTransfer& request) { static_cast<TTarvel*>(set)->OnIntRequest(request); }

// The server of a channel whose last stop is tearing it down, while the teardown serves this
// thread's messages. Starts and stops arrive on the main thread, and the kernel objects' names
// are the machine's, so there is at most one per channel.
template <typename T>
ConnA_Server<T>*& Closing() {
    static ConnA_Server<T>* server = nullptr;
    return server;
}

// Runs under the set's guard. Logs after every change is made, because a log line lets other
// calls run on this thread, a stop of this very channel among them.
template <typename T>
bool StartChannel(std::unique_ptr<TChannelServer>& slot, TTarvel* set,
                  typename ConnA_Server<T>::Callback handler, const char* base,
                  const std::string& label) {
    // A start that arrives while the last stop's teardown waits: the names become free once
    // the old objects are closed, so finish that teardown first.
    if (ConnA_Server<T>* closing = Closing<T>()) closing->Teardown();
    auto* server = dynamic_cast<ConnA_Server<T>*>(slot.get());
    if (!server) {
        auto made = std::make_unique<ConnA_Server<T>>();
        made->callback = handler;
        made->userData = set;
        server = made.get();
        slot = std::move(made);
    }
    if (!server->Create(base)) {
        LogError("Can not initialize fast " + label + " communication");
        return false;
    }
    const int before = server->startCount;
    const bool running = server->Start();
    Log("Initialized fast " + label + " communication(" + std::to_string(before) + ")");
    return running;
}

// Runs under the set's guard: counts the stop and hands back a server that no longer runs, to be
// torn down once the guard is released.
template <typename T>
std::unique_ptr<ConnA_Server<T>> StopChannel(std::unique_ptr<TChannelServer>& slot, int& count) {
    auto* server = dynamic_cast<ConnA_Server<T>*>(slot.get());
    if (!server) {  // not a channel of ours: nothing to count
        slot.reset();
        return nullptr;
    }
    server->Stop();
    count = server->startCount;
    if (server->IsRunning()) return nullptr;
    slot.release();
    return std::unique_ptr<ConnA_Server<T>>(server);
}

// The stop line first; then the teardown, which serves this thread's messages until the waiting
// thread has ended.
template <typename T>
void FinishStop(std::unique_ptr<ConnA_Server<T>> gone, int count, const std::string& label) {
    ConnA_Server<T>*& closing = Closing<T>();
    if (gone) closing = gone.get();
    Log("Stopped fast " + label + " communication(" + std::to_string(count) + ")");
    if (!gone) return;
    gone->Teardown();
    if (closing == gone.get()) closing = nullptr;
}

}  // namespace

bool TTarvel::StartIsUnknown() {
    Busy busy(*this);
    return StartChannel<CharTransfer>(charServer, this, &CharHandler, kCharChannelName, "CHAR");
}

bool TTarvel::StartProbabilityId() {
    Busy busy(*this);
    return StartChannel<IntTransfer>(intServer, this, &IntHandler, kIntChannelName, "INT");
}

bool TTarvel::StopIsUnknown() {
    std::unique_ptr<ConnA_Server<CharTransfer>> gone;
    int count = 0;
    {
        Busy busy(*this);
        if (!charServer) return true;
        gone = StopChannel<CharTransfer>(charServer, count);
    }
    FinishStop(std::move(gone), count, "CHAR");
    return true;
}

bool TTarvel::StopProbabilityId() {
    std::unique_ptr<ConnA_Server<IntTransfer>> gone;
    int count = 0;
    {
        Busy busy(*this);
        if (!intServer) return true;
        gone = StopChannel<IntTransfer>(intServer, count);
    }
    FinishStop(std::move(gone), count, "INT");
    return true;
}

// The handlers run on the main thread, on a copy of the request. The set stays alive meanwhile
// when it is shared: a question box or a log line inside may let the last release through.
void TTarvel::OnCharRequest(CharTransfer& request) {
    const auto keep = weak_from_this().lock();
    request.marker = kHandledMarker;
    // A word that fills its whole field has lost its end; no model knows it.
    request.result = std::memchr(request.word, '\0', sizeof request.word) ? IsUnknown(request.word) : 0;
}

void TTarvel::OnIntRequest(IntTransfer& request) {
    const auto keep = weak_from_this().lock();
    request.marker = kHandledMarker;
    if (request.n < 1 || request.n > 4) {
        Log("Can not calc probability - only N <= 4 are supported");
        return;
    }
    request.result = request.n == 4
                         ? ProbabilityId4(request.id1, request.id2, request.id3, request.id4)
                         : ProbabilityId(request.id1, request.id2, request.id3);
}
