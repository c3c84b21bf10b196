// TLMImpl: the COM object of the coclass LM. One per client connection; every ILM call goes to
// the server window's one model set. QueryInterface answers IUnknown, IDispatch and ILM only;
// the object can be aggregated.
//
// The set is held weakly: the window's Unload deletes its set while objects may still be alive,
// and such an object then answers the neutral values until its next Load binds it to the
// window's current set. Each call keeps the set alive for as long as it runs.
#pragma once
#include <windows.h>

#include <memory>

#include "Tarvel.h"
#include "com/dual.h"

class TTarvel;

class TLMImpl final : public com::Dual<ILM> {
public:
    // The class object's creation: a new object, aggregated when outer is given (then riid must
    // be IID_IUnknown).
    static HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv);
    // The registration operation of the coclass (ProgID "Dravo.LM", no description of its own);
    // defined beside the registrar in server.cpp, so the class includes nothing of the server.
    static HRESULT UpdateRegistry(bool reg);

    // IUnknown: delegated to the controlling unknown.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // ILM, in slot order.
    HRESULT STDMETHODCALLTYPE Load(BSTR Param1, LONG* Param2) override;
    HRESULT STDMETHODCALLTYPE Unload(LONG* Param2) override;
    HRESULT STDMETHODCALLTYPE Probability(BSTR Param1, BSTR Param2, BSTR Param3, FLOAT* Param4) override;
    HRESULT STDMETHODCALLTYPE AddWordToHist(BSTR Param1, LONG Param3, LONG* Param2) override;
    HRESULT STDMETHODCALLTYPE UpdateWeight(LONG* Param2) override;
    HRESULT STDMETHODCALLTYPE IsLoaded(LONG* Param1) override;
    HRESULT STDMETHODCALLTYPE ClearHist(LONG* Param2) override;
    HRESULT STDMETHODCALLTYPE WriteMsg(BSTR Param1) override;
    HRESULT STDMETHODCALLTYPE GetInfo(BSTR* Param1) override;
    HRESULT STDMETHODCALLTYPE WriteError(BSTR Param1) override;
    HRESULT STDMETHODCALLTYPE SetStep(LONG Param1) override;
    HRESULT STDMETHODCALLTYPE ProbabilityFB(BSTR Param3, BSTR ParamB1, BSTR ParamB2, FLOAT* Param4) override;
    HRESULT STDMETHODCALLTYPE GetWeightInfo(BSTR* Param1) override;
    HRESULT STDMETHODCALLTYPE IsUnknown(BSTR Param1, LONG* Param2) override;
    HRESULT STDMETHODCALLTYPE InfoOn(LONG Param1) override;
    HRESULT STDMETHODCALLTYPE ProbabilityId(LONG Param1, LONG Param2, LONG Param3, FLOAT* Param4) override;
    HRESULT STDMETHODCALLTYPE ProbabilityId4(LONG Param1, LONG Param2, LONG Param3, LONG Param4,
                                             FLOAT* Param5) override;
    HRESULT STDMETHODCALLTYPE StartIsUnknown(LONG* Param1) override;
    HRESULT STDMETHODCALLTYPE StopIsUnknown(LONG* Param1) override;
    HRESULT STDMETHODCALLTYPE StartProbabilityId(LONG* Param1) override;
    HRESULT STDMETHODCALLTYPE StopProbabilityId(LONG* Param1) override;
    HRESULT STDMETHODCALLTYPE GetProbW(BSTR Param1, LONG Param2, FLOAT* Param3) override;
    HRESULT STDMETHODCALLTYPE StartCalcCache(LONG* Param1) override;
    HRESULT STDMETHODCALLTYPE ClearCalcCache(LONG* Param1) override;

protected:
    // IDispatch over the registered type library Tarvel 1.0.
    HRESULT LoadTypeInfo(ITypeInfo** out) noexcept override;

private:
    explicit TLMImpl(IUnknown* outer);
    ~TLMImpl();
    TLMImpl(const TLMImpl&) = delete;
    TLMImpl& operator=(const TLMImpl&) = delete;

    // The object's own unknown: the one an aggregating outer object holds.
    struct Inner final : IUnknown {
        TLMImpl* self;
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
        ULONG STDMETHODCALLTYPE AddRef() override;
        ULONG STDMETHODCALLTYPE Release() override;
    };

    std::shared_ptr<TTarvel> Set() const { return modelSet.lock(); }
    // Takes the window's current set; the object is counted as a client once in its life.
    void Bind();

    Inner inner;
    IUnknown* controlling;  // the outer object, or inner
    std::weak_ptr<TTarvel> modelSet;
    bool counted = false;
};
