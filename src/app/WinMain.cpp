// Start-up: the program's procedures are made and the main window's two actions
// connected before the disclaimer is shown.
#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include <cstdlib>

#include "app/Program.h"
#include "ui/Application.h"
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

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    const ComApartment com;

    resolvo::win32::Win32Platform platform;
    const resolvo::app::Program program(platform);
    resolvo::ui::Application application(instance, program.Actions());
    return application.Run();
}
