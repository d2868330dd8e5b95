#include "port/Failure.h"

namespace resolvo {

namespace {

std::string Describe(const std::string& operation, const std::string& subject, std::uint32_t code) {
    std::string text = operation;
    if (!subject.empty()) {
        text += " \"" + subject + "\"";
    }
    text += " failed with error " + std::to_string(code);
    return text;
}

}  // namespace

Failure::Failure(std::string operation, std::string subject, std::uint32_t code)
    : std::runtime_error(Describe(operation, subject, code)),
      operation_(std::move(operation)),
      subject_(std::move(subject)),
      code_(code) {}

}  // namespace resolvo
