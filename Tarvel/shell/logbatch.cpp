#include "Tarvel/shell/logbatch.h"

std::size_t TLogBatch::Add(const std::string& text, bool memo) {
    const bool repeat = run > 0 && text == last && memo == lastMemo;
    if (repeat && beyondCap == 0 && run >= ShownRepeats) {
        ++run;  // counted in its run
        return 0;
    }
    if (lines.size() >= MaxHeld || beyondCap > 0) {
        ++beyondCap;
        return 0;
    }
    const std::size_t before = lines.size();
    if (repeat) {
        ++run;
    } else {
        EndRun();
        last = text;
        lastMemo = memo;
        run = 1;
    }
    lines.push_back({text, memo});
    return lines.size() - before;
}

void TLogBatch::EndRun() {
    if (run > ShownRepeats)
        lines.push_back({"... " + std::to_string(run - ShownRepeats) + " more lines like this", lastMemo});
    run = 0;
}

std::size_t TLogBatch::Seal() {
    const std::size_t before = lines.size();
    const int shown = run < ShownRepeats ? run : ShownRepeats;
    EndRun();
    if (beyondCap > 0) {
        lines.push_back({"... " + std::to_string(beyondCap) + " more lines", true});
    } else {
        run = shown;  // the run goes on in the next batch, past the copies already shown
    }
    beyondCap = 0;
    return lines.size() - before;
}

TLogBatch TLogBatch::Next() const {
    TLogBatch next;
    if (run > 0) {
        next.last = last;
        next.lastMemo = lastMemo;
        next.run = run;
    }
    return next;
}
