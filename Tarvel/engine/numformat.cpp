#include "numformat.h"

#include <windows.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace engine {

std::string FormatGeneral(double value, char sep) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
    if (value == 0) return "0";

    // Round to 15 significant digits once; the digits and the exponent come from that rounding,
    // so 999999999999999.9 becomes 1E15 and not a 16-digit plain number.
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.14e", value);
    std::string text(buf);
    const bool negative = text[0] == '-';
    const size_t ePos = text.find('e');
    const int exponent = std::atoi(text.c_str() + ePos + 1);
    std::string digits;
    for (size_t i = negative ? 1 : 0; i < ePos; ++i)
        if (text[i] != '.') digits += text[i];
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

    std::string out = negative ? "-" : "";
    if (exponent >= -4 && exponent < 15) {
        if (exponent >= 0) {
            const size_t intLen = static_cast<size_t>(exponent) + 1;
            if (digits.size() <= intLen) {
                out += digits + std::string(intLen - digits.size(), '0');
            } else {
                out += digits.substr(0, intLen) + sep + digits.substr(intLen);
            }
        } else {
            out += std::string("0") + sep + std::string(static_cast<size_t>(-exponent - 1), '0') + digits;
        }
    } else {
        out += digits.substr(0, 1);
        if (digits.size() > 1) out += sep + digits.substr(1);
        out += "E" + std::to_string(exponent);
    }
    return out;
}

char LocaleDecimalSeparator() {
    static const char sep = [] {
        char buf[8] = {};
        if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buf, sizeof buf) > 0 && buf[0] != 0)
            return buf[0];
        return '.';
    }();
    return sep;
}

std::string FormatGeneral(double value) { return FormatGeneral(value, LocaleDecimalSeparator()); }

}  // namespace engine
