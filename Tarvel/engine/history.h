// Fixed-capacity history buffers, oldest entry first; when full, a push drops the oldest.
// ListW holds words in 100-byte text slots (the model set's word history); ListP holds one
// model's recent single-precision probabilities. Owners forget the newest entries by lowering
// count (Forget), never below 0.
#pragma once
#include <memory>
#include <vector>

class ListW {
public:
    static constexpr int SlotSize = 100;  // 99 characters and the terminating zero

    ListW() = default;
    ListW(const ListW&) = delete;
    ListW& operator=(const ListW&) = delete;
    virtual ~ListW();

    // Drops every earlier slot; n empty slots, count 0. A negative n gives capacity 0.
    void SetSize(int n);
    void Clear() { count = 0; }
    // Stores a copy of text as the newest entry and returns the slot that holds it. A text
    // longer than 99 characters is cut to 99; an absent text (nullptr) is stored as "". On
    // capacity 0 nothing is stored and the result is nullptr.
    char* Push(const char* text);
    // k = 0 is the newest entry, -1 the one before it, ...; "" before the start of the history.
    // The result is the slot itself: valid until a later Push reuses it.
    const char* Get(int k) const;
    // Forgets the n newest entries (count lowered by n, never below 0).
    void Forget(int n);

    int count = 0;
    int capacity = 0;
    std::vector<char*> items;    // items[0] oldest .. items[count-1] newest; slots of SlotSize bytes
    std::vector<char*> scratch;  // work copy of items while a full buffer rotates

private:
    std::unique_ptr<char[]> slots_;  // capacity * SlotSize bytes, pointed into by items
};

class ListP {
public:
    ListP() = default;
    ListP(const ListP&) = delete;
    ListP& operator=(const ListP&) = delete;
    virtual ~ListP();

    // n values of 0.0, count 0. A negative n gives capacity 0.
    void SetSize(int n);
    void Clear() { count = 0; }
    // Stores p as the newest value; on capacity 0 nothing is stored.
    void Push(float p);
    // Forgets the n newest values (count lowered by n, never below 0).
    void Forget(int n);

    int count = 0;
    int capacity = 0;
    std::vector<float> items;  // items[0] oldest .. items[count-1] newest
    std::vector<float> scratch;
};
