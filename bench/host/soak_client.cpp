// One client of the soak (scripts/soak): for a bounded time it plays one role against the
// registered Tarvel and prints its counts on one line.
//   query S FILE   every ILM query in turn, each answer checked against the values the set's
//                  model can give or the neutral value; loads FILE when it finds the set gone
//   reload S FILE  Load and Unload rounds
//   rounds S       back-to-back create, call, release
//   stop           asks for an unload and leaves, so that a Tarvel started by hand ends
// With the environment variable SOAK_INFO naming Tarvel's info file, each failed Load and each
// failed creation is counted by its reason: before a Load the client writes a marker line into
// the log (WriteMsg); after a refused Load the marker is still there with the refusal after it,
// while a Load that ran emptied the file and left its own lines.
#include <windows.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "Tarvel.h"
#include "com/bstr.h"
#include "com/coinit.h"
#include "com/com_ptr.h"

namespace {

constexpr float kNone = -99.99f;
const char* const kWords[] = {"a", "b", "c", "<s>"};

struct Counts {
    long calls = 0, wrong = 0, failedCalls = 0, creations = 0, failedCreations = 0, loads = 0, failedLoads = 0;
    std::map<std::string, long> reasons;  // failed loads and creations by what went wrong
};

std::string Hex(HRESULT hr) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lx", static_cast<unsigned long>(hr));
    return text;
}

com::com_ptr<ILM> Create(Counts& n) {
    com::com_ptr<ILM> lm;
    ++n.creations;
    HRESULT hr = ::CoCreateInstance(CLSID_LM, nullptr, 21, IID_ILM, lm.put_void());
    if (FAILED(hr)) {
        ++n.failedCreations;
        ++n.reasons["creation " + Hex(hr)];
        lm = nullptr;
    }
    return lm;
}

std::vector<std::string> InfoLines() {
    std::vector<std::string> lines;
    const char* path = std::getenv("SOAK_INFO");
    if (!path || !*path) return lines;
    HANDLE f = ::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return lines;
    std::string text;
    char buffer[4096];
    DWORD got = 0;
    while (::ReadFile(f, buffer, sizeof buffer, &got, nullptr) && got > 0) text.append(buffer, got);
    ::CloseHandle(f);
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(at, end - at);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        at = end + 1;
    }
    return lines;
}

bool Has(const std::string& line, const char* part) { return line.find(part) != std::string::npos; }

// Why the Load after the marker failed, as the log says.
std::string Reason(const std::string& marker) {
    if (!std::getenv("SOAK_INFO")) return "not known";
    const auto lines = InfoLines();
    size_t m = lines.size();
    for (size_t i = 0; i < lines.size(); ++i)
        if (Has(lines[i], marker.c_str())) m = i;
    if (m < lines.size()) {
        // Nothing emptied the file: the Load was refused before it began.
        for (size_t i = m + 1; i < lines.size(); ++i)
            if (lines[i].rfind("ERROR: ", 0) == 0 && !Has(lines[i], "soak:")) return "refused: " + lines[i];
        return "refused without a reason";
    }
    for (const auto& line : lines)
        if (!Has(line, "soak:") && (Has(line, "failed") || Has(line, "Can not"))) return "ran: " + line;
    for (const auto& line : lines)
        if (!Has(line, "soak:") && !Has(line, "refused") && line.rfind("ERROR: ", 0) == 0) return "ran: " + line;
    // A load that began between the marker and this Load emptied the file, and this Load came
    // inside it.
    for (const auto& line : lines)
        if (line.rfind("ERROR: ", 0) == 0 && Has(line, "refused")) return "refused: " + line;
    return "no reason in the log";
}

bool Load(ILM* lm, const std::string& file, Counts& n) {
    static long serial = 0;
    const std::string marker =
        "soak: " + std::to_string(::GetCurrentProcessId()) + " load " + std::to_string(++serial) + " ";
    if (std::getenv("SOAK_INFO")) {  // a logged call more, which lets calls in too: only when counted
        auto mark = com::ToBstr(marker);
        lm->WriteMsg(mark.get());
    }
    auto f = com::ToBstr(file);
    LONG ok = 0;
    ++n.loads;
    const HRESULT hr = lm->Load(f.get(), &ok);
    if (FAILED(hr) || ok != 1) {
        ++n.failedLoads;
        ++n.reasons[FAILED(hr) ? "load " + Hex(hr) : Reason(marker)];
        return false;
    }
    return true;
}

// One line per reason, which scripts/soak adds up over the clients.
void PrintReasons(const Counts& n) {
    for (const auto& [reason, count] : n.reasons) std::printf("reason\t%ld\t%s\n", count, reason.c_str());
}

// p(w | x y) of the soak's model (tiny.arpa, worked out in its header) for every history the
// clients' words and the empty start of a history can make.
float Rule(const char* x, const char* y, const char* w, ILM* lm) {
    auto a = com::ToBstr(x), b = com::ToBstr(y), c = com::ToBstr(w);
    float p = kNone;
    lm->Probability(a.get(), b.get(), c.get(), &p);
    return p;
}

bool Near(float a, float b) { return std::fabs(a - b) < 1e-4f; }

