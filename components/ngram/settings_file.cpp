#include "ngram/settings_file.h"
#include "ngram/load_error.h"
#include "ngram/text.h"

namespace ngram {

namespace {
std::string AsciiLower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return out;
}

std::string Folder(const std::string& path) {
    size_t cut = path.find_last_of("\\/:");
    return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}
}  // namespace

SettingsFile SettingsFile::Read(const std::string& path) {
    SettingsFile s;
    s.path_ = path;
    std::string text = ReadWholeFile(path);
    // A UTF-8 byte-order mark that an editor wrote would hide the first key (Tarvel warns of it).
    if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
    LineCursor cursor(text);
    std::string_view line;
    while (cursor.Next(line)) {
        line = Trim(line);
        if (line.empty() || line.substr(0, 2) == "//") continue;
        size_t eq = line.find('=');
        if (eq == std::string_view::npos)
            throw LoadError(path + ": no \"=\" in the line \"" + std::string(line) + "\" at line " +
                            std::to_string(cursor.LineNumber()));
        std::string_view value = Trim(line.substr(eq + 1));
        if (!value.empty() && value.front() == '"') value = value.size() >= 2 ? value.substr(1, value.size() - 2) : "";
        s.values_.emplace_back(AsciiLower(Trim(line.substr(0, eq))), std::string(value));
    }
    return s;
}

std::optional<std::string> SettingsFile::Get(const std::string& key) const {
    const std::string k = AsciiLower(Trim(key));
    for (const auto& [name, value] : values_)
        if (name == k) return value;
    return std::nullopt;
}

std::optional<long long> SettingsFile::GetInt(const std::string& key) const {
    std::optional<std::string> v = Get(key);
    if (!v) return std::nullopt;
    long long n = 0;
    if (!ParseInt(Trim(*v), n)) throw LoadError(path_ + ": the key " + key + " needs an integer, not \"" + *v + "\"");
    return n;
}

std::string SettingsFile::GetPath(const std::string& key) const {
    std::optional<std::string> v = Get(key);
    if (!v || v->empty()) return std::string();
    const std::string& p = *v;
    if ((p.size() > 1 && p[1] == ':') || p[0] == '\\' || p[0] == '/') return p;
    std::optional<std::string> startin = Get("startin");
    return (startin && !startin->empty() ? *startin : Folder(path_)) + p;
}

}  // namespace ngram
