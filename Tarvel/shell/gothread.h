// The worker thread of the tool window: runs one job closure per start.
#pragma once
#include <atomic>
#include <functional>

#include "forms/thread.h"

class TGoThread : public TThread {
public:
    TGoThread() = default;  // suspended until Resume

    std::atomic<bool> Working{false};  // true while Execute runs the job
    std::function<void()> OnGo;        // set by the main thread before Resume

protected:
    // Runs OnGo; Working is cleared whether the job returns or raises (the thread class keeps
    // the exception, nothing is reported).
    void Execute() override;
};
