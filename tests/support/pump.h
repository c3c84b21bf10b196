// Lets the main thread's messages run while a test waits for what they bring about.
#pragma once
#include <windows.h>

#include <functional>

#include "forms/application.h"

// Runs the main thread's messages until pred holds or the time is up.
inline bool PumpUntil(const std::function<bool()>& pred, DWORD ms = 8000) {
    DWORD start = GetTickCount();
    while (!pred()) {
        if (GetTickCount() - start > ms) return false;
        Application.ProcessMessages();
        Sleep(1);
    }
    return true;
}

// Another thread's wait until the main thread has brought count to at least n (or a minute
// has passed, and the test's own checks then tell what is missing).
template <typename Count>
inline void AwaitAtLeast(const Count& count, int n) {
    for (DWORD start = GetTickCount(); count < n && GetTickCount() - start < 60000;) Sleep(1);
}
