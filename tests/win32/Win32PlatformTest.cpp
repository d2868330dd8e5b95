// The Windows platform on a real Windows API (Wine, here): the file promises
// every platform keeps, and what only this one does: folders, starting and
// waiting for programs, pauses, windows and the desktop shell.
#include "win32/Win32Platform.h"

#include <gtest/gtest.h>
#include <objbase.h>
#include <windows.h>

#include <algorithm>
#include <iterator>
#include <string>

#include "port/FilesContract.h"
#include "support/TempDir.h"
#include "win32/Text.h"

namespace resolvo {
namespace testing {
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, FilesContract, ::testing::Types<win32::Win32Platform>);
}  // namespace testing

namespace win32 {
namespace {

using testing::FailureCode;

bool RunningUnderWine() {
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

UINT WINAPI FailingQuery(LPWSTR, UINT) {
    ::SetLastError(ERROR_PATH_NOT_FOUND);
    return 0;
}
UINT WINAPI TooLongQuery(LPWSTR, UINT size) {
    return size;
}

TEST(Win32Platform, FoldersAreWholeOrAFailure) {
    wchar_t wide[MAX_PATH + 1];
    const UINT length = ::GetSystemDirectoryW(wide, MAX_PATH + 1);
    Win32Platform platform;
    EXPECT_EQ(platform.SystemDirectory(), Narrow(std::wstring_view(wide, length)));
    EXPECT_EQ(FailureCode([] { QueryFolder(FailingQuery, "query"); }), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(FailureCode([] { QueryFolder(TooLongQuery, "query"); }), ERROR_INSUFFICIENT_BUFFER);
    const std::string folder = platform.ApplicationFolder();
    EXPECT_TRUE(platform.FileExists(folder + "\\win32_tests.exe")) << folder;
    EXPECT_TRUE(platform.FileExists(platform.WindowsDirectory() + "\\regedit.exe"));
}

// The recording stub, copied to a folder whose path holds blanks, logs its
// command line beside itself after sleeping as long as it is told.
class Win32Commands : public ::testing::Test {
protected:
    void SetUp() override {
        stub = dir.Write("Program Files Test/record stub.exe", "");
        const std::string built = platform.ApplicationFolder() + "\\recording_stub.exe";
        ASSERT_TRUE(::CopyFileW(Widen(built).c_str(), Widen(stub).c_str(), FALSE)) << built;
    }
    std::string Log() const { return dir.Read("Program Files Test/record stub.exe.log"); }
    void Sleep(int milliseconds) const {
        dir.Write("Program Files Test/record stub.exe.sleep", std::to_string(milliseconds));
    }

    testing::TempDir dir;
    Win32Platform platform{1500};
    std::string stub;
};

TEST_F(Win32Commands, WaitingEndsWithTheProgramOrAtTheLimit) {
    Sleep(300);
    const std::string command = "\"" + stub + "\" first \"second arg\"";
    platform.RunCommand(command, WindowStyle::Hidden, true);
    EXPECT_EQ(Log(), command + "\r\n");

    Sleep(5000);
    const DWORD start = ::GetTickCount();
    EXPECT_EQ(FailureCode([&] { platform.RunCommand(command, WindowStyle::Hidden, true); }), WAIT_TIMEOUT);
    EXPECT_LT(::GetTickCount() - start, 4000u);
}

TEST_F(Win32Commands, NotWaitingReturnsAtOnceAndProgramsAreFoundAsWindowsFindsThem) {
    Sleep(1000);
    const DWORD start = ::GetTickCount();
    platform.RunCommand(stub + " http://example.com/", WindowStyle::NormalFocus, false);
    EXPECT_LT(::GetTickCount() - start, 800u);
    for (int i = 0; i < 200 && Log().empty(); ++i) {
        ::Sleep(50);
    }
    // Found by its blank-separated prefixes. Windows hands the line over as it
    // was given; Wine quotes the program path it found.
    const std::string program = RunningUnderWine() ? "\"" + stub + "\"" : stub;
    EXPECT_EQ(Log(), program + " http://example.com/\r\n");
    EXPECT_EQ(FailureCode([&] {
                  platform.RunCommand("\"" + dir.PathOf("nothing here.exe") + "\" x", WindowStyle::Hidden,
                                      false);
              }),
              ERROR_FILE_NOT_FOUND);
}

// The desktop's shell starts the program, with its own rights; without COM
// (or without a desktop shell) it cannot be asked, and that is a failure.
TEST_F(Win32Commands, TheDesktopShellStartsAProgramWhereItCanBeAsked) {
    EXPECT_EQ(FailureCode([&] { platform.OpenAsDesktopUser(stub, "x"); }),
              0x800401F0u);  // CO_E_NOTINITIALIZED
    ASSERT_TRUE(SUCCEEDED(::CoInitialize(nullptr)));
    platform.OpenAsDesktopUser(stub, "\"http://example.com/a b\"");
    ::CoUninitialize();
    for (int i = 0; i < 200 && Log().empty(); ++i) {
        ::Sleep(50);
    }
    EXPECT_EQ(Log(), "\"" + stub + "\" \"http://example.com/a b\"\r\n");
}

// Input messages of a key, a touch and a pointer (WM_TOUCH, WM_POINTERDOWN).
constexpr UINT InputMessages[] = {WM_KEYDOWN, 0x0240, 0x0246};

// A plain top-level window that counts what reaches its window procedure.
class CountingWindow {
public:
    CountingWindow() {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = Procedure;
        windowClass.hInstance = ::GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"ResolvoCountingWindow";
        ::RegisterClassW(&windowClass);
        handle = ::CreateWindowExW(0, L"ResolvoCountingWindow", L"counting", WS_OVERLAPPEDWINDOW, 0, 0, 200,
                                   100, nullptr, nullptr, windowClass.hInstance, nullptr);
        ::SetWindowLongPtrW(handle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~CountingWindow() { ::DestroyWindow(handle); }

    WindowId Id() const { return WindowId{reinterpret_cast<std::uintptr_t>(handle)}; }

    HWND handle;
    int paints = 0;
    int input = 0;

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
        auto* self = reinterpret_cast<CountingWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
        if (self != nullptr) {
            self->paints += message == WM_PAINT ? 1 : 0;
            self->input +=
                static_cast<int>(std::count(std::begin(InputMessages), std::end(InputMessages), message));
        }
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
};

TEST(Win32Platform, PauseKeepsPaintingAndDropsInput) {
    Win32Platform platform;
    CountingWindow window;
    ::ShowWindow(window.handle, SW_SHOW);
    ::UpdateWindow(window.handle);
    const int paintsBefore = window.paints;
    ::InvalidateRect(window.handle, nullptr, TRUE);
    for (const UINT input : InputMessages) {
        ::PostMessageW(window.handle, input, VK_RETURN, 0);
    }
    const DWORD start = ::GetTickCount();
    platform.Pause(300);
    EXPECT_GE(::GetTickCount() - start, 290u);
    EXPECT_GT(window.paints, paintsBefore);
    EXPECT_EQ(window.input, 0);
}

TEST(Win32Platform, ActivationFailsForAHiddenWindowAndLeavesItHidden) {
    Win32Platform platform;
    CountingWindow window;
    EXPECT_EQ(FailureCode([&] { platform.ActivateWindow(window.Id()); }), ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_FALSE(::IsWindowVisible(window.handle));
    ::ShowWindow(window.handle, SW_SHOWMINIMIZED);
    EXPECT_NO_THROW(platform.ActivateWindow(window.Id()));
    EXPECT_FALSE(::IsIconic(window.handle));
}

}  // namespace
}  // namespace win32
}  // namespace resolvo
