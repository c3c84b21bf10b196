// Loads a vocabulary of 1,500,000 words and scans it for a set of queries the way the similar-word
// engine does: one measurement per word with threshold 6. The words are the Lithuanian word list
// (cp1257 bytes) and inflected variants of it, written to a temporary file first.
//   bench_dtw [word list]
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <windows.h>

#include "DTW/dtw.h"
#include "DTW/vocabulary.h"

namespace {

constexpr int kTarget = Vocabulary::kMaxFileWords;
constexpr double kThreshold = 6.0;
constexpr int kRuns = 5;

using Clock = std::chrono::steady_clock;
double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// The words of a hunspell list: the first line is the count, each entry is word[/flags].
std::vector<std::string> ReadWordList(const std::string& path) {
    std::vector<std::string> words;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return words;
    char line[1024];
    bool first = true;
    while (std::fgets(line, sizeof line, f)) {
        if (first) {
            first = false;
            continue;
        }
        std::string w(line);
        w = w.substr(0, w.find_first_of("/\r\n\t "));
        if (!w.empty() && w.size() <= 40) words.push_back(w);
    }
    std::fclose(f);
    return words;
}

// A few made-up stems when no word list is installed, so that the benchmark still runs.
std::vector<std::string> MadeUpWords(std::mt19937& random) {
    const char* letters = "aaabdeeeghiiijkklllmmnnoopprrsssttuuvvyz\xE0\xE8\xE6\xEB\xE1\xF0\xF8\xFB\xFE";
    std::uniform_int_distribution<int> length(3, 11), pick(0, static_cast<int>(std::char_traits<char>::length(letters)) - 1);
    std::vector<std::string> words(80000);
    for (auto& w : words) {
        w.resize(length(random));
        for (char& c : w) c = letters[pick(random)];
    }
    return words;
}

// Inflected forms: the stem (the word without its last one or two letters) and an ending.
std::vector<std::string> Extend(const std::vector<std::string>& base, std::mt19937& random) {
    static const char* const endings[] = {
        "as",  "o",    "ui",   "\xE0", "u",   "e",    "ai",   "\xF8",  "ams", "us",  "ais",  "uose", "is",
        "io",  "iui",  "\xE1", "iu",   "yje", "iai",  "i\xF8", "iams", "ius", "iais", "iuose", "\xEB",
        "\xEBs", "ei", "\xEBje", "\xEBs", "\xEBms", "ys", "ies", "imi", "yse", "ti", "davo", "siu", "sime",
        "ame", "ate", "\xE8iau", "tum\xEBme", "antis", "usi", "ingas", "ingai", "esnis", "iausias"};
    constexpr int kEndings = sizeof endings / sizeof endings[0];
    std::uniform_int_distribution<int> cut(1, 2), ending(0, kEndings - 1);
    std::vector<std::string> words = base;
    words.reserve(kTarget);
    for (std::size_t i = 0; words.size() < static_cast<std::size_t>(kTarget); i = (i + 1) % base.size()) {
        const std::string& w = base[i];
        if (w.size() < 4) continue;
        words.push_back(w.substr(0, w.size() - cut(random)) + endings[ending(random)]);
    }
    std::shuffle(words.begin() + static_cast<std::ptrdiff_t>(base.size()), words.end(), random);
    return words;
}

// The cp1257 bytes of a word as UTF-8, for the console.
std::string Shown(const char* word) {
    wchar_t wide[64];
    char utf8[256];
    const int n = MultiByteToWideChar(1257, 0, word, -1, wide, 64);
    return n > 0 && WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8, sizeof utf8, nullptr, nullptr) > 0 ? utf8 : word;
}

struct Scored {
    std::int32_t wordId;
    double value;
};

// One analysis as the engine makes it: the vocabulary word's object is the receiver.
int Scan(Vocabulary& vocabulary, const dtw& query, std::vector<Scored>& nearest) {
    dtw word;
    word.threshold = kThreshold;
    int candidates = 0;
    const std::int32_t count = vocabulary.WordCount();
    for (std::int32_t id = 0; id < count; ++id) {
        word.SetWord(vocabulary.GetWord(id));
        const double d = word.Distance(query);
        nearest[id] = {id, d};
        if (d <= kThreshold) ++candidates;
    }
    return candidates;
}

