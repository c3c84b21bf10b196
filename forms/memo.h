// A multi-line text box, read-only with a vertical scroll bar, that collects log lines.
#pragma once
#include <string>
#include <vector>

#include "forms/control.h"

class TMemo : public TWinControl {
public:
    TMemo(TWinControl& parent, const TBounds& b, TAlign align);

    void AppendLine(const std::string& line);
    std::vector<std::string> Lines() const;

protected:
    HBRUSH CtlColor(HDC dc) override;  // a log reads on the window colour, read-only or not
};
