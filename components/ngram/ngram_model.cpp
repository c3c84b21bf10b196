#include "ngram/ngram_model.h"
#include <limits>
#include "ngram/linear_prob.h"

namespace ngram {

namespace {
constexpr float kMinusInf = -std::numeric_limits<float>::infinity();
constexpr std::string_view kUnkText = "<unk>";
}  // namespace

size_t NgramModel::Count(int n) const noexcept {
    if (n < 1 || n > order_) return 0;
    if (n == 1) return words_.size() - (hasUnk_ ? 0 : 1);
    return trie_.Count(n);
}

int32_t NgramModel::WordId(std::string_view word) const noexcept {
    int32_t id = vocab_.Find(word);
    return id == Vocabulary::kAbsent ? kUnknown : id;
}

void NgramModel::Start(int order, const std::array<size_t, kMaxOrder>& counts) {
    order_ = order;
    hasUnk_ = false;
    words_.assign(1, std::string(kUnkText));  // id 0 is always the unknown word
    words_.reserve(counts[0] + 1);
    uniProb_.assign(1, kMinusInf);
    uniBow_.assign(1, 0.0f);
    uniProb_.reserve(counts[0] + 1);
    uniBow_.reserve(counts[0] + 1);
    vocab_ = Vocabulary();
    vocab_.Reserve(counts[0] + 1);
    trie_.Start(order, counts);
}

bool NgramModel::AddWord(std::string_view word, float prob, float bow) {
    if (word == kUnkText) {
        if (hasUnk_) return false;
        hasUnk_ = true;
        uniProb_[0] = prob;
        uniBow_[0] = bow;
        return true;
    }
    const int32_t id = static_cast<int32_t>(words_.size());
    if (!vocab_.Add(word, id)) return false;
    words_.emplace_back(word);
    uniProb_.push_back(prob);
    uniBow_.push_back(bow);
    return true;
}

bool NgramModel::AddNgram(int n, const int32_t* ids, float prob, float bow) {
    return trie_.Add(n, ids, prob, bow);
}

double NgramModel::Log10Prob(std::span<const int32_t> history, int32_t word) const noexcept {
    if (order_ == 0) return -std::numeric_limits<double>::infinity();
    const int32_t size = VocabularySize();
    auto norm = [size](int32_t id) { return id >= size ? kUnknown : id; };
    // The usable context: the most recent words up to the first "no word" going back.
    int32_t ids[kMaxOrder];
    int ctx = 0;
    for (size_t i = history.size(); i > 0 && ctx < order_ - 1; --i) {
        if (history[i - 1] < 0) break;
        ++ctx;
    }
    for (int i = 0; i < ctx; ++i) ids[i] = norm(history[history.size() - static_cast<size_t>(ctx) + static_cast<size_t>(i)]);
    ids[ctx] = word < 0 ? kUnknown : norm(word);

    // The walks below wait on memory one after another: what each reads first is asked for now.
    for (int i = 0; i < ctx; ++i) trie_.Prefetch(ids[i]);
    if (ctx > 0) __builtin_prefetch(&uniBow_[static_cast<size_t>(ids[ctx - 1])]);
    __builtin_prefetch(&uniProb_[static_cast<size_t>(ids[ctx])]);

    double backoff = 0.0;
    uint32_t node[kMaxOrder];
    for (int len = ctx; len >= 1; --len) {
        const int32_t* tuple = ids + (ctx - len);  // the last len context words and the word
        // One walk finds the n-gram and, when it is not listed, its context.
        const int depth = trie_.Walk(tuple, len + 1, node);
        if (depth == len + 1 && trie_.Listed(len + 1, node[len])) return backoff + trie_.Prob(len + 1, node[len]);
        if (len == 1) {
            backoff += uniBow_[static_cast<size_t>(tuple[0])];
        } else if (depth >= len && trie_.Listed(len, node[len - 1])) {
            backoff += trie_.Bow(len, node[len - 1]);
        }
    }
    return backoff + uniProb_[static_cast<size_t>(ids[ctx])];
}

double NgramModel::Probability(std::span<const int32_t> history, int32_t word) const noexcept {
    return LinearProb(Log10Prob(history, word));
}

double NgramModel::Log10Prob(std::span<const std::string_view> words) const noexcept {
    if (words.empty()) return -std::numeric_limits<double>::infinity();
    int32_t ids[kMaxOrder];
    const size_t hist = words.size() - 1;
    const size_t use = hist < static_cast<size_t>(kMaxOrder - 1) ? hist : static_cast<size_t>(kMaxOrder - 1);
    for (size_t i = hist - use; i < words.size(); ++i) vocab_.Prefetch(words[i]);
    for (size_t i = 0; i < use; ++i) {
        std::string_view w = words[hist - use + i];
        ids[i] = w.empty() ? kNoWord : WordId(w);
    }
    return Log10Prob(std::span<const int32_t>(ids, use), WordId(words.back()));
}

double NgramModel::Probability(std::span<const std::string_view> words) const noexcept {
    return LinearProb(Log10Prob(words));
}

}  // namespace ngram
