// The settings store: text files of key = value lines with typed lookups and defaults.
#pragma once
#include <memory>
#include <string>
#include <vector>

class TSettings;

// Writes the text to standard error as it stands, with no line end.
void PrintToStderr(const std::string& text);

// One accepted line of a settings file.
class TSettingValue {
public:
    explicit TSettingValue(TSettings* owner) : owner(owner) {}
    virtual ~TSettingValue() = default;

    bool ParseLine(const std::string& line);
    bool ParseValue(const std::string& valueText);
    bool ReadFromFile(const std::string& path);
    bool ParseArray(const std::string& list);

    std::string text;
    std::string key;
    int intValue = 0;
    float floatValue = 0.0f;       // stays 0 for string and list values
    std::vector<float> numbers;    // an "arrayd:" value's numbers followed by one 0
    TSettings* owner;
    // The form that gave the value (after any "file:"): only the number forms read numbers.
    enum class Form { String, List, Float, Integer };
    Form form = Form::Integer;

    // "file:" values that lead to further "file:" values stop at this depth, so a chain that
    // comes back to a file already being read ends with an error instead of running forever.
    static constexpr int MaxFileDepth = 16;

private:
    int fileDepth = 0;
};

class TSettings {
public:
    TSettings() = default;
    TSettings(const TSettings&) = delete;
    TSettings& operator=(const TSettings&) = delete;
    virtual ~TSettings() = default;

    // Reads the file into the store; false at the first failure, with lastError saying why.
    // Lines accepted before a failing line stay in the store.
    bool Load(const std::string& fileName);

    std::string GetString(const std::string& key, const std::string& def);
    std::string GetStr(const std::string& key, const std::string& def) { return GetString(key, def); }
    int GetInt(const std::string& key, int def);
    float GetFloat(const std::string& key, float def);
    // The resolved path of the key, or empty text when the key is absent.
    std::string GetPath(const std::string& key);
    // The numbers of an "arrayd:" value, without the closing 0; empty when the key is absent
    // or holds no list.
    std::vector<float> GetFloatArray(const std::string& key);
    // Unchanged with a drive letter; otherwise startin followed directly by the path.
    std::string ResolvePath(const std::string& path);

    // The accepted lines, in file order.
    const std::vector<std::unique_ptr<TSettingValue>>& Entries() const { return values; }
    // The file began with a UTF-8 byte-order mark, which the reading skipped.
    bool HadByteOrderMark() const { return byteOrderMark; }

    std::string lastError;
    std::string startin;

private:
    bool byteOrderMark = false;
    const TSettingValue* Find(const std::string& key) const;

    std::vector<std::unique_ptr<TSettingValue>> values;
};

// True when the text reads as an integer of the integer form (decimal with an optional sign, or
// hexadecimal after "$" or "0x", within 32 bits); any other text reads as the integer 0.
bool IsIntegerText(const std::string& text);

// Shared text helpers of the store: trimming of codes 0 to 32 and lower-casing in the
// system's 8-bit code page.
std::string TrimText(const std::string& s);
std::string LowerText(const std::string& s);
