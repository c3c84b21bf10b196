// The engine's side of the model-server components: their creation through COM and the debug
// check that every call to another COM server passes when it returns.
//
// The debug check shows a task-modal question box for a failure HRESULT ("HRCHECK: ") or an
// empty reference ("_ASSERTE: "). Yes raises an Exception with the report text, No goes on,
// Cancel breaks into an attached debugger and otherwise goes on as after No. So that nothing
// headless ever blocks on the box, the answer can be fixed: in-process with SetDebugAnswer, or
// for a whole process through the environment variable TARVEL_HRCHECK=yes|no|cancel. Without
// either, the real box asks, except in a process that nobody watches (a server that COM started
// for a client): there a box would wait for ever, so the report is logged as an error and the
// check goes on as after No. TARVEL_HRCHECK=ask shows the box even there.
#pragma once
#include <windows.h>
#include <functional>
#include <memory>
#include <string>
#include <vector>
#include "com/com_ptr.h"

namespace engine {

enum class DebugAnswer { Ask, Yes, No, Cancel };

// Ask restores the default: TARVEL_HRCHECK when set, else the question box.
void SetDebugAnswer(DebugAnswer answer);
// The answer in force: the in-process setting, else TARVEL_HRCHECK, else No in an unattended
// process and Ask elsewhere.
DebugAnswer CurrentDebugAnswer();
// Nobody sees this process's screen (COM started it): instead of a box, report gets the report
// text and the check goes on as after No. An empty function shows the box again.
void SetUnattended(std::function<void(const std::string&)> report);

// While one is in force on a thread, a check that would show the box there throws
// QuestionDeferred instead, before anything is reported: a channel's waiting thread that holds
// the set has the call made again on the main thread, where the box may wait.
struct QuestionDeferred {};
class DeferQuestions {
public:
    DeferQuestions();
    ~DeferQuestions();
    DeferQuestions(const DeferQuestions&) = delete;
    DeferQuestions& operator=(const DeferQuestions&) = delete;
};

// One shown (or policy-answered) box, as the user would have seen it.
struct DebugReport {
    std::string caption;
    std::string text;
};
// The reports made since the last call (the newest 256), oldest first; the list is emptied.
// For tests.
std::vector<DebugReport> TakeDebugReports();

// The text of a failure report without the closing question line, e.g.
// "'this->Load(Param1, (long*)&Param2)': Unspecified error @ model.cpp/12".
std::string HrReportText(HRESULT hr, const char* callText, const char* file, int line);

// Checks a call's HRESULT; a failure code is reported. Returns hr unchanged.
HRESULT DebugCheck(HRESULT hr, const char* callText, const char* file, int line);
// Checks a reference before a call; an empty one is reported. Returns true when it is not empty.
bool DebugCheckRef(const void* intf, const char* file, int line);

#define TARVEL_HRCHECK(hr, callText) ::engine::DebugCheck((hr), (callText), __FILE__, __LINE__)
#define TARVEL_CHECKREF(intf) ::engine::DebugCheckRef((intf), __FILE__, __LINE__)

// Seam for component creation: tests install a recording stand-in, the server one that reaches
// its own class object.
class ComponentCreator {
public:
    virtual ~ComponentCreator() = default;
    virtual HRESULT CreateInstance(REFCLSID clsid, DWORD context, REFIID iid, void** out) = 0;
    virtual HRESULT ClsidFromProgId(const wchar_t* progId, CLSID* clsid) = 0;
};

// Installs a creator while it lives; its end puts back the one it replaced (installations nest).
// A creation that has begun keeps the creator it took alive until it returns, so the guard may
// end while other threads create.
class [[nodiscard]] CreatorInstallation {
public:
    explicit CreatorInstallation(std::shared_ptr<ComponentCreator> creator);
    ~CreatorInstallation();
    CreatorInstallation(const CreatorInstallation&) = delete;
    CreatorInstallation& operator=(const CreatorInstallation&) = delete;

private:
    std::shared_ptr<ComponentCreator> previous_;
};

// The creator in force (the real one when none is installed), alive while the result is held.
std::shared_ptr<ComponentCreator> CurrentComponentCreator();
// For tests: installs a creator that the caller owns and uninstalls (nullptr: the real creator
// again, CoCreateInstance and CLSIDFromProgID) before destroying it.
void SetComponentCreator(ComponentCreator* creator);

// Creates a component by class id (class context 21, once more with 5 on E_INVALIDARG; a local
// server found in the instant it leaves is asked again, up to four times), passes the result
// through the debug check as "Create(intfObj)" and returns the result. On success the
// holder takes the new reference, releasing its previous one; on failure it is left empty.
// The first creation in the process initialises COM for it once.
HRESULT CreateComponentRaw(REFCLSID clsid, REFIID iid, void** out);

template <typename I>
HRESULT CreateComponent(REFCLSID clsid, REFIID iid, com::com_ptr<I>& holder) {
    I* raw = nullptr;
    HRESULT hr;
    try {
        hr = CreateComponentRaw(clsid, iid, reinterpret_cast<void**>(&raw));
    } catch (...) {
        holder = nullptr;  // a failed creation leaves the holder empty, answered Yes as well
        throw;
    }
    holder = com::com_ptr<I>::attach(SUCCEEDED(hr) ? raw : nullptr);
    return hr;
}

// ProgID of the provider that hosts KN models in a process of its own.
inline constexpr wchar_t ProviderProgId[] = L"Fenno.LMIProvider";

// Creates the provider by its ProgID (class context 21, no debug check; a leaving provider is
// asked again as above). The class id
// lookup's result is not tested: an unregistered ProgID makes the creation fail.
HRESULT CreateProviderRaw(REFIID iid, void** out);

}  // namespace engine
