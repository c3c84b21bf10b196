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

namespace {

// Two leading tabs right-align a part's text; the control draws it against the part's right
// edge, so trailing blanks keep it off the divider.
constexpr char kRightAlign[] = "\t\t";
constexpr char kRightMargin[] = "  ";

}  // namespace

void TStatusBar::SetPanelText(int index, const std::string& text) {
    if (index < 0 || index >= PanelCount()) return;
    std::string shown = panels[index].alignment == TAlignment::Right ? kRightAlign + text + kRightMargin : text;
    SendMessageA(hwnd, SB_SETTEXTA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(shown.c_str()));
}

std::string TStatusBar::PanelText(int index) const {
    if (index < 0 || index >= PanelCount()) return {};
    LRESULT r = SendMessageA(hwnd, SB_GETTEXTLENGTHA, static_cast<WPARAM>(index), 0);
    std::string s(LOWORD(r) + 1, '\0');
    SendMessageA(hwnd, SB_GETTEXTA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(s.data()));
    s.resize(LOWORD(r));
    if (panels[index].alignment == TAlignment::Right) {
        const std::string margin = kRightMargin;
        if (s.rfind(kRightAlign, 0) == 0) s.erase(0, 2);
        if (s.size() >= margin.size() && s.compare(s.size() - margin.size(), margin.size(), margin) == 0)
            s.resize(s.size() - margin.size());
    }
    return s;
}
