// The n-gram store against the plain back-off rule over a map, on models whose n-grams come out
// of order, with contexts that are not listed themselves and contexts whose children are every
// word; every query of the vocabulary, in the ARPA and the binary form.
#include <gtest/gtest.h>
#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <vector>
#include "ngram/arpa_reader.h"
#include "ngram/binary_model.h"
#include "ngram/load_error.h"

using ngram::NgramModel;

namespace {

const std::vector<std::string> kWords = {"<unk>", "<s>", "a", "b", "c", "d", "e", "f"};
using Key = std::vector<int32_t>;

// A model as the map the back-off rule reads, and its ARPA text with each section shuffled.
struct Reference {
    int order = 0;
    std::map<Key, float> probs, bows;  // bows: 1-grams always, higher orders when listed below the top
    std::string arpa;

    double Log10Prob(const Key& history, int32_t word) const {
        const int32_t size = static_cast<int32_t>(kWords.size());
        Key ids;
        for (auto it = history.rbegin(); it != history.rend() && *it >= 0; ++it) {
            if (static_cast<int>(ids.size()) == order - 1) break;
            ids.insert(ids.begin(), *it >= size ? 0 : *it);
        }
        const int ctx = static_cast<int>(ids.size());
        ids.push_back(word < 0 || word >= size ? 0 : word);
        double backoff = 0.0;
        for (int len = ctx; len >= 1; --len) {
            const Key tuple(ids.end() - len - 1, ids.end());
            if (auto p = probs.find(tuple); p != probs.end()) return backoff + p->second;
            if (auto b = bows.find(Key(tuple.begin(), tuple.end() - 1)); b != bows.end()) backoff += b->second;
        }
        return backoff + probs.at(Key{ids.back()});
    }
};

// Values in eighths are read back exactly by any parser.
float Eighths(std::minstd_rand& rng, int lo, int hi) {
    return static_cast<float>(std::uniform_int_distribution<int>(lo, hi)(rng)) / 8.0f;
}

// Each n-gram of order n is listed with chance share[n], and always when full(key) says so.
template <typename Full>
Reference MakeModel(int order, const std::vector<double>& share, Full full, uint32_t seed) {
    Reference r;
    r.order = order;
    std::minstd_rand rng(seed);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const int v = static_cast<int>(kWords.size());
    std::vector<std::vector<std::string>> lines(static_cast<size_t>(order) + 1);
    for (int n = 1; n <= order; ++n) {
        Key key(static_cast<size_t>(n), 0);
        for (;;) {
            if (n == 1 || unit(rng) < share[static_cast<size_t>(n)] || full(key)) {
                const float p = Eighths(rng, -24, -1);
                r.probs[key] = p;
                std::string line = std::to_string(p);
                for (int32_t id : key) line += " " + kWords[static_cast<size_t>(id)];
                if (n < order && (n == 1 || unit(rng) < 0.7)) {
                    const float b = Eighths(rng, -8, 0);
                    r.bows[key] = b;
                    line += " " + std::to_string(b);
                } else if (n == 1) {
                    r.bows[key] = 0.0f;
                }
                lines[static_cast<size_t>(n)].push_back(line);
            }
            int i = n - 1;  // next key of n word ids, in id order
            while (i >= 0 && ++key[static_cast<size_t>(i)] == v) key[static_cast<size_t>(i--)] = 0;
            if (i < 0) break;
        }
        if (n > 1) std::shuffle(lines[static_cast<size_t>(n)].begin(), lines[static_cast<size_t>(n)].end(), rng);
    }
    r.arpa = "\\data\\\n";
    for (int n = 1; n <= order; ++n)
        r.arpa += "ngram " + std::to_string(n) + "=" + std::to_string(lines[static_cast<size_t>(n)].size()) + "\n";
    for (int n = 1; n <= order; ++n) {
        r.arpa += "\n\\" + std::to_string(n) + "-grams:\n";
        for (const std::string& line : lines[static_cast<size_t>(n)]) r.arpa += line + "\n";
    }
    r.arpa += "\n\\end\\\n";
    return r;
}

void ExpectSameAnswers(const Reference& r, const NgramModel& m) {
    for (int n = 1; n <= r.order; ++n) {
        size_t listed = 0;
        for (const auto& [key, p] : r.probs) listed += key.size() == static_cast<size_t>(n);
        EXPECT_EQ(listed, m.Count(n)) << n;
    }
    const int32_t v = static_cast<int32_t>(kWords.size());
    Key h(static_cast<size_t>(r.order - 1), -1);
    for (;;) {
        for (int32_t w = 0; w <= v; ++w)
            ASSERT_EQ(r.Log10Prob(h, w), m.Log10Prob(h, w)) << ::testing::PrintToString(h) << " " << w;
        size_t i = 0;  // next history, each word from -1 (no word) to v (beyond the vocabulary)
        while (i < h.size() && ++h[i] > v) h[i++] = -1;
        if (i == h.size()) break;
    }
}

struct Case {
    const char* what;
    int order;
    std::vector<double> share;  // by order
    bool (*full)(const Key&);
};

}  // namespace

TEST(NgramTrie, AnswersByTheBackOffRule) {
    const Case cases[] = {
        // "a" is followed by every word, "a b" too; many 3-grams have a context that is not listed.
        {"trigrams", 3, {0, 0, 0.3, 0.15},
         [](const Key& k) { return (k.size() == 2 && k[0] == 2) || (k.size() == 3 && k[0] == 2 && k[1] == 3); }},
        // One 2-gram, "b c", holds every 3-gram; the other 1-grams have no children.
        {"one context", 3, {0, 0, 0, 0},
         [](const Key& k) { return k.size() >= 2 && k[0] == 3 && k[1] == 4; }},
        // 4-grams over 3-grams and 2-grams that may both be missing.
        {"four-grams", 4, {0, 0, 0.3, 0.1, 0.05},
         [](const Key& k) { return k.size() == 4 && k[0] == 5 && k[1] == 5 && k[2] == 5; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Reference r = MakeModel(c.order, c.share, c.full, 11);
        const NgramModel arpa = ngram::ParseArpa(r.arpa, "m.arpa");
        ExpectSameAnswers(r, arpa);
        const NgramModel binary = ngram::ParseBinary(ngram::SerializeBinary(arpa), "m.bin");
        ExpectSameAnswers(r, binary);
    }
}

TEST(NgramTrie, ADuplicateOutOfOrderIsFoundAtItsLine) {
    const std::string text =
        "\\data\\\nngram 1=3\nngram 2=4\n\n\\1-grams:\n-0.5 a -0.1\n-0.5 b\n-0.5 c\n\n"
        "\\2-grams:\n-0.1 b c\n-0.1 a b\n-0.1 b a\n-0.1 a b\n\\end\\\n";
    try {
        ngram::ParseArpa(text, "m.arpa");
        FAIL();
    } catch (const ngram::LoadError& e) {
        EXPECT_STREQ("m.arpa: duplicate 2-gram in the 2-grams at line 14", e.what());
    }
}
