// A status bar at the bottom of its parent with fixed-width panels, each left- or right-aligned.
#pragma once
#include <string>
#include <vector>

#include "forms/control.h"

enum class TAlignment { Left, Right };

struct TStatusPanel {
    int width;
    TAlignment alignment = TAlignment::Left;
};

class TStatusBar : public TWinControl {
public:
    TStatusBar(TWinControl& parent, int height, std::vector<TStatusPanel> panels);

    void SetPanelText(int index, const std::string& text);
    // The panel's text as the control holds it (without the alignment marks).
    std::string PanelText(int index) const;
    int PanelCount() const { return static_cast<int>(panels.size()); }

private:
    std::vector<TStatusPanel> panels;
};
