// The demo's client: connects to the running Tarvel server through COM like any client, scores
// held-out Lithuanian text with the mixed model while the weights adapt, asks for word ids and
// probabilities through the fast shared-memory channels, and corrects misspelt words in context
// with Pevra.
//   democlient <held-out text> <misspellings file>
// The misspellings file holds lines "context1 context2 misspelt".
#include <windows.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "Pevra.h"
#include "Tarvel.h"
#include "Tarvel/host/transfer.h"
#include "com/bstr.h"
#include "com/coinit.h"
#include "com/com_ptr.h"
#include "com/handle.h"

namespace {

using Clock = std::chrono::steady_clock;

std::vector<std::vector<std::string>> ReadLines(const char* path, size_t maxLines) {
    std::vector<std::vector<std::string>> lines;
    std::ifstream in(path);
    for (std::string line; lines.size() < maxLines && std::getline(in, line);) {
        std::istringstream words(line);
        std::vector<std::string> ws;
        for (std::string w; words >> w;) ws.push_back(w);
        if (!ws.empty()) lines.push_back(std::move(ws));
    }
    return lines;
}

// Text goes out as the 8-bit bytes it is (code page 1257); the demo script converts it for the
// terminal.
void Print(const std::string& text) {
    std::fputs(text.c_str(), stdout);
    std::fflush(stdout);
}

std::string Fmt(const char* f, double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, f, v);
    return buf;
}

bool Check(HRESULT hr, const char* what) {
    if (SUCCEEDED(hr)) return true;
    char buf[160];
    std::snprintf(buf, sizeof buf, "  %s failed: 0x%08lX\n", what, static_cast<unsigned long>(hr));
    Print(buf);
    return false;
}

std::string Text(ILM* lm, HRESULT (STDMETHODCALLTYPE ILM::*get)(BSTR*)) {
    com::unique_bstr b;
    (lm->*get)(b.put());
    return com::FromBstr(b.get());
}

// One request on an open fast channel: write, signal, wait for the answer.
template <typename T>
class Channel {
public:
    explicit Channel(const std::string& base) {
        mapping_.reset(::OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, (base + "_mem").c_str()));
        if (mapping_) view_.reset(::MapViewOfFile(mapping_.get(), FILE_MAP_ALL_ACCESS, 0, 0, sizeof(T)));
        exec_.reset(::OpenEventA(EVENT_MODIFY_STATE | SYNCHRONIZE, FALSE, (base + "_exec").c_str()));
        done_.reset(::OpenEventA(EVENT_MODIFY_STATE | SYNCHRONIZE, FALSE, (base + "_done").c_str()));
    }
    bool ok() const { return view_ && exec_ && done_; }
    T* block() { return static_cast<T*>(view_.get()); }
    bool Call() {
        block()->marker = 0;
        ::SetEvent(exec_.get());
        return ::WaitForSingleObject(done_.get(), 5000) == WAIT_OBJECT_0 && block()->marker == kHandledMarker;
    }

private:
    com::unique_handle mapping_;
    com::unique_view view_;
    com::unique_handle exec_, done_;
};

void ScoreHeldOut(ILM* lm, const std::vector<std::vector<std::string>>& text) {
    Print("\n== Held-out text, scored word by word (" + std::to_string(text.size()) +
          " lines); the weights adapt by EM after every line\n");
    double logSum = 0;
    long words = 0, unknown = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        for (const auto& w : text[i]) {
            float lp = 0;
            com::unique_bstr b = com::ToBstr(w);
            if (!Check(lm->GetProbW(b.get(), 3, &lp), "GetProbW")) return;
            long id = 0;
            lm->IsUnknown(b.get(), &id);
            if (id == 0) ++unknown;
            logSum += lp;
            ++words;
        }
        long ok = 0;
        lm->UpdateWeight(&ok);
        if ((i + 1) % 100 == 0 || i + 1 == text.size()) {
            Print("  after " + std::to_string(i + 1) + " lines: " + std::to_string(words) + " words, perplexity " +
                  Fmt("%.1f", std::pow(10.0, -logSum / words)) + ", out of vocabulary " + std::to_string(unknown) +
                  "\n    " + Text(lm, &ILM::GetWeightInfo) + "\n");
        }
    }
}

