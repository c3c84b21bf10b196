#include "servers/morvek.h"
#include "com/bstr.h"
#include "com/module.h"
#include "ngram/load_error.h"

namespace servers {

namespace {
constexpr char kName[] = "Morvek";
}

std::string Morvek::LexiconPath() {
    char buf[MAX_PATH * 2];
    DWORD n = ::GetEnvironmentVariableA(kLexiconVariable, buf, sizeof buf);
    if (n > 0 && n < sizeof buf) return std::string(buf, n);
    std::string module = com::ThisModulePath();
    return module.substr(0, module.find_last_of("\\/") + 1) + kLexiconFile;
}

HRESULT Morvek::Text(const std::string& value, BSTR* out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    return Guard(IID_IZA, kName, [&] {
        *out = com::AllocBstr(value);
        return S_OK;
    });
}

HRESULT Morvek::Init(VARIANT_BOOL* ready) {
    if (!ready) return E_POINTER;
    return Guard(IID_IZA, kName, [&] {
        std::lock_guard<std::mutex> lock(mutex_);
        *ready = 0;
        lexicon_.reset();
        last_ = {};
        lastWord_.clear();
        try {
            lexicon_ = std::make_shared<const ngram::Lexicon>(ngram::Lexicon::ReadFile(LexiconPath()));
            *ready = 1;  // exactly 1: the caller takes VARIANT_TRUE (-1) for a failure
        } catch (const std::exception& e) {
            lastError_ = e.what();
            ReportLoadFailure(kName, lastError_);
        }
        return S_OK;
    });
}

HRESULT Morvek::GetLastError(BSTR* text) {
    std::lock_guard<std::mutex> lock(mutex_);
    return Text(lastError_, text);
}

HRESULT Morvek::LexiconSize(LONG* count) {
    if (!count) return E_POINTER;
    std::lock_guard<std::mutex> lock(mutex_);
    *count = lexicon_ ? static_cast<LONG>(lexicon_->Size()) : 0;
    return S_OK;
}

HRESULT Morvek::PForma(BSTR* baseForm) {
    std::lock_guard<std::mutex> lock(mutex_);
    return Text(last_.baseForm, baseForm);
}

HRESULT Morvek::SInfo(BSTR* description) {
    std::lock_guard<std::mutex> lock(mutex_);
    return Text(last_.description, description);
}

HRESULT Morvek::IsKnown(BSTR word, LONG* known) {
    if (!known) return E_POINTER;
    return Guard(IID_IZA, kName, [&] {
        std::lock_guard<std::mutex> lock(mutex_);
        *known = lexicon_ && lexicon_->Find(com::FromBstr(word)) ? 1 : 0;
        return S_OK;
    });
}

HRESULT Morvek::LastWord(BSTR* word) {
    std::lock_guard<std::mutex> lock(mutex_);
    return Text(lastWord_, word);
}

HRESULT Morvek::Version(BSTR* text) { return Text("Morvek 1.0", text); }

HRESULT Morvek::Reset() {
    std::lock_guard<std::mutex> lock(mutex_);
    last_ = {};
    lastWord_.clear();
    return S_OK;
}

HRESULT Morvek::AnalyzeAll(BSTR word, LONG* result) {
    if (!result) return E_POINTER;
    return Guard(IID_IZA, kName, [&] {
        std::lock_guard<std::mutex> lock(mutex_);
        lastWord_ = com::FromBstr(word);
        last_ = {};
        if (!lexicon_) {
            lastError_ = "Analyzer not initialized";
            *result = 0;
            return S_OK;
        }
        if (const ngram::Analysis* a = lexicon_->Find(lastWord_)) {
            last_ = *a;
            *result = 1;
        } else {
            last_ = ngram::Lexicon::Guess(lastWord_);
            *result = 4;
        }
        return S_OK;
    });
}

}  // namespace servers
