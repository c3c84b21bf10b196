// Mixed Probability queries per second of a model set of three KN models (the KN component
// through COM, in-process) on a generated model, the memory the models take, and the time of one
// UpdateWeight over a window of 1000 history positions; each figure beside its goal.
#include <windows.h>
#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "Tarvel/engine/modelset.h"
#include "Tarvel/engine/servers.h"
#include "Tarvel/shell/settings.h"
#include "Tarvel/shell/toolops.h"
#include "com/coinit.h"
#include "ngram_gen/arpa_generator.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

// Bytes of the process's working set: what a load adds to it is what the models hold.
double WorkingSet() {
    PROCESS_MEMORY_COUNTERS c{};
    c.cb = sizeof c;
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &c, sizeof c);
    return static_cast<double>(c.WorkingSetSize);
}

// A silent tool window: serves the program's settings file, keeps errors for the report.
class QuietForm : public TToolOps {
public:
    explicit QuietForm(std::string file) : file_(std::move(file)), settings_(std::make_unique<TSettings>()) {
        mForm = this;
    }
    ~QuietForm() override { mForm = nullptr; }
    bool InitSettings(const std::string& file) override {
        settings_ = std::make_unique<TSettings>();
        if (!file.empty()) settings_->Load(file_);
        return true;
    }
    void Log(const std::string&) override {}
    void LogWarning(const std::string&) override {}
    void LogError(const std::string& text) override { std::printf("ERROR: %s\n", text.c_str()); }
    void SetCount(int) override {}
    TSettings* GetSettings() override { return settings_.get(); }

private:
    std::string file_;
    std::unique_ptr<TSettings> settings_;
};

void WriteText(const std::string& path, const std::string& text) {
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fputs(text.c_str(), f);
        std::fclose(f);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const size_t total = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 1000000;
    com::CoInitGuard init;
    engine::SetDebugAnswer(engine::DebugAnswer::No);

    char tmp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, tmp);
    const std::string base = std::string(tmp) + "bench_engine_" + std::to_string(::GetCurrentProcessId()) + "_";
    const std::string settings = base + "tarvel.set";

    // Three models of one vocabulary with different n-grams (seeds); queries come from model 0.
    auto t = Clock::now();
    const ngram_gen::Generated g = ngram_gen::GenerateArpa(ngram_gen::ForTotal(total, 1), base + "model0.arpa");
    for (uint32_t seed : {2u, 3u}) ngram_gen::GenerateArpa(ngram_gen::ForTotal(total, seed), base + "model" + std::to_string(seed - 1) + ".arpa");
    std::printf("generated models: 3 x %zu n-grams, %zu words, in %.2f s\n", g.ngrams, g.words.size(), Seconds(t));

    const float weights[3] = {0.5f, 0.3f, 0.2f};
    for (int i = 0; i < 3; ++i)
        WriteText(base + "m" + std::to_string(i), "kn_model = " + base + "model" + std::to_string(i) +
                                                      ".arpa\nlamda = " + std::to_string(weights[i]) + "\n");
    WriteText(settings, "type = 3\nTDCount = 3\nEMHist = 1000\nlm = " + base + "m\n");

    QuietForm form(settings);
    TTarvel set;
    const double before = WorkingSet();
    t = Clock::now();
    if (!set.Load(settings)) {
        std::printf("the model set did not load (is the KN component registered?)\n");
        return 1;
    }
    const double grown = WorkingSet() - before;
    std::printf("set of three KN models loaded in %.2f s\n", Seconds(t));
    std::printf("memory: %.1f bytes per n-gram (goal <= 20; working set grew %.1f MB)\n",
                grown / (3.0 * static_cast<double>(g.ngrams)), grown / 1e6);

    // Half the queries are listed trigrams, half random word triples (mostly backed off).
    // Not std::mt19937: the generator library instantiates it with other floating-point flags,
    // and a second instantiation here may replace its copy at link time.
    std::minstd_rand rng(7);
    std::uniform_int_distribution<size_t> anyWord(3, g.words.size() - 1);
    std::uniform_int_distribution<size_t> anySample(0, g.trigramSample.size() - 1);
    struct Query {
        std::string w[3];
    };
    std::vector<Query> queries(20000);
    for (size_t i = 0; i < queries.size(); ++i) {
        if (i % 2 == 0 && !g.trigramSample.empty()) {
            const auto& s = g.trigramSample[anySample(rng)];
            for (int k = 0; k < 3; ++k) queries[i].w[k] = g.words[s[k]];
        } else {
            for (int k = 0; k < 3; ++k) queries[i].w[k] = g.words[anyWord(rng)];
        }
    }

    double sink = 0;
    size_t done = 0;
    t = Clock::now();
    while (Seconds(t) < 2.0) {
        for (int i = 0; i < 1000; ++i, ++done) {
            const Query& q = queries[done % queries.size()];
            sink += set.Probability(q.w[0].c_str(), q.w[1].c_str(), q.w[2].c_str());
        }
    }
    std::printf("Probability by text, three KN models: %.0f queries/s (goal >= 500000; %zu queries)\n", done / Seconds(t), done);

    done = 0;
    t = Clock::now();
    while (Seconds(t) < 1.0) {
        for (int i = 0; i < 1000; ++i, ++done) {
            const auto& s = g.trigramSample[done % g.trigramSample.size()];
            sink += set.ProbabilityId(s[0], s[1], s[2]);
        }
    }
    std::printf("ProbabilityId (model 0): %.0f queries/s (goal >= 2000000)\n", done / Seconds(t));

    // A window of 1000 positions: each AddHistory records every model's probability.
    for (int i = 0; i < 1000; ++i) set.AddHistory(queries[i].w[2].c_str(), 1);
    t = Clock::now();
    set.UpdateWeight();
    std::printf("UpdateWeight over 1000 positions: %.3f ms; weights now %s\n", Seconds(t) * 1000.0,
                set.GetWeightInfo().c_str());

    for (int i = 0; i < 3; ++i) {
        ::DeleteFileA((base + "m" + std::to_string(i)).c_str());
        ::DeleteFileA((base + "model" + std::to_string(i) + ".arpa").c_str());
    }
    ::DeleteFileA(settings.c_str());
    return sink == 12345.0 ? 2 : 0;
}
