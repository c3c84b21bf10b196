// The COM boundary: exceptions inside, HRESULTs outside.
#pragma once
#include <windows.h>
#include <oleauto.h>
#include <string>

namespace com {

// Sets the calling thread's error information (interface, source, description) and returns
// DISP_E_EXCEPTION, the code an automation client expects with it.
HRESULT SetErrorInfoText(REFIID iid, const std::string& source, const std::string& description) noexcept;

// Inside a catch block: the current exception as error information plus its HRESULT
// (std::bad_alloc gives E_OUTOFMEMORY).
HRESULT CurrentExceptionToHresult(REFIID iid, const std::string& source) noexcept;

// Where a COM class reports its failures from: its interface, and as the source the ProgID
// registered for its class, or fallback while the class is not registered.
struct ErrorSource {
    const IID& iid;
    const CLSID& clsid;
    const char* fallback;
};

// Inside a catch block: as above, the source looked up only now; an exception that carries no
// message of its own gives an empty description.
HRESULT CurrentExceptionToHresult(const ErrorSource& where) noexcept;

// Runs one COM method's body: S_OK when it returns, else the exception as error information
// and its HRESULT. The body writes an out parameter only after its last call that can fail.
template <typename Body>
HRESULT Boundary(const ErrorSource& where, Body&& body) noexcept {
    try {
        body();
        return S_OK;
    } catch (...) {
        return CurrentExceptionToHresult(where);
    }
}

// System message text for an HRESULT, without the trailing line break; empty when there is none.
std::string SystemMessage(HRESULT hr);

}  // namespace com
