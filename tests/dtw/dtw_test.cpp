#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "DTW/dtw.h"
#include "reference_distance.h"

namespace {

double Measure(const std::string& receiver, const std::string& other, double threshold) {
    dtw a, b;
    a.SetWord(receiver);
    b.SetWord(other);
    a.threshold = threshold;
    return a.Distance(b);
}

using dtwtest::ByTheRule;

struct Case {
    const char* receiver;
    const char* other;
    double threshold;
    double distance;
};

// Exact values: every cost is added the way the measure adds it, so no tolerance is needed.
const Case kCases[] = {
    {"namas", "namas", 6, 0.0},
    {"namas", "namos", 6, 2.0},
    {"namas", "nams", 6, 2.1},
    {"namas", "nemos", 6, 1000.0},  // the diagonal before the last costs 6.1 throughout
    {"namas", "nemos", 1000, 4.0},
    {"kelias", "kalias", 6, 2.0},
    {"abc", "acb", 6, 1.5},
    {"labas", "alabs", 6, 3.0},
    {"kass", "kas", 6, 1.0},
    {"kas", "kass", 6, 1.0},
    {"aab", "ab", 6, 1.0},
    {"ab", "ab", 2, 1000.0},
    {"ab", "ab", 3, 0.0},
    {"a", "aa", 1, 1.0},
    {"abcdef", "ghijkl", 6, 1000.0},
    {"abcdef", "ghijkl", 1000, 12.0},
    {"", "", 6, 0.0},
    {"a", "", 6, 2.1},
    {"ab", "", 6, 1000.0},
    {"", "ab", 6, 1000.0},
    // Further cases the engine relies on.
    {"<UNK>", "<unk>", 6, 1000.0},
    {"<UNK>", "<unk>", 8, 1000.0},
    {"<UNK>", "<unk>", 9, 6.0},
    {"ab", "ab", 1, 1000.0},
    {"aaa", "", 1e9, 1000.0},  // an empty diagonal stops any measurement
};

TEST(Dtw, DistanceTable) {
    for (const Case& c : kCases)
        EXPECT_EQ(c.distance, Measure(c.receiver, c.other, c.threshold))
            << '"' << c.receiver << "\" to \"" << c.other << "\" under " << c.threshold;
}

TEST(Dtw, OneLetterAgainstItselfIsZeroForAnyThresholdFromZero) {
    for (double t : {0.0, 0.5, 1.0, 6.0, 1000.0}) EXPECT_EQ(0.0, Measure("x", "x", t)) << t;
    EXPECT_EQ(1000.0, Measure("x", "x", -0.5));
}

TEST(Dtw, ThresholdStartsAt1000AndNothingChangesWhileMeasuring) {
    dtw a, b;
    EXPECT_EQ(1000.0, a.threshold);
    EXPECT_EQ(2.1, a.GapCost());
    a.SetWord("abcdef");
    b.SetWord("ghijkl");
    EXPECT_EQ(12.0, a.Distance(b));
    EXPECT_EQ(12.0, a.Distance(b));
    EXPECT_EQ(6, a.Length());
    // A new word replaces the old one entirely, also when shorter.
    a.SetWord("gh");
    b.SetWord("gh");
    EXPECT_EQ(0.0, a.Distance(b));
    EXPECT_EQ(2, a.Length());
}

TEST(Dtw, BytesAbove7FAreLettersOfTheirOwn) {
    // cp1257: 0xE0 a-ogonek, 0xC0 its capital, 0xF0 s-caron; 0x60 shares 0xE0's low seven bits.
    EXPECT_EQ(0.0, Measure("\xE0\xF0", "\xE0\xF0", 6));
    EXPECT_EQ(2.0, Measure("\xE0", "\xC0", 6));
    EXPECT_EQ(2.0, Measure("\xE0", "\x60", 6));
    EXPECT_EQ(2.0, Measure("\x80", "\xFF", 6));
    EXPECT_EQ(1.5, Measure("\xE0\xF0", "\xF0\xE0", 6));
    EXPECT_EQ(1.0, Measure("\xFF\xFF", "\xFF", 6));

    dtw a, b;
    a.SetWord("x\xE0");
    b.SetWord("\xE0x");
    EXPECT_EQ(0.0, a.SubstCost(b, 1, 0));
    EXPECT_EQ(2.0, a.SubstCost(b, 0, 0));
    EXPECT_EQ(2.0, a.SubstCost(b, 2, 0));  // outside the word
}

TEST(Dtw, WordsBeyond49LettersMeasureTooFar) {
    const std::string w49(49, 'a'), w50(50, 'a'), w60 = std::string(30, 'a') + std::string(30, 'b');
    EXPECT_EQ(0.0, Measure(w49, w49, 6));
    EXPECT_EQ(1.0, Measure(w49, std::string(48, 'a'), 6));
    EXPECT_EQ(2.0, Measure(w49, std::string(48, 'a') + 'b', 6));
    EXPECT_EQ(1000.0, Measure(w50, w50, 1000));
    EXPECT_EQ(1000.0, Measure(w60, w60, 1000));
    EXPECT_EQ(1000.0, Measure(w60, "ab", 1e9));
    EXPECT_EQ(1000.0, Measure("ab", w60, 1e9));
    EXPECT_EQ(1000.0, Measure(w60, "", 1e9));
}

// Random words over a small alphabet, so that trades and doubled letters occur, under thresholds
// from below the first diagonal's cost to beyond any word's distance.
TEST(Dtw, AgreesWithTheWholeTableUnderTheAbandonRule) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> length(0, 14), letter(0, 3), threshold(-1, 30);
    const char alphabet[] = {'a', 'b', '\xE0', '\xF0'};
    auto word = [&] {
        std::string w(length(random), ' ');
        for (char& c : w) c = alphabet[letter(random)];
        return w;
    };
    for (int round = 0; round < 20000; ++round) {
        const std::string a = word(), b = word();
        const double t = threshold(random) / 2.0;
        ASSERT_EQ(ByTheRule(a, b, t), Measure(a, b, t)) << a << " / " << b << " under " << t;
    }
}

TEST(Dtw, CountsTheCellsItComputes) {
    dtw a, b;
    a.SetWord("abcdef");
    b.SetWord("ghijkl");
    std::int64_t cells = 0;
    a.threshold = 1000;
    EXPECT_EQ(12.0, a.Distance(b, cells));
    EXPECT_EQ(36, cells);
    cells = 0;
    a.threshold = 6;
    EXPECT_EQ(1000.0, a.Distance(b, cells));
    EXPECT_EQ(1 + 2 + 3 + 4, cells);  // the fourth diagonal lies at 6.1 and more
}

}  // namespace
