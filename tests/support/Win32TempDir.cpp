#include "support/Win32TempDir.h"

#include <windows.h>

#include <stdexcept>

#include "win32/Text.h"

namespace resolvo::testing {

using win32::Narrow;
using win32::Widen;

namespace {

void RemoveTree(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    const HANDLE search = ::FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") {
                continue;
            }
            const std::wstring path = folder + L"\\" + name;
            ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
                RemoveTree(path);
            } else {
                ::DeleteFileW(path.c_str());
            }
        } while (::FindNextFileW(search, &found));
        ::FindClose(search);
    }
    ::RemoveDirectoryW(folder.c_str());
}

}  // namespace

Win32TempDir::Win32TempDir() {
    wchar_t base[MAX_PATH + 1];
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, base);
    if (length == 0 || length > MAX_PATH) {
        throw std::runtime_error("no temporary folder");
    }
    for (unsigned attempt = 0; attempt < 1000; ++attempt) {
        const std::wstring candidate = std::wstring(base, length) + L"resolvo-test-" +
                                       std::to_wstring(::GetCurrentProcessId()) + L"-" +
                                       std::to_wstring(::GetTickCount() + attempt);
        if (::CreateDirectoryW(candidate.c_str(), nullptr)) {
            path_ = Narrow(candidate);
            return;
        }
    }
    throw std::runtime_error("no temporary folder could be made");
}

Win32TempDir::~Win32TempDir() {
    RemoveTree(Widen(path_));
}

std::string Win32TempDir::Write(const std::string& relative, const std::string& bytes) const {
    const std::string path = PathOf(relative);
    const HANDLE file = ::CreateFileW(Widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        throw std::runtime_error("could not create " + path);
    }
    DWORD written = 0;
    const BOOL ok = ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::CloseHandle(file);
    if (!ok || written != bytes.size()) {
        throw std::runtime_error("could not write " + path);
    }
    return path;
}

std::string Win32TempDir::Read(const std::string& relative) const {
    const HANDLE file = ::CreateFileW(Widen(PathOf(relative)).c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return {};
    }
    std::string content;
    char chunk[65536];
    DWORD read = 0;
    while (::ReadFile(file, chunk, sizeof chunk, &read, nullptr) && read > 0) {
        content.append(chunk, read);
    }
    ::CloseHandle(file);
    return content;
}

}  // namespace resolvo::testing
