#include "win32/Win32Platform.h"

#include <aclapi.h>
#include <gtest/gtest.h>
#include <sddl.h>
#include <windows.h>

#include <cstdlib>
#include <string>

#include "port/FilesContract.h"
#include "support/TempDir.h"
#include "win32/Handles.h"
#include "win32/MessagePump.h"
#include "win32/SystemFunction.h"
#include "win32/Text.h"

namespace resolvo {
namespace testing {
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, FilesContract, ::testing::Types<win32::Win32Platform>);
}  // namespace testing

namespace win32 {
namespace {

using testing::FailureCode;

bool SameText(const std::wstring& one, const std::wstring& other) {
    return ::CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, one.c_str(), -1, other.c_str(), -1) ==
           CSTR_EQUAL;
}

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

// The folders the program uses are proven end to end; a failed or cut query is not.
TEST(Win32Platform, FoldersAreWholeOrAFailure) {
    EXPECT_EQ(FailureCode([] { QueryFolder(FailingQuery, "query"); }), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(FailureCode([] { QueryFolder(TooLongQuery, "query"); }), ERROR_INSUFFICIENT_BUFFER);
}

// What is missing is no failure. (That a REG_EXPAND_SZ value is read
// expanded, the end-to-end suite shows with the folder of the name files.)
TEST(Win32Platform, MissingMachineSettingsAreNone) {
    Win32Platform platform;
    const std::string tcpip = "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters";
    EXPECT_TRUE(platform.SettingsKeyExists(tcpip));
    EXPECT_FALSE(platform.ReadSetting(tcpip, "No such value").has_value());
    EXPECT_FALSE(platform.ReadSetting(tcpip + "\\No such key", "DataBasePath").has_value());
    EXPECT_FALSE(platform.SettingsKeyExists(tcpip + "\\No such key"));
}

// A 32-bit program on 64-bit Windows finds its system DLLs in SysWOW64, which
// GetSystemDirectory calls System32 (and which is left empty where there is none).
bool InSystemFolder(HMODULE module) {
    wchar_t path[MAX_PATH] = {};
    wchar_t system[MAX_PATH] = {};
    wchar_t wow64[MAX_PATH] = {};
    std::wstring folder(path, ::GetModuleFileNameW(module, path, MAX_PATH));
    folder.erase(folder.rfind(L'\\'));
    ::GetSystemDirectoryW(system, MAX_PATH);
    ::GetSystemWow64DirectoryW(wow64, MAX_PATH);
    return SameText(folder, system) || SameText(folder, wow64);
}

// The folder SetDllDirectory names is where a plain LoadLibrary finds a DLL
// the system folder does not have (in the current folder's place).
struct PlantedFolder {
    explicit PlantedFolder(const std::string& folder) { ::SetDllDirectoryW(Widen(folder).c_str()); }
    ~PlantedFolder() { ::SetDllDirectoryW(nullptr); }
    PlantedFolder(const PlantedFolder&) = delete;
    PlantedFolder& operator=(const PlantedFolder&) = delete;
};

struct LoadRoute {
    const char* name;
    UniqueModule (*load)(const wchar_t* name) noexcept;
};

TEST(Win32Platform, SystemLibrariesAreLoadedFromTheSystemFolderOnly) {
    testing::TempDir dir;
    const char* built = std::getenv("RESOLVO_PLANTED");  // the build's, a path of this machine
    ASSERT_NE(built, nullptr);
    ASSERT_TRUE(::CopyFileW(Widen("Z:" + std::string(built)).c_str(),
                            Widen(dir.PathOf("planted_library.dll")).c_str(), FALSE));
    const PlantedFolder planted(dir.PathOf(""));
    {
        const UniqueModule found(::LoadLibraryW(L"planted_library.dll"));
        ASSERT_TRUE(found) << "a plain LoadLibrary finds the planted DLL";
    }
    const LoadRoute routes[] = {
        {"by the search flags, or by path where Windows lacks them", &LoadSystemLibrary},
        {"by path", &LoadSystemLibraryByPath},
    };
    for (const LoadRoute& route : routes) {
        SCOPED_TRACE(route.name);
        EXPECT_FALSE(route.load(L"planted_library.dll"));
        const UniqueModule oleacc = route.load(L"oleacc.dll");
        ASSERT_TRUE(oleacc);
        EXPECT_TRUE(InSystemFolder(oleacc.Get()));
    }
}

// Put closes what the owner held and leaves it empty, as its kind spells
// empty, for the function that writes the new handle.
template <typename Owner>
void ExpectPutClosesAndEmpties(Owner owner, HANDLE empty) {
    const HANDLE held = owner.Get();
    ASSERT_NE(held, empty);
    HANDLE* const slot = owner.Put();
    EXPECT_EQ(*slot, empty);
    EXPECT_FALSE(owner);
    DWORD flags = 0;
    EXPECT_FALSE(::GetHandleInformation(held, &flags)) << "the handle held before is closed";
    EXPECT_TRUE(::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentProcess(), ::GetCurrentProcess(), slot,
                                  0, FALSE, DUPLICATE_SAME_ACCESS));
    EXPECT_TRUE(owner);
}

TEST(Win32Platform, PutClosesTheHandleHeldAndEmptiesItByItsKind) {
    testing::TempDir dir;
    const std::wstring path = Widen(dir.Write("held.txt", "x"));
    ExpectPutClosesAndEmpties(UniqueFileHandle(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                                             nullptr, OPEN_EXISTING, 0, nullptr)),
                              INVALID_HANDLE_VALUE);
    ExpectPutClosesAndEmpties(UniqueKernelHandle(::CreateEventW(nullptr, TRUE, FALSE, nullptr)), nullptr);
}

