// Rounding that really happens. The 32-bit build evaluates floating point on the x87 stack with
// extra precision; a value stored through volatile memory is rounded to its type exactly once.
#pragma once

namespace engine {

// Rounds to single precision.
inline float Single(long double v) {
    volatile float f = static_cast<float>(v);
    return f;
}

// Rounds to double precision.
inline double Double(long double v) {
    volatile double d = static_cast<double>(v);
    return d;
}

// The product of two doubles rounded once to double precision. The x87 unit would round it to its
// 64-bit mantissa first, which can differ in the last place; SSE2 rounds exactly once.
__attribute__((target("sse2,fpmath=sse"))) inline double Product(double a, double b) {
    return a * b;
}

}  // namespace engine
