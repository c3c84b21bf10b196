// The module (program or library) that holds the forms code: window classes are registered
// for it, so forms work the same inside a DLL.
#pragma once
#include <windows.h>

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace forms {
inline HINSTANCE ModuleInstance() { return reinterpret_cast<HINSTANCE>(&__ImageBase); }
}  // namespace forms
