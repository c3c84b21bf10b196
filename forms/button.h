// A push button with a click handler.
#pragma once
#include <functional>
#include <string>

#include "forms/control.h"

class TButton : public TWinControl {
public:
    TButton(TWinControl& parent, const TBounds& b, const std::string& caption);
    void Click();  // what a press does: runs OnClick
    std::function<void()> OnClick;

protected:
    TButton(TWinControl& parent, const TBounds& b, const std::string& caption, DWORD style);
    void Command(WORD code) override;
};
