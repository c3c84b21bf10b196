// The engine's analysis (the shared-prefix scan and the placing of its results) against the
// measure written out plainly, word by word: the whole table, then the anti-diagonal rule.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "DTW/SimilarWordEngine.h"
#include "reference_distance.h"

namespace {

// Words longer than the table are too far; otherwise the plain measure.
double ByTheRuleInTable(const std::string& a, const std::string& b, double threshold) {
    if (a.size() > 49 || b.size() > 49) return 1000.0;
    return dtwtest::ByTheRule(a, b, threshold);
}

// Lower-case letters only (a query is lower-cased before it is measured), few of them, so that
// many words share prefixes and many lie within small thresholds; two are beyond ASCII.
const char kLetters[] = "aabkklmnoss\xE0\xF8";

std::string RandomWord(std::mt19937& random, int minLength, int maxLength) {
    std::uniform_int_distribution<int> length(minLength, maxLength), letter(0, sizeof kLetters - 2);
    std::string w(static_cast<std::size_t>(length(random)), ' ');
    for (char& c : w) c = kLetters[letter(random)];
    return w;
}

// A word with one letter replaced, dropped or doubled, or two neighbours traded.
std::string Misspelt(std::string w, std::mt19937& random) {
    if (w.size() < 2) return w + "a";
    std::uniform_int_distribution<std::size_t> at(0, w.size() - 2);
    const std::size_t i = at(random);
    switch (random() % 4) {
        case 0: w[i] = kLetters[random() % (sizeof kLetters - 1)]; break;
        case 1: w.erase(i, 1); break;
        case 2: w.insert(i, 1, w[i]); break;
        default: std::swap(w[i], w[i + 1]); break;
    }
    return w;
}

// Stems with endings, duplicates, misspellings, and a few words too long for the table.
std::vector<std::string> Words(std::mt19937& random) {
    std::vector<std::string> stems;
    for (int i = 0; i < 300; ++i) stems.push_back(RandomWord(random, 1, 9));
    std::vector<std::string> words;
    for (const std::string& stem : stems)
        for (int e = 0; e < 8; ++e) words.push_back(stem + RandomWord(random, 0, 4));
    // Long words sharing more letters than the scan keeps in its sort keys.
    for (int i = 0; i < 40; ++i) {
        const std::string stem = RandomWord(random, 14, 22);
        for (int e = 0; e < 4; ++e) words.push_back(stem + RandomWord(random, 0, 5));
    }
    for (int i = 0; i < 600; ++i) words.push_back(Misspelt(words[random() % words.size()], random));
    for (int i = 0; i < 200; ++i) words.push_back(words[random() % words.size()]);
    for (int i = 0; i < 300; ++i) words.push_back(RandomWord(random, 1, 16));
    words.push_back(std::string(49, 'a'));
    words.push_back(std::string(50, 'a'));
    words.push_back(std::string(52, 'b'));
    std::shuffle(words.begin(), words.end(), random);
    return words;
}

class ScanTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() / ("dtw_scan_test_" + std::to_string(::GetCurrentProcessId()));
        std::filesystem::create_directories(dir / "data");
        std::string text;
        for (const std::string& w : words) text += w + "\n";
        std::FILE* f = std::fopen((dir / "data" / "zodynas.voc").string().c_str(), "wb");
        ASSERT_NE(nullptr, f);
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
        const std::string library = (dir / "Pevra.dll").string();
        engine = std::make_unique<SimilarWordEngine>([library](std::string& path) {
            path = library;
            return true;
        });
        ASSERT_TRUE(engine->Init()) << engine->LastError();
        words.insert(words.begin(), "<UNK>");
    }
    void TearDown() override {
        engine.reset();
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }

    std::mt19937 random{20261209};
    std::vector<std::string> words = Words(random);
    std::filesystem::path dir;
    std::unique_ptr<SimilarWordEngine> engine;
};

TEST_F(ScanTest, SameDistancesNearestFirstAndSameCandidateCount) {
    int compared = 0;
    // The usual thresholds, and thresholds that take in the measure of a word too far.
    std::vector<int> thresholds;
    for (int threshold = 0; threshold <= 12; ++threshold) thresholds.push_back(threshold);
    thresholds.insert(thresholds.end(), {1000, 5000});
    for (const int threshold : thresholds) {
        const auto anyWord = [&] { return words[random() % words.size()].substr(0, 30); };
        std::vector<std::string> queries = {anyWord(), Misspelt(anyWord(), random),
                                            Misspelt(Misspelt(anyWord(), random), random), RandomWord(random, 1, 12),
                                            RandomWord(random, 1, 3)};
        if (threshold == 4) queries.insert(queries.end(), {"", "a", std::string(50, 'a'), std::string(49, 'a')});
        if (threshold >= 1000) queries.insert(queries.end(), {"", "a", std::string(55, 'q')});
        engine->SetMaxValue(threshold);
        for (const std::string& query : queries) {
            ASSERT_EQ(1, engine->Analyze(query));
            std::map<std::pair<std::string, double>, int> expected;
            int within = 0;
            for (const std::string& w : words) {
                const double d = ByTheRuleInTable(w, query, threshold);
                ++expected[{w, d}];
                if (d <= threshold) ++within;
            }
            std::map<std::pair<std::string, double>, int> got;
            double before = -1.0;
            for (std::int32_t i = 0; i < static_cast<std::int32_t>(words.size()); ++i) {
                const double d = engine->GetNearestValue(i);
                ASSERT_LE(before, d) << "query " << query << ", threshold " << threshold << ", entry " << i;
                before = d;
                ++got[{engine->GetNearest(i), d}];
            }
            ASSERT_EQ(expected, got) << "query " << query << ", threshold " << threshold;
            ASSERT_EQ(std::min(within, 200), engine->CandidateCount())
                << "query " << query << ", threshold " << threshold;
            ++compared;
        }
    }
    EXPECT_EQ(15 * 5 + 4 + 2 * 3, compared);
}

}  // namespace
