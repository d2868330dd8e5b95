#pragma once

#include <windows.h>

namespace resolvo::win32 {

// Waits for the object (or only for the time, when object is null) while the
// thread's windows keep painting. Keyboard and mouse input that arrives
// meanwhile is dropped: keyboard, mouse, touch, pen and gestures. Returns true if the object was signalled in
// time.
bool WaitPaintingOnly(HANDLE object, DWORD milliseconds) noexcept;

// Keys, the mouse, gestures, touch, pointers and the pen.
bool IsUserInput(UINT message) noexcept;

// Removes keyboard, mouse, touch and pen input already queued for this thread.
void DropPendingInput() noexcept;

// A key message that a held-down key repeats (bit 30 of lParam: the key was
// already down).
bool IsAutoRepeatedKey(const MSG& message) noexcept;

}  // namespace resolvo::win32
