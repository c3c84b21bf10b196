// The demo's client: connects to the running Tarvel server through COM like any client, scores
// held-out Lithuanian text with the mixed model while the weights adapt, asks for word ids and
// probabilities through the fast shared-memory channels, and corrects misspelt words in context
// with Pevra.
//   democlient <held-out text> <misspellings file>
// The misspellings file holds lines "context1 context2 misspelt expected".
#include <windows.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
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

// The weights from the set's weight text ("Count = 3; [0]=0,82...; [1]=..."), whose numbers are
// written with the locale's decimal comma.
std::vector<double> Weights(ILM* lm) {
    std::vector<double> weights;
    const std::string text = Text(lm, &ILM::GetWeightInfo);
    for (size_t at = text.find("]="); at != std::string::npos; at = text.find("]=", at + 2)) {
        std::string number = text.substr(at + 2, text.find(';', at) - at - 2);
        for (char& c : number)
            if (c == ',') c = '.';
        weights.push_back(std::strtod(number.c_str(), nullptr));
    }
    return weights;
}

struct Checkpoint {
    size_t lines = 0;
    long words = 0, unknown = 0;
    double perplexity = 0;
    std::vector<double> weights;
};

// Scores the text word by word from an empty history; with adapt, EM moves the weights after every
// line. Returns the figures after every 100 lines and at the end.
std::vector<Checkpoint> Score(ILM* lm, const std::vector<std::vector<std::string>>& text, bool adapt) {
    std::vector<Checkpoint> points;
    long cleared = 0;
    lm->ClearHist(&cleared);
    double logSum = 0;
    long words = 0, unknown = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        for (const auto& w : text[i]) {
            float lp = 0;
            com::unique_bstr b = com::ToBstr(w);
            if (!Check(lm->GetProbW(b.get(), 3, &lp), "GetProbW")) return points;
            long id = 0;
            lm->IsUnknown(b.get(), &id);
            if (id == 0) ++unknown;
            logSum += lp;
            ++words;
        }
        long ok = 0;
        if (adapt) lm->UpdateWeight(&ok);
        if ((i + 1) % 100 == 0 || i + 1 == text.size())
            points.push_back({i + 1, words, unknown, std::pow(10.0, -logSum / words), Weights(lm)});
    }
    return points;
}

void ScoreHeldOut(ILM* lm, const std::vector<std::vector<std::string>>& text) {
    Print("\n== Held-out text (" + std::to_string(text.size()) +
          " lines) scored word by word: once with the weights held fixed, once with EM adapting them after every line\n");
    const std::vector<Checkpoint> fixed = Score(lm, text, false);
    const std::vector<Checkpoint> em = Score(lm, text, true);
    std::string held;
    for (double w : fixed.empty() ? std::vector<double>() : fixed.back().weights) held += Fmt(" %.3f", w);
    Print("  weights (4-gram, cache, cache bigrams) held fixed at" + held + "\n");
    Print("  lines  words  unknown   perplexity: fixed   with EM   weights with EM\n");
    for (size_t i = 0; i < fixed.size() && i < em.size(); ++i) {
        std::string weights;
        for (double w : em[i].weights) weights += Fmt(" %.3f", w);
        char row[160];
        std::snprintf(row, sizeof row, "  %5u  %5ld  %7ld   %17.1f  %8.1f  ", static_cast<unsigned>(fixed[i].lines),
                      fixed[i].words, fixed[i].unknown, fixed[i].perplexity, em[i].perplexity);
        Print(row + weights + "\n");
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
    Print("\n== Corrections in context (Pevra): the word it ranks first, beside the expected word\n");
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
    int lines = 0, contextHits = 0, nearestHits = 0;
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        std::string c1, c2, word, expected;
        if (!(words >> c1 >> c2 >> word >> expected)) continue;
        ++lines;
        com::unique_bstr w = com::ToBstr(word), b1 = com::ToBstr(c1), b2 = com::ToBstr(c2);
        long done = 0;
        nolik->Analyze(w.get(), &done);
        // The candidates are the nearest words within the threshold (at most 200).
        double threshold = 0;
        nolik->GetMaxValue(&threshold);
        long nearest = 0;
        std::string closest, first;
        for (; nearest < 200; ++nearest) {
            double distance = -1;
            nolik->GetNearestValue(nearest, &distance);
            if (distance < 0 || distance > threshold) break;
            com::unique_bstr g;
            nolik->GetNearest(nearest, g.put());
            if (nearest == 0) first = com::FromBstr(g.get());
            if (nearest < 3) closest += (nearest ? ", " : "") + com::FromBstr(g.get()) + " " + Fmt("%.1f", distance);
        }
        long checked = 0;
        nolik->CheckContext(b1.get(), b2.get(), &checked);
        std::string best, others;
        for (long i = 0; checked && i < 3; ++i) {
            com::unique_bstr g;
            double v = 0;
            nolik->GetBest(i, g.put());
            nolik->GetBestValue(i, &v);
            const std::string candidate = com::FromBstr(g.get());
            if (candidate.empty()) break;
            if (i == 0) best = candidate;
            others += (i ? ", " : "") + candidate + " " + Fmt("%.3f", v);
        }
        if (!checked) {
            com::unique_bstr err;
            nolik->GetLastError(err.put());
            others = "none: " + com::FromBstr(err.get());
        }
        const bool hit = best == expected;
        contextHits += hit;
        nearestHits += first == expected;
        char row[200];
        std::snprintf(row, sizeof row, "  %-34s -> %-14s expected %-14s %s\n", (c1 + " " + c2 + " " + word).c_str(),
                      best.c_str(), expected.c_str(), hit ? "hit" : "MISS");
        Print(row);
        Print("      in context: " + others + "; by distance alone (" + std::to_string(nearest) +
              " near words): " + closest + "\n");
    }
    Print("  hits: " + std::to_string(contextHits) + " of " + std::to_string(lines) + " in context; " +
          std::to_string(nearestHits) + " of " + std::to_string(lines) + " by distance alone\n");
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
