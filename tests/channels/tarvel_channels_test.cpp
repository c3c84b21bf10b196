// The channels of the real Tarvel.exe, used from this process beside its COM calls, as a client
// would: they answer what COM answers for every model type, with the models in Tarvel's process
// and in the provider's; a failed channel call whose question box waits holds up no other
// client; a last stop lets the other clients' calls through while the waiting thread ends; busy
// channels leave COM calls their turn; an unloaded set's channels give way to the next set's.
#include <windows.h>
#include <psapi.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "Tarvel.h"
#include "Tarvel/host/transfer.h"
#include "com/bstr.h"
#include "com/coinit.h"
#include "com/com_ptr.h"
#include "com/handle.h"
#include "client_process.h"
#include "temp_dir.h"
#include "tests/support/channel_end.h"
#include "tests/support/tarvel_process.h"

using com::com_ptr;

namespace {

const std::string kData = TEST_DATA;  // the components' fixture folder
constexpr DWORD kAllContexts = 21;

com_ptr<ILM> Create() {
    com_ptr<ILM> lm;
    EXPECT_EQ(S_OK, CoCreateInstance(CLSID_LM, nullptr, kAllContexts, IID_ILM, lm.put_void()));
    return lm;
}

com::unique_handle NewEvent() { return com::unique_handle(CreateEventA(nullptr, FALSE, FALSE, nullptr)); }

using chantest::Channel;

// Another client of the server: its own connection, made and used on a thread of its own.
// Ask has it call IsLoaded; afterAnswer runs on that thread as soon as the answer is in.
class OtherClient {
public:
    OtherClient() : thread_([this] { Run(); }) { WaitForSingleObject(ready_.get(), 30000); }
    ~OtherClient() {
        SetEvent(quit_.get());
        thread_.join();
    }
    // Starts the call; true when it was answered within ms.
    bool Ask(DWORD ms) {
        SetEvent(go_.get());
        return WaitForSingleObject(answered_.get(), ms) == WAIT_OBJECT_0;
    }
    std::function<void()> afterAnswer;

private:
    void Run() {
        com::CoInitGuard init(COINIT_MULTITHREADED);
        com_ptr<ILM> lm = Create();
        SetEvent(ready_.get());
        HANDLE waits[] = {go_.get(), quit_.get()};
        if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0 && lm) {
            LONG loaded = -1;
            lm->IsLoaded(&loaded);
            if (afterAnswer) afterAnswer();
            SetEvent(answered_.get());
            WaitForSingleObject(quit_.get(), INFINITE);
        }
    }

    com::unique_handle ready_ = NewEvent(), go_ = NewEvent(), answered_ = NewEvent(), quit_ = NewEvent();
    std::thread thread_;
};

// Tarvel started by hand with a settings file of its own, which every Load reads again for the
// set's description; closed through its window at the end.
class HandStartedTarvel {
public:
    HandStartedTarvel(TempDir& dir, const std::string& settingsText) : settings(dir.Write("tarvel.set", "")) {
        const std::string log = dir.Write("info.log", "");
        Describe(settingsText + "\ninfo = " + log + "\n");
        HANDLE raw = nullptr;
        RunProgram("\"" + std::string(TARVEL_EXE) + "\" " + settings + " -Embedding", false, &raw);
        process_.reset(raw);
        // Its class object is offered before its window reads the settings.
        for (DWORD start = GetTickCount(); GetTickCount() - start < 20000; Sleep(50))
            if (HasLine(FileLines(log), "Initialized")) return;
    }
    ~HandStartedTarvel() {
        for (DWORD start = GetTickCount(); GetTickCount() - start < 15000; Sleep(100)) {
            if (WaitForSingleObject(process_.get(), 0) == WAIT_OBJECT_0) return;
            if (HWND w = WindowOf(GetProcessId(process_.get()))) PostMessageA(w, WM_CLOSE, 0, 0);
        }
    }
    void Describe(const std::string& text) const { std::ofstream(settings, std::ios::binary) << text; }
    bool Running() const { return process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT; }

