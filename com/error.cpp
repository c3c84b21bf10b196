#include "com/error.h"
#include <exception>
#include <new>
#include "com/bstr.h"
#include "com/com_ptr.h"

namespace com {

HRESULT SetErrorInfoText(REFIID iid, const std::string& source, const std::string& description) noexcept {
    try {
        com_ptr<ICreateErrorInfo> create;
        if (SUCCEEDED(::CreateErrorInfo(create.put()))) {
            create->SetGUID(iid);
            unique_bstr src = ToBstr(source);
            unique_bstr desc = ToBstr(description);
            create->SetSource(src.get());
            create->SetDescription(desc.get());
            com_ptr<IErrorInfo> info = create.try_query<IErrorInfo>(IID_IErrorInfo);
            if (info) ::SetErrorInfo(0, info.get());
        }
    } catch (...) {
        // Out of memory while describing the failure: the code alone still reaches the caller.
    }
    return DISP_E_EXCEPTION;
}

namespace {

// The current exception's HRESULT; its message, or unknown when it carries none, goes to report.
template <typename Report>
HRESULT Translate(Report&& report, const char* unknown) noexcept {
    try {
        throw;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (const std::exception& e) {
        return report(e.what());
    } catch (...) {
        return report(unknown);
    }
}

std::string RegisteredProgId(REFCLSID clsid, const char* fallback) {
    LPOLESTR progId = nullptr;
    if (FAILED(::ProgIDFromCLSID(clsid, &progId)) || !progId) return fallback;
    unique_bstr copy(::SysAllocString(progId));
    ::CoTaskMemFree(progId);
    if (!copy) return fallback;
    return FromBstr(copy.get());
}

HRESULT Report(const ErrorSource& where, const char* message) noexcept {
    try {
        std::string source = where.fallback;
        try {
            source = RegisteredProgId(where.clsid, where.fallback);
        } catch (...) {
            // The fallback names the source then.
        }
        return SetErrorInfoText(where.iid, source, message);
    } catch (...) {
        return DISP_E_EXCEPTION;  // out of memory while describing the failure: the code alone
    }
}

}  // namespace

HRESULT CurrentExceptionToHresult(REFIID iid, const std::string& source) noexcept {
    return Translate([&](const char* text) { return SetErrorInfoText(iid, source, text); }, "Unknown exception");
}

HRESULT CurrentExceptionToHresult(const ErrorSource& where) noexcept {
    return Translate([&](const char* text) { return Report(where, text); }, "");
}

std::string SystemMessage(HRESULT hr) {
    char* buf = nullptr;
    DWORD n = ::FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                   FORMAT_MESSAGE_IGNORE_INSERTS,
                               nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<char*>(&buf), 0, nullptr);
    std::string text;
    if (n && buf) text.assign(buf, n);
    if (buf) ::LocalFree(buf);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

}  // namespace com
