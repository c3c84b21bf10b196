#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include "DTW/vocabulary.h"

namespace {

// A vocabulary file written byte for byte (so CR LF stays CR LF) and removed afterwards.
class TempFile {
public:
    explicit TempFile(const std::string& bytes) {
        static int serial = 0;
        path_ = (std::filesystem::temp_directory_path() / ("dtw_test_" + std::to_string(++serial) + ".voc")).string();
        std::FILE* f = std::fopen(path_.c_str(), "wb");
        EXPECT_NE(nullptr, f);
        if (!f) return;
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    ~TempFile() { std::remove(path_.c_str()); }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// Lines w1 .. wN, one distinct word each.
std::string NumberedWords(int n) {
    std::string text;
    for (int i = 1; i <= n; ++i) {
        text += 'w';
        text += std::to_string(i);
        text += '\n';
    }
    return text;
}

// Loads the text into v; a load that fails is a test failure.
void LoadText(Vocabulary& v, const std::string& text) {
    TempFile file(text);
    ASSERT_TRUE(v.Load(file.path()));
}

TEST(HashWord, SignWidenedBytesInUnsignedArithmetic) {
    EXPECT_EQ(2u, hashWord("a", 5));
    EXPECT_EQ(4u, hashWord("\xE0", 5));
    EXPECT_EQ(0u, hashWord("", 7));
    EXPECT_EQ(3u, hashWord("ab", 7));  // (97 mod 7) * 256 + 98 = 1634 = 7 * 233 + 3
    // 0xFF is 2^32 - 1; then 4 * 256 + 2^32 - 1 wraps to 1023.
    EXPECT_EQ(1023u, hashWord("\xFF\xFF", 4294967291u));
    EXPECT_EQ(0u, hashWord("abc", 0));
}

TEST(HashWord, EqualsTheRemainderTakenByDivision) {
    // hashWord takes its remainders by multiplication: compared with the plain division for
    // bucket counts small, prime, powers of two and near the top of the range.
    std::mt19937 random(7);
    const std::uint32_t counts[] = {1, 2, 3, 7, 64, 137, 1361, 65536, 2000003, 2147483647u, 2147483648u, 4294967291u,
                                    4294967295u};
    for (std::uint32_t b : counts)
        for (int i = 0; i < 2000; ++i) {
            std::string text(1 + random() % 12, ' ');
            for (char& c : text) c = static_cast<char>(1 + random() % 255);
            std::uint32_t h = 0;
            for (signed char c : text) h = (h * 256u + static_cast<std::uint32_t>(std::int32_t{c})) % b;
            ASSERT_EQ(h, hashWord(text.c_str(), b)) << b;
        }
}

TEST(NextPrime, GivenValuesAndTheDefinitionByThirds) {
    const std::pair<int, int> given[] = {{0, 1}, {1, 1}, {2, 3}, {3, 3}, {4, 5}, {8, 11},
                                         {9, 11}, {25, 29}, {133, 137}, {2000000, 2000003}};
    for (auto [n, p] : given) EXPECT_EQ(p, nextPrime(n)) << n;
    // Trial division by every number from 3 to a third of the candidate, as defined.
    auto byThirds = [](int n) {
        for (int p = n % 2 == 0 ? n + 1 : n;; p += 2) {
            bool divided = false;
            for (int d = 3; d <= p / 3 && !divided; ++d) divided = p % d == 0;
            if (!divided) return p;
        }
    };
    for (int n = 0; n < 3000; ++n) ASSERT_EQ(byThirds(n), nextPrime(n)) << n;
    EXPECT_EQ(2147483647, nextPrime(2147483646));
    EXPECT_EQ(1, nextPrime(-5));
}

TEST(Vocabulary, EmptyAndCommentOnlyFilesHoldUnkAlone) {
    for (const char* text : {"", "## a comment\n##\n##another one"}) {
        Vocabulary v;
        LoadText(v, text);
        EXPECT_EQ(1, v.WordCount()) << text;
        EXPECT_EQ(1, v.BucketCount()) << text;
        EXPECT_STREQ("<UNK>", v.GetWord(0));
        EXPECT_EQ(0, v.Find("<UNK>"));
        EXPECT_EQ(0, v.Find("<unk>"));
    }
}

TEST(Vocabulary, BucketsForTheNumberOfFileWords) {
    const std::pair<int, int> expected[] = {{0, 1},  {1, 1},   {2, 3},     {3, 5},      {4, 5},      {5, 7}, {6, 11},
                                            {9, 13}, {10, 13}, {100, 137}, {1000, 1361}, {3000, 4001}};
    for (auto [words, buckets] : expected) {
        Vocabulary v;
        LoadText(v, NumberedWords(words));
        EXPECT_EQ(words + 1, v.WordCount()) << words;
        EXPECT_EQ(buckets, v.BucketCount()) << words;
    }
    Vocabulary v;
    v.Reserve(1500000);
    EXPECT_EQ(2000003, v.BucketCount());
}

TEST(Vocabulary, FileLimitLoadsTheFirstWordsAndCountsTheRest) {
    Vocabulary v;
    LoadText(v, NumberedWords(1500002));
    EXPECT_EQ(1500001, v.WordCount());
    EXPECT_EQ(2000003, v.BucketCount());
    EXPECT_EQ(2, v.WordsBeyondLimit());
    EXPECT_STREQ("w1500000", v.GetWord(1500000));
    EXPECT_EQ(1500000, v.Find("w1500000"));
    EXPECT_EQ(0, v.Find("w1500001"));
    EXPECT_EQ(777777, v.Find("w777777"));

    LoadText(v, "one\n");
    EXPECT_EQ(0, v.WordsBeyondLimit());
    EXPECT_EQ(2, v.WordCount());
}

TEST(Vocabulary, DuplicatesKeepTheirIdsAndFindGivesTheFirst) {
    Vocabulary v;
    LoadText(v, "a\nb\na\n");
    EXPECT_EQ(4, v.WordCount());
    EXPECT_EQ(1, v.Find("a"));
    EXPECT_EQ(2, v.Find("b"));
    EXPECT_STREQ("<UNK>", v.GetWord(0));
    EXPECT_STREQ("a", v.GetWord(1));
    EXPECT_STREQ("b", v.GetWord(2));
    EXPECT_STREQ("a", v.GetWord(3));
}

TEST(Vocabulary, FirstTokenOfEachLineOnly) {
    Vocabulary v;
    LoadText(v, "namas 12\n  kelias\t7 x\n\n   \n\t\nsuo\n#one\n");
    ASSERT_EQ(5, v.WordCount());  // lines without a token add nothing
    EXPECT_STREQ("namas", v.GetWord(1));
    EXPECT_STREQ("kelias", v.GetWord(2));
    EXPECT_STREQ("suo", v.GetWord(3));
    EXPECT_STREQ("#one", v.GetWord(4));
    EXPECT_EQ(0, v.Find("12"));
}

TEST(Vocabulary, CommentsOnlyAtTheVeryStartOfALine) {
    Vocabulary v;
    LoadText(v, "##skipped line\n ## after a blank\n ##abc def\nword ## not a comment\n");
    ASSERT_EQ(4, v.WordCount());
    EXPECT_STREQ("##", v.GetWord(1));
    EXPECT_STREQ("##abc", v.GetWord(2));
    EXPECT_STREQ("word", v.GetWord(3));
    EXPECT_EQ(0, v.Find("##skipped"));
}

TEST(Vocabulary, LookupIsExactAndCaseSensitive) {
    Vocabulary v;
    LoadText(v, "Namas\n\xE0\xF0\n<unk>\n");
    EXPECT_EQ(1, v.Find("Namas"));
    EXPECT_EQ(0, v.Find("namas"));
    EXPECT_EQ(0, v.Find("NAMAS"));
    EXPECT_EQ(0, v.Find("Nama"));
    EXPECT_EQ(2, v.Find("\xE0\xF0"));
    EXPECT_EQ(0, v.Find("\xC0\xD0"));  // the capitals of the same letters
    EXPECT_EQ(3, v.Find("<unk>"));
    EXPECT_EQ(0, v.Find("<UNK>"));
}

TEST(Vocabulary, CrLfFilesGiveTheSameWords) {
    Vocabulary v;
    LoadText(v, "## comment\r\nnamas\r\nkelias 3\r\n\r\nsuo\r\n");
    ASSERT_EQ(4, v.WordCount());
    EXPECT_EQ(1, v.Find("namas"));
    EXPECT_EQ(2, v.Find("kelias"));
    EXPECT_EQ(3, v.Find("suo"));
}

TEST(Vocabulary, LongLinesArriveInPiecesOf1023) {
    // 2000 characters: the second piece starts at character 1024 and is a line of its own.
    std::string first = "alpha" + std::string(1018, ' ');
    ASSERT_EQ(1023u, first.size());
    std::string line = first + "beta" + std::string(973, 'x');
    ASSERT_EQ(2000u, line.size());
    Vocabulary v;
    LoadText(v, line + "\ngamma\n" + first + "##comment piece\ndelta\n");
    ASSERT_EQ(6, v.WordCount());
    EXPECT_STREQ("alpha", v.GetWord(1));
    EXPECT_EQ(255u, std::string(v.GetWord(2)).size());  // "beta" and the x's, cut
    EXPECT_STREQ("gamma", v.GetWord(3));
    EXPECT_STREQ("alpha", v.GetWord(4));
    EXPECT_STREQ("delta", v.GetWord(5));
}

TEST(Vocabulary, TokensAreCutTo255Bytes) {
    const std::string token = std::string(255, 'a') + std::string(45, 'b');
    Vocabulary v;
    LoadText(v, token + " 5\nnext\n");
    ASSERT_EQ(3, v.WordCount());
    EXPECT_EQ(std::string(255, 'a'), v.GetWord(1));
    EXPECT_EQ(1, v.Find(std::string(255, 'a')));
    EXPECT_EQ(0, v.Find(token));
    EXPECT_EQ(2, v.Find("next"));
}

TEST(Vocabulary, MissingFileFailsAndKeepsTheTable) {
    Vocabulary v;
    LoadText(v, "namas\n");
    EXPECT_FALSE(v.Load("Z:\\no such folder\\zodynas.voc"));
    EXPECT_EQ(2, v.WordCount());
    EXPECT_EQ(1, v.Find("namas"));
}

TEST(Vocabulary, EmptyTableAndIdsOutsideIt) {
    Vocabulary v;
    EXPECT_EQ(0, v.WordCount());
    EXPECT_EQ(0, v.BucketCount());
    EXPECT_EQ(0, v.Find("x"));
    EXPECT_STREQ("", v.GetWord(0));
    // Adding to a table that was never sized gives it one bucket.
    EXPECT_EQ(0, v.Add("x"));
    EXPECT_EQ(1, v.BucketCount());
    EXPECT_EQ(0, v.Find("x"));
    EXPECT_STREQ("x", v.GetWord(0));
    EXPECT_STREQ("", v.GetWord(1));
    EXPECT_STREQ("", v.GetWord(-1));
}

TEST(Vocabulary, IndexFollowsAdditionsAndResizeEmpties) {
    Vocabulary v;
    v.Reserve(3);
    v.Add("<UNK>");
    v.Add("a");
    EXPECT_STREQ("a", v.GetWord(1));
    EXPECT_EQ(2, v.Add("b"));
    EXPECT_STREQ("b", v.GetWord(2));
    v.Resize(10);
    EXPECT_EQ(11, v.BucketCount());
    EXPECT_EQ(0, v.WordCount());
    EXPECT_EQ(0, v.Find("a"));
}

TEST(Vocabulary, ChainsKeepTheOrderOfAdding) {
    Vocabulary v;
    v.Reserve(0);  // one bucket: every word in one chain
    ASSERT_EQ(1, v.BucketCount());
    for (const char* w : {"<UNK>", "c", "a", "b", "a"}) v.Add(w);
    EXPECT_EQ(1, v.Find("c"));
    EXPECT_EQ(2, v.Find("a"));
    EXPECT_EQ(3, v.Find("b"));
    EXPECT_STREQ("a", v.GetWord(4));

    wList head("x", 7);
    head.Append("y", 8);
    wList* last = head.Append("z", 9);
    ASSERT_NE(nullptr, head.next);
    EXPECT_STREQ("y", head.next->word.get());
    EXPECT_EQ(last, head.next->next.get());
    EXPECT_EQ(9, last->id);
}

TEST(Vocabulary, LongChainsOfEqualWordsAddAndFreeQuickly) {
    // Every copy lands in one chain: adding must not walk it, nor freeing recurse through it.
    auto v = std::make_unique<Vocabulary>();
    v->Reserve(4);
    for (int i = 0; i < 300000; ++i) v->Add("same");
    v->Add("other");
    EXPECT_EQ(0, v->Find("same"));
    EXPECT_EQ(300000, v->Find("other"));
    EXPECT_STREQ("same", v->GetWord(299999));
    v.reset();
}

}  // namespace
