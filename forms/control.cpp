#include "forms/control.h"

#include <algorithm>

#include "forms/guard.h"
#include "forms/module.h"

TWinControl::TWinControl(TWinControl* parent) : parent(parent) {
    if (parent) {
        parent->children.push_back(this);
        font = parent->font;
    }
}

TWinControl::~TWinControl() {
    for (TWinControl* c : children) c->parent = nullptr;
    if (parent) {
        auto& list = parent->children;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
    }
    if (hwnd && IsWindow(hwnd)) {
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        DestroyWindow(hwnd);
    }
}

const char* TWinControl::ContainerClass() {
    static const char* name = [] {
        forms::KeepModuleLoaded();
        WNDCLASSA wc{};
        wc.lpfnWndProc = &TWinControl::ContainerProc;
        wc.hInstance = forms::ModuleInstance();
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = "FormsContainer";
        RegisterClassA(&wc);
        return "FormsContainer";
    }();
    return name;
}

void TWinControl::CreateHandle(DWORD exStyle, const char* className, DWORD style,
                               const std::string& text, const TBounds& b, HWND owner) {
    bounds = b;
    HWND parentHandle = parent ? parent->hwnd : owner;
    if (parent) style |= WS_CHILD;
    hwnd = CreateWindowExA(exStyle, className, text.c_str(), style, b.left, b.top, b.width, b.height,
                           parentHandle, nullptr, forms::ModuleInstance(), this);
    if (!hwnd) return;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    if (font) SendMessageA(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font->Handle()), FALSE);
}

TWinControl* TWinControl::FromHandle(HWND h) {
    return h ? reinterpret_cast<TWinControl*>(GetWindowLongPtrA(h, GWLP_USERDATA)) : nullptr;
}

LRESULT CALLBACK TWinControl::ContainerProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* self = static_cast<TWinControl*>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        if (self) self->hwnd = hwnd;
    }
    TWinControl* self = FromHandle(hwnd);
    if (!self) return DefWindowProcA(hwnd, msg, wp, lp);
    if (msg == WM_NCDESTROY) SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    LRESULT result = 0;
    bool handled = false;
    forms::Guard([&] {
        result = self->WndProc(msg, wp, lp);
        handled = true;
    });
    return handled ? result : DefWindowProcA(hwnd, msg, wp, lp);
}

LRESULT TWinControl::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_COMMAND:
        if (TWinControl* c = lp ? FromHandle(reinterpret_cast<HWND>(lp)) : nullptr) {
            c->Command(HIWORD(wp));
            return 0;
        }
        break;
    case WM_HSCROLL:
    case WM_VSCROLL:
        if (TWinControl* c = lp ? FromHandle(reinterpret_cast<HWND>(lp)) : nullptr) {
            c->Scroll();
            return 0;
        }
        break;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
        if (TWinControl* c = FromHandle(reinterpret_cast<HWND>(lp)))
            if (HBRUSH b = c->CtlColor(reinterpret_cast<HDC>(wp))) return reinterpret_cast<LRESULT>(b);
        break;
    case WM_SIZE:
        Realign();
        break;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

void TWinControl::SetBounds(const TBounds& b) {
    bounds = b;
    if (hwnd) MoveWindow(hwnd, b.left, b.top, b.width, b.height, TRUE);
}

void TWinControl::SetAlign(TAlign a) {
    align = a;
    if (parent) parent->Realign();
}

void TWinControl::PlaceChild(TWinControl& c, RECT& area) {
    TBounds b = c.bounds;
    switch (c.align) {
    case TAlign::None: return;
    case TAlign::Top:
        b = {area.left, area.top, area.right - area.left, c.bounds.height};
        area.top += b.height;
        break;
    case TAlign::Bottom:
        b = {area.left, area.bottom - c.bounds.height, area.right - area.left, c.bounds.height};
        area.bottom -= b.height;
        break;
    case TAlign::Client:
        b = {area.left, area.top, area.right - area.left, area.bottom - area.top};
        break;
    }
    b.width = std::max(b.width, 0);
    b.height = std::max(b.height, 0);
    c.SetBounds(b);
}

void TWinControl::Realign() {
    if (!hwnd) return;
    RECT area;
    GetClientRect(hwnd, &area);
    // Edges first, in the order the children were made; then what fills the rest.
    for (TWinControl* c : children)
        if (c->align == TAlign::Top || c->align == TAlign::Bottom) PlaceChild(*c, area);
    for (TWinControl* c : children)
        if (c->align == TAlign::Client) PlaceChild(*c, area);
}

void TWinControl::SetEnabled(bool on) {
    if (hwnd) EnableWindow(hwnd, on ? TRUE : FALSE);
}

bool TWinControl::Enabled() const { return hwnd && IsWindowEnabled(hwnd); }

void TWinControl::SetVisible(bool on) {
    if (hwnd) ShowWindow(hwnd, on ? SW_SHOW : SW_HIDE);
}

bool TWinControl::Visible() const {
    return hwnd && (GetWindowLongA(hwnd, GWL_STYLE) & WS_VISIBLE) != 0;
}

void TWinControl::SetText(const std::string& text) {
    if (hwnd) SetWindowTextA(hwnd, text.c_str());
}

std::string TWinControl::Text() const {
    if (!hwnd) return {};
    int n = GetWindowTextLengthA(hwnd);
    std::string s(static_cast<size_t>(n) + 1, '\0');
    n = GetWindowTextA(hwnd, s.data(), n + 1);
    s.resize(static_cast<size_t>(std::max(n, 0)));
    return s;
}

void TWinControl::SetFont(const std::string& name, int height) {
    font = std::make_shared<TFont>(name, height);
    if (hwnd) SendMessageA(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font->Handle()), TRUE);
    FontChanged();
}
