#include "Tarvel/host/own_class.h"

#include <memory>

#include "Tarvel.h"
#include "Tarvel/engine/servers.h"
#include "com/com_ptr.h"

namespace host {

namespace {

com::com_ptr<IGlobalInterfaceTable> Table() {
    com::com_ptr<IGlobalInterfaceTable> table;
    ::CoCreateInstance(CLSID_StdGlobalInterfaceTable, nullptr, CLSCTX_INPROC_SERVER, IID_IGlobalInterfaceTable,
                       table.put_void());
    return table;
}

// The class object's entry in the process's global interface table; the owner revokes it.
class GlobalEntry {
public:
    explicit GlobalEntry(IClassFactory* factory) {
        auto table = Table();
        if (!table || FAILED(table->RegisterInterfaceInGlobal(factory, IID_IClassFactory, &cookie_))) cookie_ = 0;
    }
    ~GlobalEntry() {
        if (!cookie_) return;
        if (auto table = Table()) table->RevokeInterfaceFromGlobal(cookie_);
    }
    GlobalEntry(const GlobalEntry&) = delete;
    GlobalEntry& operator=(const GlobalEntry&) = delete;

    DWORD Cookie() const { return cookie_; }

private:
    DWORD cookie_ = 0;
};

// LM through this process's class object; every other class as the engine always creates it.
class OwnClassCreator final : public engine::ComponentCreator {
public:
    OwnClassCreator(std::shared_ptr<engine::ComponentCreator> system, DWORD cookie)
        : system_(std::move(system)), cookie_(cookie) {}

    HRESULT CreateInstance(REFCLSID clsid, DWORD context, REFIID iid, void** out) override {
        if (clsid != CLSID_LM) return system_->CreateInstance(clsid, context, iid, out);
        auto table = Table();
        if (!table) return E_UNEXPECTED;
        com::com_ptr<IClassFactory> factory;
        HRESULT hr = table->GetInterfaceFromGlobal(cookie_, IID_IClassFactory, factory.put_void());
        if (FAILED(hr)) return hr;
        return factory->CreateInstance(nullptr, iid, out);
    }
    HRESULT ClsidFromProgId(const wchar_t* progId, CLSID* clsid) override {
        return system_->ClsidFromProgId(progId, clsid);
    }

private:
    std::shared_ptr<engine::ComponentCreator> system_;  // the creator that was in force before
    DWORD cookie_;
};

// While it lives, the engine creates LM through the class object in the table. Its end first
// puts the creator before it back, then revokes the entry.
class OwnClass {
public:
    explicit OwnClass(std::unique_ptr<GlobalEntry> e)
        : entry(std::move(e)),
          installation(std::make_shared<OwnClassCreator>(engine::CurrentComponentCreator(), entry->Cookie())) {}

private:
    std::unique_ptr<GlobalEntry> entry;
    engine::CreatorInstallation installation;
};

std::unique_ptr<OwnClass> g_ownClass;

}  // namespace

void OfferOwnClass(IClassFactory* factory) {
    g_ownClass.reset();  // a second offer replaces the first; it never wraps it
    auto entry = std::make_unique<GlobalEntry>(factory);
    if (!entry->Cookie()) return;
    g_ownClass = std::make_unique<OwnClass>(std::move(entry));
}

void WithdrawOwnClass() { g_ownClass.reset(); }

}  // namespace host
