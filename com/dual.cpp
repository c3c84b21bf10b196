#include "com/dual.h"
#include <string>
#include "com/bstr.h"

namespace com {

HRESULT LoadModuleTypeInfo(REFIID iid, ITypeInfo** out) noexcept {
    *out = nullptr;
    try {
        std::string path = ThisModulePath();
        int n = ::MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
        std::wstring wide(static_cast<size_t>(n), L'\0');
        ::MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide.data(), n);
        com_ptr<ITypeLib> lib;
        HRESULT hr = ::LoadTypeLibEx(wide.c_str(), REGKIND_NONE, lib.put());
        if (FAILED(hr)) return hr;
        return lib->GetTypeInfoOfGuid(iid, out);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

HRESULT LoadRegisteredTypeInfo(REFGUID libid, WORD major, WORD minor, LCID lcid, REFIID iid,
                               ITypeInfo** out) noexcept {
    *out = nullptr;
    com_ptr<ITypeLib> lib;
    HRESULT hr = ::LoadRegTypeLib(libid, major, minor, lcid, lib.put());
    if (FAILED(hr)) return hr;
    return lib->GetTypeInfoOfGuid(iid, out);
}

void FillExcepInfo(EXCEPINFO* excep) noexcept {
    if (!excep) return;
    com_ptr<IErrorInfo> info;
    if (::GetErrorInfo(0, info.put()) != S_OK || !info) return;
    *excep = EXCEPINFO{};
    info->GetSource(&excep->bstrSource);
    info->GetDescription(&excep->bstrDescription);
    excep->scode = DISP_E_EXCEPTION;
    ::SetErrorInfo(0, info.get());
}

}  // namespace com
