#include "Tarvel/engine/history.h"
#include <algorithm>
#include <cstring>

ListW::~ListW() = default;

void ListW::SetSize(int n) {
    if (n < 0) n = 0;
    items.clear();
    scratch.clear();
    slots_.reset();
    count = 0;
    capacity = 0;
    slots_ = std::make_unique<char[]>(static_cast<size_t>(n) * SlotSize);  // zeroed: every slot ""
    items.resize(n);
    scratch.resize(n);
    for (int i = 0; i < n; ++i) items[i] = slots_.get() + static_cast<size_t>(i) * SlotSize;
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
    count = 0;
    capacity = n;
    items.assign(n, 0.0f);
    scratch.assign(n, 0.0f);
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
