#include "harness_object.h"
#include "com/bstr.h"
#include "com/error.h"

HRESULT HarnessObject::Add(long a, long b, long* sum) {
    if (!sum) return E_POINTER;
    *sum = a + b;
    return S_OK;
}

HRESULT HarnessObject::ProcessId(long* pid) {
    if (!pid) return E_POINTER;
    *pid = static_cast<long>(::GetCurrentProcessId());
    return S_OK;
}

HRESULT HarnessObject::Echo(BSTR text, BSTR* copy) {
    if (!copy) return E_POINTER;
    try {
        // Through 8-bit text and back, as every method of the real servers does.
        *copy = com::AllocBstr(com::FromBstr(text));
        return S_OK;
    } catch (...) {
        return com::CurrentExceptionToHresult(IID_IHarness, "Harness");
    }
}

HRESULT HarnessObject::IsNull(BSTR text, long* isNull) {
    if (!isNull) return E_POINTER;
    *isNull = com::FromBstrOpt(text) ? 0 : 1;
    return S_OK;
}
