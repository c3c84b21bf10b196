// A timer of the thread that creates it (the main thread): its handler runs from the message
// loop every interval while it is enabled.
#pragma once
#include <windows.h>

#include <functional>

class TTimer {
public:
    TTimer() = default;
    TTimer(const TTimer&) = delete;
    TTimer& operator=(const TTimer&) = delete;
    ~TTimer();

    void SetEnabled(bool on);
    bool Enabled() const { return enabled; }
    void SetInterval(UINT ms);
    UINT Interval() const { return interval; }
    std::function<void()> OnTimer;

private:
    void Start();
    void Stop();
    static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD);

    bool enabled = false;
    UINT interval = 1000;
    UINT_PTR id = 0;
};
