#include "Tarvel/host/own_class.h"

#include <memory>

#include "Tarvel.h"
#include "Tarvel/engine/servers.h"
#include "com/com_ptr.h"

namespace host {

namespace {

DWORD g_ownFactory = 0;  // the class object in the process's global interface table

com::com_ptr<IGlobalInterfaceTable> Table() {
    com::com_ptr<IGlobalInterfaceTable> table;
    ::CoCreateInstance(CLSID_StdGlobalInterfaceTable, nullptr, CLSCTX_INPROC_SERVER, IID_IGlobalInterfaceTable,
                       table.put_void());
    return table;
}

// LM through this process's class object; every other class as the engine always creates it.
class OwnClassCreator final : public engine::ComponentCreator {
public:
    explicit OwnClassCreator(engine::ComponentCreator& system) : system_(system) {}

    HRESULT CreateInstance(REFCLSID clsid, DWORD context, REFIID iid, void** out) override {
        if (clsid != CLSID_LM || !g_ownFactory) return system_.CreateInstance(clsid, context, iid, out);
        auto table = Table();
        if (!table) return E_UNEXPECTED;
        com::com_ptr<IClassFactory> factory;
        HRESULT hr = table->GetInterfaceFromGlobal(g_ownFactory, IID_IClassFactory, factory.put_void());
        if (FAILED(hr)) return hr;
        return factory->CreateInstance(nullptr, iid, out);
    }
    HRESULT ClsidFromProgId(const wchar_t* progId, CLSID* clsid) override {
        return system_.ClsidFromProgId(progId, clsid);
    }

private:
    engine::ComponentCreator& system_;
};

std::unique_ptr<OwnClassCreator> g_ownCreator;

}  // namespace

void OfferOwnClass(IClassFactory* factory) {
    auto table = Table();
    if (!table || FAILED(table->RegisterInterfaceInGlobal(factory, IID_IClassFactory, &g_ownFactory))) {
        g_ownFactory = 0;
        return;
    }
    g_ownCreator = std::make_unique<OwnClassCreator>(engine::CurrentComponentCreator());
    engine::SetComponentCreator(g_ownCreator.get());
}

void WithdrawOwnClass() {
    if (!g_ownCreator) return;
    engine::SetComponentCreator(nullptr);
    g_ownCreator.reset();
    if (auto table = Table()) table->RevokeInterfaceFromGlobal(g_ownFactory);
    g_ownFactory = 0;
}

}  // namespace host
