// Word text -> id, open addressing over one pool of word bytes. Ids are given by the caller.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ngram {

class Vocabulary {
public:
    static constexpr int32_t kAbsent = -1;

    void Reserve(size_t words);
    // False when the word is already there (its id is left as it was). id: 0 or above.
    bool Add(std::string_view word, int32_t id);
    int32_t Find(std::string_view word) const noexcept;
    // Asks for the memory that Find(word) reads, so that the lookups of several words overlap.
    void Prefetch(std::string_view word) const noexcept {
        if (!slots_.empty()) __builtin_prefetch(&slots_[Hash(word) & (slots_.size() - 1)]);
    }
    size_t Size() const noexcept { return size_; }

private:
    // A slot holds what a lookup compares, a usual word's text included, so that a lookup reads
    // one place; longer words keep their text in the pool.
    static constexpr uint32_t kInline = 20;
    struct Slot {
        uint32_t hash;
        int32_t id;  // kAbsent: free
        uint32_t length;
        union {
            char text[kInline];
            uint32_t offset;  // in the pool, when length > kInline
        };
    };
    static uint32_t Hash(std::string_view s) noexcept;
    bool Holds(const Slot& e, std::string_view word, uint32_t hash) const noexcept;
    size_t Find(std::string_view word, uint32_t hash) const noexcept;

    std::string pool_;
    std::vector<Slot> slots_;
    size_t size_ = 0;
};

}  // namespace ngram