void Query(DWORD ms, const std::string& file) {
    Counts n;
    com::com_ptr<ILM> lm = Create(n);
    // The values a word can take, read while the set is loaded.
    std::vector<float> allowed[4];
    const DWORD start = ::GetTickCount();
    while (lm && allowed[0].empty() && ::GetTickCount() - start < ms) {
        LONG loaded = 0;
        lm->IsLoaded(&loaded);
        if (!loaded) Load(lm.get(), file, n);
        const char* hist[] = {"", "a", "b", "c", "<s>"};
        for (int w = 0; w < 4; ++w)
            for (const char* x : hist)
                for (const char* y : hist) allowed[w].push_back(Rule(x, y, kWords[w], lm.get()));
        for (auto& v : allowed)
            for (float p : v)
                if (Near(p, kNone)) v.clear();  // read while unloaded: again
    }
    unsigned step = 0;
    while (::GetTickCount() - start < ms) {
        if (!lm) {
            lm = Create(n);
            if (!lm) continue;
        }
        const int w = static_cast<int>(step % 4);
        auto word = com::ToBstr(kWords[w]);
        HRESULT hr = S_OK;
        bool right = true;
        switch (step++ % 8) {
        case 0:
        case 4: {
            float p = 0;
            hr = lm->GetProbW(word.get(), 3, &p);
            bool known = Near(p, kNone);
            for (float v : allowed[w]) known = known || Near(p, v);
            right = known;
            break;
        }
        case 1: {
            float p = 0;
            auto a = com::ToBstr("a"), b = com::ToBstr("b"), c = com::ToBstr("c");
            hr = lm->Probability(a.get(), b.get(), c.get(), &p);
            right = Near(p, -0.05f) || Near(p, kNone);
            break;
        }
        case 2: {
            float p = 0;
            hr = lm->ProbabilityId(3, 4, 5, &p);
            right = Near(p, -0.05f) || Near(p, kNone);
            break;
        }
        case 3: {
            LONG id = -1;
            auto c = com::ToBstr("c");
            hr = lm->IsUnknown(c.get(), &id);
            right = id == 5 || id == 0;
            break;
        }
        case 5: {
            com::unique_bstr info;
            hr = lm->GetInfo(info.put());
            const std::string text = com::FromBstr(info.get());
            right = text == "LM Info: loaded; KN; " || text == "Not loaded" || text == "LM Info: not loaded";
            if (!right) std::printf("info: %s\n", text.c_str());
            break;
        }
        case 6: {
            LONG r = 0;
            hr = lm->StartCalcCache(&r);
            if (SUCCEEDED(hr)) hr = lm->ClearCalcCache(&r);
            break;
        }
        default: {
            LONG loaded = 0;
            hr = lm->IsLoaded(&loaded);
            if (SUCCEEDED(hr) && !loaded) Load(lm.get(), file, n);  // the set is gone: load it again
            break;
        }
        }
        ++n.calls;
        if (FAILED(hr)) {
            ++n.failedCalls;
            lm = nullptr;
        } else if (!right) {
            ++n.wrong;
        }
    }
    std::printf("query calls %ld wrong %ld failedCalls %ld creations %ld failedCreations %ld loads %ld failedLoads %ld\n",
                n.calls, n.wrong, n.failedCalls, n.creations, n.failedCreations, n.loads, n.failedLoads);
    PrintReasons(n);
}

void Reload(DWORD ms, const std::string& file) {
    Counts n;
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < ms) {
        com::com_ptr<ILM> lm = Create(n);
        if (!lm) continue;
        Load(lm.get(), file, n);
        ::Sleep(300);
        LONG r = 0;
        ++n.calls;
        if (FAILED(lm->Unload(&r))) ++n.failedCalls;
        lm = nullptr;
        ::Sleep(2500);  // the unload job waits 2 s before it unloads
    }
    std::printf("reload calls %ld failedCalls %ld creations %ld failedCreations %ld loads %ld failedLoads %ld\n", n.calls,
                n.failedCalls, n.creations, n.failedCreations, n.loads, n.failedLoads);
    PrintReasons(n);
}

void Rounds(DWORD ms) {
    Counts n;
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < ms) {
        com::com_ptr<ILM> lm = Create(n);
        if (!lm) continue;
        LONG loaded = 0;
        ++n.calls;
        if (FAILED(lm->IsLoaded(&loaded))) ++n.failedCalls;
    }
    std::printf("rounds calls %ld failedCalls %ld creations %ld failedCreations %ld\n", n.calls, n.failedCalls,
                n.creations, n.failedCreations);
    PrintReasons(n);
}

void Stop() {
    Counts n;
    if (com::com_ptr<ILM> lm = Create(n)) {
        LONG r = 0;
        lm->Unload(&r);
    }
}

}  // namespace

int main(int argc, char** argv) {
    com::CoInitGuard init;
    if (argc == 2 && !std::strcmp(argv[1], "stop")) {
        Stop();
        return 0;
    }
    if (argc < 3) return 2;
    const DWORD ms = static_cast<DWORD>(std::atoi(argv[2])) * 1000;
    const std::string file = argc > 3 ? argv[3] : "";
    if (!std::strcmp(argv[1], "query")) Query(ms, file);
    else if (!std::strcmp(argv[1], "reload")) Reload(ms, file);
    else if (!std::strcmp(argv[1], "rounds")) Rounds(ms);
    else return 2;
    std::fflush(stdout);
    return 0;
}
