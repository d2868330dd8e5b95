#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace resolvo {

// Windows error codes that the portable code, and the platforms it is held to, raise or look for.
namespace error_code {
inline constexpr std::uint32_t FileNotFound = 2;
inline constexpr std::uint32_t PathNotFound = 3;
inline constexpr std::uint32_t AccessDenied = 5;
inline constexpr std::uint32_t WriteFault = 29;
inline constexpr std::uint32_t SharingViolation = 32;
inline constexpr std::uint32_t LockViolation = 33;
inline constexpr std::uint32_t HandleDiskFull = 39;
inline constexpr std::uint32_t FileExists = 80;
inline constexpr std::uint32_t DiskFull = 112;
inline constexpr std::uint32_t AlreadyExists = 183;
inline constexpr std::uint32_t FileTooLarge = 223;
inline constexpr std::uint32_t WaitTimeout = 258;
inline constexpr std::uint32_t UnableToRemoveReplaced = 1175;
inline constexpr std::uint32_t UnableToMoveReplacement = 1176;
inline constexpr std::uint32_t UnableToMoveReplacement2 = 1177;
inline constexpr std::uint32_t InvalidWindowHandle = 1400;
inline constexpr std::uint32_t UnsupportedType = 1630;
}  // namespace error_code

// The program's one failure type: what was attempted, on what (a path, a
// command line, a window), and the Windows error code it ended with.
class Failure : public std::runtime_error {
public:
    Failure(std::string operation, std::string subject, std::uint32_t code);

    const std::string& Operation() const noexcept { return operation_; }
    const std::string& Subject() const noexcept { return subject_; }
    std::uint32_t Code() const noexcept { return code_; }

private:
    std::string operation_;
    std::string subject_;
    std::uint32_t code_;
};

}  // namespace resolvo
