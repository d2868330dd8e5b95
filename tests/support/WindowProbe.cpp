// window_probe DPI [NEW_DPI...]: resolvo.exe's visible dialog window, read from
// another process as a screen reader does, one tab-separated line per control
// in z-order (id, 0 for the window; text; accessible name; role; 1 if
// focusable; a control's rectangle in the client area, or the window's centre
// on screen and client size), and again after each DPI change, after a blank line.
#include <windows.h>

#include <oleacc.h>

#include <cstdio>
#include <cwchar>

#include "win32/Accessibility.h"

namespace {

using resolvo::win32::AccessibleInterface;

BOOL CALLBACK FindDialog(HWND window, LPARAM found) {
    wchar_t className[8] = {};
    ::GetClassNameW(window, className, 8);
    const bool dialog = ::IsWindowVisible(window) && std::wcscmp(className, L"#32770") == 0;
    *reinterpret_cast<HWND*>(found) = dialog ? window : nullptr;
    return !dialog;
}

void Print(const wchar_t* text) {
    char bytes[4096] = {};
    ::WideCharToMultiByte(CP_UTF8, 0, text != nullptr ? text : L"", -1, bytes, sizeof bytes, nullptr,
                          nullptr);
    std::printf("%s\t", bytes);
}

void PrintControl(HWND window, int id, long a, long b, long c, long d) {
    wchar_t text[1024] = {};
    ::GetWindowTextW(window, text, 1024);
    std::printf("%d\t", id);
    Print(text);
    IAccessible* accessible = nullptr;
    VARIANT self{};
    self.vt = VT_I4;  // CHILDID_SELF
    BSTR name = nullptr;
    VARIANT role{};
    VARIANT state{};
    if (SUCCEEDED(::AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), AccessibleInterface,
                                               reinterpret_cast<void**>(&accessible)))) {
        accessible->get_accName(self, &name);
        accessible->get_accRole(self, &role);
        accessible->get_accState(self, &state);
        accessible->Release();
    }
    Print(name);
    ::SysFreeString(name);
    std::printf("%ld\t%d\t%ld %ld %ld %ld\n", role.lVal, (state.lVal & STATE_SYSTEM_FOCUSABLE) != 0, a, b, c,
                d);
}

void PrintWindow(HWND dialog) {
    RECT frame{};
    RECT client{};
    ::GetWindowRect(dialog, &frame);
    ::GetClientRect(dialog, &client);
    PrintControl(dialog, 0, (frame.left + frame.right) / 2, (frame.top + frame.bottom) / 2, client.right,
                 client.bottom);
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child != nullptr;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        RECT at{};
        ::GetWindowRect(child, &at);
        ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&at), 2);
        PrintControl(child, ::GetDlgCtrlID(child), at.left, at.top, at.right - at.left, at.bottom - at.top);
    }
}

// WM_DPICHANGED carries a pointer, which is not marshalled to another
// process: the suggestion is written into the program's own memory.
void ChangeDpi(HWND dialog, int from, int to) {
    RECT frame{};
    ::GetWindowRect(dialog, &frame);
    const int width = ::MulDiv(frame.right - frame.left, to, from);
    const int height = ::MulDiv(frame.bottom - frame.top, to, from);
    const int left = (frame.left + frame.right - width) / 2;
    const int top = (frame.top + frame.bottom - height) / 2;
    const RECT suggested{left, top, left + width, top + height};
    DWORD processId = 0;
    ::GetWindowThreadProcessId(dialog, &processId);
    const HANDLE process = ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, processId);
    void* remote = ::VirtualAllocEx(process, nullptr, sizeof suggested, MEM_COMMIT, PAGE_READWRITE);
    ::WriteProcessMemory(process, remote, &suggested, sizeof suggested, nullptr);
    ::SendMessageW(dialog, 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(to, to), reinterpret_cast<LPARAM>(remote));
    ::VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    ::CloseHandle(process);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    // The dialog of the thread of the program's hidden window.
    const HWND application = ::FindWindowW(L"Resolvo.Application", nullptr);
    HWND dialog = nullptr;
    ::EnumThreadWindows(::GetWindowThreadProcessId(application, nullptr), FindDialog,
                        reinterpret_cast<LPARAM>(&dialog));
    if (application == nullptr || dialog == nullptr || argc < 2) {
        return 1;
    }
    ::CoInitialize(nullptr);
    PrintWindow(dialog);
    for (int i = 2; i < argc; ++i) {
        ChangeDpi(dialog, static_cast<int>(std::wcstol(argv[i - 1], nullptr, 10)),
                  static_cast<int>(std::wcstol(argv[i], nullptr, 10)));
        std::printf("\n");
        PrintWindow(dialog);
    }
    ::CoUninitialize();
    return 0;
}
