// Mistakes in a settings file that load without an error but do not do what the writer meant:
// a byte-order mark, a key that nothing reads, a number with text after it, a key given twice,
// a program file with no keys. Each gives one warning text (without "WARNING: ") that names the
// key, the file and the fix; the file loads as it reads.
#pragma once
#include <string>
#include <vector>

class TSettings;

// Tarvel's own file (the program's and the set's keys) or a models' settings file (the
// engine's model keys and the components' keys).
enum class SettingsFileKind { Program, Models };

std::vector<std::string> SettingsWarnings(const TSettings& settings, const std::string& fileName,
                                          SettingsFileKind kind);

class TToolOps;

// Each warning as a log warning and as a line on standard error.
void ReportSettingsWarnings(TToolOps* ops, const std::vector<std::string>& warnings);

// The known key nearest to a mistyped one, or "" when none is near enough.
std::string NearestSettingsKey(const std::string& key);
