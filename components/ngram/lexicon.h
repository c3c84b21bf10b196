// The language analyzer's lexicon: lines "word base-form analysis" (three fields separated by
// blanks or tabs; "//" lines and blank lines skipped). The analysis is one token such as
// "dkt.vyr.vns.vard." so that it can stand as a word in an n-gram model. A word listed twice
// keeps its first analysis.
#pragma once
#include <string>
#include <string_view>
#include <unordered_map>

namespace ngram {

struct Analysis {
    std::string baseForm;
    std::string description;
};

class Lexicon {
public:
    // The analysis given to a word the lexicon does not know.
    static constexpr std::string_view kUnknownAnalysis = "UNK";

    static Lexicon Parse(std::string_view text, const std::string& name);  // throws LoadError
    static Lexicon ReadFile(const std::string& path);

    // The word as written, else its lower-case form (code page 1257); null when neither is listed.
    const Analysis* Find(std::string_view word) const;
    // Fallback for an unknown word: its lower-case form as the base form, "UNK" as the analysis.
    static Analysis Guess(std::string_view word);
    size_t Size() const noexcept { return entries_.size(); }

private:
    std::unordered_map<std::string, Analysis> entries_;
};

}  // namespace ngram
