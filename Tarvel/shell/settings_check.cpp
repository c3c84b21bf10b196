#include "Tarvel/shell/settings_check.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "Tarvel/shell/settings.h"
#include "Tarvel/shell/toolops.h"

namespace {

struct KnownKey {
    const char* name;
    bool number;  // read as a number: text after the number is a mistake
};

// Every key that some part of the system reads, from any settings file: a key read in one file
// may stand in another (a set of type 0 may name Tarvel's own file as its models' file).
const KnownKey kKnownKeys[] = {
    // the shell (tool window)
    {"info", false}, {"noWarning", true}, {"idleSec", true}, {"step1", true}, {"step2", true},
    {"close", true}, {"startin", false},
    // the host (server window)
    {"start", false}, {"lm", false},
    // the engine: the set's keys in Tarvel's file, the model keys in a models' file
    {"type", true}, {"CacheType", true}, {"TDCount", true}, {"startSetID", true}, {"TDType", true},
    {"lmType", true}, {"SkipCount", true}, {"SkipType", true}, {"lmCMU", false},
    {"lamdaDinamic", true}, {"EMHist", true}, {"iSkip", true}, {"sep_proc", true}, {"lamda", true},
    // the components, from a models' file (they report their own mistakes in numbers)
    {"kn_model", false}, {"kn1_model", false}, {"wc_file", false}, {"cache_size", false},
};

const KnownKey* Known(const std::string& key) {
    for (const KnownKey& k : kKnownKeys)
        if (LowerText(k.name) == key) return &k;
    return nullptr;
}

size_t EditDistance(const std::string& a, const std::string& b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

std::string Number(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", v);
    return buf;
}

bool IsDigit(char c, bool hex) {
    return (c >= '0' && c <= '9') || (hex && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')));
}

// The length of the integer that the text begins with (sign, then decimal digits, or hexadecimal
// after "$" or "0x"); 0 when it begins with none.
size_t IntegerPrefix(const std::string& t) {
    size_t i = 0;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    bool hex = false;
    if (i < t.size() && t[i] == '$') {
        hex = true;
        ++i;
    } else if (i + 2 < t.size() && t[i] == '0' && (t[i + 1] == 'x' || t[i + 1] == 'X') && IsDigit(t[i + 2], true)) {
        hex = true;
        i += 2;
    }
    const size_t digits = i;
    while (i < t.size() && IsDigit(t[i], hex)) ++i;
    return i > digits ? i : 0;
}

// A value of the number forms that begins with a number and goes on with other text: how it
// was read, or "" when it is a number alone (or no number at all).
bool ReadWithTextAfter(const TSettingValue& v, std::string& readAs) {
    const std::string& t = v.text;
    if (v.form == TSettingValue::Form::Integer) {
        if (IsIntegerText(t)) return false;
        const size_t n = IntegerPrefix(t);
        if (n == 0 || n >= t.size()) return false;
        readAs = Number(v.intValue);
        return true;
    }
    if (v.form == TSettingValue::Form::Float) {
        char* end = nullptr;
        std::strtod(t.c_str(), &end);
        if (end == t.c_str() || *end == '\0') return false;
        readAs = Number(v.floatValue);
        return true;
    }
    return false;
}

// "0,5" means 0.5: the fix then says so.
std::string NumberFix(const TSettingValue& v) {
    std::string pointed = v.text;
    std::replace(pointed.begin(), pointed.end(), ',', '.');
    char* end = nullptr;
    std::strtod(pointed.c_str(), &end);
    if (pointed != v.text && end != pointed.c_str() && *end == '\0') return "write " + v.key + " = " + pointed;
    return "write the number alone, a fraction with a point";
}

}  // namespace

std::string NearestSettingsKey(const std::string& key) {
    const std::string k = LowerText(key);
    std::string nearest;
    size_t best = 3;  // at most two edits, and no more than half the key's letters
    for (const KnownKey& known : kKnownKeys) {
        const size_t d = EditDistance(k, LowerText(known.name));
        if (d < best && 2 * d <= k.size()) {
            best = d;
            nearest = known.name;
        }
    }
    return nearest;
}

std::vector<std::string> SettingsWarnings(const TSettings& settings, const std::string& fileName,
                                          SettingsFileKind kind) {
    std::vector<std::string> out;
    if (settings.HadByteOrderMark())
        out.push_back("The settings file " + fileName +
                      " begins with a UTF-8 byte-order mark: it was skipped; save the file as plain text in code "
                      "page 1257, without the mark");
    const auto& entries = settings.Entries();
    if (kind == SettingsFileKind::Program && entries.empty() && settings.lastError.empty())
        out.push_back("The settings file " + fileName +
                      " holds no keys: every key takes its default and nothing loads at start; write at least "
                      "lm = <the models' settings file> and start = load");
    for (size_t i = 0; i < entries.size(); ++i) {
        const TSettingValue& v = *entries[i];
        const std::string line = v.key + " = " + v.text;
        const KnownKey* known = Known(v.key);
        if (!known) {
            const std::string nearest = NearestSettingsKey(v.key);
            out.push_back(line + " in " + fileName + ": no part of Tarvel reads the key " + v.key +
                          ", so the line changes nothing; " +
                          (nearest.empty() ? std::string("docs/settings.md lists the keys")
                                           : "did you mean " + nearest + "?"));
            continue;
        }
        const auto first = std::find_if(entries.begin(), entries.begin() + static_cast<std::ptrdiff_t>(i),
                                        [&](const auto& e) { return e->key == v.key; });
        if (first != entries.begin() + static_cast<std::ptrdiff_t>(i)) {
            out.push_back("The key " + v.key + " is given twice in " + fileName + ": the first line, " +
                          (*first)->key + " = " + (*first)->text + ", is used and " + line +
                          " is not; keep one of them");
            continue;
        }
        // The set type has its own warning when it is no number, and a models' file may be
        // Tarvel's own file: type is left to that warning.
        const bool ownWarning = v.key == "type";
        std::string readAs;
        if (known->number && !ownWarning && ReadWithTextAfter(v, readAs))
            out.push_back(line + " in " + fileName + ": text after the number, read as " + readAs + "; " +
                          NumberFix(v));
    }
    return out;
}

void ReportSettingsWarnings(TToolOps* ops, const std::vector<std::string>& warnings) {
    for (const std::string& w : warnings) {
        if (ops) ops->LogWarning(w);
        PrintToStderr("WARNING: " + w + "\n");
    }
}