// A file's owner is read as the bytes of its SID and can be set to another
// and back; what is no SID is refused before Windows is asked. Wine, which
// keeps no owner of a file's own, takes the change and goes on reporting the
// owner it reports for every file.
TEST(Win32Platform, AFileOwnerIsReadAndSetAsItsSid) {
    Win32Platform platform;
    testing::TempDir dir;
    const std::string path = dir.Write("owned", "x");
    const std::string before = platform.FileOwner(path);
    PSID system = nullptr;
    ASSERT_TRUE(::ConvertStringSidToSidW(L"S-1-5-18", &system));
    const std::string systemOwner(static_cast<const char*>(system), ::GetLengthSid(system));
    ::LocalFree(system);
    ASSERT_GE(before.size(), 8u);
    platform.SetFileOwner(path, systemOwner);
    EXPECT_EQ(platform.FileOwner(path), RunningUnderWine() ? before : systemOwner);
    platform.SetFileOwner(path, before);
    EXPECT_EQ(platform.FileOwner(path), before);
    EXPECT_EQ(FailureCode([&] { platform.SetFileOwner(path, "not a SID"); }), ERROR_INVALID_SID);
    EXPECT_EQ(FailureCode([&] { platform.FileOwner(dir.PathOf("missing")); }), ERROR_FILE_NOT_FOUND);
}

// The recording stub, copied to a folder whose path holds blanks, sleeps as
// long as it is told and then logs its command line beside itself: a call
// that did not wait returns while the log is still empty, and a wait cut at
// its limit returns before the stub has logged.
class Win32Commands : public ::testing::Test {
protected:
    void SetUp() override {
        stub = dir.Write("Program Files Test/record stub.exe", "");
        const char* built = std::getenv("RESOLVO_STUB");  // the build's, a path of this machine
        ASSERT_NE(built, nullptr);
        ASSERT_TRUE(::CopyFileW(Widen("Z:" + std::string(built)).c_str(), Widen(stub).c_str(), FALSE))
            << built;
    }
    std::string Log() const { return dir.Read("Program Files Test/record stub.exe.log"); }
    void Sleep(int milliseconds) const {
        dir.Write("Program Files Test/record stub.exe.sleep", std::to_string(milliseconds));
    }

    testing::TempDir dir;
    Win32Platform platform;
    std::string stub;
};

TEST_F(Win32Commands, WaitingEndsWithTheProgramOrAtTheLimit) {
    Sleep(300);
    const std::string command = "\"" + stub + "\" first \"second arg\"";
    platform.RunCommand(command, WindowStyle::Hidden, 1500);
    EXPECT_EQ(Log(), command + "\r\n");

    Sleep(5000);
    const DWORD start = ::GetTickCount();
    EXPECT_EQ(FailureCode([&] { platform.RunCommand(command, WindowStyle::Hidden, 1500); }), WAIT_TIMEOUT);
    EXPECT_GE(::GetTickCount() - start, 1490u);  // the tick counter's steps
    EXPECT_EQ(Log(), command + "\r\n");
}

