// Building the set that the settings describe: set types 0 to 14.
#include <algorithm>
#include <climits>
#include <exception>
#include <new>
#include <stdexcept>

#include "modelset.h"
#include "modelset_internal.h"
#include "numformat.h"
#include "servers.h"
#include "calls.h"
#include "Tarvel/shell/settings_check.h"

using namespace engine::detail;

namespace {

std::string Num(int n) { return std::to_string(n); }

}  // namespace

TLMWrap* TTarvel::NewModel(int modelType) {
    models.push_back(std::make_unique<TLMWrap>());
    TLMWrap* m = models.back().get();
    SetModelType(*m, modelType);
    return m;
}

// Loads model i from file; a failure removes every model of this load.
bool TTarvel::LoadModel(size_t i, const std::string& file) {
    if (LoadAndWarn(*models[i], file)) return true;
    ClearModels();
    return false;
}

// The mistakes of the model's settings file are reported once a load, whether the model loaded
// or not: a mistyped key is often why it did not.
bool TTarvel::LoadAndWarn(TLMWrap& model, const std::string& file) {
    const bool ok = model.Load(file);
    if (std::find(warnedFiles.begin(), warnedFiles.end(), file) == warnedFiles.end()) {
        warnedFiles.push_back(file);
        ReportSettingsWarnings(mForm, model.fileWarnings);
    }
    return ok;
}

// Warns when the weights of models a and b do not add up to exactly 1. The sum is taken
// without rounding to single precision, so 0.1 + 0.9 held in single precision warns.
void TTarvel::CheckSum(size_t a, size_t b, const std::string& text) {
    const double sum = static_cast<double>(Weight(*models[a])) + static_cast<double>(Weight(*models[b]));
    if (sum != 1.0) LogWarning(text + engine::FormatGeneral(sum));
}

bool TTarvel::StartAnalyzer() {
    com::com_ptr<IZA> created = analyzer;
    try {
        engine::CreateComponent(CLSID_Morvek, IID_IZA, created);
    } catch (...) {
        LogError("Failed loading Language Analyzer");
        return false;  // the earlier reference stays
    }
    analyzer = created;
    if (!analyzer) {
        LogError("Failed loading Language Analyzer");
        return false;
    }
    if (engine::call::Init(analyzer.get()) == 1) {
        Log("Language Analyzer initialized");
        return true;
    }
    const std::string error = engine::call::GetLastError(analyzer.get());
    LogError("Language Analyzer failed: " + error);
    analyzer = nullptr;
    return false;
}

bool TTarvel::LoadModels(int type, const std::string& settingsFile) {
    switch (type) {
    case 0:
    case 1:
    case 8: {
        // The one model stays in the set even when its load fails.
        NewModel(type == 0 ? 0 : type == 1 ? 1 : 10);
        if (type == 1) return LoadModel(0, settingsFile);
        return LoadAndWarn(*models[0], settingsFile);
    }
    case 2: {
        NewModel(SettingInt("CacheType", 0));
        NewModel(2);
        NewModel(3);
        if (!LoadModel(0, settingsFile) || !LoadModel(1, settingsFile)) return false;
        ShareCache(*models[2], *models[1]);
        Weight(*models[0]) = 1.0f;
        Weight(*models[1]) = 0.0f;
        Weight(*models[2]) = 0.0f;
        return true;
    }
    case 3: {
        const int count = SettingInt("TDCount", 1);
        const int startSetId = SettingInt("startSetID", 0);
        if (count < 1) {
            LogError("TDCount must be at least 1: " + Num(count));
            return false;
        }
        for (int i = 0; i < count; ++i) NewModel(0);
        const int modelType = SettingInt("TDType", 0);
        SetModelType(*models[0], modelType);
        const std::string base = SettingPath(modelType == 1 ? "lmCMU" : "lm");
        for (int i = 0; i < count; ++i) {
            SetModelType(*models[i], modelType);
            Weight(*models[i]) = f32(1.0 / count);
            if (!LoadModel(i, base + Num(startSetId + i))) return false;
        }
        return true;
    }
    case 4:
    case 5: {
        const int modelType = SettingInt("lmType", 0);
        NewModel(modelType);
        NewModel(type == 5 ? 6 : modelType == 0 ? 4 : 5);
        const std::string base = SettingPath(modelType == 1 ? "lmCMU" : "lm");
        if (!LoadModel(0, base + "0") || !LoadModel(1, base + "1")) return false;
        if (type == 4 &&
            static_cast<double>(Weight(*models[0])) + static_cast<double>(Weight(*models[1])) == 2.0) {
            Weight(*models[0]) = 0.5f;
            Weight(*models[1]) = 0.5f;
        }
        return true;
    }
    case 6: {
        if (!StartAnalyzer()) return false;
        NewModel(SettingInt("CacheType", 0));
        NewModel(7);
        NewModel(8);
        if (!LoadModel(0, settingsFile + "0") || !LoadModel(1, settingsFile + "1")) return false;
        ShareCacheAndClass(*models[2], *models[1]);
        Weight(*models[0]) = 1.0f;
        Weight(*models[1]) = 0.0f;
        Weight(*models[2]) = 0.0f;
        return true;
    }
    case 7: {
        if (!StartAnalyzer()) return false;
        NewModel(0);
        NewModel(9);
        if (!LoadModel(0, settingsFile + "0") || !LoadModel(1, settingsFile + "1")) return false;
        Weight(*models[0]) = 1.0f;
        Weight(*models[1]) = 1.0f;
        return true;
    }
    case 9: {
        NewModel(11);
        return LoadModel(0, SettingPath("lm") + "0");
    }
    case 10: {
        const int count = SettingInt("SkipCount", 1);
        if (count < 0) {
            LogError("SkipCount must not be negative: " + Num(count));
            return false;
        }
        for (int i = 0; i < count; ++i) NewModel(-1);
        const int modelType = SettingInt("SkipType", -1);
        const std::string base = SettingPath("lm");
        for (int i = 0; i < count; ++i) {
            SetModelType(*models[i], modelType);
            Weight(*models[i]) = f32(1.0 / count);
            if (!LoadModel(i, base + Num(i))) return false;
        }
        return true;
    }
    case 11:
    case 12:
    case 13:
    case 14: {
        if (!StartAnalyzer()) return false;
        const int count = type == 11 ? 3 : type == 12 ? 2 : type == 13 ? 4 : 3;
        for (int i = 0; i < count; ++i) NewModel(10);
        const std::string base = SettingPath("lm");
        for (int i = 0; i < count; ++i)
            if (!LoadModel(i, base + Num(i))) return false;
        if (type == 11) {
            Weight(*models[0]) = 1.0f;
            CheckSum(1, 2, "Lambda does not sum to 1: ");
        } else if (type == 12) {
            Weight(*models[0]) = 1.0f;
            Weight(*models[1]) = 1.0f;
        } else if (type == 13) {
            CheckSum(2, 3, "Lambda does not sum to 1 (m2+m3): ");
            CheckSum(0, 1, "Lambda does not sum to 1 (m0+m1): ");
        } else {
            CheckSum(0, 1, "Lambda does not sum to 1 (m0+m1): ");
            Weight(*models[2]) = 1.0f;
        }
        return true;
    }
    default:
        return true;  // an unknown set type loads with no models
    }
}

