#include "forms/memo.h"

TMemo::TMemo(TWinControl& parent, const TBounds& b, TAlign align) : TWinControl(&parent) {
    CreateHandle(WS_EX_CLIENTEDGE, "EDIT",
                 WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | ES_LEFT, "", b);
    SendMessageA(hwnd, EM_SETLIMITTEXT, 0, 0);  // no limit: the log keeps every line
    SetAlign(align);
}

void TMemo::AppendLine(const std::string& line) {
    int end = GetWindowTextLengthA(hwnd);
    SendMessageA(hwnd, EM_SETSEL, end, end);
    std::string text = line + "\r\n";
    SendMessageA(hwnd, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
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
