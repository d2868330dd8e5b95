// The repair on the real file services: Windows refuses to empty a hidden or
// system file and does not carry attributes over a replace, which only the
// real services show.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "namefiles/NameFileRepair.h"
#include "port/Failure.h"
#include "support/Win32TempDir.h"
#include "win32/Text.h"
#include "win32/Win32Platform.h"

namespace resolvo::namefiles {
namespace {

using win32::Widen;

constexpr DWORD HiddenSystem = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
constexpr DWORD Guarded = HiddenSystem | FILE_ATTRIBUTE_READONLY;

// The real services, but with a system directory of the test's own, so that
// the machine's etc folder is never touched.
class TempSystemPlatform : public win32::Win32Platform {
public:
    explicit TempSystemPlatform(std::string systemDirectory) : systemDirectory_(std::move(systemDirectory)) {}

    std::string SystemDirectory() override { return systemDirectory_; }

    // Stands for a security program that keeps a file from being made read-only.
    void SetAttributes(const std::string& path, std::uint32_t bits) override {
        if (refuseReadOnly && (bits & ReadOnlyAttribute) != 0) {
            throw Failure("SetFileAttributes", path, error_code::AccessDenied);
        }
        Win32Platform::SetAttributes(path, bits);
    }

    bool refuseReadOnly = false;

private:
    std::string systemDirectory_;
};

class Win32NameFiles : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* folder : {"sys", "sys\\drivers", "sys\\drivers\\etc"}) {
            ASSERT_TRUE(::CreateDirectoryW(Widen(dir.PathOf(folder)).c_str(), nullptr)) << ::GetLastError();
        }
    }

    static std::string Etc(const std::string& name) { return "sys\\drivers\\etc\\" + name; }
    void Put(const std::string& name, const std::string& bytes, DWORD bits = 0) const {
        dir.Write(Etc(name), bytes);
        ASSERT_TRUE(bits == 0 || ::SetFileAttributesW(Widen(dir.PathOf(Etc(name))).c_str(), bits));
    }
    std::string Get(const std::string& name) const { return dir.Read(Etc(name)); }
    DWORD Attributes(const std::string& name) const {
        return ::GetFileAttributesW(Widen(dir.PathOf(Etc(name))).c_str());
    }

    testing::Win32TempDir dir;
    TempSystemPlatform platform{dir.PathOf("sys")};
    NameFileRepair handler{platform};
};

TEST_F(Win32NameFiles, ReadOnlyHiddenSystemHostsIsRepairedAndGetsItsBitsBack) {
    const std::string hosts = "127.0.0.1 localhost\r\n1.2.3.4 mail.Example.COM\r\n";
    Put("hosts", hosts, Guarded);
    ASSERT_EQ(Attributes("hosts") & Guarded, Guarded);
    handler.RepairNameFiles("example.com");

    EXPECT_EQ(Get("hosts"), "127.0.0.1 localhost\r\n#1.2.3.4 mail.Example.COM\r\n");
    EXPECT_EQ(Get("hosts.rv2"), hosts);
    EXPECT_EQ(Attributes("hosts") & Guarded, Guarded);
    EXPECT_TRUE(handler.ModuleState().NameFilesBackedUp);
}

// A replaced file has the new file's attributes; the repair gives the
// others back itself rather than count on putting the saved ones back.
TEST_F(Win32NameFiles, AReplacedHostsStaysHiddenAndSystemEvenWhenItCannotBeMadeReadOnlyAgain) {
    Put("hosts", "1.2.3.4 example.com\r\n", Guarded);
    platform.refuseReadOnly = true;
    handler.RepairNameFiles("example.com");

    EXPECT_EQ(Get("hosts"), "#1.2.3.4 example.com\r\n");
    EXPECT_EQ(Attributes("hosts") & Guarded, HiddenSystem);
}

TEST_F(Win32NameFiles, AMissingLmhostsIsCreatedEmptyWithAnEmptyBackup) {
    Put("hosts", "1.2.3.4 example.com\r\n");
    handler.RepairNameFiles("example.com");

    for (const char* name : {"lmhosts", "lmhosts.rv2"}) {
        EXPECT_NE(Attributes(name), INVALID_FILE_ATTRIBUTES) << name;
        EXPECT_EQ(Get(name), "") << name;
    }
    EXPECT_EQ(Get("hosts"), "#1.2.3.4 example.com\r\n");
    EXPECT_EQ(Attributes("lmhosts.resolvo.tmp"), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
}  // namespace resolvo::namefiles
