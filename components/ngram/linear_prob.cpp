#include "ngram/linear_prob.h"
#include <cmath>
#include <limits>

namespace ngram {

double LinearProb(double lp) noexcept {
    if (!(lp > -1000.0)) return 0.0;  // -infinity: a word the model gives no mass
    const double p = std::pow(10.0, lp);
    return p > 1.0 ? 1.0 : p;
}

float SingleLinearProb(double lp) noexcept {
    if (!(lp > -1000.0)) return 0.0f;
    // For |lp| below 1000, exp2 of the rounded product and pow are each within about 1e-12 of
    // 10^lp (relative); a float's rounding step is 6e-8 of it, so outside this margin of a
    // rounding point both round to the same float.
    constexpr double kLog2Of10 = 3.32192809488736234787;
    constexpr double kMargin = 1e-10;
    const double q = std::exp2(lp * kLog2Of10);
    if (q > 1.0 + kMargin) return 1.0f;
    if (q < 1.0 - kMargin) {
        const float f = static_cast<float>(q);
        constexpr float kInf = std::numeric_limits<float>::infinity();
        // Halfway to the neighbouring floats: exact in double.
        const double below = (static_cast<double>(std::nextafter(f, -kInf)) + f) / 2.0;
        const double above = (static_cast<double>(std::nextafter(f, kInf)) + f) / 2.0;
        if (q * (1.0 - kMargin) > below && q * (1.0 + kMargin) < above) return f;
    }
    return static_cast<float>(LinearProb(lp));
}

}  // namespace ngram
