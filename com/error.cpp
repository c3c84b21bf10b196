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

HRESULT CurrentExceptionToHresult(REFIID iid, const std::string& source) noexcept {
    try {
        throw;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (const std::exception& e) {
        return SetErrorInfoText(iid, source, e.what());
    } catch (...) {
        return SetErrorInfoText(iid, source, "Unknown exception");
    }
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
