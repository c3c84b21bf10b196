#include "ngram/ngram_table.h"
#include <cstring>

namespace ngram {

size_t NgramTable::Hash(const int32_t* ids) const noexcept {
    uint64_t h = 0x9E3779B97F4A7C15ull;
    for (int i = 0; i < n_; ++i) {
        h ^= static_cast<uint32_t>(ids[i]);
        h *= 0xFF51AFD7ED558CCDull;
        h ^= h >> 29;
    }
    return static_cast<size_t>(h ^ (h >> 32));
}

void NgramTable::Reserve(size_t count) {
    size_t cap = 16;
    while (cap < count + count / 2 + 1) cap *= 2;  // load at most two thirds
    if (cap <= probs_.size()) return;
    std::vector<int32_t> oldKeys = std::move(keys_);
    std::vector<float> oldProbs = std::move(probs_);
    std::vector<float> oldBows = std::move(bows_);
    keys_.assign(cap * n_, kFree);
    probs_.assign(cap, 0.0f);
    bows_.assign(cap, 0.0f);
    mask_ = cap - 1;
    count_ = 0;
    for (size_t s = 0; s < oldProbs.size(); ++s)
        if (oldKeys[s * n_] != kFree) Insert(&oldKeys[s * n_], oldProbs[s], oldBows[s]);
}

bool NgramTable::Insert(const int32_t* ids, float prob, float bow) {
    if ((count_ + 1) * 3 > probs_.size() * 2) Reserve(count_ * 2 + 8);
    size_t s = Hash(ids) & mask_;
    const size_t bytes = sizeof(int32_t) * n_;
    while (keys_[s * n_] != kFree) {
        if (std::memcmp(&keys_[s * n_], ids, bytes) == 0) return false;
        s = (s + 1) & mask_;
    }
    std::memcpy(&keys_[s * n_], ids, bytes);
    probs_[s] = prob;
    bows_[s] = bow;
    ++count_;
    return true;
}

long NgramTable::Find(const int32_t* ids) const noexcept {
    if (probs_.empty()) return -1;
    size_t s = Hash(ids) & mask_;
    const size_t bytes = sizeof(int32_t) * n_;
    while (keys_[s * n_] != kFree) {
        if (std::memcmp(&keys_[s * n_], ids, bytes) == 0) return static_cast<long>(s);
        s = (s + 1) & mask_;
    }
    return -1;
}

}  // namespace ngram
