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