    const std::string settings;

private:
    struct Find {
        DWORD pid;
        HWND found;
    };
    static BOOL CALLBACK Visible(HWND h, LPARAM lp) {
        auto* f = reinterpret_cast<Find*>(lp);
        DWORD p = 0;
        GetWindowThreadProcessId(h, &p);
        if (p != f->pid || !IsWindowVisible(h)) return TRUE;
        f->found = h;
        return FALSE;
    }
    static HWND WindowOf(DWORD pid) {
        Find f{pid, nullptr};
        EnumWindows(&Visible, reinterpret_cast<LPARAM>(&f));
        return f.found;
    }
    com::unique_handle process_;
};

class TarvelChannels : public ::testing::Test {
protected:
    void SetUp() override {
        // Servers that COM starts inherit it: no question box unless a test asks for one.
        SetEnvironmentVariableA("TARVEL_HRCHECK", "no");
        ASSERT_TRUE(WaitNoProcess("Tarvel.exe", 15000)) << "a Tarvel.exe from before is still running";
    }
    void TearDown() override {
        SetEnvironmentVariableA("TARVEL_HRCHECK", "no");
        if (WaitNoProcess("Tarvel.exe", 15000)) return;
        ADD_FAILURE() << "Tarvel.exe still runs";
        for (DWORD id : ProcessesNamed("Tarvel.exe")) {  // started by this test: do not leave it
            com::unique_handle p(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
            if (p.valid() && TerminateProcess(p.get(), 1)) WaitForSingleObject(p.get(), 5000);
        }
    }

    com::CoInitGuard init;
    TempDir dir;
};

// One word through the CHAR channel and over COM: the channel's answer is COM's, which it returns.
LONG CharAgreesWithCom(ILM* lm, Channel<CharTransfer>& chars, const char* word) {
    auto w = com::ToBstr(word);
    LONG id = -1;
    EXPECT_EQ(S_OK, lm->IsUnknown(w.get(), &id));
    std::strcpy(chars.Block().word, word);
    [&] { ASSERT_TRUE(chars.Send()); }();
    EXPECT_EQ(chars.Block().marker, kHandledMarker);
    EXPECT_EQ(chars.Block().result, id);
    return id;
}

// n ids (3 or 4) through the INT channel and over COM: the same probability.
void IntAgreesWithCom(ILM* lm, Channel<IntTransfer>& ints, int n, const int (&q)[4]) {
    float p = 1;
    ASSERT_EQ(S_OK, n == 4 ? lm->ProbabilityId4(q[0], q[1], q[2], q[3], &p) : lm->ProbabilityId(q[0], q[1], q[2], &p));
    IntTransfer& b = ints.Block();
    b.n = n;
    b.id1 = q[0];
    b.id2 = q[1];
    b.id3 = q[2];
    b.id4 = q[3];
    b.result = 1;
    ASSERT_TRUE(ints.Send());
    EXPECT_EQ(b.marker, kHandledMarker);
    EXPECT_EQ(b.result, p);
}

struct ModelRow {
    const char* name;
    std::string set;    // the model set's settings file
    std::string model;  // its numbered model file "m0", when the set type reads one
    const char* known;  // a word the set knows, and its id
    int id;
};

std::vector<ModelRow> Rows(const std::string& dir) {
    const std::string tiny = kData + "tiny.arpa", tiny4 = kData + "tiny4.arpa";
    const std::string classes = "wc_file = " + kData + "classes.txt\n";
    const std::string classKn = classes + "kn_model = " + kData + "classes.arpa\n";
    auto td = [&](int type) { return "type = 3\nTDType = " + std::to_string(type) + "\nlm = " + dir + "m\n"; };
    std::vector<ModelRow> rows;
    for (int sep : {0, 1}) {
        const std::string s = "sep_proc = " + std::to_string(sep) + "\n";
        const std::string kn = s + "kn_model = " + tiny + "\n", kn1 = s + "kn1_model = " + tiny4 + "\n";
        rows.push_back({sep ? "KN, provider" : "KN", "type = 0\n" + kn, "", "c", 5});
        rows.push_back({sep ? "reverse KN, provider" : "reverse KN", td(4), kn, nullptr, 0});
        rows.push_back({sep ? "modified KN, provider" : "modified KN", "type = 8\n" + kn1, "", "x", 3});
    }
    rows.push_back({"binary CMU", "type = 1\nlmCMU = " + tiny + "\n", "", "c", 5});
    rows.push_back({"cache", td(2), "cache_size = 5\n", nullptr, 0});
    rows.push_back({"class over KN", td(6), classKn, nullptr, 0});
    rows.push_back({"class and cache", td(7), classes + "cache_size = 100\n", nullptr, 0});
    rows.push_back({"class alone", td(9), classes, nullptr, 0});
    rows.push_back({"word in its class", td(11), classKn, "Vilnius", 1});
    return rows;
}

TEST_F(TarvelChannels, AnswerWhatComAnswersForEveryModelTypeInEitherProcess) {
    const std::vector<ModelRow> rows = Rows(dir.path);
    HandStartedTarvel tarvel(dir, rows[0].set);
    ASSERT_TRUE(tarvel.Running());
    auto lm = Create();
    ASSERT_TRUE(lm);
    ASSERT_EQ(1u, ProcessesNamed("Tarvel.exe").size());
    LONG v = 0;
    ASSERT_EQ(S_OK, lm->StartIsUnknown(&v));
    ASSERT_EQ(1, v);
    ASSERT_EQ(S_OK, lm->StartProbabilityId(&v));
    ASSERT_EQ(1, v);
    {
        Channel<CharTransfer> chars(kCharChannelName);
        Channel<IntTransfer> ints(kIntChannelName);
        ASSERT_TRUE(chars.Open() && ints.Open());
        const char* words[] = {"a", "b", "c", "zz", "x", "y", "<s>", "</s>", "Vilnius", "Kaunas", "eina"};
        const int ids[][4] = {{3, 4, 5, 0}, {1, 3, 4, 3}, {3, 3, 4, 3}, {0, 0, 3, 4}, {1, 1, 2, 1}, {3, 4, 3, 4}};
        for (const ModelRow& row : rows) {
            SCOPED_TRACE(row.name);
            if (!row.model.empty()) dir.Write("m0", row.model);
            tarvel.Describe(row.set);
            auto file = com::ToBstr(tarvel.settings);
            ASSERT_EQ(S_OK, lm->Load(file.get(), &v));
            ASSERT_EQ(1, v);
            for (const char* word : words) {
                SCOPED_TRACE(word);
                const LONG id = CharAgreesWithCom(lm.get(), chars, word);
                ASSERT_FALSE(::testing::Test::HasFatalFailure());
                if (row.known && std::strcmp(word, row.known) == 0) {
                    EXPECT_EQ(id, row.id);
                }
            }
            for (const auto& q : ids) {
                for (int n : {3, 4}) {
                    SCOPED_TRACE(::testing::Message() << n << " ids from " << q[0] << " " << q[1] << " " << q[2]);
                    IntAgreesWithCom(lm.get(), ints, n, q);
                    ASSERT_FALSE(::testing::Test::HasFatalFailure());
                }
            }
        }
    }
    EXPECT_EQ(S_OK, lm->StopIsUnknown(&v));
    EXPECT_EQ(S_OK, lm->StopProbabilityId(&v));
    EXPECT_EQ(S_OK, lm->Unload(&v));
}

// How many of n COM calls IsUnknown("c") answer 5, the tiny model's id for it, while the
// channels are busy.
int IsUnknownCallsAnswered(ILM* lm, int n) {
    auto w = com::ToBstr("c");
    int answered = 0;
    for (int i = 0; i < n; ++i) {
        LONG id = 0;
        if (lm->IsUnknown(w.get(), &id) == S_OK && id == 5) ++answered;
    }
    return answered;
}

// Two clients in processes of their own ask back to back, one on each channel. A COM client's
// calls keep their turn meanwhile: all of them are answered while the channel clients still ask
// (each would have to finish its 20000 requests first if they did not).
TEST_F(TarvelChannels, BusyChannelsLeaveComCallsTheirTurn) {
    auto lm = Create();
    ASSERT_TRUE(lm);
    for (int sep : {1, 0}) {
        SCOPED_TRACE(sep ? "model in the provider" : "model in Tarvel");
        LONG v = 0;
        auto file = com::ToBstr(dir.Write("set" + std::to_string(sep), "type = 0\nsep_proc = " +
                                          std::to_string(sep) + "\nkn_model = " + kData + "tiny.arpa\n"));
        ASSERT_EQ(S_OK, lm->Load(file.get(), &v));
        ASSERT_EQ(1, v);
        ASSERT_EQ(S_OK, lm->StartIsUnknown(&v));
        ASSERT_EQ(S_OK, lm->StartProbabilityId(&v));
        ClientProcess chars("char-repeat 20000 c");
        ClientProcess ints("int-repeat 20000 3 3 4 5 0");
        ASSERT_EQ(chars.ReadLine(), "open");
        ASSERT_EQ(ints.ReadLine(), "open");
        EXPECT_EQ(IsUnknownCallsAnswered(lm.get(), 200), 200);
        EXPECT_EQ(chars.Finish(0), -1) << "the CHAR client had finished first";
        EXPECT_EQ(ints.Finish(0), -1) << "the INT client had finished first";
        EXPECT_EQ(S_OK, lm->StopIsUnknown(&v));
        EXPECT_EQ(S_OK, lm->StopProbabilityId(&v));
    }
}

// Tarvel's committed private memory, as the system counts it.
SIZE_T PrivateBytes(DWORD pid) {
    com::unique_handle p(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid));
    PROCESS_MEMORY_COUNTERS_EX c{};
    c.cb = sizeof c;
    if (!p.valid() || !K32GetProcessMemoryInfo(p.get(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&c), sizeof c))
        return 0;
    return c.PagefileUsage;  // what Wine counts as the process's private bytes
}

