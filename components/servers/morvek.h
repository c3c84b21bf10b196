// Morvek: the language analyzer behind IZA. Init loads the lexicon named by the environment
// variable MORVEK_LEXICON, or else the file "morvek.lex" beside the module. AnalyzeAll answers
// 1 for a word of the lexicon and 4 for any other word, analysed by the fallback rule (its
// lower-case form as base form, "UNK" as description); PForma and SInfo then describe it.
#pragma once
#include <mutex>
#include <string>
#include "com/dual.h"
#include "components.h"
#include "ngram/lexicon.h"
#include "servers/server_support.h"

namespace servers {

class Morvek final : public com::Dual<IZA> {
public:
    static constexpr char kLexiconVariable[] = "MORVEK_LEXICON";
    static constexpr char kLexiconFile[] = "morvek.lex";

    Morvek() : Dual(IID_IZA) {}

    HRESULT STDMETHODCALLTYPE Init(VARIANT_BOOL* ready) override;
    HRESULT STDMETHODCALLTYPE GetLastError(BSTR* text) override;
    HRESULT STDMETHODCALLTYPE LexiconSize(LONG* count) override;
    HRESULT STDMETHODCALLTYPE PForma(BSTR* baseForm) override;
    HRESULT STDMETHODCALLTYPE SInfo(BSTR* description) override;
    HRESULT STDMETHODCALLTYPE IsKnown(BSTR word, LONG* known) override;
    HRESULT STDMETHODCALLTYPE LastWord(BSTR* word) override;
    HRESULT STDMETHODCALLTYPE Version(BSTR* text) override;
    HRESULT STDMETHODCALLTYPE Reset() override;
    HRESULT STDMETHODCALLTYPE AnalyzeAll(BSTR word, LONG* result) override;

    // Where Init looks for the lexicon.
    static std::string LexiconPath();

private:
    HRESULT Text(const std::string& value, BSTR* out);

    std::mutex mutex_;
    std::shared_ptr<const ngram::Lexicon> lexicon_;
    std::string lastError_;
    std::string lastWord_;
    ngram::Analysis last_;
};

}  // namespace servers
