// Reads an ARPA back-off model (orders 1 to 4): optional text before "\data\", the n-gram counts,
// one section per order with log10 probabilities and optional back-off weights, then "\end\".
// Every fault is a LoadError naming the place: "bad probability "x" in the 2-grams at line 118".
#pragma once
#include <string>
#include <string_view>
#include "ngram/ngram_model.h"

namespace ngram {

enum class ArpaPart { Whole, VocabularyOnly };

// The text of a model file; name goes in front of every message.
NgramModel ParseArpa(std::string_view text, const std::string& name, ArpaPart part = ArpaPart::Whole);
NgramModel ReadArpaFile(const std::string& path, ArpaPart part = ArpaPart::Whole);

}  // namespace ngram
