// Test-only local COM server: registers itself with /RegServer; otherwise serves HarnessLocal
// until its last object is released.
#include <windows.h>
#include <cstring>
#include "com/local_server.h"
#include "com/coinit.h"
#include "com/registration.h"
#include "harness_object.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR cmdLine, int) {
    const std::string path = com::ThisModulePath();
    if (lstrcmpiA(cmdLine, "/RegServer") == 0 || lstrcmpiA(cmdLine, "-RegServer") == 0) {
        com::CoInitGuard init;
        bool ok = com::RegisterServer({CLSID_HarnessLocal, "Harness.Local", "Harness local server", path, true});
        ok &= SUCCEEDED(com::RegisterModuleTypeLib(path));
        return ok ? 0 : 1;
    }
    com::CoInitGuard init;
    com::ClassObjectRegistration reg;
    if (FAILED(reg.Register(CLSID_HarnessLocal, [] { return static_cast<IHarness*>(new HarnessObject); })))
        return 2;
    com::RunLocalServer(reg);
    return 0;
}
