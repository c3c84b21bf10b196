#include "forms/memo.h"

TMemo::TMemo(TWinControl& parent, const TBounds& b, TAlign align) : TWinControl(&parent) {
    CreateHandle(WS_EX_CLIENTEDGE, "EDIT",
                 WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | ES_LEFT, "", b);
    SendMessageA(hwnd, EM_SETLIMITTEXT, 0, 0);  // the box's own limit is far below ours
    SetAlign(align);
}

namespace {

// Characters the box holds for an 8-bit text: its positions count characters, not bytes.
int Characters(const std::string& text) {
    return MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0) - 1;
}

}  // namespace

void TMemo::AppendLine(const std::string& line) {
    std::string text = line.size() > MaxLineLength ? line.substr(0, MaxLineLength - 4) + " ..." : line;
    text += "\r\n";
    const int n = Characters(text);
    if (held_ + n > MaxChars) DropOldest(held_ + n - (MaxChars - MaxChars / 4));
    // The end is known: asking the box for its length would cost as much as all it holds.
    SendMessageA(hwnd, EM_SETSEL, held_, held_);
    SendMessageA(hwnd, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
    lengths_.push_back(n);
    held_ += n;
}

// Drops whole lines from the front until at least `chars` characters are gone.
void TMemo::DropOldest(int chars) {
    int n = 0;
    while (n < chars && !lengths_.empty()) {
        n += lengths_.front();
        lengths_.pop_front();
    }
    SendMessageA(hwnd, EM_SETSEL, 0, n);
    SendMessageA(hwnd, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(""));
    held_ -= n;
}

std::vector<std::string> TMemo::Lines() const {
    std::vector<std::string> lines;
    std::string all = Text();
    size_t start = 0;
    while (start < all.size()) {
        size_t end = all.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(all.substr(start));
            break;
        }
        lines.push_back(all.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

HBRUSH TMemo::CtlColor(HDC dc) {
    SetBkColor(dc, GetSysColor(COLOR_WINDOW));
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    return GetSysColorBrush(COLOR_WINDOW);
}
