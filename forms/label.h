// A line of static text that sizes itself to its caption in its own font, as the class library's
// labels do by default: the width and height it is given are replaced by its text's extent.
#pragma once
#include <string>

#include "forms/control.h"

class TLabel : public TWinControl {
public:
    TLabel(TWinControl& parent, const TBounds& b, const std::string& caption);
    void SetCaption(const std::string& text);
    std::string Caption() const { return Text(); }

protected:
    void FontChanged() override { FitText(); }

private:
    void FitText();
};
