// What the component classes share: the COM boundary guard, tracing, and a model slot that
// one thread can reload while others query.
#pragma once
#include <windows.h>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include "com/error.h"
#include "ngram/ngram_model.h"

namespace servers {

// Debugger output ("component: text"): the trace that InfoOn switches on.
void Trace(const char* component, const std::string& text);

// Why a load failed, or what a loaded file loses: to the debugger output and to the process's
// standard error ("component: text", one line each), which Tarvel's window sends to its
// "stderr.txt" and Fenno to a file beside itself. Most interfaces have no error text of their own.
void ReportLoadFailure(const char* component, const std::string& text);
void ReportLoadWarning(const char* component, const std::string& text);

// Runs body inside the COM boundary: an exception becomes error information and its HRESULT.
template <typename F>
HRESULT Guard(REFIID iid, const char* source, F&& body) noexcept {
    try {
        return body();
    } catch (...) {
        return com::CurrentExceptionToHresult(iid, source);
    }
}

// A loaded object shared between a reloading thread and querying threads: a query keeps the
// object it started with alive even when a load replaces it meanwhile.
template <typename T>
class Slot {
public:
    std::shared_ptr<const T> Get() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return value_;
    }
    void Set(std::shared_ptr<const T> v) {
        std::lock_guard<std::mutex> lock(mutex_);
        value_ = std::move(v);
    }

private:
    mutable std::mutex mutex_;
    std::shared_ptr<const T> value_;
};

// Loads an n-gram model: from the file that a settings key names, or from a model file directly.
// On failure the slot is emptied and the reason reported; answers 1 or 0 as the Load methods do.
// A model of a higher order than the component answers (maxOrder words) loads with a warning.
long LoadNgramFromSettings(Slot<ngram::NgramModel>& slot, const char* component, int maxOrder, BSTR settingsFile,
                           const char* key);
long LoadNgramFile(Slot<ngram::NgramModel>& slot, const char* component, int maxOrder, BSTR modelFile);

// Probabilities by text and by ids, 0 without a model; the single-precision forms answer what
// narrowing the others would.
double NgramProbability(const ngram::NgramModel* m, std::initializer_list<BSTR> words);
double NgramProbabilityI(const ngram::NgramModel* m, std::initializer_list<long> ids);
float NgramProbabilitySingle(const ngram::NgramModel* m, std::initializer_list<BSTR> words);
float NgramProbabilityISingle(const ngram::NgramModel* m, std::initializer_list<long> ids);

}  // namespace servers
