#include "ngram/class_model.h"
#include "ngram/load_error.h"
#include "ngram/text.h"

namespace ngram {

ClassModel ClassModel::Parse(std::string_view text, const std::string& name, const std::vector<std::string>& classNames) {
    ClassModel m;
    int32_t nextClass = 1;
    for (size_t i = 1; i < classNames.size(); ++i)
        if (!classNames[i].empty()) m.classes_.emplace(classNames[i], static_cast<int32_t>(i));
    if (!classNames.empty()) nextClass = static_cast<int32_t>(classNames.size());
    m.wordClass_.push_back(0);

    LineCursor cursor(text);
    std::string_view line;
    auto fail = [&](const std::string& what) {
        throw LoadError(name + ": " + what + " in the class list at line " + std::to_string(cursor.LineNumber()));
    };
    while (cursor.Next(line)) {
        line = Trim(line);
        if (line.empty() || line.substr(0, 2) == "//") continue;
        std::vector<std::string_view> f = SplitFields(line);
        if (f.size() != 3) fail("expected \"word class probability\"");
        float p = 0;
        if (!ParseFloat(f[2], p) || p < 0.0f || p > 1.0f) fail("bad probability \"" + std::string(f[2]) + "\"");
        std::string word(f[0]), cls(f[1]);
        auto [w, newWord] = m.words_.emplace(word, static_cast<int32_t>(m.wordClass_.size()));
        auto [c, newClass] = m.classes_.emplace(cls, nextClass);
        if (newClass) ++nextClass;
        if (newWord) m.wordClass_.push_back(c->second);
        if (!m.probs_.emplace(std::make_pair(c->second, w->second), p).second)
            fail("word \"" + word + "\" listed twice in class \"" + cls + "\"");
    }
    m.classCount_ = m.classes_.size();
    return m;
}

ClassModel ClassModel::ReadFile(const std::string& path, const std::vector<std::string>& classNames) {
    const std::string text = ReadWholeFile(path);
    return Parse(text, path, classNames);
}

int32_t ClassModel::WordId(std::string_view word) const {
    auto it = words_.find(std::string(word));
    return it == words_.end() ? 0 : it->second;
}

int32_t ClassModel::ClassOfWord(std::string_view word) const {
    return wordClass_[static_cast<size_t>(WordId(word))];
}

int32_t ClassModel::ClassId(std::string_view className) const {
    auto it = classes_.find(std::string(className));
    return it == classes_.end() ? 0 : it->second;
}

int32_t ClassModel::ClassOfText(std::string_view text) const {
    int32_t c = ClassId(text);
    return c ? c : ClassOfWord(text);
}

double ClassModel::Probability(int32_t classId, int32_t wordId) const {
    auto it = probs_.find(std::make_pair(classId, wordId));
    return it == probs_.end() ? 0.0 : it->second;
}

}  // namespace ngram
