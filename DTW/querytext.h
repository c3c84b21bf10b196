// The form in which the engine compares and looks up a caller's word.
#pragma once
#include <string>
#include <string_view>

// The word without its leading and trailing bytes of value 0x20 or below, lower-cased by the
// system's lower-casing of 8-bit text in the ANSI code page (letters beyond ASCII too).
std::string QueryForm(std::string_view word);
