#include "ngram/vocabulary.h"

namespace ngram {

uint32_t Vocabulary::Hash(std::string_view s) noexcept {
    uint32_t h = 2166136261u;  // FNV-1a
    for (unsigned char c : s) h = (h ^ c) * 16777619u;
    return h;
}

void Vocabulary::Reserve(size_t words) {
    entries_.reserve(words);
    size_t want = 16;
    while (want < words * 2) want *= 2;
    if (want > slots_.size()) {
        slots_.assign(want, 0);
        for (size_t i = 0; i < entries_.size(); ++i) {
            size_t mask = slots_.size() - 1;
            size_t s = entries_[i].hash & mask;
            while (slots_[s]) s = (s + 1) & mask;
            slots_[s] = static_cast<uint32_t>(i + 1);
        }
    }
}

void Vocabulary::Grow() { Reserve(entries_.size() * 2 + 8); }

size_t Vocabulary::Slot(std::string_view word, uint32_t hash) const noexcept {
    size_t mask = slots_.size() - 1;
    size_t s = hash & mask;
    while (slots_[s]) {
        const Entry& e = entries_[slots_[s] - 1];
        if (e.hash == hash && Text(e) == word) return s;
        s = (s + 1) & mask;
    }
    return s;
}

bool Vocabulary::Add(std::string_view word, int32_t id) {
    if ((entries_.size() + 1) * 2 > slots_.size()) Grow();
    uint32_t h = Hash(word);
    size_t s = Slot(word, h);
    if (slots_[s]) return false;
    entries_.push_back({static_cast<uint32_t>(pool_.size()), static_cast<uint32_t>(word.size()), h, id});
    pool_.append(word);
    slots_[s] = static_cast<uint32_t>(entries_.size());
    return true;
}

int32_t Vocabulary::Find(std::string_view word) const noexcept {
    if (slots_.empty()) return kAbsent;
    size_t s = Slot(word, Hash(word));
    return slots_[s] ? entries_[slots_[s] - 1].id : kAbsent;
}

}  // namespace ngram
