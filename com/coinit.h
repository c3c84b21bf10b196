// COM apartment initialisation that undoes itself: the guard uninitialises only when its own
// initialisation succeeded (S_OK or S_FALSE).
#pragma once
#include <objbase.h>

namespace com {

class CoInitGuard {
public:
    explicit CoInitGuard(DWORD model = COINIT_APARTMENTTHREADED) noexcept
        : hr_(::CoInitializeEx(nullptr, model)) {}
    CoInitGuard(const CoInitGuard&) = delete;
    CoInitGuard& operator=(const CoInitGuard&) = delete;
    ~CoInitGuard() {
        if (SUCCEEDED(hr_)) ::CoUninitialize();
    }
    HRESULT result() const noexcept { return hr_; }
    bool ok() const noexcept { return SUCCEEDED(hr_); }

private:
    HRESULT hr_;
};

}  // namespace com
