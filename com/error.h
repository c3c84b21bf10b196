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

// System message text for an HRESULT, without the trailing line break; empty when there is none.
std::string SystemMessage(HRESULT hr);

}  // namespace com
