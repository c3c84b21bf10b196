// The compact binary form of an n-gram model (what the binary CMU component serves). Layout,
// little-endian: "TVBINLM1", order, the n-gram count of each order, the vocabulary (id 0 first,
// each word as a 32-bit length and its bytes), a byte saying whether "<unk>" has a probability,
// the 1-gram log10 probabilities and back-off weights by id, then per order 2..N its n-grams as
// N ids, probability and back-off weight; last "END!".
#pragma once
#include <string>
#include <string_view>
#include "ngram/ngram_model.h"

namespace ngram {

inline constexpr std::string_view kBinaryMagic = "TVBINLM1";

std::string SerializeBinary(const NgramModel& model);
void WriteBinaryFile(const NgramModel& model, const std::string& path);
// name goes in front of every message.
NgramModel ParseBinary(std::string_view data, const std::string& name, bool vocabularyOnly = false);

// A model file of either form: the binary one when it starts with the magic, else ARPA.
NgramModel ReadModelFile(const std::string& path, bool vocabularyOnly = false);

}  // namespace ngram
