// One word as the BSTR that component calls take, converted from 8-bit text (system code page)
// once: a text query builds its words once and every model it asks shares them. Usual words are
// held in the object itself, laid out as a BSTR (byte count, characters, terminating zero), so a
// query allocates nothing; an [in] BSTR is only read by the component (and by the marshaller of
// an out-of-process one), never freed. Longer words take a BSTR from the system allocator.
#pragma once
#include <windows.h>
#include <cstddef>
#include <cstdint>
#include "com/handle.h"

namespace engine {

class BstrArg {
public:
    // nullptr is an absent word: it reaches components as the empty text.
    BstrArg(const char* text);  // NOLINT: implicit, so 8-bit texts convert at the call
    BstrArg(const BstrArg&) = delete;
    BstrArg& operator=(const BstrArg&) = delete;

    BSTR get() const noexcept { return bstr_; }
    bool absent() const noexcept { return absent_; }

private:
    static constexpr int kInline = 63;
    struct Inline {
        uint32_t bytes;
        OLECHAR text[kInline + 1];
    };
    static_assert(offsetof(Inline, text) == sizeof(uint32_t), "a BSTR's count comes right before its text");
    Inline inline_;
    com::unique_bstr heap_;
    BSTR bstr_;
    bool absent_;
};

}  // namespace engine
