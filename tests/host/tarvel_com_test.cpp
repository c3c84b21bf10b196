// The real Tarvel.exe as its clients see it: started by COM through its registration, called
// through the vtable and late-bound, one model set shared by several clients, ending after its
// last client; and started by hand with a settings file that loads at start.
#include <gtest/gtest.h>

#include <windows.h>

#include <cmath>
#include <thread>
#include <vector>

#include "Tarvel.h"
#include "com/bstr.h"
#include "com/coinit.h"
#include "com/com_ptr.h"
#include "tests/support/tarvel_process.h"
#include "temp_dir.h"

using com::com_ptr;

namespace {

constexpr DWORD kAllContexts = 21;
const std::string kData = TEST_DATA;  // the components' fixture folder

class TarvelCom : public ::testing::Test {
protected:
    void SetUp() override {
        // Servers that COM starts inherit it: no debug question box can stop a test.
        SetEnvironmentVariableA("TARVEL_HRCHECK", "no");
        ASSERT_TRUE(WaitNoProcess("Tarvel.exe", 15000)) << "a Tarvel.exe from before is still running";
    }
    void TearDown() override {
        if (WaitNoProcess("Tarvel.exe", 15000)) return;
        ADD_FAILURE() << "Tarvel.exe still runs";
        for (DWORD id : ProcessesNamed("Tarvel.exe")) {  // started by this test: do not leave it
            com::unique_handle p(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
            if (p.valid() && TerminateProcess(p.get(), 1)) WaitForSingleObject(p.get(), 5000);
        }
    }

    static com_ptr<ILM> Create() {
        com_ptr<ILM> lm;
        EXPECT_EQ(S_OK, CoCreateInstance(CLSID_LM, nullptr, kAllContexts, IID_ILM, lm.put_void()));
        return lm;
    }
    static float Probability(ILM* lm, const char* a, const char* b, const char* c) {
        auto x = com::ToBstr(a), y = com::ToBstr(b), z = com::ToBstr(c);
        float p = 0;
        EXPECT_EQ(S_OK, lm->Probability(x.get(), y.get(), z.get(), &p));
        return p;
    }
    static std::string Info(ILM* lm) {
        com::unique_bstr text;
        EXPECT_EQ(S_OK, lm->GetInfo(text.put()));
        return com::FromBstr(text.get());
    }

    com::CoInitGuard init;
};

// Probability through IDispatch by name, as a script would call it.
float LateBoundProbability(ILM* lm, const char* a, const char* b, const char* c) {
    OLECHAR name[] = L"Probability";
    LPOLESTR names[] = {name};
    DISPID id = -1;
    EXPECT_EQ(S_OK, lm->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id));
    EXPECT_EQ(3, id);
    auto x = com::ToBstr(a), y = com::ToBstr(b), z = com::ToBstr(c);
    VARIANT args[3];
    args[0].vt = VT_BSTR; args[0].bstrVal = z.get();
    args[1].vt = VT_BSTR; args[1].bstrVal = y.get();
    args[2].vt = VT_BSTR; args[2].bstrVal = x.get();
    DISPPARAMS params{args, nullptr, 3, 0};
    com::unique_variant result;
    EXPECT_EQ(S_OK, lm->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, result.get(), nullptr,
                               nullptr));
    EXPECT_EQ(VT_R4, result->vt);
    return result->fltVal;
}

