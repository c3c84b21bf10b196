// BSTR <-> 8-bit text in the system ANSI code page. A null BSTR is absent text, distinct from "".
#pragma once
#include <optional>
#include <string>
#include <string_view>
#include "com/handle.h"

namespace com {

// Newly allocated BSTR (never null, "" gives an empty BSTR). Throws std::bad_alloc when out of memory.
unique_bstr ToBstr(std::string_view text);
// Caller-owned raw BSTR for an out-parameter: the caller frees it.
BSTR AllocBstr(std::string_view text);
// Absent (null) text gives std::nullopt; an empty BSTR gives "".
std::optional<std::string> FromBstrOpt(BSTR b);
// Absent text read as the empty text.
std::string FromBstr(BSTR b);

}  // namespace com
