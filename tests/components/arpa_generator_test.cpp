// The benchmark's generated model is a valid ARPA model of the size asked for.
#include <gtest/gtest.h>
#include <windows.h>
#include "ngram/arpa_reader.h"
#include "ngram_gen/arpa_generator.h"

TEST(ArpaGenerator, WritesAModelTheReaderAccepts) {
    char dir[MAX_PATH], file[MAX_PATH];
    ::GetTempPathA(MAX_PATH, dir);
    ::GetTempFileNameA(dir, "gen", 0, file);
    ngram_gen::Options o = ngram_gen::ForTotal(20000, 3);
    o.wordList = "";  // made-up words
    const ngram_gen::Generated g = ngram_gen::GenerateArpa(o, file);
    const ngram::NgramModel m = ngram::ReadArpaFile(file);
    ::DeleteFileA(file);

    EXPECT_EQ(g.ngrams, m.Count(1) + m.Count(2) + m.Count(3));
    EXPECT_GE(g.ngrams, 19000u);
    ASSERT_EQ(g.words.size(), static_cast<size_t>(m.VocabularySize()));
    for (size_t id = 0; id < g.words.size(); ++id) EXPECT_EQ(static_cast<int32_t>(id), m.WordId(g.words[id]) ) << id;
    ASSERT_FALSE(g.trigramSample.empty());
    for (const auto& t : g.trigramSample) {
        // A listed 3-gram's probability is its own: no back-off weight can be in it.
        const double p = m.Probability(std::span<const int32_t>(t.data(), 2), t[2]);
        EXPECT_GE(p, 0.003);
        EXPECT_LE(p, 0.8);
    }
}