// An INT client floods the channel with refused requests (n = 5), each of which logs a line on the
// waiting thread. A COM client's calls are all answered while the flood still runs, and Tarvel
// holds no more memory after it than a few MB above what it held before.
TEST_F(TarvelChannels, AFloodOfRefusedRequestsLeavesComCallsTheirTurn) {
    auto lm = Create();
    ASSERT_TRUE(lm);
    LONG v = 0;
    auto file = com::ToBstr(dir.Write("set", "type = 0\nkn_model = " + kData + "tiny.arpa\n"));
    ASSERT_EQ(S_OK, lm->Load(file.get(), &v));
    ASSERT_EQ(S_OK, lm->StartProbabilityId(&v));
    const std::vector<DWORD> tarvel = ProcessesNamed("Tarvel.exe");
    ASSERT_EQ(1u, tarvel.size());
    const SIZE_T before = PrivateBytes(tarvel[0]);
    ASSERT_NE(before, 0u);

    ClientProcess flood("int-repeat 50000 5 1 2 3 4");
    ASSERT_EQ(flood.ReadLine(), "open");
    EXPECT_EQ(IsUnknownCallsAnswered(lm.get(), 200), 200);
    EXPECT_EQ(flood.Finish(0), -1) << "the flood had ended first";  // ends it
    EXPECT_EQ(S_OK, lm->IsLoaded(&v));  // a turn of Tarvel's main thread after the flood
    EXPECT_LT(PrivateBytes(tarvel[0]), before + 8 * 1024 * 1024);
    EXPECT_EQ(S_OK, lm->StopProbabilityId(&v));
}

