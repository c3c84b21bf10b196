// Message boxes. The owner defaults to the active window of the main thread.
#pragma once
#include <windows.h>

#include <string>

int ShowMessageBox(const std::string& text, const std::string& caption, UINT flags,
                   HWND owner = GetActiveWindow());
