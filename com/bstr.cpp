#include "com/bstr.h"
#include <new>
#include <vector>

namespace com {

BSTR AllocBstr(std::string_view text) {
    const int n = static_cast<int>(text.size());
    int wide = n == 0 ? 0 : ::MultiByteToWideChar(CP_ACP, 0, text.data(), n, nullptr, 0);
    BSTR b = ::SysAllocStringLen(nullptr, static_cast<UINT>(wide));
    if (!b) throw std::bad_alloc();
    if (wide > 0) ::MultiByteToWideChar(CP_ACP, 0, text.data(), n, b, wide);
    b[wide] = L'\0';
    return b;
}

unique_bstr ToBstr(std::string_view text) { return unique_bstr(AllocBstr(text)); }

std::optional<std::string> FromBstrOpt(BSTR b) {
    if (!b) return std::nullopt;
    const int n = static_cast<int>(::SysStringLen(b));
    if (n == 0) return std::string();
    int bytes = ::WideCharToMultiByte(CP_ACP, 0, b, n, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(bytes), '\0');
    if (bytes > 0) ::WideCharToMultiByte(CP_ACP, 0, b, n, out.data(), bytes, nullptr, nullptr);
    return out;
}

std::string FromBstr(BSTR b) { return FromBstrOpt(b).value_or(std::string()); }

}  // namespace com
