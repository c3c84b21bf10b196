#include "DTW/vocabulary.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

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

// The remainder of a 32-bit division by a fixed divisor with one multiplication instead of a
// division (Granlund and Montgomery): hashing takes one remainder per byte of every word.
class Remainder {
public:
    explicit Remainder(std::uint32_t divisor) : d(divisor) {
        int l = 0;
        while (l < 32 && (std::uint64_t{1} << l) < divisor) ++l;  // the divisor's rounded-up log2
        const std::uint64_t above = (std::uint64_t{1} << l) - divisor;
        magic = static_cast<std::uint32_t>((above << 32) / divisor + 1);
        shift1 = l < 1 ? l : 1;
        shift2 = l > 1 ? l - 1 : 0;
    }
    std::uint32_t operator()(std::uint32_t n) const {
        const auto t = static_cast<std::uint32_t>((std::uint64_t{magic} * n) >> 32);
        const std::uint32_t q = (t + ((n - t) >> shift1)) >> shift2;
        return n - q * d;
    }

private:
    std::uint32_t d;
    std::uint32_t magic;
    int shift1;
    int shift2;
};

// hashWord with a prepared remainder, from text up to its terminating zero, which end is left at.
std::uint32_t Hash(const char* text, const Remainder& remainder, const char*& end) {
    std::uint32_t h = 0;
    for (; *text; ++text) {
        // The byte widened with its sign, then taken as unsigned.
        const auto byte = static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<signed char>(*text)));
        h = remainder(h * 256u + byte);
    }
    end = text;
    return h;
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
    const char* end;
    return Hash(text, Remainder(bucketCount), end);
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

Vocabulary::~Vocabulary() = default;

void Vocabulary::Clear() {
    text.clear();
    nodes.clear();
    heads.clear();
    tails.clear();
    wordCount = 0;
}

bool Vocabulary::Load(const std::string& path) {
    unique_file file(std::fopen(path.c_str(), "rt"));
    if (!file) return false;

    // "<UNK>" and then all tokens, each followed by a zero, read first so that the table is
    // sized once; the block then becomes the table's text as it is.
    std::vector<char> block;
    if (std::fseek(file.get(), 0, SEEK_END) == 0) {
        const long size = std::ftell(file.get());
        if (size > 0) block.reserve(static_cast<std::size_t>(size) + sizeof kUnknown + 1);
        std::rewind(file.get());
    }
    block.assign(kUnknown, kUnknown + sizeof kUnknown);
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
        block.insert(block.end(), begin, begin + std::min<std::size_t>(end - begin, kMaxTokenBytes));
        block.push_back('\0');
        ++count;
    }
    file.reset();

    Reserve(count);
    text = std::move(block);
    nodes.resize(static_cast<std::size_t>(count) + 1);
    // Each word's bucket first, held in its node for the moment; then the chains, built from the
    // last id to the first so that each ends up in the order of adding without a walk.
    const Remainder remainder(static_cast<std::uint32_t>(bucketCount));
    std::uint32_t offset = 0;
    for (std::int32_t id = 0; id <= count; ++id) {
        const char* end;
        nodes[id] = Node{offset, static_cast<std::int32_t>(Hash(text.data() + offset, remainder, end))};
        offset = static_cast<std::uint32_t>(end + 1 - text.data());
    }
    for (std::int32_t id = count; id >= 0; --id) {
        const auto b = static_cast<std::uint32_t>(nodes[id].next);
        nodes[id].next = heads[b];
        heads[b] = id;
    }
    // The last node of each chain is found again only if a word is added later.
    tails.clear();
    wordCount = count + 1;
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
    heads.assign(bucketCount, -1);
    return true;
}

void Vocabulary::Link(std::int32_t id, std::uint32_t bucket) {
    if (tails.empty()) {
        tails.assign(bucketCount, -1);
        for (std::int32_t b = 0; b < bucketCount; ++b)
            for (std::int32_t last = heads[b]; last >= 0; last = nodes[last].next) tails[b] = last;
    }
    nodes[id].next = -1;
    if (tails[bucket] < 0)
        heads[bucket] = id;
    else
        nodes[tails[bucket]].next = id;
    tails[bucket] = id;
}

std::int32_t Vocabulary::Add(const char* word) {
    if (!word) word = "";
    if (bucketCount == 0) Resize(0);  // an unsized table gets one bucket rather than none
    const std::int32_t id = wordCount;
    nodes.push_back(Node{static_cast<std::uint32_t>(text.size()), -1});
    text.insert(text.end(), word, word + std::strlen(word) + 1);
    Link(id, hashWord(word, bucketCount));
    ++wordCount;
    return id;
}

std::int32_t Vocabulary::Find(const std::string& word) const {
    if (wordCount == 0) return 0;
    const char* wanted = word.c_str();
    for (std::int32_t id = heads[hashWord(wanted, bucketCount)]; id >= 0; id = nodes[id].next)
        if (std::strcmp(text.data() + nodes[id].offset, wanted) == 0) return id;
    return 0;
}

const char* Vocabulary::GetWord(std::int32_t id) const {
    if (id < 0 || id >= wordCount) return "";
    return text.data() + nodes[id].offset;
}

std::int32_t Vocabulary::WordLength(std::int32_t id) const {
    if (id < 0 || id >= wordCount) return 0;
    const std::uint32_t end = id + 1 < wordCount ? nodes[id + 1].offset : static_cast<std::uint32_t>(text.size());
    return static_cast<std::int32_t>(end - nodes[id].offset - 1);
}

bool Vocabulary::BuildIndex() { return true; }
