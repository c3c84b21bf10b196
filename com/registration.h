// Registry entries of COM servers under HKEY_CLASSES_ROOT, and type-library registration.
#pragma once
#include <windows.h>
#include <string>

namespace com {

struct ServerEntry {
    CLSID clsid;
    std::string progId;        // may be empty
    std::string description;
    std::string modulePath;    // the DLL (InprocServer32) or the program (LocalServer32)
    bool localServer = false;
    std::string threadingModel = "Apartment";  // InprocServer32 only
};

std::string GuidText(REFGUID guid);  // "{XXXXXXXX-...}"
// Writes a string value (empty name: the default value) under HKCR\subkey, creating the key.
bool WriteClassesRootValue(const std::string& subkey, const std::string& name, const std::string& value);
// Deletes HKCR\subkey with everything below it; a missing key is not a failure.
bool DeleteClassesRootTree(const std::string& subkey);

bool RegisterServer(const ServerEntry& e);
bool UnregisterServer(REFCLSID clsid, const std::string& progId);
// Registers (or unregisters) the type library embedded in the given module.
HRESULT RegisterModuleTypeLib(const std::string& modulePath);
HRESULT UnregisterModuleTypeLib(const std::string& modulePath);

}  // namespace com
