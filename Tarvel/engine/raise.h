// Raises the tool's Exception type with a message (the debug check's Yes).
#pragma once
#include <string>

namespace engine {
[[noreturn]] void RaiseException(const std::string& message);
}
