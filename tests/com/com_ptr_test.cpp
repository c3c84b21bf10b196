#include <gtest/gtest.h>
#include "com/com_ptr.h"

namespace {
// Keeps its reference count and its destruction outside itself, so they can be read afterwards.
struct Probe {
    ULONG refs = 1;
    bool destroyed = false;
};
struct Counted final : IUnknown {
    explicit Counted(Probe* probe) : probe(probe) {}
    virtual ~Counted() { probe->destroyed = true; }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** ppv) override {
        if (iid == IID_IUnknown) {
            *ppv = this;
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++probe->refs; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG n = --probe->refs;
        if (n == 0) delete this;
        return n;
    }
    Probe* probe;
};
}  // namespace

TEST(ComPtr, ReleasesOnReassignmentAndDestruction) {
    Probe a, b;
    {
        auto p = com::com_ptr<IUnknown>::attach(new Counted(&a));
        com::com_ptr<IUnknown> copy = p;
        EXPECT_EQ(2u, a.refs);
        p = com::com_ptr<IUnknown>::attach(new Counted(&b));
        EXPECT_EQ(1u, a.refs);
        copy = p;  // the last reference to a goes
        EXPECT_TRUE(a.destroyed);
        EXPECT_EQ(2u, b.refs);
    }
    EXPECT_TRUE(b.destroyed);
}

TEST(ComPtr, PutReleasesAndCopyToAddsReference) {
    Probe a;
    auto p = com::com_ptr<IUnknown>::attach(new Counted(&a));
    IUnknown* out = nullptr;
    p.copy_to(&out);
    EXPECT_EQ(2u, a.refs);
    *p.put() = nullptr;  // put() gives up the held reference first
    EXPECT_EQ(1u, a.refs);
    EXPECT_FALSE(p.try_query<IUnknown>(IID_IUnknown));
    auto r = com::com_ptr<IUnknown>::attach(out);
    auto s = r.try_query<IUnknown>(IID_IUnknown);
    EXPECT_EQ(2u, a.refs);
    s.reset();
    IUnknown* raw = r.detach();
    EXPECT_FALSE(a.destroyed);
    raw->Release();
    EXPECT_TRUE(a.destroyed);
}
