#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>

namespace resolvo::testing {

namespace fs = std::filesystem;

TempDir::TempDir() {
    std::random_device random;
    do {
        path_ = fs::path(::testing::TempDir()) / ("resolvo-test-" + std::to_string(random()));
    } while (!fs::create_directory(path_));
}

// Read-only files are made writable first: Windows deletes no other.
TempDir::~TempDir() {
    std::error_code ignored;
    for (const auto& entry : fs::recursive_directory_iterator(path_, ignored)) {
        fs::permissions(entry.path(), fs::perms::owner_write, fs::perm_options::add, ignored);
    }
    fs::remove_all(path_, ignored);
}

std::string TempDir::PathOf(const std::string& relative) const {
    std::string path = path_.string() + "/" + relative;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

std::string TempDir::Write(const std::string& relative, const std::string& bytes) const {
    fs::create_directories((path_ / relative).parent_path());
    std::ofstream(path_ / relative, std::ios::binary | std::ios::trunc) << bytes;
    return PathOf(relative);
}

std::string TempDir::Read(const std::string& relative) const {
    std::ifstream in(path_ / relative, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace resolvo::testing
