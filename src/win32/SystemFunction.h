#pragma once

#include <windows.h>

#include "win32/Handles.h"

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

// LOAD_LIBRARY_SEARCH_SYSTEM32, which the headers give only for later Windows.
inline constexpr DWORD LoadLibrarySearchSystem32 = 0x800;

// A DLL of the system folder, by its file name ("oleacc.dll"), never one of
// that name in the program's or the current folder; empty where it cannot be
// loaded.
UniqueModule LoadSystemLibrary(const wchar_t* name) noexcept;
// The same by the DLL's full path, as Windows without the search flags loads it.
UniqueModule LoadSystemLibraryByPath(const wchar_t* name) noexcept;

}  // namespace resolvo::win32
