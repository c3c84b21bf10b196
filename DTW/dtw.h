// Weighted edit distance between two words of 8-bit text, filled by anti-diagonals so that a
// measurement stops as soon as a whole diagonal lies above the receiver's threshold.
#pragma once
#include <cstdint>
#include <string_view>
#include <vector>

class dtw {
public:
    // Longest word the fixed table holds; a longer word on either side measures kTooFar.
    static constexpr int kMaxLetters = 49;
    // The answer of an abandoned measurement, above every threshold a caller uses.
    static constexpr double kTooFar = 1000.0;

    dtw();
    dtw(const dtw&) = delete;
    dtw& operator=(const dtw&) = delete;

    // Replaces the word; each byte becomes one letter, widened with its sign. Reuses the
    // letters' storage, so a scan that sets word after word allocates nothing once warm.
    bool SetWord(std::string_view word);
    bool SetWord(const char* word);  // zero-terminated, read once
    int Length() const noexcept { return length; }

    // Distance from this word (the receiver) to other's word, abandoned with kTooFar as soon
    // as an anti-diagonal lies wholly above this object's threshold.
    double Distance(const dtw& other) const;
    // The same, adding the number of table cells computed to cells (for measurements).
    double Distance(const dtw& other, std::int64_t& cells) const;

    double GapCost() const;
    // Cost of putting letter j of other in place of letter i of this word (both 0-based).
    double SubstCost(const dtw& other, int i, int j) const;

    // Set by the owner before measuring; 1000.0 after construction.
    double threshold;

private:
    template <bool Count>
    double Measure(const dtw& other, std::int64_t* cells) const;

    // letters[0] is a sentinel no byte equals, the word's letters follow from index 1; the
    // storage only grows, so it may hold more entries than length + 1.
    std::vector<std::int32_t> letters;
    std::int32_t length;
};
