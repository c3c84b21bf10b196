// The base of every window of the forms layer: a window handle owned by its object, a place
// among its parent's children, alignment, and the common state (text, enabled, visible).
// One window procedure serves every container (form, panel): it finds the object stored at
// creation and calls its virtual handler, and it passes the controls' notifications on to the
// control objects. No exception reaches the system's window code.
#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "forms/font.h"

enum class TAlign { None, Top, Bottom, Client };

struct TBounds {
    int left = 0, top = 0, width = 0, height = 0;
};

class TWinControl {
public:
    TWinControl(const TWinControl&) = delete;
    TWinControl& operator=(const TWinControl&) = delete;
    virtual ~TWinControl();

    HWND Handle() const { return hwnd; }
    TWinControl* Parent() const { return parent; }

    void SetBounds(const TBounds& b);
    TBounds Bounds() const { return bounds; }
    void SetAlign(TAlign a);
    void SetEnabled(bool on);
    bool Enabled() const;
    void SetVisible(bool on);
    bool Visible() const;
    void SetText(const std::string& text);
    std::string Text() const;
    // A font of its own; children created later take it over.
    void SetFont(const std::string& name, int height);
    std::shared_ptr<TFont> Font() const { return font; }

    // Lays the aligned children out in the client area: top ones down from the top, bottom ones
    // up from the bottom, client ones in what is left.
    void Realign();

protected:
    explicit TWinControl(TWinControl* parent);
    // Creates the window as a child of the parent (or top-level without one) and registers it.
    void CreateHandle(DWORD exStyle, const char* className, DWORD style, const std::string& text,
                      const TBounds& b, HWND owner = nullptr);

    // Window messages of containers; the default passes notifications on and re-lays children.
    virtual LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp);
    // Notifications that the parent receives for this control.
    virtual void Command(WORD /*code*/) {}
    virtual void Scroll() {}
    virtual void FontChanged() {}
    // The background brush for a control that asks its parent for colours; none: the default.
    virtual HBRUSH CtlColor(HDC) { return nullptr; }

    static const char* ContainerClass();  // the window class of forms and panels
    static LRESULT CALLBACK ContainerProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

    HWND hwnd = nullptr;

private:
    static TWinControl* FromHandle(HWND h);
    void PlaceChild(TWinControl& child, RECT& area);

    TWinControl* parent;
    std::vector<TWinControl*> children;
    TBounds bounds;
    TAlign align = TAlign::None;
    std::shared_ptr<TFont> font;
};
