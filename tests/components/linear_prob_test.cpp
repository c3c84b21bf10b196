// The single-precision probability is exactly the double one narrowed: on random log10 values,
// on values whose 10^x lies right beside a point where rounding to float turns, and at the edges.
#include <gtest/gtest.h>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>
#include "ngram/linear_prob.h"

namespace {

void ExpectNarrowed(double lp) {
    const float want = static_cast<float>(ngram::LinearProb(lp));
    const float got = ngram::SingleLinearProb(lp);
    ASSERT_EQ(0, std::memcmp(&want, &got, sizeof want)) << lp << ": " << want << " but " << got;
}

}  // namespace

TEST(LinearProb, SingleIsTheDoubleNarrowed) {
    std::minstd_rand rng(5);
    std::uniform_real_distribution<double> any(-50.0, 0.5);
    std::uniform_real_distribution<float> prob(-8.0f, 0.0f), bow(-1.0f, 0.5f);
    for (int i = 0; i < 300000; ++i) {
        ExpectNarrowed(any(rng));
        // As the back-off rule makes them: a sum of single-precision terms taken in double.
        ExpectNarrowed(static_cast<double>(bow(rng)) + static_cast<double>(bow(rng)) + prob(rng));
    }
    // 10^x right beside the midpoint of two neighbouring floats, from the smallest to 1.
    std::uniform_int_distribution<uint32_t> anyFloat(1, 0x3F7FFFFE);
    for (int i = 0; i < 100000; ++i) {
        float f;
        const uint32_t bits = anyFloat(rng);
        std::memcpy(&f, &bits, sizeof f);
        const double mid = (static_cast<double>(f) + std::nextafter(f, 2.0f)) / 2.0;
        double lp = std::log10(mid);
        for (int k = 0; k < 3; ++k) lp = std::nextafter(lp, -1e9);
        for (int k = 0; k < 7; ++k, lp = std::nextafter(lp, 1e9)) ExpectNarrowed(lp);
    }
    for (double lp : {0.0, -0.0, -1.0, -2.0, -99.0, -99.99, -999.99, -1000.0, -1e300, 1e-300, -1e-300, 0.5, 3.0, 38.6,
                      -38.0, -44.9, -45.2, -45.5, -46.0, -std::numeric_limits<double>::infinity()})
        ExpectNarrowed(lp);
}