void FastChannels(ILM* lm, const std::vector<std::vector<std::string>>& text) {
    Print("\n== Fast channels: word ids and probabilities by ids through shared memory\n");
    long started = 0;
    lm->StartIsUnknown(&started);
    long startedInt = 0;
    lm->StartProbabilityId(&startedInt);
    Channel<CharTransfer> chars(kCharChannelName);
    Channel<IntTransfer> ints(kIntChannelName);
    if (!started || !startedInt || !chars.ok() || !ints.ok()) {
        Print("  the channels could not be opened\n");
        return;
    }
    std::vector<std::string> sample;
    for (const auto& line : text)
        for (const auto& w : line)
            if (sample.size() < 2000) sample.push_back(w);
    std::vector<long> ids;
    auto t0 = Clock::now();
    for (const auto& w : sample) {
        std::snprintf(chars.block()->word, sizeof chars.block()->word, "%s", w.c_str());
        ids.push_back(chars.Call() ? chars.block()->result : -1);
    }
    double charMs = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
    long comMismatch = 0;
    t0 = Clock::now();
    for (size_t i = 0; i < sample.size(); ++i) {
        long id = 0;
        com::unique_bstr b = com::ToBstr(sample[i]);
        lm->IsUnknown(b.get(), &id);
        if (id != ids[i]) ++comMismatch;
    }
    double comMs = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
    Print("  " + std::to_string(sample.size()) + " word ids: channel " + Fmt("%.3f", charMs / sample.size()) +
          " ms each, COM " + Fmt("%.3f", comMs / sample.size()) + " ms each; answers that differ: " +
          std::to_string(comMismatch) + "\n");

    long probMismatch = 0;
    double chanMs = 0, viaComMs = 0;
    for (size_t i = 2; i < ids.size(); ++i) {
        IntTransfer* b = ints.block();
        b->id1 = ids[i - 2];
        b->id2 = ids[i - 1];
        b->id3 = ids[i];
        b->n = 3;
        t0 = Clock::now();
        float viaChannel = ints.Call() ? b->result : 1.0f;
        chanMs += std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
        float viaCom = 0;
        t0 = Clock::now();
        lm->ProbabilityId(ids[i - 2], ids[i - 1], ids[i], &viaCom);
        viaComMs += std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
        if (viaCom != viaChannel) ++probMismatch;
    }
    const double n = static_cast<double>(ids.size() - 2);
    Print("  " + std::to_string(ids.size() - 2) + " probabilities by ids: channel " + Fmt("%.3f", chanMs / n) +
          " ms each, COM " + Fmt("%.3f", viaComMs / n) + " ms each; answers that differ: " +
          std::to_string(probMismatch) + "\n");
    long stopped = 0;
    lm->StopIsUnknown(&stopped);
    lm->StopProbabilityId(&stopped);
}

void Corrections(const char* path) {
    Print("\n== Corrections in context (Pevra)\n");
    com::com_ptr<INolik> nolik;
    if (!Check(::CoCreateInstance(CLSID_Nolik, nullptr, 21, IID_INolik, nolik.put_void()), "creating Pevra")) return;
    VARIANT_BOOL ready = 0;
    nolik->Init(&ready);
    if (ready != 1) {
        com::unique_bstr err;
        nolik->GetLastError(err.put());
        Print("  Pevra could not start: " + com::FromBstr(err.get()) + "\n");
        return;
    }
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        std::string c1, c2, word;
        if (!(words >> c1 >> c2 >> word)) continue;
        com::unique_bstr w = com::ToBstr(word), b1 = com::ToBstr(c1), b2 = com::ToBstr(c2);
        long done = 0;
        nolik->Analyze(w.get(), &done);
        // The candidates are the nearest words within the threshold (at most 200).
        double threshold = 0;
        nolik->GetMaxValue(&threshold);
        long nearest = 0;
        std::string closest;
        for (; nearest < 200; ++nearest) {
            double distance = -1;
            nolik->GetNearestValue(nearest, &distance);
            if (distance < 0 || distance > threshold) break;
            com::unique_bstr g;
            nolik->GetNearest(nearest, g.put());
            if (nearest < 3) closest += (nearest ? ", " : "") + com::FromBstr(g.get()) + " " + Fmt("%.1f", distance);
        }
        long checked = 0;
        nolik->CheckContext(b1.get(), b2.get(), &checked);
        std::string best;
        for (long i = 0; checked && i < 3; ++i) {
            com::unique_bstr g;
            double v = 0;
            nolik->GetBest(i, g.put());
            nolik->GetBestValue(i, &v);
            if (com::FromBstr(g.get()).empty()) break;
            best += (i ? ", " : "") + com::FromBstr(g.get()) + " (" + Fmt("%.3f", v) + ")";
        }
        if (!checked) {
            com::unique_bstr err;
            nolik->GetLastError(err.put());
            best = "none: " + com::FromBstr(err.get());
        }
        Print("  \"" + c1 + " " + c2 + " " + word + "\": " + std::to_string(nearest) + " near words (" + closest +
              "); in context: " + best + "\n");
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        Print("usage: democlient <held-out text> <misspellings>\n");
        return 2;
    }
    com::CoInitGuard init;
    com::com_ptr<ILM> lm;
    if (!Check(::CoCreateInstance(CLSID_LM, nullptr, 21, IID_ILM, lm.put_void()), "connecting to Tarvel")) return 1;
    long loaded = 0;
    for (int i = 0; i < 600 && !loaded; ++i) {
        lm->IsLoaded(&loaded);
        if (!loaded) ::Sleep(200);
    }
    if (!loaded) {
        Print("Tarvel did not load its model set\n");
        return 1;
    }
    Print("== Tarvel's model set\n  " + Text(lm.get(), &ILM::GetInfo) + "\n");
    ScoreHeldOut(lm.get(), ReadLines(argv[1], 400));
    FastChannels(lm.get(), ReadLines(argv[1], 400));
    Corrections(argv[2]);
    long ok = 0;
    lm->Unload(&ok);
    Print("\n== Unload asked: " + std::string(ok ? "yes" : "no") + "\n");
    return 0;
}
