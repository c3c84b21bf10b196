#include "servers/server_support.h"
#include <string_view>
#include <vector>
#include "com/bstr.h"
#include "com/stderr_file.h"
#include "ngram/binary_model.h"
#include "ngram/linear_prob.h"
#include "ngram/load_error.h"
#include "ngram/settings_file.h"

namespace servers {

void Trace(const char* component, const std::string& text) {
    const std::string line = std::string(component) + ": " + text + "\n";
    ::OutputDebugStringA(line.c_str());
}

void ReportLoadFailure(const char* component, const std::string& text) {
    Trace(component, text);
    // One write and a flush per line: several components may report at once, and the process
    // may end before the stream would flush by itself.
    const std::string line = std::string(component) + ": " + text + "\n";
    com::WriteStderr(line);
}

void ReportLoadWarning(const char* component, const std::string& text) {
    ReportLoadFailure(component, "warning: " + text);
}

namespace {
long LoadInto(Slot<ngram::NgramModel>& slot, const char* component, int maxOrder, const std::string& modelPath) {
    slot.Set(nullptr);  // a failed load leaves no model behind
    auto model = std::make_shared<const ngram::NgramModel>(ngram::ReadModelFile(modelPath));
    if (model->Order() > maxOrder)
        ReportLoadWarning(component, modelPath + ": a " + std::to_string(model->Order()) + "-gram model, but " +
                                         component + " answers from " + std::to_string(maxOrder - 1) +
                                         " history words: n-grams longer than " + std::to_string(maxOrder) +
                                         " words are not used");
    slot.Set(std::move(model));
    Trace(component, "loaded " + modelPath);
    return 1;
}

// The reason of the exception being handled, reported; answers 0 for the Load methods.
long Failed(Slot<ngram::NgramModel>& slot, const char* component) {
    slot.Set(nullptr);
    try {
        throw;
    } catch (const std::bad_alloc&) {
        ReportLoadFailure(component, "out of memory while loading");
    } catch (const std::exception& e) {
        ReportLoadFailure(component, e.what());
    }
    return 0;
}
}  // namespace

long LoadNgramFromSettings(Slot<ngram::NgramModel>& slot, const char* component, int maxOrder, BSTR settingsFile,
                           const char* key) {
    try {
        slot.Set(nullptr);
        const ngram::SettingsFile settings = ngram::SettingsFile::Read(com::FromBstr(settingsFile));
        const std::string path = settings.GetPath(key);
        if (path.empty()) throw ngram::LoadError(settings.FileName() + ": no key " + key);
        try {
            return LoadInto(slot, component, maxOrder, path);
        } catch (const ngram::LoadError& e) {
            // Which settings line led to the file, for a file that is not where it was expected.
            throw ngram::LoadError(std::string(e.what()) + " (" + key + " in " + settings.FileName() + ")");
        }
    } catch (...) {
        return Failed(slot, component);
    }
}

long LoadNgramFile(Slot<ngram::NgramModel>& slot, const char* component, int maxOrder, BSTR modelFile) {
    try {
        const std::string path = com::FromBstr(modelFile);
        // The engine passes the empty text when the model's settings file lacks lmCMU.
        if (path.empty())
            throw ngram::LoadError("no model file given (the key lmCMU of the model's settings file names it)");
        return LoadInto(slot, component, maxOrder, path);
    } catch (...) {
        return Failed(slot, component);
    }
}

namespace {
// A BSTR as 8-bit text in the system code page, held on the stack for words of usual length:
// queries by text come by the million.
class NarrowWord {
public:
    explicit NarrowWord(BSTR b) {
        const UINT n = b ? ::SysStringLen(b) : 0;
        if (n == 0 || n > kShort) {
            if (n) view_ = long_ = com::FromBstr(b);
            return;
        }
        // Characters below 0x80 are the same bytes in every ANSI code page: no conversion call.
        UINT i = 0;
        for (; i < n && b[i] < 0x80; ++i) short_[i] = static_cast<char>(b[i]);
        if (i == n) {
            view_ = std::string_view(short_, n);
            return;
        }
        const int bytes =
            ::WideCharToMultiByte(CP_ACP, 0, b, static_cast<int>(n), short_, sizeof short_, nullptr, nullptr);
        if (bytes > 0) view_ = std::string_view(short_, static_cast<size_t>(bytes));
        else view_ = long_ = com::FromBstr(b);
    }
    NarrowWord(const NarrowWord&) = delete;
    NarrowWord& operator=(const NarrowWord&) = delete;
    std::string_view view() const noexcept { return view_; }

private:
    static constexpr UINT kShort = 64;  // characters; at most 3 bytes each in any ANSI code page
    char short_[kShort * 3];
    std::string long_;
    std::string_view view_;
};
}  // namespace

namespace {
// log10 probability by text or by ids; the model is there.
double Log10Prob(const ngram::NgramModel& m, std::initializer_list<BSTR> words) {
    const BSTR* w = words.begin();
    const size_t n = words.size();
    // At most four words; those not given stay empty and unused.
    const NarrowWord a(n > 0 ? w[0] : nullptr), b(n > 1 ? w[1] : nullptr), c(n > 2 ? w[2] : nullptr),
        d(n > 3 ? w[3] : nullptr);
    const std::string_view views[ngram::NgramModel::kMaxOrder] = {a.view(), b.view(), c.view(), d.view()};
    return m.Log10Prob(std::span<const std::string_view>(views, n));
}

double Log10Prob(const ngram::NgramModel& m, std::initializer_list<long> ids) {
    int32_t hist[ngram::NgramModel::kMaxOrder];
    size_t n = 0;
    for (long id : ids) hist[n++] = static_cast<int32_t>(id);
    return m.Log10Prob(std::span<const int32_t>(hist, n - 1), hist[n - 1]);
}
}  // namespace

double NgramProbability(const ngram::NgramModel* m, std::initializer_list<BSTR> words) {
    return m ? ngram::LinearProb(Log10Prob(*m, words)) : 0.0;
}

double NgramProbabilityI(const ngram::NgramModel* m, std::initializer_list<long> ids) {
    return m ? ngram::LinearProb(Log10Prob(*m, ids)) : 0.0;
}

float NgramProbabilitySingle(const ngram::NgramModel* m, std::initializer_list<BSTR> words) {
    return m ? ngram::SingleLinearProb(Log10Prob(*m, words)) : 0.0f;
}

float NgramProbabilityISingle(const ngram::NgramModel* m, std::initializer_list<long> ids) {
    return m ? ngram::SingleLinearProb(Log10Prob(*m, ids)) : 0.0f;
}

}  // namespace servers