TEST_F(TarvelCom, StartedByComServesOneSetToSeveralClientsAndEndsAfterTheLast) {
    ASSERT_TRUE(init.ok());
    auto first = Create();
    ASSERT_TRUE(first);
    auto ids = ProcessesNamed("Tarvel.exe");
    ASSERT_EQ(1u, ids.size());
    com::unique_handle server(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, ids[0]));
    ASSERT_TRUE(server.valid());

    // No settings file (the first argument is the switch): nothing is loaded until a client asks.
    LONG v = -1;
    ASSERT_EQ(S_OK, first->IsLoaded(&v));
    EXPECT_EQ(0, v);
    EXPECT_EQ(-99.99f, Probability(first.get(), "a", "b", "c"));

    // Load builds a set of type 0: one KN model from the file given.
    auto file = com::ToBstr(kData + "kn.ini");
    ASSERT_EQ(S_OK, first->Load(file.get(), &v));
    ASSERT_EQ(1, v);
    EXPECT_EQ("LM Info: loaded; KN; ", Info(first.get()));
    EXPECT_NEAR(-0.05, Probability(first.get(), "a", "b", "c"), 1e-5);  // p(c | a b) = 10^-0.05
    EXPECT_NEAR(-0.05, LateBoundProbability(first.get(), "a", "b", "c"), 1e-5);
    auto c = com::ToBstr("c"), zz = com::ToBstr("zz");
    EXPECT_EQ(S_OK, first->IsUnknown(c.get(), &v));
    EXPECT_EQ(5, v);
    EXPECT_EQ(S_OK, first->IsUnknown(zz.get(), &v));
    EXPECT_EQ(0, v);
    float p = 0;
    EXPECT_EQ(S_OK, first->ProbabilityId(3, 4, 5, &p));
    EXPECT_NEAR(-0.05, p, 1e-5);

    // The fast channels start and stop through ILM: their shared blocks exist while they run.
    auto mapped = [](const char* name) {
        com::unique_handle m(OpenFileMappingA(FILE_MAP_READ, FALSE, name));
        return m.valid();
    };
    EXPECT_EQ(S_OK, first->StartIsUnknown(&v));
    EXPECT_EQ(1, v);
    EXPECT_EQ(S_OK, first->StartProbabilityId(&v));
    EXPECT_EQ(1, v);
    EXPECT_TRUE(mapped("TTarvel_Char_mem"));
    EXPECT_TRUE(mapped("TTarvel_Int_mem"));
    EXPECT_EQ(S_OK, first->StopIsUnknown(&v));
    EXPECT_EQ(1, v);
    EXPECT_EQ(S_OK, first->StopProbabilityId(&v));
    EXPECT_EQ(1, v);

    // A second client, from another thread as well, reaches the same loaded set.
    auto second = Create();
    ASSERT_TRUE(second);
    EXPECT_EQ(ids, ProcessesNamed("Tarvel.exe"));
    EXPECT_EQ(S_OK, second->IsLoaded(&v));
    EXPECT_EQ(1, v);
    float fromThread = 0;
    std::thread other([&] {
        com::CoInitGuard threadInit;
        auto third = Create();
        if (third) fromThread = Probability(third.get(), "a", "b", "a");
    });
    other.join();
    EXPECT_NEAR(std::log10(0.251188643), fromThread, 1e-5);

    // History through one client is the set's, seen by the other.
    LONG ok = 0;
    auto a = com::ToBstr("a");
    EXPECT_EQ(S_OK, first->AddWordToHist(a.get(), 0, &ok));
    EXPECT_EQ(1, ok);

    first.reset();
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(server.get(), 500));
    EXPECT_NEAR(-0.05, Probability(second.get(), "a", "b", "c"), 1e-5);
    second.reset();
    // Started with /Automation: the last release ends the program.
    ASSERT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(server.get(), 15000));
    DWORD code = 1;
    GetExitCodeProcess(server.get(), &code);
    EXPECT_EQ(0u, code);

    // The next client gets a new server, with nothing loaded.
    auto next = Create();
    ASSERT_TRUE(next);
    EXPECT_EQ(S_OK, next->IsLoaded(&v));
    EXPECT_EQ(0, v);
}

// Started by COM, the server has no terminal: why a load failed is kept in a file beside it, one
// reason a line, whether Tarvel or a component gives it.
TEST_F(TarvelCom, StartedByComKeepsTheReasonsOfAFailedLoadBesideTheProgram) {
    ASSERT_TRUE(init.ok());
    auto lm = Create();
    ASSERT_TRUE(lm);
    TempDir dir;
    const std::string folder = dir.path.substr(0, dir.path.size() - 1);
    const std::string badModel = kData + "bad\\kn_missing_model.ini";
    const struct {
        std::string file, says;
    } cases[] = {
        {dir.path + "absent.set", "Can not open file: " + dir.path + "absent.set"},
        {folder, "Can not open file: " + folder},
        {badModel, "Dravo: Can not open file: " + kData + "bad\\missing.arpa (kn_model in " + badModel + ")"},
    };
    for (const auto& c : cases) {
        auto file = com::ToBstr(c.file);
        LONG v = -1;
        ASSERT_EQ(S_OK, lm->Load(file.get(), &v));
        EXPECT_EQ(0, v) << c.file;
        EXPECT_EQ("Not loaded", Info(lm.get()));
    }
    lm.reset();
    ASSERT_TRUE(WaitNoProcess("Tarvel.exe", 15000));  // its last client gone, the file is complete

    const std::string exe = TARVEL_EXE;
    const std::string errors = exe.substr(0, exe.find_last_of('\\') + 1) + "Tarvel.stderr.txt";
    auto lines = FileLines(errors);
    for (const auto& c : cases) EXPECT_TRUE(HasLine(lines, c.says)) << c.says << "\n" << testing::PrintToString(lines);
}

