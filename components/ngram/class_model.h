// A word-class model from a class file of lines "word class probability" (the linear
// probability of the word within that class; "//" lines and blank lines skipped). A word may
// belong to several classes; its own class is the first one listed for it. Words are numbered
// from 1 in order of first appearance; classes either the same way or by a list of class names
// given in id order (the vocabulary of a model over class sequences).
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace ngram {

class ClassModel {
public:
    // classNames: when not empty, a class named classNames[i] gets id i (ids from 1 count; an
    // empty name is skipped); classes not in it get ids after the last. Throws LoadError.
    static ClassModel Parse(std::string_view text, const std::string& name,
                            const std::vector<std::string>& classNames = {});
    static ClassModel ReadFile(const std::string& path, const std::vector<std::string>& classNames = {});

    int32_t WordId(std::string_view word) const;
    int32_t ClassOfWord(std::string_view word) const;   // the word's own class, 0 when unknown
    int32_t ClassId(std::string_view className) const;  // 0 when no class has that name
    // A class named by the text, else the class of the word, else 0.
    int32_t ClassOfText(std::string_view text) const;
    double Probability(int32_t classId, int32_t wordId) const;  // 0 for a pair not in the file
    size_t ClassCount() const noexcept { return classCount_; }
    size_t WordCount() const noexcept { return words_.size(); }

private:
    std::unordered_map<std::string, int32_t> words_;
    std::unordered_map<std::string, int32_t> classes_;
    std::vector<int32_t> wordClass_;  // by word id
    std::map<std::pair<int32_t, int32_t>, double> probs_;  // (class, word)
    size_t classCount_ = 0;
};

}  // namespace ngram
