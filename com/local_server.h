// Message loop of a local server that ends with its last object. The last release posts WM_QUIT;
// the class object is revoked before the process goes, so COM starts a new server for the next
// client instead of handing it to one that is leaving. An object created in that short window
// keeps the loop running until it, too, is released.
#pragma once
#include <windows.h>
#include "com/class_object.h"
#include "com/module.h"

namespace com {

// Sets the module's last-release action and runs the loop on the calling (registering) thread.
inline void RunLocalServer(ClassObjectRegistration& registration) {
    const DWORD thread = ::GetCurrentThreadId();
    SetLastReleaseAction([thread] { ::PostThreadMessageA(thread, WM_QUIT, 0, 0); });
    for (;;) {
        MSG msg;
        while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        registration.Revoke();
        if (ModuleLockCount() == 0) break;
    }
    SetLastReleaseAction(nullptr);
}

}  // namespace com
