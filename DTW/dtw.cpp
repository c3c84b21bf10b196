#include "DTW/dtw.h"
#include "DTW/dtwcosts.h"

#include <algorithm>
#include <cstdlib>

namespace {

using namespace dtwcost;
static_assert(kSide == dtw::kMaxLetters + 1);

// The table itself, for two words of 1 to 49 letters each (a[1] .. a[m] and b[1] .. b[n]);
// kept apart so that the measurements decided without it do not set up its large frame.
template <bool Count>
[[gnu::noinline]] double Walk(const std::int32_t* a, int m, const std::int32_t* b, int n, double limit,
                              std::int64_t* cells) {
    // Each diagonal reads the cells of the four before it and the borders up to its own number,
    // so the borders are laid out as the diagonals reach them; nothing else is ever read.
    double d[kSide][kSide];
    d[0][0] = 0.0;
    for (int k = 1; k <= m + n - 1; ++k) {
        if (k <= n) d[0][k] = kBorder[k];
        if (k <= m) d[k][0] = kBorder[k];
        double lowest = limit + kMargin;
        // Cells with i + j = k + 1, from the largest j down, i staying within 1..m.
        const int jFirst = std::min(k, n);
        const int jLast = std::max(1, k + 1 - m);
        for (int j = jFirst, i = k + 1 - jFirst; j >= jLast; --j, ++i) {
            const std::int32_t ai = a[i];
            const std::int32_t bj = b[j];
            double v = d[i - 1][j - 1] + (ai == bj ? 0.0 : kSubst);
            const double del = d[i - 1][j] + kGap;
            v = del < v ? del : v;
            const double ins = d[i][j - 1] + kGap;
            v = ins < v ? ins : v;
            // The sentinel before the first letter keeps these from looking outside the table.
            if (ai == b[j - 1]) {
                if (a[i - 1] == bj) {
                    const double trade = d[i - 2][j - 2] + kTrade;
                    v = trade < v ? trade : v;
                }
                if (b[j - 1] == bj) {
                    const double doubledInB = d[i - 1][j - 2] + kDoubled;
                    v = doubledInB < v ? doubledInB : v;
                }
            }
            if (ai == bj && a[i - 1] == ai) {
                const double doubledInA = d[i - 2][j - 1] + kDoubled;
                v = doubledInA < v ? doubledInA : v;
            }
            d[i][j] = v;
            lowest = v < lowest ? v : lowest;
        }
        if constexpr (Count) *cells += std::max(0, jFirst - jLast + 1);
        if (lowest > limit) return dtw::kTooFar;
    }
    return d[m][n];
}

}  // namespace

dtw::dtw() : threshold(kTooFar), letters(kSide + 1, kNoLetter), length(0) {}

bool dtw::SetWord(std::string_view word) {
    if (word.size() + 1 > letters.size()) letters.resize(word.size() + 1);
    for (std::size_t i = 0; i < word.size(); ++i) letters[i + 1] = static_cast<signed char>(word[i]);
    length = static_cast<std::int32_t>(word.size());
    return true;
}

bool dtw::SetWord(const char* word) {
    if (!word) word = "";
    std::size_t n = 0;
    for (; word[n]; ++n) {
        if (n + 2 > letters.size()) letters.resize(2 * letters.size());
        letters[n + 1] = static_cast<signed char>(word[n]);
    }
    length = static_cast<std::int32_t>(n);
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
    const double limit = threshold;
    if (m > kMaxLetters || n > kMaxLetters) return kTooFar;
    // No diagonal: the answer is the border cell.
    if (m + n <= 1) return kBorder[m + n];
    // One word empty: every diagonal is empty and the first one stops the measurement.
    if (m == 0 || n == 0) return limit + kMargin > limit ? kTooFar : kBorder[m + n];
    // The last diagonal holds the final cell alone, and no path reaches it for less than 1.0 per
    // letter of difference in length (a doubled letter), so a greater difference than the
    // threshold ends in the abandon anyway: no cell needs computing.
    if (std::abs(m - n) * kDoubled > limit) return kTooFar;

    return Walk<Count>(letters.data(), m, other.letters.data(), n, limit, cells);
}
