// A bounded soak of Tarvel's fast channels beside its COM calls: several client processes at full
// rate for a fixed time, then one line of counts per client and the totals. Outside the tests:
// it runs for minutes and prints what happened, it does not judge.
//   soak_channels [seconds]              the driver (default 90 s): starts the clients below
//   soak_channels client <role> <seconds> <probability> <set file> [<second set file>]
// Roles:
//   com    IsUnknown and ProbabilityId over COM, back to back
//   char   the CHAR channel, taking turns with the other CHAR client (a named mutex)
//   int    the INT channel, likewise
//   load   Load and Unload rounds, the two set files by turns (the model in Tarvel, in the provider)
//   start  starts and stops both channels, again and again
// Every set the soak loads knows "c" as 5 and gives one probability for the ids 3 4 5; an answer
// of 0 (or -99.99) is what a set that is not loaded gives. Counts: calls made, the slowest call,
// wrong answers (neither the right one nor the not-loaded one), requests not handled (a channel
// stopped or deleted under them), lost requests (sent after a deleted set's channel had ended, so
// nobody could complete them) and hangs (a call that took longer than 10 s, a request that a
// set still serving did not complete in 3 s, or a client that did not end by its deadline).
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

#include "Tarvel.h"
#include "Tarvel/host/transfer.h"
#include "com/bstr.h"
#include "com/coinit.h"
#include "com/com_ptr.h"
#include "com/handle.h"
#include "tests/support/channel_end.h"
#include "tests/support/tarvel_process.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr DWORD kHang = 10000;  // ms: a call this slow counts as a hang
constexpr DWORD kLost = 3000;   // ms: a channel request not completed by then is given up
constexpr int kWordId = 5;      // "c" in every set of the soak

struct Counts {
    long long calls = 0, wrong = 0, unhandled = 0, lost = 0, hangs = 0, rebinds = 0;
    double maxWaitMs = 0;
    void Took(Clock::time_point since) {
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - since).count();
        maxWaitMs = std::max(maxWaitMs, ms);
        if (ms > kHang) ++hangs;
    }
};

com::com_ptr<ILM> Connect() {
    com::com_ptr<ILM> lm;
    CoCreateInstance(CLSID_LM, nullptr, CLSCTX_LOCAL_SERVER, IID_ILM, lm.put_void());
    return lm;
}

// A client bound to a deleted set gets the not-loaded answers; a Load binds it to the current one.
void Rebind(ILM* lm, const std::string& set, Counts& c) {
    LONG loaded = 0;
    if (FAILED(lm->IsLoaded(&loaded)) || loaded) return;
    auto file = com::ToBstr(set);
    lm->Load(file.get(), &loaded);
    ++c.rebinds;
}

float g_expected = 0;  // the probability of 3 4 5 in the soak's sets, asked by the driver

bool NotLoadedProbability(float p) { return p == 0.0f || std::fabs(p + 99.99f) < 0.01f; }

void ComClient(ILM* lm, const std::string& set, Clock::time_point end, Counts& c) {
    auto word = com::ToBstr("c");
    const float expected = g_expected;
    while (Clock::now() < end) {
        auto t = Clock::now();
        LONG id = -1;
        const HRESULT hr = lm->IsUnknown(word.get(), &id);
        c.Took(t);
        ++c.calls;
        if (FAILED(hr) || (id != kWordId && id != 0)) ++c.wrong;
        t = Clock::now();
        float p = 1;
        const HRESULT hp = lm->ProbabilityId(3, 4, 5, &p);
        c.Took(t);
        ++c.calls;
        if (FAILED(hp) || (p != expected && !NotLoadedProbability(p))) ++c.wrong;
        if (id == 0) Rebind(lm, set, c);
    }
}

