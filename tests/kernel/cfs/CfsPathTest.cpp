// Requests to full, clean paths of the constant file system.
#include "kernel/cfs/CfsPath.h"

#include <gtest/gtest.h>

namespace {

TEST(CfsPathTest, FullPaths) {
    struct Case {
        const char* request;
        const char* current;
        CfsPathForm form;
        const char* full;
    } cases[] = {
        {"B:\\ETHERNET.INI", "\\", CfsPathForm::File, "B:/ETHERNET.INI"},
        {"b:/ethernet.ini", "/drivers", CfsPathForm::File, "B:/ethernet.ini"},
        {"x.dll", "/drivers", CfsPathForm::File, "B:/drivers/x.dll"},
        {"..\\..\\x", "\\", CfsPathForm::File, "B:/x"},
        {"..\\y", "/a/b", CfsPathForm::File, "B:/a/y"},
        {"...\\y", "/a/b", CfsPathForm::File, "B:/y"},
        {"..", "/a/b", CfsPathForm::File, "B:/a"},
        {"\\a\\.\\b\\\\c", "/x", CfsPathForm::File, "B:/a/b/c"},
        {"name...", "\\", CfsPathForm::File, "B:/name"},
        {"..name\\a..b", "\\", CfsPathForm::File, "B:/..name/a..b"},
        {"B:", "/drivers", CfsPathForm::File, "B:/drivers"},
        {"B:\\", "/drivers", CfsPathForm::File, "B:/"},
        {"B:\\", "/drivers", CfsPathForm::Directory, "B:/"},
        {"sub\\", "\\", CfsPathForm::Directory, "B:/sub/"},
        {"sub\\", "\\", CfsPathForm::File, "B:/sub"},
        {"C:\\other", "\\", CfsPathForm::File, "B:/other"},  // the volume serves one drive
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.request);
        EXPECT_EQ(cfsFullPath(c.request, c.current, 'B', c.form, 0), c.full);
    }
}

}  // namespace
