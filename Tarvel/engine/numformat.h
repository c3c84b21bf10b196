// Numbers in log lines and description texts: integers in plain decimal, floating-point values
// in the general format with 15 significant digits.
#pragma once
#include <string>

namespace engine {

// General format, 15 significant digits, trailing zeros dropped: plain notation for 0 and for
// magnitudes in [1E-4, 1E15), otherwise d.dddE[-]x (0.00005 gives "5E-5").
std::string FormatGeneral(double value, char decimalSeparator);

// The same with the decimal separator of the process's locale settings.
std::string FormatGeneral(double value);

// The process's decimal separator (read once from the user's locale).
char LocaleDecimalSeparator();

}  // namespace engine
