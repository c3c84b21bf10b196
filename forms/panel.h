// A container that aligns inside its parent (top, or filling it), with or without a raised edge.
#pragma once
#include "forms/control.h"

class TPanel : public TWinControl {
public:
    TPanel(TWinControl& parent, const TBounds& b, TAlign align, bool raised = true);

protected:
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    bool raised;
};
