// Message loop of a local server that ends with its last object, leaving as LeavePolicy says.
#pragma once
#include <windows.h>
#include "com/class_object.h"
#include "com/leave_policy.h"
#include "com/module.h"

namespace com {

constexpr UINT kLastReleaseMessage = WM_APP + 0x3F0;

// Sets the module's last-release action and runs the loop on the calling (registering) thread.
inline void RunLocalServer(ClassObjectRegistration& registration) {
    const DWORD thread = ::GetCurrentThreadId();
    LeavePolicy leave([&registration] { registration.Revoke(); });
    SetLastReleaseAction([thread] { ::PostThreadMessageA(thread, kLastReleaseMessage, 0, 0); });
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (msg.hwnd == nullptr && msg.message == kLastReleaseMessage) {
            leave.LastRelease();
            continue;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);  // runs the leave timer too
    }
    SetLastReleaseAction(nullptr);
}

}  // namespace com
