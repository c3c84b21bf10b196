#include "forms/guard.h"

#include <windows.h>

#include "forms/exception.h"

namespace forms {

namespace {

void ShowInBox(const std::exception& e) { ::MessageBoxA(nullptr, e.what(), "", MB_OK | MB_ICONSTOP); }

ExceptionDisplay g_display = ShowInBox;

}  // namespace

void SetExceptionDisplay(ExceptionDisplay display) noexcept { g_display = display ? display : ShowInBox; }

void Guard(const std::function<void()>& fn) noexcept {
    try {
        try {
            fn();
        } catch (const std::exception& e) {
            g_display(e);
        } catch (...) {
            g_display(Exception(""));
        }
    } catch (...) {
        // The display itself failed: nothing more can be done here.
    }
}

}  // namespace forms