// Both channels run on a set that an Unload deletes (it comes while the set loads). Once the old
// set is gone, a new Load and the starts get channels of the new set, whose first answers are
// what COM answers for it, not what the deleted set knew.
TEST_F(TarvelChannels, AfterAnUnloadDuringALoadTheNextStartServesTheNewSet) {
    HandStartedTarvel tarvel(dir, "type = 8\nkn1_model = " + kData + "tiny4.arpa\n");
    ASSERT_TRUE(tarvel.Running());
    auto lm = Create();
    ASSERT_TRUE(lm);
    LONG v = 0;
    ASSERT_EQ(S_OK, lm->StartIsUnknown(&v));
    ASSERT_EQ(1, v);
    ASSERT_EQ(S_OK, lm->StartProbabilityId(&v));
    ASSERT_EQ(1, v);
    {
        std::thread load([&] {
            com::CoInitGuard mta(COINIT_MULTITHREADED);
            auto own = Create();
            LONG loaded = 0;
            auto file = com::ToBstr(tarvel.settings);
            if (own) own->Load(file.get(), &loaded);
        });
        EXPECT_EQ(S_OK, lm->Unload(&v));
        load.join();
    }
    LONG loaded = 1;
    for (DWORD start = GetTickCount(); loaded && GetTickCount() - start < 15000;)
        ASSERT_EQ(S_OK, lm->IsLoaded(&loaded));
    ASSERT_EQ(0, loaded) << "the unload did not come";

    tarvel.Describe("type = 0\nkn_model = " + kData + "tiny.arpa\n");
    auto file = com::ToBstr(tarvel.settings);
    ASSERT_EQ(S_OK, lm->Load(file.get(), &v));
    ASSERT_EQ(1, v);
    ASSERT_EQ(S_OK, lm->StartIsUnknown(&v));
    EXPECT_EQ(1, v) << "the deleted set's CHAR channel still held the names";
    ASSERT_EQ(S_OK, lm->StartProbabilityId(&v));
    EXPECT_EQ(1, v) << "the deleted set's INT channel still held the names";
    {
        Channel<CharTransfer> chars(kCharChannelName);
        Channel<IntTransfer> ints(kIntChannelName);
        ASSERT_TRUE(chars.Open() && ints.Open());
        for (const char* word : {"c", "a", "x"}) {
            SCOPED_TRACE(word);
            CharAgreesWithCom(lm.get(), chars, word);
        }
        const int ids[4] = {3, 4, 5, 0};
        IntAgreesWithCom(lm.get(), ints, 3, ids);
    }
    EXPECT_EQ(S_OK, lm->StopIsUnknown(&v));
    EXPECT_EQ(S_OK, lm->StopProbabilityId(&v));
    EXPECT_EQ(S_OK, lm->Unload(&v));
}

