// From a log10 probability to the linear one the components answer: 0 to 1, never NaN.
#pragma once

namespace ngram {

// pow(10, lp), at most 1; 0 for -infinity and anything at or below -1000.
double LinearProb(double lp) noexcept;

// Exactly static_cast<float>(LinearProb(lp)), at a fraction of pow's cost: exp2 gives the value
// to within far less than a float's rounding step, and only a value that lies too near a point
// where rounding to float could go either way is decided by LinearProb itself.
float SingleLinearProb(double lp) noexcept;

}  // namespace ngram
