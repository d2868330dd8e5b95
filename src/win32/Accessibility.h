#pragma once

#include <windows.h>

namespace resolvo::win32 {

// IAccessible's interface id; mingw-w64's import library holds wrong bytes for it.
inline constexpr IID AccessibleInterface = {
    0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

// Answers WM_GETOBJECT for the window's client area (and, for a top-level
// window, its frame) with Windows' own accessible object for it, except that
// a screen reader hears the name given and, unless it is 0, the role given
// (a ROLE_SYSTEM_ value). Returns 0, to be left to the default handling, for
// any other object, or where the system offers no accessibility.
LRESULT AnswerAccessibleObject(HWND window, WPARAM flags, LPARAM objectId, const wchar_t* name,
                               long role) noexcept;

}  // namespace resolvo::win32
