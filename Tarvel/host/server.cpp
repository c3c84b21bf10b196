#include "Tarvel/host/server.h"
#include "com/class_factory.h"

#include <oleauto.h>

#include <cctype>
#include <memory>

#include "Tarvel.h"
#include "Tarvel/host/LMImpl.h"
#include "Tarvel/engine/servers.h"
#include "Tarvel/host/own_class.h"
#include "Tarvel/shell/toolops.h"
#include "Tarvel/shell/settings.h"
#include "com/bstr.h"
#include "com/class_object.h"
#include "com/com_ptr.h"
#include "com/handle.h"
#include "com/leave_policy.h"
#include "com/module.h"
#include "com/registration.h"
#include "com/stderr_file.h"
#include "forms/main_thread.h"

namespace host {

const char* const kComWarningCaption = "COM Server Warning";
const char* const kComWarningText =
    "There are still active COM objects in this application.  One or more clients may have references to "
    "these objects, so manually closing this application may cause those client application(s) to fail.\r\n\r\n"
    "Are you sure you want to close this application?";

namespace {

constexpr char kProgId[] = "Dravo.LM";

std::wstring Wide(const std::string& s) {
    int n = ::MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, nullptr, 0);
    std::wstring w(static_cast<size_t>(n > 0 ? n : 1), L'\0');
    if (n > 0) ::MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, w.data(), n);
    return w;
}

std::string ModuleFileName() {
    char path[MAX_PATH + 1] = {};
    DWORD n = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    return std::string(path, n < MAX_PATH ? n : MAX_PATH);
}

bool HasWhiteSpace(const std::string& s) {
    for (char c : s)
        if (c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r') return true;
    return false;
}

com::ClassObjectRegistration g_class;
DWORD g_mainThread = 0;
std::vector<std::string> g_args;

// Held while this process offers the class. Clients that create LM at the same instant while no
// Tarvel runs each make COM start one; those that find it held offer nothing and end, and COM
// hands their clients the one that offers.
constexpr char kOfferingName[] = "Local\\Tarvel.LM.offered";
com::unique_handle g_offering;

bool TakeOffering() {
    g_offering.reset(::CreateMutexA(nullptr, FALSE, kOfferingName));
    if (!g_offering) return true;  // nothing to tell by: offer
    const DWORD w = ::WaitForSingleObject(g_offering.get(), 0);
    return w == WAIT_OBJECT_0 || w == WAIT_ABANDONED;
}

// A process that offered nothing: COM still waits for it a moment before it looks for the class
// again, and takes its end in that moment for a failed start.
constexpr DWORD kStandByMs = 3000;

// Main thread, which took the mutex. It goes before the class: a Tarvel that COM starts for a
// client arriving after the withdrawal must find it free.
void GiveOfferingBack() {
    if (g_offering) ::ReleaseMutex(g_offering.get());  // fails harmlessly when not owned
    g_offering.reset();
}

// Main thread: the class object is no longer offered to COM.
void WithdrawClassObject() {
    GiveOfferingBack();
    g_class.Revoke();
}

// A program that COM started leaves as every local server does once the module lock has fallen
// to 0; its withdrawal also gives the offering back.
com::LeavePolicy g_leave(WithdrawClassObject);

// Main thread, when the module lock has fallen to 0 in a program that COM started.
void Leave() { g_leave.LastRelease(); }

}  // namespace

bool HasSwitch(const std::vector<std::string>& args, const char* name) {
    for (const auto& a : args) {
        if (a.size() < 2 || (a[0] != '-' && a[0] != '/')) continue;
        if (::CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.c_str() + 1, -1, name, -1) == CSTR_EQUAL)
            return true;
    }
    return false;
}

std::string ServerPath() {
    std::string path = ModuleFileName();
    if (!HasWhiteSpace(path)) return path;
    char shortPath[MAX_PATH + 1] = {};
    DWORD n = ::GetShortPathNameA(path.c_str(), shortPath, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return path;  // no short form: the long one is all there is
    return std::string(shortPath, n);
}

HRESULT UpdateRegistry(bool reg) {
    const std::string path = ServerPath();
    std::wstring widePath = Wide(path);
    com::com_ptr<ITypeLib> lib;
    HRESULT hr = ::LoadTypeLibEx(widePath.c_str(), REGKIND_NONE, lib.put());
    if (FAILED(hr)) return hr;

    const std::string clsidKey = "CLSID\\" + com::GuidText(CLSID_LM);
    if (!reg) {
        bool ok = com::DeleteClassesRootTree(clsidKey);
        ok &= com::DeleteClassesRootTree(kProgId);
        return ok ? S_OK : E_FAIL;
    }

    // The description is the coclass's help string.
    com::com_ptr<ITypeInfo> coclass;
    hr = lib->GetTypeInfoOfGuid(CLSID_LM, coclass.put());
    if (FAILED(hr)) return hr;
    BSTR doc = nullptr;
    hr = coclass->GetDocumentation(MEMBERID_NIL, nullptr, &doc, nullptr, nullptr);
    if (FAILED(hr)) return hr;
    com::unique_bstr docOwner(doc);
    const std::string description = com::FromBstr(doc);
    TLIBATTR* attr = nullptr;
    hr = lib->GetLibAttr(&attr);
    if (FAILED(hr)) return hr;
    const GUID libId = attr->guid;
    char version[32];
    wsprintfA(version, "%d.%d", attr->wMajorVerNum, attr->wMinorVerNum);
    lib->ReleaseTLibAttr(attr);

    bool ok = com::WriteClassesRootValue(clsidKey, "", description);
    ok = ok && com::WriteClassesRootValue(clsidKey + "\\LocalServer32", "", path + " /Automation");
    ok = ok && com::WriteClassesRootValue(clsidKey + "\\LocalServer32", "ThreadingModel", "Apartment");
    ok = ok && com::WriteClassesRootValue(kProgId, "", description);
    ok = ok && com::WriteClassesRootValue(std::string(kProgId) + "\\CLSID", "", com::GuidText(CLSID_LM));
    ok = ok && com::WriteClassesRootValue(clsidKey + "\\ProgID", "", kProgId);
    ok = ok && com::WriteClassesRootValue(clsidKey + "\\Version", "", version);
    ok = ok && com::WriteClassesRootValue(clsidKey + "\\Typelib", "", com::GuidText(libId));
    if (!ok) return E_FAIL;
    return ::RegisterTypeLib(lib.get(), widePath.data(), nullptr);
}

}  // namespace host

