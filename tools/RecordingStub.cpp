// Stands in for a program that Resolvo starts (the browser, the registry
// editor, ipconfig, a planted program): it appends its own command line, as
// one UTF-8 line, to "<its own path>.log", after waiting as many milliseconds
// as "<its own path>.sleep" says, if there is one.
#include <windows.h>

#include <cstdlib>
#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    wchar_t self[MAX_PATH * 4];
    const DWORD length = ::GetModuleFileNameW(nullptr, self, MAX_PATH * 4);
    const std::wstring path(self, length);
    char text[32] = {};
    DWORD read = 0;
    const HANDLE sleep = ::CreateFileW((path + L".sleep").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                       OPEN_EXISTING, 0, nullptr);
    if (sleep != INVALID_HANDLE_VALUE) {
        ::ReadFile(sleep, text, sizeof text - 1, &read, nullptr);
        ::CloseHandle(sleep);
        ::Sleep(static_cast<DWORD>(std::strtoul(text, nullptr, 10)));
    }
    std::string line(static_cast<std::size_t>(::WideCharToMultiByte(CP_UTF8, 0, ::GetCommandLineW(), -1,
                                                                    nullptr, 0, nullptr, nullptr)),
                     '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, ::GetCommandLineW(), -1, line.data(), static_cast<int>(line.size()),
                          nullptr, nullptr);
    line.back() = '\r';
    line += '\n';
    // Several stubs may log at once; each waits while another holds the log.
    for (int attempt = 0; attempt < 200; ++attempt) {
        const HANDLE log = ::CreateFileW((path + L".log").c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS,
                                         FILE_ATTRIBUTE_NORMAL, nullptr);
        if (log != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            ::WriteFile(log, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
            ::CloseHandle(log);
            return 0;
        }
        ::Sleep(10);
    }
    return 1;
}
