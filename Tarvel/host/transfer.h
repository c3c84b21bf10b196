// The request blocks of the two fast channels, as they lie in the shared mapping. Other
// processes write the request fields and read the answer in place, so the layout is fixed.
#pragma once
#include <cstddef>
#include <cstdint>

// Written at the start of handling every request; a client that cleared it first can tell that
// its request was handled.
constexpr int32_t kHandledMarker = 121212;

// Word-id lookup: the client writes `word`, the server `marker` and `result`.
struct CharTransfer {
    int32_t marker;
    char word[100];  // NUL-terminated, at most 99 characters
    int32_t result;  // word id; 0 when no model knows the word
};

// Probability by word ids: the client writes the ids and `n`, the server `marker` and `result`.
struct IntTransfer {
    int32_t marker;
    int32_t id1;
    int32_t id2;
    int32_t id3;
    int32_t id4;     // read only when n is 4
    int32_t n;       // 1 to 3: three-id query; 4: four-id query; else refused
    float result;    // base-10 logarithm, -99.99 for probability 0
};

static_assert(sizeof(CharTransfer) == 108, "CharTransfer is 108 bytes");
static_assert(offsetof(CharTransfer, marker) == 0);
static_assert(offsetof(CharTransfer, word) == 4);
static_assert(offsetof(CharTransfer, result) == 104);

static_assert(sizeof(IntTransfer) == 28, "IntTransfer is 28 bytes");
static_assert(offsetof(IntTransfer, marker) == 0);
static_assert(offsetof(IntTransfer, id1) == 4);
static_assert(offsetof(IntTransfer, id2) == 8);
static_assert(offsetof(IntTransfer, id3) == 12);
static_assert(offsetof(IntTransfer, id4) == 16);
static_assert(offsetof(IntTransfer, n) == 20);
static_assert(offsetof(IntTransfer, result) == 24);
static_assert(sizeof(float) == 4);

// Base names of the channels' kernel objects (suffixes "_mem", "_exec", "_done").
constexpr const char* kCharChannelName = "TTarvel_Char";
constexpr const char* kIntChannelName = "TTarvel_Int";
