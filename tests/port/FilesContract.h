// What every implementation of Files promises, written once: the recording
// platform is held to it natively, the Windows platform under Wine.
#pragma once

#include <gtest/gtest.h>

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

// Every byte is read and written as it is.
TYPED_TEST_P(FilesContract, EveryByteIsKept) {
    std::string bytes = "\r\na\rb\nc";
    for (int c = 0; c < 256; ++c) {
        bytes += static_cast<char>(c);
    }
    this->dir.Write("in", bytes);
    auto writer = this->files.CreateNew(this->dir.PathOf("out"));
    writer->Write(this->files.OpenForReading(this->dir.PathOf("in")));
    writer->Write("");
    writer->Write("no end");
    writer->Close();
    EXPECT_EQ(this->dir.Read("out"), bytes + "no end");
    this->dir.Write("empty", "");
    EXPECT_EQ(this->files.OpenForReading(this->dir.PathOf("empty")), "");
}

TYPED_TEST_P(FilesContract, AttributesAreKeptAndAMissingFileIsAFailure) {
    const std::string path = this->dir.Write("hosts", "x");
    constexpr std::uint32_t Guarded = ReadOnlyAttribute | HiddenAttribute | SystemAttribute;
    for (const std::uint32_t bits : {Guarded, 0u}) {
        this->files.SetAttributes(path, bits);
        EXPECT_EQ(this->files.GetAttributes(path) & Guarded, bits);
        EXPECT_TRUE(this->files.FileExists(path));
    }

    const std::string missing = this->dir.PathOf("missing");
    EXPECT_FALSE(this->files.FileExists(missing));
    EXPECT_EQ(FailureCode([&] { this->files.GetAttributes(missing); }), error_code::FileNotFound);
    EXPECT_EQ(FailureCode([&] { this->files.SetAttributes(missing, 0); }), error_code::FileNotFound);
    EXPECT_EQ(FailureCode([&] { this->files.LastWriteTime(missing); }), error_code::FileNotFound);
    this->dir.Write("folder/inside", "x");
    EXPECT_FALSE(this->files.FileExists(this->dir.PathOf("folder")));
    EXPECT_EQ(this->files.FileNames(this->dir.PathOf("")), (std::vector<std::string>{"hosts"}));
    // A folder takes a name as a file does.
    EXPECT_EQ(FailureCode([&] { this->files.Rename(path, this->dir.PathOf("folder")); }),
              error_code::AlreadyExists);
}

TYPED_TEST_P(FilesContract, NewFilesNeverOverwriteAndReplacingKeepsOneFile) {
    const std::string target = this->dir.Write("hosts", "old");
    EXPECT_EQ(FailureCode([&] { this->files.CreateNew(target); }), error_code::FileExists);
    EXPECT_EQ(FailureCode([&] { this->files.CreateNew(this->dir.PathOf("no/such/folder")); }),
              error_code::PathNotFound);
    const std::string replacement = this->dir.Write("new", "new");
    this->files.Replace(replacement, target, this->dir.PathOf("old"));
    EXPECT_EQ(this->dir.Read("hosts") + this->dir.Read("old"), "newold");
    EXPECT_FALSE(this->files.FileExists(replacement));

    const std::string renamed = this->dir.Write("renamed", "r");
    EXPECT_EQ(FailureCode([&] { this->files.Rename(renamed, target); }), error_code::AlreadyExists);
    this->files.Rename(renamed, this->dir.PathOf("moved"));
    EXPECT_EQ(this->dir.Read("moved"), "r");
    EXPECT_NE(this->files.LastWriteTime(this->dir.PathOf("moved")), 0u);
}

TYPED_TEST_P(FilesContract, ReadOnlyAndOpenFilesAreNotReplacedOrRemoved) {
    const std::string target = this->dir.Write("hosts", "old");
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

REGISTER_TYPED_TEST_SUITE_P(FilesContract, EveryByteIsKept, AttributesAreKeptAndAMissingFileIsAFailure,
                            NewFilesNeverOverwriteAndReplacingKeepsOneFile,
                            ReadOnlyAndOpenFilesAreNotReplacedOrRemoved);

}  // namespace resolvo::testing