std::int64_t CountCells(Vocabulary& vocabulary, const dtw& query) {
    dtw word;
    word.threshold = kThreshold;
    std::int64_t cells = 0;
    for (std::int32_t id = 0; id < vocabulary.WordCount(); ++id) {
        word.SetWord(vocabulary.GetWord(id));
        word.Distance(query, cells);
    }
    return cells;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string listPath = argc > 1 ? argv[1] : "Z:\\usr\\share\\hunspell\\lt_LT.dic";
    std::mt19937 random(20261209);
    std::vector<std::string> base = ReadWordList(listPath);
    if (base.empty()) {
        std::printf("word list %s not found; using made-up stems\n", listPath.c_str());
        base = MadeUpWords(random);
    }
    const std::size_t realWords = base.size();
    std::vector<std::string> words = Extend(base, random);
    base.clear();

    const std::string path = (std::filesystem::temp_directory_path() / "bench_dtw_zodynas.voc").string();
    double letters = 0;
    {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (!f) {
            std::printf("cannot write %s\n", path.c_str());
            return 1;
        }
        std::fputs("## generated vocabulary\r\n", f);
        for (const std::string& w : words) {
            letters += static_cast<double>(w.size());
            std::fprintf(f, "%s\r\n", w.c_str());
        }
        std::fclose(f);
    }
    std::printf("vocabulary: %zu words (%zu from the word list), mean length %.2f letters, %.1f MB file\n",
                words.size(), realWords, letters / static_cast<double>(words.size()),
                static_cast<double>(std::filesystem::file_size(path)) / 1e6);
    words.clear();
    words.shrink_to_fit();

    // As the engine loads: a new, empty vocabulary each time; the old one is freed apart.
    std::unique_ptr<Vocabulary> loaded;
    std::vector<double> loads, frees;
    for (int run = 0; run < 3; ++run) {
        auto start = Clock::now();
        loaded.reset();
        if (run > 0) frees.push_back(MsSince(start));
        loaded = std::make_unique<Vocabulary>();
        start = Clock::now();
        if (!loaded->Load(path)) {
            std::printf("cannot load %s\n", path.c_str());
            return 1;
        }
        loads.push_back(MsSince(start));
    }
    std::remove(path.c_str());
    Vocabulary& vocabulary = *loaded;
    auto start = Clock::now();
    vocabulary.GetWord(0);  // builds the id index
    const double indexMs = MsSince(start);
    std::printf("load: median %.0f ms of 3 (%d ids, %d buckets, %d words beyond the limit); "
                "id index %.0f ms; freeing a loaded vocabulary %.0f ms\n",
                Median(loads), vocabulary.WordCount(), vocabulary.BucketCount(), vocabulary.WordsBeyondLimit(),
                indexMs, Median(frees));

    // Real words, misspellings of them, short and long words, letters beyond ASCII.
    const char* const queries[] = {"namas",          "nemos",      "kelias",        "vakaras",
                                   "mokykla",        "mokikla",    "\xF0" "alis",      "\xFEmogus",
                                   "universitetas",  "univrsitetas", "a",           "ir",
                                   "nepriklausomyb\xEB", "susitikimas", "kompiuteris", "lietuvi\xF8"};
    std::vector<Scored> nearest(vocabulary.WordCount());
    std::vector<double> medians;
    double cellsPerWord = 0;
    std::printf("%-18s %10s %10s %12s\n", "query", "scan ms", "found", "cells/word");
    for (const char* text : queries) {
        dtw query;
        query.SetWord(text);
        std::vector<double> times;
        int found = 0;
        for (int run = 0; run < kRuns; ++run) {
            start = Clock::now();
            found = Scan(vocabulary, query, nearest);
            times.push_back(MsSince(start));
        }
        const double cells = static_cast<double>(CountCells(vocabulary, query)) / vocabulary.WordCount();
        cellsPerWord += cells;
        medians.push_back(Median(times));
        const std::string shown = Shown(text);
        const auto width = std::count_if(shown.begin(), shown.end(), [](char c) { return (c & 0xC0) != 0x80; });
        std::printf("%s%*s %10.1f %10d %12.2f\n", shown.c_str(), static_cast<int>(18 - std::min<long>(width, 18)), "",
                    medians.back(), found, cells);
    }
    std::printf("one full scan (threshold %.0f): median %.1f ms over %zu queries (median of %d runs each), "
                "%.1f ns per word, %.2f cells per word on average\n",
                kThreshold, Median(medians), medians.size(), kRuns,
                Median(medians) * 1e6 / vocabulary.WordCount(), cellsPerWord / std::size(queries));

    start = Clock::now();
    std::sort(nearest.begin(), nearest.end(), [](const Scored& a, const Scored& b) { return a.value < b.value; });
    std::printf("sort of the whole list by distance (for comparison): %.0f ms\n", MsSince(start));
    return 0;
}
