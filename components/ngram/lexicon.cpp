#include "ngram/lexicon.h"
#include <vector>
#include "ngram/load_error.h"
#include "ngram/text.h"

namespace ngram {

Lexicon Lexicon::Parse(std::string_view text, const std::string& name) {
    Lexicon lex;
    LineCursor cursor(text);
    std::string_view line;
    while (cursor.Next(line)) {
        line = Trim(line);
        if (line.empty() || line.substr(0, 2) == "//") continue;
        std::vector<std::string_view> f = SplitFields(line);
        if (f.size() != 3)
            throw LoadError(name + ": expected \"word base-form analysis\" in the lexicon at line " +
                            std::to_string(cursor.LineNumber()));
        lex.entries_.emplace(std::string(f[0]), Analysis{std::string(f[1]), std::string(f[2])});
    }
    return lex;
}

Lexicon Lexicon::ReadFile(const std::string& path) {
    const std::string text = ReadWholeFile(path);
    return Parse(text, path);
}

const Analysis* Lexicon::Find(std::string_view word) const {
    auto it = entries_.find(std::string(word));
    if (it == entries_.end()) it = entries_.find(LowerCp1257(word));
    return it == entries_.end() ? nullptr : &it->second;
}

Analysis Lexicon::Guess(std::string_view word) { return Analysis{LowerCp1257(word), std::string(kUnknownAnalysis)}; }

}  // namespace ngram
