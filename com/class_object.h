// A local server's class object offered to COM; the guard revokes it.
#pragma once
#include <objbase.h>
#include "com/class_factory.h"
#include "com/com_ptr.h"

namespace com {

class ClassObjectRegistration {
public:
    ClassObjectRegistration() noexcept = default;
    ClassObjectRegistration(const ClassObjectRegistration&) = delete;
    ClassObjectRegistration& operator=(const ClassObjectRegistration&) = delete;
    ~ClassObjectRegistration() { Revoke(); }

    // Multiple use: one factory serves every client of this process.
    HRESULT Register(REFCLSID clsid, ClassFactory::Maker make) {
        com_ptr<IClassFactory> factory = com_ptr<IClassFactory>::attach(new ClassFactory(std::move(make)));
        return Register(clsid, factory.get());
    }
    HRESULT Register(REFCLSID clsid, IClassFactory* factory) {
        Revoke();
        const HRESULT hr = ::CoRegisterClassObject(clsid, factory, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &cookie_);
        if (FAILED(hr)) cookie_ = 0;
        return hr;
    }
    void Revoke() noexcept {
        if (cookie_) ::CoRevokeClassObject(cookie_);
        cookie_ = 0;
    }

private:
    DWORD cookie_ = 0;
};

}  // namespace com
