// Chmod: the read-only attribute of a file on C:, and nothing outside the drive.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "kernel/fs/File.h"
#include "tests/cmdserver/commands/HandlerTest.h"
#include "tests/support/TempDisk.h"

namespace rx_fwk {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kPathOffset = 28, kPacketEnd = 184, kStatus = 174;

class ChmodTest : public HandlerTest {
protected:
    void SetUp() override {
        // Before the settings store creates the file under its own spelling.
        disk_.writeHostFile("zu-rt.ini", "[S]\r\nk=1\r\n");
        HandlerTest::SetUp();
        disk_.writeHostFile("sub/file.txt", "x");
        outside_ = disk_.root() + "-outside";
        std::ofstream(outside_) << "host";
        fs::permissions(outside_, fs::perms(0644));
        fs::create_symlink(outside_, disk_.hostPath("absolute-link"));
        fs::create_symlink("../../" + fs::path(outside_).filename().string(),
                           disk_.hostPath("sub/relative-link"));
    }
    void TearDown() override {
        fs::remove(outside_);
        HandlerTest::TearDown();
    }

    std::optional<CommandPacket> chmod(const std::string& path, std::uint32_t status) {
        auto bytes = request(CmdChmod);
        std::fill(bytes.begin() + kPathOffset, bytes.begin() + kStatus, 'z');
        std::copy(path.begin(), path.end(), bytes.begin() + kPathOffset);
        if (kPathOffset + path.size() < kStatus) {
            bytes[kPathOffset + path.size()] = 0;
        }
        for (int i = 0; i < 4; ++i) {
            bytes[kStatus + i] = static_cast<std::uint8_t>(status >> (24 - 8 * i));
        }
        return ask(bytes);
    }
    static bool readOnly(const char* path) {
        return (GetFileAttributesA(path) & FILE_ATTRIBUTE_READONLY) != 0;
    }

    lbtest::TempDisk disk_;
    std::string outside_;
};

TEST_F(ChmodTest, SetsAndClearsTheAttributeOfAFileOnC) {
    struct Row {
        std::string path;
        const char* file;  // as the drive names it
    } rows[] = {
        {"zu-rt.ini", "C:\\zu-rt.ini"},
        {"..\\zu-rt.ini", "C:\\zu-rt.ini"},  // ".." stops at the root
        {"sub/../../ZU-RT.INI", "C:\\zu-rt.ini"},
        {"C:\\zu-rt.ini", "C:\\zu-rt.ini"},
        {"\\sub\\file.txt", "C:\\sub\\file.txt"},
        {"/sub/file.txt", "C:\\sub\\file.txt"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        auto reply = chmod(row.path, 1);
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->command, ACK);
        EXPECT_TRUE(readOnly(row.file));
        reply = chmod(row.path, 0);
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->command, ACK);
        EXPECT_FALSE(readOnly(row.file));
    }
    // Only status 1 asks for read-only.
    chmod("zu-rt.ini", 2);
    EXPECT_FALSE(readOnly("C:\\zu-rt.ini"));
}

TEST_F(ChmodTest, APathItCannotUseIsRefusedAndChangesNothing) {
    const std::string unterminated(kPacketEnd - kPathOffset, 'a');
    const std::string rows[] = {
        "missing.txt",   "",
        outside_,  // an absolute host path names a file below C:\ .
        "absolute-link", "sub\\relative-link",
        "D:\\zu-rt.ini", "B:\\ethernet.ini",
        "zu-*.ini",      unterminated,
    };
    for (const std::string& path : rows) {
        SCOPED_TRACE(path.substr(0, 40));
        auto bytes = request(CmdChmod);
        std::copy(path.begin(), path.end(), bytes.begin() + kPathOffset);
        if (kPathOffset + path.size() < kPacketEnd) {
            bytes[kPathOffset + path.size()] = 0;
        }
        bytes[kStatus + 3] = 1;
        auto reply = ask(bytes);
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->command, NAK);
        EXPECT_EQ(reply->status, StatusFailed);
        EXPECT_EQ(fs::status(outside_).permissions(), fs::perms(0644));
        EXPECT_FALSE(readOnly("C:\\zu-rt.ini"));
    }
}

TEST_F(ChmodTest, APathRunsOnIntoTheFollowingAreas) {
    const std::string dir(40, 'd');
    disk_.writeHostFile(dir + "/" + std::string(60, 'f'), "x");
    const std::string path = dir + "\\" + std::string(60, 'f');
    auto reply = chmod(path, 1);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->command, ACK);
    EXPECT_TRUE(readOnly(("C:\\" + path).c_str()));
}

}  // namespace
}  // namespace rx_fwk
