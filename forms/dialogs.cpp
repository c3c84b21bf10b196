#include "forms/dialogs.h"

int ShowMessageBox(const std::string& text, const std::string& caption, UINT flags, HWND owner) {
    return MessageBoxA(owner, text.c_str(), caption.c_str(), flags);
}
