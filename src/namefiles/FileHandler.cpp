#include "namefiles/FileHandler.h"
// PLACEHOLDER: being written.
namespace resolvo {
void FileHandler::RepairNameFiles(const std::string&) {}
std::string FileHandler::GetEtcDirectory() { return {}; }
void FileHandler::SaveAndClearAttributes() {}
void FileHandler::RestoreAttributes() {}
void FileHandler::CopyToBackup(const std::string&) {}
void FileHandler::CommentOutHost(const std::string&, const std::string&) {}
}  // namespace resolvo
