#include "ngram/text.h"
#include <charconv>
#include <cmath>
#include <cstdio>
#include <memory>
#include "ngram/load_error.h"

namespace ngram {

bool IsBlank(char c) noexcept { return static_cast<unsigned char>(c) <= 32; }

std::string_view Trim(std::string_view s) noexcept {
    size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b])) ++b;
    while (e > b && IsBlank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

std::vector<std::string_view> SplitFields(std::string_view line) {
    std::vector<std::string_view> out;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && IsBlank(line[i])) ++i;
        size_t start = i;
        while (i < line.size() && !IsBlank(line[i])) ++i;
        if (i > start) out.push_back(line.substr(start, i - start));
    }
    return out;
}

std::string LowerCp1257(std::string_view s) {
    std::string out(s);
    for (char& ch : out) {
        unsigned char c = static_cast<unsigned char>(ch);
        if (c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c + 32);
        else if (c >= 0xC0 && c <= 0xDE && c != 0xD7) c = static_cast<unsigned char>(c + 32);
        else if (c == 0xA8 || c == 0xAA || c == 0xAF) c = static_cast<unsigned char>(c + 16);
        ch = static_cast<char>(c);
    }
    return out;
}

namespace {
struct FileCloser {
    void operator()(std::FILE* f) const noexcept { std::fclose(f); }
};
}  // namespace

std::string ReadWholeFile(const std::string& path) {
    std::unique_ptr<std::FILE, FileCloser> f(std::fopen(path.c_str(), "rb"));
    if (!f) throw LoadError("Can not open file: " + path);
    std::string data;
    if (std::fseek(f.get(), 0, SEEK_END) == 0) {
        long size = std::ftell(f.get());
        if (size > 0) data.reserve(static_cast<size_t>(size));
        std::fseek(f.get(), 0, SEEK_SET);
    }
    char buf[1 << 16];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f.get())) > 0) data.append(buf, n);
    if (std::ferror(f.get())) throw LoadError("Can not read file: " + path);
    return data;
}

bool ParseFloat(std::string_view field, float& out) noexcept {
    if (field.empty()) return false;
    const char* b = field.data();
    const char* e = b + field.size();
    if (*b == '+') ++b;  // from_chars takes no plus sign
    float v = 0;
    auto r = std::from_chars(b, e, v);
    if (r.ec != std::errc() || r.ptr != e || !std::isfinite(v)) return false;
    out = v;
    return true;
}

bool ParseInt(std::string_view field, long long& out) noexcept {
    if (field.empty()) return false;
    const char* b = field.data();
    const char* e = b + field.size();
    if (*b == '+') ++b;
    long long v = 0;
    auto r = std::from_chars(b, e, v);
    if (r.ec != std::errc() || r.ptr != e) return false;
    out = v;
    return true;
}

bool LineCursor::Next(std::string_view& line) noexcept {
    if (pos_ >= text_.size()) return false;
    size_t end = text_.find('\n', pos_);
    if (end == std::string_view::npos) end = text_.size();
    line = text_.substr(pos_, end - pos_);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    pos_ = end + 1;
    ++line_;
    return true;
}

}  // namespace ngram
