// Server-wide count of live objects and class-factory locks. When it returns to zero the
// module's last-release action runs (a local server posts WM_QUIT to its main thread; a DLL
// only answers DllCanUnloadNow).
#pragma once
#include <windows.h>
#include <functional>
#include <string>

namespace com {

void ModuleLock() noexcept;
void ModuleUnlock() noexcept;
long ModuleLockCount() noexcept;
// Action run on the thread that released the last lock; replaced by each call.
void SetLastReleaseAction(std::function<void()> action);
// HMODULE of the module (EXE or DLL) this code is linked into.
HMODULE ThisModule() noexcept;
// Full path of that module, 8-bit.
std::string ThisModulePath();

}  // namespace com
