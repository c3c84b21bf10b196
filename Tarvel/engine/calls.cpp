#include "Tarvel/engine/calls.h"
#include <string_view>
#include "Tarvel/engine/servers.h"
#include "com/bstr.h"

namespace engine::call {
namespace {

// An absent word crosses as the empty text.
com::unique_bstr Text(const char* s) {
    return com::ToBstr(s ? std::string_view(s) : std::string_view());
}

std::string TakeText(BSTR b) {
    com::unique_bstr owner(b);
    return com::FromBstr(b);
}

}  // namespace

#define REQUIRE_REF(intf, none) \
    if (!TARVEL_CHECKREF(intf)) return none

// ---- IKN

long Load(IKN* kn, const std::string& file) {
    REQUIRE_REF(kn, 0);
    long ok = 0;
    TARVEL_HRCHECK(kn->Load(Text(file.c_str()).get(), &ok), "this->Load(Param1, (long*)&Param2)");
    return ok;
}

float Probability(IKN* kn, const BstrArg& w1, const BstrArg& w2, const BstrArg& w3) {
    REQUIRE_REF(kn, 0.0f);
    float p = 0.0f;
    TARVEL_HRCHECK(kn->Probability(w1.get(), w2.get(), w3.get(), &p),
                   "this->Probability(Param1, Param2, Param3, (float*)&Param4)");
    return p;
}

float ProbabilityI(IKN* kn, long i1, long i2, long i3) {
    REQUIRE_REF(kn, 0.0f);
    float p = 0.0f;
    TARVEL_HRCHECK(kn->ProbabilityI(i1, i2, i3, &p), "this->ProbabilityI(Param1, Param2, Param3, (float*)&Param4)");
    return p;
}

long GetWordId(IKN* kn, const BstrArg& word) {
    REQUIRE_REF(kn, 0);
    long id = 0;
    TARVEL_HRCHECK(kn->GetWordId(word.get(), &id), "this->GetWordId(Param1, (long*)&Param2)");
    return id;
}

void InfoOn(IKN* kn, long flag) {
    REQUIRE_REF(kn, );
    kn->InfoOn(flag);  // a trace switch: its result is not checked
}

// ---- IKN1

long Load(IKN1* kn1, const std::string& file) {
    REQUIRE_REF(kn1, 0);
    long ok = 0;
    TARVEL_HRCHECK(kn1->Load(Text(file.c_str()).get(), &ok), "this->Load(Param1, (long*)&Param2)");
    return ok;
}

double Probability(IKN1* kn1, const BstrArg& w1, const BstrArg& w2, const BstrArg& w3) {
    REQUIRE_REF(kn1, 0.0);
    double p = 0.0;
    TARVEL_HRCHECK(kn1->Probability(w1.get(), w2.get(), w3.get(), &p),
                   "this->Probability(Param1, Param2, Param3, (double*)&Param4)");
    return p;
}

double Probability4(IKN1* kn1, const BstrArg& w1, const BstrArg& w2, const BstrArg& w3, const BstrArg& w4) {
    REQUIRE_REF(kn1, 0.0);
    double p = 0.0;
    TARVEL_HRCHECK(kn1->Probability4(w1.get(), w2.get(), w3.get(), w4.get(), &p),
                   "this->Probability4(Param1, Param2, Param3, Param4, (double*)&Param5)");
    return p;
}

double ProbabilityI(IKN1* kn1, long i1, long i2, long i3) {
    REQUIRE_REF(kn1, 0.0);
    double p = 0.0;
    TARVEL_HRCHECK(kn1->ProbabilityI(i1, i2, i3, &p), "this->ProbabilityI(Param1, Param2, Param3, (double*)&Param4)");
    return p;
}

double ProbabilityI4(IKN1* kn1, long i1, long i2, long i3, long i4) {
    REQUIRE_REF(kn1, 0.0);
    double p = 0.0;
    TARVEL_HRCHECK(kn1->ProbabilityI4(i1, i2, i3, i4, &p),
                   "this->ProbabilityI4(Param1, Param2, Param3, Param4, (double*)&Param5)");
    return p;
}

long GetWordId(IKN1* kn1, const BstrArg& word) {
    REQUIRE_REF(kn1, 0);
    long id = 0;
    TARVEL_HRCHECK(kn1->GetWordId(word.get(), &id), "this->GetWordId(Param1, (long*)&Param2)");
    return id;
}

void InfoOn(IKN1* kn1, long flag) {
    REQUIRE_REF(kn1, );
    kn1->InfoOn(flag);
}

// ---- ICMU

long Load(ICMU* cmu, const std::string& modelFile) {
    REQUIRE_REF(cmu, 0);
    long ok = 0;
    TARVEL_HRCHECK(cmu->Load(Text(modelFile.c_str()).get(), &ok), "this->Load(Param1, (long*)&Param2)");
    return ok;
}

double Probability(ICMU* cmu, const BstrArg& w1, const BstrArg& w2, const BstrArg& w3) {
    REQUIRE_REF(cmu, 0.0);
    double p = 0.0;
    TARVEL_HRCHECK(cmu->Probability(w1.get(), w2.get(), w3.get(), &p),
                   "this->Probability(Param1, Param2, Param3, (double*)&Param4)");
    return p;
}

long GetWordId(ICMU* cmu, const BstrArg& word) {
    REQUIRE_REF(cmu, 0);
    long id = 0;
    TARVEL_HRCHECK(cmu->GetWordId(word.get(), &id), "this->GetWordId(Param1, (long*)&Param2)");
    return id;
}

// ---- ICache

long Load(ICache* cache, const std::string& file) {
    REQUIRE_REF(cache, 0);
    long ok = 0;
    TARVEL_HRCHECK(cache->Load(Text(file.c_str()).get(), &ok), "this->Load(Param1, (long*)&Param2)");
    return ok;
}

double Probability1(ICache* cache, const BstrArg& w) {
    REQUIRE_REF(cache, 0.0);
    double p = 0.0;
    TARVEL_HRCHECK(cache->Probability1(w.get(), &p), "this->Probability1(Param1, (double*)&Param2)");
    return p;
}

double Probability2(ICache* cache, const BstrArg& w1, const BstrArg& w2) {
    REQUIRE_REF(cache, 0.0);
    double p = 0.0;
    TARVEL_HRCHECK(cache->Probability2(w1.get(), w2.get(), &p),
                   "this->Probability2(Param1, Param2, (double*)&Param3)");
    return p;
}

double AddToHist(ICache* cache, const BstrArg& w) {
    REQUIRE_REF(cache, 0.0);
    double p = 0.0;
    TARVEL_HRCHECK(cache->AddToHist(w.get(), &p), "this->AddToHist(Param1, (double*)&Param2)");
    return p;
}

long ClearHistory(ICache* cache) {
    REQUIRE_REF(cache, 0);
    long r = 0;
    TARVEL_HRCHECK(cache->ClearHistory(&r), "this->ClearHistory((long*)&Param1)");
    return r;
}

void InfoOn(ICache* cache, long flag) {
    REQUIRE_REF(cache, );
    cache->InfoOn(flag);
}

long ClearCalcCache(ICache* cache, long n) {
    REQUIRE_REF(cache, 0);
    long r = 0;
    TARVEL_HRCHECK(cache->ClearCalcCache(n, &r), "this->ClearCalcCache(Param1, (long*)&Param2)");
    return r;
}

// ---- IWC

long Load(IWC* wc, const std::string& file) {
    REQUIRE_REF(wc, 0);
    long ok = 0;
    TARVEL_HRCHECK(wc->Load(Text(file.c_str()).get(), &ok), "this->Load(Param1, (long*)&Param2)");
    return ok;
}

long Load1(IWC* wc, const std::string& file) {
    REQUIRE_REF(wc, 0);
    long ok = 0;
    TARVEL_HRCHECK(wc->Load1(Text(file.c_str()).get(), &ok), "this->Load1(Param1, (long*)&Param2)");
    return ok;
}

double Probability(IWC* wc, long classId, long wordId) {
    REQUIRE_REF(wc, 0.0);
    double p = 0.0;
    TARVEL_HRCHECK(wc->Probability(classId, wordId, &p), "this->Probability(Param1, Param2, (double*)&Param3)");
    return p;
}

long GetWordID(IWC* wc, const BstrArg& word) {
    REQUIRE_REF(wc, 0);
    long id = 0;
    TARVEL_HRCHECK(wc->GetWordID(word.get(), &id), "this->GetWordID(Param1, (long*)&Param2)");
    return id;
}

long GetClassID(IWC* wc, const BstrArg& word) {
    REQUIRE_REF(wc, 0);
    long id = 0;
    TARVEL_HRCHECK(wc->GetClassID(word.get(), &id), "this->GetClassID(Param1, (long*)&Param2)");
    return id;
}

long GetWordClassID(IWC* wc, const BstrArg& text) {
    REQUIRE_REF(wc, 0);
    long id = 0;
    TARVEL_HRCHECK(wc->GetWordClassID(text.get(), &id), "this->GetWordClassID(Param1, (long*)&Param2)");
    return id;
}

// ---- IZA

VARIANT_BOOL Init(IZA* za) {
    REQUIRE_REF(za, 0);
    VARIANT_BOOL ready = 0;
    TARVEL_HRCHECK(za->Init(&ready), "this->Init((VARIANT_BOOL*)&Param1)");
    return ready;
}

std::string GetLastError(IZA* za) {
    REQUIRE_REF(za, std::string());
    BSTR text = nullptr;
    HRESULT hr = za->GetLastError(&text);
    std::string result = TakeText(text);
    TARVEL_HRCHECK(hr, "this->GetLastError((BSTR*)&Param1)");
    return result;
}

std::string PForma(IZA* za) {
    REQUIRE_REF(za, std::string());
    BSTR text = nullptr;
    HRESULT hr = za->PForma(&text);
    std::string result = TakeText(text);
    TARVEL_HRCHECK(hr, "this->PForma((BSTR*)&Param1)");
    return result;
}

std::string SInfo(IZA* za) {
    REQUIRE_REF(za, std::string());
    BSTR text = nullptr;
    HRESULT hr = za->SInfo(&text);
    std::string result = TakeText(text);
    TARVEL_HRCHECK(hr, "this->SInfo((BSTR*)&Param1)");
    return result;
}

long AnalyzeAll(IZA* za, const BstrArg& word) {
    REQUIRE_REF(za, 0);
    long r = 0;
    TARVEL_HRCHECK(za->AnalyzeAll(word.get(), &r), "this->AnalyzeAll(Param1, (long*)&Param2)");
    return r;
}

// ---- ILMIProvider

long Init(ILMIProvider* provider, long kind) {
    REQUIRE_REF(provider, 0);
    long ok = 0;
    TARVEL_HRCHECK(provider->Init(kind, &ok), "this->Init(Param2, (long*)&Param1)");
    return ok;
}

com::com_ptr<IKN> GetLMI(ILMIProvider* provider) {
    REQUIRE_REF(provider, nullptr);
    com::com_ptr<IKN> kn;
    TARVEL_HRCHECK(provider->GetLMI(kn.put()), "this->GetLMI((IKN**)&Param1)");
    return kn;
}

com::com_ptr<IKN1> GetLMI_KN1(ILMIProvider* provider) {
    REQUIRE_REF(provider, nullptr);
    com::com_ptr<IKN1> kn1;
    TARVEL_HRCHECK(provider->GetLMI_KN1(kn1.put()), "this->GetLMI_KN1((KN1**)&Param1)");
    return kn1;
}

}  // namespace engine::call