bool TTarvel::Load(const std::string& settingsFile) {
    Busy busy(*this);
    if (building) {
        // Reached from inside a load on this thread (a log line or a component call let the
        // call in): the running load goes on and decides what the set holds.
        LogError("Load refused: a load is running");
        return false;
    }
    // Inside another operation on this thread, the models it is using stay alive until it ends.
    struct Building {
        TTarvel& s;
        explicit Building(TTarvel& set) : s(set) {
            s.building = true;
            s.retireModels = s.depth > 1;
            ++s.generation;
        }
        ~Building() {
            s.building = false;
            s.retireModels = false;
        }
    } build(*this);
    loaded = false;
    failed = true;
    // The set counts as loaded only once every step has succeeded; an exception (a debug check
    // answered Yes, a component that throws) still reaches the caller, but the log says why.
    try {
        loaded = Build(settingsFile);
        failed = !loaded;
    } catch (const std::exception& e) {
        LogError(std::string("Load failed: ") + e.what());
        throw;
    } catch (...) {
        LogError("Load failed");
        throw;
    }
    return loaded;
}

// A set type that is no number reads as 0 and one outside 0 to 14 loads no models; both load
// as they read, but a mistyped value should not pass unnoticed.
void TTarvel::WarnOfSetType() {
    const std::string text = SettingText("type");
    if (!text.empty() && !IsIntegerText(text))
        LogWarning("type = " + text + " is not a number: a set of type 0 is loaded");
    else if (setType < 0 || setType > 14)
        LogWarning("type = " + text + " is no set type (0 to 14): the set has no models");
}

bool TTarvel::Build(const std::string& settingsFile) {
    Log("Initializing");
    ClearModels();
    warnedFiles.clear();
    if (mForm) mForm->InitSettings(settingsFile);
    setType = SettingInt("type", 0);
    WarnOfSetType();

    if (!LoadModels(setType, settingsFile)) return false;

    Log("Models weights");
    for (int i = 0; i < ModelCount(); ++i)
        Log("M(" + Num(i) + ") = " + engine::FormatGeneral(Weight(*models[i])));
    dynamic = SettingInt("lamdaDinamic", 1) == 1;
    if (dynamic) {
        emHist = SettingInt("EMHist", 0);
        Log("Dinamic lamda = true; Interpolation history = " + Num(emHist));
    } else {
        Log("Dinamic lamda = false");
    }
    return MakeHistories();
}

// The histories are the one part of a load whose size a setting chooses: an EMHist too large
// for memory fails the load, with every model of it gone, instead of throwing half-way.
bool TTarvel::MakeHistories() {
    try {
        if (dynamic) {
            // A negative EMHist gives empty histories rather than a negative capacity.
            const long long size = emHist > 0 ? 2LL * emHist : 0;
            if (size > INT_MAX) throw std::length_error("more values than a history can count");
            histSize = static_cast<int>(size);
            for (auto& m : models) m->MakeHistory(histSize);
        }
        wordHist->SetSize(1000);
        return true;
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
    histSize = 0;
    ClearModels();
    LogError("Not enough memory for the histories: EMHist = " + Num(emHist));
    return false;
}
