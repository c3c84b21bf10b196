// The server window in-process and headless: construction, the load job through the program's
// own class offered to COM from this process, its exits, Unload from the button and from a
// client, and the client count lines.
#include "host_fixture.h"

#include <atomic>
#include <cstring>
#include <thread>

#include "Tarvel/engine/modelset.h"
#include "Tarvel/host/server.h"
#include "Tarvel/host/transfer.h"
#include "channel_end.h"
#include "forms/main_thread.h"

namespace {

// The model-server components are fakes; the program's own class goes through COM.
class Creator final : public engine::ComponentCreator {
public:
    explicit Creator(fakes::FakeCreator& fakes) : fakes_(fakes) {}
    // COM finds a class object only from the apartment that offered it, so the worker's
    // creation is carried to the main thread, and the object comes back marshaled: the worker
    // holds a proxy, as it would in the program.
    HRESULT CreateInstance(REFCLSID clsid, DWORD context, REFIID iid, void** out) override {
        if (clsid != CLSID_LM) return fakes_.CreateInstance(clsid, context, iid, out);
        if (failLM) return REGDB_E_CLASSNOTREG;
        HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        HRESULT hr = E_FAIL;
        IStream* stream = nullptr;
        forms::PostToMainThread([&] {
            com::com_ptr<IUnknown> obj;
            hr = TLMImpl::CreateInstance(nullptr, iid, obj.put_void());
            if (SUCCEEDED(hr)) hr = CoMarshalInterThreadInterfaceInStream(iid, obj.get(), &stream);
            SetEvent(done);
        });
        WaitForSingleObject(done, 10000);
        CloseHandle(done);
        if (FAILED(hr)) return hr;
        return CoGetInterfaceAndReleaseStream(stream, iid, out);
    }
    HRESULT ClsidFromProgId(const wchar_t* progId, CLSID* clsid) override {
        return fakes_.ClsidFromProgId(progId, clsid);
    }

    bool failLM = false;

private:
    fakes::FakeCreator& fakes_;
};

class ServerWindow : public HostFixture {
protected:
    void SetUp() override {
        HostFixture::SetUp();
        engine::SetComponentCreator(&both);
    }
    void TearDown() override {
        HostFixture::TearDown();
        engine::SetComponentCreator(nullptr);
    }
    // Starts a new window over the given settings text.
    void Restart(const std::string& settings) {
        w.reset();
        Application.SetParams({dir.Write("tarvel.set", settings)});
        w = std::make_unique<TestWindow>();
    }
    std::string KnFile() { return dir.Write("kn.ini", "kn_model = tiny.arpa\n"); }
    bool JobDone() {
        return !w->loading && !(w->worker && w->worker->Started());
    }

