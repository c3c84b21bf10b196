#include "forms/track_bar.h"

#include <commctrl.h>

#include <algorithm>

TTrackBar::TTrackBar(TWinControl& parent, const TBounds& b, int min, int max, int pos, int frequency)
    : TWinControl(&parent), min(min), max(max), position(std::clamp(pos, min, max)) {
    CreateHandle(0, TRACKBAR_CLASSA, WS_VISIBLE | WS_TABSTOP | TBS_HORZ | TBS_BOTTOM | TBS_AUTOTICKS, "", b);
    SendMessageA(hwnd, TBM_SETRANGEMIN, FALSE, min);
    SendMessageA(hwnd, TBM_SETRANGEMAX, FALSE, max);
    SendMessageA(hwnd, TBM_SETTICFREQ, static_cast<WPARAM>(frequency), 0);
    SendMessageA(hwnd, TBM_SETPOS, TRUE, position);
}

void TTrackBar::SetPosition(int p) {
    p = std::clamp(p, min, max);
    if (p == position) return;
    SendMessageA(hwnd, TBM_SETPOS, TRUE, p);
    Changed(p);
}

void TTrackBar::Scroll() {
    int p = static_cast<int>(SendMessageA(hwnd, TBM_GETPOS, 0, 0));
    if (p != position) Changed(p);
}

void TTrackBar::Changed(int p) {
    position = p;
    if (OnChange) OnChange();
}