template <typename T>
void ChannelClient(ILM* lm, const std::string& set, Clock::time_point end, Counts& c) {
    const bool isChar = std::is_same<T, CharTransfer>::value;
    const float expected = g_expected;
    com::unique_handle turn(CreateMutexA(nullptr, FALSE, isChar ? "soak_channels_char_turn" : "soak_channels_int_turn"));
    auto start = [&] {
        LONG v = 0;
        isChar ? lm->StartIsUnknown(&v) : lm->StartProbabilityId(&v);
        return v == 1;
    };
    auto stop = [&] {
        LONG v = 0;
        isChar ? lm->StopIsUnknown(&v) : lm->StopProbabilityId(&v);
    };
    bool started = start();
    while (Clock::now() < end) {
        if (!started) {
            Rebind(lm, set, c);
            started = start();
            if (!started) {
                Sleep(20);
                continue;
            }
        }
        // A few requests per turn, then the other client's turn.
        WaitForSingleObject(turn.get(), INFINITE);
        bool lost = false, timedOut = false;
        {
            chantest::Channel<T> channel(isChar ? kCharChannelName : kIntChannelName);
            for (int i = 0; i < 20 && channel.Open() && !lost; ++i) {
                T& b = channel.Block();
                if constexpr (std::is_same<T, CharTransfer>::value) {
                    std::strcpy(b.word, "c");
                } else {
                    b.n = 3;
                    b.id1 = 3;
                    b.id2 = 4;
                    b.id3 = 5;
                    b.result = 1;
                }
                const auto t = Clock::now();
                const bool done = channel.Send(kLost);
                c.Took(t);
                ++c.calls;
                if (!done) {
                    timedOut = true;
                    lost = true;
                } else if (b.marker != kHandledMarker) {
                    ++c.unhandled;  // stopped or deleted under the request
                    lost = true;
                } else if constexpr (std::is_same<T, CharTransfer>::value) {
                    if (b.result != kWordId && b.result != 0) ++c.wrong;
                    if (b.result == 0) lost = true;
                } else {
                    if (b.result != expected && !NotLoadedProbability(b.result)) ++c.wrong;
                }
            }
            if (!channel.Open()) lost = true;
        }
        ReleaseMutex(turn.get());
        if (lost) {
            // The set may be gone: give the start back and have one again, on the current set.
            stop();
            started = start();
            // A request sent after the deleted set's channel ended finds nobody: that is the
            // protocol's loss, told by the start that the deleted set refuses. A request that
            // timed out on a set that still serves is a hang.
            if (timedOut) ++(started ? c.hangs : c.lost);
        }
    }
    if (started) stop();
}

void LoadClient(ILM* lm, const std::string& set0, const std::string& set1, Clock::time_point end, Counts& c) {
    for (int round = 0; Clock::now() < end; ++round) {
        auto file = com::ToBstr(round % 2 ? set1 : set0);
        LONG v = 0;
        auto t = Clock::now();
        if (FAILED(lm->Load(file.get(), &v))) ++c.wrong;
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - t).count();
        if (ms > 3000) std::printf("load   a Load (%s) took %.0f ms\n", round % 2 ? "provider" : "in Tarvel", ms);
        c.Took(t);
        ++c.calls;
        Sleep(300);
        t = Clock::now();
        lm->Unload(&v);
        c.Took(t);
        ++c.calls;
        // The unload job waits before it unloads; the next Load follows once it is done.
        LONG loaded = 1;
        for (int i = 0; loaded && i < 100 && Clock::now() < end; ++i) {
            Sleep(50);
            lm->IsLoaded(&loaded);
            ++c.calls;
        }
    }
}

void StartClient(ILM* lm, const std::string& set, Clock::time_point end, Counts& c) {
    while (Clock::now() < end) {
        LONG a = 0, b = 0;
        auto t = Clock::now();
        lm->StartIsUnknown(&a);
        lm->StartProbabilityId(&b);
        c.Took(t);
        c.calls += 2;
        if (!a || !b) Rebind(lm, set, c);
        Sleep(100);
        t = Clock::now();
        if (a) lm->StopIsUnknown(&a);
        if (b) lm->StopProbabilityId(&b);
        c.Took(t);
        c.calls += 2;
        Sleep(50);
    }
}

int Client(const std::string& role, int seconds, float expected, const std::string& set0, const std::string& set1) {
    com::CoInitGuard init(COINIT_MULTITHREADED);
    g_expected = expected;
    Counts c;
    auto lm = Connect();
    if (!lm) {
        std::printf("%-6s no connection\n", role.c_str());
        return 1;
    }
    const auto end = Clock::now() + std::chrono::seconds(seconds);
    if (role == "com") ComClient(lm.get(), set0, end, c);
    if (role == "char") ChannelClient<CharTransfer>(lm.get(), set0, end, c);
    if (role == "int") ChannelClient<IntTransfer>(lm.get(), set0, end, c);
    if (role == "load") LoadClient(lm.get(), set0, set1, end, c);
    if (role == "start") StartClient(lm.get(), set0, end, c);
    lm = nullptr;
    std::printf("%-6s calls %9lld   max wait %8.1f ms   wrong %4lld   unhandled %5lld   lost %3lld   hangs %3lld"
                "   rebinds %5lld\n",
                role.c_str(), c.calls, c.maxWaitMs, c.wrong, c.unhandled, c.lost, c.hangs, c.rebinds);
    std::fflush(stdout);
    return 0;
}

