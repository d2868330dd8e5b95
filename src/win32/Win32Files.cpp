// The file side of the Windows platform: what the name-file repair asks of it.
#include "win32/Win32Platform.h"

#include <windows.h>
// After windows.h, which it needs.
#include <aclapi.h>

#include <algorithm>
#include <vector>

#include "port/Failure.h"
#include "port/Paths.h"
#include "win32/Handles.h"
#include "win32/LastError.h"
#include "win32/MessagePump.h"
#include "win32/SystemFunction.h"
#include "win32/Text.h"

namespace resolvo::win32 {

namespace {

constexpr std::size_t WriteBufferSize = 64 * 1024;

class BufferedFileWriter final : public FileWriter {
public:
    BufferedFileWriter(UniqueFileHandle file, std::string path)
        : file_(std::move(file)), path_(std::move(path)) {
        buffer_.reserve(WriteBufferSize);
    }

    void Write(std::string_view bytes) override {
        buffer_.append(bytes);
        if (buffer_.size() >= WriteBufferSize) {
            WriteBuffer();
        }
    }

    void Close() override {
        WriteBuffer();
        if (!::FlushFileBuffers(file_.Get())) {
            RaiseLastError("FlushFileBuffers", path_);
        }
        if (!::CloseHandle(file_.Release())) {
            RaiseLastError("CloseHandle", path_);
        }
    }

private:
    void WriteBuffer() {
        const char* data = buffer_.data();
        std::size_t left = buffer_.size();
        while (left > 0) {
            const DWORD chunk = left > 0x10000000 ? 0x10000000 : static_cast<DWORD>(left);
            DWORD written = 0;
            if (!::WriteFile(file_.Get(), data, chunk, &written, nullptr)) {
                RaiseLastError("WriteFile", path_);
            }
            if (written == 0) {
                throw Failure("WriteFile", path_, error_code::WriteFault);
            }
            data += written;
            left -= written;
        }
        buffer_.clear();
    }

    UniqueFileHandle file_;
    std::string path_;
    std::string buffer_;
};

using UniqueLocal = UniqueHandle<HLOCAL, &::LocalFree>;

// A privilege of the process's token, enabled while this lives and put back
// as it was after. Where the token lacks it, nothing changes, and what needs
// it is refused as it would have been.
class EnabledPrivilege {
public:
    explicit EnabledPrivilege(const wchar_t* name) noexcept {
        HANDLE token = nullptr;
        if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
            return;
        }
        token_.Reset(token);
        TOKEN_PRIVILEGES wanted{};
        wanted.PrivilegeCount = 1;
        wanted.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
        DWORD size = sizeof previous_;
        // AdjustTokenPrivileges succeeds with ERROR_NOT_ALL_ASSIGNED for a
        // privilege the token does not hold.
        enabled_ = ::LookupPrivilegeValueW(nullptr, name, &wanted.Privileges[0].Luid) &&
                   ::AdjustTokenPrivileges(token_.Get(), FALSE, &wanted, sizeof previous_, &previous_, &size) &&
                   ::GetLastError() == ERROR_SUCCESS;
    }
    ~EnabledPrivilege() {
        if (enabled_) {
            ::AdjustTokenPrivileges(token_.Get(), FALSE, &previous_, 0, nullptr, nullptr);
        }
    }
    EnabledPrivilege(const EnabledPrivilege&) = delete;
    EnabledPrivilege& operator=(const EnabledPrivilege&) = delete;

private:
    UniqueKernelHandle token_;
    TOKEN_PRIVILEGES previous_{};
    bool enabled_ = false;
};

}  // namespace

std::string QueryFolder(FolderQuery query, const char* operation) {
    constexpr UINT BufferSize = 256;
    wchar_t buffer[BufferSize];
    const UINT length = query(buffer, BufferSize);
    if (length == 0) {
        RaiseLastError(operation, {});
    }
    if (length >= BufferSize) {
        throw Failure(operation, {}, ERROR_INSUFFICIENT_BUFFER);
    }
    return Narrow(std::wstring_view(buffer, length));
}

std::string Win32Platform::SystemDirectory() {
    return QueryFolder(::GetSystemDirectoryW, "GetSystemDirectory");
}

// Only a 32-bit program on 64-bit Windows has the alias, and Windows XP and
// Server 2003 only with their update 942589: without it the system directory
// is what is left (see "File System Redirector" in Microsoft's documentation).
// IsWow64Process is looked up, since Windows XP before its second service
// pack lacks it.
std::string Win32Platform::NativeSystemDirectory() {
    using IsWow64ProcessFunction = BOOL(WINAPI*)(HANDLE, PBOOL);
    const auto isWow64Process = SystemFunction<IsWow64ProcessFunction>(L"kernel32.dll", "IsWow64Process");
    BOOL wow64 = FALSE;
    if (isWow64Process != nullptr && isWow64Process(::GetCurrentProcess(), &wow64) && wow64) {
        const std::string alias = JoinPath(WindowsDirectory(), "Sysnative");
        if (FolderExists(alias)) {
            return alias;
        }
    }
    return SystemDirectory();
}

