// Small text helpers for the line-oriented readers: 8-bit text, fields split at blanks and tabs.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace ngram {

bool IsBlank(char c) noexcept;
std::string_view Trim(std::string_view s) noexcept;
// Fields separated by runs of blanks, tabs and other control characters.
std::vector<std::string_view> SplitFields(std::string_view line);
// Lower case in the Baltic code page 1257: ASCII letters, the Lithuanian capitals and their
// neighbours (0xC0-0xDE but 0xD7, and 0xA8, 0xAA, 0xAF).
std::string LowerCp1257(std::string_view s);
// Whole file as bytes; throws LoadError "Can not open file: <path>" or a read error.
std::string ReadWholeFile(const std::string& path);
// Parses a whole field as a finite float; false for anything else (empty, junk after, NaN, inf).
bool ParseFloat(std::string_view field, float& out) noexcept;
bool ParseInt(std::string_view field, long long& out) noexcept;

// Walks a text buffer line by line, counting lines from 1; a CR before the LF is dropped.
class LineCursor {
public:
    explicit LineCursor(std::string_view text) noexcept : text_(text) {}
    bool Next(std::string_view& line) noexcept;
    size_t LineNumber() const noexcept { return line_; }

private:
    std::string_view text_;
    size_t pos_ = 0;
    size_t line_ = 0;
};

}  // namespace ngram
