#include "Tarvel/engine/bstrarg.h"
#include <cstring>
#include <string_view>
#include "com/bstr.h"

namespace engine {

BstrArg::BstrArg(const char* text) : absent_(text == nullptr) {
    const size_t n = text ? std::strlen(text) : 0;
    if (n > static_cast<size_t>(kInline)) {
        heap_ = com::ToBstr(std::string_view(text, n));
        bstr_ = heap_.get();
        return;
    }
    // Bytes below 0x80 are the same characters in every ANSI code page: no conversion call.
    size_t i = 0;
    for (; i < n && static_cast<unsigned char>(text[i]) < 0x80; ++i) inline_.text[i] = static_cast<OLECHAR>(text[i]);
    int wide = static_cast<int>(n);
    if (i < n) wide = ::MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(n), inline_.text, kInline);
    inline_.text[wide] = L'\0';
    inline_.bytes = static_cast<uint32_t>(wide) * sizeof(OLECHAR);
    bstr_ = inline_.text;
}

}  // namespace engine
