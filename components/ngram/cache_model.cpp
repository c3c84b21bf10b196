#include "ngram/cache_model.h"

namespace ngram {

namespace {
template <typename M, typename K>
void Bump(M& m, const K& key, int delta) {
    auto it = m.find(key);
    if (it == m.end()) {
        if (delta > 0) m.emplace(key, delta);
        return;
    }
    it->second += delta;
    if (it->second <= 0) m.erase(it);
}
}  // namespace

void CacheModel::Count(const std::string& w, int delta) { Bump(counts_, w, delta); }

void CacheModel::CountPair(const std::string& a, const std::string& b, int delta) {
    Bump(firsts_, a, delta);
    Bump(pairs_, std::make_pair(a, b), delta);
}

double CacheModel::Probability(std::string_view word) const {
    if (words_.empty()) return 0.0;
    auto it = counts_.find(std::string(word));
    return it == counts_.end() ? 0.0 : static_cast<double>(it->second) / static_cast<double>(words_.size());
}

double CacheModel::Probability(std::string_view previous, std::string_view word) const {
    auto f = firsts_.find(std::string(previous));
    if (f == firsts_.end()) return 0.0;
    auto p = pairs_.find(std::make_pair(std::string(previous), std::string(word)));
    return p == pairs_.end() ? 0.0 : static_cast<double>(p->second) / static_cast<double>(f->second);
}

void CacheModel::Add(std::string_view word) {
    if (words_.size() == capacity_) {
        // The oldest word and the pair it starts leave the cache.
        if (words_.size() > 1) CountPair(words_[0], words_[1], -1);
        Count(words_.front(), -1);
        words_.pop_front();
    }
    words_.emplace_back(word);
    Count(words_.back(), +1);
    if (words_.size() > 1) CountPair(words_[words_.size() - 2], words_.back(), +1);
}

void CacheModel::Clear() {
    words_.clear();
    counts_.clear();
    firsts_.clear();
    pairs_.clear();
}

size_t CacheModel::TakeBack(long n) {
    size_t removed = 0;
    while (n-- > 0 && !words_.empty()) {
        if (words_.size() > 1) CountPair(words_[words_.size() - 2], words_.back(), -1);
        Count(words_.back(), -1);
        words_.pop_back();
        ++removed;
    }
    return removed;
}

}  // namespace ngram
