// A flat button that never takes the keyboard focus.
#pragma once
#include "forms/button.h"

class TSpeedButton : public TButton {
public:
    TSpeedButton(TWinControl& parent, const TBounds& b, const std::string& caption);
};
