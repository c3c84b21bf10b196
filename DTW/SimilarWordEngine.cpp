#include "DTW/SimilarWordEngine.h"
#include <algorithm>
#include <cmath>
#include <exception>
#include "DTW/dtw.h"
#include "DTW/querytext.h"
#include "Tarvel/engine/servers.h"
#include "com/bstr.h"
#include "com/handle.h"

const char SimilarWordEngine::kRegistryKey[] =
    "\\CLSID\\{B44C5D52-3045-452E-A4B9-488A8C8F4753}\\InprocServer32";

int compareByDistanceAsc(const ScoredWord& a, const ScoredWord& b) {
    if (a.value > b.value) return 1;
    if (a.value < b.value) return -1;
    return 0;
}

int compareByScoreDesc(const ScoredWord& a, const ScoredWord& b) {
    if (a.value > b.value) return -1;
    if (a.value < b.value) return 1;
    return 0;
}

namespace {

bool ReadOwnRegistration(std::string& path) {
    com::unique_hkey key;
    // The key is written from the root; the registry API wants it without the leading separator.
    if (::RegOpenKeyExA(HKEY_CLASSES_ROOT, SimilarWordEngine::kRegistryKey + 1, 0, KEY_READ, key.put()) !=
        ERROR_SUCCESS)
        return false;
    path.clear();
    DWORD type = 0, size = 0;
    if (::RegQueryValueExA(key.get(), nullptr, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || size == 0 ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return true;
    std::string value(size, '\0');
    if (::RegQueryValueExA(key.get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &size) !=
        ERROR_SUCCESS)
        return true;
    value.resize(std::min<size_t>(size, value.size()));
    if (size_t zero = value.find('\0'); zero != std::string::npos) value.resize(zero);
    path = value;
    return true;
}

std::string DirectoryOf(const std::string& path) {
    size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::int32_t IdOf(const ScoredWord& w) { return static_cast<std::int32_t>(w.wordId); }

bool Within(std::int32_t index, size_t count) {
    return index >= 0 && static_cast<size_t>(index) < count;
}

}  // namespace

SimilarWordEngine::SimilarWordEngine() : SimilarWordEngine(ReadOwnRegistration) {}

SimilarWordEngine::SimilarWordEngine(RegistrationReader reader) : readRegistration(std::move(reader)) {}

SimilarWordEngine::~SimilarWordEngine() = default;

bool SimilarWordEngine::Init() {
    if (initialised) {
        lastError = "Already initialized";
        return false;
    }
    folder.clear();
    std::string registered;
    if (!readRegistration(registered)) {
        lastError = std::string("Can not read registry") + kRegistryKey;
        return false;
    }
    folder = DirectoryOf(registered);
    if (!LoadVocabulary(folder + "\\data\\zodynas.voc")) return false;
    initialised = true;
    return true;
}

bool SimilarWordEngine::LoadVocabulary(const std::string& path) {
    scan.reset();
    vocabulary = std::make_unique<Vocabulary>();
    if (!vocabulary->Load(path)) {
        lastError = "Can read vocab from " + path;
        return false;
    }
    scan = std::make_unique<WordScan>(*vocabulary);
    const auto count = static_cast<std::size_t>(vocabulary->WordCount());
    // Every id once, all abandoned: an analysis then only moves the words it measures closer.
    nearest.resize(count);
    position.resize(count);
    for (std::size_t id = 0; id < count; ++id) {
        nearest[id] = ScoredWord{static_cast<double>(id), dtw::kTooFar};
        position[id] = static_cast<std::int32_t>(id);
    }
    measuredFront = 0;
    measured = false;
    lastQueryValid = false;
    candidateCount = 0;
    return true;
}

std::int32_t SimilarWordEngine::Analyze(const std::string& word) {
    if (!initialised) return 0;
    // The ranked list belongs to the word checked last: read after another analysis it would
    // pass that word's corrections off as this one's.
    best.clear();
    const std::string q = QueryForm(word);
    if (lastQueryValid && q == lastQuery) return 1;

    found.clear();
    if (scan) scan->Measure(q, maxValue, found);  // none after a failed reload: no word to measure
    // The words of the last analysis go back to abandoned where they stand; the words measured
    // now come to the front, and only they need sorting: the abandoned ones are all equal.
    for (std::size_t i = 0; i < measuredFront; ++i) nearest[i].value = dtw::kTooFar;
    candidateCount = 0;
    for (std::size_t i = 0; i < found.size(); ++i) {
        const std::int32_t from = position[static_cast<std::size_t>(found[i].id)];
        std::swap(nearest[i], nearest[static_cast<std::size_t>(from)]);
        position[static_cast<std::size_t>(IdOf(nearest[static_cast<std::size_t>(from)]))] = from;
        position[static_cast<std::size_t>(found[i].id)] = static_cast<std::int32_t>(i);
        nearest[i].value = found[i].distance;
        // Not every measured word is within the threshold: an empty query against a one-letter
        // word, or a one-letter query against an empty one, measures the border cell (2.1)
        // whatever the threshold.
        if (found[i].distance <= maxValue) ++candidateCount;
    }
    measuredFront = found.size();
    // The words the scan leaves out measure dtw::kTooFar, which a threshold that high takes in.
    if (dtw::kTooFar <= maxValue) candidateCount += static_cast<std::int32_t>(nearest.size() - measuredFront);
    std::sort(nearest.begin(), nearest.begin() + static_cast<std::ptrdiff_t>(measuredFront),
              [](const ScoredWord& a, const ScoredWord& b) { return compareByDistanceAsc(a, b) < 0; });
    for (std::size_t i = 0; i < measuredFront; ++i)
        position[static_cast<std::size_t>(IdOf(nearest[i]))] = static_cast<std::int32_t>(i);
    measured = true;
    lastQuery = q;
    lastQueryValid = true;
    if (candidateCount > kMaxCandidates) candidateCount = kMaxCandidates;
    return 1;
}

std::string SimilarWordEngine::GetNearest(std::int32_t index) {
    if (!initialised || !measured || !Within(index, nearest.size())) return std::string();
    return vocabulary->GetWord(IdOf(nearest[static_cast<size_t>(index)]));
}

double SimilarWordEngine::GetNearestValue(std::int32_t index) const {
    if (!initialised || !measured || !Within(index, nearest.size())) return -1.0;
    return nearest[static_cast<size_t>(index)].value;
}

std::int32_t SimilarWordEngine::CheckContext(const std::string& first, const std::string& second) {
    if (candidateCount < 1) {
        lastError = "No answer";
        return 0;
    }
    best.clear();
    if (!lmLoaded && StartLM(folder + "\\data\\pevra.lm") != 1) {
        lastError = "LM not loaded";
        return 0;
    }
    long loaded = 0;
    if (lmClient) TARVEL_HRCHECK(lmClient->IsLoaded(&loaded), "lmClient->IsLoaded(&loaded)");
    if (!lmClient || loaded == 0) {
        lastError = "LM not loaded";
        return 0;
    }

    const auto n = static_cast<size_t>(candidateCount);
    std::vector<ScoredWord> scored(n);
    const com::unique_bstr w1 = com::ToBstr(QueryForm(first));
    const com::unique_bstr w2 = com::ToBstr(QueryForm(second));
    double probabilitySum = 0.0;
    for (size_t i = 0; i < n; ++i) {
        const com::unique_bstr candidate = com::ToBstr(vocabulary->GetWord(IdOf(nearest[i])));
        // A call that fails is reported by the check and counts as probability 0.
        float logProbability = -99.99f;
        TARVEL_HRCHECK(lmClient->Probability(w1.get(), w2.get(), candidate.get(), &logProbability),
                       "lmClient->Probability(w1, w2, candidate, &p)");
        long known = 0;
        TARVEL_HRCHECK(lmClient->IsUnknown(candidate.get(), &known), "lmClient->IsUnknown(candidate, &known)");
        scored[i].wordId = nearest[i].wordId;
        scored[i].value = known != 0 ? std::pow(10.0, static_cast<double>(logProbability)) : kUnknownWordValue;
        probabilitySum += scored[i].value;
    }
    double closenessSum = 0.0;
    for (size_t i = 0; i < n; ++i) closenessSum += 1.0 / (nearest[i].value + 0.1);
    for (size_t i = 0; i < n; ++i) {
        const double closeness = 1.0 / (nearest[i].value + 0.1);
        scored[i].value = scored[i].value / probabilitySum * weight + closeness / closenessSum * (1.0 - weight);
    }
    std::sort(scored.begin(), scored.end(),
              [](const ScoredWord& a, const ScoredWord& b) { return compareByScoreDesc(a, b) < 0; });
    best = std::move(scored);
    return 1;
}

bool SimilarWordEngine::BestReadable(std::int32_t index) const {
    return lmLoaded && index >= 0 && index < candidateCount && Within(index, best.size());
}

std::string SimilarWordEngine::GetBest(std::int32_t index) {
    if (!BestReadable(index)) return std::string();
    return vocabulary->GetWord(IdOf(best[static_cast<size_t>(index)]));
}

double SimilarWordEngine::GetBestValue(std::int32_t index) const {
    if (!BestReadable(index)) return -1.0;
    return best[static_cast<size_t>(index)].value;
}

std::int32_t SimilarWordEngine::InVocabulary(const std::string& word) const {
    if (!initialised) return 0;
    return vocabulary->Find(QueryForm(word)) > 0 ? 1 : 0;
}

std::int32_t SimilarWordEngine::StartLM(const std::string& path) {
    bool loading = false;
    try {
        long loaded = 0;
        if (lmClient) {
            TARVEL_HRCHECK(lmClient->IsLoaded(&loaded), "lmClient->IsLoaded(&loaded)");
            if (loaded != 0) {
                lmLoaded = true;
                return 1;
            }
        }
        engine::CreateComponent(CLSID_LM, IID_ILM, lmClient);
        if (!lmClient) {
            lastError = "LM Init failed";
            return 0;
        }
        loaded = 0;
        TARVEL_HRCHECK(lmClient->IsLoaded(&loaded), "lmClient->IsLoaded(&loaded)");
        if (loaded != 0) {
            lmLoaded = true;
            return 1;
        }
        loading = true;
        const com::unique_bstr file = com::ToBstr(path);
        long result = 0;
        TARVEL_HRCHECK(lmClient->Load(file.get(), &result), "lmClient->Load(file, &result)");
        if (result == 1) {
            lmLoaded = true;
            return 1;
        }
        com::unique_bstr info;
        TARVEL_HRCHECK(lmClient->GetInfo(info.put()), "lmClient->GetInfo(&info)");
        lastError = "LM load failed: " + com::FromBstr(info.get());
        return 0;
    } catch (const std::exception&) {
        lastError = loading ? "LM Load failed" : "LM Init failed";
        return 0;
    }
}

std::int32_t SimilarWordEngine::UnLoadLM() {
    try {
        lmClient.reset();
        lmLoaded = false;
        return 1;
    } catch (const std::exception&) {
        lastError = "LM Unload failed";
        return 0;
    }
}

void SimilarWordEngine::SetMaxValue(std::int32_t value) {
    maxValue = value;
    lastQueryValid = false;
    lastQuery.clear();
}

void SimilarWordEngine::SetWeight(double value) {
    weight = value;
    lastQueryValid = false;
    lastQuery.clear();
}
