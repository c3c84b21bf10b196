#include "Tarvel/engine/model.h"
#include <initializer_list>
#include "Tarvel/engine/calls.h"
#include "Tarvel/engine/precision.h"
#include "Tarvel/engine/servers.h"
#include "Tarvel/shell/settings.h"
#include "Tarvel/shell/settings_check.h"
#include "Tarvel/shell/toolops.h"

namespace call = engine::call;
using engine::Single;

namespace {

void Log(const char* text) {
    if (mForm) mForm->Log(text);
}

void LogError(const std::string& text) {
    if (mForm) mForm->LogError(text);
}

// A model queried without a component that its type needs (its load failed or it never
// loaded): the first missing reference is reported and nothing is called.
bool Holds(std::initializer_list<const void*> refs) {
    for (const void* r : refs)
        if (!TARVEL_CHECKREF(r)) return false;
    return true;
}

}  // namespace

TLMWrap::TLMWrap() = default;

TLMWrap::~TLMWrap() {
    kn = nullptr;
    cmu = nullptr;
    cache = nullptr;
    wc = nullptr;
    kn1 = nullptr;
    provider = nullptr;
    history.reset();
}

bool TLMWrap::Load(std::string settingsFile) {
    loaded = false;
    fileWarnings.clear();
    TSettings settings;
    if (!settings.Load(settingsFile)) {
        // The store's reason on standard error has no line end: the next reason starts its own line.
        PrintToStderr("\n");
        LogError("Can not Init settings file " + settingsFile);
        return false;
    }
    fileWarnings = SettingsWarnings(settings, settingsFile, SettingsFileKind::Models);
    if (type == TypeFromFile) type = settings.GetInt("type", 0);
    iSkip = settings.GetInt("iSkip", -1);

    // Through the provider: the model lives in a process of the provider's own.
    auto viaProvider = [&](long kind) -> bool {
        provider = nullptr;
        if (FAILED(engine::CreateProviderRaw(IID_ILMIProvider, provider.put_void()))) {
            provider = nullptr;
            Log("Can not create sep proc server");
            return false;
        }
        if (call::Init(provider.get(), kind) == 0) {
            Log("Can not create lm in sep proc server");
            provider = nullptr;
            return false;
        }
        return true;
    };

    // The class component, by its first (Load) or second (Load1) loading form.
    auto loadClass = [&](bool secondForm) -> bool {
        Log("Loading class model");
        engine::CreateComponent(CLSID_Vasko, IID_IWC, wc);
        if ((secondForm ? call::Load1(wc.get(), settingsFile) : call::Load(wc.get(), settingsFile)) == 0) {
            Log("Load class model failed");
            return false;
        }
        Log("WC model loaded succesfully");
        return true;
    };
    auto loadCache = [&]() -> bool {
        Log("Loading cache model");
        engine::CreateComponent(CLSID_Pirto, IID_ICache, cache);
        if (call::Load(cache.get(), settingsFile) == 0) {
            Log("Load cache model failed");
            return false;
        }
        Log("Cache model loaded succesfully");
        return true;
    };

    switch (type) {
        case KN:
        case ReverseKN: {
            int sepProc = settings.GetInt("sep_proc", 0);
            Log(type == ReverseKN ? "Loading Reverse KN model" : "Loading KN model");
            if (sepProc != 0) {
                if (!viaProvider(0)) return false;
                kn = call::GetLMI(provider.get());
            } else {
                engine::CreateComponent(CLSID_Dravo, IID_IKN, kn);
            }
            if (call::Load(kn.get(), settingsFile) == 0) {
                kn = nullptr;
                Log("Load KN model failed");
                return false;
            }
            lamda = settings.GetFloat("lamda", 1.0f);
            Log("KN model loaded succesfully");
            break;
        }
        case KN1: {
            Log("Loading KN1 model");
            int sepProc = settings.GetInt("sep_proc", 0);
            if (sepProc != 0) {
                if (!viaProvider(1)) return false;
                kn1 = call::GetLMI_KN1(provider.get());
            } else {
                engine::CreateComponent(CLSID_Zemra, IID_IKN1, kn1);
            }
            if (call::Load(kn1.get(), settingsFile) == 0) {
                kn1 = nullptr;
                Log("Load KN model failed");
                return false;
            }
            lamda = settings.GetFloat("lamda", 1.0f);
            Log("Modified KN model loaded succesfully");
            break;
        }
        case CMU:
        case ReverseCMU:
            Log(type == ReverseCMU ? "Loading binary Reverse CMU model" : "Loading binary CMU model");
            engine::CreateComponent(CLSID_Gorta, IID_ICMU, cmu);
            if (call::Load(cmu.get(), settings.GetPath("lmCMU")) == 0) {
                Log("Load binary CMU model failed");
                return false;
            }
            Log("Binary CMU model loaded succesfully");
            lamda = settings.GetFloat("lamda", 1.0f);
            break;
        case Cache:
            if (!loadCache()) return false;
            lamda = settings.GetFloat("lamda", 0.0f);
            break;
        case ClassKN:
            if (!loadClass(false)) return false;
            engine::CreateComponent(CLSID_Dravo, IID_IKN, kn);
            if (call::Load(kn.get(), settingsFile) == 0) {
                kn = nullptr;
                Log("Load KN model failed");
                return false;
            }
            Log("KN model loaded succesfully");
            Log("Class model loaded succesfully");
            lamda = settings.GetFloat("lamda", 1.0f);
            break;
        case ClassCache:
            if (!loadClass(true) || !loadCache()) return false;
            lamda = settings.GetFloat("lamda", 1.0f);
            break;
        case ClassOnly:
            if (!loadClass(true)) return false;
            break;  // keeps the weight it has
        case WordInClass:
            if (!loadClass(false)) return false;
            kn = nullptr;
            lamda = settings.GetFloat("lamda", 1.0f);
            break;
        default:
            LogError("Unknown type");
            return false;
    }
    loaded = true;
    return true;
}

