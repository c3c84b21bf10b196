// The similar-word scan on a realistic vocabulary: 1,500,000 inflected Lithuanian words (made by
// scripts/make-bench-vocab, mean length 9 letters, code page 1257), threshold 6.
//   bench_dtw [component folder holding data\zodynas.voc]
// Prints, each beside its goal: INolik.Analyze in-process (median and spread over queries that are
// vocabulary words and misspellings of them), a plain full-table scan of the same words for the
// same queries and the ratio, and the vocabulary's load (with its id index) and free times.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <windows.h>

#include "DTW/NolikImpl.h"
#include "DTW/vocabulary.h"
#include "DTW/wordscan.h"
#include "com/bstr.h"
#include "com/coinit.h"

namespace {

constexpr int kThreshold = 6;
constexpr int kRuns = 5;
constexpr int kPlainQueries = 6;
constexpr double kAnalyzeGoalMs = 30.0;
constexpr double kAnalyzeStretchMs = 15.0;
constexpr double kLoadGoalMs = 500.0;

using Clock = std::chrono::steady_clock;
double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The value below which the given share of v lies (0.5 the median).
double Quantile(std::vector<double> v, double share) {
    std::sort(v.begin(), v.end());
    const double at = share * static_cast<double>(v.size() - 1);
    const auto low = static_cast<std::size_t>(at);
    const std::size_t high = std::min(low + 1, v.size() - 1);
    return v[low] + (v[high] - v[low]) * (at - static_cast<double>(low));
}
double Median(const std::vector<double>& v) { return Quantile(v, 0.5); }

// The whole table for every vocabulary word, no abandon and no shortcut: what the scan would cost
// without them. Returns the number of words within the threshold by the full table.
int PlainScan(Vocabulary& vocabulary, const std::string& query) {
    const int n = static_cast<int>(query.size());
    int within = 0;
    double d[50][50];
    for (std::int32_t id = 0; id < vocabulary.WordCount(); ++id) {
        const char* a = vocabulary.GetWord(id);
        int m = 0;
        while (a[m] && m < 49) ++m;
        for (int i = 0; i <= m; ++i) d[i][0] = i ? d[i - 1][0] + 2.1 : 0.0;
        for (int j = 1; j <= n; ++j) d[0][j] = d[0][j - 1] + 2.1;
        for (int i = 1; i <= m; ++i)
            for (int j = 1; j <= n; ++j) {
                const char ai = a[i - 1], bj = query[j - 1];
                double v = std::min({d[i - 1][j - 1] + (ai == bj ? 0.0 : 2.0), d[i - 1][j] + 2.1, d[i][j - 1] + 2.1});
                if (i >= 2 && j >= 2 && ai == query[j - 2] && a[i - 2] == bj) v = std::min(v, d[i - 2][j - 2] + 1.5);
                if (i >= 2 && ai == bj && a[i - 2] == ai) v = std::min(v, d[i - 2][j - 1] + 1.0);
                if (j >= 2 && ai == query[j - 2] && query[j - 2] == bj) v = std::min(v, d[i - 1][j - 2] + 1.0);
                d[i][j] = v;
            }
        if (d[m][n] <= kThreshold) ++within;
    }
    return within;
}

// Vocabulary words and, for each, a misspelling (one letter replaced by a neighbouring one of the
// word), then a few fixed words: short, long, and with letters beyond ASCII.
std::vector<std::string> Queries(Vocabulary& vocabulary) {
    std::mt19937 random(20261209);
    std::uniform_int_distribution<std::int32_t> pickId(1, vocabulary.WordCount() - 1);
    std::vector<std::string> queries;
    while (queries.size() < 24) {
        std::string word = vocabulary.GetWord(pickId(random));
        if (word.size() < 3 || word.size() > 20) continue;
        std::string misspelt = word;
        std::uniform_int_distribution<std::size_t> at(0, word.size() - 1);
        const std::size_t i = at(random);
        misspelt[i] = word[(i + 1) % word.size()] == word[i] ? 'a' : word[(i + 1) % word.size()];
        queries.push_back(word);
        queries.push_back(misspelt);
    }
    for (const char* w : {"namas", "nemos", "a", "ir", "universitetas", "\xFEmogus", "nepriklausomyb\xEB"})
        queries.emplace_back(w);
    // No query twice, so that no call repeats one the engine has cached.
    std::vector<std::string> distinct;
    for (const std::string& q : queries)
        if (std::find(distinct.begin(), distinct.end(), q) == distinct.end()) distinct.push_back(q);
    return distinct;
}

}  // namespace

