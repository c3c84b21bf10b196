// Checked calls into the model-server components. Each one tests the reference first (an empty
// one is reported and answers 0 or the empty text without a call) and passes the HRESULT through
// the debug check (InfoOn excepted). After a failed call the answer is whatever the call left in
// its out-value, 0 when it left nothing. Words are BstrArgs: an 8-bit text given here is converted
// for this call alone, one converted by the caller may serve many calls. A word given as nullptr
// is absent and reaches the component as the empty text.
#pragma once
#include <string>
#include "Tarvel/engine/bstrarg.h"
#include "com/com_ptr.h"
#include "components.h"

namespace engine::call {

// IKN (KN models)
long Load(IKN* kn, const std::string& file);
float Probability(IKN* kn, const BstrArg& w1, const BstrArg& w2, const BstrArg& w3);
float ProbabilityI(IKN* kn, long i1, long i2, long i3);
long GetWordId(IKN* kn, const BstrArg& word);
void InfoOn(IKN* kn, long flag);

// IKN1 (modified-KN models)
long Load(IKN1* kn1, const std::string& file);
double Probability(IKN1* kn1, const BstrArg& w1, const BstrArg& w2, const BstrArg& w3);
double Probability4(IKN1* kn1, const BstrArg& w1, const BstrArg& w2, const BstrArg& w3, const BstrArg& w4);
double ProbabilityI(IKN1* kn1, long i1, long i2, long i3);
double ProbabilityI4(IKN1* kn1, long i1, long i2, long i3, long i4);
long GetWordId(IKN1* kn1, const BstrArg& word);
void InfoOn(IKN1* kn1, long flag);

// ICMU (binary CMU models)
long Load(ICMU* cmu, const std::string& modelFile);
double Probability(ICMU* cmu, const BstrArg& w1, const BstrArg& w2, const BstrArg& w3);
long GetWordId(ICMU* cmu, const BstrArg& word);

// ICache (cache models)
long Load(ICache* cache, const std::string& file);
double Probability1(ICache* cache, const BstrArg& w);
double Probability2(ICache* cache, const BstrArg& w1, const BstrArg& w2);
double AddToHist(ICache* cache, const BstrArg& w);
long ClearHistory(ICache* cache);
void InfoOn(ICache* cache, long flag);
long ClearCalcCache(ICache* cache, long n);

// IWC (word-class models)
long Load(IWC* wc, const std::string& file);
long Load1(IWC* wc, const std::string& file);
double Probability(IWC* wc, long classId, long wordId);
long GetWordID(IWC* wc, const BstrArg& word);
long GetClassID(IWC* wc, const BstrArg& word);
long GetWordClassID(IWC* wc, const BstrArg& text);

// IZA (language analyzer)
VARIANT_BOOL Init(IZA* za);
std::string GetLastError(IZA* za);
std::string PForma(IZA* za);
std::string SInfo(IZA* za);
long AnalyzeAll(IZA* za, const BstrArg& word);

// ILMIProvider (models in a process of their own)
long Init(ILMIProvider* provider, long kind);
com::com_ptr<IKN> GetLMI(ILMIProvider* provider);
com::com_ptr<IKN1> GetLMI_KN1(ILMIProvider* provider);

}  // namespace engine::call
