// Small helpers shared by the model set and the tool window.
#pragma once
#include <cstdint>
#include <string>

// Probability 0 (and a not-a-number input) leaves the program as this floor.
constexpr float LogZeroProb = -99.99f;

// Base-10 logarithm of a probability, or LogZeroProb when it is 0 (or NaN, or negative). Tiny
// positive values keep their true logarithm, below the floor.
double Log10Prob(float x);

std::string BoolToText(bool b);

// "0" before values below 10: 7 gives 07, 123 gives 123.
std::string TwoDigits(int n);

// Committed private memory of the process, in whole kilobytes.
uint32_t PrivateMemoryKB();
