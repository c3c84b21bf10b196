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

std::size_t TLogBatch::CountRun() {
    if (!Counting()) return 0;
    lines.push_back({"... " + std::to_string(run - ShownRepeats) + " more lines like this", lastMemo});
    run = ShownRepeats;  // goes on past the copies shown and counted
    return 1;
}

std::size_t TLogBatch::EndRun() {
    const std::size_t added = CountRun();
    run = 0;
    return added;
}

std::size_t TLogBatch::Seal() {
    if (beyondCap == 0) return 0;  // an open run goes on in the next batch, counting
    const std::size_t before = lines.size();
    EndRun();
    lines.push_back({"... " + std::to_string(beyondCap) + " more lines", true});
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
