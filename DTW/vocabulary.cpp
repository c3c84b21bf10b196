#include "DTW/vocabulary.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

namespace {

const char kUnknown[] = "<UNK>";

// The white space of the C library's "%s" conversion in the "C" locale.
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

struct FileCloser {
    void operator()(std::FILE* f) const noexcept { std::fclose(f); }
};
using unique_file = std::unique_ptr<std::FILE, FileCloser>;

std::unique_ptr<char[]> CopyText(const char* text) {
    const std::size_t size = std::strlen(text) + 1;
    auto copy = std::make_unique_for_overwrite<char[]>(size);
    std::memcpy(copy.get(), text, size);
    return copy;
}

}  // namespace

wList::wList(const char* text, std::int32_t id) : word(CopyText(text)), id(id) {}

wList::~wList() {
    std::unique_ptr<wList> rest = std::move(next);
    while (rest) rest = std::move(rest->next);
}

wList* wList::Append(const char* text, std::int32_t newId) {
    wList* last = this;
    while (last->next) last = last->next.get();
    last->next = std::make_unique<wList>(text, newId);
    return last->next.get();
}

std::uint32_t hashWord(const char* text, std::uint32_t bucketCount) {
    if (bucketCount == 0) return 0;
    std::uint32_t h = 0;
    for (const char* p = text; *p; ++p)
        h = (h * 256u + static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<signed char>(*p)))) %
            bucketCount;
    return h;
}

std::int32_t nextPrime(std::int32_t n) {
    // Wide enough that stepping past the largest 32-bit value cannot overflow.
    std::int64_t p = std::max<std::int32_t>(n, 0);
    if (p % 2 == 0) ++p;
    for (;; p += 2) {
        // An odd number with a divisor between 3 and a third of it has one no larger than its
        // square root, and the other way round, so stopping there finds the same numbers.
        bool divided = false;
        for (std::int64_t d = 3; d * d <= p && d <= p / 3; ++d) {
            if (p % d == 0) {
                divided = true;
                break;
            }
        }
        if (!divided) return static_cast<std::int32_t>(std::min<std::int64_t>(p, INT32_MAX));
    }
}

Vocabulary::Vocabulary() : wordCount(0), bucketCount(0), wordsBeyondLimit(0) {}

Vocabulary::~Vocabulary() { Clear(); }

void Vocabulary::Clear() {
    // The nodes go in the order of their ids, which is the order they were made in: the heap
    // frees neighbours far faster than the scatter that bucket order gives. Without memory for
    // that list the chains go in bucket order.
    std::vector<wList*> byId;
    try {
        byId.assign(wordCount, nullptr);
    } catch (const std::bad_alloc&) {
        byId.clear();
    }
    if (!byId.empty()) {
        for (auto& head : buckets) {
            wList* node = head.release();
            while (node) {
                wList* next = node->next.release();
                if (node->id >= 0 && node->id < wordCount && !byId[node->id])
                    byId[node->id] = node;
                else
                    delete node;  // not reached: every id is handed out once
                node = next;
            }
        }
        for (wList* node : byId) delete node;
    }
    buckets.clear();
    tails.clear();
    idIndex.clear();
    wordCount = 0;
}

bool Vocabulary::Load(const std::string& path) {
    unique_file file(std::fopen(path.c_str(), "rt"));
    if (!file) return false;

    // All tokens first, each followed by a zero, so that the table is sized once.
    std::string tokens;
    std::int32_t count = 0;
    std::int32_t beyond = 0;
    char line[1024];  // a longer line arrives in pieces, each taken as a line of its own
    while (std::fgets(line, sizeof line, file.get())) {
        if (line[0] == '#' && line[1] == '#') continue;
        const char* begin = line;
        while (*begin && IsBlank(*begin)) ++begin;
        const char* end = begin;
        while (*end && !IsBlank(*end)) ++end;
        if (end == begin) continue;  // a line without a token adds nothing
        if (count == kMaxFileWords) {
            ++beyond;
            continue;
        }
        tokens.append(begin, std::min<std::size_t>(end - begin, kMaxTokenBytes));
        tokens.push_back('\0');
        ++count;
    }
    file.reset();

    Reserve(count);
    Add(kUnknown);
    for (const char* p = tokens.data(); count > 0; --count) {
        Add(p);
        p += std::strlen(p) + 1;
    }
    wordsBeyondLimit = beyond;
    return true;
}

bool Vocabulary::Reserve(std::int32_t expectedWords) {
    // About four buckets for every three words.
    const std::int64_t buckets64 = std::int64_t{std::max<std::int32_t>(expectedWords, 0)} * 4 / 3;
    return Resize(static_cast<std::int32_t>(std::min<std::int64_t>(buckets64, INT32_MAX)));
}

bool Vocabulary::Resize(std::int32_t minBuckets) {
    Clear();
    bucketCount = nextPrime(minBuckets);
    buckets.resize(bucketCount);
    tails.assign(bucketCount, nullptr);
    return true;
}

std::int32_t Vocabulary::Add(const char* word) {
    if (!word) word = "";
    if (bucketCount == 0) Resize(0);  // an unsized table gets one bucket rather than none
    const std::uint32_t b = hashWord(word, bucketCount);
    const std::int32_t id = wordCount;
    tails[b] = tails[b] ? tails[b]->Append(word, id) : (buckets[b] = std::make_unique<wList>(word, id)).get();
    ++wordCount;
    idIndex.clear();
    return id;
}

std::int32_t Vocabulary::Find(const std::string& word) const {
    if (wordCount == 0) return 0;
    const char* text = word.c_str();
    for (const wList* node = buckets[hashWord(text, bucketCount)].get(); node; node = node->next.get())
        if (std::strcmp(node->word.get(), text) == 0) return node->id;
    return 0;
}

const char* Vocabulary::GetWord(std::int32_t id) {
    if (id < 0 || id >= wordCount) return "";
    if (idIndex.empty()) BuildIndex();
    return idIndex[id];
}

bool Vocabulary::BuildIndex() {
    idIndex.assign(wordCount, "");
    for (const auto& head : buckets)
        for (const wList* node = head.get(); node; node = node->next.get()) idIndex[node->id] = node->word.get();
    return true;
}
