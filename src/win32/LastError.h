#pragma once

#include <windows.h>

#include <string>

#include "port/Failure.h"

namespace resolvo::win32 {

// Reads the error code first, before anything else can change it.
[[noreturn]] inline void RaiseLastError(const char* operation, const std::string& subject) {
    const DWORD code = ::GetLastError();
    throw Failure(operation, subject, code);
}

}  // namespace resolvo::win32
