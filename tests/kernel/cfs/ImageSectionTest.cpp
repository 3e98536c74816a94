// The sections the build adds to every executable of the image, found in its own ELF table.
#include "kernel/cfs/ImageSection.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string sourceFile(const std::string& relative) {
    std::ifstream in(std::string(LIFEBOAT_SOURCE_DIR) + "/" + relative, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::string bytes(const unsigned char* data, std::size_t size) {
    return std::string(reinterpret_cast<const char*>(data), size);
}

TEST(ImageSectionTest, BuiltInRtosIniAndTheArchiveOfDriveB) {
    const unsigned char* data = nullptr;
    std::size_t size = 0;
    ASSERT_TRUE(TovFindImageSection("RTOSINI", &data, &size));
    EXPECT_EQ(bytes(data, size), sourceFile("image/RTOS.INI"));
    EXPECT_EQ(bytes(data, size).rfind("[Filesystem]\r\nFatCacheSize=8\r\n", 0), 0u);

    char name[9] = "garbage";
    ASSERT_TRUE(TovFindImageSectionByPrefix(".CFS_", name, &data, &size));
    EXPECT_STREQ(name, ".CFS_B");
    ASSERT_GE(size, 22u);
    EXPECT_EQ(bytes(data, 4), "PK\x03\x04");

    EXPECT_FALSE(TovFindImageSection("NOSUCH", &data, &size));
    EXPECT_FALSE(TovFindImageSection(".CFS_", &data, &size));  // names compare whole
    EXPECT_FALSE(TovFindImageSectionByPrefix(".NOSUCH", name, &data, &size));
}

TEST(ImageSectionTest, TheBytesReadTheSameAfterTheirPagesWereGivenBack) {
    const unsigned char* data = nullptr;
    std::size_t size = 0;
    char name[9];
    ASSERT_TRUE(TovFindImageSectionByPrefix(".CFS_", name, &data, &size));
    const std::string before = bytes(data, size);
    TovReleaseImageSectionPages();
    EXPECT_EQ(bytes(data, size), before);
    TovReleaseImageSectionPages();  // again, with nothing read since
    ASSERT_TRUE(TovFindImageSection("RTOSINI", &data, &size));
    EXPECT_EQ(bytes(data, size), sourceFile("image/RTOS.INI"));
}

}  // namespace
