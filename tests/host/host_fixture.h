// The server window and its COM objects in the test's own process: a headless TmForm1 over a
// model set whose components are recording fakes, and helpers to read its memo.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "Tarvel/host/LMImpl.h"
#include "Tarvel/host/cWin.h"
#include "com/bstr.h"
#include "com/coinit.h"
#include "com/com_ptr.h"
#include "fake_components.h"
#include "fake_creator.h"
#include "forms/application.h"
#include "pump.h"
#include "temp_dir.h"

// Opens the window's protected state to the tests.
class TestWindow : public TmForm1 {
public:
    using TmForm1::busy;
    using TmForm1::canceled;
    using TmForm1::closeWhenDone;
    using TmForm1::clientCount;
    using TmForm1::hadError;
    using TmForm1::loading;
    using TmForm1::worker;
    using TmForm1::unloadAfterLoad;
    using TmForm1::unloadWaitMs;
    using TmForm1::HasClient;

    // Counts end notifications (as each begins and once its handling has returned) and refused
    // starts.
    void OnThreadDone() override {
        ++ends;
        TmForm1::OnThreadDone();
        ++endsHandled;
    }
    void Log(const std::string& text) override {
        if (text == "ERROR: Thread working" || text == "ERROR: Program working") ++refused;
        TmForm1::Log(text);
    }
    std::atomic<int> ends{0};
    std::atomic<int> endsHandled{0};
    std::atomic<int> refused{0};
};

class HostFixture : public ::testing::Test {
protected:
    void SetUp() override {
        creator.Provide(CLSID_Dravo, kn.get());
        kn->script.Answer("Load", 1);
        Application.SetParams({"/Automation"});  // as COM starts the server: no settings file
        w = std::make_unique<TestWindow>();
    }
    void TearDown() override {
        if (w && w->worker) w->worker->WaitFor();
        PumpUntil([] { return false; }, 50);
        w.reset();
        Application.SetParams({});
    }

    com::com_ptr<ILM> NewObject() {
        com::com_ptr<ILM> obj;
        EXPECT_EQ(S_OK, TLMImpl::CreateInstance(nullptr, IID_ILM, obj.put_void()));
        return obj;
    }
    std::vector<std::string> Memo() {
        PumpUntil([] { return false; }, 20);
        return w->mInfo->Lines();
    }
    bool Logged(const std::string& line) {
        auto m = Memo();
        return std::find(m.begin(), m.end(), line) != m.end();
    }
    int CountOf(const std::string& line) {
        auto m = Memo();
        return static_cast<int>(std::count(m.begin(), m.end(), line));
    }

    com::CoInitGuard init;
    fakes::CallLog calls;
    fakes::FakeCreator creator{calls};
    fakes::ScopedCreator scopedCreator{creator};
    fakes::ScopedDebugAnswer answer{engine::DebugAnswer::No};
    com::com_ptr<fakes::FakeKN> kn = fakes::Make<fakes::FakeKN>(calls);
    TempDir dir;
    std::unique_ptr<TestWindow> w;
};

inline com::unique_bstr B(const char* s) { return com::ToBstr(s); }
