#include "forms/status_bar.h"

#include <commctrl.h>

TStatusBar::TStatusBar(TWinControl& parent, int height, std::vector<TStatusPanel> panelList)
    : TWinControl(&parent), panels(std::move(panelList)) {
    // Laid out by its parent like any bottom-aligned control, not by the control itself.
    CreateHandle(0, STATUSCLASSNAMEA, WS_VISIBLE | SBARS_SIZEGRIP | CCS_NORESIZE | CCS_NOPARENTALIGN |
                                          CCS_NODIVIDER, "", {0, 0, 0, height});
    std::vector<int> edges;
    int right = 0;
    for (size_t i = 0; i < panels.size(); ++i) {
        right += panels[i].width;
        edges.push_back(i + 1 == panels.size() ? -1 : right);  // the last one takes the rest
    }
    SendMessageA(hwnd, SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
    SetAlign(TAlign::Bottom);
}

void TStatusBar::SetPanelText(int index, const std::string& text) {
    if (index < 0 || index >= PanelCount()) return;
    // Two leading tabs right-align a part's text.
    std::string shown = panels[index].alignment == TAlignment::Right ? "\t\t" + text : text;
    SendMessageA(hwnd, SB_SETTEXTA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(shown.c_str()));
}

std::string TStatusBar::PanelText(int index) const {
    if (index < 0 || index >= PanelCount()) return {};
    LRESULT r = SendMessageA(hwnd, SB_GETTEXTLENGTHA, static_cast<WPARAM>(index), 0);
    std::string s(LOWORD(r) + 1, '\0');
    SendMessageA(hwnd, SB_GETTEXTA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(s.data()));
    s.resize(LOWORD(r));
    if (panels[index].alignment == TAlignment::Right && s.rfind("\t\t", 0) == 0) s.erase(0, 2);
    return s;
}
