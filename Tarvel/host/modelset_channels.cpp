// The model set's side of the fast channels: counted starts and stops, and the two request
// handlers that the channels' waiting threads call.
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

void CharHandler(void* set, ConnA_Server<CharTransfer>& server) {
    static_cast<TTarvel*>(set)->OnCharRequest(server);
}
void IntHandler(void* set, ConnA_Server<IntTransfer>& server) {
    static_cast<TTarvel*>(set)->OnIntRequest(server);
}

// Runs under the set's guard. Logs after every change is made, because a log line lets other
// calls run on this thread, a stop of this very channel among them.
template <typename T>
bool StartChannel(std::unique_ptr<TChannelServer>& slot, TTarvel* set,
                  typename ConnA_Server<T>::Callback handler, const char* base,
                  const std::string& label) {
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
// torn down once the guard is released (its thread may be waiting for the guard).
template <typename T>
std::unique_ptr<TChannelServer> StopChannel(std::unique_ptr<TChannelServer>& slot, int& count) {
    auto* server = dynamic_cast<ConnA_Server<T>*>(slot.get());
    if (!server) return std::move(slot);  // not a channel of ours: nothing to count
    server->Stop();
    count = server->startCount;
    if (server->IsRunning()) return nullptr;
    return std::move(slot);
}

// Takes the set's guard for a request, unless the channel is stopped meanwhile: the stop may
// come from a call that holds the guard on another thread's behalf and waits for this thread.
template <typename T>
bool EnterFor(std::unique_lock<std::recursive_mutex>& entry, const ConnA_Server<T>& server) {
    while (!entry.try_lock()) {
        if (!server.IsRunning()) return false;
        Sleep(1);
    }
    return true;
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
    std::unique_ptr<TChannelServer> gone;
    int count = 0;
    {
        Busy busy(*this);
        if (!charServer) return true;
        gone = StopChannel<CharTransfer>(charServer, count);
    }
    gone.reset();  // the teardown: waits for the waiting thread, closes the objects
    Log("Stopped fast CHAR communication(" + std::to_string(count) + ")");
    return true;
}

bool TTarvel::StopProbabilityId() {
    std::unique_ptr<TChannelServer> gone;
    int count = 0;
    {
        Busy busy(*this);
        if (!intServer) return true;
        gone = StopChannel<IntTransfer>(intServer, count);
    }
    gone.reset();
    Log("Stopped fast INT communication(" + std::to_string(count) + ")");
    return true;
}

void TTarvel::OnCharRequest(ConnA_Server<CharTransfer>& server) {
    CharTransfer* block = server.Block();
    // The client may write the block at any moment: work on a copy that is always terminated.
    char word[sizeof block->word + 1];
    std::memcpy(word, block->word, sizeof block->word);
    word[sizeof block->word] = '\0';
    std::unique_lock<std::recursive_mutex> entry(guard, std::defer_lock);
    if (!EnterFor(entry, server)) return;  // stopped: marker stays unwritten
    block->marker = kHandledMarker;
    // A word that fills its whole field has lost its end; no model knows it.
    block->result = std::strlen(word) < sizeof block->word ? IsUnknown(word) : 0;
}

void TTarvel::OnIntRequest(ConnA_Server<IntTransfer>& server) {
    IntTransfer* block = server.Block();
    const IntTransfer request = *block;
    if (request.n < 1 || request.n > 4) {
        block->marker = kHandledMarker;
        Log("Can not calc probability - only N <= 4 are supported");
        return;
    }
    std::unique_lock<std::recursive_mutex> entry(guard, std::defer_lock);
    if (!EnterFor(entry, server)) return;
    block->marker = kHandledMarker;
    block->result = request.n == 4
                        ? ProbabilityId4(request.id1, request.id2, request.id3, request.id4)
                        : ProbabilityId(request.id1, request.id2, request.id3);
}
