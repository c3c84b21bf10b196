// How a local server that ends with its last object leaves, once the module lock has fallen to
// 0. It first lingers with its class object still offered, so a client that comes right after
// the previous one left (a reload, the next test) reaches a live server instead of one that is
// leaving. (A withdrawal while a creation is on its way fails that creation: COM looks the class
// up and then asks the server for it in a second call.) With no client come, it withdraws the
// class object and stays a grace time: COM starts a new server for any later client, while a
// client that got hold of the class object just before the withdrawal still creates its object
// here, and that object keeps the server until it, too, is released. Then the server quits.
#pragma once
#include <windows.h>
#include <functional>
#include <utility>
#include "com/module.h"

namespace com {

constexpr UINT kLingerMs = 1000;
constexpr UINT kGraceMs = 1000;

// Lives on the server's main thread, whose message loop runs its timer and ends on its quit
// message. One per process.
class LeavePolicy {
public:
    explicit LeavePolicy(std::function<void()> withdraw) : withdraw_(std::move(withdraw)) { Current() = this; }
    LeavePolicy(const LeavePolicy&) = delete;
    LeavePolicy& operator=(const LeavePolicy&) = delete;
    ~LeavePolicy() {
        if (timer_) ::KillTimer(nullptr, timer_);
        if (Current() == this) Current() = nullptr;
    }

    // Main thread, when the module lock has fallen to 0.
    void LastRelease() {
        if (ModuleLockCount() > 0) return;  // a client came back meanwhile
        StartTimer(withdrawn_ ? kGraceMs : kLingerMs);
    }

private:
    static LeavePolicy*& Current() {
        static LeavePolicy* current = nullptr;
        return current;
    }
    static void Quit() { ::PostThreadMessageA(::GetCurrentThreadId(), WM_QUIT, 0, 0); }
    void StartTimer(UINT ms) {
        if (timer_) ::KillTimer(nullptr, timer_);
        timer_ = ::SetTimer(nullptr, 0, ms, &LeavePolicy::OnTimer);
        if (!timer_) Quit();
    }
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR id, DWORD) {
        ::KillTimer(nullptr, id);
        LeavePolicy* self = Current();
        if (self && id == self->timer_) self->Step();
    }
    void Step() {
        timer_ = 0;
        if (ModuleLockCount() > 0) return;  // a client came: its release starts again
        if (!withdrawn_) {
            withdraw_();
            withdrawn_ = true;
            StartTimer(kGraceMs);
            return;
        }
        Quit();
    }

    std::function<void()> withdraw_;
    UINT_PTR timer_ = 0;
    bool withdrawn_ = false;
};

}  // namespace com
