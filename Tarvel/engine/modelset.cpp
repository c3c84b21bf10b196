#include "modelset.h"

#include "history.h"
#include "model.h"
#include "modelset_internal.h"

// One rule serialises the model set. Every public operation holds `guard` from its start to its
// end, so a COM call or a channel request (both on the main thread), a load and a destruction
// on another thread never run against the same set at the same moment: a caller on another
// thread waits until the running operation has ended.
//
// The guard is recursive because the main thread re-enters the set while it holds it: a log
// line processes window messages, and an outgoing call to an out-of-process component pumps
// incoming COM calls, so a second ILM call can run inside a load or a query on the same thread.
// A query nested inside a load answers the neutral values of a set that is not loaded, never a
// value of the half-built set. A load nested inside another operation rebuilds the set; the
// models it replaces stay alive until the outermost operation ends, and that operation, seeing
// the set changed under it, answers the neutral value too. Only a load inside a load is refused.
//
// Code that runs under the guard must never wait for another thread that may itself be waiting
// for the guard: the tool-window operations called from here must not block on the main thread,
// and the destructor stops the channel servers before it takes the guard.
TTarvel::Busy::Busy(TTarvel& s) : lock(s.guard), set(s) { ++set.depth; }

TTarvel::Busy::~Busy() {
    if (--set.depth > 0 || set.retired.empty()) return;
    // Their release may let calls in again; they find the list empty.
    auto old = std::move(set.retired);
    set.retired.clear();
    while (!old.empty()) {
        auto& ms = old.back();
        while (!ms.empty()) ms.pop_back();  // last model first
        old.pop_back();
    }
}

TTarvel::TTarvel() : wordHist(std::make_unique<ListW>()) {}

TTarvel::~TTarvel() {
    // The channel threads may be waiting for the guard; stop them first, without holding it.
    EndChannels();
    Busy busy(*this);
    wordHist.reset();
    ClearModels();
    analyzer = nullptr;
}

void TTarvel::ClearModels() {
    Busy busy(*this);
    ++modelsEpoch;
    if (retireModels && !models.empty()) {
        retired.push_back(std::move(models));  // the buffer moves with them: views stay valid
        models.clear();
        return;
    }
    while (!models.empty()) models.pop_back();  // last model first
    models.shrink_to_fit();
}

TChannelServer* TTarvel::CharChannel() {
    Busy busy(*this);
    return charServer.get();
}

TChannelServer* TTarvel::IntChannel() {
    Busy busy(*this);
    return intServer.get();
}

// A replaced server is destroyed after the guard is released: its thread may be waiting for it.
void TTarvel::SetCharChannel(std::unique_ptr<TChannelServer> server) {
    std::unique_ptr<TChannelServer> old;
    Busy busy(*this);
    old = std::exchange(charServer, std::move(server));
}

void TTarvel::SetIntChannel(std::unique_ptr<TChannelServer> server) {
    std::unique_ptr<TChannelServer> old;
    Busy busy(*this);
    old = std::exchange(intServer, std::move(server));
}

// The slots are emptied under the guard, the servers halted and torn down without it: a request
// the main thread answers may be waiting for the guard.
void TTarvel::EndChannels() {
    std::unique_ptr<TChannelServer> ints, chars;
    {
        Busy busy(*this);
        channelsEnded = true;
        ints = std::move(intServer);
        chars = std::move(charServer);
    }
    if (ints) ints->Halt();
    if (chars) chars->Halt();
    ints.reset();
    chars.reset();
}

// Called where waiting for the guard could wait for the main thread. The flag alone keeps every
// answer away (each answering path reads it under the guard); halting the servers too, when the
// guard is free, spares the hand-overs. A halt only stores atomics and sets events.
void TTarvel::HaltChannels() {
    channelsEnded = true;
    std::unique_lock<std::recursive_mutex> lock(guard, std::try_to_lock);
    if (!lock) return;
    if (intServer) intServer->Halt();
    if (charServer) charServer->Halt();
}

bool TTarvel::IsLoaded() {
    Busy busy(*this);
    return loaded;
}
