// A GDI font by face name and height (negative: character height in pixels), freed with its owner.
#pragma once
#include <windows.h>

#include <string>

class TFont {
public:
    TFont(const std::string& name, int height)
        : handle(CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             DEFAULT_PITCH | FF_DONTCARE, name.c_str())) {}
    TFont(const TFont&) = delete;
    TFont& operator=(const TFont&) = delete;
    ~TFont() {
        if (handle) DeleteObject(handle);
    }
    HFONT Handle() const { return handle; }

private:
    HFONT handle;
};
