// The weighted distance written as plainly as possible, for tests to compare the real one with.
#pragma once
#include <algorithm>
#include <string>
#include <vector>

namespace dtwtest {

// The whole table first, written as plainly as possible, then the abandon rule applied to its
// anti-diagonals: an independent statement of the measure to compare with.
double ByTheRule(const std::string& a, const std::string& b, double threshold) {
    const int m = static_cast<int>(a.size()), n = static_cast<int>(b.size());
    std::vector<std::vector<double>> d(m + 1, std::vector<double>(n + 1));
    for (int i = 1; i <= m; ++i) d[i][0] = d[i - 1][0] + 2.1;
    for (int j = 1; j <= n; ++j) d[0][j] = d[0][j - 1] + 2.1;
    for (int i = 1; i <= m; ++i)
        for (int j = 1; j <= n; ++j) {
            const char ai = a[i - 1], bj = b[j - 1];
            double v = std::min({d[i - 1][j - 1] + (ai == bj ? 0.0 : 2.0), d[i - 1][j] + 2.1, d[i][j - 1] + 2.1});
            if (i >= 2 && j >= 2 && ai == b[j - 2] && a[i - 2] == bj) v = std::min(v, d[i - 2][j - 2] + 1.5);
            if (i >= 2 && ai == bj && a[i - 2] == ai) v = std::min(v, d[i - 2][j - 1] + 1.0);
            if (j >= 2 && ai == b[j - 2] && b[j - 2] == bj) v = std::min(v, d[i - 1][j - 2] + 1.0);
            d[i][j] = v;
        }
    for (int k = 1; k <= m + n - 1; ++k) {
        double lowest = threshold + 1.0;
        for (int i = 1; i <= m; ++i)
            if (const int j = k + 1 - i; j >= 1 && j <= n) lowest = std::min(lowest, d[i][j]);
        if (lowest > threshold) return 1000.0;
    }
    return d[m][n];
}

}  // namespace dtwtest
