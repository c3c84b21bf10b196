#include "Tarvel/engine/servers.h"
#include "com/module.h"
#include <objbase.h>
#include <atomic>
#include <cstdarg>
#include <functional>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <utility>
#include "com/error.h"
#include "com/handle.h"
#include "forms/exception.h"

namespace engine {
namespace {

constexpr char PressLine[] = "\nPress [Y]es to terminate, [N]o to continue and [C]ancel to Debug";

std::mutex g_mutex;  // answer policy and report list: the channel threads report too
bool g_answerSet = false;
DebugAnswer g_answer = DebugAnswer::Ask;
std::vector<DebugReport> g_reports;  // bounded: a long-running server keeps only the newest
constexpr size_t MaxReports = 256;
thread_local int t_deferred = 0;  // DeferQuestions in force on this thread

std::atomic<bool> g_unattended{false};
std::function<void(const std::string&)> g_unattendedReport;  // under g_mutex

DebugAnswer AnswerFromEnvironment() {
    const char* v = std::getenv("TARVEL_HRCHECK");
    if (v && !_stricmp(v, "yes")) return DebugAnswer::Yes;
    if (v && !_stricmp(v, "no")) return DebugAnswer::No;
    if (v && !_stricmp(v, "cancel")) return DebugAnswer::Cancel;
    if (v && !_stricmp(v, "ask")) return DebugAnswer::Ask;
    return g_unattended ? DebugAnswer::No : DebugAnswer::Ask;
}

// Where a box would have been shown that nobody would see: the report's way to the log instead.
std::function<void(const std::string&)> ReportForNobody(DebugAnswer answer) {
    if (answer != DebugAnswer::No || !g_unattended || std::getenv("TARVEL_HRCHECK")) return nullptr;
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_answerSet ? nullptr : g_unattendedReport;
}

// Only the file's own name: the build passes full paths in __FILE__.
const char* BaseName(const char* file) {
    if (!file) return "";
    const char* base = file;
    for (const char* p = file; *p; ++p)
        if (*p == '/' || *p == '\\') base = p + 1;
    return base;
}

std::string Format(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, fmt, copy);
    va_end(copy);
    std::string s(n > 0 ? n : 0, '\0');
    if (n > 0) std::vsnprintf(s.data(), n + 1, fmt, args);
    va_end(args);
    return s;
}

// Shows the box (or takes the fixed answer) and returns what was answered.
DebugAnswer Ask(const std::string& caption, const std::string& text) {
    DebugAnswer answer = CurrentDebugAnswer();
    if (answer == DebugAnswer::Ask && t_deferred > 0) throw QuestionDeferred{};
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        if (g_reports.size() >= MaxReports) g_reports.erase(g_reports.begin());
        g_reports.push_back({caption, text});
    }
    if (auto report = ReportForNobody(answer)) report(caption + text.substr(0, text.rfind(PressLine)));
    if (answer != DebugAnswer::Ask) return answer;
    int r = ::MessageBoxA(nullptr, text.c_str(), caption.c_str(),
                          MB_YESNOCANCEL | MB_ICONQUESTION | MB_TASKMODAL);
    if (r == IDYES) return DebugAnswer::Yes;
    if (r == IDCANCEL) return DebugAnswer::Cancel;
    return DebugAnswer::No;
}

void AfterCancel() {
    // Without a debugger the process must not end: Cancel then goes on as No.
    if (::IsDebuggerPresent()) ::DebugBreak();
}

// A local server can be found in the instant it leaves: COM hands out its class object, which is
// gone before the creation reaches it. (With the remote context too, the platform then reports the
// class as not registered.) A new attempt finds it withdrawn and starts a new server. A class with
// no local server in the registry is not retried: its failure is final and is reported at once.
bool ReachedALeavingServer(REFCLSID clsid, HRESULT hr, DWORD context) {
    if (!(context & CLSCTX_LOCAL_SERVER)) return false;
    switch (hr) {
    case HRESULT_FROM_WIN32(RPC_S_CALL_FAILED):
    case HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE):
    case RPC_E_DISCONNECTED:
    case RPC_E_SERVER_DIED:
    case RPC_E_SERVER_DIED_DNE:
    case CO_E_OBJNOTCONNECTED:
    case E_FAIL:
    case REGDB_E_CLASSNOTREG:
        break;
    default:
        return false;
    }
    wchar_t id[40] = {};
    if (::StringFromGUID2(clsid, id, 40) == 0) return false;
    std::wstring path = std::wstring(L"CLSID\\") + id + L"\\LocalServer32";
    com::unique_hkey key;
    return ::RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

class SystemCreator final : public ComponentCreator {
public:
    HRESULT CreateInstance(REFCLSID clsid, DWORD context, REFIID iid, void** out) override {
        constexpr int kAttempts = 4;
        HRESULT hr = E_FAIL;
        for (int attempt = 1; attempt <= kAttempts; ++attempt) {
            *out = nullptr;
            hr = ::CoCreateInstance(clsid, nullptr, context, iid, out);
            if (!ReachedALeavingServer(clsid, hr, context) || attempt == kAttempts) break;
            ::Sleep(100);  // the leaving server's registration goes meanwhile
        }
        return hr;
    }
    HRESULT ClsidFromProgId(const wchar_t* progId, CLSID* clsid) override {
        return ::CLSIDFromProgID(progId, clsid);
    }
};

