#include "Tarvel/shell/priority.h"

#include <map>

namespace {
// Thread timers carry no object: find the owner by timer id (main thread only).
std::map<UINT_PTR, TAppPriority*>& Owners() {
    static std::map<UINT_PTR, TAppPriority*> owners;
    return owners;
}
}  // namespace

TAppPriority::TAppPriority() : priorityClass(GetPriorityClass(GetCurrentProcess())) {
    lastInput.cbSize = sizeof lastInput;
    lastInput.dwTime = 0;
}

TAppPriority::~TAppPriority() {
    if (timerId) {
        KillTimer(nullptr, timerId);
        Owners().erase(timerId);
    }
    OnChange = nullptr;
}

bool TAppPriority::SetPriority(DWORD cls) {
    if (cls == priorityClass) return false;
    SetPriorityClass(GetCurrentProcess(), cls);
    priorityClass = GetPriorityClass(GetCurrentProcess());
    if (OnChange) OnChange();
    return true;
}

std::string TAppPriority::GetPriorityName() const {
    switch (priorityClass) {
    case IDLE_PRIORITY_CLASS: return "Low";
    case NORMAL_PRIORITY_CLASS: return "Normal";
    case HIGH_PRIORITY_CLASS: return "High";
    default: return std::to_string(priorityClass);
    }
}

bool TAppPriority::SetIdleSec(int seconds) {
    idleSec = seconds;
    if (seconds != 0) {
        if (!timerId) {
            timerId = SetTimer(nullptr, 0, 1000, &TAppPriority::TimerProc);
            if (timerId) Owners()[timerId] = this;
        }
    } else if (timerId) {
        KillTimer(nullptr, timerId);
        Owners().erase(timerId);
        timerId = 0;
    }
    return true;
}

void CALLBACK TAppPriority::TimerProc(HWND, UINT, UINT_PTR id, DWORD) {
    auto it = Owners().find(id);
    if (it != Owners().end()) it->second->TimerTick();
}

void TAppPriority::TimerTick() { CheckIdle(); }

bool TAppPriority::CheckIdle() {
    if (idleSec == 0) return false;
    if (static_cast<long long>(GetIdleSeconds()) > idleSec)
        SetPriority(HIGH_PRIORITY_CLASS);
    else
        SetPriority(IDLE_PRIORITY_CLASS);
    return true;
}

DWORD TAppPriority::GetIdleSeconds() {
    if (idleSource) return idleSource();
    GetLastInputInfo(&lastInput);
    return (GetTickCount() - lastInput.dwTime) / 1000;  // unsigned: right across the wrap
}
