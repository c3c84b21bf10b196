// The fast channels against COM, as a client sees them: this process against a running
// Tarvel.exe (started by COM) with a loaded set, word ids through the CHAR channel and through
// ILM.IsUnknown, probabilities by ids through the INT channel and through ILM.ProbabilityId,
// and the floor under every channel: a bare round trip of two auto-reset events between this
// process and a copy of it that only answers. The same questions are interleaved one by one
// after a warm-up pass; then, as a client that asks only the channel does, each kind back to back:
// the round trip, then the CHAR and the INT questions each in a row. Prints p50 and p99 of each,
// each channel's ratio to the floor of the same regime and COM's ratio to the channel, and whether
// every answer agreed with COM's, each beside its goal; once with the KN model in Tarvel's own
// process and once in the provider's.
//   bench_channels [n-grams [questions]]
//   bench_channels echo <event base>   the answering copy (started by the bench itself)
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "Tarvel.h"
#include "Tarvel/host/transfer.h"
#include "com/bstr.h"
#include "com/coinit.h"
#include "com/com_ptr.h"
#include "com/handle.h"
#include "tests/support/channel_end.h"
#include "ngram_gen/arpa_generator.h"

namespace {

using Clock = std::chrono::steady_clock;

// With the model in Tarvel's process a channel answer costs little more than its event round
// trip, and far less than a COM call, which crosses two processes with marshalling both ways.
constexpr double kFloorGoal = 1.3;  // channel p50 over the bare round trip's p50, at most
constexpr double kComGoal = 8.0;    // COM p50 over channel p50, at least

double Us(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::micro>(b - a).count();
}

double Percentile(std::vector<double> v, double q) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<size_t>(q * static_cast<double>(v.size())))];
}

using chantest::Channel;

struct Question {
    std::string word;  // a word of the model, or one it does not know
    int32_t ids[3];    // a listed trigram, or three random ids
};

struct Timings {
    std::vector<double> floor, chars, isUnknown, ints, probabilityId;
    size_t asked = 0, agreed = 0;
    std::vector<LONG> ids;     // COM's answers, question by question, for the back-to-back runs
    std::vector<float> probs;
};

// The same questions back to back, each kind in a row: no COM call between two requests.
struct InARow {
    std::vector<double> floor, chars, ints;
};

