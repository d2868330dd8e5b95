#pragma once

#include <windows.h>

#include "port/Platform.h"

namespace resolvo::win32 {

// A Windows folder query that fills a buffer and returns a count, as
// GetSystemDirectoryW does.
using FolderQuery = UINT(WINAPI*)(LPWSTR buffer, UINT size);

// The folder a query gives with a buffer of 256 characters. A count of 0 is
// the query's failure, and a count that does not fit means the folder does
// not either; both raise a Failure, so that nothing is ever looked for
// relative to the current drive instead.
std::string QueryFolder(FolderQuery query, const char* operation);

// The program's services on Windows, defined by what each part talks to:
// Win32Files.cpp, Win32Settings.cpp, Win32Processes.cpp, Win32Messages.cpp,
// Win32Windows.cpp.
class Win32Platform : public Platform {
public:
    std::string SystemDirectory() override;
    std::string NativeSystemDirectory() override;
    std::uint32_t GetAttributes(const std::string& path) override;
    void SetAttributes(const std::string& path, std::uint32_t bits) override;
    bool FileExists(const std::string& path) override;
    bool FolderExists(const std::string& path) override;
    std::uint64_t LastWriteTime(const std::string& path) override;
    std::vector<std::string> FileNames(const std::string& folder) override;
    std::string OpenForReading(const std::string& path) override;
    std::unique_ptr<FileWriter> CreateNew(const std::string& path) override;
    void Replace(const std::string& replacement, const std::string& target,
                 const std::string& backup) override;
    void Rename(const std::string& source, const std::string& target) override;
    void RemoveFile(const std::string& path) override;
    std::string FileOwner(const std::string& path) override;
    void SetFileOwner(const std::string& path, const std::string& owner) override;
    void Pause(int milliseconds) override;

    std::optional<std::string> ReadSetting(const std::string& key, const std::string& name) override;
    bool SettingsKeyExists(const std::string& key) override;

    void RunCommand(const std::string& command, WindowStyle style, int waitLimitMs) override;
    Elevation ProgramElevation() override;
    std::string ProgramFilesFolder() override;
    void OpenAsDesktopUser(const std::string& file, const std::string& parameters) override;
    void RunAsShellUser(const std::string& command) override;
    void OpenAddress(const std::string& address) override;
    std::string AsciiHostName(const std::string& host) override;
    MessageAnswer ShowMessage(const std::string& text, MessageKind kind) override;
    std::string WindowsDirectory() override;
    std::string ApplicationFolder() override;
    std::string CreateAdministratorsFolder() override;
    std::vector<std::string> AdministratorsFoldersLeft() override;
    void RemoveFolder(const std::string& path) override;
    void MoveOver(const std::string& source, const std::string& target) override;
    void ActivateWindow(WindowId window) override;
};

}  // namespace resolvo::win32
