// The analyzer step of the analyzer-based set types: base forms and analysis texts of up to three
// words, in pForma and sInfo.
#include <cstring>

#include "calls.h"
#include "modelset.h"
#include "modelset_internal.h"

using namespace engine::detail;

namespace {

// Copies text into a buffer of size bytes, cut to fit with its terminating zero.
template <size_t N>
void Store(char (&buffer)[N], const std::string& text) {
    const size_t len = std::min(text.size(), N - 1);
    std::memcpy(buffer, text.data(), len);
    buffer[len] = 0;
}

}  // namespace

bool TTarvel::AnalyzeOne(IZA* za, const char* word, int slot) {
    // A failed AnalyzeAll call leaves no code: the word counts as not analysed.
    const long code = engine::call::AnalyzeAll(za, word);
    if (code != 1 && code != 4) {
        const std::string error = engine::call::GetLastError(za);
        LogError("Error by analyzing " + error + " - " + (word ? word : ""));
        return false;
    }
    Store(pForma[slot], engine::call::PForma(za));
    Store(sInfo[slot], engine::call::SInfo(za));
    return true;
}

bool TTarvel::AnalyzeWords(const char* t1, const char* t2, const char* t3) {
    for (int i = 0; i < 3; ++i) {
        pForma[i][0] = 0;
        sInfo[i][0] = 0;
    }
    // Held for the whole step: a load that the analyzer's calls let in may replace it.
    const com::com_ptr<IZA> za = analyzer;
    if (!za) {
        LogError("Language Analyzer not initialized");
        return false;
    }
    // Copies: the analyzer's calls may let a nested call reuse the history slots they point at.
    const std::string w1 = t1 ? t1 : "", w2 = t2 ? t2 : "", w3 = t3 ? t3 : "";
    if (!w1.empty() && !AnalyzeOne(za.get(), w1.c_str(), 0)) return false;
    if (!w2.empty() && !AnalyzeOne(za.get(), w2.c_str(), 1)) return false;
    return AnalyzeOne(za.get(), w3.c_str(), 2);
}
