#pragma once

#include <windows.h>

namespace resolvo::win32 {

// Windows tells a window that scales itself per monitor its new DPI in
// WM_DPICHANGED (Windows 8.1 on), and asks a top-level window for its size
// at that DPI first in WM_GETDPISCALEDSIZE (Windows 10 1703 on). The
// headers for Windows XP name neither.
inline constexpr UINT DpiChangedMessage = 0x02E0;
inline constexpr UINT GetDpiScaledSizeMessage = 0x02E4;

// The DPI the window is drawn at: its monitor's where Windows scales per
// monitor, otherwise the system's.
int WindowDpi(HWND window) noexcept;

// The size of the window, frame and caption included, whose client area is
// the given size at the given DPI.
SIZE WindowSizeForClient(HWND window, int clientWidth, int clientHeight, int dpi) noexcept;

// Leaves the layout of a dialog, or of a control in one, to the program when
// its DPI changes, instead of the scaling the dialog manager of Windows 10
// 1703 and later would apply on top of it.
void KeepDialogLayoutOnDpiChange(HWND dialog) noexcept;
void KeepControlLayoutOnDpiChange(HWND control) noexcept;

}  // namespace resolvo::win32
