// The similar-word engine's word list: ids in file order behind "<UNK>" (id 0), lookup of a
// word's id through a chained hash table, and the word of an id.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// One chain node on its own: its own copy of a word, the word's id and the rest of the chain. The
// vocabulary keeps its chains more compactly, as indexes into one array of nodes.
// Part of the vocabulary's published interface; nothing in the program uses it.
class wList {
public:
    wList(const char* text, std::int32_t id);
    wList(const wList&) = delete;
    wList& operator=(const wList&) = delete;
    ~wList();  // frees the rest of the chain without recursion: chains of duplicates run long

    // Appends a node at the end of the chain that starts here; returns it.
    wList* Append(const char* text, std::int32_t id);

    std::unique_ptr<char[]> word;
    std::int32_t id;
    std::unique_ptr<wList> next;
};

// Bucket of a zero-terminated text among bucketCount; 0 when there are no buckets.
std::uint32_t hashWord(const char* text, std::uint32_t bucketCount);
// Smallest odd number of at least n that no whole number from 3 up to a third of it divides.
std::int32_t nextPrime(std::int32_t n);

class Vocabulary {
public:
    // The file's words beyond this many are not loaded (see WordsBeyondLimit).
    static constexpr std::int32_t kMaxFileWords = 1500000;
    // Longest token taken from a line; a longer one is cut to this many bytes.
    static constexpr std::size_t kMaxTokenBytes = 255;

    Vocabulary();
    Vocabulary(const Vocabulary&) = delete;
    Vocabulary& operator=(const Vocabulary&) = delete;
    ~Vocabulary();

    // Replaces the contents with "<UNK>" and the file's words; false, and nothing changed,
    // when the file cannot be opened.
    bool Load(const std::string& path);
    bool Reserve(std::int32_t expectedWords);
    bool Resize(std::int32_t minBuckets);
    std::int32_t Add(const char* word);
    // Id of the word (the smallest when it occurs more than once), 0 when absent.
    std::int32_t Find(const std::string& word) const;
    // Word of an id from 0 to WordCount() - 1 (the empty text for any other); valid until the
    // table changes.
    const char* GetWord(std::int32_t id) const;
    // Length in bytes of the word of an id from 0 to WordCount() - 1.
    std::int32_t WordLength(std::int32_t id) const;
    // The id index is kept with the words themselves, so there is nothing to build.
    // Part of the published interface; nothing in the program calls it.
    bool BuildIndex();

    std::int32_t WordCount() const noexcept { return wordCount; }
    std::int32_t BucketCount() const noexcept { return bucketCount; }
    // Words of the last loaded file that lay beyond kMaxFileWords and were left out.
    std::int32_t WordsBeyondLimit() const noexcept { return wordsBeyondLimit; }

private:
    // One word: where its text starts in the block, and the next id in its bucket's chain (-1
    // at the end). Nodes stand in the order of their ids, so an id is its node's index.
    struct Node {
        std::uint32_t offset;
        std::int32_t next;
    };

    void Clear();
    // Appends an added id to its bucket's chain.
    void Link(std::int32_t id, std::uint32_t bucket);

    // Every word's text followed by a zero, in the order of the ids: one block for all of them.
    std::vector<char> text;
    std::vector<Node> nodes;
    // First id of each bucket's chain, -1 when the chain is empty.
    std::vector<std::int32_t> heads;
    // Last id of each chain, so that a long chain of equal words grows without a walk; a load
    // builds its chains without them, and the first later addition finds them again.
    std::vector<std::int32_t> tails;
    std::int32_t wordCount;
    std::int32_t bucketCount;
    std::int32_t wordsBeyondLimit;
};
