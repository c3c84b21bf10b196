#include "forms/label.h"

TLabel::TLabel(TWinControl& parent, const TBounds& b, const std::string& caption) : TWinControl(&parent) {
    // One line, never wrapped: a caption wider than planned grows the label instead of dropping
    // its end onto a hidden second line.
    CreateHandle(0, "STATIC", WS_VISIBLE | SS_LEFTNOWORDWRAP | SS_NOPREFIX, caption, b);
    FitText();
}

void TLabel::SetCaption(const std::string& text) {
    SetText(text);
    FitText();
}

void TLabel::FitText() {
    if (!hwnd) return;
    std::string text = Text();
    HDC dc = GetDC(hwnd);
    HGDIOBJ old = Font() ? SelectObject(dc, Font()->Handle()) : nullptr;
    SIZE size{0, 0};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
    if (old) SelectObject(dc, old);
    ReleaseDC(hwnd, dc);
    TBounds b = Bounds();
    b.width = size.cx;
    b.height = size.cy;
    SetBounds(b);
}
