// The n-grams of one order (2 and up): word-id tuples with their log10 probability and back-off
// weight, in an open-addressing table sized once from the count the model file announces.
#pragma once
#include <cstdint>
#include <vector>

namespace ngram {

class NgramTable {
public:
    static constexpr int32_t kFree = INT32_MIN;

    explicit NgramTable(int order = 2) noexcept : n_(order) {}
    int Order() const noexcept { return n_; }
    void Reserve(size_t count);
    // False when this tuple is already there.
    bool Insert(const int32_t* ids, float prob, float bow);
    // Slot of the tuple, or -1.
    long Find(const int32_t* ids) const noexcept;
    float Prob(long slot) const noexcept { return probs_[static_cast<size_t>(slot)]; }
    float Bow(long slot) const noexcept { return bows_[static_cast<size_t>(slot)]; }
    size_t Count() const noexcept { return count_; }

    // Every stored n-gram, in table order: f(ids, prob, bow).
    template <typename F>
    void ForEach(F&& f) const {
        for (size_t s = 0; s < probs_.size(); ++s)
            if (keys_[s * n_] != kFree) f(&keys_[s * n_], probs_[s], bows_[s]);
    }

private:
    size_t Hash(const int32_t* ids) const noexcept;
    int n_;
    size_t count_ = 0;
    size_t mask_ = 0;
    std::vector<int32_t> keys_;
    std::vector<float> probs_;
    std::vector<float> bows_;
};

}  // namespace ngram
