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

// The program's services on Windows.
class Win32Platform : public Platform {
public:
    // A waited-for command that has not ended after this long is given up.
    static constexpr unsigned long CommandWaitLimitMs = 30000;

    void RunCommand(const std::string& command, WindowStyle style, bool wait) override;
    MessageAnswer ShowMessage(const std::string& text, MessageKind kind) override;
    void Pause(int milliseconds) override;

    std::string SystemDirectory() override;
    std::string WindowsDirectory() override;
    std::string ApplicationFolder() override;

    std::uint32_t GetAttributes(const std::string& path) override;
    void SetAttributes(const std::string& path, std::uint32_t bits) override;
    bool FileExists(const std::string& path) override;

    LineReader OpenForReading(const std::string& path) override;
    std::unique_ptr<LineWriter> CreateForWriting(const std::string& path) override;
    void MoveReplacing(const std::string& source, const std::string& target) override;
    void RemoveFile(const std::string& path) override;

    void ActivateWindow(WindowId window) override;
};

}  // namespace resolvo::win32