// The bare round trip: a copy of this program waits for "<base>_ping" and sets "<base>_pong".
class Echo {
public:
    Echo() {
        const std::string base = "bench_channels_echo_" + std::to_string(GetCurrentProcessId());
        ping_.reset(CreateEventA(nullptr, FALSE, FALSE, (base + "_ping").c_str()));
        pong_.reset(CreateEventA(nullptr, FALSE, FALSE, (base + "_pong").c_str()));
        quit_.reset(CreateEventA(nullptr, TRUE, FALSE, (base + "_quit").c_str()));
        char self[MAX_PATH] = {};
        GetModuleFileNameA(nullptr, self, MAX_PATH);
        std::string line = "\"" + std::string(self) + "\" echo " + base;
        STARTUPINFOA si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        if (CreateProcessA(self, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
            process_.reset(pi.hProcess);
            CloseHandle(pi.hThread);
        }
    }
    ~Echo() {
        SetEvent(quit_.get());
        if (process_) WaitForSingleObject(process_.get(), 5000);
    }
    bool RoundTrip() {
        SetEvent(ping_.get());
        return WaitForSingleObject(pong_.get(), 5000) == WAIT_OBJECT_0;
    }

    // The answering copy: ends on quit, or after a minute without a ping.
    static int Serve(const std::string& base) {
        com::unique_handle ping(OpenEventA(SYNCHRONIZE, FALSE, (base + "_ping").c_str()));
        com::unique_handle pong(OpenEventA(EVENT_MODIFY_STATE, FALSE, (base + "_pong").c_str()));
        com::unique_handle quit(OpenEventA(SYNCHRONIZE, FALSE, (base + "_quit").c_str()));
        if (!ping || !pong || !quit) return 3;
        HANDLE waits[] = {ping.get(), quit.get()};
        while (WaitForMultipleObjects(2, waits, FALSE, 60000) == WAIT_OBJECT_0) SetEvent(pong.get());
        return 0;
    }

private:
    com::unique_handle ping_, pong_, quit_, process_;
};

// One pass over the questions; every answer is compared, the times are kept when record is set.
void Pass(ILM* lm, Echo& echo, Channel<CharTransfer>& chars, Channel<IntTransfer>& ints,
          const std::vector<Question>& questions, bool record, Timings& t) {
    for (const Question& q : questions) {
        const auto f0 = Clock::now();
        const bool echoed = echo.RoundTrip();
        const auto f1 = Clock::now();
        std::snprintf(chars.Block().word, sizeof chars.Block().word, "%s", q.word.c_str());
        const auto t0 = Clock::now();
        const bool charOk = chars.Send() && chars.Block().marker == kHandledMarker;
        const auto t1 = Clock::now();
        com::unique_bstr w = com::ToBstr(q.word);  // made before the clock: a client has its text
        const auto t2 = Clock::now();
        LONG id = -1;
        const HRESULT hrId = lm->IsUnknown(w.get(), &id);
        const auto t3 = Clock::now();
        IntTransfer& b = ints.Block();
        b.n = 3;
        b.id1 = q.ids[0];
        b.id2 = q.ids[1];
        b.id3 = q.ids[2];
        const bool intOk = ints.Send() && ints.Block().marker == kHandledMarker;
        const auto t4 = Clock::now();
        float p = 1;
        const HRESULT hrP = lm->ProbabilityId(q.ids[0], q.ids[1], q.ids[2], &p);
        const auto t5 = Clock::now();
        t.asked += 2;
        t.agreed += (charOk && hrId == S_OK && chars.Block().result == id) +
                    (intOk && hrP == S_OK && b.result == p);
        if (!record) continue;
        t.ids.push_back(hrId == S_OK ? id : -1);
        t.probs.push_back(hrP == S_OK ? p : 1.0f);
        if (echoed) t.floor.push_back(Us(f0, f1));
        t.chars.push_back(Us(t0, t1));
        t.isUnknown.push_back(Us(t2, t3));
        t.ints.push_back(Us(t3, t4));
        t.probabilityId.push_back(Us(t4, t5));
    }
}

// Each kind in a row; every channel answer is compared with COM's for the same question.
void BackToBack(Echo& echo, Channel<CharTransfer>& chars, Channel<IntTransfer>& ints,
                const std::vector<Question>& questions, Timings& t, InARow& r) {
    for (size_t i = 0; i < questions.size(); ++i) {
        const auto f0 = Clock::now();
        if (echo.RoundTrip()) r.floor.push_back(Us(f0, Clock::now()));
    }
    for (size_t i = 0; i < questions.size(); ++i) {
        std::snprintf(chars.Block().word, sizeof chars.Block().word, "%s", questions[i].word.c_str());
        const auto t0 = Clock::now();
        const bool ok = chars.Send() && chars.Block().marker == kHandledMarker;
        r.chars.push_back(Us(t0, Clock::now()));
        ++t.asked;
        t.agreed += ok && chars.Block().result == t.ids[i];
    }
    IntTransfer& b = ints.Block();
    for (size_t i = 0; i < questions.size(); ++i) {
        b.n = 3;
        b.id1 = questions[i].ids[0];
        b.id2 = questions[i].ids[1];
        b.id3 = questions[i].ids[2];
        const auto t0 = Clock::now();
        const bool ok = ints.Send() && b.marker == kHandledMarker;
        r.ints.push_back(Us(t0, Clock::now()));
        ++t.asked;
        t.agreed += ok && b.result == t.probs[i];
    }
}

void ReportInARow(const char* channel, const std::vector<double>& ch, double floor50, bool inProcess) {
    const double c50 = Percentile(ch, 0.50);
    std::printf("  %-18s p50 %8.1f us   p99 %8.1f us   p50 %5.2fx the floor", channel, c50, Percentile(ch, 0.99),
                c50 / floor50);
    if (inProcess)
        std::printf("   goal <= %.1fx\n", kFloorGoal);
    else
        std::printf("   (floor: the round trip and the call to the provider)\n");
}

void Report(const char* channel, const std::vector<double>& ch, const char* method,
            const std::vector<double>& com, double floor50, bool inProcess) {
    const double c50 = Percentile(ch, 0.50), c99 = Percentile(ch, 0.99);
    const double m50 = Percentile(com, 0.50), m99 = Percentile(com, 0.99);
    std::printf("  %-18s p50 %8.1f us   p99 %8.1f us   p50 %5.2fx the floor", channel, c50, c99, c50 / floor50);
    if (inProcess)
        std::printf("   goal <= %.1fx\n", kFloorGoal);
    else
        std::printf("   (floor: the round trip and the call to the provider)\n");
    std::printf("  %-18s p50 %8.1f us   p99 %8.1f us   p50 %5.2fx the floor\n", method, m50, m99, m50 / floor50);
    if (inProcess)
        std::printf("  COM over channel   p50 %6.1fx   goal >= %.0fx    p99 %6.1fx   goal > 1x\n", m50 / c50,
                    kComGoal, m99 / c99);
    else
        std::printf("  COM over channel   p50 %6.1fx   goal > 1x     p99 %6.1fx   goal > 1x\n", m50 / c50, m99 / c99);
}

bool Section(ILM* lm, const char* title, const std::string& setFile, const std::vector<Question>& questions,
             bool inProcess) {
    std::printf("== %s\n", title);
    auto file = com::ToBstr(setFile);
    LONG ok = 0;
    const auto t0 = Clock::now();
    if (FAILED(lm->Load(file.get(), &ok)) || ok != 1) {
        std::printf("  the set did not load\n");
        return false;
    }
    std::printf("  set loaded in %.2f s\n", Us(t0, Clock::now()) / 1e6);
    LONG started = 0, startedInt = 0;
    lm->StartIsUnknown(&started);
    lm->StartProbabilityId(&startedInt);
    bool result = false;
    {
        Channel<CharTransfer> chars(kCharChannelName);
        Channel<IntTransfer> ints(kIntChannelName);
        Echo echo;
        if (started == 1 && startedInt == 1 && chars.Open() && ints.Open() && echo.RoundTrip()) {
            Timings t;
            Pass(lm, echo, chars, ints, std::vector<Question>(questions.begin(), questions.begin() + 200), false, t);
            Pass(lm, echo, chars, ints, questions, true, t);
            InARow r;
            BackToBack(echo, chars, ints, questions, t, r);
            const double floor50 = Percentile(t.floor, 0.50);
            std::printf("  interleaved with COM calls\n");
            std::printf("  %-18s p50 %8.1f us   p99 %8.1f us   (two processes, two events)\n", "bare round trip",
                        floor50, Percentile(t.floor, 0.99));
            Report("CHAR channel", t.chars, "ILM.IsUnknown", t.isUnknown, floor50, inProcess);
            Report("INT channel", t.ints, "ILM.ProbabilityId", t.probabilityId, floor50, inProcess);
            const double row50 = Percentile(r.floor, 0.50);
            std::printf("  back to back\n");
            std::printf("  %-18s p50 %8.1f us   p99 %8.1f us   (two processes, two events)\n", "bare round trip",
                        row50, Percentile(r.floor, 0.99));
            ReportInARow("CHAR channel", r.chars, row50, inProcess);
            ReportInARow("INT channel", r.ints, row50, inProcess);
            std::printf("  answers agree: %zu of %zu   goal: all\n", t.agreed, t.asked);
            result = t.agreed == t.asked;
        } else {
            std::printf("  the channels could not be opened\n");
        }
    }
    LONG v = 0;
    lm->StopIsUnknown(&v);
    lm->StopProbabilityId(&v);
    return result;
}

void WriteText(const std::string& path, const std::string& text) {
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fputs(text.c_str(), f);
        std::fclose(f);
    }
}