float TLMWrap::Probability(const Word& w1, const Word& w2, const Word& w3) {
    switch (type) {
        case KN:
        case ReverseKN:
            if (!Holds({kn.get()})) return 0.0f;
            return call::Probability(kn.get(), w1, w2, w3);
        case KN1:
            if (!Holds({kn1.get()})) return 0.0f;
            return Single(call::Probability(kn1.get(), w1, w2, w3));
        case CMU:
        case ReverseCMU:
            if (!Holds({cmu.get()})) return 0.0f;
            return Single(call::Probability(cmu.get(), w1, w2, w3));
        case Cache:
            if (!Holds({cache.get()})) return 0.0f;
            return Single(call::Probability1(cache.get(), w3));
        case CacheView:
            if (!Holds({cache.get()})) return 0.0f;
            return Single(call::Probability2(cache.get(), w2, w3));
        case ClassKN: {
            if (!Holds({wc.get(), kn.get()})) return 0.0f;
            long c1 = 0, c2 = 0;
            long c3 = call::GetClassID(wc.get(), w3);
            long id3 = call::GetWordID(wc.get(), w3);
            if (!w2.absent()) c2 = call::GetClassID(wc.get(), w2);
            if (!w1.absent()) c1 = call::GetClassID(wc.get(), w1);
            float pk = call::ProbabilityI(kn.get(), c1, c2, c3);
            double pw = call::Probability(wc.get(), c3, id3);
            // The class probability stays at double precision; the product is narrowed once.
            return Single(engine::Product(pw, pk));
        }
        case ClassCache:
        case ClassCacheView: {
            if (!Holds({cache.get(), wc.get()})) return 0.0f;
            float pc = type == ClassCache ? Single(call::Probability1(cache.get(), w3))
                                          : Single(call::Probability2(cache.get(), w2, w3));
            long k = call::GetWordClassID(wc.get(), w3);
            long id = call::GetWordID(wc.get(), type == ClassCache ? w2 : w1);
            float pw = Single(call::Probability(wc.get(), k, id));
            return Single(static_cast<double>(pw) * pc);
        }
        case ClassOnly: {
            if (!Holds({wc.get()})) return 0.0f;
            long k = call::GetWordClassID(wc.get(), w3);
            long id = call::GetWordID(wc.get(), w2);
            return Single(call::Probability(wc.get(), k, id));
        }
        case WordInClass: {
            if (!Holds({wc.get()})) return 0.0f;
            long c = call::GetClassID(wc.get(), w3);
            long id = call::GetWordID(wc.get(), w3);
            return Single(call::Probability(wc.get(), c, id));
        }
        default:
            return 0.0f;
    }
}

