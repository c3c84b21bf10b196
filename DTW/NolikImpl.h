// The COM class behind INolik: each method converts its arguments, makes one call on the object's
// own engine (OpenSettings: the settings dialog over it) and converts the result; an exception
// becomes error information and DISP_E_EXCEPTION, with the out parameter left unwritten.
#pragma once
#include <memory>
#include "DTW/SimilarWordEngine.h"
#include "Pevra.h"
#include "com/dual.h"

class TNolikImpl final : public com::Dual<INolik> {
public:
    static constexpr char kProgId[] = "Pevra.Nolik";

    TNolikImpl();
    // For tests: an object over a given engine.
    explicit TNolikImpl(std::unique_ptr<SimilarWordEngine> engine);

    // IUnknown, IDispatch and INolik only: the class reports errors without ISupportErrorInfo.
    // Aggregated, all three delegate to the outer object.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // Makes the object part of an outer one; returns the inner (non-delegating) IUnknown, which
    // holds the reference the new object was created with. Called once, right after creation.
    IUnknown* Aggregate(IUnknown* outer);
    // Creates an object for a class object's request, aggregated when outer is given (which then
    // must ask for IUnknown).
    static HRESULT Create(IUnknown* outer, REFIID riid, void** ppv);

    HRESULT STDMETHODCALLTYPE Init(VARIANT_BOOL* Param1) override;
    HRESULT STDMETHODCALLTYPE IsLoaded(VARIANT_BOOL* Param1) override;
    HRESULT STDMETHODCALLTYPE GetLastError(BSTR* Param1) override;
    HRESULT STDMETHODCALLTYPE Analyze(BSTR Param2, long* Param1) override;
    HRESULT STDMETHODCALLTYPE GetNearest(long Param2, BSTR* Param1) override;
    HRESULT STDMETHODCALLTYPE GetNearestValue(long Param2, double* Param1) override;
    HRESULT STDMETHODCALLTYPE GetBest(long Param2, BSTR* Param1) override;
    HRESULT STDMETHODCALLTYPE GetBestValue(long Param2, double* Param1) override;
    HRESULT STDMETHODCALLTYPE CheckContext(BSTR Param2, BSTR Param3, long* Param1) override;
    HRESULT STDMETHODCALLTYPE InVocabulary(BSTR Param2, long* Param1) override;
    HRESULT STDMETHODCALLTYPE UnLoadLM(VARIANT_BOOL* Param1) override;
    HRESULT STDMETHODCALLTYPE SetMaxValue(long Param1) override;
    HRESULT STDMETHODCALLTYPE SetStaModelValue(double Param1) override;
    HRESULT STDMETHODCALLTYPE OpenSettings(long Param1) override;
    HRESULT STDMETHODCALLTYPE GetMaxValue(double* Param1) override;

    // Registers (or unregisters) the class in the registry, with its type library.
    static HRESULT UpdateRegistry(bool doRegister);

protected:
    // IDispatch serves INolik from the type library registered as Pevra 1.0, as a caller's tools
    // see it: an unregistered library is not late-bound.
    HRESULT LoadTypeInfo(ITypeInfo** out) noexcept override;

private:
    // The object's own identity and lifetime when it is aggregated.
    struct Inner final : IUnknown {
        explicit Inner(TNolikImpl& o) : owner(o) {}
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
        ULONG STDMETHODCALLTYPE AddRef() override;
        ULONG STDMETHODCALLTYPE Release() override;
        TNolikImpl& owner;
    };
    HRESULT OwnQueryInterface(REFIID riid, void** ppv);

    std::unique_ptr<SimilarWordEngine> engine;
    IUnknown* outer = nullptr;  // not counted: the outer object owns this one
    Inner inner{*this};
};
