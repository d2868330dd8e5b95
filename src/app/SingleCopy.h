#pragma once

#include <windows.h>

#include "win32/Handles.h"

namespace resolvo::app {

// Two copies fixing sites at once would each rewrite the name files from
// what they read, and one fix would be lost. The first copy holds a named
// mutex that every session of the machine sees, where no standard user can
// make one first to keep the program from running: in a private namespace
// bounded by the Administrators group, or, where Windows has no private
// namespaces (XP), in the global namespace.
class SingleCopy {
public:
    SingleCopy() noexcept;
    ~SingleCopy();
    SingleCopy(const SingleCopy&) = delete;
    SingleCopy& operator=(const SingleCopy&) = delete;

    // False when another copy runs, in this session or another one.
    bool IsFirst() const noexcept { return first_; }
    // Asks the running copy in this session to bring its window to the
    // front; false where its window cannot be found (another session, or
    // not made yet).
    static bool ActivateRunningCopy() noexcept;

private:
    bool LockInPrivateNamespace() noexcept;
    void LockGlobally() noexcept;
    void TakeMutex(const wchar_t* name) noexcept;

    HANDLE namespace_ = nullptr;
    BOOLEAN(WINAPI* closeNamespace_)(HANDLE, ULONG) = nullptr;
    win32::UniqueKernelHandle mutex_;
    bool first_ = true;
};

}  // namespace resolvo::app
