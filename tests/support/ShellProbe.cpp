// shell_probe MILLISECONDS MARKER: waits, up to the given time, until the
// desktop shell answers as the program's route to the browser needs it: the
// shell's window list (CLSID_ShellWindows) can be created and names the
// desktop's window, with its automation object. Prints what it found and how
// long it took. Once the shell answers, it makes the marker file and stays, so
// that the session and its desktop stay up until it is ended; if the shell
// does not answer in time it exits 1 (2 on bad use).
#include <windows.h>

#include <exdisp.h>
#include <shlobj.h>

#include <cstdio>
#include <cwchar>

namespace {

// The desktop registers the shell's window list with COM, which asks the
// service manager to start its RPC service: a desktop started before the
// service manager answers lacks the list for the whole session.
bool ServiceManagerAnswers() {
    const SC_HANDLE manager = ::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (manager != nullptr) {
        ::CloseServiceHandle(manager);
    }
    return manager != nullptr;
}

// One attempt, from nothing, as a freshly started program makes it: S_OK
// once the desktop's window is among the shell's windows, and is a window.
HRESULT AskShell() {
    IShellWindows* windows = nullptr;
    HRESULT result = ::CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellWindows,
                                        reinterpret_cast<void**>(&windows));
    if (FAILED(result)) {
        return result;
    }
    VARIANT desktop{};
    desktop.vt = VT_I4;
    desktop.lVal = CSIDL_DESKTOP;
    VARIANT empty{};
    long window = 0;
    IDispatch* found = nullptr;
    result = windows->FindWindowSW(&desktop, &empty, SWC_DESKTOP, &window, SWFO_NEEDDISPATCH, &found);
    windows->Release();
    if (found == nullptr) {
        return FAILED(result) ? result : S_FALSE;
    }
    found->Release();
    return ::IsWindow(reinterpret_cast<HWND>(static_cast<LONG_PTR>(window))) ? result : E_HANDLE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        return 2;
    }
    const DWORD limit = std::wcstoul(argv[1], nullptr, 10);
    const DWORD started = ::GetTickCount();
    const auto waited = [started] { return ::GetTickCount() - started; };
    while (!ServiceManagerAnswers()) {
        if (waited() >= limit) {
            std::printf("the service manager did not answer in %lu ms\n", limit);
            return 1;
        }
        ::Sleep(50);
    }
    // Makes Wine start its desktop process, as the first window of a session does.
    ::GetDesktopWindow();
    if (FAILED(::CoInitialize(nullptr))) {
        return 1;
    }
    HRESULT answer = AskShell();
    int attempts = 1;
    for (; answer != S_OK && waited() < limit; ++attempts) {
        ::Sleep(100);
        answer = AskShell();
    }
    ::CoUninitialize();
    std::printf("the desktop shell %s after %lu ms (%d attempts): HRESULT 0x%08lx\n",
                answer == S_OK ? "answered" : "did not answer", waited(), attempts,
                static_cast<unsigned long>(answer));
    if (answer != S_OK) {
        return 1;
    }
    std::fflush(stdout);
    ::CloseHandle(::CreateFileW(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ::Sleep(INFINITE);
    return 0;
}
