#include "ngram/ngram_trie.h"
#include <algorithm>
#include <numeric>

namespace ngram {

namespace {

constexpr float kNotListed = 1.0f;  // listed probabilities are log10 values, never above 0

int Compare(const int32_t* a, const int32_t* b, int len) noexcept {
    for (int i = 0; i < len; ++i)
        if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
    return 0;
}

size_t Hash(const int32_t* ids, int n) noexcept {
    uint64_t h = 0x9E3779B97F4A7C15ull;
    for (int i = 0; i < n; ++i) {
        h ^= static_cast<uint32_t>(ids[i]);
        h *= 0xFF51AFD7ED558CCDull;
        h ^= h >> 29;
    }
    return static_cast<size_t>(h ^ (h >> 32));
}

// Index of word in words[lo, hi), sorted; hi when absent.
uint32_t Search(const int32_t* words, uint32_t lo, uint32_t hi, int32_t word) noexcept {
    const uint32_t end = hi;
    while (lo < hi) {
        const uint32_t mid = lo + (hi - lo) / 2;
        if (words[mid] < word) lo = mid + 1;
        else hi = mid;
    }
    return lo < end && words[lo] == word ? lo : end;
}

}  // namespace

void NgramTrie::Start(int order, const std::array<size_t, kMaxOrder>& counts) {
    order_ = order;
    counts_.fill(0);
    first_.clear();
    for (int n = 2; n <= kMaxOrder; ++n) {
        levels_[static_cast<size_t>(n - 2)] = Level();
        Staging& s = staging_[static_cast<size_t>(n - 2)];
        s = Staging();
        if (n > order) continue;
        const size_t count = counts[static_cast<size_t>(n - 1)];
        s.keys.reserve(count * static_cast<size_t>(n));
        s.probs.reserve(count);
        if (n < order) s.bows.reserve(count);
    }
}

bool NgramTrie::Remember(Staging& s, int n, uint32_t index) {
    if ((static_cast<size_t>(index) + 1) * 2 > s.seen.size()) {
        size_t cap = 16;
        while (cap < (static_cast<size_t>(index) + 1) * 2 || cap < s.probs.capacity() * 2) cap *= 2;
        s.seen.assign(cap, 0);
        for (uint32_t i = 0; i < index; ++i) Remember(s, n, i);
    }
    const size_t mask = s.seen.size() - 1;
    const int32_t* key = s.Key(index, n);
    size_t slot = Hash(key, n) & mask;
    while (s.seen[slot]) {
        if (Compare(s.Key(s.seen[slot] - 1, n), key, n) == 0) return false;
        slot = (slot + 1) & mask;
    }
    s.seen[slot] = index + 1;
    return true;
}

bool NgramTrie::Add(int n, const int32_t* ids, float prob, float bow) {
    Staging& s = staging_[static_cast<size_t>(n - 2)];
    const uint32_t index = static_cast<uint32_t>(s.probs.size());
    // Files usually list their n-grams sorted: then a duplicate is the one before.
    if (s.sorted && index > 0) {
        const int c = Compare(s.Key(index - 1, n), ids, n);
        if (c == 0) return false;
        if (c > 0) s.sorted = false;
    }
    s.keys.insert(s.keys.end(), ids, ids + n);
    if (!s.sorted && !Remember(s, n, index)) {
        s.keys.resize(s.keys.size() - static_cast<size_t>(n));
        return false;
    }
    s.probs.push_back(prob);
    if (n < order_) s.bows.push_back(bow);
    return true;
}

void NgramTrie::Sort(Staging& s, int n) {
    const size_t count = s.probs.size();
    std::vector<uint32_t> perm(count);
    std::iota(perm.begin(), perm.end(), 0u);
    const int32_t* keys = s.keys.data();
    std::sort(perm.begin(), perm.end(), [keys, n](uint32_t a, uint32_t b) {
        return Compare(keys + static_cast<size_t>(a) * n, keys + static_cast<size_t>(b) * n, n) < 0;
    });
    std::vector<int32_t> k(s.keys.size());
    std::vector<float> p(count), w(s.bows.empty() ? 0 : count);
    for (size_t i = 0; i < count; ++i) {
        std::copy_n(keys + static_cast<size_t>(perm[i]) * n, n, &k[i * static_cast<size_t>(n)]);
        p[i] = s.probs[perm[i]];
        if (!w.empty()) w[i] = s.bows[perm[i]];
    }
    s.keys = std::move(k);
    s.probs = std::move(p);
    s.bows = std::move(w);
    s.sorted = true;
}

// contexts holds the (n-1)-grams, below the n-grams, both sorted: every context of an n-gram that
// contexts lacks is merged in, not listed, with back-off weight 0 (weight 1).
void NgramTrie::AddMissingContexts(Staging& contexts, const Staging& below, int n) {
    const int m = n - 1;
    const size_t count = contexts.probs.size(), children = below.probs.size();
    auto context = [&](size_t i) { return contexts.Key(i, m); };
    auto prefix = [&](size_t j) { return below.Key(j, n); };
    std::vector<size_t> missing;  // indices in below of the first child of each missing context
    size_t i = 0;
    for (size_t j = 0; j < children; ++j) {
        if (j > 0 && Compare(prefix(j - 1), prefix(j), m) == 0) continue;
        while (i < count && Compare(context(i), prefix(j), m) < 0) ++i;
        if (i == count || Compare(context(i), prefix(j), m) != 0) missing.push_back(j);
    }
    if (missing.empty()) return;
    const size_t total = count + missing.size();
    Staging merged;
    merged.keys.reserve(total * static_cast<size_t>(m));
    merged.probs.reserve(total);
    merged.bows.reserve(total);
    i = 0;
    for (size_t j : missing) {
        for (; i < count && Compare(context(i), prefix(j), m) < 0; ++i) {
            merged.keys.insert(merged.keys.end(), context(i), context(i) + m);
            merged.probs.push_back(contexts.probs[i]);
            merged.bows.push_back(contexts.bows[i]);
        }
        merged.keys.insert(merged.keys.end(), prefix(j), prefix(j) + m);
        merged.probs.push_back(kNotListed);
        merged.bows.push_back(0.0f);
    }
    for (; i < count; ++i) {
        merged.keys.insert(merged.keys.end(), context(i), context(i) + m);
        merged.probs.push_back(contexts.probs[i]);
        merged.bows.push_back(contexts.bows[i]);
    }
    contexts = std::move(merged);
}

// For each (n-1)-gram of parents, where its children start among the sorted n-grams of below;
// one more entry ends the last run.
std::vector<uint32_t> NgramTrie::Link(const Staging& parents, const Staging& below, int n) {
    const int m = n - 1;
    const size_t count = parents.probs.size(), children = below.probs.size();
    std::vector<uint32_t> first(count + 1);
    size_t j = 0;
    for (size_t i = 0; i < count; ++i) {
        while (j < children && Compare(below.Key(j, n), parents.Key(i, m), m) < 0) ++j;
        first[i] = static_cast<uint32_t>(j);
    }
    first[count] = static_cast<uint32_t>(children);
    return first;
}

void NgramTrie::Finish(size_t vocabularySize) {
    for (int n = 2; n <= order_; ++n) {
        Staging& s = staging_[static_cast<size_t>(n - 2)];
        s.seen = std::vector<uint32_t>();
        if (!s.sorted) Sort(s, n);
        counts_[static_cast<size_t>(n - 1)] = s.probs.size();
    }
    // From the top down: a context added to an order may itself need a context below it.
    for (int n = order_; n >= 3; --n)
        AddMissingContexts(staging_[static_cast<size_t>(n - 3)], staging_[static_cast<size_t>(n - 2)], n);

    first_.assign(vocabularySize + 1, 0);
    if (order_ >= 2) {
        const Staging& bigrams = staging_[0];
        size_t j = 0;
        for (size_t w = 0; w <= vocabularySize; ++w) {
            while (j < bigrams.probs.size() && static_cast<size_t>(bigrams.keys[j * 2]) < w) ++j;
            first_[w] = static_cast<uint32_t>(j);
        }
    }
    // Each order keeps the last words of its keys once the order above is linked to them.
    for (int n = 2; n <= order_; ++n) {
        Level& level = levels_[static_cast<size_t>(n - 2)];
        Staging& s = staging_[static_cast<size_t>(n - 2)];
        if (n < order_) level.children = Link(s, staging_[static_cast<size_t>(n - 1)], n + 1);
        const size_t count = s.probs.size();
        level.words.resize(count);
        for (size_t i = 0; i < count; ++i) level.words[i] = s.Key(i, n)[n - 1];
        level.probs = std::move(s.probs);
        level.bows = std::move(s.bows);
        level.probs.shrink_to_fit();
        level.bows.shrink_to_fit();
        s = Staging();
    }
}

int NgramTrie::Walk(const int32_t* ids, int len, uint32_t* node) const noexcept {
    node[0] = static_cast<uint32_t>(ids[0]);
    if (len < 2 || first_.empty()) return 1;
    uint32_t lo = first_[static_cast<size_t>(ids[0])], hi = first_[static_cast<size_t>(ids[0]) + 1];
    int d = 1;
    for (; d < len; ++d) {
        const Level& level = At(d + 1);
        const uint32_t j = Search(level.words.data(), lo, hi, ids[d]);
        if (j == hi) break;
        node[d] = j;
        if (d + 1 < len) {
            lo = level.children[j];
            hi = level.children[j + 1];
        }
    }
    return d;
}

void NgramTrie::ForEachBelow(int n, int depth, uint32_t lo, uint32_t hi, int32_t* ids,
                             const std::function<void(const int32_t*, float, float)>& f) const {
    if (depth > n || depth > kMaxOrder) return;
    const Level& level = At(depth);
    for (uint32_t i = lo; i < hi; ++i) {
        ids[depth - 1] = level.words[i];
        if (depth < n) {
            ForEachBelow(n, depth + 1, level.children[i], level.children[i + 1], ids, f);
        } else if (Listed(n, i)) {
            f(ids, level.probs[i], n < order_ ? level.bows[i] : 0.0f);
        }
    }
}

void NgramTrie::ForEach(int n, const std::function<void(const int32_t*, float, float)>& f) const {
    if (n < 2 || n > order_ || first_.empty()) return;
    int32_t ids[kMaxOrder];
    for (size_t w = 0; w + 1 < first_.size(); ++w) {
        ids[0] = static_cast<int32_t>(w);
        ForEachBelow(n, 2, first_[w], first_[w + 1], ids, f);
    }
}

}  // namespace ngram
