#pragma once

#include "platform/Platform.h"

namespace resolvo::win32 {

// The program's services on Windows.
class Win32Platform : public Platform {
public:
    // A waited-for command that has not ended after this long is given up.
    static constexpr unsigned long CommandWaitLimitMs = 30000;

    void RunCommand(const std::string& command, WindowStyle style, bool wait) override;
    MessageAnswer ShowMessage(const std::string& text, MessageKind kind) override;
    void Pause(int milliseconds) override;

    std::uint32_t GetSystemDirectoryA(char* buffer, std::uint32_t size) override;
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
