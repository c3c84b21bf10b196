// Mixed probabilities, the word history and the calc cache.
#include <string>

#include "Tarvel/shell/utils.h"
#include "modelset.h"
#include "modelset_internal.h"

using namespace engine::detail;

namespace {

using Word = engine::BstrArg;

float LogForm(float p) { return static_cast<float>(Log10Prob(p)); }

}  // namespace

void TTarvel::CountQuery() { SetCount(calls++); }

void TTarvel::Trace(const std::string& text) {
    if (infoFlag == 1) Log(text);
}

// The words at history positions 0, -1, -2, -3, copied: a nested call on this thread may push
// into the slots while the models are asked.
TTarvel::Recent TTarvel::RecentWords() const {
    Recent r;
    for (int k = 0; k < 4; ++k) r.h[k] = wordHist->Get(-k);
    return r;
}

std::string TTarvel::HistoryWord(int k) const { return k > 0 ? std::string() : std::string(wordHist->Get(k)); }

TTarvel::Analysis TTarvel::TakeAnalysis() const {
    Analysis a;
    for (int i = 0; i < 3; ++i) {
        a.f[i] = pForma[i];
        a.s[i] = sInfo[i];
    }
    return a;
}

float TTarvel::Probability(const char* w1, const char* w2, const char* w3) {
    Busy busy(*this);
    const unsigned gen = generation;
    if (Unsettled(gen)) return LogZeroProb;
    CountQuery();
    const ModelView ms = Models();
    const int n = ms.count;
    const int type = setType;
    float c = 0.0f;
    switch (type) {
    case 4:
        if (n < 1) return LogZeroProb;
        c = ms[0]->Probability(w1, w2, w3);
        break;
    case 6: {
        if (n < 3 || !AnalyzeWords(w1, w2, w3) || Unsettled(gen)) return LogZeroProb;
        const Analysis a = TakeAnalysis();
        c = f32(ms[0]->WeightedProbability(w1, w2, w3));
        c = f32(c + ms[1]->WeightedProbability("", a.S3(), a.F3()));
        c = f32(c + ms[2]->WeightedProbability(a.S3(), a.F2(), a.F3()));
        break;
    }
    case 7: {
        if (n < 2 || !AnalyzeWords(w1, w2, w3) || Unsettled(gen)) return LogZeroProb;
        const Analysis a = TakeAnalysis();
        c = f32(ms[0]->WeightedProbability(a.F1(), a.F2(), a.F3()));
        c = f32(c * ms[1]->WeightedProbability("", a.S3(), a.F3()));
        break;
    }
    default: {
        const Word a(w1), b(w2), w(w3);  // converted once for every model
        for (int k = 0; k < n; ++k) c = f32(c + ms[k]->WeightedProbability(a, b, w));
        break;
    }
    }
    if (Unsettled(gen)) return LogZeroProb;
    return LogForm(c);
}

float TTarvel::GetProbW(const char* word, int n) {
    Busy busy(*this);
    const unsigned gen = generation;
    // A set that a load is building: its history may not even hold the word yet.
    if (Unsettled(gen)) return LogZeroProb;
    wordHist->Push(word);
    const Recent h = RecentWords();
    const ModelView ms = Models();
    const int count = ms.count;
    const int type = setType;
    float c = 0.0f;
    switch (type) {
    case 10:
        for (int k = 0; k < count; ++k) {
            TLMWrap& m = *ms[k];
            const int skip = SkipOf(m);
            if (skip == -1) {
                c = f32(c + m.RecordedProbability(h.H2(), h.H1(), h.H0()));
            } else {
                const std::string before = HistoryWord(-1 - skip);
                c = f32(c + m.RecordedProbability("", before.c_str(), h.H0()));
            }
        }
        break;
    case 11:
    case 12:
    case 13:
    case 14: {
        const int needed = type == 11 ? 3 : type == 12 ? 2 : type == 13 ? 4 : 3;
        if (count < needed || !AnalyzeWords(h.H2(), h.H1(), h.H0()) || Unsettled(gen)) return LogZeroProb;
        const Analysis a = TakeAnalysis();
        if (type == 11) {
            c = f32(ms[1]->WeightedProbability("", a.F3(), a.S3()));
            c = f32(c + ms[2]->WeightedProbability(a.S1(), a.S2(), a.S3()));
            c = f32(c * ms[0]->WeightedProbability(a.F1(), a.F2(), a.F3()));
        } else if (type == 12) {
            c = f32(ms[0]->WeightedProbability(a.F1(), a.F2(), a.F3()));
            c = f32(c * ms[1]->WeightedProbability4(a.S1(), a.S2(), a.F3(), a.S3()));
        } else if (type == 13) {
            c = f32(ms[2]->WeightedProbability("", a.F3(), a.S3()));
            c = f32(c + ms[3]->WeightedProbability(a.S1(), a.S2(), a.S3()));
            c = f32(c * ms[1]->WeightedProbability(a.F1(), a.F2(), a.F3()));
            c = f32(c + ms[0]->WeightedProbability(h.H2(), h.H1(), h.H0()));
        } else {
            c = f32(ms[1]->WeightedProbability(a.F1(), a.F2(), a.F3()));
            c = f32(c * ms[2]->WeightedProbability4(a.S1(), a.S2(), a.F3(), a.S3()));
            c = f32(c + ms[0]->WeightedProbability(h.H2(), h.H1(), h.H0()));
        }
        break;
    }
    default: {
        // Converted once for every model.
        const Word a(n == 4 ? h.H3() : ""), b(h.H2()), d(h.H1()), w(h.H0());
        for (int k = 0; k < count; ++k) {
            TLMWrap& m = *ms[k];
            c = f32(c + (n == 4 ? m.RecordedProbability4(a, b, d, w) : m.RecordedProbability(b, d, w)));
        }
        break;
    }
    }
    if (Unsettled(gen)) return LogZeroProb;
    // The cache model of set type 2 hears the word; it records only with dynamic weights on.
    if (type == 2 && count > 1) ms[1]->AddToHist("", "", word, 0);
    if (Unsettled(gen)) return LogZeroProb;
    CountQuery();
    ++calcCache;
    return LogForm(c);
}

