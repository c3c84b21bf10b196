// The model set's side of the fast channels: counted starts and stops, the two request handlers
// that the channels' waiting threads hand their requests to, and the answers in place that they
// try first.
#include <windows.h>
#include <objidl.h>

#include <cstring>
#include <memory>
#include <mutex>
#include <string>

#include "Tarvel/engine/model.h"
#include "Tarvel/engine/modelset.h"
#include "Tarvel/engine/servers.h"
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
bool CharInPlace(void* set, CharTransfer& block) { return static_cast<TTarvel*>(set)->AnswerCharInPlace(block); }
bool IntInPlace(void* set, IntTransfer& block) { return static_cast<TTarvel*>(set)->AnswerIntInPlace(block); }

// What tells the two channels apart.
template <typename T>
struct Channel;
template <>
struct Channel<CharTransfer> {
    static constexpr ConnA_Server<CharTransfer>::Callback handler = &CharHandler;
    static constexpr ConnA_Server<CharTransfer>::Direct inPlace = &CharInPlace;
    static constexpr const char* base = kCharChannelName;
    static constexpr const char* label = "CHAR";
};
template <>
struct Channel<IntTransfer> {
    static constexpr ConnA_Server<IntTransfer>::Callback handler = &IntHandler;
    static constexpr ConnA_Server<IntTransfer>::Direct inPlace = &IntInPlace;
    static constexpr const char* base = kIntChannelName;
    static constexpr const char* label = "INT";
};

// A proxy stands for an object in another apartment or process; only its own apartment may call it.
bool IsProxy(IUnknown* object) {
    if (!object) return false;
    IClientSecurity* security = nullptr;
    if (FAILED(object->QueryInterface(IID_IClientSecurity, reinterpret_cast<void**>(&security))) || !security)
        return false;
    security->Release();
    return true;
}

// Takes the set's guard for a request in place, waiting a little while another thread holds it
// for a moment (the other channel, a COM call); false when the set stays busy (a load, an
// operation that lets calls in), whose request then goes to the main thread.
bool TryGuard(std::unique_lock<std::recursive_mutex>& lock) {
    LARGE_INTEGER start, now, frequency;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    for (int spin = 0;; ++spin) {
        if (lock.try_lock()) return true;
        QueryPerformanceCounter(&now);
        if ((now.QuadPart - start.QuadPart) * 1000000 > 200 * frequency.QuadPart) return false;
        if (spin > 16) SwitchToThread();
    }
}

// Runs under the set's guard: counts the stop and hands back a server that no longer runs, to be
// torn down once the guard is released (the teardown waits for the waiting thread, which may be
// waiting for the guard).
template <typename T>
std::unique_ptr<ConnA_Server<T>> CountStop(std::unique_ptr<TChannelServer>& slot, int& count) {
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
// thread has ended. Halted first, the server is the channel's retiring one meanwhile.
template <typename T>
void FinishStop(std::unique_ptr<ConnA_Server<T>> gone, int count) {
    if (gone) gone->Halt();
    Log(std::string("Stopped fast ") + Channel<T>::label + " communication(" + std::to_string(count) + ")");
    if (gone) gone->Teardown();
}

}  // namespace

// Logs after every change is made, because a log line lets other calls run on this thread, a
// stop of this very channel among them.
template <typename T>
bool TTarvel::StartChannel(std::unique_ptr<TChannelServer>& slot) {
    Busy busy(*this);
    const std::string label = Channel<T>::label;
    // A start that arrives while a halted channel's teardown waits (a last stop, or a deleted
    // set): the names become free once the old objects are closed, so finish that teardown first.
    if (ConnA_Server<T>* retiring = ConnA_Server<T>::Retiring()) retiring->Teardown();
    if (channelsEnded) {  // the set is deleted: it serves no channel any more
        LogError("Can not initialize fast " + label + " communication");
        return false;
    }
    auto* server = dynamic_cast<ConnA_Server<T>*>(slot.get());
    if (!server) {
        auto made = std::make_unique<ConnA_Server<T>>();
        made->callback = Channel<T>::handler;
        made->direct = Channel<T>::inPlace;
        made->userData = this;
        server = made.get();
        slot = std::move(made);
    }
    if (!server->Create(Channel<T>::base)) {
        LogError("Can not initialize fast " + label + " communication");
        return false;
    }
    const int before = server->startCount;
    const bool running = server->Start();
    Log("Initialized fast " + label + " communication(" + std::to_string(before) + ")");
    return running;
}

