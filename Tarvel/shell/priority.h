// Process priority that follows the user's presence: High while the user has been away longer
// than a threshold, idle priority otherwise, checked once a second.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

class TAppPriority {
public:
    TAppPriority();
    TAppPriority(const TAppPriority&) = delete;
    TAppPriority& operator=(const TAppPriority&) = delete;
    ~TAppPriority();

    // Sets the class; false, changing nothing, when it is already in force.
    bool SetPriority(DWORD cls);
    std::string GetPriorityName() const;
    // 0 switches the idle rule off (the timer stops, the priority stays); any other value
    // switches it on with a once-a-second check.
    bool SetIdleSec(int seconds);
    void TimerTick();
    bool CheckIdle();
    DWORD GetIdleSeconds();

    std::function<void()> OnChange;  // after each actual change of class
    // Seconds since the last input; the system's by default. Tests put their own clock here.
    std::function<DWORD()> idleSource;

    int IdleSec() const { return idleSec; }
    DWORD PriorityClass() const { return priorityClass; }
    bool TimerRunning() const { return timerId != 0; }

private:
    static void CALLBACK TimerProc(HWND, UINT, UINT_PTR id, DWORD);

    int idleSec = 0;
    DWORD priorityClass;
    LASTINPUTINFO lastInput;
    UINT_PTR timerId = 0;  // a thread timer: ticks arrive through the thread's message loop
};
