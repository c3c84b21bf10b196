// Recording stand-in for component creation. Logs "Create(<Class>,<context>)" for each
// CoCreateInstance and "CLSIDFromProgID(<progid>)" for each lookup, in the same CallLog as the
// fakes, and hands out new references to the objects given with Provide.
#pragma once
#include <map>
#include <string>
#include <utility>
#include <vector>
#include "Tarvel/engine/servers.h"
#include "fake_base.h"

namespace fakes {

// "Dravo", "Zemra", ..., "Fenno" for the component class ids, else "{...}".
std::string ClassName(REFCLSID clsid);

class FakeCreator final : public engine::ComponentCreator {
public:
    explicit FakeCreator(CallLog& log) : log_(log) {}

    // The object a creation of clsid returns (one new reference per creation).
    void Provide(REFCLSID clsid, IUnknown* object);
    // Creations of clsid with the given class context (0: every context) fail with hr.
    void Fail(REFCLSID clsid, HRESULT hr, DWORD context = 0);
    // Makes the provider's ProgID known (it answers CLSID_Fenno); unknown by default.
    void RegisterProvider() { providerRegistered_ = true; }

    HRESULT CreateInstance(REFCLSID clsid, DWORD context, REFIID iid, void** out) override;
    HRESULT ClsidFromProgId(const wchar_t* progId, CLSID* clsid) override;

private:
    CallLog& log_;
    std::vector<std::pair<CLSID, com::com_ptr<IUnknown>>> objects_;
    struct Failure {
        CLSID clsid;
        DWORD context;
        HRESULT hr;
    };
    std::vector<Failure> failures_;
    bool providerRegistered_ = false;
};

// Installs a creator for the scope.
class ScopedCreator {
public:
    explicit ScopedCreator(engine::ComponentCreator& c) { engine::SetComponentCreator(&c); }
    ~ScopedCreator() { engine::SetComponentCreator(nullptr); }
    ScopedCreator(const ScopedCreator&) = delete;
    ScopedCreator& operator=(const ScopedCreator&) = delete;
};

// Fixes the debug check's answer for the scope and empties its report list on both ends.
class ScopedDebugAnswer {
public:
    explicit ScopedDebugAnswer(engine::DebugAnswer a) {
        engine::SetDebugAnswer(a);
        engine::TakeDebugReports();
    }
    ~ScopedDebugAnswer() {
        engine::SetDebugAnswer(engine::DebugAnswer::Ask);
        engine::TakeDebugReports();
    }
    ScopedDebugAnswer(const ScopedDebugAnswer&) = delete;
    ScopedDebugAnswer& operator=(const ScopedDebugAnswer&) = delete;
};

}  // namespace fakes
