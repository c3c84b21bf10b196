#pragma once
#include "com/dual.h"
#include "harness.h"

class HarnessObject final : public com::Dual<IHarness> {
public:
    HarnessObject() : Dual(IID_IHarness) {}
    HRESULT STDMETHODCALLTYPE Add(long a, long b, long* sum) override;
    HRESULT STDMETHODCALLTYPE ProcessId(long* pid) override;
    HRESULT STDMETHODCALLTYPE Echo(BSTR text, BSTR* copy) override;
    HRESULT STDMETHODCALLTYPE IsNull(BSTR text, long* isNull) override;
};
