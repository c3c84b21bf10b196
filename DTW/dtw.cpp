#include "DTW/dtw.h"

#include <algorithm>
#include <array>
#include <climits>

namespace {

constexpr double kGap = 2.1;
constexpr double kSubst = 2.0;
constexpr double kTrade = 1.5;
constexpr double kDoubled = 1.0;
constexpr double kMargin = 1.0;
constexpr int kSide = dtw::kMaxLetters + 1;

// Stands before the first letter so that the moves reaching back one letter too far never find
// a match there: no sign-widened byte equals it.
constexpr std::int32_t kNoLetter = INT_MIN;

// First row and column of the table: repeated additions of the gap cost, which round
// differently from multiples of it.
constexpr std::array<double, kSide> MakeBorder() {
    std::array<double, kSide> border{};
    for (int i = 1; i < kSide; ++i) border[i] = border[i - 1] + kGap;
    return border;
}
constexpr std::array<double, kSide> kBorder = MakeBorder();

}  // namespace

dtw::dtw() : threshold(kTooFar), letters(1, kNoLetter), length(0) {}

bool dtw::SetWord(std::string_view word) {
    letters.resize(word.size() + 1);
    for (std::size_t i = 0; i < word.size(); ++i) letters[i + 1] = static_cast<signed char>(word[i]);
    length = static_cast<std::int32_t>(word.size());
    return true;
}

double dtw::GapCost() const { return kGap; }

double dtw::SubstCost(const dtw& other, int i, int j) const {
    const bool inside = i >= 0 && i < length && j >= 0 && j < other.length;
    return inside && letters[i + 1] == other.letters[j + 1] ? 0.0 : kSubst;
}

double dtw::Distance(const dtw& other) const { return Measure<false>(other, nullptr); }

double dtw::Distance(const dtw& other, std::int64_t& cells) const { return Measure<true>(other, &cells); }

template <bool Count>
double dtw::Measure(const dtw& other, std::int64_t* cells) const {
    const int m = length;
    const int n = other.length;
    if (m > kMaxLetters || n > kMaxLetters) return kTooFar;
    const std::int32_t* a = letters.data();  // a[1] .. a[m]
    const std::int32_t* b = other.letters.data();

    // Only the borders and the cells of visited diagonals are ever read.
    double d[kSide][kSide];
    for (int i = 0; i <= m; ++i) d[i][0] = kBorder[i];
    for (int j = 1; j <= n; ++j) d[0][j] = kBorder[j];
    if (m + n <= 1) return d[m][n];

    const double limit = threshold;
    for (int k = 1; k <= m + n - 1; ++k) {
        double lowest = limit + kMargin;
        // Cells with i + j = k + 1, from the largest j down, i staying within 1..m.
        const int jFirst = std::min(k, n);
        const int jLast = std::max(1, k + 1 - m);
        for (int j = jFirst, i = k + 1 - jFirst; j >= jLast; --j, ++i) {
            const std::int32_t ai = a[i];
            const std::int32_t bj = b[j];
            double v = d[i - 1][j - 1] + (ai == bj ? 0.0 : kSubst);
            const double del = d[i - 1][j] + kGap;
            if (del < v) v = del;
            const double ins = d[i][j - 1] + kGap;
            if (ins < v) v = ins;
            // The sentinel before the first letter keeps these from looking outside the table.
            if (ai == b[j - 1]) {
                if (a[i - 1] == bj) {
                    const double trade = d[i - 2][j - 2] + kTrade;
                    if (trade < v) v = trade;
                }
                if (b[j - 1] == bj) {
                    const double doubledInB = d[i - 1][j - 2] + kDoubled;
                    if (doubledInB < v) v = doubledInB;
                }
            }
            if (ai == bj && a[i - 1] == ai) {
                const double doubledInA = d[i - 2][j - 1] + kDoubled;
                if (doubledInA < v) v = doubledInA;
            }
            d[i][j] = v;
            if (v < lowest) lowest = v;
        }
        if constexpr (Count) *cells += std::max(0, jFirst - jLast + 1);
        if (lowest > limit) return kTooFar;
    }
    return d[m][n];
}
