#include "Tarvel/shell/utils.h"

#include <windows.h>

#include <cmath>

double Log10Prob(float x) {
    // NaN (an unordered compare) takes the floor like 0. A negative input, which only negative
    // weights can produce, has no logarithm: it takes the floor too rather than a NaN.
    if (x == 0.0f || std::isnan(x) || x < 0.0f) return LogZeroProb;
    return std::log10(static_cast<double>(x));
}

std::string BoolToText(bool b) { return b ? "1" : "0"; }

std::string TwoDigits(int n) {
    return n < 10 ? "0" + std::to_string(n) : std::to_string(n);
}

uint32_t PrivateMemoryKB() {
    uint64_t total = 0;
    uintptr_t address = 0;
    MEMORY_BASIC_INFORMATION mbi;
    while (VirtualQuery(reinterpret_cast<LPCVOID>(address), &mbi, sizeof mbi) == sizeof mbi) {
        if (mbi.State == MEM_COMMIT && mbi.Type == MEM_PRIVATE) total += mbi.RegionSize;
        uintptr_t next = reinterpret_cast<uintptr_t>(mbi.BaseAddress) + mbi.RegionSize;
        if (next <= address) break;  // the top of the address space wrapped
        address = next;
    }
    return static_cast<uint32_t>(total >> 10);
}