int main(int argc, char** argv) {
#ifdef BENCH_VOCAB_DIR
    std::string folder = argc > 1 ? argv[1] : BENCH_VOCAB_DIR;
#else
    std::string folder = argc > 1 ? argv[1] : ".";
#endif
    // A Unix path from the build becomes the drive that Wine maps the root to.
    if (!folder.empty() && folder[0] == '/') folder = "Z:" + folder;
    std::replace(folder.begin(), folder.end(), '/', '\\');
    const std::string path = folder + "\\data\\zodynas.voc";

    // Load and free as the engine does them: a new vocabulary each time, the old one freed apart.
    std::vector<double> loads, frees;
    std::unique_ptr<Vocabulary> vocabulary;
    for (int run = 0; run < 3; ++run) {
        auto start = Clock::now();
        vocabulary.reset();
        if (run > 0) frees.push_back(MsSince(start));
        vocabulary = std::make_unique<Vocabulary>();
        start = Clock::now();
        if (!vocabulary->Load(path)) {
            std::printf("cannot read %s: make it with scripts/make-bench-vocab\n", path.c_str());
            return 1;
        }
        vocabulary->GetWord(0);  // the id index, which the first analysis needs
        loads.push_back(MsSince(start));
    }
    double letters = 0;
    for (std::int32_t id = 1; id < vocabulary->WordCount(); ++id) letters += vocabulary->WordLength(id);
    std::printf("vocabulary: %d words, mean length %.2f letters, threshold %d\n", vocabulary->WordCount() - 1,
                letters / (vocabulary->WordCount() - 1), kThreshold);
    std::printf("%-34s %9.0f ms   goal <= %.0f ms\n", "load with id index (median of 3)", Median(loads), kLoadGoalMs);
    std::printf("%-34s %9.0f ms\n", "free (median of 2)", Median(frees));
    auto start = Clock::now();
    { const WordScan order(*vocabulary); }
    std::printf("%-34s %9.0f ms\n", "byte order for the scan", MsSince(start));

    const std::vector<std::string> queries = Queries(*vocabulary);

    // Through INolik in-process, over an engine whose folder holds the benchmark's vocabulary.
    com::CoInitGuard coinit;
    const std::string library = folder + "\\Pevra.dll";
    auto engine = std::make_unique<SimilarWordEngine>([library](std::string& p) {
        p = library;
        return true;
    });
    const auto nolik = com::com_ptr<INolik>::attach(new TNolikImpl(std::move(engine)));
    VARIANT_BOOL ok = 0;
    start = Clock::now();
    if (FAILED(nolik->Init(&ok)) || !ok) {
        std::printf("INolik.Init failed\n");
        return 1;
    }
    const double initMs = MsSince(start);
    nolik->SetMaxValue(kThreshold);
    std::vector<com::unique_bstr> texts;
    for (const std::string& q : queries) texts.push_back(com::ToBstr(q));
    long result = 0;
    start = Clock::now();
    const com::unique_bstr first = com::ToBstr("pirmas");
    nolik->Analyze(first.get(), &result);
    const double firstMs = MsSince(start);
    std::printf("%-34s %9.0f ms, then the first Analyze %.0f ms\n", "INolik.Init (load)", initMs, firstMs);

    // Rounds over all queries, so that no call repeats the one before (which the engine answers
    // from its cache).
    std::vector<std::vector<double>> perQuery(queries.size());
    std::vector<double> all;
    std::vector<double> candidates(queries.size());
    for (int run = 0; run < kRuns; ++run)
        for (std::size_t q = 0; q < queries.size(); ++q) {
            start = Clock::now();
            nolik->Analyze(texts[q].get(), &result);
            const double ms = MsSince(start);
            perQuery[q].push_back(ms);
            all.push_back(ms);
            if (run > 0) continue;
            for (long i = 0; i < 200; ++i) {
                double v = 0;
                nolik->GetNearestValue(i, &v);
                if (v > kThreshold) break;
                ++candidates[q];
            }
        }
    std::vector<double> medians;
    for (const auto& times : perQuery) medians.push_back(Median(times));
    const double analyzeMs = Median(all);
    std::printf("%-34s %9.1f ms   goal <= %.0f ms (stretch %.0f ms)\n", "INolik.Analyze median", analyzeMs,
                kAnalyzeGoalMs, kAnalyzeStretchMs);
    std::printf("%-34s %9.1f .. %.1f ms (10%% .. 90%% of %zu calls; fastest %.1f, slowest %.1f)\n",
                "  spread", Quantile(all, 0.1), Quantile(all, 0.9), all.size(), Quantile(all, 0.0),
                Quantile(all, 1.0));
    std::printf("%-34s %9.1f .. %.1f ms (fastest and slowest query)\n", "  per-query medians",
                Quantile(medians, 0.0), Quantile(medians, 1.0));
    double found = 0;
    for (double c : candidates) found += c;
    std::printf("%-34s %9.1f per query (%zu queries)\n", "  candidates", found / queries.size(), queries.size());

    // The plain full table for the first queries, against Analyze on the same ones.
    std::vector<double> plain, analyzeSame;
    int plainWithin = 0;
    for (int q = 0; q < kPlainQueries; ++q) {
        start = Clock::now();
        plainWithin += PlainScan(*vocabulary, queries[q]);
        plain.push_back(MsSince(start));
        analyzeSame.push_back(medians[q]);
    }
    const double ratio = Median(plain) / Median(analyzeSame);
    std::printf("%-34s %9.1f ms (median of %d queries, %d words within by the full table); "
                "Analyze on them %.1f ms: ratio %.1f\n",
                "plain full-table scan", Median(plain), kPlainQueries, plainWithin, Median(analyzeSame), ratio);
    return 0;
}
