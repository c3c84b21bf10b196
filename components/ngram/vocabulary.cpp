#include "ngram/vocabulary.h"
#include <cstring>

namespace ngram {

uint32_t Vocabulary::Hash(std::string_view s) noexcept {
    uint32_t h = 2166136261u;  // FNV-1a
    for (unsigned char c : s) h = (h ^ c) * 16777619u;
    return h;
}

void Vocabulary::Reserve(size_t words) {
    size_t want = 16;
    while (want * 2 < words * 3) want *= 2;  // at most two thirds full
    if (want <= slots_.size()) return;
    std::vector<Slot> old = std::move(slots_);
    Slot free{};
    free.id = kAbsent;
    slots_.assign(want, free);
    const size_t mask = want - 1;
    for (const Slot& e : old) {
        if (e.id == kAbsent) continue;
        size_t s = e.hash & mask;
        while (slots_[s].id != kAbsent) s = (s + 1) & mask;
        slots_[s] = e;
    }
}

bool Vocabulary::Holds(const Slot& e, std::string_view word, uint32_t hash) const noexcept {
    if (e.hash != hash || e.length != word.size()) return false;
    const char* text = e.length <= kInline ? e.text : pool_.data() + e.offset;
    for (size_t i = 0; i < word.size(); ++i)
        if (text[i] != word[i]) return false;
    return true;
}

size_t Vocabulary::Find(std::string_view word, uint32_t hash) const noexcept {
    const size_t mask = slots_.size() - 1;
    size_t s = hash & mask;
    while (slots_[s].id != kAbsent && !Holds(slots_[s], word, hash)) s = (s + 1) & mask;
    return s;
}

bool Vocabulary::Add(std::string_view word, int32_t id) {
    if ((size_ + 1) * 3 > slots_.size() * 2) Reserve(size_ * 2 + 8);
    const uint32_t h = Hash(word);
    const size_t s = Find(word, h);
    if (slots_[s].id != kAbsent) return false;
    Slot& e = slots_[s];
    e.hash = h;
    e.id = id;
    e.length = static_cast<uint32_t>(word.size());
    if (word.size() <= kInline) {
        std::memcpy(e.text, word.data(), word.size());
    } else {
        e.offset = static_cast<uint32_t>(pool_.size());
        pool_.append(word);
    }
    ++size_;
    return true;
}

int32_t Vocabulary::Find(std::string_view word) const noexcept {
    if (slots_.empty()) return kAbsent;
    return slots_[Find(word, Hash(word))].id;
}

}  // namespace ngram
