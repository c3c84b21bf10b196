// An analyzer stand-in that knows a few words: each has its result code, base form and analysis
// text. Unknown words answer code 0. Calls are logged like the other component fakes.
#pragma once
#include <map>
#include <string>

#include "com/bstr.h"
#include "fake_base.h"
#include "components.h"

class WordAnalyzer final : public fakes::FakeBase<IZA> {
public:
    explicit WordAnalyzer(fakes::CallLog& log) : FakeBase("IZA", IID_IZA, log) {}

    struct Entry {
        long code;
        std::string base, info;
    };
    void Know(const std::string& word, long code, const std::string& base, const std::string& info) {
        words[word] = {code, base, info};
    }

    HRESULT STDMETHODCALLTYPE Init(VARIANT_BOOL* ready) override { return Answer("Init", "", ready); }
    HRESULT STDMETHODCALLTYPE GetLastError(BSTR* text) override {
        Call("GetLastError", "");
        *text = com::AllocBstr("unknown word");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE LexiconSize(long* count) override { return Answer("LexiconSize", "", count); }
    HRESULT STDMETHODCALLTYPE PForma(BSTR* out) override {
        Call("PForma", "");
        *out = nullOut ? nullptr : com::AllocBstr(last.base);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SInfo(BSTR* out) override {
        Call("SInfo", "");
        *out = nullOut ? nullptr : com::AllocBstr(last.info);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE IsKnown(BSTR word, long* known) override { return Answer("IsKnown", fakes::Args(word), known); }
    HRESULT STDMETHODCALLTYPE LastWord(BSTR* word) override { return AnswerText("LastWord", "", word); }
    HRESULT STDMETHODCALLTYPE Version(BSTR* text) override { return AnswerText("Version", "", text); }
    HRESULT STDMETHODCALLTYPE Reset() override { return Call("Reset", ""); }
    HRESULT STDMETHODCALLTYPE AnalyzeAll(BSTR word, long* result) override {
        HRESULT hr = Call("AnalyzeAll", fakes::Args(word));
        auto it = words.find(com::FromBstr(word));
        last = it != words.end() ? it->second : Entry{0, "", ""};
        if (SUCCEEDED(hr)) *result = last.code;
        return hr;
    }

    std::map<std::string, Entry> words;
    bool nullOut = false;  // PForma and SInfo give null BSTRs

private:
    Entry last{0, "", ""};
};
