// Top-level windows of this process only: test programs run side by side on one desktop, and
// another program's dialog of the same caption must not be taken for ours.
#pragma once
#include <windows.h>
#include <cstring>

namespace own_window {

struct Search {
    const char* caption;
    HWND found;
};

inline BOOL CALLBACK Match(HWND h, LPARAM lp) {
    auto& s = *reinterpret_cast<Search*>(lp);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(h, &pid);
    if (pid != ::GetCurrentProcessId()) return TRUE;
    char text[128] = {};
    ::GetWindowTextA(h, text, sizeof text);
    if (std::strcmp(text, s.caption) != 0 || !::IsWindowVisible(h)) return TRUE;
    s.found = h;
    return FALSE;
}

// The visible top-level window of this process with the caption, or null.
inline HWND Find(const char* caption) {
    Search s{caption, nullptr};
    ::EnumWindows(Match, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

}  // namespace own_window
