#include "forms/timer.h"

#include <map>

#include "forms/guard.h"

namespace {
// Thread timers carry no object: find the owner by timer id (main thread only).
std::map<UINT_PTR, TTimer*>& Timers() {
    static std::map<UINT_PTR, TTimer*> timers;
    return timers;
}
}  // namespace

TTimer::~TTimer() { Stop(); }

void TTimer::SetEnabled(bool on) {
    if (on == enabled) return;
    enabled = on;
    if (on)
        Start();
    else
        Stop();
}

void TTimer::SetInterval(UINT ms) {
    interval = ms;
    if (enabled) {
        Stop();
        Start();
    }
}

void TTimer::Start() {
    if (interval == 0) return;
    id = SetTimer(nullptr, 0, interval, &TTimer::Tick);
    if (id) Timers()[id] = this;
}

void TTimer::Stop() {
    if (!id) return;
    KillTimer(nullptr, id);
    Timers().erase(id);
    id = 0;
}

void CALLBACK TTimer::Tick(HWND, UINT, UINT_PTR id, DWORD) {
    auto it = Timers().find(id);
    if (it == Timers().end()) return;
    TTimer* t = it->second;
    forms::Guard([t] {
        if (t->OnTimer) t->OnTimer();
    });
}
