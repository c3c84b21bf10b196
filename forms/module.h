// The module (program or library) that holds the forms code: window classes are registered
// for it, so forms work the same inside a DLL.
#pragma once
#include <windows.h>

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace forms {
inline HINSTANCE ModuleInstance() { return reinterpret_cast<HINSTANCE>(&__ImageBase); }

// Window classes and windows of the forms live as long as their thread, which may outlive a
// DLL's last COM object: once a library registers one, it stays loaded until the process ends,
// so no window procedure can be called after an unload.
inline void KeepModuleLoaded() {
    static const bool pinned = [] {
        HMODULE self = nullptr;
        if (ModuleInstance() != GetModuleHandleA(nullptr))
            GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                               reinterpret_cast<LPCSTR>(&__ImageBase), &self);
        return true;
    }();
    (void)pinned;
}
}  // namespace forms
