// Fenno.exe: the provider's local server. /RegServer and /UnregServer (also with "-") write or
// remove its registry entries; otherwise it serves the provider until its last object, models
// it handed out included, is released. Serving, its standard error goes to "Fenno.stderr.txt"
// beside it, where the models' reasons for a failed load can be found.
#include <windows.h>
#include <string>
#include "com/local_server.h"
#include "com/coinit.h"
#include "com/registration.h"
#include "com/stderr_file.h"
#include "components.h"
#include "fenno/provider.h"

namespace {

constexpr char kProgId[] = "Fenno.LMIProvider";
constexpr char kStderrFile[] = "Fenno.stderr.txt";

bool IsSwitch(const char* cmdLine, const char* name) {
    std::string arg(cmdLine ? cmdLine : "");
    while (!arg.empty() && arg.back() == ' ') arg.pop_back();
    while (!arg.empty() && arg.front() == ' ') arg.erase(0, 1);
    return arg.size() > 1 && (arg[0] == '/' || arg[0] == '-') && lstrcmpiA(arg.c_str() + 1, name) == 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR cmdLine, int) {
    const std::string path = com::ThisModulePath();
    if (IsSwitch(cmdLine, "RegServer")) {
        com::CoInitGuard init;
        bool ok = com::RegisterServer({CLSID_Fenno, kProgId, "Fenno model provider", path, true});
        ok &= SUCCEEDED(com::RegisterModuleTypeLib(path));
        return ok ? 0 : 1;
    }
    if (IsSwitch(cmdLine, "UnregServer")) {
        // The type library stays registered: the in-process components share it.
        return com::UnregisterServer(CLSID_Fenno, kProgId) ? 0 : 1;
    }
    // Started by COM, the process has no console to write to. Emptied at every start: the file
    // holds the reasons of this run only.
    com::RedirectStderr(path.substr(0, path.find_last_of("\\/") + 1) + kStderrFile);
    com::CoInitGuard init;
    if (!init.ok()) return 2;
    com::ClassObjectRegistration reg;
    if (FAILED(reg.Register(CLSID_Fenno, [] { return static_cast<ILMIProvider*>(new fenno::Provider); }))) return 3;
    com::RunLocalServer(reg);
    return 0;
}
