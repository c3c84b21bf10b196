// A multi-line text box, read-only with a vertical scroll bar, that collects log lines.
// It shows the newest lines only, at most MaxChars characters: a line that would pass the bound
// first drops the oldest lines, a quarter of the bound at once, and a line longer than
// MaxLineLength shows its beginning followed by " ...". The box re-reads all of its text for word
// breaks at every change, so the bound is what keeps an append cheap; finding the end costs
// nothing. The text changes through AppendLine only.
#pragma once
#include <cstddef>
#include <deque>
#include <string>
#include <vector>

#include "forms/control.h"

class TMemo : public TWinControl {
public:
    static constexpr int MaxChars = 100000;
    static constexpr size_t MaxLineLength = 1000;

    TMemo(TWinControl& parent, const TBounds& b, TAlign align);

    void AppendLine(const std::string& line);
    std::vector<std::string> Lines() const;

protected:
    HBRUSH CtlColor(HDC dc) override;  // a log reads on the window colour, read-only or not

private:
    void DropOldest(int chars);

    std::deque<int> lengths_;  // characters of each line shown, its line break included
    int held_ = 0;             // characters shown in all: where the next line goes
};
