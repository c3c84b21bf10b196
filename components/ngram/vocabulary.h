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
    // False when the word is already there (its id is left as it was).
    bool Add(std::string_view word, int32_t id);
    int32_t Find(std::string_view word) const noexcept;
    size_t Size() const noexcept { return entries_.size(); }

private:
    struct Entry {
        uint32_t offset;
        uint32_t length;
        uint32_t hash;
        int32_t id;
    };
    static uint32_t Hash(std::string_view s) noexcept;
    std::string_view Text(const Entry& e) const noexcept { return std::string_view(pool_).substr(e.offset, e.length); }
    void Grow();
    size_t Slot(std::string_view word, uint32_t hash) const noexcept;

    std::string pool_;
    std::vector<Entry> entries_;
    std::vector<uint32_t> slots_;  // entry index + 1; 0 = free
};

}  // namespace ngram
