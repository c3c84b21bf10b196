// Generates a large ARPA trigram model for benchmarks: real words (from a word list when one is
// at hand), Zipf-like 1-gram probabilities, random 2-grams and 3-grams with a valid back-off
// structure (every 3-gram's two 2-grams are listed, every context has a back-off weight).
// Deterministic for a given seed.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace ngram_gen {

struct Options {
    size_t words = 50000;     // besides <unk>, <s> and </s>
    size_t bigrams = 600000;
    size_t trigrams = 600000;
    uint32_t seed = 1;
    // One word a line; missing or short lists are completed with made-up words.
    std::string wordList = "Z:\\usr\\share\\dict\\american-english";
};

// Options for about total n-grams in all: one 1-gram for every 25, the rest split evenly.
Options ForTotal(size_t total, uint32_t seed = 1);

struct Generated {
    // By the model's word id: [0] "<unk>", [1] "<s>", [2] "</s>", then the words.
    std::vector<std::string> words;
    // A sample of the listed 3-grams (as word ids), for queries that hit.
    std::vector<std::array<int32_t, 3>> trigramSample;
    size_t ngrams = 0;  // all n-grams written, 1-grams included
};

// Writes the model to path (throws std::runtime_error when it cannot be written).
Generated GenerateArpa(const Options& options, const std::string& path);

}  // namespace ngram_gen
