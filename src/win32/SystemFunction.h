#pragma once

#include <windows.h>

namespace resolvo::win32 {

// A function that not every Windows has, looked up at run time in a module
// the program has loaded, so that the program still starts where it is
// missing (Windows XP above all); null where the module or the function is.
template <typename Function>
Function FunctionIn(HMODULE module, const char* name) noexcept {
    return module == nullptr
               ? nullptr
               : reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

// The same in one of the system DLLs every run of the program has loaded:
// kernel32.dll, user32.dll, advapi32.dll.
template <typename Function>
Function SystemFunction(const wchar_t* module, const char* name) noexcept {
    return FunctionIn<Function>(::GetModuleHandleW(module), name);
}

}  // namespace resolvo::win32