// The coclass's registration operation is the registrar above.
HRESULT TLMImpl::UpdateRegistry(bool reg) { return host::UpdateRegistry(reg); }

namespace host {

HRESULT RegisterServer() {
    HRESULT hr = TLMImpl::UpdateRegistry(true);
    if (FAILED(hr)) return hr;
    const std::string path = ModuleFileName();
    std::wstring widePath = Wide(path);
    std::wstring helpDir = Wide(path.substr(0, path.find_last_of('\\') + 1));
    com::com_ptr<ITypeLib> lib;
    hr = ::LoadTypeLibEx(widePath.c_str(), REGKIND_NONE, lib.put());
    if (FAILED(hr)) return hr;
    hr = ::RegisterTypeLib(lib.get(), widePath.data(), helpDir.data());
    if (FAILED(hr)) return hr;
    // The automation marshaler that carries ILM between processes looks the library up under
    // the neutral locale; the library's own is 0x409. Name the same file there too.
    TLIBATTR* attr = nullptr;
    if (FAILED(lib->GetLibAttr(&attr))) return hr;
    char key[128];
    wsprintfA(key, "TypeLib\\%s\\%x.%x\\0\\win32", com::GuidText(attr->guid).c_str(), attr->wMajorVerNum,
              attr->wMinorVerNum);
    lib->ReleaseTLibAttr(attr);
    return com::WriteClassesRootValue(key, "", path) ? hr : E_FAIL;
}

HRESULT UnregisterServer() { return TLMImpl::UpdateRegistry(false); }

bool TerminationCheck(int (*ask)(const char*, const char*, UINT)) {
    if (com::ModuleLockCount() <= 0) return true;
    const UINT flags = MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2 | MB_TASKMODAL;
    int answer = ask ? ask(kComWarningText, kComWarningCaption, flags)
                     : ::MessageBoxA(nullptr, kComWarningText, kComWarningCaption, flags);
    return answer == IDYES;
}

bool ServerStartup(const std::vector<std::string>& args) {
    g_args = args;
    g_mainThread = ::GetCurrentThreadId();
    bool runAsServer = true;
    if (HasSwitch(args, "REGSERVER")) {
        RegisterServer();
        runAsServer = false;
    } else if (HasSwitch(args, "UNREGSERVER")) {
        UnregisterServer();
        runAsServer = false;
    } else if (!HasSwitch(args, "AUTOMATION") && !HasSwitch(args, "EMBEDDING")) {
        RegisterServer();  // a failed self-registration goes unnoticed
    }
    if (!runAsServer) return false;

    const bool automation = HasSwitch(args, "AUTOMATION");
    const bool offering = TakeOffering();
    if (!offering && automation) {
        ::Sleep(kStandByMs);
        return false;
    }
    // Started by COM, no terminal shows standard error, where the components write why a model
    // did not load: it goes to a file beside the program (an info key later takes it to
    // "stderr.txt"). Only the process that offers the class takes the file, since opening it
    // empties it, and before the class is offered, so that nothing is written between offering
    // and serving.
    if (offering && (automation || HasSwitch(args, "EMBEDDING")))
        com::RedirectStderrBesideModule("Tarvel.stderr.txt");
    // Nobody watches the screen of a server that COM started: no debug box may wait there.
    if (automation || HasSwitch(args, "EMBEDDING"))
        engine::SetUnattended([](const std::string& report) {
            PrintToStderr(report + "\n");
            if (mForm) mForm->LogError(report);
        });
    // The last release ends a program that COM started (Leave).
    const DWORD mainThread = g_mainThread;
    com::SetLastReleaseAction([mainThread, automation] {
        if (!automation) return;
        if (::GetCurrentThreadId() == mainThread)
            Leave();
        else
            forms::PostToMainThread(Leave);
    });
    com::com_ptr<IClassFactory> factory = com::com_ptr<IClassFactory>::attach(
        new com::ClassFactory(com::ClassFactory::Creator(&TLMImpl::CreateInstance)));
    if (FAILED(g_class.Register(CLSID_LM, factory.get()))) {
        // Offering nothing, this process must not keep the servers that COM starts next from
        // offering; one that COM started would never get a client, so it ends.
        GiveOfferingBack();
        if (automation) return false;  // runs on without offering the class otherwise
    }
    OfferOwnClass(factory.get());  // the window's load job reaches this server, never another
    return true;
}

void ServerShutdown() {
    WithdrawClassObject();
    WithdrawOwnClass();
    com::SetLastReleaseAction(nullptr);
}

}  // namespace host
