#pragma once

#include <windows.h>

namespace resolvo::win32 {

// The C++ object behind a window, kept in one of the window's pointer-sized
// slots (GWLP_USERDATA, or DWLP_USER for a dialog) so that its procedure can
// find it again; null until it is attached and after it is detached.
template <typename Object>
void AttachObject(HWND window, int slot, Object* object) noexcept {
    ::SetWindowLongPtrW(window, slot, reinterpret_cast<LONG_PTR>(object));
}

template <typename Object>
Object* AttachedObject(HWND window, int slot) noexcept {
    return reinterpret_cast<Object*>(::GetWindowLongPtrW(window, slot));
}

}  // namespace resolvo::win32
