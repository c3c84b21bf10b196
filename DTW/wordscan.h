// The distance from every word of a vocabulary to one query, as dtw measures it word by word (the
// vocabulary word the receiver, abandoned with dtw::kTooFar), in one pass over the words in byte
// order. Row i of a word's table depends only on its first i letters, so words that share a
// prefix share those rows, and a prefix whose rows already put an anti-diagonal wholly above the
// threshold rules out every word that starts with it.
#pragma once
#include <cstdint>
#include <string_view>
#include <vector>
#include "DTW/vocabulary.h"

class WordScan {
public:
    struct Found {
        std::int32_t id;
        double distance;
    };

    // Fixes the byte order of the vocabulary's words and keeps its own copy of them, so the
    // vocabulary may change or go afterwards.
    explicit WordScan(const Vocabulary& vocabulary);
    WordScan(const WordScan&) = delete;
    WordScan& operator=(const WordScan&) = delete;

    // Appends every word whose distance to the query is not dtw::kTooFar, with that distance,
    // in no particular order; every other word measures dtw::kTooFar.
    void Measure(std::string_view query, double threshold, std::vector<Found>& found) const;

private:
    // Word by word with dtw, for the cases the shared rows do not cover.
    void MeasureEach(std::string_view query, double threshold, std::vector<Found>& found) const;

    // The ids in byte order of their words.
    std::vector<std::int32_t> order;
    // The words in that order, each as the number of letters it shares with the word before,
    // the number of letters that follow, and those letters. A word longer than the distance's
    // table is kept cut to one letter more than the table holds, which still marks it too long.
    std::vector<std::uint8_t> words;
};
