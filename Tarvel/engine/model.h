// One model of a model set: the model-server components its type uses, its weight and its
// probability history. The model set constructs it, sets its type, loads it once and asks it.
#pragma once
#include <memory>
#include <string>
#include <vector>
#include "Tarvel/engine/bstrarg.h"
#include "Tarvel/engine/history.h"
#include "com/com_ptr.h"
#include "components.h"

class TLMWrap {
public:
    using Word = engine::BstrArg;

    TLMWrap();
    TLMWrap(const TLMWrap&) = delete;
    TLMWrap& operator=(const TLMWrap&) = delete;
    virtual ~TLMWrap();

    // Reads the model's own settings file and creates and loads the components of its type.
    // True when the model is loaded; failures are logged through mForm.
    bool Load(std::string settingsFile);

    // Words are zero-terminated 8-bit texts (nullptr is an absent word), or BstrArgs that a caller
    // converted once to ask several models the same words. Ids are word or class
    // ids, 0 meaning unknown. A type without a branch, or a model missing a component its type
    // needs, answers 0 without calling any component.
    float Probability(const Word& w1, const Word& w2, const Word& w3);
    float Probability4(const Word& w1, const Word& w2, const Word& w3, const Word& w4);
    float ProbabilityI(long i1, long i2, long i3);
    float ProbabilityI4(long i1, long i2, long i3, long i4);
    // lamda * Probability, or 0 without asking when lamda is not above 0.
    double WeightedProbability(const Word& w1, const Word& w2, const Word& w3);
    double WeightedProbability4(const Word& w1, const Word& w2, const Word& w3, const Word& w4);
    // Always asks; records the unweighted probability in the history (when there is one) and
    // returns lamda * it.
    double RecordedProbability(const Word& w1, const Word& w2, const Word& w3);
    double RecordedProbability4(const Word& w1, const Word& w2, const Word& w3, const Word& w4);
    long GetWordId(const Word& word);

    // History operations; without a probability history only the cache calls are made (and
    // AddToHist makes none).
    bool AddToHist(const Word& w1, const Word& w2, const Word& w3, int flag);
    void ClearHistory();
    bool ClearCalcCache(int n);
    void InfoOn(int flag);
    // A new, empty probability history of capacity n in place of the old one.
    bool MakeHistory(int n);

    // Model types.
    enum : int {
        KN = 0, CMU = 1, Cache = 2, CacheView = 3, ReverseKN = 4, ReverseCMU = 5, ClassKN = 6,
        ClassCache = 7, ClassCacheView = 8, ClassOnly = 9, KN1 = 10, WordInClass = 11,
        TypeFromFile = -1
    };

    int type = KN;                           // -1: Load reads it from the key "type"
    com::com_ptr<ILMIProvider> provider;     // set when a KN model came through the provider
    com::com_ptr<IKN> kn;
    com::com_ptr<IKN1> kn1;
    com::com_ptr<ICMU> cmu;
    com::com_ptr<ICache> cache;
    com::com_ptr<IWC> wc;
    float lamda = 1.0f;                      // the model's weight in the set's interpolation
    std::unique_ptr<ListP> history;          // probability history, made by MakeHistory
    float emSum = 0.0f;                      // the set's EM step accumulator
    int iSkip = -1;                          // skip distance for skip models; -1 = no skip
    bool loaded = false;                     // true once a Load succeeded
    std::vector<std::string> fileWarnings;   // the mistakes the last Load met in its settings file
};
