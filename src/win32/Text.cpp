#include "win32/Text.h"

#include <windows.h>

#include "win32/Handles.h"
#include "win32/LastError.h"
#include "win32/SystemFunction.h"
#include "win32/Win32Platform.h"

namespace resolvo::win32 {

// A count of 0 for text that is not empty is the conversion's failure: an
// empty string would pass for text that was never there.
std::wstring Widen(std::string_view utf8) {
    if (utf8.empty()) {
        return {};
    }
    const int length =
        ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    if (length == 0) {
        RaiseLastError("MultiByteToWideChar", std::string(utf8));
    }
    std::wstring result(static_cast<std::size_t>(length), L'\0');
    if (::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), result.data(),
                              length) == 0) {
        RaiseLastError("MultiByteToWideChar", std::string(utf8));
    }
    return result;
}

std::string Narrow(std::wstring_view utf16) {
    if (utf16.empty()) {
        return {};
    }
    const int length = ::WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()),
                                             nullptr, 0, nullptr, nullptr);
    if (length == 0) {
        RaiseLastError("WideCharToMultiByte", {});
    }
    std::string result(static_cast<std::size_t>(length), '\0');
    if (::WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()), result.data(), length,
                              nullptr, nullptr) == 0) {
        RaiseLastError("WideCharToMultiByte", {});
    }
    return result;
}

namespace {

using IdnToAsciiFunction = int(WINAPI*)(DWORD flags, LPCWSTR unicode, int unicodeLength, LPWSTR ascii,
                                        int asciiLength);

IdnToAsciiFunction IdnToAsciiIn(HMODULE module) noexcept {
    return FunctionIn<IdnToAsciiFunction>(module, "IdnToAscii");
}

std::wstring ToAscii(IdnToAsciiFunction toAscii, const std::wstring& name, const std::string& host) {
    // The flags are 0: unassigned code points and non-STD3 characters are refused.
    const int length = toAscii(0, name.c_str(), static_cast<int>(name.size()), nullptr, 0);
    if (length == 0) {
        RaiseLastError("IdnToAscii", host);
    }
    std::wstring ascii(static_cast<std::size_t>(length), L'\0');
    if (toAscii(0, name.c_str(), static_cast<int>(name.size()), ascii.data(), length) == 0) {
        RaiseLastError("IdnToAscii", host);
    }
    return ascii;
}

}  // namespace

// IdnToAscii is in kernel32 from Vista on; Windows XP has it only in
// normaliz.dll, where the IDN update was installed, and is taken from the
// system folder only. Without either, names match as they are typed.
std::string Win32Platform::AsciiHostName(const std::string& host) {
    const std::wstring name = Widen(host);
    if (const IdnToAsciiFunction toAscii = IdnToAsciiIn(::GetModuleHandleW(L"kernel32.dll"))) {
        return Narrow(ToAscii(toAscii, name, host));
    }
    const UniqueModule normaliz = LoadSystemLibrary(L"normaliz.dll");
    const IdnToAsciiFunction toAscii = IdnToAsciiIn(normaliz.Get());
    return toAscii != nullptr ? Narrow(ToAscii(toAscii, name, host)) : host;
}

}  // namespace resolvo::win32
