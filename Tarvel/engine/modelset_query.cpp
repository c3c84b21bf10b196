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
    CountQuery();
    const int n = ModelCount();
    float c = 0.0f;
    switch (setType) {
    case 4:
        if (n < 1) return LogZeroProb;
        c = models[0]->Probability(w1, w2, w3);
        break;
    case 6: {
        if (n < 3 || !AnalyzeWords(w1, w2, w3)) return LogZeroProb;
        const Analysis a = TakeAnalysis();
        c = f32(models[0]->WeightedProbability(w1, w2, w3));
        c = f32(c + models[1]->WeightedProbability("", a.S3(), a.F3()));
        c = f32(c + models[2]->WeightedProbability(a.S3(), a.F2(), a.F3()));
        break;
    }
    case 7: {
        if (n < 2 || !AnalyzeWords(w1, w2, w3)) return LogZeroProb;
        const Analysis a = TakeAnalysis();
        c = f32(models[0]->WeightedProbability(a.F1(), a.F2(), a.F3()));
        c = f32(c * models[1]->WeightedProbability("", a.S3(), a.F3()));
        break;
    }
    default: {
        const Word a(w1), b(w2), w(w3);  // converted once for every model
        for (int k = 0; k < n; ++k) c = f32(c + models[k]->WeightedProbability(a, b, w));
        break;
    }
    }
    return LogForm(c);
}

float TTarvel::GetProbW(const char* word, int n) {
    Busy busy(*this);
    wordHist->Push(word);
    const Recent h = RecentWords();
    const int count = ModelCount();
    float c = 0.0f;
    switch (setType) {
    case 10:
        for (int k = 0; k < count; ++k) {
            TLMWrap& m = *models[k];
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
        const int needed = setType == 11 ? 3 : setType == 12 ? 2 : setType == 13 ? 4 : 3;
        if (count < needed || !AnalyzeWords(h.H2(), h.H1(), h.H0())) return LogZeroProb;
        const Analysis a = TakeAnalysis();
        if (setType == 11) {
            c = f32(models[1]->WeightedProbability("", a.F3(), a.S3()));
            c = f32(c + models[2]->WeightedProbability(a.S1(), a.S2(), a.S3()));
            c = f32(c * models[0]->WeightedProbability(a.F1(), a.F2(), a.F3()));
        } else if (setType == 12) {
            c = f32(models[0]->WeightedProbability(a.F1(), a.F2(), a.F3()));
            c = f32(c * models[1]->WeightedProbability4(a.S1(), a.S2(), a.F3(), a.S3()));
        } else if (setType == 13) {
            c = f32(models[2]->WeightedProbability("", a.F3(), a.S3()));
            c = f32(c + models[3]->WeightedProbability(a.S1(), a.S2(), a.S3()));
            c = f32(c * models[1]->WeightedProbability(a.F1(), a.F2(), a.F3()));
            c = f32(c + models[0]->WeightedProbability(h.H2(), h.H1(), h.H0()));
        } else {
            c = f32(models[1]->WeightedProbability(a.F1(), a.F2(), a.F3()));
            c = f32(c * models[2]->WeightedProbability4(a.S1(), a.S2(), a.F3(), a.S3()));
            c = f32(c + models[0]->WeightedProbability(h.H2(), h.H1(), h.H0()));
        }
        break;
    }
    default: {
        // Converted once for every model.
        const Word a(n == 4 ? h.H3() : ""), b(h.H2()), d(h.H1()), w(h.H0());
        for (int k = 0; k < count; ++k) {
            TLMWrap& m = *models[k];
            c = f32(c + (n == 4 ? m.RecordedProbability4(a, b, d, w) : m.RecordedProbability(b, d, w)));
        }
        break;
    }
    }
    // The cache model of set type 2 hears the word; it records only with dynamic weights on.
    if (setType == 2 && count > 1) models[1]->AddToHist("", "", word, 0);
    CountQuery();
    ++calcCache;
    return LogForm(c);
}

float TTarvel::ProbabilityFB(const char* word, const char* b1, const char* b2) {
    Busy busy(*this);
    if (setType != 4 || ModelCount() < 2) return LogZeroProb;
    wordHist->Push(word);
    ++calcCache;
    CountQuery();
    const Recent h = RecentWords();
    float c = f32(models[0]->RecordedProbability(h.H2(), h.H1(), h.H0()));
    c = f32(models[1]->WeightedProbability(b2, b1, word) + c);
    return LogForm(c);
}

float TTarvel::ProbabilityId(int a, int b, int c) {
    Busy busy(*this);
    CountQuery();
    if (models.empty()) return LogZeroProb;
    return LogForm(models[0]->ProbabilityI(a, b, c));
}

float TTarvel::ProbabilityId4(int a, int b, int c, int d) {
    Busy busy(*this);
    CountQuery();
    if (models.empty()) return LogZeroProb;
    return LogForm(models[0]->ProbabilityI4(a, b, c, d));
}

int TTarvel::IsUnknown(const char* word) {
    Busy busy(*this);
    if (models.empty()) return 0;
    switch (setType) {
    case 7:
    case 11:
    case 12: {
        if (!AnalyzeWords("", "", word)) return 0;
        const std::string baseForm = pForma[2];
        return models[0]->GetWordId(baseForm.c_str());
    }
    case 13:
    case 14:
        return models[0]->GetWordId(word);
    default: {
        int id = 0;
        for (auto& m : models) {
            id = m->GetWordId(word);
            if (id > 0) break;
        }
        return id;
    }
    }
}

bool TTarvel::AddHistory(const char* word, int flag) {
    Busy busy(*this);
    Trace("AddHistory(" + std::string(word ? word : "") + ")");
    wordHist->Push(word);
    if (!dynamic) return true;
    const Recent h = RecentWords();
    if (setType == 2 && ModelCount() >= 3) {
        // Model 1 shares its cache with model 2 and comes last.
        models[0]->AddToHist(h.H2(), h.H1(), h.H0(), flag);
        models[2]->AddToHist(h.H2(), h.H1(), h.H0(), flag);
        models[1]->AddToHist(h.H2(), h.H1(), h.H0(), flag);
    } else if (setType == 6 && ModelCount() >= 3) {
        if (!AnalyzeWords(h.H2(), h.H1(), h.H0())) return false;
        const Analysis a = TakeAnalysis();
        models[0]->AddToHist(h.H2(), h.H1(), h.H0(), flag);
        models[2]->AddToHist(a.S3(), a.F2(), a.F3(), flag);
        models[1]->AddToHist(a.F1(), a.S3(), a.F3(), flag);
    } else {
        const Word a(h.H2()), b(h.H1()), w(h.H0());  // converted once for every model
        for (auto& m : models) m->AddToHist(a, b, w, flag);
    }
    return true;
}

bool TTarvel::ClearHistory() {
    Busy busy(*this);
    Trace("ClearHistory()");
    for (auto& m : models) m->ClearHistory();
    wordHist->Clear();
    return true;
}

int TTarvel::StartCalcCache() {
    Busy busy(*this);
    Trace("StartCalcCache()");
    calcCache = 0;
    return 1;
}

int TTarvel::ClearCalcCache() {
    Busy busy(*this);
    Trace("ClearCalcCache()");
    const int n = calcCache;
    for (auto& m : models) m->ClearCalcCache(n);
    wordHist->Forget(n);
    calcCache = 0;
    return 1;
}

void TTarvel::InfoOn(int flag) {
    Busy busy(*this);
    infoFlag = flag;
    for (auto& m : models) m->InfoOn(flag);
}
