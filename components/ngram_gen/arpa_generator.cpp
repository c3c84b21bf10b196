#include "ngram_gen/arpa_generator.h"
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <memory>
#include <random>
#include <stdexcept>
#include <unordered_set>

namespace ngram_gen {

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const noexcept { std::fclose(f); }
};

std::vector<std::string> LoadWords(const Options& o) {
    std::vector<std::string> words = {"<unk>", "<s>", "</s>"};
    std::unordered_set<std::string> seen(words.begin(), words.end());
    std::unique_ptr<std::FILE, FileCloser> f(std::fopen(o.wordList.c_str(), "rb"));
    if (f) {
        char line[512];
        while (words.size() < o.words + 3 && std::fgets(line, sizeof line, f.get())) {
            std::string w(line);
            while (!w.empty() && static_cast<unsigned char>(w.back()) <= 32) w.pop_back();
            if (w.empty() || w.find_first_of(" \t") != std::string::npos) continue;
            if (seen.insert(w).second) words.push_back(w);
        }
    }
    for (size_t i = 0; words.size() < o.words + 3; ++i) {
        std::string w = std::to_string(i);
        w.insert(w.begin(), 'w');  // not "w" + text: GCC 12 warns falsely on it
        if (seen.insert(w).second) words.push_back(w);
    }
    return words;
}

class Writer {
public:
    explicit Writer(const std::string& path) : f_(std::fopen(path.c_str(), "wb")), path_(path) {
        if (!f_) throw std::runtime_error("Can not create file: " + path);
        buf_.reserve(1 << 20);
    }
    void Text(std::string_view s) { buf_.append(s); Flush(false); }
    void Number(float v) {
        char tmp[32];
        auto r = std::to_chars(tmp, tmp + sizeof tmp, v, std::chars_format::fixed, 4);
        buf_.append(tmp, r.ptr);
    }
    void Flush(bool all) {
        if (buf_.size() < (1 << 20) && !all) return;
        if (std::fwrite(buf_.data(), 1, buf_.size(), f_.get()) != buf_.size())
            throw std::runtime_error("Can not write file: " + path_);
        buf_.clear();
    }
    void Close() {
        Flush(true);
        if (std::fclose(f_.release()) != 0) throw std::runtime_error("Can not write file: " + path_);
    }

private:
    std::unique_ptr<std::FILE, FileCloser> f_;
    std::string path_;
    std::string buf_;
};

}  // namespace

Options ForTotal(size_t total, uint32_t seed) {
    Options o;
    o.seed = seed;
    o.words = std::max<size_t>(total / 25, 10);
    const size_t rest = total > o.words ? total - o.words : 0;
    o.bigrams = std::max<size_t>(rest / 2, 1);
    o.trigrams = std::max<size_t>(rest - rest / 2, 1);
    return o;
}

