// Log lines appended to the log memo: the memo's own AppendLine beside the naive append it
// replaced (length of the whole text, caret there, replace the selection; no limit). One long
// line on a fresh memo, many short lines one after another, and the worst append to a full memo.
// Usage: bench_memo [--naive-4m]  (the naive 4,000,000-character append takes minutes: opt in)
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "forms/form.h"
#include "forms/memo.h"

namespace {

TFormDesc Desc() {
    TFormDesc d;
    d.caption = "bench";
    d.bounds = {20, 203, 753, 369};
    return d;
}

// The append as it was: cost grows with everything the box holds, and nothing is ever dropped.
void NaiveAppend(HWND edit, const std::string& line) {
    SendMessageA(edit, EM_SETLIMITTEXT, 0, 0);
    int end = GetWindowTextLengthA(edit);
    SendMessageA(edit, EM_SETSEL, end, end);
    std::string text = line + "\r\n";
    SendMessageA(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
}

template <typename Fn>
double Seconds(Fn fn) {
    const auto t0 = std::chrono::steady_clock::now();
    fn();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// A text of n characters in words, as a client's message would be.
std::string Words(size_t n) {
    std::string s;
    s.reserve(n);
    while (s.size() < n) s += "zodis ";
    s.resize(n);
    return s;
}

void Row(const char* what, double naive, double memo, const char* goal) {
    char n[32];
    if (naive < 0)
        std::snprintf(n, sizeof n, "%12s", "skipped");
    else
        std::snprintf(n, sizeof n, "%10.3f s", naive);
    std::printf("%-44s naive %s   memo %8.3f s   goal %s\n", what, n, memo, goal);
}

// One line of the given length on a fresh memo, both ways.
void LongLine(size_t length, bool runNaive, const char* goal) {
    const std::string line = Words(length);
    TForm form(Desc());
    double naive = -1;
    if (runNaive) {
        TMemo old(form, {0, 0, 700, 300}, TAlign::None);
        naive = Seconds([&] { NaiveAppend(old.Handle(), line); });
    }
    TMemo memo(form, {0, 0, 700, 300}, TAlign::None);
    const double now = Seconds([&] { memo.AppendLine(line); });
    char what[64];
    std::snprintf(what, sizeof what, "one line of %zu characters", length);
    Row(what, naive, now, goal);
}

// All of `lines` short lines of 80 characters, one after another, both ways.
void ManyLines(int lines, const char* goal) {
    const std::string line = Words(80);
    TForm form(Desc());
    TMemo old(form, {0, 0, 700, 300}, TAlign::None);
    TMemo memo(form, {0, 0, 700, 300}, TAlign::None);
    const double naive = Seconds([&] {
        for (int i = 0; i < lines; ++i) NaiveAppend(old.Handle(), line);
    });
    const double now = Seconds([&] {
        for (int i = 0; i < lines; ++i) memo.AppendLine(line);
    });
    char what[64];
    std::snprintf(what, sizeof what, "%d lines of 80 characters, all", lines);
    Row(what, naive, now, goal);
}

// The slowest of many appends of long lines to a memo that is full, its drops of the oldest
// lines included (the naive box would only grow: not compared).
void SlowestWhenFull(int lines, size_t length, const char* goal) {
    const std::string line = Words(length);
    TForm form(Desc());
    TMemo memo(form, {0, 0, 700, 300}, TAlign::None);
    double slowest = 0, all = 0;
    for (int i = 0; i < lines; ++i) {
        const double t = Seconds([&] { memo.AppendLine(line); });
        slowest = std::max(slowest, t);
        all += t;
    }
    char what[64];
    std::snprintf(what, sizeof what, "slowest of %d lines of %zu characters", lines, length);
    Row(what, -1, slowest, goal);
    std::snprintf(what, sizeof what, "mean of %d lines of %zu characters", lines, length);
    Row(what, -1, all / lines, "< 0.005 s");
}

}  // namespace

int main(int argc, char** argv) {
    const bool naive4m = argc > 1 && std::strcmp(argv[1], "--naive-4m") == 0;
    LongLine(64000, true, "< 0.05 s");
    LongLine(4000000, naive4m, "< 0.5 s");
    ManyLines(10000, "< 2.5 s");
    SlowestWhenFull(10000, 1000, "< 0.05 s");
    return 0;
}
