#include "fake_creator.h"
#include "com/bstr.h"
#include "components.h"

namespace fakes {

std::string ClassName(REFCLSID clsid) {
    static const std::pair<const CLSID*, const char*> names[] = {
        {&CLSID_Dravo, "Dravo"}, {&CLSID_Zemra, "Zemra"}, {&CLSID_Gorta, "Gorta"},
        {&CLSID_Pirto, "Pirto"}, {&CLSID_Vasko, "Vasko"}, {&CLSID_Morvek, "Morvek"},
        {&CLSID_Fenno, "Fenno"}, {&CLSID_NULL, "CLSID_NULL"}};
    for (const auto& [id, name] : names)
        if (IsEqualCLSID(clsid, *id)) return name;
    wchar_t text[40] = {};
    ::StringFromGUID2(clsid, text, 40);
    char narrow[40] = {};
    ::WideCharToMultiByte(CP_ACP, 0, text, -1, narrow, sizeof narrow, nullptr, nullptr);
    return narrow;
}

void FakeCreator::Provide(REFCLSID clsid, IUnknown* object) {
    objects_.emplace_back(clsid, com::com_ptr<IUnknown>(object));
}

void FakeCreator::Fail(REFCLSID clsid, HRESULT hr, DWORD context) {
    failures_.push_back({clsid, context, hr});
}

HRESULT FakeCreator::CreateInstance(REFCLSID clsid, DWORD context, REFIID iid, void** out) {
    log_.Add("Create(" + ClassName(clsid) + "," + std::to_string(context) + ")");
    *out = nullptr;
    for (const Failure& f : failures_)
        if (IsEqualCLSID(f.clsid, clsid) && (f.context == 0 || f.context == context)) return f.hr;
    for (const auto& [id, object] : objects_)
        if (IsEqualCLSID(id, clsid)) return object->QueryInterface(iid, out);
    return REGDB_E_CLASSNOTREG;
}

HRESULT FakeCreator::ClsidFromProgId(const wchar_t* progId, CLSID* clsid) {
    std::string name;
    for (const wchar_t* p = progId; p && *p; ++p) name += static_cast<char>(*p);
    log_.Add("CLSIDFromProgID(" + name + ")");
    if (providerRegistered_ && name == "Fenno.LMIProvider") {
        *clsid = CLSID_Fenno;
        return S_OK;
    }
    return CO_E_CLASSSTRING;
}

}  // namespace fakes
