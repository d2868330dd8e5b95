// The Win32 platform layer on a real Windows API (Wine, here): files, line
// ends, attributes, process start, waiting and windows.
#include "win32/Win32Platform.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "port/Failure.h"
#include "support/Win32TempDir.h"
#include "win32/Text.h"

namespace resolvo::win32 {
namespace {

using testing::Win32TempDir;

std::vector<std::string> ReadAll(Win32Platform& platform, const std::string& path) {
    LineReader reader = platform.OpenForReading(path);
    std::vector<std::string> lines;
    while (!reader.AtEnd()) {
        lines.push_back(reader.ReadLine());
    }
    reader.Close();
    return lines;
}

template <typename Action>
DWORD FailureCode(Action&& action) {
    try {
        action();
    } catch (const Failure& failure) {
        return failure.Code();
    }
    ADD_FAILURE() << "no failure was raised";
    return 0;
}

bool RunningUnderWine() {
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

class Win32PlatformFiles : public ::testing::Test {
protected:
    Win32TempDir dir;
    Win32Platform platform;
};

using Lines = std::vector<std::string>;

TEST_F(Win32PlatformFiles, ReadsLinesEndingInCrLfOrLoneCr) {
    EXPECT_EQ(ReadAll(platform, dir.Write("crlf", "a\r\nb\r\n")), (Lines{"a", "b"}));
    EXPECT_EQ(ReadAll(platform, dir.Write("cr", "a\rb")), (Lines{"a", "b"}));
    EXPECT_EQ(ReadAll(platform, dir.Write("lf", "a\nb\n")), (Lines{"a\nb\n"}));
    EXPECT_EQ(ReadAll(platform, dir.Write("mixed", "a\n\r\n\rb")), (Lines{"a\n", "", "b"}));
    EXPECT_EQ(ReadAll(platform, dir.Write("empty", "")), Lines{});
    EXPECT_EQ(ReadAll(platform, dir.Write("blank", "\r\n")), (Lines{""}));
}

TEST_F(Win32PlatformFiles, WritesEveryByteBackAsReadWithCrLf) {
    std::string everyByte;
    for (int c = 0; c < 256; ++c) {
        if (c != '\r') {
            everyByte += static_cast<char>(c);
        }
    }
    const std::string longLine(3 * 1024 * 1024 + 7, 'x');  // longer than the write buffer
    const std::string source = dir.Write("source", everyByte + "\r\n" + longLine);
    const Lines lines = ReadAll(platform, source);
    ASSERT_EQ(lines, (Lines{everyByte, longLine}));

    const std::string copy = dir.PathOf("copy");
    auto writer = platform.CreateForWriting(copy);
    for (const std::string& line : lines) {
        writer->WriteLine(line);
    }
    writer->Close();
    EXPECT_EQ(dir.Read("copy"), everyByte + "\r\n" + longLine + "\r\n");
}

TEST_F(Win32PlatformFiles, CreatingEmptiesAnExistingFile) {
    const std::string path = dir.Write("full", "old content\r\n");
    platform.CreateForWriting(path)->Close();
    EXPECT_EQ(dir.Read("full"), "");
}

TEST_F(Win32PlatformFiles, AnUnclosedWriterStillReleasesTheFile) {
    const std::string path = dir.PathOf("dropped");
    { auto writer = platform.CreateForWriting(path); }
    EXPECT_NO_THROW(platform.RemoveFile(path));
}

TEST_F(Win32PlatformFiles, MissingFilesRaiseFailuresWithTheirCode) {
    const std::string missing = dir.PathOf("missing");
    EXPECT_EQ(FailureCode([&] { platform.OpenForReading(missing); }), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(FailureCode([&] { platform.GetAttributes(missing); }), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(FailureCode([&] { platform.SetAttributes(missing, 0); }), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(FailureCode([&] { platform.CreateForWriting(dir.PathOf("no\\such\\folder")); }),
              ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(platform.FileExists(missing));
}

TEST_F(Win32PlatformFiles, AttributesAreSetAndReadBack) {
    const std::string path = dir.Write("hosts", "127.0.0.1 localhost\r\n");
    const std::uint32_t all = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    platform.SetAttributes(path, all);
    EXPECT_EQ(platform.GetAttributes(path) & all, all);
    platform.SetAttributes(path, FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(platform.GetAttributes(path) & all, FILE_ATTRIBUTE_HIDDEN);
    platform.SetAttributes(path, 0);  // a plain file
    EXPECT_EQ(platform.GetAttributes(path) & all, 0u);
}

TEST_F(Win32PlatformFiles, HiddenSystemFilesExistAndFoldersAreNotFiles) {
    const std::string path = dir.Write("hosts", "x");
    platform.SetAttributes(path, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    EXPECT_TRUE(platform.FileExists(path));
    ASSERT_TRUE(::CreateDirectoryW(Widen(dir.PathOf("folder")).c_str(), nullptr));
    EXPECT_FALSE(platform.FileExists(dir.PathOf("folder")));
    platform.SetAttributes(path, 0);
}

TEST_F(Win32PlatformFiles, MovingReplacesTheTargetInOneStep) {
    const std::string target = dir.Write("hosts", "old");
    const std::string source = dir.Write("hosts.new", "new");
    platform.MoveReplacing(source, target);
    EXPECT_EQ(dir.Read("hosts"), "new");
    EXPECT_FALSE(platform.FileExists(source));
}

TEST_F(Win32PlatformFiles, AReadOnlyTargetIsNotReplaced) {
    if (RunningUnderWine()) {
        GTEST_SKIP() << "Wine replaces a read-only target; Windows refuses with access denied";
    }
    const std::string target = dir.Write("hosts", "old");
    const std::string source = dir.Write("hosts.new", "new");
    platform.SetAttributes(target, FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(FailureCode([&] { platform.MoveReplacing(source, target); }), ERROR_ACCESS_DENIED);
    EXPECT_EQ(dir.Read("hosts"), "old");
    platform.SetAttributes(target, 0);
}

UINT WINAPI FailingQuery(LPWSTR, UINT) {
    ::SetLastError(ERROR_PATH_NOT_FOUND);
    return 0;
}
UINT WINAPI TooLongQuery(LPWSTR, UINT size) {
    return size;
}

TEST(Win32PlatformFolders, AFolderQueryThatFailsOrDoesNotFitIsAFailure) {
    wchar_t wide[MAX_PATH + 1];
    const UINT length = ::GetSystemDirectoryW(wide, MAX_PATH + 1);
    EXPECT_EQ(Win32Platform().SystemDirectory(), Narrow(std::wstring_view(wide, length)));
    EXPECT_EQ(FailureCode([] { QueryFolder(FailingQuery, "query"); }), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(FailureCode([] { QueryFolder(TooLongQuery, "query"); }), ERROR_INSUFFICIENT_BUFFER);
}

TEST(Win32PlatformFolders, ApplicationFolderHoldsThisProgramWithoutTrailingBackslash) {
    Win32Platform platform;
    const std::string folder = platform.ApplicationFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_NE(folder.back(), '\\');
    EXPECT_TRUE(platform.FileExists(folder + "\\win32_tests.exe"));
    EXPECT_TRUE(platform.FileExists(platform.WindowsDirectory() + "\\regedit.exe"));
}

// Copies the recording stub to a folder whose path holds blanks.
class Win32PlatformCommands : public ::testing::Test {
protected:
    void SetUp() override {
        Win32Platform platform;
        stub = dir.PathOf("Program Files Test\\record stub.exe");
        ASSERT_TRUE(::CreateDirectoryW(Widen(dir.PathOf("Program Files Test")).c_str(), nullptr));
        const std::string built = platform.ApplicationFolder() + "\\recording_stub.exe";
        ASSERT_TRUE(::CopyFileW(Widen(built).c_str(), Widen(stub).c_str(), FALSE)) << built;
    }
    std::string Log() const { return dir.Read("Program Files Test\\record stub.exe.log"); }
    void MakeStubSleep(int milliseconds) {
        dir.Write("Program Files Test\\record stub.exe.sleep", std::to_string(milliseconds));
    }

    Win32TempDir dir;
    Win32Platform platform;
    std::string stub;
};

TEST_F(Win32PlatformCommands, WaitingReturnsOnceTheProgramHasEnded) {
    MakeStubSleep(1000);
    const std::string command = "\"" + stub + "\" first \"second arg\"";
    platform.RunCommand(command, WindowStyle::Hidden, true);
    EXPECT_EQ(Log(), command + "\r\n");
}

TEST_F(Win32PlatformCommands, NotWaitingReturnsWhileTheProgramRuns) {
    MakeStubSleep(1500);
    const DWORD start = ::GetTickCount();
    platform.RunCommand("\"" + stub + "\" background", WindowStyle::NormalFocus, false);
    EXPECT_LT(::GetTickCount() - start, 1000u);
    EXPECT_EQ(Log(), "");
    for (int i = 0; i < 200 && Log().empty(); ++i) {
        ::Sleep(50);
    }
    EXPECT_EQ(Log(), "\"" + stub + "\" background\r\n");
}

TEST_F(Win32PlatformCommands, AnUnquotedPathWithBlanksIsFoundByItsPrefixes) {
    platform.RunCommand(stub + " http://example.com/", WindowStyle::Hidden, true);
    // Windows hands the line over as it was given; Wine quotes the program
    // path it found. Either way the program ran, with the address.
    const std::string expected = RunningUnderWine() ? "\"" + stub + "\"" : stub;
    EXPECT_EQ(Log(), expected + " http://example.com/\r\n");
}

TEST_F(Win32PlatformCommands, AProgramThatDoesNotExistRaisesAFailure) {
    const DWORD code = FailureCode([&] {
        platform.RunCommand("\"" + dir.PathOf("nothing here.exe") + "\" x", WindowStyle::Hidden, false);
    });
    EXPECT_EQ(code, ERROR_FILE_NOT_FOUND);
}

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
    int keys = 0;

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
        auto* self = reinterpret_cast<CountingWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
        if (self != nullptr && message == WM_PAINT) {
            ++self->paints;
        }
        if (self != nullptr && message == WM_KEYDOWN) {
            ++self->keys;
        }
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
};

TEST(Win32PlatformWindows, PauseKeepsPaintingAndDropsInput) {
    Win32Platform platform;
    CountingWindow window;
    ::ShowWindow(window.handle, SW_SHOW);
    ::UpdateWindow(window.handle);
    const int paintsBefore = window.paints;
    ::InvalidateRect(window.handle, nullptr, TRUE);
    ::PostMessageW(window.handle, WM_KEYDOWN, VK_RETURN, 0);

    const DWORD start = ::GetTickCount();
    platform.Pause(300);
    EXPECT_GE(::GetTickCount() - start, 290u);

    EXPECT_GT(window.paints, paintsBefore);
    EXPECT_EQ(window.keys, 0);
    MSG message;
    EXPECT_FALSE(::PeekMessageW(&message, window.handle, WM_KEYFIRST, WM_KEYLAST, PM_NOREMOVE));
}

TEST(Win32PlatformWindows, ActivationFailsForAHiddenWindowAndLeavesItHidden) {
    Win32Platform platform;
    CountingWindow window;
    EXPECT_EQ(FailureCode([&] { platform.ActivateWindow(window.Id()); }), ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_FALSE(::IsWindowVisible(window.handle));

    ::ShowWindow(window.handle, SW_SHOWMINIMIZED);
    EXPECT_NO_THROW(platform.ActivateWindow(window.Id()));
    EXPECT_FALSE(::IsIconic(window.handle));
}

}  // namespace
}  // namespace resolvo::win32
