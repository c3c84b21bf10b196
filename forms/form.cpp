#include "forms/form.h"

#include <commctrl.h>

#include "forms/main_thread.h"

namespace {

std::function<bool(TForm&)>& CloseHook() {
    static std::function<bool(TForm&)> hook;
    return hook;
}

}  // namespace

TForm::TForm(const TFormDesc& desc) : TWinControl(nullptr) {
    forms::PrepareMainThread();
    static const bool controlsReady = [] {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
        return InitCommonControlsEx(&icc) != FALSE;
    }();
    (void)controlsReady;
    SetFont(desc.fontName, desc.fontHeight);
    DWORD style = WS_CLIPCHILDREN;
    DWORD exStyle = 0;
    if (desc.border == TBorderStyle::Dialog) {
        style |= WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
        exStyle |= WS_EX_DLGMODALFRAME;
    } else {
        style |= WS_OVERLAPPEDWINDOW;
    }
    TBounds b = desc.bounds;
    if (desc.clientWidth > 0 && desc.clientHeight > 0) {
        RECT r{0, 0, desc.clientWidth, desc.clientHeight};
        AdjustWindowRectEx(&r, style, FALSE, exStyle);
        b.width = r.right - r.left;
        b.height = r.bottom - r.top;
    }
    if (desc.position == TPosition::ScreenCenter) {
        b.left = (GetSystemMetrics(SM_CXSCREEN) - b.width) / 2;
        b.top = (GetSystemMetrics(SM_CYSCREEN) - b.height) / 2;
    }
    CreateHandle(exStyle, ContainerClass(), style, desc.caption, b);
}

TForm::~TForm() { *alive = false; }

bool TForm::OnMainThread() { return forms::IsMainThread(); }

void TForm::Post(std::function<void()> fn) {
    std::weak_ptr<bool> token = alive;
    forms::PostToMainThread([token, fn = std::move(fn)] {
        if (auto a = token.lock(); a && *a) fn();
    });
}

void TForm::RunOnMainThread(std::function<void()> fn) {
    if (forms::IsMainThread()) {
        forms::DrainMainThread();  // what other threads queued before comes first
        fn();
    } else {
        Post(std::move(fn));
    }
}

void TForm::Show() {
    ShowWindow(hwnd, SW_SHOW);
    Realign();
}

void TForm::SetParentWindow(HWND owner) {
    parentWindow = owner;
    if (hwnd) SetWindowLongPtrA(hwnd, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
}

void TForm::Close() {
    bool canClose = true;
    if (OnCloseQuery) OnCloseQuery(canClose);
    if (!canClose) return;
    if (modal) {
        modalResult = mrCancel;
        return;
    }
    if (CloseHook() && !CloseHook()(*this)) return;
    ShowWindow(hwnd, SW_HIDE);
}

void TForm::SetCloseHook(std::function<bool(TForm&)> hook) { CloseHook() = std::move(hook); }

int TForm::ShowModal() {
    modal = true;
    modalResult = mrNone;
    HWND owner = parentWindow;
    if (owner) EnableWindow(owner, FALSE);
    ShowWindow(hwnd, SW_SHOW);
    Realign();
    MSG msg;
    while (modalResult == mrNone) {
        BOOL r = GetMessageA(&msg, nullptr, 0, 0);
        if (r == 0 || r == -1) {
            PostQuitMessage(r == 0 ? static_cast<int>(msg.wParam) : 0);
            if (modalResult == mrNone) modalResult = mrCancel;
            break;
        }
        if (!IsDialogMessageA(hwnd, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    if (owner) EnableWindow(owner, TRUE);
    ShowWindow(hwnd, SW_HIDE);
    if (owner) SetActiveWindow(owner);
    modal = false;
    return modalResult;
}

LRESULT TForm::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CLOSE:
        Close();
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wp) != WA_INACTIVE && OnActivate) OnActivate();
        break;
    }
    return TWinControl::WndProc(msg, wp, lp);
}
