#include "app/SingleCopy.h"

#include <sddl.h>

#include <string>

#include "ui/Application.h"

#include "win32/SystemFunction.h"

namespace resolvo::app {

namespace {

constexpr const wchar_t* NamespaceName = L"Resolvo.{6f1c8e2a-93d4-4b57-a0e1-5c2d7b9f4e31}";
constexpr const wchar_t* MutexName = L"Resolvo.RunningCopy.{6f1c8e2a-93d4-4b57-a0e1-5c2d7b9f4e31}";
// Only administrators and the system may open the namespace, and so make
// anything in it.
constexpr const wchar_t* AdministratorsOnly = L"D:(A;;GA;;;BA)(A;;GA;;;SY)";

// Windows Vista and later; none of them exists on XP.
struct NamespaceFunctions {
    HANDLE(WINAPI* createBoundary)
    (LPCWSTR, ULONG) = win32::SystemFunction<decltype(createBoundary)>(L"kernel32.dll",
                                                                       "CreateBoundaryDescriptorW");
    BOOL(WINAPI* addSid)
    (HANDLE*, PSID) = win32::SystemFunction<decltype(addSid)>(L"kernel32.dll", "AddSIDToBoundaryDescriptor");
    VOID(WINAPI* deleteBoundary)
    (HANDLE) = win32::SystemFunction<decltype(deleteBoundary)>(L"kernel32.dll", "DeleteBoundaryDescriptor");
    HANDLE(WINAPI* create)
    (LPSECURITY_ATTRIBUTES, LPVOID,
     LPCWSTR) = win32::SystemFunction<decltype(create)>(L"kernel32.dll", "CreatePrivateNamespaceW");
    HANDLE(WINAPI* open)
    (LPVOID, LPCWSTR) = win32::SystemFunction<decltype(open)>(L"kernel32.dll", "OpenPrivateNamespaceW");
    BOOLEAN(WINAPI* close)
    (HANDLE, ULONG) = win32::SystemFunction<decltype(close)>(L"kernel32.dll", "ClosePrivateNamespace");

    bool Exist() const noexcept {
        return createBoundary != nullptr && addSid != nullptr && deleteBoundary != nullptr &&
               create != nullptr && open != nullptr && close != nullptr;
    }
};

// A boundary that holds the Administrators group: only a member can create
// the namespace, so a standard user cannot make it first.
class AdministratorsBoundary {
public:
    explicit AdministratorsBoundary(const NamespaceFunctions& functions) noexcept
        : functions_(functions), boundary_(functions.createBoundary(L"Resolvo", 0)) {
        BYTE sid[SECURITY_MAX_SID_SIZE];
        DWORD size = sizeof sid;
        valid_ = boundary_ != nullptr &&
                 ::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sid, &size) &&
                 functions.addSid(&boundary_, sid);
    }
    ~AdministratorsBoundary() {
        if (boundary_ != nullptr) {
            functions_.deleteBoundary(boundary_);
        }
    }
    AdministratorsBoundary(const AdministratorsBoundary&) = delete;
    AdministratorsBoundary& operator=(const AdministratorsBoundary&) = delete;

    HANDLE Get() const noexcept { return valid_ ? boundary_ : nullptr; }

private:
    const NamespaceFunctions& functions_;
    HANDLE boundary_;
    bool valid_ = false;
};

}  // namespace

SingleCopy::SingleCopy() noexcept {
    if (!LockInPrivateNamespace()) {
        LockGlobally();
    }
}

SingleCopy::~SingleCopy() {
    mutex_.Reset();
    if (namespace_ != nullptr) {
        closeNamespace_(namespace_, 0);
    }
}

// A namespace that exists already is another copy's: it lives only as long
// as the copy that made it. One that may not be opened (access denied) is
// another copy's all the same. Any other failure lets the program run, as it
// would have anyway. Returns false where there are no private namespaces.
bool SingleCopy::LockInPrivateNamespace() noexcept {
    const NamespaceFunctions functions;
    if (!functions.Exist()) {
        return false;
    }
    const AdministratorsBoundary boundary(functions);
    win32::UniqueHandle<PSECURITY_DESCRIPTOR, &::LocalFree> descriptor;
    if (boundary.Get() == nullptr || !::ConvertStringSecurityDescriptorToSecurityDescriptorW(
                                         AdministratorsOnly, SDDL_REVISION_1, descriptor.Put(), nullptr)) {
        return true;
    }
    SECURITY_ATTRIBUTES security{sizeof security, descriptor.Get(), FALSE};
    namespace_ = functions.create(&security, boundary.Get(), NamespaceName);
    if (namespace_ == nullptr && ::GetLastError() == ERROR_ALREADY_EXISTS) {
        namespace_ = functions.open(boundary.Get(), NamespaceName);
        first_ = namespace_ == nullptr && ::GetLastError() != ERROR_ACCESS_DENIED;
    }
    if (namespace_ != nullptr) {
        closeNamespace_ = functions.close;
        TakeMutex((std::wstring(NamespaceName) + L"\\" + MutexName).c_str());
    }
    return true;
}

void SingleCopy::LockGlobally() noexcept {
    TakeMutex((std::wstring(L"Global\\") + MutexName).c_str());
}

// A mutex that exists already is another copy's. One made by another user's
// copy may not even be opened (access denied): it is another copy all the
// same. Any other failure lets the program run.
void SingleCopy::TakeMutex(const wchar_t* name) noexcept {
    mutex_.Reset(::CreateMutexW(nullptr, FALSE, name));
    const DWORD error = ::GetLastError();
    first_ = mutex_ ? error != ERROR_ALREADY_EXISTS : error != ERROR_ACCESS_DENIED;
}

// The running copy may take the foreground only if this one, which the user
// has just started and which has it, allows it.
bool SingleCopy::ActivateRunningCopy() noexcept {
    const HWND running = ::FindWindowW(ui::ApplicationClass, nullptr);
    if (running == nullptr) {
        return false;
    }
    DWORD process = 0;
    ::GetWindowThreadProcessId(running, &process);
    ::AllowSetForegroundWindow(process);
    return ::PostMessageW(running, ui::ActivateMessage, 0, 0) != FALSE;
}

}  // namespace resolvo::app
