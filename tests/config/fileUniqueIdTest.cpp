// File identity: one value for every spelling of a path, another for every other path.
#include "config/fileUniqueId.h"

#include <gtest/gtest.h>

#include "config/FileIdError.h"
#include "tests/support/TempDisk.h"

namespace {

TEST(fileUniqueIdTest, UpperCasedFullPath) {
    lbtest::TempDisk disk;
    EXPECT_THROW(rx_fwk::fileUniqueId("C:\\zu-rt.ini"), rx_fwk::FileIdError);
    disk.writeHostFile("zu-rt.ini", "");
    for (const char* spelling :
         {"C:\\ZU-RT.INI", "c:/zu-rt.ini", "C:/ZU-RT.INI", "zu-rt.ini", "C:\\x\\..\\zu-rt.ini"}) {
        SCOPED_TRACE(spelling);
        EXPECT_EQ(rx_fwk::fileUniqueId(spelling), "C:\\ZU-RT.INI");
    }
    // Alike under a hash that XORs the bytes; different files all the same.
    EXPECT_NE(rx_fwk::fileUniqueIdOfPath("C:\\abcdefgh.ini"),
              rx_fwk::fileUniqueIdOfPath("C:\\ebcdafgh.ini"));
}

TEST(fileUniqueIdTest, ErrorMessagesAreCutTo255Characters) {
    const std::string longPath(400, 'x');
    const rx_fwk::FileIdError error(longPath);
    EXPECT_EQ(std::string(error.what()).size(), 255u);
    EXPECT_EQ(std::string(error.what()).substr(0, 36), "FileIdError: Unable to open file 'xx");
}

}  // namespace
