// Direct access to a model set's inner state, so that tests can arrange models, weights and
// histories without loading anything.
#pragma once
#include <memory>
#include <string>

#include "Tarvel/engine/history.h"
#include "Tarvel/engine/model.h"
#include "Tarvel/engine/modelset.h"

struct TTarvelAccess {
    static TLMWrap& Add(TTarvel& s, int type, float lamda) {
        s.models.push_back(std::make_unique<TLMWrap>());
        TLMWrap& m = *s.models.back();
        m.type = type;
        m.lamda = lamda;
        return m;
    }
    static int Count(TTarvel& s) { return static_cast<int>(s.models.size()); }
    static TLMWrap& Model(TTarvel& s, int i) { return *s.models[i]; }
    static void SetLoaded(TTarvel& s, bool v) { s.loaded = v; }
    static void SetType(TTarvel& s, int v) { s.setType = v; }
    static void SetDynamic(TTarvel& s, bool v) { s.dynamic = v; }
    static void SetEMHist(TTarvel& s, int v) { s.emHist = v; }
    static ListW& Words(TTarvel& s) { return *s.wordHist; }
    static int CalcCache(TTarvel& s) { return s.calcCache; }
    static int Calls(TTarvel& s) { return s.calls; }
    static const char* F(TTarvel& s, int i) { return s.pForma[i]; }
    static const char* S(TTarvel& s, int i) { return s.sInfo[i]; }
    static bool Analyze(TTarvel& s, const char* a, const char* b, const char* c) {
        return s.AnalyzeWords(a, b, c);
    }
    static void SetAnalyzer(TTarvel& s, IZA* za) { s.analyzer = com::com_ptr<IZA>(za); }
    static float Perplexity(TTarvel& s) { return s.Perplexity(); }
    static void EMStep(TTarvel& s) { s.EMStep(); }
};

// A probability history holding the given values, oldest first.
inline void Record(TLMWrap& m, int capacity, std::initializer_list<float> values) {
    m.MakeHistory(capacity);
    for (float v : values) m.history->Push(v);
}