struct Child {
    std::string role;
    com::unique_handle process, out;
};

Child Spawn(const std::string& role, int seconds, float expected, const std::string& set0, const std::string& set1) {
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    CreatePipe(&readEnd, &writeEnd, &sa, 0);
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    Child child{role, {}, com::unique_handle(readEnd)};
    com::unique_handle childOut(writeEnd);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = writeEnd;
    si.hStdError = writeEnd;
    char value[40];
    std::snprintf(value, sizeof value, "%.9g", expected);
    std::string line = "\"" + std::string(self) + "\" client " + role + " " + std::to_string(seconds) + " " + value +
                       " \"" + set0 + "\" \"" + set1 + "\"";
    PROCESS_INFORMATION pi{};
    if (CreateProcessA(self, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
        child.process.reset(pi.hProcess);
        CloseHandle(pi.hThread);
    }
    return child;
}

std::string ReadAll(HANDLE h) {
    std::string text;
    char buf[512];
    DWORD got = 0;
    while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got > 0) text.append(buf, got);
    return text;
}

int Driver(int seconds) {
    SetEnvironmentVariableA("TARVEL_HRCHECK", "no");  // the server COM starts inherits it
    com::CoInitGuard init;
    char tmp[MAX_PATH];
    GetTempPathA(MAX_PATH, tmp);
    const std::string base = std::string(tmp) + "soak_channels_" + std::to_string(GetCurrentProcessId()) + "_";
    const std::string set0 = base + "set0", set1 = base + "set1";
    for (int sep : {0, 1}) {
        if (FILE* f = std::fopen((sep ? set1 : set0).c_str(), "wb")) {
            std::fprintf(f, "type = 0\nsep_proc = %d\nkn_model = %stiny.arpa\n", sep, SOAK_DATA);
            std::fclose(f);
        }
    }
    // One connection of the driver's own keeps the server up while the clients come and go.
    auto lm = Connect();
    if (!lm) {
        std::printf("Tarvel could not be started (is it registered?)\n");
        return 1;
    }
    auto file = com::ToBstr(set0);
    LONG ok = 0;
    float expected = 0;
    if (FAILED(lm->Load(file.get(), &ok)) || ok != 1 || FAILED(lm->ProbabilityId(3, 4, 5, &expected))) {
        std::printf("the soak's set did not load\n");
        return 1;
    }
    std::printf("soak: %d s; clients: 2 com, 2 char, 2 int, 1 load, 1 start\n", seconds);
    std::vector<Child> children;
    for (const char* role : {"com", "com", "char", "char", "int", "int", "load", "start"})
        children.push_back(Spawn(role, seconds, expected, set0, set1));
    long long hangs = 0;
    std::string report;
    for (Child& c : children) {
        // Each client stops by itself at its deadline; one that is not done a minute later hangs.
        const DWORD r = c.process ? WaitForSingleObject(c.process.get(), (seconds + 60) * 1000) : WAIT_FAILED;
        if (r != WAIT_OBJECT_0) {
            ++hangs;
            if (c.process) TerminateProcess(c.process.get(), 9);
            report += c.role + " did not end by its deadline\n";
        }
        report += ReadAll(c.out.get());
    }
    std::fputs(report.c_str(), stdout);
    // Every count line has "wrong N" and "hangs N": add them up.
    long long wrong = 0;
    for (size_t at = 0; (at = report.find("wrong ", at)) != std::string::npos; at += 6)
        wrong += std::atoll(report.c_str() + at + 6);
    for (size_t at = 0; (at = report.find("hangs ", at)) != std::string::npos; at += 6)
        hangs += std::atoll(report.c_str() + at + 6);
    LONG v = 0;
    lm->Unload(&v);
    lm = nullptr;
    // With every client gone the server closes.
    const bool ended = WaitNoProcess("Tarvel.exe", 30000);
    std::printf("totals: wrong %lld   hangs %lld   server %s\n", wrong, hangs,
                ended ? "ended after the clients" : "still running 30 s after the clients");
    DeleteFileA(set0.c_str());
    DeleteFileA(set1.c_str());
    return wrong == 0 && hangs == 0 && ended ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 5 && std::strcmp(argv[1], "client") == 0)
        return Client(argv[2], std::atoi(argv[3]), static_cast<float>(std::atof(argv[4])), argv[5],
                      argc > 6 ? argv[6] : argv[5]);
    return Driver(argc > 1 ? std::max(5, std::atoi(argv[1])) : 90);
}