// A client that comes right after the previous one left reaches a server that serves it: the
// one that is still offering its class, or a new one.
TEST_F(TarvelCom, BackToBackClientsEachGetAServer) {
    ASSERT_TRUE(init.ok());
    int served = 0;
    for (int round = 0; round < 20; ++round) {
        com_ptr<ILM> lm;
        HRESULT hr = CoCreateInstance(CLSID_LM, nullptr, kAllContexts, IID_ILM, lm.put_void());
        LONG v = -1;
        if (SUCCEEDED(hr)) hr = lm->IsLoaded(&v);
        EXPECT_EQ(S_OK, hr) << "round " << round;
        if (hr == S_OK && v == 0) ++served;
    }
    EXPECT_EQ(20, served);
}

// The same from a separate process, plain CoCreateInstance each round, while other processes keep
// every processor busy: each round is served, by the server still lingering or by a new one.
TEST_F(TarvelCom, BackToBackClientsOfAnotherProcessEachGetAServerOnABusyMachine) {
    const std::string client = BACK_TO_BACK_EXE;
    SYSTEM_INFO si{};
    GetSystemInfo(&si);
    std::vector<com::unique_handle> busy;
    for (DWORD i = 0; i < si.dwNumberOfProcessors + 2; ++i) {
        HANDLE h = nullptr;
        RunProgram(client + " busy 150000", false, &h);
        busy.emplace_back(h);
    }
    HANDLE h = nullptr;
    ASSERT_EQ(static_cast<DWORD>(STILL_ACTIVE), RunProgram(client + " rounds 20", false, &h));
    com::unique_handle rounds(h);
    const DWORD waited = WaitForSingleObject(rounds.get(), 200000);
    for (auto& b : busy)
        if (b.valid()) TerminateProcess(b.get(), 0);
    ASSERT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), waited);
    DWORD failed = 99;
    GetExitCodeProcess(rounds.get(), &failed);
    EXPECT_EQ(0u, failed);
}

// Several processes creating back to back at once: each round is also a client that comes in the
// instant another one leaves, and the first rounds are clients that make COM start a server at
// the same instant. Every round gets a server, and no server stays behind (TearDown).
TEST_F(TarvelCom, BackToBackClientsOfSeveralProcessesAtOnceEachGetAServer) {
    const std::string client = BACK_TO_BACK_EXE;
    std::vector<com::unique_handle> rounds;
    for (int i = 0; i < 3; ++i) {
        HANDLE h = nullptr;
        ASSERT_EQ(static_cast<DWORD>(STILL_ACTIVE), RunProgram(client + " rounds 30", false, &h));
        rounds.emplace_back(h);
    }
    for (auto& r : rounds) {
        ASSERT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(r.get(), 200000));
        DWORD failed = 99;
        GetExitCodeProcess(r.get(), &failed);
        EXPECT_EQ(0u, failed);
    }
}

// Answers the first message box of the given caption that shows in any process with button id;
// gives up after ms.
std::string AnswerBox(const char* caption, int button, DWORD ms) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
        HWND box = FindWindowA("#32770", caption);
        if (box) {
            char text[1024] = {};
            GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
            if (text[0]) {
                PostMessageA(box, WM_COMMAND, button, 0);
                return text;
            }
        }
        Sleep(20);
    }
    return {};
}

struct WindowOf {
    DWORD pid;
    HWND found = nullptr;
};

BOOL CALLBACK FindTopWindow(HWND h, LPARAM lp) {
    auto* w = reinterpret_cast<WindowOf*>(lp);
    DWORD p = 0;
    GetWindowThreadProcessId(h, &p);
    char cls[64] = {};
    GetClassNameA(h, cls, sizeof cls);
    if (p == w->pid && IsWindowVisible(h) && std::string(cls) != "#32770") {
        w->found = h;
        return FALSE;
    }
    return TRUE;
}

HWND TopWindowOf(DWORD pid) {
    WindowOf w{pid};
    EnumWindows(FindTopWindow, reinterpret_cast<LPARAM>(&w));
    return w.found;
}

