// A back-off n-gram model of order 1 to 4 held in memory. Word ids: "<unk>" and every word the
// model does not know are 0; the other words are numbered from 1 in the order of the 1-grams.
// Probabilities follow the standard back-off rule over log10 values.
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>
#include "ngram/ngram_trie.h"
#include "ngram/vocabulary.h"

namespace ngram {

class NgramModel {
public:
    static constexpr int kMaxOrder = 4;
    static constexpr int32_t kUnknown = 0;
    // An id below 0 in a history stands for no word: the context ends there.
    static constexpr int32_t kNoWord = -1;

    NgramModel() = default;
    NgramModel(NgramModel&&) noexcept = default;
    NgramModel& operator=(NgramModel&&) noexcept = default;

    int Order() const noexcept { return order_; }
    size_t Count(int n) const noexcept;  // n-grams of order n (1-grams include "<unk>" when given)
    int32_t VocabularySize() const noexcept { return static_cast<int32_t>(words_.size()); }  // ids 0..size-1
    const std::string& Word(int32_t id) const { return words_.at(static_cast<size_t>(id)); }
    bool HasUnknownWord() const noexcept { return hasUnk_; }

    int32_t WordId(std::string_view word) const noexcept;

    // log10 probability of word after history (oldest first; only the last Order()-1 are used).
    // An id above the vocabulary is the unknown word; below 0 ends the context. A model
    // without "<unk>" gives the unknown word log10 0, returned as -infinity. The terms are
    // single precision, their sum is taken in double.
    double Log10Prob(std::span<const int32_t> history, int32_t word) const noexcept;
    // Linear probability, 0 to 1, never NaN (LinearProb of Log10Prob).
    double Probability(std::span<const int32_t> history, int32_t word) const noexcept;
    // The last text is the word, the others its history; an empty text ends the context.
    double Log10Prob(std::span<const std::string_view> words) const noexcept;
    double Probability(std::span<const std::string_view> words) const noexcept;

    // Building, for the readers: Start, every 1-gram, then the n-grams of each higher order, Finish.
    void Start(int order, const std::array<size_t, kMaxOrder>& counts);
    // False when the word was already added. "<unk>" takes id 0; the others the next id.
    bool AddWord(std::string_view word, float prob, float bow);
    // ids: n word ids; false when that n-gram was already added.
    bool AddNgram(int n, const int32_t* ids, float prob, float bow);
    void Finish() { trie_.Finish(words_.size()); }
    float UnigramProb(int32_t id) const noexcept { return uniProb_[static_cast<size_t>(id)]; }
    float UnigramBow(int32_t id) const noexcept { return uniBow_[static_cast<size_t>(id)]; }
    // Every n-gram of order n (2 and up), sorted by ids: f(ids, prob, bow).
    void ForEachNgram(int n, const std::function<void(const int32_t*, float, float)>& f) const { trie_.ForEach(n, f); }

private:
    int order_ = 0;
    bool hasUnk_ = false;
    std::vector<std::string> words_;
    Vocabulary vocab_;
    std::vector<float> uniProb_;
    std::vector<float> uniBow_;
    NgramTrie trie_;
};

}  // namespace ngram
