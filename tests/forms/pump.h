#pragma once
#include <windows.h>

#include <functional>

#include "forms/application.h"

// Runs the main thread's messages until pred holds or the time is up.
inline bool PumpUntil(const std::function<bool()>& pred, DWORD ms = 5000) {
    DWORD start = GetTickCount();
    while (!pred()) {
        if (GetTickCount() - start > ms) return false;
        Application.ProcessMessages();
        Sleep(1);
    }
    return true;
}
