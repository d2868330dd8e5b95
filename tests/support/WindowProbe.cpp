// Looks at resolvo.exe's visible dialog window from another process, as a
// screen reader does: window_probe [DPI...]. For the window and each of its
// controls in z-order it prints one tab-separated line: the control id (0
// for the window), its text, its accessible name, role and whether it is
// focusable, and where it lies: a control's left, top, width and height in the
// window's client area; the window's centre on screen and client size.
// Then, for each DPI given, it tells the window that its DPI changed, with
// the window's rectangle scaled about its centre as the suggestion, prints
// a blank line and everything again.
#include <windows.h>

#include <oleacc.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

// mingw-w64's import library holds wrong bytes for it.
constexpr IID AccessibleInterface = {
    0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

BOOL CALLBACK FindDialog(HWND window, LPARAM found) {
    wchar_t className[16] = {};
    ::GetClassNameW(window, className, 16);
    if (::IsWindowVisible(window) && std::wcscmp(className, L"#32770") == 0) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

// The dialog shown by the thread of the program's hidden window.
HWND FindResolvoDialog() {
    HWND dialog = nullptr;
    const HWND application = ::FindWindowW(L"Resolvo.Application", nullptr);
    if (application != nullptr) {
        ::EnumThreadWindows(::GetWindowThreadProcessId(application, nullptr), FindDialog,
                            reinterpret_cast<LPARAM>(&dialog));
    }
    return dialog;
}

std::string Utf8(const wchar_t* text) {
    std::string bytes(
        static_cast<std::size_t>(::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr)),
        '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text, -1, bytes.data(), static_cast<int>(bytes.size()), nullptr,
                          nullptr);
    return bytes.c_str();
}

void PrintAccessible(HWND window) {
    wchar_t text[1024] = {};
    ::GetWindowTextW(window, text, 1024);
    std::printf("%s\t", Utf8(text).c_str());
    IAccessible* accessible = nullptr;
    if (FAILED(::AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), AccessibleInterface,
                                            reinterpret_cast<void**>(&accessible)))) {
        std::printf("?\t?\t?");
        return;
    }
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr;
    VARIANT role{};
    VARIANT state{};
    accessible->get_accName(self, &name);
    accessible->get_accRole(self, &role);
    accessible->get_accState(self, &state);
    std::printf("%s\t%ld\t%d", Utf8(name != nullptr ? name : L"").c_str(), role.vt == VT_I4 ? role.lVal : -1L,
                state.vt == VT_I4 && (state.lVal & STATE_SYSTEM_FOCUSABLE) != 0 ? 1 : 0);
    ::SysFreeString(name);
    accessible->Release();
}

RECT ClientRect(HWND control, HWND dialog) {
    RECT at{};
    ::GetWindowRect(control, &at);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&at), 2);
    return at;
}

void PrintWindow(HWND dialog) {
    RECT frame{};
    RECT client{};
    ::GetWindowRect(dialog, &frame);
    ::GetClientRect(dialog, &client);
    std::printf("0\t");
    PrintAccessible(dialog);
    std::printf("\t%ld %ld %ld %ld\n", (frame.left + frame.right) / 2, (frame.top + frame.bottom) / 2,
                client.right, client.bottom);
    for (HWND control = ::GetWindow(dialog, GW_CHILD); control != nullptr;
         control = ::GetWindow(control, GW_HWNDNEXT)) {
        const RECT at = ClientRect(control, dialog);
        std::printf("%d\t", ::GetDlgCtrlID(control));
        PrintAccessible(control);
        std::printf("\t%ld %ld %ld %ld\n", at.left, at.top, at.right - at.left, at.bottom - at.top);
    }
}

// WM_DPICHANGED carries a pointer, which no system marshals to another
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
    ::CoInitialize(nullptr);
    const HWND dialog = FindResolvoDialog();
    if (dialog == nullptr) {
        return 1;
    }
    const HDC screen = ::GetDC(nullptr);
    int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    PrintWindow(dialog);
    for (int i = 1; i < argc; ++i) {
        const int next = static_cast<int>(std::wcstol(argv[i], nullptr, 10));
        ChangeDpi(dialog, dpi, next);
        dpi = next;
        std::printf("\n");
        PrintWindow(dialog);
    }
    ::CoUninitialize();
    return 0;
}
