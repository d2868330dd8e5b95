// Start-up: one copy at a time, DLLs from the system folder only, and the
// program's procedures made and the main window's two actions connected
// before the disclaimer is shown.
#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include <cstdlib>
#include <string>

#include "app/Program.h"
#include "app/SingleCopy.h"
#include "port/Step.h"
#include "ui/Application.h"
#include "win32/SystemFunction.h"
#include "win32/Win32Platform.h"

// libstdc++'s own handler for a terminate would print a demangled type name
// to a console this program does not have; its demangler alone is a tenth of
// the executable. Nothing may reach it anyway: no exception leaves a window
// procedure.
namespace __gnu_cxx {
void __verbose_terminate_handler() {
    std::abort();
}
}  // namespace __gnu_cxx

namespace {

constexpr char AlreadyRunningMessage[] = "Resolvo is already running.";

// The banner is decoded through COM, which needs the thread initialised.
class ComApartment {
public:
    ComApartment() noexcept : initialised_(SUCCEEDED(::CoInitialize(nullptr))) {}
    ~ComApartment() {
        if (initialised_) {
            ::CoUninitialize();
        }
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    bool initialised_;
};

// The program runs elevated and is often started from a downloads folder,
// where a planted DLL of a system DLL's name would otherwise be loaded with
// administrator rights. Both functions are looked up at run time: Windows XP
// lacks the first, and its first release the second.
void LoadDllsFromSystemFolderOnly() noexcept {
    if (const auto setDefault = resolvo::win32::SystemFunction<BOOL(WINAPI*)(DWORD)>(
            L"kernel32.dll", "SetDefaultDllDirectories")) {
        setDefault(resolvo::win32::LoadLibrarySearchSystem32);
    }
    if (const auto setDirectory =
            resolvo::win32::SystemFunction<BOOL(WINAPI*)(LPCWSTR)>(L"kernel32.dll", "SetDllDirectoryW")) {
        setDirectory(L"");
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    LoadDllsFromSystemFolderOnly();
    const resolvo::app::SingleCopy copy;
    if (!copy.IsFirst()) {
        // Where the running copy's window cannot be brought to the front (it
        // runs in another session, or has not made it yet), the user is told.
        if (!resolvo::app::SingleCopy::ActivateRunningCopy()) {
            resolvo::RunStep([] {
                resolvo::win32::Win32Platform().ShowMessage(AlreadyRunningMessage,
                                                            resolvo::MessageKind::OkOnly);
            });
        }
        return 0;
    }
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    const ComApartment com;

    resolvo::win32::Win32Platform platform;
    const resolvo::app::Program program(platform, std::to_string(::GetCurrentProcessId()));
    resolvo::ui::Application application(instance, program.Actions());
    return application.Run();
}