HWND FindBox(const char* caption) { return FindWindowA("#32770", caption); }

// With the interactive debug check, a channel call to a model whose process has gone shows the
// question box. Until it is answered, another client's COM call must still be served.
TEST_F(TarvelChannels, WhileAFailedChannelCallsQuestionBoxWaitsOtherClientsAreServed) {
    SetEnvironmentVariableA("TARVEL_HRCHECK", "ask");  // the box, which a COM-started server skips
    auto lm = Create();
    ASSERT_TRUE(lm);
    OtherClient other;
    LONG v = 0;
    auto file = com::ToBstr(dir.Write("set", "type = 0\nsep_proc = 1\nkn_model = " + kData + "tiny.arpa\n"));
    ASSERT_EQ(S_OK, lm->Load(file.get(), &v));
    ASSERT_EQ(1, v);
    ASSERT_EQ(S_OK, lm->StartIsUnknown(&v));
    ASSERT_EQ(1, v);
    for (DWORD id : ProcessesNamed("Fenno.exe")) {  // the provider's process ends
        com::unique_handle p(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
        if (p.valid() && TerminateProcess(p.get(), 1)) WaitForSingleObject(p.get(), 5000);
    }

    bool served = false, boxOpenMeanwhile = false, answered = false;
    {
        Channel<CharTransfer> chars(kCharChannelName);
        ASSERT_TRUE(chars.Open());
        std::strcpy(chars.Block().word, "c");
        std::atomic<bool> requestDone{false};
        std::thread request([&] {
            answered = chars.Send(120000);
            requestDone = true;
        });
        HWND box = nullptr;
        for (DWORD start = GetTickCount(); !box && GetTickCount() - start < 30000; Sleep(20))
            box = FindBox("HRCHECK: ");
        if (box) {
            served = other.Ask(30000);
            boxOpenMeanwhile = IsWindow(box) != FALSE;
        }
        // Answer No to each box until the request is done.
        for (DWORD start = GetTickCount(); !requestDone && GetTickCount() - start < 60000; Sleep(20))
            if (HWND b = FindBox("HRCHECK: ")) PostMessageA(b, WM_COMMAND, IDNO, 0);
        request.join();
        EXPECT_TRUE(box) << "no question box for the failed call";
    }
    EXPECT_TRUE(served) << "another client's call waited for the question box";
    EXPECT_TRUE(boxOpenMeanwhile);
    EXPECT_TRUE(answered);
    EXPECT_EQ(S_OK, lm->StopIsUnknown(&v));
}

// Answers No to every debug question box that shows while it lives, and keeps their captions.
class BoxAnswerer {
public:
    BoxAnswerer()
        : thread_([this] {
              while (!stop_) {
                  for (const char* caption : {"_ASSERTE: ", "HRCHECK: "})
                      if (HWND b = FindBox(caption)) {
                          if (seen_.find(caption) == std::string::npos) seen_ += caption;
                          PostMessageA(b, WM_COMMAND, IDNO, 0);
                      }
                  Sleep(20);
              }
          }) {}
    ~BoxAnswerer() { Finish(); }
    // Stops answering; the captions of the boxes seen, each once.
    std::string Finish() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        return seen_;
    }

private:
    std::atomic<bool> stop_{false};
    std::string seen_;
    std::thread thread_;
};

