// A cache over the most recent words: the probability of a word is its share of the cached
// words, the probability of a word after another the share of that word among the cached
// successors of the other. Holds at most Capacity() words; the oldest drops out.
#pragma once
#include <deque>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

namespace ngram {

class CacheModel {
public:
    explicit CacheModel(size_t capacity = 1000) : capacity_(capacity ? capacity : 1) {}

    size_t Capacity() const noexcept { return capacity_; }
    size_t Size() const noexcept { return words_.size(); }
    double Probability(std::string_view word) const;
    double Probability(std::string_view previous, std::string_view word) const;
    void Add(std::string_view word);
    void Clear();
    // Takes back the n most recently added words that are still cached; returns how many.
    size_t TakeBack(long n);

private:
    void Count(const std::string& w, int delta);
    void CountPair(const std::string& a, const std::string& b, int delta);

    size_t capacity_;
    std::deque<std::string> words_;
    std::unordered_map<std::string, long> counts_;
    std::unordered_map<std::string, long> firsts_;  // how often a word has a cached successor
    std::map<std::pair<std::string, std::string>, long, std::less<>> pairs_;
};

}  // namespace ngram
