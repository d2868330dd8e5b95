// What every implementation of Files promises, written once: the recording
// platform is held to it natively, the Windows platform under Wine.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "port/Failure.h"
#include "port/Platform.h"
#include "support/TempDir.h"

namespace resolvo::testing {

template <typename Action>
std::uint32_t FailureCode(Action&& action) {
    try {
        action();
    } catch (const Failure& failure) {
        return failure.Code();
    }
    return 0;
}

template <typename Implementation>
class FilesContract : public ::testing::Test {
protected:
    Implementation files;
    TempDir dir;
};

TYPED_TEST_SUITE_P(FilesContract);

// Every byte is read and written as it is; a new file never takes a name in
// use, and a replace keeps the old file under the backup name.
TYPED_TEST_P(FilesContract, EveryByteIsKeptAndNoNameIsTakenTwice) {
    std::string bytes = "\r\na\rb\nc";
    for (int c = 0; c < 256; ++c) {
        bytes += static_cast<char>(c);
    }
    const std::string target = this->dir.Write("hosts", bytes);
    const std::string replacement = this->dir.PathOf("new");
    auto writer = this->files.CreateNew(replacement);
    writer->Write(this->files.OpenForReading(target));
    writer->Write("");
    writer->Write("no end");
    writer->Close();
    EXPECT_EQ(FailureCode([&] { this->files.CreateNew(target); }), error_code::FileExists);
    this->files.Replace(replacement, target, this->dir.PathOf("old"));
    EXPECT_EQ(this->dir.Read("hosts") + this->dir.Read("old"), bytes + "no end" + bytes);
    EXPECT_FALSE(this->files.FileExists(replacement));

    EXPECT_EQ(FailureCode([&] { this->files.Rename(this->dir.PathOf("old"), target); }),
              error_code::AlreadyExists);
    this->files.Rename(this->dir.PathOf("old"), this->dir.PathOf("moved"));
    EXPECT_EQ(this->dir.Read("moved"), bytes);
    EXPECT_NE(this->files.LastWriteTime(this->dir.PathOf("moved")), 0u);
    this->dir.Write("empty", "");
    EXPECT_EQ(this->files.OpenForReading(this->dir.PathOf("empty")), "");
}

// Attributes are kept, and a missing file or a folder is no file. A read-only
// file, or one open for writing, is neither replaced nor removed.
TYPED_TEST_P(FilesContract, AttributesAndOpenWritersGuardAFile) {
    const std::string target = this->dir.Write("hosts", "old");
    constexpr std::uint32_t Guarded = ReadOnlyAttribute | HiddenAttribute | SystemAttribute;
    for (const std::uint32_t bits : {Guarded, 0u}) {
        this->files.SetAttributes(target, bits);
        EXPECT_EQ(this->files.GetAttributes(target) & Guarded, bits);
        EXPECT_TRUE(this->files.FileExists(target));
    }
    const std::string missing = this->dir.PathOf("missing");
    EXPECT_FALSE(this->files.FileExists(missing));
    EXPECT_EQ(FailureCode([&] { this->files.GetAttributes(missing); }), error_code::FileNotFound);
    this->dir.Write("folder/inside", "x");
    EXPECT_FALSE(this->files.FileExists(this->dir.PathOf("folder")));
    EXPECT_EQ(this->files.FileNames(this->dir.PathOf("")), (std::vector<std::string>{"hosts"}));
    // A folder takes a name as a file does.
    EXPECT_EQ(FailureCode([&] { this->files.Rename(target, this->dir.PathOf("folder")); }),
              error_code::AlreadyExists);

    const std::string replacement = this->dir.Write("new", "new");
    this->files.SetAttributes(target, ReadOnlyAttribute);
    EXPECT_EQ(FailureCode([&] { this->files.RemoveFile(target); }), error_code::AccessDenied);
    EXPECT_EQ(FailureCode([&] { this->files.Replace(replacement, target, this->dir.PathOf("old")); }),
              error_code::AccessDenied);
    EXPECT_EQ(this->dir.Read("hosts"), "old");
    this->files.SetAttributes(target, 0);
    const std::string open = this->dir.PathOf("open");
    auto writer = this->files.CreateNew(open);
    EXPECT_EQ(FailureCode([&] { this->files.RemoveFile(open); }), error_code::SharingViolation);
    EXPECT_EQ(FailureCode([&] { this->files.Replace(open, target, this->dir.PathOf("old")); }),
              error_code::SharingViolation);
    EXPECT_FALSE(this->files.FileExists(this->dir.PathOf("old")));
    writer.reset();  // dropped unclosed, it still lets the file go
    this->files.RemoveFile(open);
    EXPECT_FALSE(this->files.FileExists(open));
}

// A move over a name takes the name's place: a file there (here a hard link) goes, without what else it
// names. A folder of that name stays.
TYPED_TEST_P(FilesContract, AMoveOverANameReplacesTheNameOnly) {
    this->dir.Write("system.ini", "system");
    std::filesystem::create_hard_link(this->dir.Path() / "system.ini", this->dir.Path() / "linked");
    this->files.MoveOver(this->dir.Write("fresh", "new"), this->dir.PathOf("linked"));
    EXPECT_EQ(this->dir.Read("linked") + this->dir.Read("system.ini"), "newsystem");
    EXPECT_FALSE(this->dir.Exists("fresh"));

    this->dir.Write("folder/inside", "x");
    EXPECT_EQ(FailureCode([&] {
                  this->files.MoveOver(this->dir.Write("fresh", "newest"), this->dir.PathOf("folder"));
              }),
              error_code::AccessDenied);
    EXPECT_EQ(this->dir.Read("fresh") + this->dir.Read("folder/inside"), "newestx");
}

REGISTER_TYPED_TEST_SUITE_P(FilesContract, EveryByteIsKeptAndNoNameIsTakenTwice,
                            AttributesAndOpenWritersGuardAFile, AMoveOverANameReplacesTheNameOnly);

}  // namespace resolvo::testing
