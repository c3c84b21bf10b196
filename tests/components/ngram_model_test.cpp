// The back-off model against the values worked out by hand beside the fixtures.
#include <gtest/gtest.h>
#include <string_view>
#include <vector>
#include "ngram/arpa_reader.h"
#include "ngram/binary_model.h"
#include "ngram/load_error.h"
#include "test_data.h"

using ngram::NgramModel;

namespace {

double P(const NgramModel& m, std::vector<std::string_view> words) { return m.Probability(words); }
double PI(const NgramModel& m, std::vector<int32_t> history, int32_t word) { return m.Probability(history, word); }

class TrigramTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { model_ = new NgramModel(ngram::ReadArpaFile(DataPath("tiny.arpa"))); }
    static void TearDownTestSuite() { delete model_; }
    static NgramModel* model_;
};
NgramModel* TrigramTest::model_ = nullptr;

}  // namespace

TEST_F(TrigramTest, CountsAndIds) {
    const NgramModel& m = *model_;
    EXPECT_EQ(3, m.Order());
    EXPECT_EQ(6u, m.Count(1));
    EXPECT_EQ(5u, m.Count(2));
    EXPECT_EQ(2u, m.Count(3));
    EXPECT_EQ(6, m.VocabularySize());
    EXPECT_EQ(0, m.WordId("<unk>"));
    EXPECT_EQ(1, m.WordId("<s>"));
    EXPECT_EQ(2, m.WordId("</s>"));
    EXPECT_EQ(3, m.WordId("a"));
    EXPECT_EQ(5, m.WordId("c"));
    EXPECT_EQ(0, m.WordId("zz"));
    EXPECT_EQ(0, m.WordId(""));
    EXPECT_EQ(0, m.WordId("A"));  // case matters
}

TEST_F(TrigramTest, BackOffByText) {
    const NgramModel& m = *model_;
    EXPECT_NEAR(0.891250938, P(m, {"a", "b", "c"}), 1e-7);
    EXPECT_NEAR(0.251188643, P(m, {"a", "b", "a"}), 1e-7);
    EXPECT_NEAR(0.063095734, P(m, {"<s>", "a", "a"}), 1e-7);
    EXPECT_NEAR(0.035481339, P(m, {"a", "b", "zz"}), 1e-7);
    EXPECT_NEAR(0.501187234, P(m, {"zz", "a", "b"}), 1e-7);
    EXPECT_NEAR(0.316227766, P(m, {"", "", "a"}), 1e-7);
    EXPECT_NEAR(0.079432823, P(m, {"a", "c"}), 1e-7);
    // An empty word ends the context: the words before it are not used.
    EXPECT_NEAR(0.079432823, P(m, {"a", "", "a", "c"}), 1e-7);
    // Only the last two history words count for a trigram model.
    EXPECT_NEAR(0.891250938, P(m, {"c", "c", "a", "b", "c"}), 1e-7);
}

TEST_F(TrigramTest, BackOffByIdsMatchesText) {
    const NgramModel& m = *model_;
    EXPECT_NEAR(0.891250938, PI(m, {3, 4}, 5), 1e-7);
    EXPECT_NEAR(0.251188643, PI(m, {3, 4}, 3), 1e-7);
    EXPECT_NEAR(0.063095734, PI(m, {1, 3}, 3), 1e-7);
    EXPECT_NEAR(0.035481339, PI(m, {3, 4}, 0), 1e-7);
    EXPECT_NEAR(0.501187234, PI(m, {0, 3}, 4), 1e-7);
    // Ids beyond the vocabulary are the unknown word; a negative id is no word.
    EXPECT_NEAR(0.035481339, PI(m, {3, 4}, 999), 1e-7);
    EXPECT_NEAR(0.501187234, PI(m, {12345, 3}, 4), 1e-7);
    EXPECT_NEAR(0.316227766, PI(m, {-1, -1}, 3), 1e-7);
    EXPECT_NEAR(0.316227766, PI(m, {}, 3), 1e-7);
    EXPECT_NEAR(0.079432823, PI(m, {3, -1, 3}, 5), 1e-7);
    // "<s>" has log10 -99: tiny but a number.
    double s = PI(m, {}, 1);
    EXPECT_GE(s, 0.0);
    EXPECT_LT(s, 1e-90);
}

TEST(FourGram, AllOrdersAndTheFourWordForm) {
    NgramModel m = ngram::ReadArpaFile(DataPath("tiny4.arpa"));
    EXPECT_EQ(4, m.Order());
    EXPECT_NEAR(0.891250938, P(m, {"<s>", "x", "y", "x"}), 1e-7);
    EXPECT_NEAR(0.125892541, P(m, {"<s>", "x", "y", "y"}), 1e-7);
    EXPECT_NEAR(0.707945784, P(m, {"x", "y", "x"}), 1e-7);
    EXPECT_NEAR(0.112201845, P(m, {"<s>", "x", "</s>"}), 1e-7);
    EXPECT_NEAR(0.039810717, P(m, {"y", "x", "y", "q"}), 1e-7);
    EXPECT_NEAR(0.891250938, PI(m, {1, 3, 4}, 3), 1e-7);
}

TEST(NoUnknownWord, UnknownWordsGetZeroNotNaN) {
    NgramModel m = ngram::ParseArpa("\\data\\\nngram 1=2\n\n\\1-grams:\n-0.3 a\n-0.4 b\n\\end\\\n", "mem");
    EXPECT_EQ(1, m.Order());
    EXPECT_EQ(0.0, P(m, {"x"}));
    EXPECT_EQ(0.0, PI(m, {}, 0));
    EXPECT_NEAR(0.501187234, P(m, {"b", "a"}), 1e-7);
}

TEST(BinaryForm, RoundTripGivesTheSameModel) {
    NgramModel a = ngram::ReadArpaFile(DataPath("tiny4.arpa"));
    std::string bytes = ngram::SerializeBinary(a);
    NgramModel b = ngram::ParseBinary(bytes, "mem");
    ASSERT_EQ(a.VocabularySize(), b.VocabularySize());
    for (int n = 1; n <= 4; ++n) EXPECT_EQ(a.Count(n), b.Count(n));
    for (int32_t w = 0; w < a.VocabularySize(); ++w) {
        EXPECT_EQ(a.Word(w), b.Word(w));
        for (int32_t h1 = -1; h1 < a.VocabularySize(); ++h1)
            for (int32_t h2 = -1; h2 < a.VocabularySize(); ++h2)
                for (int32_t h3 = -1; h3 < a.VocabularySize(); ++h3)
                    EXPECT_EQ(PI(a, {h1, h2, h3}, w), PI(b, {h1, h2, h3}, w));
    }
}

TEST(BinaryForm, DamagedFilesAreRefused) {
    NgramModel a = ngram::ReadArpaFile(DataPath("tiny.arpa"));
    const std::string bytes = ngram::SerializeBinary(a);
    // Every cut of the file is reported, never read past its end.
    for (size_t cut = 0; cut < bytes.size(); ++cut)
        EXPECT_THROW(ngram::ParseBinary(std::string_view(bytes).substr(0, cut), "mem"), ngram::LoadError) << cut;
    std::string bad = bytes;
    bad[8] = 9;  // order 9
    try {
        ngram::ParseBinary(bad, "m.bin");
        FAIL();
    } catch (const ngram::LoadError& e) {
        EXPECT_STREQ("m.bin: bad order 9 in the header at byte 12", e.what());
    }
}
