// The n-grams of orders 2 to 4 as a trie of sorted per-context arrays: the children of each
// (n-1)-gram are one run of the n-gram arrays, sorted by their last word, so an n-gram costs its
// last word, its probability and (below the highest order) its back-off weight and the start of
// its own children; nothing is stored for free slots or for back-off weights the highest order
// never has. Built once from the n-grams in any order; a context that an n-gram needs but the
// model does not list is kept as a node that is not listed.
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace ngram {

class NgramTrie {
public:
    static constexpr int kMaxOrder = 4;

    // Building: Start, the n-grams of each order (any order of n-grams within an order), Finish.
    void Start(int order, const std::array<size_t, kMaxOrder>& counts);
    // ids: n word ids below the vocabulary size; false when that n-gram was already added.
    bool Add(int n, const int32_t* ids, float prob, float bow);
    // Ids run from 0 to vocabularySize - 1.
    void Finish(size_t vocabularySize);

    size_t Count(int n) const noexcept { return n >= 2 && n <= order_ ? counts_[static_cast<size_t>(n - 1)] : 0; }

    // Follows ids[0], ids[1], ... down from the 1-gram ids[0], at most len words; node[d] is the
    // index of the (d+1)-gram ids[0..d] in its order. Returns how many words were followed (1 to len).
    int Walk(const int32_t* ids, int len, uint32_t* node) const noexcept;
    // Asks for the memory that a walk from the 1-gram w reads first.
    void Prefetch(int32_t w) const noexcept {
        if (!first_.empty()) __builtin_prefetch(&first_[static_cast<size_t>(w)]);
    }
    // For a node that Walk reached, n being its order (2 and up).
    bool Listed(int n, uint32_t i) const noexcept { return At(n).probs[i] <= 0.0f; }
    float Prob(int n, uint32_t i) const noexcept { return At(n).probs[i]; }
    float Bow(int n, uint32_t i) const noexcept { return At(n).bows[i]; }

    // Every listed n-gram of order n, sorted by its word ids: f(ids, prob, bow); the highest
    // order gives back-off weight 0.
    void ForEach(int n, const std::function<void(const int32_t*, float, float)>& f) const;

private:
    struct Level {
        std::vector<int32_t> words;     // the last word of each n-gram
        std::vector<float> probs;       // log10; above 0 for a context that is not listed
        std::vector<float> bows;        // below the highest order only
        std::vector<uint32_t> children; // below the highest order: children of i are [children[i], children[i+1])
    };
    // The n-grams of one order as they arrive: whole keys, until Finish links them.
    struct Staging {
        std::vector<int32_t> keys;  // n ids per n-gram
        std::vector<float> probs, bows;
        bool sorted = true;
        std::vector<uint32_t> seen;  // once out of order: hash slots (index + 1) to find duplicates
        const int32_t* Key(size_t i, int n) const noexcept { return keys.data() + i * static_cast<size_t>(n); }
    };
    const Level& At(int n) const noexcept { return levels_[static_cast<size_t>(n - 2)]; }
    static bool Remember(Staging& s, int n, uint32_t index);
    static void Sort(Staging& s, int n);
    static void AddMissingContexts(Staging& contexts, const Staging& below, int n);
    static std::vector<uint32_t> Link(const Staging& parents, const Staging& below, int n);
    void ForEachBelow(int n, int depth, uint32_t lo, uint32_t hi, int32_t* ids,
                      const std::function<void(const int32_t*, float, float)>& f) const;

    int order_ = 0;
    std::array<size_t, kMaxOrder> counts_{};
    std::vector<uint32_t> first_;  // children of the 1-gram w in the 2-grams: [first_[w], first_[w+1])
    std::array<Level, kMaxOrder - 1> levels_;
    std::array<Staging, kMaxOrder - 1> staging_;
};

}  // namespace ngram
