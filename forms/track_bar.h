// A horizontal track bar with ticks below. OnChange runs only when the position really changes,
// whether the user moved it or the program set it.
#pragma once
#include <functional>

#include "forms/control.h"

class TTrackBar : public TWinControl {
public:
    TTrackBar(TWinControl& parent, const TBounds& b, int min, int max, int position, int frequency = 1);

    // Keeps the position within the range; OnChange only when it differs from the current one.
    void SetPosition(int p);
    int Position() const { return position; }
    int Min() const { return min; }
    int Max() const { return max; }
    std::function<void()> OnChange;

protected:
    void Scroll() override;

private:
    void Changed(int p);
    int min, max, position;
};
