// The load job's way to this server's own class object: what an offer installs, what a second
// offer replaces and what the withdrawal gives back.
#include <gtest/gtest.h>

#include "Tarvel.h"
#include "Tarvel/engine/servers.h"
#include "Tarvel/host/own_class.h"
#include "com/coinit.h"
#include "components.h"
#include "fake_creator.h"

namespace {

using Calls = std::vector<std::string>;

// A class object on the stack that counts its references and the objects asked of it.
class CountingFactory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (riid != IID_IUnknown && riid != IID_IClassFactory) {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        *ppv = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown*, REFIID, void** ppv) override {
        *ppv = nullptr;
        ++creations;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

    ULONG refs = 0;
    int creations = 0;
};

TEST(OwnClass, ASecondOfferReplacesTheFirstAndTheWithdrawalGivesBackTheCreatorBefore) {
    com::CoInitGuard apartment;
    ASSERT_TRUE(apartment.ok());
    fakes::CallLog log;
    fakes::FakeCreator creator{log};
    fakes::ScopedCreator scoped{creator};
    fakes::ScopedDebugAnswer answer{engine::DebugAnswer::No};
    CountingFactory first, second;
    void* out = nullptr;

    host::OfferOwnClass(&first);
    host::OfferOwnClass(&second);
    EXPECT_EQ(E_NOTIMPL, engine::CreateComponentRaw(CLSID_LM, IID_ILM, &out));
    EXPECT_EQ(0, first.creations);
    EXPECT_EQ(1, second.creations);
    EXPECT_EQ(REGDB_E_CLASSNOTREG, engine::CreateComponentRaw(CLSID_Dravo, IID_IUnknown, &out));

    host::WithdrawOwnClass();
    EXPECT_EQ(0u, first.refs);  // neither offer stays in the global interface table
    EXPECT_EQ(0u, second.refs);
    EXPECT_EQ(REGDB_E_CLASSNOTREG, engine::CreateComponentRaw(CLSID_LM, IID_ILM, &out));
    EXPECT_EQ(1, second.creations);
    EXPECT_EQ(log.calls, (Calls{"Create(Dravo,21)", "Create(" + fakes::ClassName(CLSID_LM) + ",21)"}));
}

}  // namespace