// Another Tarvel already offers the class (as one that COM started for a client which another
// server then served): a Tarvel started with start = load loads its own set, never the other
// one's, and does not keep the other one running with its connection.
TEST_F(TarvelCom, TheLoadJobLoadsItsOwnServersSet) {
    ASSERT_TRUE(init.ok());
    HANDLE raw = nullptr;
    RunProgram("\"" + std::string(TARVEL_EXE) + "\" /Automation", false, &raw);
    com::unique_handle other(raw);
    ASSERT_TRUE(other.valid());
    DWORD start = GetTickCount();
    while (!TopWindowOf(GetProcessId(other.get())) && GetTickCount() - start < 20000) Sleep(50);

    TempDir dir;
    const std::string log = dir.Write("info.log", "");
    const std::string settings =
        dir.Write("tarvel.set", "start = load\nlm = " + kData + "kn.ini\ninfo = " + log + "\n");
    RunProgram("\"" + std::string(TARVEL_EXE) + "\" " + settings + " -Embedding", false, &raw);
    com::unique_handle own(raw);
    ASSERT_TRUE(own.valid());
    auto ended = [&] {
        auto l = FileLines(log);
        return HasLine(l, "LM loaded") || HasLine(l, "ERROR: LM load failed") || HasLine(l, "ERROR: LM Init failed");
    };
    start = GetTickCount();
    while (!ended() && GetTickCount() - start < 20000) Sleep(50);
    auto lines = FileLines(log);
    EXPECT_TRUE(HasLine(lines, "KN model loaded succesfully")) << testing::PrintToString(lines);

    // The other one offered the class first, so it serves the next client: untouched, and it
    // ends with that client.
    auto client = Create();
    ASSERT_TRUE(client);
    LONG v = -1;
    EXPECT_EQ(S_OK, client->IsLoaded(&v));
    EXPECT_EQ(0, v);
    client.reset();
    EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(other.get(), 15000));
    // This one serves its set, and closes after an Unload once no client is left.
    client = Create();
    ASSERT_TRUE(client);
    EXPECT_EQ(S_OK, client->IsLoaded(&v));
    EXPECT_EQ(1, v);
    EXPECT_EQ(S_OK, client->Unload(&v));
    client.reset();
    EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(own.get(), 15000));
}

TEST_F(TarvelCom, StartedByHandLoadsAtStartUnloadsForAClientAndAsksBeforeClosing) {
    TempDir dir;
    const std::string log = dir.path + "info.log";
    const std::string settings = dir.Write("tarvel.set", "start = load\nlm = " + kData + "kn.ini\ninfo = " + log + "\n");
    HANDLE raw = nullptr;
    // -Embedding: no self-registration, and no end with the last client.
    RunProgram("\"" + std::string(TARVEL_EXE) + "\" " + settings + " -Embedding", false, &raw);
    com::unique_handle server(raw);
    ASSERT_TRUE(server.valid());

    DWORD start = GetTickCount();
    while (!HasLine(FileLines(log), "LM loaded") && GetTickCount() - start < 20000) Sleep(50);
    auto lines = FileLines(log);
    ASSERT_TRUE(HasLine(lines, "LM loaded")) << testing::PrintToString(lines);

    auto client = Create();
    ASSERT_TRUE(client);
    start = GetTickCount();
    while (!HasLine(FileLines(log), "Connected: 2") && GetTickCount() - start < 10000) Sleep(50);
    EXPECT_TRUE(HasLine(FileLines(log), "Connected: 2"));  // after the window's own client
    EXPECT_EQ(1u, ProcessesNamed("Tarvel.exe").size());  // the running server, not a new one
    EXPECT_EQ("LM Info: loaded; KN; ", Info(client.get()));
    EXPECT_NEAR(-0.05, Probability(client.get(), "a", "b", "c"), 1e-5);

    // Closing while a client holds an object asks first; No keeps the server serving.
    HWND window = TopWindowOf(GetProcessId(server.get()));
    ASSERT_TRUE(window);
    LONG v = 0;
    ASSERT_EQ(S_OK, client->Unload(&v));
    EXPECT_EQ(1, v);
    start = GetTickCount();
    while (!HasLine(FileLines(log), "Disconnected: 1") && GetTickCount() - start < 10000) Sleep(50);
    EXPECT_TRUE(HasLine(FileLines(log), "Disconnected: 1"));
    EXPECT_EQ(S_OK, client->IsLoaded(&v));  // its set was deleted: the neutral answer
    EXPECT_EQ(0, v);

    PostMessageA(window, WM_CLOSE, 0, 0);
    std::string text = AnswerBox("COM Server Warning", IDNO, 10000);
    EXPECT_EQ(0u, text.find("There are still active COM objects in this application.  One or more")) << text;
    Sleep(200);
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(server.get(), 0));
    auto file = com::ToBstr(kData + "kn.ini");
    EXPECT_EQ(S_OK, client->Load(file.get(), &v));  // serving still
    EXPECT_EQ(1, v);

    client.reset();
    start = GetTickCount();
    while (!HasLine(FileLines(log), "Disconnected: 0") && GetTickCount() - start < 10000) Sleep(50);
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(server.get(), 500));  // -Embedding stays
    // With no object left, closing needs no answer.
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(server.get(), 15000));
}

}  // namespace
