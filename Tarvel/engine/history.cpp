#include "Tarvel/engine/history.h"
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

ListW::~ListW() = default;

void ListW::SetSize(int n) {
    if (n < 0) n = 0;
    // The new block is made before anything changes: when it cannot be had (too large for the
    // address space, or for memory), the buffer stays as it was and the caller gets the exception.
    const unsigned long long bytes = static_cast<unsigned long long>(n) * SlotSize;
    if (bytes > static_cast<unsigned long long>(PTRDIFF_MAX)) throw std::bad_array_new_length();
    auto slots = std::make_unique<char[]>(static_cast<size_t>(bytes));  // zeroed: every slot ""
    std::vector<char*> newItems(n);
    std::vector<char*> newScratch(n);
    for (int i = 0; i < n; ++i) newItems[i] = slots.get() + static_cast<size_t>(i) * SlotSize;
    items.swap(newItems);
    scratch.swap(newScratch);
    slots_ = std::move(slots);
    count = 0;
    capacity = n;
}

char* ListW::Push(const char* text) {
    if (capacity <= 0) return nullptr;
    if (count < capacity) {
        ++count;
    } else {
        // Only the slot pointers move: the oldest slot becomes the newest one.
        std::copy(items.begin(), items.end(), scratch.begin());
        std::copy(scratch.begin() + 1, scratch.end(), items.begin());
        items[capacity - 1] = scratch[0];
    }
    char* slot = items[count - 1];
    size_t n = text ? ::strnlen(text, SlotSize - 1) : 0;
    if (n) std::memcpy(slot, text, n);
    slot[n] = '\0';
    return slot;
}

const char* ListW::Get(int k) const {
    int i = count + k;
    if (i <= 0 || i > count) return "";
    return items[i - 1];
}

void ListW::Forget(int n) {
    if (n <= 0) return;  // lowering only: a negative n must not reach stale slots
    count = n >= count ? 0 : count - n;
}

ListP::~ListP() = default;

void ListP::SetSize(int n) {
    if (n < 0) n = 0;
    // As in ListW: capacity changes only once both arrays exist.
    std::vector<float> newItems(n, 0.0f);
    std::vector<float> newScratch(n, 0.0f);
    items.swap(newItems);
    scratch.swap(newScratch);
    count = 0;
    capacity = n;
}

void ListP::Push(float p) {
    if (capacity <= 0) return;
    if (count < capacity) {
        ++count;
    } else {
        std::copy(items.begin(), items.end(), scratch.begin());
        std::copy(scratch.begin() + 1, scratch.end(), items.begin());
    }
    items[count - 1] = p;
}

void ListP::Forget(int n) {
    if (n <= 0) return;
    count = n >= count ? 0 : count - n;
}
