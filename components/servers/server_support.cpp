#include "servers/server_support.h"
#include <string_view>
#include <vector>
#include "com/bstr.h"
#include "ngram/binary_model.h"
#include "ngram/load_error.h"
#include "ngram/settings_file.h"

namespace servers {

void Trace(const char* component, const std::string& text) {
    const std::string line = std::string(component) + ": " + text + "\n";
    ::OutputDebugStringA(line.c_str());
}

namespace {
long LoadInto(Slot<ngram::NgramModel>& slot, const char* component, const std::string& modelPath) {
    slot.Set(nullptr);  // a failed load leaves no model behind
    auto model = std::make_shared<const ngram::NgramModel>(ngram::ReadModelFile(modelPath));
    slot.Set(std::move(model));
    Trace(component, "loaded " + modelPath);
    return 1;
}
}  // namespace

long LoadNgramFromSettings(Slot<ngram::NgramModel>& slot, const char* component, BSTR settingsFile, const char* key) {
    try {
        slot.Set(nullptr);
        const ngram::SettingsFile settings = ngram::SettingsFile::Read(com::FromBstr(settingsFile));
        const std::string path = settings.GetPath(key);
        if (path.empty()) throw ngram::LoadError(settings.FileName() + ": no key " + key);
        return LoadInto(slot, component, path);
    } catch (const ngram::LoadError& e) {
        Trace(component, e.what());
    } catch (const std::bad_alloc&) {
        Trace(component, "out of memory while loading");
    } catch (const std::exception& e) {
        Trace(component, e.what());
    }
    return 0;
}

long LoadNgramFile(Slot<ngram::NgramModel>& slot, const char* component, BSTR modelFile) {
    try {
        return LoadInto(slot, component, com::FromBstr(modelFile));
    } catch (const ngram::LoadError& e) {
        Trace(component, e.what());
    } catch (const std::bad_alloc&) {
        Trace(component, "out of memory while loading");
    } catch (const std::exception& e) {
        Trace(component, e.what());
    }
    slot.Set(nullptr);
    return 0;
}

double NgramProbability(const ngram::NgramModel* m, std::initializer_list<BSTR> words) {
    if (!m) return 0.0;
    std::string texts[ngram::NgramModel::kMaxOrder];
    std::string_view views[ngram::NgramModel::kMaxOrder];
    size_t n = 0;
    for (BSTR w : words) {
        texts[n] = com::FromBstr(w);
        views[n] = texts[n];
        ++n;
    }
    return m->Probability(std::span<const std::string_view>(views, n));
}

double NgramProbabilityI(const ngram::NgramModel* m, std::initializer_list<long> ids) {
    if (!m) return 0.0;
    int32_t hist[ngram::NgramModel::kMaxOrder];
    size_t n = 0;
    for (long id : ids) hist[n++] = static_cast<int32_t>(id);
    return m->Probability(std::span<const int32_t>(hist, n - 1), hist[n - 1]);
}

}  // namespace servers