    Creator both{creator};
};

TEST_F(ServerWindow, ConstructedIdleWithAnEmptySet) {
    EXPECT_EQ(w.get(), mForm1);
    EXPECT_EQ(static_cast<TToolOps*>(w.get()), mForm);
    auto memo = Memo();
    ASSERT_FALSE(memo.empty());
    EXPECT_EQ("Can not Init Settings: /Automation", memo[0]);
    EXPECT_EQ("Idle - Tarvel", w->Text());
    EXPECT_EQ("Load", w->btLoad->Text());
    EXPECT_EQ("Unload", w->btUnload->Text());
    EXPECT_TRUE(w->btLoad->Enabled());
    EXPECT_FALSE(w->btUnload->Enabled());
    EXPECT_FALSE(w->btCancel->Enabled());
    EXPECT_EQ(203, w->Bounds().left);
    EXPECT_EQ(194, w->Bounds().top);
    ASSERT_TRUE(w->ModelSet());
    EXPECT_FALSE(w->ModelSet()->IsLoaded());
    EXPECT_EQ(0, w->clientCount);
}

TEST_F(ServerWindow, StartLoadLoadsThroughItsOwnClientAndServes) {
    Restart("start = load\nlm = " + KnFile() + "\n");
    w->Show();
    w->FormActivate();
    ASSERT_TRUE(PumpUntil([&] { return JobDone() && w->HasClient() && Logged("LM loaded"); }))
        << ::testing::PrintToString(Memo());
    EXPECT_TRUE(Logged("Connected: 1"));
    EXPECT_TRUE(w->ModelSet()->IsLoaded());
    EXPECT_TRUE(w->busy);
    EXPECT_EQ("0 - Loaded", w->Text());
    EXPECT_TRUE(w->btUnload->Enabled());
    EXPECT_FALSE(w->btLoad->Enabled());
    EXPECT_TRUE(w->btCancel->Enabled());

    // A later activation asks again and is refused.
    w->FormActivate();
    EXPECT_TRUE(Logged("ERROR: Program working"));

    // Unload with no other client: the window's own client goes, and the window closes.
    std::weak_ptr<TTarvel> loaded = w->ModelSet();
    w->btUnloadClick();
    EXPECT_TRUE(Logged("Disconnected: 0"));
    EXPECT_TRUE(loaded.expired());
    EXPECT_FALSE(w->ModelSet()->IsLoaded());
    EXPECT_FALSE(w->busy);
    EXPECT_FALSE(w->Visible());
}

TEST_F(ServerWindow, UnloadWithClientsLeftKeepsTheWindowOpen) {
    Restart("lm = " + KnFile() + "\n");
    w->Show();
    auto a = NewObject(), b = NewObject();
    w->btLoadClick();
    ASSERT_TRUE(PumpUntil([&] { return JobDone() && w->HasClient(); }));
    EXPECT_TRUE(Logged("Connected: 3"));
    w->btUnloadClick();
    EXPECT_TRUE(Logged("Disconnected: 2"));
    EXPECT_TRUE(w->Visible());
    EXPECT_TRUE(w->btLoad->Enabled());
    EXPECT_FALSE(w->btUnload->Enabled());
    EXPECT_EQ("Idle - Tarvel", w->Text());
}

TEST_F(ServerWindow, AFailedLoadReturnsToIdle) {
    Restart("lm = " + KnFile() + "\n");
    kn->script.Answer("Load", 0);
    w->btLoadClick();
    ASSERT_TRUE(PumpUntil([&] { return JobDone(); }));
    EXPECT_TRUE(Logged("ERROR: LM load failed"));
    EXPECT_TRUE(PumpUntil([&] { return Logged("Disconnected: 0"); }));
    EXPECT_FALSE(w->busy);
    EXPECT_FALSE(w->HasClient());
    EXPECT_TRUE(w->btLoad->Enabled());
    EXPECT_EQ("Idle - Tarvel", w->Text());
}

// Settings mistakes of the two keys the window reads for a load: each says what to fix.
TEST_F(ServerWindow, AStartValueNotUnderstoodAndAMissingLmSayWhatToFix) {
    Restart("start = Load\nlmm = " + KnFile() + "\n");
    w->Show();
    w->FormActivate();
    w->FormActivate();
    const std::string warning = "WARNING: start = Load is not understood: only start = load (in lower case) loads at start";
    EXPECT_EQ(1, CountOf(warning)) << ::testing::PrintToString(Memo());  // once, not at every activation
    EXPECT_FALSE(Logged("Initializing"));  // case matters: nothing loads

    w->btLoadClick();
    ASSERT_TRUE(PumpUntil([&] { return JobDone() && Logged("ERROR: LM load failed"); }));
    EXPECT_TRUE(Logged("ERROR: The settings key lm is missing or empty: it names the file that Load loads"))
        << ::testing::PrintToString(Memo());
}

TEST_F(ServerWindow, AClientThatCannotBeCreatedLeavesTheWindowIdle) {
    Restart("lm = " + KnFile() + "\n");
    both.failLM = true;
    w->btLoadClick();
    ASSERT_TRUE(PumpUntil([&] { return JobDone(); }));
    EXPECT_TRUE(Logged("ERROR: LM Init failed"));
    EXPECT_EQ(1u, engine::TakeDebugReports().size());  // the creation passed the debug check
    // Not left busy: Load works again and the window may close.
    EXPECT_FALSE(w->busy);
    EXPECT_TRUE(w->btLoad->Enabled());
    EXPECT_EQ("Idle - Tarvel", w->Text());
    both.failLM = false;
    w->btLoadClick();
    ASSERT_TRUE(PumpUntil([&] { return JobDone() && Logged("LM loaded"); }));
}

TEST_F(ServerWindow, ASetLoadedByAClientIsAlreadyLoaded) {
    Restart("lm = " + KnFile() + "\n");
    auto client = NewObject();
    auto file = B(KnFile().c_str());
    LONG ok = 0;
    ASSERT_EQ(S_OK, client->Load(file.get(), &ok));
    ASSERT_EQ(1, ok);
    w->btLoadClick();
    ASSERT_TRUE(PumpUntil([&] { return JobDone() && w->HasClient(); }));
    EXPECT_TRUE(Logged("LM already loaded"));
    EXPECT_FALSE(Logged("LM loaded"));
    EXPECT_TRUE(w->busy);
    EXPECT_EQ("0 - Loaded", w->Text());
    EXPECT_TRUE(w->btUnload->Enabled());
}

TEST_F(ServerWindow, UnloadFromAClientRunsAsAJobAfterTheLoad) {
    Restart("lm = " + KnFile() + "\n");
    w->Show();
    auto client = NewObject();
    w->btLoadClick();
    // The client's Unload arrives while the load job runs: answered at once, handed over to a
    // job once the load job has ended.
    LONG ok = 0;
    ASSERT_EQ(S_OK, client->Unload(&ok));
    EXPECT_EQ(1, ok);
    // Two seconds after the load the job unloads; a client is left, so the window stays open.
    ASSERT_TRUE(PumpUntil([&] { return JobDone() && !w->unloadAfterLoad && Logged("Disconnected: 1"); }, 10000));
    EXPECT_TRUE(Logged("LM loaded"));
    EXPECT_FALSE(Logged("ERROR: Thread working"));
    EXPECT_TRUE(w->Visible());
    EXPECT_FALSE(w->closeWhenDone);
    EXPECT_FALSE(w->ModelSet()->IsLoaded());
    EXPECT_TRUE(w->btLoad->Enabled());
    EXPECT_EQ(S_OK, client->IsLoaded(&ok));
    EXPECT_EQ(0, ok);
}

// While the unload job runs a further Unload is refused at once; it never becomes a second job
// that would delete the set a client loads afterwards.
TEST_F(ServerWindow, ASecondUnloadIsRefusedAndSparesALaterSet) {
    Restart("lm = " + KnFile() + "\n");
    auto a = NewObject(), b = NewObject(), c = NewObject();
    auto file = B(KnFile().c_str());
    LONG ok = 0;
    ASSERT_EQ(S_OK, a->Load(file.get(), &ok));
    ASSERT_EQ(1, ok);
    ASSERT_EQ(S_OK, a->Unload(&ok));
    ASSERT_EQ(S_OK, b->Unload(&ok));
    EXPECT_EQ(1, ok);
    EXPECT_TRUE(w->ModelSet()->IsLoaded());  // answered before the unload job unloaded
    EXPECT_TRUE(Logged("ERROR: Thread working"));
    ASSERT_TRUE(PumpUntil([&] { return !w->ModelSet()->IsLoaded(); }, 10000));
    ASSERT_EQ(S_OK, c->Load(file.get(), &ok));
    ASSERT_EQ(1, ok);
    ASSERT_TRUE(PumpUntil([&] { return JobDone(); }, 10000));
    EXPECT_TRUE(w->ModelSet()->IsLoaded());
    EXPECT_EQ(S_OK, c->IsLoaded(&ok));
    EXPECT_EQ(1, ok);
}

// Load clicks and client Unloads arriving every 0-2 ms while jobs end: each is refused or runs,
// each job's end is handled once, and the window settles with no job left.
TEST_F(ServerWindow, LoadsAndUnloadsArrivingWhileJobsEnd) {
    Restart("lm = " + KnFile() + "\n");
    w->unloadWaitMs = 1;
    auto client = NewObject();  // keeps the window open through every unload
    constexpr int kRequests = 300;
    int asked = 0;
    std::thread requests([&] {
        for (int i = 0; i < kRequests; ++i) {
            forms::PostToMainThread([&, i] {
                ++asked;
                if (i % 2 == 0) {
                    w->btLoadClick();
                } else {
                    LONG ok = 0;
                    EXPECT_EQ(S_OK, client->Unload(&ok));
                    EXPECT_EQ(1, ok);
                }
            });
            Sleep(i % 3);
            // Each quarter comes after one more job's end has been handled, however slow the
            // machine is. Handled, not only begun: every request that runs inside the handling
            // (its log lines let messages through) is refused, and a quarter that all ran there
            // would start no job to end before the next quarter.
            if (i % (kRequests / 4) == 0 && i > 0) AwaitAtLeast(w->endsHandled, i / (kRequests / 4));
        }
    });
    bool settled = PumpUntil([&] { return asked == kRequests && JobDone() && !w->unloadAfterLoad; }, 60000);
    requests.join();
    ASSERT_TRUE(settled) << "asked " << asked << ", ends " << w->ends;
    EXPECT_EQ(kRequests - w->refused, w->ends);
    EXPECT_GT(w->ends, 2);
}

TEST_F(ServerWindow, DestroyedWhileTheUnloadJobWaits) {
    Restart("lm = " + KnFile() + "\n");
    auto client = NewObject();
    w->btLoadClick();
    LONG ok = 0;
    ASSERT_EQ(S_OK, client->Unload(&ok));
    ASSERT_TRUE(PumpUntil([&] { return w->worker && w->worker->Working; }));
    // The window goes while the job sleeps: the job ends first, against the live window.
    w.reset();
    EXPECT_EQ(S_OK, client->IsLoaded(&ok));
    EXPECT_EQ(0, ok);
}

// The unload job replaces the set on its worker thread while the main thread is busy (here with
// this test, which serves none of its messages): the old set's teardown waits for the main
// thread, but its channel answers nothing from the moment the job has run.
TEST_F(ServerWindow, OnceTheUnloadJobHasRunTheOldSetsChannelAnswersNothing) {
    Restart("lm = " + KnFile() + "\n");
    kn->script.Answer("GetWordId(c)", 5);
    auto client = NewObject(), other = NewObject();  // the other keeps the window open
    auto file = B(KnFile().c_str());
    LONG ok = 0;
    ASSERT_EQ(S_OK, client->Load(file.get(), &ok));
    ASSERT_EQ(1, ok);
    ASSERT_EQ(S_OK, client->StartIsUnknown(&ok));
    ASSERT_EQ(1, ok);
    chantest::Channel<CharTransfer> chars(kCharChannelName);
    ASSERT_TRUE(chars.Open());
    std::strcpy(chars.Block().word, "c");
    // The first request goes to the main thread, which notes that the models are here; then the
    // set answers in place, with the main thread busy.
    std::atomic<bool> sent{false};
    std::thread first([&] { sent = chars.Send(); });
    PumpUntil([&] { return sent.load(); });
    first.join();
    ASSERT_TRUE(sent);
    chars.Block().result = 0;
    ASSERT_TRUE(chars.Send());
    ASSERT_EQ(chars.Block().marker, kHandledMarker);
    ASSERT_EQ(chars.Block().result, 5);

    std::weak_ptr<TTarvel> old = w->ModelSet();
    w->unloadWaitMs = 1;
    ASSERT_EQ(S_OK, client->Unload(&ok));
    ASSERT_TRUE(w->worker);
    w->worker->WaitFor();
    ASSERT_NE(w->ModelSet(), old.lock()) << "the job did not replace the set";
    ASSERT_FALSE(old.expired()) << "the teardown ran already";
    chars.Block().result = 0;
    // Completed unanswered, or never signalled once the halted thread has left its wait loop.
    chars.Send(2000);
    EXPECT_NE(chars.Block().marker, kHandledMarker) << "answered " << chars.Block().result << " from the old set";
    EXPECT_TRUE(PumpUntil([&] { return old.expired(); }));
}

TEST_F(ServerWindow, ClientCountLines) {
    w->UpdateClientCount(true);
    w->UpdateClientCount(true);
    w->UpdateClientCount(false);
    auto memo = Memo();
    std::vector<std::string> tail(memo.end() - 3, memo.end());
    EXPECT_EQ((std::vector<std::string>{"Connected: 1", "Connected: 2", "Disconnected: 1"}), tail);
    w->UpdateClientCount(false);
}

}  // namespace