float TLMWrap::Probability4(const Word& w1, const Word& w2, const Word& w3, const Word& w4) {
    if (type != KN1 || !Holds({kn1.get()})) return 0.0f;
    return Single(call::Probability4(kn1.get(), w1, w2, w3, w4));
}

float TLMWrap::ProbabilityI(long i1, long i2, long i3) {
    if (type == KN1) {
        if (!Holds({kn1.get()})) return 0.0f;
        return Single(call::ProbabilityI(kn1.get(), i1, i2, i3));
    }
    if (type == KN) {
        if (!Holds({kn.get()})) return 0.0f;
        return call::ProbabilityI(kn.get(), i1, i2, i3);
    }
    return 0.0f;
}

float TLMWrap::ProbabilityI4(long i1, long i2, long i3, long i4) {
    if (type != KN1 || !Holds({kn1.get()})) return 0.0f;
    return Single(call::ProbabilityI4(kn1.get(), i1, i2, i3, i4));
}

double TLMWrap::WeightedProbability(const Word& w1, const Word& w2, const Word& w3) {
    if (!(lamda > 0.0f)) return 0.0;  // NaN too: no component is asked
    return static_cast<double>(lamda) * Probability(w1, w2, w3);
}

double TLMWrap::WeightedProbability4(const Word& w1, const Word& w2, const Word& w3, const Word& w4) {
    if (!(lamda > 0.0f)) return 0.0;
    return static_cast<double>(lamda) * Probability4(w1, w2, w3, w4);
}

double TLMWrap::RecordedProbability(const Word& w1, const Word& w2, const Word& w3) {
    float p = Probability(w1, w2, w3);
    if (history) history->Push(p);
    return static_cast<double>(lamda) * p;
}

double TLMWrap::RecordedProbability4(const Word& w1, const Word& w2, const Word& w3, const Word& w4) {
    float p = Probability4(w1, w2, w3, w4);
    if (history) history->Push(p);
    return static_cast<double>(lamda) * p;
}

long TLMWrap::GetWordId(const Word& word) {
    switch (type) {
        case KN:
            return Holds({kn.get()}) ? call::GetWordId(kn.get(), word) : 0;
        case KN1:
            return Holds({kn1.get()}) ? call::GetWordId(kn1.get(), word) : 0;
        case CMU:
            return Holds({cmu.get()}) ? call::GetWordId(cmu.get(), word) : 0;
        case WordInClass:
            return Holds({wc.get()}) ? call::GetWordID(wc.get(), word) : 0;
        default:
            return 0;
    }
}

bool TLMWrap::AddToHist(const Word& w1, const Word& w2, const Word& w3, int flag) {
    if (!history) return true;
    if (flag != 0) history->Push(Probability(w1, w2, w3));
    if (type == Cache || type == ClassCache) call::AddToHist(cache.get(), w3);
    return true;
}

void TLMWrap::ClearHistory() {
    if (history) history->Clear();
    if (type == Cache || type == ClassCache) call::ClearHistory(cache.get());
}

bool TLMWrap::ClearCalcCache(int n) {
    if (history) history->Forget(n);
    if (type == Cache || type == ClassCache) call::ClearCalcCache(cache.get(), n);
    return true;
}

void TLMWrap::InfoOn(int flag) {
    switch (type) {
        case KN:
        case ReverseKN:
            call::InfoOn(kn.get(), flag);
            break;
        case KN1:
            call::InfoOn(kn1.get(), flag);
            break;
        case Cache:
        case ClassCache:
            call::InfoOn(cache.get(), flag);
            break;
        default:
            break;
    }
}

bool TLMWrap::MakeHistory(int n) {
    history.reset();  // the old one's memory goes first
    auto made = std::make_unique<ListP>();
    made->SetSize(n);  // may throw: the model is then left without a history
    history = std::move(made);
    return true;
}
