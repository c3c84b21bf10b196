// Calling a component as the engine does, by vtable position, and as a script would, by name
// through IDispatch.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>
#include <cmath>
#include <string>
#include <vector>
#include "com/bstr.h"
#include "com/coinit.h"
#include "com/com_ptr.h"
#include "com/handle.h"

constexpr DWORD kAllContexts = 21;  // in-process, local and remote server

// The method at vtable position pos, called with the interface pointer it came from.
template <typename... A>
HRESULT VCall(void* obj, int pos, A... args) {
    using Fn = HRESULT(STDMETHODCALLTYPE*)(void*, A...);
    void** vtbl = *static_cast<void***>(obj);
    return reinterpret_cast<Fn>(vtbl[pos])(obj, args...);
}

// A BSTR for one call; null stands for an absent text.
class Text {
public:
    explicit Text(const char* s) : b_(s ? com::ToBstr(s) : com::unique_bstr()) {}
    operator BSTR() const { return b_.get(); }

private:
    com::unique_bstr b_;
};

inline VARIANT Var(long v) {
    VARIANT x;
    ::VariantInit(&x);
    x.vt = VT_I4;
    x.lVal = v;
    return x;
}

// Takes ownership of the BSTR it makes: the caller passes the VARIANT to LateCall, which clears it.
inline VARIANT Var(const char* s) {
    VARIANT x;
    ::VariantInit(&x);
    x.vt = VT_BSTR;
    x.bstrVal = com::AllocBstr(s);
    return x;
}

// Calls method name with args in their natural order; the result in out.
inline HRESULT LateCall(IDispatch* d, const wchar_t* name, std::vector<VARIANT> args, VARIANT* out) {
    std::wstring n(name);
    LPOLESTR names[] = {n.data()};
    DISPID id = -1;
    HRESULT hr = d->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (SUCCEEDED(hr)) {
        std::vector<VARIANT> reversed(args.rbegin(), args.rend());
        DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
        hr = d->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, out, nullptr, nullptr);
    }
    for (VARIANT& v : args) ::VariantClear(&v);
    return hr;
}

template <typename I>
com::com_ptr<I> Create(REFCLSID clsid, REFIID iid) {
    com::com_ptr<I> p;
    EXPECT_EQ(S_OK, ::CoCreateInstance(clsid, nullptr, kAllContexts, iid, p.put_void()));
    return p;
}


// Every answer must be a number.
#define EXPECT_NUMBER(x) EXPECT_FALSE(std::isnan(static_cast<double>(x)))

class ComTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(init_.ok()); }
    com::CoInitGuard init_;
};
