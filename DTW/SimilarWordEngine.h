// The work behind INolik: the vocabulary words nearest to a word by weighted edit distance, and
// their re-ranking in context by a mix of the language-model server's probabilities and closeness.
#pragma once
#include <windows.h>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>
#include "DTW/EngineSettings.h"
#include "DTW/vocabulary.h"
#include "DTW/wordscan.h"
#include "Tarvel.h"
#include "com/com_ptr.h"

// A vocabulary id (held as a float, always whole) with a distance or a score.
struct ScoredWord {
    double wordId;
    double value;
};

// Sort orders: 1 / 0 / -1 as the first value is greater, equal or smaller (ascending), and the
// reverse for scores (descending).
int compareByDistanceAsc(const ScoredWord& a, const ScoredWord& b);
int compareByScoreDesc(const ScoredWord& a, const ScoredWord& b);

class SimilarWordEngine : public EngineSettings {
public:
    // Finds the registered path of the component's file. False when the registration cannot be
    // read; the default reads kRegistryKey under HKEY_CLASSES_ROOT.
    using RegistrationReader = std::function<bool(std::string& path)>;
    static const char kRegistryKey[];
    static constexpr std::int32_t kMaxCandidates = 200;
    // Probability share of a candidate the server does not know.
    static constexpr double kUnknownWordValue = 1e-14;

    SimilarWordEngine();
    explicit SimilarWordEngine(RegistrationReader reader);
    SimilarWordEngine(const SimilarWordEngine&) = delete;
    SimilarWordEngine& operator=(const SimilarWordEngine&) = delete;
    ~SimilarWordEngine() override;

    // Loads the vocabulary beside the component's registered file. The substitution-matrix file
    // there (data\pakeitimai.mtr) is not read.
    bool Init();
    bool IsLoaded() const { return initialised; }
    std::int32_t Analyze(const std::string& word);
    std::string GetNearest(std::int32_t index);
    double GetNearestValue(std::int32_t index) const;
    std::int32_t CheckContext(const std::string& first, const std::string& second);
    std::string GetBest(std::int32_t index);
    double GetBestValue(std::int32_t index) const;
    std::int32_t InVocabulary(const std::string& word) const;
    std::int32_t UnLoadLM();
    void SetMaxValue(std::int32_t value) override;
    std::int32_t GetMaxValue() const override { return maxValue; }
    void SetWeight(double value) override;
    double GetWeight() const override { return weight; }
    bool LoadVocabulary(const std::string& path);
    std::int32_t StartLM(const std::string& path);

    // The text of the last failure; no success clears it.
    const std::string& LastError() const { return lastError; }
    std::int32_t CandidateCount() const { return candidateCount; }
    const std::string& Folder() const { return folder; }

private:
    bool BestReadable(std::int32_t index) const;

    RegistrationReader readRegistration;
    std::unique_ptr<Vocabulary> vocabulary;
    std::unique_ptr<WordScan> scan;
    std::vector<ScoredWord> nearest;
    // Where each id stands in nearest, and how many entries at its front the last analysis
    // measured below the abandon value: only those move when the next analysis places its own.
    std::vector<std::int32_t> position;
    std::size_t measuredFront = 0;
    std::vector<WordScan::Found> found;
    std::vector<ScoredWord> best;
    std::int32_t candidateCount = 0;
    std::string folder;
    bool initialised = false;
    bool lmLoaded = false;
    com::com_ptr<ILM> lmClient;
    std::int32_t maxValue = 6;
    double weight = 0.01;
    std::string lastQuery;
    // Whether nearest and candidateCount describe lastQuery. Kept apart from the text, so that
    // an emptied cache is never mistaken for a measured empty query.
    bool lastQueryValid = false;
    // Whether nearest holds measured entries at all.
    bool measured = false;
    std::string lastError;
};