TEST_F(Win32Commands, NotWaitingReturnsAtOnceAndProgramsAreFoundAsWindowsFindsThem) {
    Sleep(3000);
    platform.RunCommand(stub + " http://example.com/", WindowStyle::NormalFocus, NoWait);
    EXPECT_EQ(Log(), "");
    // Found by its blank-separated prefixes. Windows hands the line over as it
    // was given; Wine quotes the program path it found.
    const std::string program = RunningUnderWine() ? "\"" + stub + "\"" : stub;
    for (int i = 0; i < 600 && Log().empty(); ++i) {
        ::Sleep(50);
    }
    EXPECT_EQ(Log(), program + " http://example.com/\r\n");
    EXPECT_EQ(FailureCode([&] {
                  platform.RunCommand("\"" + dir.PathOf("nothing here.exe") + "\" x", WindowStyle::Hidden,
                                      NoWait);
              }),
              ERROR_FILE_NOT_FOUND);
}

// Without COM the desktop's shell cannot be asked, and that is a failure (its
// route itself is proven end to end). Wine's token says it is elevated, as an
// administrator's under UAC; Wine's shell has no shell window whose process's
// token could start a program.
TEST(Win32Platform, TheDesktopShellIsAskedOnlyWithCom) {
    Win32Platform platform;
    if (RunningUnderWine()) {
        EXPECT_EQ(platform.ProgramElevation(), Elevation::Elevated);
        EXPECT_EQ(FailureCode([&] { platform.RunAsShellUser("C:\\windows\\regedit.exe"); }), ERROR_NOT_FOUND);
    }
    EXPECT_EQ(FailureCode([&] { platform.OpenAsDesktopUser("C:\\windows\\regedit.exe", "x"); }),
              0x800401F0u);  // CO_E_NOTINITIALIZED
}

// The shell names the Program Files folder of a program of this one's kind,
// as Windows names it in this process's environment: Program Files (x86)
// for a 32-bit program on 64-bit Windows (where the hostile-machine suite
// sees the browser started from).
TEST(Win32Platform, ProgramFilesAreThoseOfAProgramOfItsKind) {
    const char* named = std::getenv("ProgramFiles");
    ASSERT_NE(named, nullptr);
    EXPECT_EQ(Win32Platform().ProgramFilesFolder(), named);
}

// Keys, the mouse, gestures (0x0119), touch (0x0240), pointers (0x0246) and
// the pen (0x02C0) are input; painting, timers and posted messages are not.
TEST(Win32Platform, PausesKeepPaintingAndDropInput) {
    for (const int input :
         {WM_KEYDOWN, WM_CHAR, WM_MOUSEMOVE, WM_NCLBUTTONDOWN, 0x0119, 0x0240, 0x0246, 0x02C0}) {
        EXPECT_TRUE(IsUserInput(static_cast<UINT>(input))) << input;
    }
    for (const int other : {WM_PAINT, WM_TIMER, WM_APP + 1, WM_NULL}) {
        EXPECT_FALSE(IsUserInput(static_cast<UINT>(other))) << other;
    }
    const UniqueWindow edit(::CreateWindowExW(0, L"EDIT", L"", WS_POPUP | WS_VISIBLE, 0, 0, 200, 30, nullptr,
                                              nullptr, nullptr, nullptr));
    ::InvalidateRect(edit.Get(), nullptr, TRUE);
    ::PostMessageW(edit.Get(), WM_CHAR, 'x', 0);
    const DWORD start = ::GetTickCount();
    Win32Platform().Pause(300);
    EXPECT_GE(::GetTickCount() - start, 290u);
    EXPECT_FALSE(::GetUpdateRect(edit.Get(), nullptr, FALSE));
    EXPECT_EQ(::GetWindowTextLengthW(edit.Get()), 0);
}

// Only administrators and the system can change the folder or what is put in
// it, and a name that is taken is never used.
TEST(Win32Platform, TheAdministratorsFolderIsTheirsAlone) {
    Win32Platform platform;
    const std::string folder = platform.CreateAdministratorsFolder();
    const std::string next = platform.CreateAdministratorsFolder();
    EXPECT_EQ(folder.substr(0, folder.rfind('\\')), platform.WindowsDirectory() + "\\Temp");
    EXPECT_NE(folder, next);
    const SECURITY_INFORMATION asked = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
    UniqueHandle<PSECURITY_DESCRIPTOR, &::LocalFree> descriptor;
    UniqueHandle<LPWSTR, &::LocalFree> text;
    ASSERT_EQ(::GetNamedSecurityInfoW(Widen(folder).c_str(), SE_FILE_OBJECT, asked, nullptr, nullptr, nullptr,
                                      nullptr, descriptor.Put()),
              0u);
    ASSERT_TRUE(::ConvertSecurityDescriptorToStringSecurityDescriptorW(descriptor.Get(), 1, asked, text.Put(),
                                                                       nullptr));
    // Wine keeps no security of files: it answers from the Unix file's mode.
    EXPECT_TRUE(RunningUnderWine() || Narrow(text.Get()) == "O:BAD:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)")
        << Narrow(text.Get());
    platform.RemoveFolder(folder);
    platform.RemoveFolder(next);
    EXPECT_EQ(::GetFileAttributesW(Widen(folder).c_str()), INVALID_FILE_ATTRIBUTES);
}

