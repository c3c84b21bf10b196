#include "forms/speed_button.h"

TSpeedButton::TSpeedButton(TWinControl& parent, const TBounds& b, const std::string& caption)
    : TButton(parent, b, caption, BS_FLAT) {}