bool Ascii(const std::string& s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return c > ' ' && static_cast<unsigned char>(c) < 0x80; });
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 2 && std::strcmp(argv[1], "echo") == 0) return Echo::Serve(argv[2]);
    const size_t total = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 1000000;
    const size_t count = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 2000;
    SetEnvironmentVariableA("TARVEL_HRCHECK", "no");  // the server COM starts inherits it
    com::CoInitGuard init;

    char tmp[MAX_PATH];
    GetTempPathA(MAX_PATH, tmp);
    const std::string base = std::string(tmp) + "bench_channels_" + std::to_string(GetCurrentProcessId()) + "_";
    const ngram_gen::Generated g = ngram_gen::GenerateArpa(ngram_gen::ForTotal(total, 1), base + "model.arpa");
    std::printf("generated KN model: %zu n-grams, %zu words; %zu questions of each kind\n", g.ngrams,
                g.words.size(), count);
    for (int sep : {0, 1})
        WriteText(base + "set" + std::to_string(sep),
                  "type = 0\nsep_proc = " + std::to_string(sep) + "\nkn_model = " + base + "model.arpa\n");

    // Half known words (ids from 3 on are the model's own), half unknown; half listed trigrams,
    // half random ids (mostly backed off). Not std::mt19937: see bench_engine.
    std::minstd_rand rng(11);
    std::uniform_int_distribution<size_t> anyWord(3, g.words.size() - 1);
    std::uniform_int_distribution<size_t> anySample(0, g.trigramSample.size() - 1);
    std::vector<Question> questions(std::max<size_t>(count, 200));
    for (size_t i = 0; i < questions.size(); ++i) {
        Question& q = questions[i];
        do q.word = g.words[anyWord(rng)];
        while (!Ascii(q.word) || q.word.size() >= sizeof(CharTransfer::word));
        if (i % 2) q.word += "zq";
        if (i % 4 < 2 && !g.trigramSample.empty()) {
            const auto& s = g.trigramSample[anySample(rng)];
            std::copy(s.begin(), s.end(), q.ids);
        } else {
            for (auto& id : q.ids) id = static_cast<int32_t>(anyWord(rng));
        }
    }

    com::com_ptr<ILM> lm;
    if (FAILED(CoCreateInstance(CLSID_LM, nullptr, CLSCTX_LOCAL_SERVER, IID_ILM, lm.put_void()))) {
        std::printf("Tarvel could not be started (is it registered?)\n");
        return 1;
    }
    bool ok = Section(lm.get(), "KN model in Tarvel's process", base + "set0", questions, true);
    ok &= Section(lm.get(), "KN model in the provider's process (sep_proc = 1)", base + "set1", questions, false);
    lm = nullptr;
    for (const char* name : {"model.arpa", "set0", "set1"}) DeleteFileA((base + name).c_str());
    return ok ? 0 : 1;
}
