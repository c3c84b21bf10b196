// Running code at the edge of the system's window code (window procedures, timers, the closures
// the message loop runs): no exception may cross it.
#pragma once
#include <functional>

namespace forms {

// Runs fn; an exception it raises is shown by the application (TApplication::ShowException),
// never passed on.
void Guard(const std::function<void()>& fn) noexcept;

}  // namespace forms
