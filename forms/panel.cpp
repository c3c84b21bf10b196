#include "forms/panel.h"

TPanel::TPanel(TWinControl& parent, const TBounds& b, TAlign align, bool raised)
    : TWinControl(&parent), raised(raised) {
    CreateHandle(WS_EX_CONTROLPARENT, ContainerClass(), WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, "", b);
    SetAlign(align);
}

LRESULT TPanel::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_PAINT && raised) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT r;
        GetClientRect(hwnd, &r);
        DrawEdge(dc, &r, BDR_RAISEDINNER, BF_RECT);
        EndPaint(hwnd, &ps);
        return 0;
    }
    return TWinControl::WndProc(msg, wp, lp);
}