std::uint32_t Win32Platform::GetAttributes(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesW(Widen(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        RaiseLastError("GetFileAttributes", path);
    }
    return attributes;
}

void Win32Platform::SetAttributes(const std::string& path, std::uint32_t bits) {
    const DWORD attributes = bits == 0 ? FILE_ATTRIBUTE_NORMAL : bits;
    if (!::SetFileAttributesW(Widen(path).c_str(), attributes)) {
        RaiseLastError("SetFileAttributes", path);
    }
}

bool Win32Platform::FileExists(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesW(Widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool Win32Platform::FolderExists(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesW(Widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::uint64_t Win32Platform::LastWriteTime(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(Widen(path).c_str(), GetFileExInfoStandard, &data)) {
        RaiseLastError("GetFileAttributesEx", path);
    }
    return (std::uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32) | data.ftLastWriteTime.dwLowDateTime;
}

std::vector<std::string> Win32Platform::FileNames(const std::string& folder) {
    WIN32_FIND_DATAW found{};
    const UniqueFindHandle search(::FindFirstFileW(Widen(JoinPath(folder, "*")).c_str(), &found));
    if (!search) {
        RaiseLastError("FindFirstFile", folder);
    }
    std::vector<std::string> names;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            names.push_back(Narrow(found.cFileName));
        }
    } while (::FindNextFileW(search.Get(), &found));
    return names;
}

std::string Win32Platform::OpenForReading(const std::string& path) {
    const UniqueFileHandle file(::CreateFileW(Widen(path).c_str(), GENERIC_READ,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                              OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) {
        RaiseLastError("CreateFile", path);
    }
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.Get(), &size)) {
        RaiseLastError("GetFileSize", path);
    }
    if (size.QuadPart > 0x7FFFFFFF) {
        throw Failure("ReadFile", path, error_code::FileTooLarge);
    }
    std::string content;
    content.reserve(static_cast<std::size_t>(size.QuadPart));
    char chunk[64 * 1024];
    for (;;) {
        DWORD read = 0;
        if (!::ReadFile(file.Get(), chunk, sizeof chunk, &read, nullptr)) {
            RaiseLastError("ReadFile", path);
        }
        if (read == 0) {
            break;
        }
        content.append(chunk, read);
    }
    return content;
}

std::unique_ptr<FileWriter> Win32Platform::CreateNew(const std::string& path) {
    UniqueFileHandle file(::CreateFileW(Widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        RaiseLastError("CreateFile", path);
    }
    return std::make_unique<BufferedFileWriter>(std::move(file), path);
}

// ReplaceFileW keeps the target's access list, creation time and named
// streams, not its owner (FileOwner and SetFileOwner put that back). Merge errors (attributes, ACLs it could not carry over)
// do not stop it: the caller sets the attributes itself. With a backup name,
// a failure leaves both files under their own names, except error 1177,
// after which the target is under the backup name; the caller sorts that out.
void Win32Platform::Replace(const std::string& replacement, const std::string& target,
                            const std::string& backup) {
    if (!::ReplaceFileW(Widen(target).c_str(), Widen(replacement).c_str(), Widen(backup).c_str(),
                        REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) {
        RaiseLastError("ReplaceFile", target);
    }
}

void Win32Platform::Rename(const std::string& source, const std::string& target) {
    if (!::MoveFileExW(Widen(source).c_str(), Widen(target).c_str(), MOVEFILE_WRITE_THROUGH)) {
        RaiseLastError("MoveFileEx", target);
    }
}

// A rename within one volume puts the file in the place of the name itself:
// a link there goes, and what it pointed at is not opened. Without
// MOVEFILE_COPY_ALLOWED a move to another volume fails rather than copy
// into whatever the name leads to.
void Win32Platform::MoveOver(const std::string& source, const std::string& target) {
    if (!::MoveFileExW(Widen(source).c_str(), Widen(target).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        RaiseLastError("MoveFileEx", target);
    }
}

void Win32Platform::RemoveFile(const std::string& path) {
    if (!::DeleteFileW(Widen(path).c_str())) {
        RaiseLastError("DeleteFile", path);
    }
}

std::string Win32Platform::FileOwner(const std::string& path) {
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const DWORD status = ::GetNamedSecurityInfoW(Widen(path).c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION,
                                                 &owner, nullptr, nullptr, nullptr, &descriptor);
    if (status != ERROR_SUCCESS) {
        throw Failure("GetNamedSecurityInfo", path, status);
    }
    const UniqueLocal held(descriptor);
    if (owner == nullptr || !::IsValidSid(owner)) {
        throw Failure("GetNamedSecurityInfo", path, ERROR_INVALID_SID);
    }
    return std::string(static_cast<const char*>(owner), ::GetLengthSid(owner));
}

// Any owner but the program's own takes the restore privilege ("Privilege
// Constants" in Microsoft's documentation: it lets a program set any valid
// user or group as a file's owner), enabled for this step only.
void Win32Platform::SetFileOwner(const std::string& path, const std::string& owner) {
    // A SID is read in whole 32-bit parts.
    std::vector<DWORD> sid((owner.size() + sizeof(DWORD) - 1) / sizeof(DWORD));
    std::copy(owner.begin(), owner.end(), reinterpret_cast<char*>(sid.data()));
    if (sid.empty() || !::IsValidSid(sid.data()) || ::GetLengthSid(sid.data()) != owner.size()) {
        throw Failure("SetNamedSecurityInfo", path, ERROR_INVALID_SID);
    }
    std::wstring name = Widen(path);
    const EnabledPrivilege restore(SE_RESTORE_NAME);
    const DWORD status = ::SetNamedSecurityInfoW(name.data(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION,
                                                 sid.data(), nullptr, nullptr, nullptr);
    if (status != ERROR_SUCCESS) {
        throw Failure("SetNamedSecurityInfo", path, status);
    }
}

void Win32Platform::Pause(int milliseconds) {
    if (milliseconds > 0) {
        WaitPaintingOnly(nullptr, static_cast<DWORD>(milliseconds));
    }
}

}  // namespace resolvo::win32