float TTarvel::ProbabilityFB(const char* word, const char* b1, const char* b2) {
    Busy busy(*this);
    const unsigned gen = generation;
    if (Unsettled(gen) || setType != 4 || Models().count < 2) return LogZeroProb;
    wordHist->Push(word);
    ++calcCache;
    CountQuery();
    const Recent h = RecentWords();
    const ModelView ms = Models();
    float c = f32(ms[0]->RecordedProbability(h.H2(), h.H1(), h.H0()));
    c = f32(ms[1]->WeightedProbability(b2, b1, word) + c);
    if (Unsettled(gen)) return LogZeroProb;
    return LogForm(c);
}

float TTarvel::ProbabilityId(int a, int b, int c) {
    Busy busy(*this);
    const unsigned gen = generation;
    if (Unsettled(gen)) return LogZeroProb;
    CountQuery();
    const ModelView ms = Models();
    if (ms.count < 1) return LogZeroProb;
    const float p = ms[0]->ProbabilityI(a, b, c);
    return Unsettled(gen) ? LogZeroProb : LogForm(p);
}

float TTarvel::ProbabilityId4(int a, int b, int c, int d) {
    Busy busy(*this);
    const unsigned gen = generation;
    if (Unsettled(gen)) return LogZeroProb;
    CountQuery();
    const ModelView ms = Models();
    if (ms.count < 1) return LogZeroProb;
    const float p = ms[0]->ProbabilityI4(a, b, c, d);
    return Unsettled(gen) ? LogZeroProb : LogForm(p);
}

int TTarvel::IsUnknown(const char* word) {
    Busy busy(*this);
    const unsigned gen = generation;
    const ModelView ms = Models();
    if (Unsettled(gen) || ms.count == 0) return 0;
    int id = 0;
    switch (setType) {
    case 7:
    case 11:
    case 12: {
        if (!AnalyzeWords("", "", word) || Unsettled(gen)) return 0;
        const std::string baseForm = pForma[2];
        id = ms[0]->GetWordId(baseForm.c_str());
        break;
    }
    case 13:
    case 14:
        id = ms[0]->GetWordId(word);
        break;
    default:
        for (auto& m : ms) {
            id = m->GetWordId(word);
            if (id > 0 || Unsettled(gen)) break;
        }
        break;
    }
    return Unsettled(gen) ? 0 : id;
}

bool TTarvel::AddHistory(const char* word, int flag) {
    Busy busy(*this);
    const unsigned gen = generation;
    if (Unsettled(gen)) return false;
    Trace("AddHistory(" + std::string(word ? word : "") + ")");
    if (Unsettled(gen)) return false;
    wordHist->Push(word);
    if (!dynamic) return true;
    const Recent h = RecentWords();
    const ModelView ms = Models();
    if (setType == 2 && ms.count >= 3) {
        // Model 1 shares its cache with model 2 and comes last.
        ms[0]->AddToHist(h.H2(), h.H1(), h.H0(), flag);
        ms[2]->AddToHist(h.H2(), h.H1(), h.H0(), flag);
        ms[1]->AddToHist(h.H2(), h.H1(), h.H0(), flag);
    } else if (setType == 6 && ms.count >= 3) {
        if (!AnalyzeWords(h.H2(), h.H1(), h.H0()) || Unsettled(gen)) return false;
        const Analysis a = TakeAnalysis();
        ms[0]->AddToHist(h.H2(), h.H1(), h.H0(), flag);
        ms[2]->AddToHist(a.S3(), a.F2(), a.F3(), flag);
        ms[1]->AddToHist(a.F1(), a.S3(), a.F3(), flag);
    } else {
        const Word a(h.H2()), b(h.H1()), w(h.H0());  // converted once for every model
        for (auto& m : ms) m->AddToHist(a, b, w, flag);
    }
    return !Unsettled(gen);
}

bool TTarvel::ClearHistory() {
    Busy busy(*this);
    const unsigned gen = generation;
    if (Unsettled(gen)) return false;
    Trace("ClearHistory()");
    if (Unsettled(gen)) return false;
    for (auto& m : Models()) m->ClearHistory();
    wordHist->Clear();
    return true;
}

int TTarvel::StartCalcCache() {
    Busy busy(*this);
    if (building) return 0;
    Trace("StartCalcCache()");
    calcCache = 0;
    return 1;
}

int TTarvel::ClearCalcCache() {
    Busy busy(*this);
    const unsigned gen = generation;
    if (Unsettled(gen)) return 0;
    Trace("ClearCalcCache()");
    if (Unsettled(gen)) return 0;
    const int n = calcCache;
    for (auto& m : Models()) m->ClearCalcCache(n);
    wordHist->Forget(n);
    calcCache = 0;
    return 1;
}

void TTarvel::InfoOn(int flag) {
    Busy busy(*this);
    if (building) return;
    infoFlag = flag;
    for (auto& m : Models()) m->InfoOn(flag);
}
