// Log lines from other threads that wait for the main thread's next turn, held in one batch with
// a bound, so that no flood of lines can pile up work or memory ahead of the main thread: a run of
// one line repeated keeps its first copies and then only counts them; beyond a cap on the lines
// held, every further line is only counted. A count becomes one line of its own, in its place.
// A run goes on into the next batch and adds no line there: its count shows when the run ends or
// when CountRun asks for it (once a second), so a flood of one line adds no line per batch.
// Whatever the batch adds to `lines` goes to the info file at once, so the file and the memo hold
// the same lines in one order.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

class TLogBatch {
public:
    static constexpr int ShownRepeats = 10;
    static constexpr std::size_t MaxHeld = 1000;

    struct Line {
        std::string text;
        bool memo;  // false: the info file only (a warning while noWarning is set)
    };

    // Takes a line; answers how many lines it added at the end of `lines` (0 when only counted).
    std::size_t Add(const std::string& text, bool memo);
    // No line joins any more: the open counts become lines. Answers how many it added.
    std::size_t Seal();
    // After Seal: an empty batch that continues this one's run.
    TLogBatch Next() const;
    // Copies of the open run counted and not yet shown as a count line.
    bool Counting() const { return run > ShownRepeats; }
    // The count so far of the open run becomes a line, and the run goes on counting. Answers how
    // many lines it added.
    std::size_t CountRun();
    // The open run ends: its count becomes a line. Answers how many lines it added.
    std::size_t EndRun();

    std::vector<Line> lines;

private:
    std::string last;
    bool lastMemo = false;
    int run = 0;                // copies of `last` in a row, shown or counted
    long long beyondCap = 0;    // lines that came while `lines` was full
};
