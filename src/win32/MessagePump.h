#pragma once

#include <windows.h>

namespace resolvo::win32 {

// Waits for the object (or only for the time, when object is null) while the
// thread's windows keep painting. Keyboard and mouse input that arrives
// meanwhile is dropped. Returns true if the object was signalled in time.
bool WaitPaintingOnly(HANDLE object, DWORD milliseconds) noexcept;

// Removes keyboard and mouse input already queued for this thread.
void DropPendingInput() noexcept;

}  // namespace resolvo::win32
