#include "Tarvel/shell/settings.h"

#include <windows.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "Tarvel/shell/textfile.h"
#include "com/stderr_file.h"

void PrintToStderr(const std::string& text) { com::WriteStderr(text); }

std::string TrimText(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= 32) ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= 32) --e;
    return s.substr(b, e - b);
}

std::string LowerText(const std::string& s) {
    if (s.empty()) return s;
    std::string out(s.size(), '\0');
    int n = LCMapStringA(LOCALE_SYSTEM_DEFAULT, LCMAP_LOWERCASE, s.data(), static_cast<int>(s.size()),
                         out.data(), static_cast<int>(out.size()));
    if (n != static_cast<int>(s.size())) {
        out = s;
        for (char& c : out)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

namespace {

bool StartsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Decimal with an optional sign, or hexadecimal after "$" or "0x"; false for anything else and
// for a value beyond 32 bits.
bool ParseInt32(const std::string& s, int& out) {
    out = 0;
    size_t i = 0;
    bool neg = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) neg = s[i++] == '-';
    bool hex = false;
    if (i < s.size() && s[i] == '$') {
        hex = true;
        ++i;
    } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    if (i >= s.size()) return false;
    uint64_t v = 0;
    for (; i < s.size(); ++i) {
        int d = hex ? HexDigit(s[i]) : (s[i] >= '0' && s[i] <= '9' ? s[i] - '0' : -1);
        if (d < 0) return false;
        v = v * (hex ? 16 : 10) + static_cast<uint64_t>(d);
        if (v > 0xFFFFFFFFull) return false;
    }
    if (hex) {  // a 32-bit pattern, as written
        auto u = static_cast<uint32_t>(v);
        // Negated in unsigned arithmetic: "-$80000000" must not overflow a signed int.
        out = static_cast<int>(neg ? 0u - u : u);
        return true;
    }
    if (neg ? v > 2147483648ull : v > 2147483647ull) return false;
    out = neg ? static_cast<int>(-static_cast<int64_t>(v)) : static_cast<int>(v);
    return true;
}

// Text that is no such integer reads as 0.
int ToInt32(const std::string& s) {
    int v = 0;
    return ParseInt32(s, v) ? v : 0;
}

// atof narrowed to single precision; false when the number lies beyond the float range.
bool ToSingle(const std::string& s, float& out) {
    double d = std::atof(s.c_str());
    if (std::isinf(d) || std::isnan(d) || std::fabs(d) > FLT_MAX) return false;
    out = static_cast<float>(d);
    return true;
}

}  // namespace

bool IsIntegerText(const std::string& text) {
    int v = 0;
    return ParseInt32(text, v);
}

bool TSettingValue::ParseLine(const std::string& line) {
    size_t eq = line.find('=');
    if (eq == std::string::npos) {
        owner->lastError = "Can not parse line " + line;
        return false;
    }
    key = LowerText(TrimText(line.substr(0, eq)));
    text = TrimText(line.substr(eq + 1));
    if (!ParseValue(text)) {
        PrintToStderr(owner->lastError);
        return false;
    }
    return true;
}

bool TSettingValue::ParseValue(const std::string& valueText) {
    text = TrimText(valueText);
    if (StartsWith(text, "\"")) {
        text = text.size() >= 2 ? text.substr(1, text.size() - 2) : std::string();
        form = Form::String;
        return true;
    }
    if (StartsWith(text, "file:")) return ReadFromFile(text.substr(5));
    if (StartsWith(text, "arrayd:")) {
        form = Form::List;
        return ParseArray(text.substr(7));
    }
    if (text.find('.') != std::string::npos) {
        form = Form::Float;
        if (!ToSingle(text, floatValue)) {
            owner->lastError = "Can not parse string: " + valueText + " for value: " + key;
            return false;
        }
        return true;
    }
    form = Form::Integer;
    intValue = ToInt32(text);
    floatValue = static_cast<float>(intValue);
    return true;
}

bool TSettingValue::ReadFromFile(const std::string& path) {
    std::string fullName = owner->ResolvePath(path);
    if (fileDepth >= MaxFileDepth) {
        owner->lastError = "Too many nested files at: " + fullName + " for value: " + key;
        return false;
    }
    TextFileReader1 reader;
    reader.SetName(fullName);
    if (!reader.Open()) {
        owner->lastError = "Can not open file: " + fullName + " for value: " + key;
        return false;
    }
    std::string first = TrimText(reader.ReadLine());
    reader.Close();
    ++fileDepth;
    bool ok = ParseValue(first);
    --fileDepth;
    return ok;
}

bool TSettingValue::ParseArray(const std::string& list) {
    std::vector<std::string> pieces;
    std::string rest = TrimText(list);
    while (!rest.empty()) {
        size_t blank = rest.find(' ');
        pieces.push_back(rest.substr(0, blank));
        rest = blank == std::string::npos ? std::string() : TrimText(rest.substr(blank));
    }
    numbers.assign(pieces.size() + 1, 0.0f);
    for (size_t i = 0; i < pieces.size(); ++i) {
        if (!ToSingle(pieces[i], numbers[i])) {
            owner->lastError = "Can not parse string: " + list + " for value: " + key;
            return false;
        }
    }
    return true;
}

bool TSettings::Load(const std::string& fileName) {
    TextFileReader1 reader;
    reader.SetName(fileName);
    if (!reader.Open()) {
        lastError = "Can not open file: " + fileName;
        PrintToStderr(lastError);
        return false;
    }
    bool firstLine = true;
    while (!reader.Eof()) {
        std::string raw = reader.ReadLine();
        // Editors put a UTF-8 byte-order mark in front of the first key; kept, it would hide
        // that key. The owner warns of it.
        if (std::exchange(firstLine, false) && StartsWith(raw, "\xEF\xBB\xBF")) {
            raw.erase(0, 3);
            byteOrderMark = true;
        }
        std::string line = TrimText(raw);
        if (line.empty() || StartsWith(line, "//")) continue;
        auto entry = std::make_unique<TSettingValue>(this);
        bool ok = entry->ParseLine(line);
        if (!ok && entry->key == "startin") {
            size_t sep = fileName.find_last_of("\\:");
            std::string folder = sep == std::string::npos ? std::string() : fileName.substr(0, sep + 1);
            ok = entry->ReadFromFile(folder + "path.set");
        }
        if (!ok) return false;
        if (entry->key == "startin") startin = entry->text;
        values.push_back(std::move(entry));
    }
    return true;
}

const TSettingValue* TSettings::Find(const std::string& key) const {
    std::string k = LowerText(TrimText(key));
    for (const auto& v : values)
        if (v->key == k) return v.get();  // keys are kept lower-cased
    return nullptr;
}

std::string TSettings::GetString(const std::string& key, const std::string& def) {
    const TSettingValue* v = Find(key);
    return v ? v->text : def;
}

int TSettings::GetInt(const std::string& key, int def) {
    const TSettingValue* v = Find(key);
    return v ? v->intValue : def;
}

float TSettings::GetFloat(const std::string& key, float def) {
    const TSettingValue* v = Find(key);
    return v ? v->floatValue : def;
}

std::string TSettings::GetPath(const std::string& key) {
    const TSettingValue* v = Find(key);
    return v ? ResolvePath(v->text) : std::string();
}

std::vector<float> TSettings::GetFloatArray(const std::string& key) {
    const TSettingValue* v = Find(key);
    if (!v || v->numbers.empty()) return {};
    return std::vector<float>(v->numbers.begin(), v->numbers.end() - 1);
}

std::string TSettings::ResolvePath(const std::string& path) {
    if (path.size() >= 2 && path[1] == ':') return path;
    return startin + path;
}