// A Tarvel that COM started, with nobody to answer a question box: after a failed load (the
// server's first, or after a good one) no component is asked, and every query over COM and both
// channels answers as before a load; a good load serves again.
TEST_F(TarvelChannels, AfterAFailedLoadEveryQueryAnswersWithoutAskingAComponent) {
    SetEnvironmentVariableA("TARVEL_HRCHECK", nullptr);
    BoxAnswerer boxes;  // the box blocks a call forever where nobody answers it
    auto lm = Create();
    ASSERT_TRUE(lm);
    LONG v = 0;
    ASSERT_EQ(S_OK, lm->StartIsUnknown(&v));
    ASSERT_EQ(S_OK, lm->StartProbabilityId(&v));
    const std::string good = dir.Write("good.set", "type = 0\nkn_model = " + kData + "tiny.arpa\n");
    auto loadGood = [&] {
        auto file = com::ToBstr(good);
        ASSERT_EQ(S_OK, lm->Load(file.get(), &v));
        ASSERT_EQ(1, v);
    };
    const struct {
        const char* name;
        std::string file;
    } cases[] = {
        {"missing path, the first load", "Z:\\nonexistent\\x.set"},
        {"missing path", "Z:\\nonexistent\\x.set"},
        {"empty path", ""},
        {"2,000,000 characters", std::string(2000000, 'p')},
    };
    {
        Channel<CharTransfer> chars(kCharChannelName);
        Channel<IntTransfer> ints(kIntChannelName);
        ASSERT_TRUE(chars.Open() && ints.Open());
        bool first = true;
        for (const auto& c : cases) {
            SCOPED_TRACE(c.name);
            if (!first) loadGood();
            first = false;
            auto file = com::ToBstr(c.file);
            ASSERT_EQ(S_OK, lm->Load(file.get(), &v));
            ASSERT_EQ(0, v);
            auto a = com::ToBstr("labai"), b = com::ToBstr("ilgas"), w = com::ToBstr("c");
            float p = 0;
            EXPECT_EQ(S_OK, lm->Probability(a.get(), b.get(), w.get(), &p));
            EXPECT_EQ(-99.99f, p);
            EXPECT_EQ(S_OK, lm->GetProbW(w.get(), 3, &p));
            EXPECT_EQ(-99.99f, p);
            EXPECT_EQ(S_OK, lm->ProbabilityFB(w.get(), a.get(), b.get(), &p));
            EXPECT_EQ(-99.99f, p);
            const int ids[4] = {3, 4, 5, 3};
            for (int n : {3, 4}) IntAgreesWithCom(lm.get(), ints, n, ids);
            EXPECT_EQ(-99.99f, ints.Block().result);
            EXPECT_EQ(0, CharAgreesWithCom(lm.get(), chars, "c"));
            // The history operations answer as before a load.
            EXPECT_EQ(S_OK, lm->AddWordToHist(w.get(), 1, &v));
            EXPECT_EQ(1, v);
            EXPECT_EQ(S_OK, lm->UpdateWeight(&v));
            EXPECT_EQ(1, v);
            EXPECT_EQ(S_OK, lm->ClearHist(&v));
            EXPECT_EQ(1, v);
            EXPECT_EQ(S_OK, lm->StartCalcCache(&v));
            EXPECT_EQ(1, v);
            EXPECT_EQ(S_OK, lm->ClearCalcCache(&v));
            EXPECT_EQ(1, v);
            EXPECT_EQ(S_OK, lm->InfoOn(0));
            com::unique_bstr weights;
            EXPECT_EQ(S_OK, lm->GetWeightInfo(weights.put()));
            EXPECT_EQ("Count = 1; [0]=1", com::FromBstr(weights.get()));  // the model that failed
        }
        loadGood();
        EXPECT_EQ(5, CharAgreesWithCom(lm.get(), chars, "c"));
        const int ids[4] = {3, 4, 5, 0};
        IntAgreesWithCom(lm.get(), ints, 3, ids);
        EXPECT_NE(-99.99f, ints.Block().result);
    }
    EXPECT_EQ("", boxes.Finish()) << "a question box asked on a screen nobody watches";
    EXPECT_EQ(S_OK, lm->StopIsUnknown(&v));
    EXPECT_EQ(S_OK, lm->StopProbabilityId(&v));
    EXPECT_EQ(S_OK, lm->Unload(&v));
}

