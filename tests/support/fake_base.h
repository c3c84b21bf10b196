// Recording stand-ins for the model-server components: a shared call log and scripted answers.
// Each call is logged as "<Name>.<Method>(<args>)", arguments joined by "," with texts as they
// came (a null BSTR as "<null>") and numbers in decimal, e.g. "IKN.Probability(a,b,c)" or
// "IWC.Probability(3,7)". Answers are scripted by the full call text or by the method name
// alone, the full text taking precedence; an unscripted answer is 0 (or the empty text).
#pragma once
#include <windows.h>
#include <oleauto.h>
#include <functional>
#include <map>
#include <string>
#include <vector>
#include "com/bstr.h"
#include "com/com_ptr.h"

namespace fakes {

class CallLog {
public:
    void Add(const std::string& call) {
        calls.push_back(call);
        if (onCall) onCall(call);
    }
    void Clear() { calls.clear(); }
    std::vector<std::string> calls;
    // Runs inside each call once it is logged, before the fake answers it.
    std::function<void(const std::string&)> onCall;
};

class Script {
public:
    // key: "Probability(a,b,c)" for one call, or "Probability" for every call of the method.
    void Answer(const std::string& key, double value) { values_[key] = value; }
    void AnswerText(const std::string& key, const std::string& text) { texts_[key] = text; }
    // The call returns hr and leaves its out-value unwritten.
    void Fail(const std::string& key, HRESULT hr) { failures_[key] = hr; }

    double Value(const std::string& method, const std::string& call) const;
    std::string Text(const std::string& method, const std::string& call) const;
    HRESULT Result(const std::string& method, const std::string& call) const;

private:
    std::map<std::string, double> values_;
    std::map<std::string, std::string> texts_;
    std::map<std::string, HRESULT> failures_;
};

std::string Arg(BSTR b);
std::string Arg(long v);

template <typename... A>
std::string Args(const A&... a) {
    std::string s;
    bool first = true;
    ((s += (first ? "" : ",") + Arg(a), first = false), ...);
    return s;
}

// IUnknown and an IDispatch that dispatches nothing (the engine calls through the vtable).
template <typename I>
class FakeBase : public I {
public:
    FakeBase(const char* name, REFIID iid, CallLog& log) : name_(name), iid_(iid), log_(log) {}
    virtual ~FakeBase() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, iid_)) {
            *out = static_cast<I*>(this);
            this->AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG r = --refs_;
        if (r == 0) {
            log_.Add(name_ + ".Release");
            delete this;
        }
        return r;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
        if (n) *n = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        return E_NOTIMPL;
    }

    ULONG refs() const { return refs_; }
    const std::string& name() const { return name_; }
    Script script;

protected:
    // Logs the call; the result is the scripted HRESULT (S_OK unless a failure is scripted).
    HRESULT Call(const char* method, const std::string& args, std::string* key = nullptr) {
        std::string call = std::string(method) + "(" + args + ")";
        log_.Add(name_ + "." + call);
        if (key) *key = call;
        return script.Result(method, call);
    }
    // Logs the call and writes the scripted answer to *out unless the call is scripted to fail.
    template <typename T>
    HRESULT Answer(const char* method, const std::string& args, T* out) {
        std::string call;
        HRESULT hr = Call(method, args, &call);
        if (SUCCEEDED(hr) && out) *out = static_cast<T>(script.Value(method, call));
        return hr;
    }
    HRESULT AnswerText(const char* method, const std::string& args, BSTR* out) {
        std::string call;
        HRESULT hr = Call(method, args, &call);
        if (SUCCEEDED(hr) && out) *out = com::AllocBstr(script.Text(method, call));
        return hr;
    }

private:
    std::string name_;
    IID iid_;
    CallLog& log_;
    ULONG refs_ = 1;
};

// A new fake holding its one reference in the returned pointer.
template <typename F>
com::com_ptr<F> Make(CallLog& log) {
    return com::com_ptr<F>::attach(new F(log));
}

// Another reference to a fake, typed as the interface the engine holds.
template <typename I, typename F>
com::com_ptr<I> Ref(const com::com_ptr<F>& fake) {
    return com::com_ptr<I>(fake.get());
}

}  // namespace fakes