template <typename T>
bool TTarvel::StopChannel(std::unique_ptr<TChannelServer>& slot) {
    std::unique_ptr<ConnA_Server<T>> gone;
    int count = 0;
    {
        Busy busy(*this);
        if (!slot) return true;
        gone = CountStop<T>(slot, count);
    }
    FinishStop(std::move(gone), count);
    return true;
}

bool TTarvel::StartIsUnknown() { return StartChannel<CharTransfer>(charServer); }
bool TTarvel::StartProbabilityId() { return StartChannel<IntTransfer>(intServer); }
bool TTarvel::StopIsUnknown() { return StopChannel<CharTransfer>(charServer); }
bool TTarvel::StopProbabilityId() { return StopChannel<IntTransfer>(intServer); }

// The handlers run on the main thread, on a copy of the request. The set stays alive meanwhile
// when it is shared: a question box or a log line inside may let the last release through.
void TTarvel::OnCharRequest(CharTransfer& request) {
    const auto keep = weak_from_this().lock();
    if (channelsEnded) return;  // halted off this thread, perhaps not yet in the server
    CheckInProcess();
    request.marker = kHandledMarker;
    // A word that fills its whole field has lost its end; no model knows it.
    request.result = std::memchr(request.word, '\0', sizeof request.word) ? IsUnknown(request.word) : 0;
}

void TTarvel::OnIntRequest(IntTransfer& request) {
    const auto keep = weak_from_this().lock();
    if (channelsEnded) return;
    CheckInProcess();
    request.marker = kHandledMarker;
    if (request.n < 1 || request.n > 4) {
        Log("Can not calc probability - only N <= 4 are supported");
        return;
    }
    request.result = request.n == 4
                         ? ProbabilityId4(request.id1, request.id2, request.id3, request.id4)
                         : ProbabilityId(request.id1, request.id2, request.id3);
}

// Main thread, where a proxy may be asked what it is. Inside another operation on the set (a load
// that lets calls in) the models are not settled, so nothing is noted then.
void TTarvel::CheckInProcess() {
    Busy busy(*this);
    if (depth > 1 || checkedEpoch == modelsEpoch) return;
    bool inProcess = !IsProxy(analyzer.get());
    for (const auto& m : models) {
        IUnknown* parts[] = {m->provider.get(), m->kn.get(), m->kn1.get(), m->cmu.get(), m->cache.get(), m->wc.get()};
        for (IUnknown* part : parts) inProcess = inProcess && !IsProxy(part);
    }
    checkedInProcess = inProcess;
    checkedEpoch = modelsEpoch;
}

// On the waiting thread, with the block in the shared view, which a client that does not take
// turns may rewrite meanwhile: the request is read once, into a copy, and only the answer is
// written back. A failed call whose question box would wait here (holding the set) ends the
// attempt before anything is reported; the main thread then asks the question itself. Every
// other outcome completes the request here, once: a deleted set's unanswered. `answer` writes
// the copy's result and says whether it is to be written back.
template <typename T, typename Answer>
bool TTarvel::AnswerInPlace(T& block, Answer answer) {
    std::unique_lock<std::recursive_mutex> lock(guard, std::defer_lock);
    if (!TryGuard(lock)) return false;
    if (channelsEnded) return true;
    if (checkedEpoch != modelsEpoch || !checkedInProcess) return false;
    engine::DeferQuestions defer;
    T request;
    std::memcpy(&request, &block, sizeof request);
    try {
        if (answer(request)) block.result = request.result;
        block.marker = kHandledMarker;
    } catch (const engine::QuestionDeferred&) {
        return false;
    } catch (...) {
        block.marker = kHandledMarker;  // a failing request is still handled, as on the main thread
    }
    return true;
}

bool TTarvel::AnswerCharInPlace(CharTransfer& block) {
    return AnswerInPlace(block, [this](CharTransfer& request) {
        // A word that fills its whole field has lost its end; no model knows it.
        request.result = std::memchr(request.word, '\0', sizeof request.word) ? IsUnknown(request.word) : 0;
        return true;
    });
}

bool TTarvel::AnswerIntInPlace(IntTransfer& block) {
    return AnswerInPlace(block, [this](IntTransfer& request) {
        const int n = request.n;
        if (n < 1 || n > 4) {
            Log("Can not calc probability - only N <= 4 are supported");
            return false;
        }
        try {
            request.result = n == 4 ? ProbabilityId4(request.id1, request.id2, request.id3, request.id4)
                                    : ProbabilityId(request.id1, request.id2, request.id3);
        } catch (const engine::QuestionDeferred&) {
            // The query was counted before its model deferred; the main thread's attempt counts it.
            --calls;
            throw;
        }
        return true;
    });
}
