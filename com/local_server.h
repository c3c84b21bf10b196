// Message loop of a local server that ends with its last object. After the last release the
// server lingers a moment with its class object still offered, so a client that comes right
// after the previous one left (a reload, the next test) reaches a live server instead of one
// that is leaving. Then the class object is revoked, and the server stays a grace time before it
// goes: COM starts a new server for any later client, while a client that got hold of the
// class object just before the revocation still creates its object here. Such an object keeps
// the loop running until it, too, is released.
#pragma once
#include <windows.h>
#include "com/class_object.h"
#include "com/module.h"

namespace com {

constexpr UINT kLastReleaseMessage = WM_APP + 0x3F0;
constexpr UINT kLingerMs = 1000;
constexpr UINT kGraceMs = 1000;

// Sets the module's last-release action and runs the loop on the calling (registering) thread.
inline void RunLocalServer(ClassObjectRegistration& registration) {
    const DWORD thread = ::GetCurrentThreadId();
    SetLastReleaseAction([thread] { ::PostThreadMessageA(thread, kLastReleaseMessage, 0, 0); });
    UINT_PTR linger = 0;
    bool revoked = false;
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (msg.hwnd == nullptr && msg.message == kLastReleaseMessage) {
            if (linger) ::KillTimer(nullptr, linger);
            linger = ::SetTimer(nullptr, 0, kLingerMs, nullptr);
            continue;
        }
        if (msg.hwnd == nullptr && msg.message == WM_TIMER && linger && msg.wParam == linger) {
            ::KillTimer(nullptr, linger);
            linger = 0;
            if (ModuleLockCount() != 0) continue;  // a new client came while lingering
            if (revoked) break;                    // the grace time is over too
            registration.Revoke();
            revoked = true;
            linger = ::SetTimer(nullptr, 0, kGraceMs, nullptr);
            if (!linger) break;
            continue;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    SetLastReleaseAction(nullptr);
}

}  // namespace com