// The waiting thread of a stopped channel notices the stop only at the end of its wait of a
// second. The server serves other clients meanwhile: another client's call is answered while the
// channel's objects are still there, before the stop has returned.
TEST_F(TarvelChannels, DuringALastStopAnotherClientsCallIsServed) {
    auto lm = Create();
    ASSERT_TRUE(lm);
    OtherClient other;
    bool stopStillInHand = false;
    other.afterAnswer = [&] {
        com::unique_handle m(OpenFileMappingA(FILE_MAP_READ, FALSE, "TTarvel_Char_mem"));
        stopStillInHand = m.valid();
    };
    LONG v = 0;
    ASSERT_EQ(S_OK, lm->StartIsUnknown(&v));
    ASSERT_EQ(1, v);
    {
        Channel<CharTransfer> chars(kCharChannelName);
        ASSERT_TRUE(chars.Open());
        std::strcpy(chars.Block().word, "a");
        ASSERT_TRUE(chars.Send());  // the waiting thread begins a new wait of a second
    }
    bool answered = false;
    std::thread ask([&] {
        Sleep(200);  // the stop is in hand by then
        answered = other.Ask(30000);
    });
    EXPECT_EQ(S_OK, lm->StopIsUnknown(&v));
    ask.join();
    EXPECT_TRUE(answered);
    EXPECT_TRUE(stopStillInHand) << "the other client's call waited for the stop";
    com::unique_handle m(OpenFileMappingA(FILE_MAP_READ, FALSE, "TTarvel_Char_mem"));
    EXPECT_FALSE(m.valid());  // released when the stop returned
}

}  // namespace
