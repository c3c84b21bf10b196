// A line of static text; without a size it takes the size of its text.
#pragma once
#include <string>

#include "forms/control.h"

class TLabel : public TWinControl {
public:
    // A width and height of 0 make the label size itself to its caption.
    TLabel(TWinControl& parent, const TBounds& b, const std::string& caption);
    void SetCaption(const std::string& text);
    std::string Caption() const { return Text(); }

protected:
    void FontChanged() override { FitText(); }

private:
    void FitText();
    bool autoSize;
};