// The folders an earlier run left are found by their names and their owner:
// a folder a user made under such a name, or one of another name, is not.
TEST(Win32Platform, FoldersLeftAreTheAdministratorsOwnOfTheProgramsNames) {
    Win32Platform platform;
    const std::string ours = platform.CreateAdministratorsFolder();
    const std::string name = ours.substr(ours.rfind('\\') + 1);
    EXPECT_EQ(name.size(), 40u);
    EXPECT_EQ(name.find_first_not_of("0123456789abcdef", 8), std::string::npos) << name;
    const std::string temp = platform.WindowsDirectory() + "\\Temp\\";
    const std::string usersOwn = temp + "resolvo." + std::string(32, 'a');
    const std::string otherName = temp + "resolvo." + std::string(31, 'b');
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(L"O:WDD:P(A;OICI;FA;;;WD)", SDDL_REVISION_1,
                                                                       &descriptor, nullptr));
    const UniqueHandle<PSECURITY_DESCRIPTOR, &::LocalFree> owned(descriptor);
    SECURITY_ATTRIBUTES everyones{sizeof everyones, descriptor, FALSE};
    ASSERT_TRUE(::CreateDirectoryW(Widen(usersOwn).c_str(), &everyones));
    ASSERT_TRUE(::CreateDirectoryW(Widen(otherName).c_str(), nullptr));
    const std::vector<std::string> found = platform.AdministratorsFoldersLeft();
    for (const std::string& folder : {ours, usersOwn, otherName}) {
        platform.RemoveFolder(folder);
    }
    // Wine keeps no security of files, their owner included.
    EXPECT_EQ(found, RunningUnderWine() ? std::vector<std::string>{} : std::vector<std::string>{ours});
}

TEST(Win32Platform, UnicodeHostNamesHaveAnAsciiForm) {
    EXPECT_EQ(Win32Platform().AsciiHostName("b\u00FCcher.example"), "xn--bcher-kva.example");
}

int questionsClosed = 0;
void CALLBACK CloseQuestion(HWND, UINT, UINT_PTR, DWORD) {
    if (const HWND box = ::FindWindowW(L"#32770", nullptr)) {
        ++questionsClosed;
        ::SendMessageW(box, WM_COMMAND, IDCANCEL, 0);
    }
}

// Wine lets a question be closed without an answer, which Windows does not:
// it is asked again, and the third close counts as No. So does a close for a
// quit, which stays for the program's own loop.
TEST(Win32Platform, AQuestionClosedThreeTimesOrForAQuitIsANo) {
    if (RunningUnderWine()) {
        const UINT_PTR timer = ::SetTimer(nullptr, 0, 100, CloseQuestion);
        EXPECT_EQ(Win32Platform().ShowMessage("Closed?", MessageKind::YesNo), MessageAnswer::No);
        ::KillTimer(nullptr, timer);
        EXPECT_EQ(questionsClosed, 3);
    }
    ::PostQuitMessage(0);
    EXPECT_EQ(Win32Platform().ShowMessage("Quit?", MessageKind::YesNo), MessageAnswer::No);
    MSG quit;
    EXPECT_TRUE(::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

TEST(Win32Platform, ActivationFailsForAHiddenWindowAndLeavesItHidden) {
    Win32Platform platform;
    const UniqueWindow window(::CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                                                nullptr, nullptr, nullptr, nullptr));
    const WindowId id{reinterpret_cast<std::uintptr_t>(window.Get())};
    EXPECT_EQ(FailureCode([&] { platform.ActivateWindow(id); }), ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_FALSE(::IsWindowVisible(window.Get()));
    ::ShowWindow(window.Get(), SW_SHOWMINIMIZED);
    EXPECT_NO_THROW(platform.ActivateWindow(id));
    EXPECT_FALSE(::IsIconic(window.Get()));
}

}  // namespace
}  // namespace win32
}  // namespace resolvo
