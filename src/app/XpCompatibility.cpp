// Windows XP has no GetTickCount64, and the threads library that the C++
// runtime links in statically imports it, which would keep the program from
// starting there at all. This definition of the import's address takes the
// place of kernel32's: it calls the real function where Windows has it, and
// widens the 32-bit tick count on XP.
#include <windows.h>

#include "win32/SystemFunction.h"

namespace {

ULONGLONG WINAPI TickCount64() noexcept {
    using Function = ULONGLONG(WINAPI*)();
    static const auto native = resolvo::win32::SystemFunction<Function>(L"kernel32.dll", "GetTickCount64");
    if (native != nullptr) {
        return native();
    }
    // The program has one thread, so the wrap count needs no lock.
    static DWORD last = 0;
    static ULONGLONG wraps = 0;
    const DWORD now = ::GetTickCount();
    if (now < last) {
        wraps += 0x100000000ULL;
    }
    last = now;
    return wraps + now;
}

}  // namespace

extern "C" ULONGLONG(WINAPI* const ImportedGetTickCount64)() __asm__("__imp__GetTickCount64@0");
extern "C" ULONGLONG(WINAPI* const ImportedGetTickCount64)() = TickCount64;
