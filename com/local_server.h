// Message loop of a local server that ends with its last object. After the last release the
// server lingers a moment with its class object still offered, so a client that comes right
// after the previous one left (a reload, the next test) reaches a live server instead of one
// that is leaving. Then the class object is revoked before the process goes: COM starts a new
// server for any later client. An object created in the last instant keeps the loop running
// until it, too, is released.
#pragma once
#include <windows.h>
#include "com/class_object.h"
#include "com/module.h"

namespace com {

constexpr UINT kLastReleaseMessage = WM_APP + 0x3F0;
constexpr UINT kLingerMs = 1000;

// Sets the module's last-release action and runs the loop on the calling (registering) thread.
inline void RunLocalServer(ClassObjectRegistration& registration) {
    const DWORD thread = ::GetCurrentThreadId();
    SetLastReleaseAction([thread] { ::PostThreadMessageA(thread, kLastReleaseMessage, 0, 0); });
    UINT_PTR linger = 0;
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
            registration.Revoke();
            if (ModuleLockCount() == 0) break;
            continue;  // served to the end by the object created just now
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    SetLastReleaseAction(nullptr);
}

}  // namespace com
