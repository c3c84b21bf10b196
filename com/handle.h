// Move-only owners for Win32 handles and other closable resources.
#pragma once
#include <windows.h>
#include <oleauto.h>
#include <utility>

namespace com {

// Owner of one resource value; Traits gives the invalid value and the closer.
template <typename Traits>
class unique_any {
public:
    using value_type = typename Traits::type;

    unique_any() noexcept = default;
    explicit unique_any(value_type v) noexcept : value_(v) {}
    unique_any(const unique_any&) = delete;
    unique_any& operator=(const unique_any&) = delete;
    unique_any(unique_any&& o) noexcept : value_(o.release()) {}
    unique_any& operator=(unique_any&& o) noexcept {
        if (this != &o) reset(o.release());
        return *this;
    }
    ~unique_any() { reset(); }

    value_type get() const noexcept { return value_; }
    explicit operator bool() const noexcept { return value_ != Traits::invalid(); }
    bool valid() const noexcept { return value_ != Traits::invalid(); }

    // Closes what is held and takes v.
    void reset(value_type v = Traits::invalid()) noexcept {
        if (value_ != Traits::invalid()) Traits::close(value_);
        value_ = v;
    }
    value_type release() noexcept { return std::exchange(value_, Traits::invalid()); }
    // Address for an out-parameter: what is held is closed first.
    value_type* put() noexcept {
        reset();
        return &value_;
    }

private:
    value_type value_ = Traits::invalid();
};

struct handle_traits {  // events, mappings, threads, processes: NULL is invalid
    using type = HANDLE;
    static type invalid() noexcept { return nullptr; }
    static void close(type h) noexcept { ::CloseHandle(h); }
};
struct file_traits {  // CreateFile: INVALID_HANDLE_VALUE is invalid
    using type = HANDLE;
    static type invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(type h) noexcept { ::CloseHandle(h); }
};
struct view_traits {
    using type = void*;
    static type invalid() noexcept { return nullptr; }
    static void close(type p) noexcept { ::UnmapViewOfFile(p); }
};
struct hkey_traits {
    using type = HKEY;
    static type invalid() noexcept { return nullptr; }
    static void close(type k) noexcept { ::RegCloseKey(k); }
};
struct hmodule_traits {
    using type = HMODULE;
    static type invalid() noexcept { return nullptr; }
    static void close(type m) noexcept { ::FreeLibrary(m); }
};
struct bstr_traits {
    using type = BSTR;
    static type invalid() noexcept { return nullptr; }
    static void close(type b) noexcept { ::SysFreeString(b); }
};

using unique_handle = unique_any<handle_traits>;
using unique_hfile = unique_any<file_traits>;
using unique_view = unique_any<view_traits>;
using unique_hkey = unique_any<hkey_traits>;
using unique_hmodule = unique_any<hmodule_traits>;
using unique_bstr = unique_any<bstr_traits>;

// VARIANT owner: cleared on destruction.
class unique_variant {
public:
    unique_variant() noexcept { ::VariantInit(&v_); }
    unique_variant(const unique_variant&) = delete;
    unique_variant& operator=(const unique_variant&) = delete;
    ~unique_variant() { ::VariantClear(&v_); }
    VARIANT* get() noexcept { return &v_; }
    VARIANT* operator->() noexcept { return &v_; }
    VARIANT* put() noexcept {
        ::VariantClear(&v_);
        return &v_;
    }

private:
    VARIANT v_;
};

}  // namespace com
