// The costs of the weighted edit distance, shared by dtw and the vocabulary scan so that both
// add exactly the same numbers.
#pragma once
#include <array>
#include <climits>
#include <cstdint>

namespace dtwcost {

constexpr double kGap = 2.1;
constexpr double kSubst = 2.0;
constexpr double kTrade = 1.5;
constexpr double kDoubled = 1.0;
constexpr double kMargin = 1.0;
// Cells along one side of the table: words of up to 49 letters and the border.
constexpr int kSide = 50;

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

}  // namespace dtwcost
