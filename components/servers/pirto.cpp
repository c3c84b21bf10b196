#include "servers/pirto.h"
#include "com/bstr.h"
#include "ngram/load_error.h"
#include "ngram/settings_file.h"

namespace servers {

namespace {
constexpr char kName[] = "Pirto";
constexpr long long kDefaultSize = 1000;
constexpr long long kMaxSize = 10000000;
}  // namespace

HRESULT Pirto::Load(BSTR file, LONG* ok) {
    if (!ok) return E_POINTER;
    return Guard(IID_ICache, kName, [&] {
        std::lock_guard<std::mutex> lock(mutex_);
        *ok = 0;
        cache_.reset();
        try {
            const ngram::SettingsFile settings = ngram::SettingsFile::Read(com::FromBstr(file));
            const long long size = settings.GetInt("cache_size").value_or(kDefaultSize);
            if (size < 1 || size > kMaxSize)
                throw ngram::LoadError(settings.FileName() + ": cache_size must be 1 to " + std::to_string(kMaxSize));
            cache_.emplace(static_cast<size_t>(size));
            *ok = 1;
        } catch (const std::exception& e) {
            ReportLoadFailure(kName, e.what());
        }
        return S_OK;
    });
}

HRESULT Pirto::HistoryLength(LONG* count) {
    if (!count) return E_POINTER;
    std::lock_guard<std::mutex> lock(mutex_);
    *count = cache_ ? static_cast<LONG>(cache_->Size()) : 0;
    return S_OK;
}

HRESULT Pirto::Probability1(BSTR w, double* p) {
    if (!p) return E_POINTER;
    return Guard(IID_ICache, kName, [&] {
        std::lock_guard<std::mutex> lock(mutex_);
        *p = cache_ ? cache_->Probability(com::FromBstr(w)) : 0.0;
        return S_OK;
    });
}

HRESULT Pirto::Probability2(BSTR w1, BSTR w2, double* p) {
    if (!p) return E_POINTER;
    return Guard(IID_ICache, kName, [&] {
        std::lock_guard<std::mutex> lock(mutex_);
        *p = cache_ ? cache_->Probability(com::FromBstr(w1), com::FromBstr(w2)) : 0.0;
        return S_OK;
    });
}

HRESULT Pirto::AddToHist(BSTR w, double* p) {
    if (!p) return E_POINTER;
    return Guard(IID_ICache, kName, [&] {
        std::lock_guard<std::mutex> lock(mutex_);
        const std::string word = com::FromBstr(w);
        if (trace_ == 1) Trace(kName, "AddToHist(" + word + ")");
        *p = 0.0;
        if (cache_) {
            *p = cache_->Probability(word);  // what the word had before it was added
            cache_->Add(word);
        }
        return S_OK;
    });
}

HRESULT Pirto::ClearHistory(LONG* ok) {
    if (!ok) return E_POINTER;
    std::lock_guard<std::mutex> lock(mutex_);
    if (trace_ == 1) Trace(kName, "ClearHistory()");
    if (cache_) cache_->Clear();
    *ok = 1;
    return S_OK;
}

HRESULT Pirto::InfoOn(LONG flag) {
    std::lock_guard<std::mutex> lock(mutex_);
    trace_ = flag;
    return S_OK;
}

HRESULT Pirto::ClearCalcCache(LONG n, LONG* removed) {
    if (!removed) return E_POINTER;
    std::lock_guard<std::mutex> lock(mutex_);
    if (trace_ == 1) Trace(kName, "ClearCalcCache(" + std::to_string(n) + ")");
    *removed = cache_ ? static_cast<LONG>(cache_->TakeBack(n)) : 0;
    return S_OK;
}

}  // namespace servers
