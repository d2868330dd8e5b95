// shell_probe MILLISECONDS MARKER: waits, up to the given time, until the
// desktop shell answers as the program's route to the browser needs it: the
// shell's window list (CLSID_ShellWindows) can be created and names the
// desktop's window, with its automation object. On Windows, Explorer is up
// before a user starts anything; a session whose shell never answers would
// fail every test that starts the browser. Prints what it found and how long
// it took. Once the shell answers, it makes the marker file and stays, so
// that the session and its desktop stay up until it is ended; if the shell
// does not answer in time it exits 1 (2 on bad use).
#include <windows.h>

#include <exdisp.h>
#include <shlobj.h>

#include <cstdio>
#include <cwchar>

namespace {

struct Answer {
    HRESULT result;
    HWND desktop;
};

// One attempt, from nothing, as a freshly started program makes it.
Answer AskShell() {
    IShellWindows* windows = nullptr;
    Answer answer{::CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellWindows,
                                     reinterpret_cast<void**>(&windows)),
                  nullptr};
    if (FAILED(answer.result)) {
        return answer;
    }
    VARIANT desktop{};
    desktop.vt = VT_I4;
    desktop.lVal = CSIDL_DESKTOP;
    VARIANT empty{};
    long window = 0;
    IDispatch* found = nullptr;
    answer.result = windows->FindWindowSW(&desktop, &empty, SWC_DESKTOP, &window, SWFO_NEEDDISPATCH, &found);
    if (found != nullptr) {
        found->Release();
    } else if (SUCCEEDED(answer.result)) {
        answer.result = S_FALSE;  // no desktop among the shell's windows
    }
    windows->Release();
    answer.desktop = reinterpret_cast<HWND>(static_cast<LONG_PTR>(window));
    if (answer.result == S_OK && !::IsWindow(answer.desktop)) {
        answer.result = E_HANDLE;
    }
    return answer;
}

// The desktop registers the shell's window list with COM, which asks the
// service manager to start its RPC service: a desktop started before the
// service manager answers lacks the list for the whole session.
bool WaitForServiceManager(DWORD limit) {
    const DWORD started = ::GetTickCount();
    for (;;) {
        const SC_HANDLE manager = ::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
        if (manager != nullptr) {
            ::CloseServiceHandle(manager);
            return true;
        }
        if (::GetTickCount() - started >= limit) {
            return false;
        }
        ::Sleep(50);
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        return 2;
    }
    const DWORD limit = std::wcstoul(argv[1], nullptr, 10);
    const DWORD started = ::GetTickCount();
        if (!WaitForServiceManager(limit)) {
        std::printf("the service manager did not answer in %lu ms\n", limit);
        return 1;
    }
    // Makes Wine start its desktop process, as the first window of a session does.
    ::GetDesktopWindow();
    if (FAILED(::CoInitialize(nullptr))) {
        return 1;
    }
    Answer answer{};
    DWORD waited = 0;
    int attempts = 0;
    for (;;) {
        answer = AskShell();
        ++attempts;
        waited = ::GetTickCount() - started;
        if (answer.result == S_OK || waited >= limit) {
            break;
        }
        ::Sleep(100);
    }
    ::CoUninitialize();
    if (answer.result != S_OK) {
        std::printf("the desktop shell did not answer in %lu ms (%d attempts): last HRESULT 0x%08lx\n",
                    waited, attempts, static_cast<unsigned long>(answer.result));
        return 1;
    }
    std::printf("the desktop shell answered after %lu ms (%d attempts): desktop window %p\n", waited, attempts,
                static_cast<void*>(answer.desktop));
    std::fflush(stdout);
    ::CloseHandle(::CreateFileW(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ::Sleep(INFINITE);
    return 0;
}
