// Stands in for a program that Resolvo starts (the browser, the registry
// editor, ipconfig, a planted program). It appends its own command line, as
// one UTF-8 line, to "<its own path>.log". Beside it, "<path>.sleep" holding a
// number of milliseconds makes it wait that long before it writes, and
// "<path>.exitcode" sets the code it exits with.
#include <windows.h>

#include <string>

namespace {

std::wstring OwnPath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

DWORD ReadNumber(const std::wstring& path, DWORD fallback) {
    const HANDLE file =
        ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return fallback;
    }
    char text[32] = {};
    DWORD read = 0;
    ::ReadFile(file, text, sizeof text - 1, &read, nullptr);
    ::CloseHandle(file);
    DWORD value = 0;
    for (DWORD i = 0; i < read && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + static_cast<DWORD>(text[i] - '0');
    }
    return value;
}

void AppendLine(const std::wstring& path, const wchar_t* text) {
    const int length = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string line(static_cast<std::size_t>(length > 0 ? length - 1 : 0), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text, -1, line.data(), length, nullptr, nullptr);
    line += "\r\n";
    // Several stubs may log at once; retry while another one holds the file.
    for (int attempt = 0; attempt < 200; ++attempt) {
        const HANDLE file = ::CreateFileW(path.c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            ::WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
            ::CloseHandle(file);
            return;
        }
        ::Sleep(10);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    const std::wstring self = OwnPath();
    const DWORD sleep = ReadNumber(self + L".sleep", 0);
    if (sleep > 0) {
        ::Sleep(sleep);
    }
    AppendLine(self + L".log", ::GetCommandLineW());
    return static_cast<int>(ReadNumber(self + L".exitcode", 0));
}
