// Counted COM reference: releases on reassignment and destruction. Never hold an owning raw pointer.
#pragma once
#include <unknwn.h>
#include <utility>

namespace com {

template <typename T>
class com_ptr {
public:
    com_ptr() noexcept = default;
    com_ptr(std::nullptr_t) noexcept {}
    // Takes a new reference of its own (AddRef).
    explicit com_ptr(T* p) noexcept : p_(p) {
        if (p_) p_->AddRef();
    }
    com_ptr(const com_ptr& o) noexcept : com_ptr(o.p_) {}
    com_ptr(com_ptr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    com_ptr& operator=(const com_ptr& o) noexcept {
        if (o.p_) o.p_->AddRef();
        reset_to(o.p_);
        return *this;
    }
    com_ptr& operator=(com_ptr&& o) noexcept {
        if (this != &o) reset_to(std::exchange(o.p_, nullptr));
        return *this;
    }
    com_ptr& operator=(std::nullptr_t) noexcept {
        reset_to(nullptr);
        return *this;
    }
    ~com_ptr() { reset_to(nullptr); }

    // Adopts a reference the caller already owns (no AddRef).
    static com_ptr attach(T* p) noexcept {
        com_ptr r;
        r.p_ = p;
        return r;
    }

    T* get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }

    // Releases what is held and returns the address for an out-parameter.
    T** put() noexcept {
        reset_to(nullptr);
        return &p_;
    }
    void** put_void() noexcept { return reinterpret_cast<void**>(put()); }
    void reset() noexcept { reset_to(nullptr); }
    T* detach() noexcept { return std::exchange(p_, nullptr); }
    // Hands out a new reference (AddRef) through an out-parameter.
    void copy_to(T** out) const noexcept {
        if (p_) p_->AddRef();
        *out = p_;
    }

    template <typename U>
    com_ptr<U> try_query(REFIID iid) const noexcept {
        com_ptr<U> r;
        if (p_) p_->QueryInterface(iid, r.put_void());
        return r;
    }

private:
    void reset_to(T* p) noexcept {
        T* old = std::exchange(p_, p);
        if (old) old->Release();
    }
    T* p_ = nullptr;
};

}  // namespace com
