// The machine's settings in the registry, read only.
#include "win32/Win32Platform.h"

#include <windows.h>

#include "port/Failure.h"
#include "win32/Handles.h"
#include "win32/Text.h"

namespace resolvo::win32 {

namespace {

using UniqueRegistryKey = UniqueHandle<HKEY, &::RegCloseKey>;

// The machine's own view of its settings, also for this 32-bit program on
// 64-bit Windows; 32-bit Windows ignores the flag.
constexpr REGSAM ReadAccess = KEY_QUERY_VALUE | KEY_WOW64_64KEY;

// Empty where the key is missing.
UniqueRegistryKey OpenMachineKey(const std::string& key) {
    UniqueRegistryKey opened;
    const LONG status = ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, Widen(key).c_str(), 0, ReadAccess, opened.Put());
    if (status == ERROR_FILE_NOT_FOUND) {
        return {};
    }
    if (status != ERROR_SUCCESS) {
        throw Failure("RegOpenKeyEx", key, static_cast<std::uint32_t>(status));
    }
    return opened;
}

std::wstring Expanded(const std::wstring& text, const std::string& subject) {
    std::wstring expanded(text.size() + 1, L'\0');
    for (;;) {
        const DWORD needed =
            ::ExpandEnvironmentStringsW(text.c_str(), expanded.data(), static_cast<DWORD>(expanded.size()));
        if (needed == 0) {
            throw Failure("ExpandEnvironmentStrings", subject, ::GetLastError());
        }
        if (needed <= expanded.size()) {
            expanded.resize(needed - 1);
            return expanded;
        }
        expanded.resize(needed);
    }
}

}  // namespace

// A string value need not end in a NUL, and may hold more than one: it ends
// at the first.
std::optional<std::string> Win32Platform::ReadSetting(const std::string& key, const std::string& name) {
    const UniqueRegistryKey opened = OpenMachineKey(key);
    if (!opened) {
        return std::nullopt;
    }
    const std::wstring valueName = Widen(name);
    const std::string subject = key + "\\" + name;
    std::wstring value;
    DWORD type = REG_NONE;
    DWORD size = 0;
    LONG status = ERROR_MORE_DATA;
    while (status == ERROR_MORE_DATA) {
        value.assign(size / sizeof(wchar_t) + 1, L'\0');
        size = static_cast<DWORD>(value.size() * sizeof(wchar_t));
        status = ::RegQueryValueExW(opened.Get(), valueName.c_str(), nullptr, &type,
                                    reinterpret_cast<BYTE*>(value.data()), &size);
    }
    if (status == ERROR_FILE_NOT_FOUND) {
        return std::nullopt;
    }
    if (status != ERROR_SUCCESS) {
        throw Failure("RegQueryValueEx", subject, static_cast<std::uint32_t>(status));
    }
    if (type != REG_SZ && type != REG_EXPAND_SZ) {
        return std::nullopt;
    }
    value.resize(size / sizeof(wchar_t));
    value.resize(value.find(L'\0') == std::wstring::npos ? value.size() : value.find(L'\0'));
    return Narrow(type == REG_EXPAND_SZ ? Expanded(value, subject) : value);
}

bool Win32Platform::SettingsKeyExists(const std::string& key) {
    return static_cast<bool>(OpenMachineKey(key));
}

}  // namespace resolvo::win32
