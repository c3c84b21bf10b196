#include "forms/button.h"

TButton::TButton(TWinControl& parent, const TBounds& b, const std::string& caption)
    : TButton(parent, b, caption, WS_TABSTOP) {}

TButton::TButton(TWinControl& parent, const TBounds& b, const std::string& caption, DWORD style)
    : TWinControl(&parent) {
    CreateHandle(0, "BUTTON", WS_VISIBLE | BS_PUSHBUTTON | style, caption, b);
}

void TButton::Click() {
    if (OnClick) OnClick();
}

void TButton::Command(WORD code) {
    if (code == BN_CLICKED) Click();
}
