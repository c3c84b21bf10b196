#include "com/registration.h"
#include <oleauto.h>
#include "com/com_ptr.h"
#include "com/handle.h"

namespace com {

std::string GuidText(REFGUID g) {
    char buf[40];
    wsprintfA(buf, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.Data1, g.Data2, g.Data3, g.Data4[0],
              g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return buf;
}

bool WriteClassesRootValue(const std::string& subkey, const std::string& name, const std::string& value) {
    unique_hkey key;
    if (::RegCreateKeyExA(HKEY_CLASSES_ROOT, subkey.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, key.put(),
                          nullptr) != ERROR_SUCCESS)
        return false;
    return ::RegSetValueExA(key.get(), name.empty() ? nullptr : name.c_str(), 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
}

bool DeleteClassesRootTree(const std::string& subkey) {
    LONG r = ::RegDeleteTreeA(HKEY_CLASSES_ROOT, subkey.c_str());
    return r == ERROR_SUCCESS || r == ERROR_FILE_NOT_FOUND;
}

bool RegisterServer(const ServerEntry& e) {
    const std::string clsidKey = "CLSID\\" + GuidText(e.clsid);
    bool ok = WriteClassesRootValue(clsidKey, "", e.description);
    if (e.localServer) {
        ok &= WriteClassesRootValue(clsidKey + "\\LocalServer32", "", e.modulePath);
    } else {
        ok &= WriteClassesRootValue(clsidKey + "\\InprocServer32", "", e.modulePath);
        ok &= WriteClassesRootValue(clsidKey + "\\InprocServer32", "ThreadingModel", e.threadingModel);
    }
    if (!e.progId.empty()) {
        ok &= WriteClassesRootValue(clsidKey + "\\ProgID", "", e.progId);
        ok &= WriteClassesRootValue(e.progId, "", e.description);
        ok &= WriteClassesRootValue(e.progId + "\\CLSID", "", GuidText(e.clsid));
    }
    return ok;
}

bool UnregisterServer(REFCLSID clsid, const std::string& progId) {
    bool ok = DeleteClassesRootTree("CLSID\\" + GuidText(clsid));
    if (!progId.empty()) ok &= DeleteClassesRootTree(progId);
    return ok;
}

namespace {
std::wstring Wide(const std::string& s) {
    int n = ::MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, nullptr, 0);
    std::wstring w(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, w.data(), n);
    return w;
}
}  // namespace

HRESULT RegisterModuleTypeLib(const std::string& modulePath) {
    com_ptr<ITypeLib> lib;
    std::wstring path = Wide(modulePath);
    HRESULT hr = ::LoadTypeLibEx(path.c_str(), REGKIND_NONE, lib.put());
    if (FAILED(hr)) return hr;
    return ::RegisterTypeLib(lib.get(), path.data(), nullptr);
}

HRESULT UnregisterModuleTypeLib(const std::string& modulePath) {
    com_ptr<ITypeLib> lib;
    std::wstring path = Wide(modulePath);
    HRESULT hr = ::LoadTypeLibEx(path.c_str(), REGKIND_NONE, lib.put());
    if (FAILED(hr)) return hr;
    TLIBATTR* attr = nullptr;
    hr = lib->GetLibAttr(&attr);
    if (FAILED(hr)) return hr;
    hr = ::UnRegisterTypeLib(attr->guid, attr->wMajorVerNum, attr->wMinorVerNum, attr->lcid, attr->syskind);
    lib->ReleaseTLibAttr(attr);
    return hr;
}

}  // namespace com
