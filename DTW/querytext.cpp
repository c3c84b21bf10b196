#include "DTW/querytext.h"
#include <windows.h>

namespace {
bool Blank(char c) { return static_cast<unsigned char>(c) <= 0x20; }
}  // namespace

std::string QueryForm(std::string_view word) {
    size_t begin = 0, end = word.size();
    while (begin < end && Blank(word[begin])) ++begin;
    while (end > begin && Blank(word[end - 1])) --end;
    std::string q(word.substr(begin, end - begin));
    if (!q.empty()) ::CharLowerBuffA(q.data(), static_cast<DWORD>(q.size()));
    return q;
}
