// Late-bound calls as an automation client makes them: the name through GetIDsOfNames, the
// arguments in reverse order, the result and the exception information.
#pragma once
#include <gtest/gtest.h>
#include <oleauto.h>
#include <string>
#include <vector>
#include "com/handle.h"

struct LateCall {
    HRESULT hr = E_FAIL;
    com::unique_variant result;
    EXCEPINFO excep{};
    LateCall() = default;
    LateCall(const LateCall&) = delete;
    ~LateCall() {
        ::SysFreeString(excep.bstrSource);
        ::SysFreeString(excep.bstrDescription);
        ::SysFreeString(excep.bstrHelpFile);
    }
};

inline DISPID DispIdOf(IDispatch* obj, const wchar_t* name) {
    std::wstring copy(name);
    LPOLESTR names[] = {copy.data()};
    DISPID id = DISPID_UNKNOWN;
    EXPECT_EQ(S_OK, obj->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id)) << "name";
    return id;
}

// args in the order of the method's parameters; each VARIANT is copied.
inline void CallLate(LateCall& call, IDispatch* obj, const wchar_t* name, std::vector<VARIANT> args = {}) {
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPPARAMS params{reversed.empty() ? nullptr : reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    UINT argErr = 0;
    call.hr = obj->Invoke(DispIdOf(obj, name), IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                          call.result.get(), &call.excep, &argErr);
}

inline VARIANT LongArg(long v) {
    VARIANT a;
    ::VariantInit(&a);
    a.vt = VT_I4;
    a.lVal = v;
    return a;
}

// The BSTR stays owned by the caller's unique_bstr.
inline VARIANT TextArg(BSTR b) {
    VARIANT a;
    ::VariantInit(&a);
    a.vt = VT_BSTR;
    a.bstrVal = b;
    return a;
}
