// The components' view of a settings file of key = value lines: "//" comment lines and blank
// lines are skipped, keys are trimmed and matched without regard to case (the first line of a
// key wins), a value in double quotes loses its first and last character. Keys the components
// do not know (the engine's own) are kept and ignored.
#pragma once
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace ngram {

class SettingsFile {
public:
    // Throws LoadError: the file does not open, or a line has no "=" (with its line number).
    static SettingsFile Read(const std::string& path);

    std::optional<std::string> Get(const std::string& key) const;
    // An integer value; throws LoadError when the key is there but holds no integer.
    std::optional<long long> GetInt(const std::string& key) const;
    // A file named by the key, resolved: a path with a drive ("C:...") or starting with a slash
    // or backslash stands as it is; any other is taken relative to the key "startin" when the
    // file has one, else to the folder of the settings file. Empty when the key is absent.
    std::string GetPath(const std::string& key) const;
    const std::string& FileName() const noexcept { return path_; }

private:
    std::string path_;
    std::vector<std::pair<std::string, std::string>> values_;
};

}  // namespace ngram