SystemCreator g_systemCreator;
std::mutex g_creatorMutex;                  // the creator is installed on one thread, read on all
std::shared_ptr<ComponentCreator> g_creator;  // none: the real creator

// A creator the caller owns: the pointer shares no ownership.
std::shared_ptr<ComponentCreator> Unowned(ComponentCreator* creator) {
    return std::shared_ptr<ComponentCreator>(std::shared_ptr<void>(), creator);
}

// COM for the whole process, initialised by the first creation and undone once at exit.
class ProcessCom {
public:
    ProcessCom() : hr_(::CoInitialize(nullptr)) {}
    ~ProcessCom() {
        if (SUCCEEDED(hr_)) ::CoUninitialize();
    }

private:
    HRESULT hr_;
};

void InitProcessCom() {
    // Linked into an in-process server, the code runs on threads its caller initialised: a DLL
    // neither initialises COM on a caller's thread nor undoes it while being unloaded.
    if (com::ThisModule() != ::GetModuleHandleA(nullptr)) return;
    static ProcessCom com;
}

}  // namespace

DeferQuestions::DeferQuestions() { ++t_deferred; }
DeferQuestions::~DeferQuestions() { --t_deferred; }

void SetDebugAnswer(DebugAnswer answer) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_answerSet = answer != DebugAnswer::Ask;
    g_answer = answer;
}

void SetUnattended(std::function<void(const std::string&)> report) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_unattended = static_cast<bool>(report);
    g_unattendedReport = std::move(report);
}

DebugAnswer CurrentDebugAnswer() {
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        if (g_answerSet) return g_answer;
    }
    return AnswerFromEnvironment();
}

std::vector<DebugReport> TakeDebugReports() {
    std::lock_guard<std::mutex> lock(g_mutex);
    std::vector<DebugReport> r;
    r.swap(g_reports);
    return r;
}

std::string HrReportText(HRESULT hr, const char* callText, const char* file, int line) {
    std::string message = com::SystemMessage(hr);
    if (!message.empty())
        return Format("'%s': %s @ %s/%d", callText, message.c_str(), BaseName(file), line);
    return Format("(%s) Error: %lX (%ld) @ %s/%d", callText, static_cast<unsigned long>(hr),
                  static_cast<long>(hr), BaseName(file), line);
}

HRESULT DebugCheck(HRESULT hr, const char* callText, const char* file, int line) {
    if (SUCCEEDED(hr)) return hr;
    std::string report = HrReportText(hr, callText, file, line);
    switch (Ask("HRCHECK: ", report + PressLine)) {
        case DebugAnswer::Yes:
            throw Exception(report);
        case DebugAnswer::Cancel:
            AfterCancel();
            break;
        default:
            break;
    }
    return hr;
}

bool DebugCheckRef(const void* intf, const char* file, int line) {
    if (intf) return true;
    std::string text = Format("%s @ %s/%d", "intf != 0", BaseName(file), line);
    switch (Ask("_ASSERTE: ", text + PressLine)) {
        case DebugAnswer::Yes:
            throw Exception(Format("%s failed - %s/%d", "intf != 0", BaseName(file), line));
        case DebugAnswer::Cancel:
            AfterCancel();
            break;
        default:
            break;
    }
    return false;
}

CreatorInstallation::CreatorInstallation(std::shared_ptr<ComponentCreator> creator) {
    std::lock_guard<std::mutex> lock(g_creatorMutex);
    previous_ = std::exchange(g_creator, std::move(creator));
}

CreatorInstallation::~CreatorInstallation() {
    std::shared_ptr<ComponentCreator> installed;  // released outside the lock
    std::lock_guard<std::mutex> lock(g_creatorMutex);
    installed = std::exchange(g_creator, std::move(previous_));
}

std::shared_ptr<ComponentCreator> CurrentComponentCreator() {
    std::lock_guard<std::mutex> lock(g_creatorMutex);
    return g_creator ? g_creator : Unowned(&g_systemCreator);
}

void SetComponentCreator(ComponentCreator* creator) {
    std::lock_guard<std::mutex> lock(g_creatorMutex);
    g_creator = creator ? Unowned(creator) : nullptr;
}

HRESULT CreateComponentRaw(REFCLSID clsid, REFIID iid, void** out) {
    InitProcessCom();
    *out = nullptr;
    const std::shared_ptr<ComponentCreator> held = CurrentComponentCreator();
    ComponentCreator& creator = *held;
    HRESULT hr = creator.CreateInstance(clsid, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER,
                                        iid, out);
    if (hr == E_INVALIDARG) {
        *out = nullptr;
        hr = creator.CreateInstance(clsid, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, iid, out);
    }
    if (FAILED(hr)) *out = nullptr;
    TARVEL_HRCHECK(hr, "Create(intfObj)");
    return hr;
}

HRESULT CreateProviderRaw(REFIID iid, void** out) {
    InitProcessCom();
    *out = nullptr;
    const std::shared_ptr<ComponentCreator> held = CurrentComponentCreator();
    ComponentCreator& creator = *held;
    CLSID clsid = CLSID_NULL;
    creator.ClsidFromProgId(ProviderProgId, &clsid);
    HRESULT hr = creator.CreateInstance(clsid, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER,
                                        iid, out);
    if (FAILED(hr)) *out = nullptr;
    return hr;
}

}  // namespace engine
