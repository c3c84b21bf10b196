// The class's registry entries and type library, written from the type library's own data, and
// the type information that its IDispatch serves.
#include <olectl.h>
#include <cstdio>
#include "DTW/NolikImpl.h"
#include "com/bstr.h"
#include "com/com_ptr.h"
#include "com/dual.h"
#include "com/module.h"
#include "com/registration.h"

namespace {

std::wstring Wide(const std::string& s) {
    int n = ::MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, nullptr, 0);
    std::wstring w(n > 0 ? static_cast<size_t>(n) : 1, L'\0');
    if (n > 0) ::MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, w.data(), n);
    return w;
}

std::string LongModulePath() {
    char path[MAX_PATH] = {};
    DWORD n = ::GetModuleFileNameA(com::ThisModule(), path, MAX_PATH);
    return std::string(path, n < MAX_PATH ? n : MAX_PATH - 1);
}

// The path written to the registry: a path with white space in it is given in its short form,
// so that callers which split the value at blanks still find the file.
std::string RegisteredModulePath() {
    std::string path = LongModulePath();
    if (path.find_first_of(" \t\n\v\f\r") == std::string::npos) return path;
    char shortPath[MAX_PATH] = {};
    DWORD n = ::GetShortPathNameA(path.c_str(), shortPath, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return path;
    return std::string(shortPath, n);
}

std::string DirectoryOf(const std::string& path) {
    size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

HRESULT WriteValue(const std::string& key, const std::string& name, const std::string& value) {
    return com::WriteClassesRootValue(key, name, value) ? S_OK : SELFREG_E_CLASS;
}

// What the registry entries are made of, read from the library's own type library.
struct ClassData {
    std::string description;
    GUID libid{};
    std::string version;
};

HRESULT ReadClassData(ITypeLib* lib, ClassData& data) {
    com::com_ptr<ITypeInfo> coclass;
    HRESULT hr = lib->GetTypeInfoOfGuid(CLSID_Nolik, coclass.put());
    if (FAILED(hr)) return hr;
    com::unique_bstr help;
    hr = coclass->GetDocumentation(MEMBERID_NIL, nullptr, help.put(), nullptr, nullptr);
    if (FAILED(hr)) return hr;
    data.description = com::FromBstr(help.get());  // no description of our own
    TLIBATTR* attr = nullptr;
    hr = lib->GetLibAttr(&attr);
    if (FAILED(hr)) return hr;
    data.libid = attr->guid;
    char version[32];
    std::snprintf(version, sizeof version, "%d.%d", attr->wMajorVerNum, attr->wMinorVerNum);
    data.version = version;
    lib->ReleaseTLibAttr(attr);
    return S_OK;
}

// Writes the entries in order and stops at the first that fails.
HRESULT Register(const std::string& path, ITypeLib* lib, const ClassData& data) {
    struct Entry {
        std::string key, name, value;
    };
    const std::string progId = TNolikImpl::kProgId;
    const std::string clsidKey = "CLSID\\" + com::GuidText(CLSID_Nolik);
    const Entry entries[] = {
        {clsidKey, "", data.description},
        {clsidKey + "\\InprocServer32", "", path},
        {clsidKey + "\\InprocServer32", "ThreadingModel", "Apartment"},
        {progId, "", data.description},
        {progId + "\\CLSID", "", com::GuidText(CLSID_Nolik)},
        {clsidKey + "\\ProgID", "", progId},
        {clsidKey + "\\Version", "", data.version},
        {clsidKey + "\\Typelib", "", com::GuidText(data.libid)},
    };
    for (const Entry& e : entries) {
        HRESULT hr = WriteValue(e.key, e.name, e.value);
        if (FAILED(hr)) return hr;
    }
    std::wstring widePath = Wide(path);
    return ::RegisterTypeLib(lib, widePath.data(), nullptr);
}

}  // namespace

HRESULT TNolikImpl::LoadTypeInfo(ITypeInfo** out) noexcept {
    return com::LoadRegisteredTypeInfo(LIBID_Pevra, 1, 0, 0x409, IID_INolik, out);
}

HRESULT TNolikImpl::UpdateRegistry(bool doRegister) {
    // Both ways start from the library's own type library: a file that cannot show it is not
    // taken for ours, and its unregistration removes nothing.
    const std::string path = RegisteredModulePath();
    com::com_ptr<ITypeLib> lib;
    HRESULT hr = ::LoadTypeLibEx(Wide(path).c_str(), REGKIND_NONE, lib.put());
    if (FAILED(hr)) return hr;
    ClassData data;
    hr = ReadClassData(lib.get(), data);
    if (FAILED(hr)) return hr;
    if (!doRegister) {
        com::UnregisterServer(CLSID_Nolik, kProgId);  // the type library stays registered
        return S_OK;
    }
    hr = Register(path, lib.get(), data);
    if (FAILED(hr)) return hr;
    // The type library once more under the module's long name, with its folder as help folder.
    const std::string longPath = LongModulePath();
    com::com_ptr<ITypeLib> longLib;
    std::wstring wideLong = Wide(longPath);
    hr = ::LoadTypeLibEx(wideLong.c_str(), REGKIND_NONE, longLib.put());
    if (FAILED(hr)) return hr;
    std::wstring helpDir = Wide(DirectoryOf(longPath));
    return ::RegisterTypeLib(longLib.get(), wideLong.data(), helpDir.data());
}