Generated GenerateArpa(const Options& o, const std::string& path) {
    Generated g;
    g.words = LoadWords(o);
    const uint32_t v = static_cast<uint32_t>(g.words.size());
    std::mt19937 rng(o.seed);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    // Zipf-like pick of a word id (3..v-1): frequent words come first in the list.
    auto zipf = [&] {
        const double u = unit(rng);
        const double r = std::pow(static_cast<double>(v - 3), u);  // log-uniform rank
        return static_cast<int32_t>(3 + std::min<double>(r - 1.0, v - 4));
    };
    auto between = [&](float lo, float hi) { return lo + (hi - lo) * unit(rng); };

    // 2-grams: distinct pairs, "<s>" may start one and "</s>" end one.
    const uint64_t maxPairs = static_cast<uint64_t>(v - 2) * (v - 2);
    const size_t nBigrams = static_cast<size_t>(std::min<uint64_t>(o.bigrams, maxPairs / 2));
    std::vector<std::pair<int32_t, int32_t>> bigrams;
    bigrams.reserve(nBigrams);
    std::unordered_set<uint64_t> pairSeen;
    pairSeen.reserve(nBigrams * 2);
    while (bigrams.size() < nBigrams) {
        int32_t a = unit(rng) < 0.05f ? 1 : zipf();
        int32_t b = unit(rng) < 0.05f ? 2 : zipf();
        if (pairSeen.insert(static_cast<uint64_t>(a) * v + static_cast<uint64_t>(b)).second) bigrams.emplace_back(a, b);
    }
    std::sort(bigrams.begin(), bigrams.end());
    std::vector<uint32_t> firstOf(v + 1, 0);  // bigrams starting with word w: [firstOf[w], firstOf[w+1])
    for (const auto& bg : bigrams) ++firstOf[static_cast<size_t>(bg.first) + 1];
    for (uint32_t w = 0; w < v; ++w) firstOf[w + 1] += firstOf[w];

    // 3-grams: a listed 2-gram (a b) followed by a listed successor (b c).
    std::vector<std::array<int32_t, 3>> trigrams;
    trigrams.reserve(o.trigrams);
    std::unordered_set<uint64_t> triSeen;
    triSeen.reserve(o.trigrams * 2);
    std::uniform_int_distribution<size_t> anyBigram(0, bigrams.size() - 1);
    size_t misses = 0;
    while (trigrams.size() < o.trigrams && misses < o.trigrams * 20 + 1000) {
        const auto& [a, b] = bigrams[anyBigram(rng)];
        const uint32_t lo = firstOf[static_cast<size_t>(b)], hi = firstOf[static_cast<size_t>(b) + 1];
        if (lo == hi) { ++misses; continue; }
        const int32_t c = bigrams[lo + rng() % (hi - lo)].second;
        const uint64_t key = (static_cast<uint64_t>(a) * v + static_cast<uint64_t>(b)) * v + static_cast<uint64_t>(c);
        if (!triSeen.insert(key).second) { ++misses; continue; }
        trigrams.push_back({a, b, c});
    }
    std::sort(trigrams.begin(), trigrams.end());

    Writer w(path);
    w.Text("\\data\\\nngram 1=");
    w.Text(std::to_string(v));
    w.Text("\nngram 2=");
    w.Text(std::to_string(bigrams.size()));
    w.Text("\nngram 3=");
    w.Text(std::to_string(trigrams.size()));
    w.Text("\n\n\\1-grams:\n");
    for (uint32_t id = 0; id < v; ++id) {
        w.Number(id == 1 ? -99.0f : static_cast<float>(std::log10(0.1 / (id < 3 ? 3.0 : id - 2))));
        w.Text("\t");
        w.Text(g.words[id]);
        if (id != 2) {
            w.Text("\t");
            w.Number(between(-0.8f, -0.05f));
        }
        w.Text("\n");
    }
    w.Text("\n\\2-grams:\n");
    for (const auto& [a, b] : bigrams) {
        w.Number(between(-3.0f, -0.3f));
        w.Text("\t");
        w.Text(g.words[static_cast<size_t>(a)]);
        w.Text(" ");
        w.Text(g.words[static_cast<size_t>(b)]);
        w.Text("\t");
        w.Number(between(-0.8f, -0.05f));
        w.Text("\n");
    }
    w.Text("\n\\3-grams:\n");
    for (const auto& t : trigrams) {
        w.Number(between(-2.5f, -0.1f));
        w.Text("\t");
        w.Text(g.words[static_cast<size_t>(t[0])]);
        w.Text(" ");
        w.Text(g.words[static_cast<size_t>(t[1])]);
        w.Text(" ");
        w.Text(g.words[static_cast<size_t>(t[2])]);
        w.Text("\n");
    }
    w.Text("\n\\end\\\n");
    w.Close();

    g.ngrams = v + bigrams.size() + trigrams.size();
    const size_t sample = std::min<size_t>(trigrams.size(), 100000);
    std::uniform_int_distribution<size_t> anyTrigram(0, trigrams.empty() ? 0 : trigrams.size() - 1);
    for (size_t i = 0; i < sample; ++i) g.trigramSample.push_back(trigrams[anyTrigram(rng)]);
    return g;
}

}  // namespace ngram_gen
