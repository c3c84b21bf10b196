// Pirto: a cache model over the recent words behind ICache. Load reads the settings file it is
// given (key "cache_size", the number of words kept, default 1000) and starts an empty cache.
#pragma once
#include <mutex>
#include <optional>
#include "com/dual.h"
#include "components.h"
#include "ngram/cache_model.h"
#include "servers/server_support.h"

namespace servers {

class Pirto final : public com::Dual<ICache> {
public:
    Pirto() : Dual(IID_ICache) {}

    HRESULT STDMETHODCALLTYPE Load(BSTR file, LONG* ok) override;
    HRESULT STDMETHODCALLTYPE HistoryLength(LONG* count) override;
    HRESULT STDMETHODCALLTYPE Probability1(BSTR w, double* p) override;
    HRESULT STDMETHODCALLTYPE Probability2(BSTR w1, BSTR w2, double* p) override;
    HRESULT STDMETHODCALLTYPE AddToHist(BSTR w, double* p) override;
    HRESULT STDMETHODCALLTYPE ClearHistory(LONG* ok) override;
    HRESULT STDMETHODCALLTYPE InfoOn(LONG flag) override;
    HRESULT STDMETHODCALLTYPE ClearCalcCache(LONG n, LONG* removed) override;

private:
    std::mutex mutex_;
    std::optional<ngram::CacheModel> cache_;  // none until a load succeeds
    LONG trace_ = 0;
};

}  // namespace servers
