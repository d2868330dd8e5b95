#include "win32/SystemFunction.h"

#include <cwchar>

namespace resolvo::win32 {

// LoadLibraryEx knows the search flags from Windows 8 on, and on Vista and 7
// with the update that brought SetDefaultDllDirectories (KB2533623); before
// it refuses them. Where that function exists, the flags do.
UniqueModule LoadSystemLibrary(const wchar_t* name) noexcept {
    if (SystemFunction<BOOL(WINAPI*)(DWORD)>(L"kernel32.dll", "SetDefaultDllDirectories") == nullptr) {
        return LoadSystemLibraryByPath(name);
    }
    return UniqueModule(::LoadLibraryExW(name, nullptr, LoadLibrarySearchSystem32));
}

// A full path loads that file only. The altered search path looks for the
// DLLs it imports in its own folder, the system folder, first, instead of
// the program's.
UniqueModule LoadSystemLibraryByPath(const wchar_t* name) noexcept {
    wchar_t path[MAX_PATH] = {};
    const std::size_t folderLength = ::GetSystemDirectoryW(path, MAX_PATH);
    if (folderLength == 0 || folderLength + 1 + std::wcslen(name) >= MAX_PATH) {
        return {};
    }
    path[folderLength] = L'\\';
    std::wcscpy(path + folderLength + 1, name);
    return UniqueModule(::LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
}

}  // namespace resolvo::win32
