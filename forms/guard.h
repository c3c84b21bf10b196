// Running code at the edge of the system's window code (window procedures, timers, the closures
// the message loop runs): no exception may cross it.
#pragma once
#include <exception>
#include <functional>

namespace forms {

// Runs fn; an exception it raises is shown by the display below, never passed on.
void Guard(const std::function<void()>& fn) noexcept;

// How Guard shows an exception. The application installs its own (TApplication::ShowException);
// without one, an error box with neither owner nor caption. The application points here, never
// the other way, so the controls and the main-thread queue need nothing of it.
using ExceptionDisplay = void (*)(const std::exception& e);
void SetExceptionDisplay(ExceptionDisplay display) noexcept;

}  // namespace forms
